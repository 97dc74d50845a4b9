#include "platform/CommandServer.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <streambuf>

#include "platform/Error.h"
#include "platform/LocalSocket.h"

namespace fs = std::filesystem;

namespace platform {

namespace {

// A client that stops reading must not hold the loop for longer than this.
constexpr int kSendTimeoutSeconds = 10;
constexpr int kBacklog = 64;

[[noreturn]] void Fail(const std::string& what) { throw Error(what + ": " + std::strerror(errno)); }

// Output of one stream of a running command, sent to the client as frames.
// When the client has gone, the rest is dropped: the command still runs to
// its end.
class FrameBuf : public std::streambuf {
 public:
  FrameBuf(int fd, FrameType type, bool& broken) : fd_(fd), type_(type), broken_(broken) {
    setp(buffer_, buffer_ + sizeof(buffer_));
  }
  ~FrameBuf() override { sync(); }

 protected:
  int_type overflow(int_type c) override {
    sync();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(c);
      pbump(1);
    }
    return traits_type::not_eof(c);
  }
  int sync() override {
    const std::string chunk(pbase(), pptr());
    setp(buffer_, buffer_ + sizeof(buffer_));
    if (!chunk.empty() && !broken_ && !SendAll(fd_, EncodeFrame(type_, chunk))) broken_ = true;
    return 0;
  }

 private:
  int fd_;
  FrameType type_;
  bool& broken_;
  char buffer_[4096];
};

}  // namespace

CommandServer::CommandServer(EventLoop& loop, const fs::path& socketPath, Handler handler)
    : loop_(loop), path_(socketPath), handler_(std::move(handler)) {
  const fs::path dir = path_.parent_path();
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) Fail("cannot make the folder " + dir.string());
  if (::chmod(dir.c_str(), 0700) != 0) Fail("cannot make the folder " + dir.string() + " private");

  struct stat st {};
  if (::lstat(path_.c_str(), &st) == 0) {
    if (!S_ISSOCK(st.st_mode)) throw Error(path_.string() + " is in the way of the command socket (not a socket)");
    const int fd = ConnectLocal(path_);
    if (fd >= 0) {
      ::close(fd);
      throw Error("a running zentabo already answers on " + path_.string());
    }
    // Nobody listens: the socket of a server that was killed.
    if (::unlink(path_.c_str()) != 0 && errno != ENOENT) Fail("cannot remove the stale socket " + path_.string());
  }

  const fs::path temp = dir / (path_.filename().string() + "." + std::to_string(::getpid()));
  ::unlink(temp.c_str());
  listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) Fail("cannot make a socket");
  try {
    SocketAddress addr(temp);
    if (::bind(listenFd_, addr.Get(), addr.Size()) != 0) Fail("cannot make the socket " + temp.string());
    if (::chmod(temp.c_str(), 0600) != 0) Fail("cannot make the socket " + temp.string() + " private");
    if (::listen(listenFd_, kBacklog) != 0) Fail("cannot listen on " + temp.string());
    if (::rename(temp.c_str(), path_.c_str()) != 0) Fail("cannot put the socket in place at " + path_.string());
    if (::lstat(path_.c_str(), &st) == 0) inode_ = st.st_ino;
  } catch (...) {
    ::close(listenFd_);
    ::unlink(temp.c_str());
    throw;
  }
  listenWatch_ = loop_.WatchFd(listenFd_, [this] { Accept(); });
}

CommandServer::~CommandServer() {
  loop_.RemoveWatch(listenWatch_);
  ::close(listenFd_);
  while (!connections_.empty()) Close(connections_.begin()->first);
  // Only our own socket: never one a later server put in its place.
  struct stat st {};
  if (::lstat(path_.c_str(), &st) == 0 && st.st_ino == inode_) ::unlink(path_.c_str());
}

void CommandServer::Accept() {
  for (;;) {
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;  // nothing more waiting (or a client gone already)
    Connection& c = connections_[fd];
    c.watch = loop_.WatchFd(fd, [this, fd] { Read(fd); });
  }
}

void CommandServer::Close(int fd) {
  auto it = connections_.find(fd);
  if (it == connections_.end()) return;
  loop_.RemoveWatch(it->second.watch);
  ::close(fd);
  connections_.erase(it);
}

void CommandServer::Read(int fd) {
  auto it = connections_.find(fd);
  if (it == connections_.end()) return;
  char buf[16384];
  const ssize_t n = ::recv(fd, buf, sizeof(buf), 0);
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
  if (n <= 0) {
    // The client left before its request was whole: nothing runs.
    Close(fd);
    return;
  }
  FrameReader& reader = it->second.reader;
  reader.Feed(buf, static_cast<size_t>(n));
  std::optional<size_t> length = reader.AnnouncedLength();
  if (length && *length > kMaxRequestBytes) {
    SendAll(fd, EncodeFrame(FrameType::Err, TooLongRequestMessage(*length)) + EncodeExitFrame(2));
    Close(fd);
    return;
  }
  std::optional<Frame> frame;
  try {
    frame = reader.Next();
  } catch (const Error& e) {
    SendAll(fd, EncodeFrame(FrameType::Err, std::string("zentabo: ") + e.what() + "\n") + EncodeExitFrame(2));
    Close(fd);
    return;
  }
  if (!frame) return;
  if (frame->type != FrameType::Request) {
    SendAll(fd, EncodeFrame(FrameType::Err, "zentabo: the running host expected a command\n") + EncodeExitFrame(2));
    Close(fd);
    return;
  }
  Serve(fd, frame->payload);
}

void CommandServer::PauseWatches(bool paused) {
  loop_.SetWatchEnabled(listenWatch_, !paused);
  for (auto& [fd, c] : connections_) loop_.SetWatchEnabled(c.watch, !paused);
}

void CommandServer::Serve(int fd, const std::string& request) {
  // The answer is written blocking, with a time limit per write.
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  timeval tv{kSendTimeoutSeconds, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof(tv));
  bool broken = false;
  int code = 1;
  PauseWatches(true);
  {
    FrameBuf outBuf(fd, FrameType::Out, broken);
    FrameBuf errBuf(fd, FrameType::Err, broken);
    std::ostream out(&outBuf);
    std::ostream err(&errBuf);
    try {
      code = handler_(request, out, err);
    } catch (const std::exception& e) {
      err << "zentabo: " << e.what() << "\n";
      code = 1;
    } catch (...) {
      err << "zentabo: the command failed\n";
      code = 1;
    }
    out.flush();
    err.flush();
  }
  PauseWatches(false);
  if (!broken) SendAll(fd, EncodeExitFrame(code));
  ++served_;
  Close(fd);
}

}  // namespace platform
