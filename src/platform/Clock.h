#pragma once
// Clock: where the event loop and the add-in take the time from. RealClock
// reads the system clock; VirtualClock is moved by tests (or by the event
// loop running a virtual clock, which jumps straight to the next due timer),
// so timer behaviour is checked deterministically and without sleeping.
#include <cstdint>

#include "platform/Date.h"

namespace platform {

class Clock {
 public:
  virtual ~Clock() = default;
  // The current local date and time, whole seconds.
  virtual Date Now() const = 0;
  // A monotonic millisecond counter (arbitrary origin), never going back.
  virtual int64_t MonotonicMs() const = 0;
  // The wall-clock time as milliseconds since 1970-01-01 00:00 UTC: what a
  // text meant to be compared across time zones is made from.
  virtual int64_t UtcMs() const = 0;
  // Seconds since local midnight with the fraction of the second, as the
  // debug writer's timing uses it.
  virtual double SecondsSinceMidnight() const = 0;
  // Lets time pass until MonotonicMs() >= deadlineMs: the real clock sleeps,
  // the virtual clock jumps. Returns at once when the deadline has passed.
  virtual void WaitUntil(int64_t deadlineMs) = 0;
  // True for a clock whose time only moves when told to.
  virtual bool IsVirtual() const = 0;
};

class RealClock : public Clock {
 public:
  Date Now() const override;
  int64_t MonotonicMs() const override;
  int64_t UtcMs() const override;
  double SecondsSinceMidnight() const override;
  void WaitUntil(int64_t deadlineMs) override;
  bool IsVirtual() const override { return false; }
};

class VirtualClock : public Clock {
 public:
  // start: the local time at MonotonicMs() == 0.
  explicit VirtualClock(Date start = Date::FromParts(2006, 2, 13, 9, 0, 0));
  Date Now() const override;
  int64_t MonotonicMs() const override { return elapsedMs_; }
  // The local time (with the milliseconds passed) read in the process's time
  // zone, daylight saving included; an hour that the change to summer time
  // skips counts as standard time.
  int64_t UtcMs() const override;
  double SecondsSinceMidnight() const override;
  void WaitUntil(int64_t deadlineMs) override;
  bool IsVirtual() const override { return true; }

  // Moves time forward. REQUIRES: ms >= 0. Timers of an event loop on this
  // clock fire at its next pump (EventLoop::RunFor fires them in due order
  // at their own times).
  void Advance(int64_t ms);
  // Moves the local time to `when` (forward or back) without touching the
  // monotonic counter, e.g. to cross midnight in a test.
  void SetNow(Date when);

 private:
  Date start_;
  int64_t elapsedMs_ = 0;
};

}  // namespace platform
