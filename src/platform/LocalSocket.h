#pragma once
// LocalSocket: the small pieces of Unix-domain stream sockets that the
// command server and its client share: an address for a socket file of any
// path length, connecting, and writing a buffer whole.
#include <sys/socket.h>
#include <sys/un.h>

#include <filesystem>
#include <string>

namespace platform {

// The address of a socket file. A path too long for a socket address is
// reached through the process's open descriptor of its folder, so homes
// may lie as deep as they like. Holds that descriptor while it lives.
class SocketAddress {
 public:
  // Throws platform::Error when the path's folder cannot be opened.
  explicit SocketAddress(const std::filesystem::path& path);
  ~SocketAddress();
  SocketAddress(const SocketAddress&) = delete;
  SocketAddress& operator=(const SocketAddress&) = delete;

  const sockaddr* Get() const { return reinterpret_cast<const sockaddr*>(&addr_); }
  socklen_t Size() const { return sizeof(addr_); }

 private:
  sockaddr_un addr_{};
  int dirFd_ = -1;
};

// Connects to the socket file at path. Returns the connected descriptor
// (close-on-exec), or -1 with errno set: ENOENT when there is no socket,
// ECONNREFUSED when nobody listens on it any more (left by a killed server).
int ConnectLocal(const std::filesystem::path& path);

// Writes all of data (no SIGPIPE); false when the peer is gone or the
// descriptor's send timeout passed.
bool SendAll(int fd, const std::string& data);

}  // namespace platform
