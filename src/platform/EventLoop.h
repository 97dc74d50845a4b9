#pragma once
// EventLoop: the single user-interface thread of the emulated desktop. It
// runs posted messages in the order they were posted and window-style timers
// (interval in milliseconds, enabled flag) on one Clock. Everything the add-in
// does runs from here, one handler at a time; handlers may pump the loop again
// (PumpPending), as a long operation keeps the desktop responsive.
//
// Timer rules, as window timers behave:
// - a timer fires each time its interval has passed since it was enabled
//   (or last fired); an interval of 0 never fires;
// - disabling and enabling again, or changing the interval of an enabled
//   timer, restarts the count: the full interval counts again;
// - a timer whose handler is still running (a pump inside it) does not fire
//   again until the handler has returned;
// - several due timers fire in order of their due time, then creation order;
// - a timer late by several intervals fires once;
// - timers fire only while no posted message waits (a timer message comes
//   last in a window's queue): a write's item events, posted when it
//   commits, are always delivered before any timer that came due meanwhile.
//
// File descriptors (sockets, pipes) are watched the same way: while the loop
// waits for the next timer it polls the watched descriptors, and runs the
// handler of each one that became readable. A watch whose handler is still
// running is not polled again until it has returned. On a virtual clock the
// descriptors are looked at without waiting before time jumps on.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>

#include "platform/Clock.h"

namespace platform {

using TimerId = int;
using WatchId = int;

class EventLoop {
 public:
  // The clock must outlive the loop.
  explicit EventLoop(Clock& clock);
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  Clock& clock() const { return clock_; }

  // Queues fn to run on a later pump, after everything posted before it.
  void Post(std::function<void()> fn);
  // Number of posted messages not yet run.
  size_t PendingMessages() const { return messages_.size(); }

  // Creates a timer (disabled unless `enabled`) and returns its id (> 0).
  TimerId AddTimer(int64_t intervalMs, std::function<void()> handler, bool enabled = false);
  // Removes a timer; unknown ids are ignored. Safe inside its own handler.
  void RemoveTimer(TimerId id);
  // Sets the interval; on an enabled timer this restarts the count.
  // Unknown ids throw platform::Error (as do the other timer calls below).
  void SetInterval(TimerId id, int64_t intervalMs);
  int64_t Interval(TimerId id) const;
  // Enables or disables. Enabling a disabled timer starts the full interval
  // from now; enabling an enabled one changes nothing (use Restart).
  void SetEnabled(TimerId id, bool enabled);
  bool IsEnabled(TimerId id) const;
  // The one-shot restart: SetEnabled(false) then SetEnabled(true).
  void Restart(TimerId id);

  // Calls hook every intervalMs (first after one interval) while the loop
  // runs: the way the host picks up external input such as new mail files.
  // Returns the id of the timer carrying it (RemoveTimer stops it).
  TimerId AddPollHook(std::function<void()> hook, int64_t intervalMs);

  // Calls onReadable on the loop whenever fd can be read without blocking
  // (data, end of file, or an error to read), while the watch is enabled.
  // The descriptor stays the caller's: close it only after RemoveWatch.
  // Returns the watch's id (> 0).
  WatchId WatchFd(int fd, std::function<void()> onReadable);
  // Removes a watch; unknown ids are ignored. Safe inside its own handler.
  void RemoveWatch(WatchId id);
  // Pauses (false) or resumes (true) a watch; unknown ids are ignored.
  void SetWatchEnabled(WatchId id, bool enabled);

  // Pumps the pending messages once: runs the messages posted before the
  // call, in order, then, while no message waits, the timers due now, then
  // returns. Messages posted meanwhile wait for the next pump (and hold the
  // remaining due timers back until they have run). Exceptions of handlers
  // propagate to the caller (the remaining work stays queued).
  void PumpPending();

  // Runs posted messages, also those they post, until none waits; fires no
  // timer. Returns how many ran.
  size_t DrainMessages();

  // Runs the loop for durationMs of clock time: on a virtual clock time
  // jumps from one due timer to the next, firing each at its own time; on
  // the real clock it sleeps between them. Returns early after Stop(). On
  // the real clock, messages posted just before the end may still wait.
  void RunFor(int64_t durationMs);
  // Runs until done() is true (checked before waiting and after each pump),
  // Stop() is called, timeoutMs passes (< 0: no limit), or nothing can
  // happen any more (no messages, no enabled timers, no enabled watches).
  // Returns done().
  bool RunUntil(const std::function<bool()>& done, int64_t timeoutMs = -1);
  // Runs until Stop().
  void Run();
  // Makes the running Run/RunFor/RunUntil return after the current handler.
  void Stop() { stopRequested_ = true; }

  // Clock time (MonotonicMs) when the next enabled timer is due; -1 when none.
  int64_t NextDueMs() const;

 private:
  struct Timer {
    int64_t intervalMs = 0;
    bool enabled = false;
    bool running = false;
    int64_t dueMs = 0;
    std::function<void()> handler;
  };
  struct Watch {
    int fd = -1;
    bool enabled = true;
    bool running = false;
    std::function<void()> handler;
  };
  Timer& Find(TimerId id);
  const Timer& Find(TimerId id) const;
  // Runs the due timers once each, stopping as soon as a message waits;
  // returns true when one fired.
  bool FireDueTimers();
  bool HasEnabledWatches() const;
  // Lets time pass until deadlineMs (< 0: no deadline) or until a watched
  // descriptor is readable, whose handlers then run.
  void Wait(int64_t deadlineMs);
  // Polls the enabled watches for up to timeoutMs (< 0: no limit) and runs
  // the handlers of the readable ones; returns true when one ran.
  bool RunReadyWatches(int timeoutMs);
  // The loop behind RunFor/RunUntil/Run; endMs < 0: no limit; idleEnds:
  // return when nothing can happen any more instead of waiting for endMs.
  bool Loop(const std::function<bool()>& done, int64_t endMs, bool idleEnds);

  Clock& clock_;
  std::deque<std::function<void()>> messages_;
  std::map<TimerId, Timer> timers_;
  TimerId nextId_ = 1;
  std::map<WatchId, Watch> watches_;
  WatchId nextWatchId_ = 1;
  bool stopRequested_ = false;
};

}  // namespace platform
