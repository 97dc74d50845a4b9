#include "platform/CommandClient.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/CommandFrames.h"
#include "platform/Error.h"
#include "platform/LocalSocket.h"

namespace platform {

std::optional<int> CommandClient::Run(const std::filesystem::path& socketPath, const std::string& request,
                                      std::ostream& out, std::ostream& err) {
  const int fd = ConnectLocal(socketPath);
  if (fd < 0) {
    if (errno == ENOENT || errno == ECONNREFUSED) return std::nullopt;
    throw Error("cannot reach the running zentabo at " + socketPath.string() + ": " + std::strerror(errno));
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  if (request.size() > kMaxRequestBytes) {
    err << TooLongRequestMessage(request.size());
    return 2;
  }
  if (!SendAll(fd, EncodeFrame(FrameType::Request, request)))
    throw Error("the running zentabo at " + socketPath.string() + " did not take the command: " +
                std::strerror(errno));
  FrameReader reader;
  char buf[16384];
  for (;;) {
    while (std::optional<Frame> f = reader.Next()) {
      switch (f->type) {
        case FrameType::Out: out << f->payload << std::flush; break;
        case FrameType::Err: err << f->payload << std::flush; break;
        case FrameType::Exit: return DecodeExitCode(f->payload);
        case FrameType::Request: throw Error("the running zentabo answered with a request");
      }
    }
    const ssize_t n = ::recv(fd, buf, sizeof(buf), 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      throw Error("the running zentabo at " + socketPath.string() +
                  " stopped before the command ended (see its log for what was done)");
    reader.Feed(buf, static_cast<size_t>(n));
  }
}

}  // namespace platform
