#include "platform/FileUtil.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "platform/Error.h"

namespace platform::FileUtil {
namespace {

[[noreturn]] void Fail(const std::string& what, const fs::path& path, int err) {
  throw Error(what + " '" + path.string() + "': " + std::strerror(err), err);
}

[[noreturn]] void Fail(const std::string& what, const fs::path& path, const std::error_code& ec) {
  throw Error(what + " '" + path.string() + "': " + ec.message(), ec.value());
}

// Writes all bytes to fd; false (errno set) on failure.
bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

void WriteWithFlags(const fs::path& path, const std::string& bytes, int flags, bool sync) {
  const int fd = ::open(path.c_str(), flags | O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) Fail("Cannot open file for writing", path, errno);
  if (!WriteAll(fd, bytes) || (sync && ::fsync(fd) != 0)) {
    const int err = errno;
    ::close(fd);
    Fail("Cannot write file", path, err);
  }
  if (::close(fd) != 0) Fail("Cannot write file", path, errno);
}

}  // namespace

bool Exists(const fs::path& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

bool IsDirectory(const fs::path& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

uint64_t Size(const fs::path& path) {
  std::error_code ec;
  const uintmax_t size = fs::file_size(path, ec);
  if (ec) Fail("Cannot read the size of", path, ec);
  return size;
}

fs::file_time_type ModificationTime(const fs::path& path) {
  std::error_code ec;
  const fs::file_time_type t = fs::last_write_time(path, ec);
  if (ec) Fail("Cannot read the time of", path, ec);
  return t;
}

Date LocalModificationTime(const fs::path& path) {
  const auto written = std::chrono::file_clock::to_sys(ModificationTime(path));
  const std::time_t seconds = std::chrono::system_clock::to_time_t(
      std::chrono::time_point_cast<std::chrono::system_clock::duration>(written));
  std::tm local{};
  localtime_r(&seconds, &local);
  return Date::FromParts(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                         local.tm_sec);
}

namespace {

// Reads the rest of `fd` into `buffer` (of `capacity` bytes at first) and
// closes it; `grow(capacity, kept)` gives a buffer of the new capacity that
// holds the `kept` bytes read so far. Whether the file ends is asked with a
// small read, not by doubling the buffer (a copy of megabytes into fresh
// memory), and a file that grew since its size was taken is read to its
// end. Returns the number of bytes read.
template <typename Grow>
size_t ReadToEnd(int fd, const fs::path& path, char* buffer, size_t capacity, Grow grow) {
  size_t got = 0;
  char probe[4096];
  for (;;) {
    const bool full = got == capacity;
    char* into = full ? probe : buffer + got;
    const ssize_t n = ::read(fd, into, full ? sizeof probe : capacity - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      Fail("Cannot read file", path, err);
    }
    if (n == 0) break;
    if (full) {
      capacity += std::clamp<size_t>(capacity, 65536, size_t{1} << 20);
      buffer = grow(capacity, got);
      std::memcpy(buffer + got, probe, static_cast<size_t>(n));
    }
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  return got;
}

}  // namespace

std::string ReadFile(const fs::path& path) { return ReadFileFrom(path, 0); }

std::string ReadFileFrom(const fs::path& path, uint64_t offset) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Fail("Cannot open file", path, errno);
  if (offset > 0 && ::lseek(fd, static_cast<off_t>(offset), SEEK_SET) < 0) {
    const int err = errno;
    ::close(fd);
    Fail("Cannot seek in file", path, err);
  }
  // Read straight into a string of the file's size.
  std::string bytes;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && st.st_size > static_cast<off_t>(offset))
    bytes.resize(static_cast<size_t>(st.st_size) - static_cast<size_t>(offset));
  const size_t got = ReadToEnd(fd, path, bytes.data(), bytes.size(), [&](size_t capacity, size_t) {
    bytes.resize(capacity);
    return bytes.data();
  });
  bytes.resize(got);
  return bytes;
}

FileBlock ReadFileBlock(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Fail("Cannot open file", path, errno);
  size_t capacity = 0;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && st.st_size > 0) capacity = static_cast<size_t>(st.st_size);
  FileBlock block;
  block.data = std::make_unique_for_overwrite<char[]>(capacity);
  block.size = ReadToEnd(fd, path, block.data.get(), capacity, [&](size_t grown, size_t kept) {
    auto bigger = std::make_unique_for_overwrite<char[]>(grown);
    std::memcpy(bigger.get(), block.data.get(), kept);
    block.data = std::move(bigger);
    return block.data.get();
  });
  return block;
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  WriteWithFlags(path, bytes, O_TRUNC, false);
}

void AppendFile(const fs::path& path, const std::string& bytes) {
  WriteWithFlags(path, bytes, O_APPEND, false);
}

void AtomicWriteFile(const fs::path& path, const std::string& bytes) {
  fs::path tmp = path;
  tmp += ".tmp";
  WriteWithFlags(tmp, bytes, O_TRUNC, true);
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(tmp.c_str());
    Fail("Cannot replace file", path, err);
  }
  // Make the rename itself durable.
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  const int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

bool Delete(const fs::path& path) {
  std::error_code ec;
  const bool removed = fs::remove(path, ec);
  if (ec) Fail("Cannot delete", path, ec);
  return removed;
}

uint64_t DeleteTree(const fs::path& path) {
  std::error_code ec;
  const uintmax_t n = fs::remove_all(path, ec);
  if (ec) Fail("Cannot delete folder", path, ec);
  return n;
}

void Rename(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::rename(from, to, ec);
  if (ec) Fail("Cannot rename '" + from.string() + "' to", to, ec);
}

void Copy(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
  if (ec) Fail("Cannot copy '" + from.string() + "' to", to, ec);
}

void MakeDirs(const fs::path& path) {
  std::error_code ec;
  fs::create_directories(path, ec);
  if (ec) Fail("Cannot create folder", path, ec);
}

fs::path CreateUniqueFile(const fs::path& folder, const std::string& prefix) {
  if (folder.empty()) throw Error("Cannot create a unique file: no folder given");
  std::string pattern = (folder / (prefix + "XXXXXX")).string();
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) Fail("Cannot create a unique file in", folder, errno);
  ::close(fd);
  return pattern;
}

std::vector<std::string> ListDir(const fs::path& path) {
  std::error_code ec;
  std::vector<std::string> names;
  fs::directory_iterator it(path, ec);
  if (ec) Fail("Cannot list folder", path, ec);
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) Fail("Cannot list folder", path, ec);
    names.push_back(it->path().filename().string());
  }
  if (ec) Fail("Cannot list folder", path, ec);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace platform::FileUtil
