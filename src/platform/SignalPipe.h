#pragma once
// SignalPipe: brings the stop signals (SIGTERM, SIGINT) onto the event loop.
// The signal handler only writes the signal's number into a pipe; the loop
// watches the pipe and calls the listener there, so nothing runs inside the
// handler. One per process at a time.
#include <signal.h>

#include <functional>

#include "platform/EventLoop.h"

namespace platform {

class SignalPipe {
 public:
  // Installs the handlers; onSignal(signo) runs on loop (which outlives
  // this). Throws platform::Error when the pipe cannot be made or another
  // SignalPipe exists.
  SignalPipe(EventLoop& loop, std::function<void(int)> onSignal);
  // Puts the previous handlers back.
  ~SignalPipe();
  SignalPipe(const SignalPipe&) = delete;
  SignalPipe& operator=(const SignalPipe&) = delete;

 private:
  void Drain();

  EventLoop& loop_;
  std::function<void(int)> onSignal_;
  int readFd_ = -1;
  int writeFd_ = -1;
  WatchId watch_ = 0;
  struct sigaction previous_[2] = {};  // SIGTERM's and SIGINT's handlers before
};

}  // namespace platform
