#include "platform/LogFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Error.h"
#include "platform/FileUtil.h"

namespace platform {

namespace {

[[noreturn]] void Fail(const std::string& what, const std::filesystem::path& path, int err) {
  throw Error(what + " '" + path.string() + "': " + std::strerror(err), err);
}

}  // namespace

LogFile::LogFile(std::filesystem::path path) : path_(std::move(path)) {}

LogFile::~LogFile() { Close(); }

void LogFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void LogFile::Open() {
  constexpr int kFlags = O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC;
  fd_ = ::open(path_.c_str(), kFlags, 0644);
  if (fd_ < 0 && errno == ENOENT && path_.has_parent_path()) {
    FileUtil::MakeDirs(path_.parent_path());
    fd_ = ::open(path_.c_str(), kFlags, 0644);
  }
  if (fd_ < 0) Fail("Cannot open file for writing", path_, errno);
}

void LogFile::Append(const std::string& bytes) {
  // A file unlinked behind the open descriptor (removed, or replaced by a
  // rename) has no links left: lines written to it would be lost.
  struct stat st{};
  if (fd_ >= 0 && (::fstat(fd_, &st) != 0 || st.st_nlink == 0)) Close();
  if (fd_ < 0) Open();
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      Close();
      Fail("Cannot write file", path_, err);
    }
    done += static_cast<size_t>(n);
  }
}

}  // namespace platform
