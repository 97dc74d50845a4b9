#include "platform/LocalSocket.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Error.h"

namespace platform {

SocketAddress::SocketAddress(const std::filesystem::path& path) {
  addr_.sun_family = AF_UNIX;
  std::string p = path.string();
  if (p.size() >= sizeof(addr_.sun_path)) {
    std::filesystem::path dir = path.parent_path();
    dirFd_ = ::open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (dirFd_ < 0) throw Error("cannot open the folder " + dir.string() + ": " + std::strerror(errno));
    p = "/proc/self/fd/" + std::to_string(dirFd_) + "/" + path.filename().string();
    if (p.size() >= sizeof(addr_.sun_path))
      throw Error("the socket name " + path.filename().string() + " is too long");
  }
  std::memcpy(addr_.sun_path, p.c_str(), p.size() + 1);
}

SocketAddress::~SocketAddress() {
  if (dirFd_ >= 0) ::close(dirFd_);
}

int ConnectLocal(const std::filesystem::path& path) {
  SocketAddress addr(path);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw Error(std::string("cannot make a socket: ") + std::strerror(errno));
  if (::connect(fd, addr.Get(), addr.Size()) != 0) {
    const int e = errno;
    ::close(fd);
    errno = e;
    return -1;
  }
  return fd;
}

bool SendAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace platform
