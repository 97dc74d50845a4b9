#include "platform/mail/PostOfficeTransport.h"

#include <fcntl.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include <fmt/format.h>

#include "platform/Error.h"
#include "platform/Text.h"
#include "platform/mail/MimeCodec.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

void MakeDirs(const fs::path& path) {
  std::error_code ec;
  fs::create_directories(path, ec);
  if (ec) throw Error("post office: cannot create folder '" + path.string() + "': " + ec.message());
}

void WriteAll(const fs::path& path, const std::string& bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) throw Error("post office: cannot create '" + path.string() + "': " + std::strerror(errno));
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      std::string why = std::strerror(errno);
      ::close(fd);
      ::unlink(path.c_str());
      throw Error("post office: cannot write '" + path.string() + "': " + why);
    }
    done += static_cast<size_t>(n);
  }
  // The rename into new/ must not publish a message whose bytes are not yet on disk.
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    std::string why = std::strerror(errno);
    ::unlink(path.c_str());
    throw Error("post office: cannot write '" + path.string() + "': " + why);
  }
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Error("post office: cannot read '" + path.string() + "'");
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

PostOfficeTransport::PostOfficeTransport(fs::path root) : m_root(std::move(root)) { MakeDirs(m_root); }

fs::path PostOfficeTransport::MailboxPath(const std::string& address) const {
  bool ok = !address.empty() && address[0] != '.';
  for (unsigned char c : address) {
    if (c < ' ' || c == 0x7f || c == '/' || c == '\\') ok = false;
  }
  if (!ok) throw Error("post office: address '" + address + "' cannot name a mailbox");
  return m_root / Lower(address);
}

std::string PostOfficeTransport::UniqueName() {
  // Seconds and microseconds first and fixed-width, so that sorting the names
  // gives the order of delivery; pid and counter make the name unique. The
  // counter is the process's, not the object's: one process may hold the
  // transports of several homes on one post office.
  static unsigned long counter = 0;
  timeval now{};
  gettimeofday(&now, nullptr);
  char host[256] = "localhost";
  gethostname(host, sizeof host - 1);
  std::string hostName = host;
  std::replace(hostName.begin(), hostName.end(), '/', '_');
  std::replace(hostName.begin(), hostName.end(), ':', '_');
  return fmt::format("{:010}.M{:06}P{}Q{:06}.{}", static_cast<long long>(now.tv_sec),
                     static_cast<long>(now.tv_usec), static_cast<long>(::getpid()), ++counter, hostName);
}

fs::path PostOfficeTransport::Deliver(const std::string& address, const std::string& bytes) {
  fs::path box = MailboxPath(address);
  MakeDirs(box / "tmp");
  MakeDirs(box / "new");
  MakeDirs(box / "cur");
  std::string name = UniqueName();
  fs::path tmp = box / "tmp" / name;
  fs::path target = box / "new" / name;
  WriteAll(tmp, bytes);
  if (::rename(tmp.c_str(), target.c_str()) != 0) {
    std::string why = std::strerror(errno);
    ::unlink(tmp.c_str());
    throw Error("post office: cannot move '" + tmp.string() + "' into new/: " + why);
  }
  return target;
}

void PostOfficeTransport::Send(const MailMessage& message) {
  std::vector<std::string> recipients;
  std::set<std::string> seen;
  for (const auto* list : {&message.to, &message.cc, &message.bcc}) {
    for (const auto& r : *list) {
      MailboxPath(r.address);  // refuse a bad address before anything is delivered
      if (seen.insert(Lower(r.address)).second) recipients.push_back(r.address);
    }
  }
  std::string bytes = MimeCodec::Encode(message);
  for (const auto& r : recipients) Deliver(r, bytes);
}

bool PostOfficeTransport::HasWaiting(const std::string& address) {
  std::error_code ec;
  for (fs::directory_iterator it(MailboxPath(address) / "new", ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!name.empty() && name[0] != '.') return true;
  }
  return false;
}

FetchResult PostOfficeTransport::Fetch(const std::string& address) {
  FetchResult result;
  fs::path box = MailboxPath(address);
  fs::path newDir = box / "new";
  std::error_code ec;
  if (!fs::is_directory(newDir, ec)) return result;

  std::vector<std::string> names;
  for (fs::directory_iterator it(newDir, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (!name.empty() && name[0] != '.') names.push_back(name);
  }
  if (ec) throw Error("post office: cannot list '" + newDir.string() + "': " + ec.message());
  std::sort(names.begin(), names.end());

  for (const auto& name : names) {
    fs::path from = newDir / name;
    std::string bytes;
    try {
      bytes = ReadAll(from);
    } catch (const Error&) {
      if (!fs::exists(from)) continue;  // another reader took it meanwhile
      throw;
    }
    try {
      result.messages.push_back(MimeCodec::Decode(bytes));
      result.receipts.push_back(name);
    } catch (const Error& e) {
      // Kept aside for a person to look at; the rest of the mailbox goes on.
      MakeDirs(box / "bad");
      fs::path aside = box / "bad" / name;
      fs::path where = ::rename(from.c_str(), aside.c_str()) == 0 ? aside : from;
      result.rejected.push_back(where.string() + ": " + e.what());
    }
  }
  return result;
}

void PostOfficeTransport::Acknowledge(const std::string& address, const std::string& receipt) {
  if (receipt.empty() || receipt.find('/') != std::string::npos || receipt[0] == '.')
    throw Error("post office: '" + receipt + "' is no receipt of a fetched message");
  fs::path box = MailboxPath(address);
  MakeDirs(box / "cur");
  fs::path from = box / "new" / receipt;
  fs::path to = box / "cur" / (receipt + ":2,S");
  if (::rename(from.c_str(), to.c_str()) != 0)
    throw Error("post office: cannot take '" + from.string() + "' into cur/: " + std::strerror(errno));
}

}  // namespace platform
