#include "platform/SignalPipe.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Error.h"

namespace platform {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT};
constexpr int kSignalCount = 2;

volatile sig_atomic_t g_writeFd = -1;

void OnSignal(int signo) {
  const int saved = errno;
  const unsigned char b = static_cast<unsigned char>(signo);
  if (g_writeFd >= 0) {
    // A full pipe holds a stop already: a failed write loses nothing.
    const ssize_t n = ::write(g_writeFd, &b, 1);
    (void)n;
  }
  errno = saved;
}

}  // namespace

SignalPipe::SignalPipe(EventLoop& loop, std::function<void(int)> onSignal)
    : loop_(loop), onSignal_(std::move(onSignal)) {
  if (g_writeFd >= 0) throw Error("the stop signals are taken already");
  int fds[2];
  if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0)
    throw Error(std::string("cannot make the signal pipe: ") + std::strerror(errno));
  readFd_ = fds[0];
  writeFd_ = fds[1];
  g_writeFd = writeFd_;
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int i = 0; i < kSignalCount; ++i) ::sigaction(kSignals[i], &sa, &previous_[i]);
  watch_ = loop_.WatchFd(readFd_, [this] { Drain(); });
}

SignalPipe::~SignalPipe() {
  for (int i = 0; i < kSignalCount; ++i) ::sigaction(kSignals[i], &previous_[i], nullptr);
  g_writeFd = -1;
  loop_.RemoveWatch(watch_);
  ::close(readFd_);
  ::close(writeFd_);
}

void SignalPipe::Drain() {
  unsigned char b[64];
  const ssize_t n = ::read(readFd_, b, sizeof(b));
  for (ssize_t i = 0; i < n; ++i) onSignal_(b[i]);
}

}  // namespace platform
