#include "platform/FileWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Error.h"

namespace platform {

namespace {

// Pieces are gathered to this size before each write call.
constexpr size_t kBufferSize = 1 << 16;

[[noreturn]] void Fail(const std::string& what, const std::filesystem::path& path, int err) {
  throw Error(what + " '" + path.string() + "': " + std::strerror(err), err);
}

}  // namespace

FileWriter::FileWriter(std::filesystem::path path) : path_(std::move(path)) {
  fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) Fail("Cannot open file for writing", path_, errno);
  buffer_.reserve(kBufferSize);
}

FileWriter::~FileWriter() {
  if (fd_ >= 0) ::close(fd_);
}

void FileWriter::Write(const void* data, size_t size) {
  if (fd_ < 0) throw Error("Cannot write file '" + path_.string() + "': it is closed");
  if (buffer_.size() + size > kBufferSize) Flush();
  buffer_.append(static_cast<const char*>(data), size);
  if (buffer_.size() >= kBufferSize) Flush();
}

void FileWriter::Close() {
  if (fd_ < 0) return;
  Flush();
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) Fail("Cannot write file", path_, errno);
}

void FileWriter::Flush() {
  size_t done = 0;
  while (done < buffer_.size()) {
    const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("Cannot write file", path_, errno);
    }
    done += static_cast<size_t>(n);
  }
  buffer_.clear();
}

}  // namespace platform
