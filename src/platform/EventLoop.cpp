#include "platform/EventLoop.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/Error.h"

namespace platform {

EventLoop::EventLoop(Clock& clock) : clock_(clock) {}

void EventLoop::Post(std::function<void()> fn) { messages_.push_back(std::move(fn)); }

TimerId EventLoop::AddTimer(int64_t intervalMs, std::function<void()> handler, bool enabled) {
  const TimerId id = nextId_++;
  Timer& t = timers_[id];
  t.intervalMs = intervalMs;
  t.handler = std::move(handler);
  t.enabled = enabled;
  t.dueMs = clock_.MonotonicMs() + intervalMs;
  return id;
}

void EventLoop::RemoveTimer(TimerId id) { timers_.erase(id); }

EventLoop::Timer& EventLoop::Find(TimerId id) {
  auto it = timers_.find(id);
  if (it == timers_.end()) throw Error("EventLoop: unknown timer " + std::to_string(id));
  return it->second;
}

const EventLoop::Timer& EventLoop::Find(TimerId id) const {
  auto it = timers_.find(id);
  if (it == timers_.end()) throw Error("EventLoop: unknown timer " + std::to_string(id));
  return it->second;
}

void EventLoop::SetInterval(TimerId id, int64_t intervalMs) {
  Timer& t = Find(id);
  t.intervalMs = intervalMs;
  if (t.enabled) t.dueMs = clock_.MonotonicMs() + intervalMs;
}

int64_t EventLoop::Interval(TimerId id) const { return Find(id).intervalMs; }

void EventLoop::SetEnabled(TimerId id, bool enabled) {
  Timer& t = Find(id);
  if (enabled && !t.enabled) t.dueMs = clock_.MonotonicMs() + t.intervalMs;
  t.enabled = enabled;
}

bool EventLoop::IsEnabled(TimerId id) const { return Find(id).enabled; }

void EventLoop::Restart(TimerId id) {
  SetEnabled(id, false);
  SetEnabled(id, true);
}

TimerId EventLoop::AddPollHook(std::function<void()> hook, int64_t intervalMs) {
  return AddTimer(intervalMs, std::move(hook), true);
}

WatchId EventLoop::WatchFd(int fd, std::function<void()> onReadable) {
  const WatchId id = nextWatchId_++;
  Watch& w = watches_[id];
  w.fd = fd;
  w.handler = std::move(onReadable);
  return id;
}

void EventLoop::RemoveWatch(WatchId id) { watches_.erase(id); }

void EventLoop::SetWatchEnabled(WatchId id, bool enabled) {
  auto it = watches_.find(id);
  if (it != watches_.end()) it->second.enabled = enabled;
}

bool EventLoop::HasEnabledWatches() const {
  for (const auto& [id, w] : watches_)
    if (w.enabled && !w.running) return true;
  return false;
}

bool EventLoop::RunReadyWatches(int timeoutMs) {
  std::vector<pollfd> fds;
  std::vector<WatchId> ids;
  for (const auto& [id, w] : watches_) {
    if (!w.enabled || w.running) continue;
    fds.push_back(pollfd{w.fd, POLLIN, 0});
    ids.push_back(id);
  }
  if (fds.empty()) return false;
  const int n = ::poll(fds.data(), fds.size(), timeoutMs);
  if (n < 0) {
    if (errno == EINTR) return false;  // a signal: its pipe is read at the next poll
    throw Error(std::string("EventLoop: poll failed: ") + std::strerror(errno));
  }
  bool ran = false;
  for (size_t i = 0; i < fds.size() && n > 0; ++i) {
    if (fds[i].revents == 0) continue;
    // An earlier handler may have removed or paused this watch.
    auto it = watches_.find(ids[i]);
    if (it == watches_.end() || !it->second.enabled || it->second.running) continue;
    it->second.running = true;
    ran = true;
    std::function<void()> handler = it->second.handler;
    try {
      handler();
    } catch (...) {
      auto again = watches_.find(ids[i]);
      if (again != watches_.end()) again->second.running = false;
      throw;
    }
    auto again = watches_.find(ids[i]);
    if (again != watches_.end()) again->second.running = false;
  }
  return ran;
}

void EventLoop::Wait(int64_t deadlineMs) {
  if (!HasEnabledWatches()) {
    if (deadlineMs >= 0) clock_.WaitUntil(deadlineMs);
    return;
  }
  if (clock_.IsVirtual()) {
    // Virtual time does not pass by itself: what is readable now runs
    // first, then time jumps to the deadline.
    if (RunReadyWatches(0)) return;
    if (deadlineMs >= 0) {
      clock_.WaitUntil(deadlineMs);
      return;
    }
    RunReadyWatches(-1);
    return;
  }
  int timeout = -1;
  if (deadlineMs >= 0)
    timeout = static_cast<int>(std::clamp<int64_t>(deadlineMs - clock_.MonotonicMs(), 0, INT_MAX));
  RunReadyWatches(timeout);
}

int64_t EventLoop::NextDueMs() const {
  int64_t next = -1;
  for (const auto& [id, t] : timers_)
    if (t.enabled && !t.running && t.intervalMs > 0 && (next < 0 || t.dueMs < next)) next = t.dueMs;
  return next;
}

bool EventLoop::FireDueTimers() {
  const int64_t now = clock_.MonotonicMs();
  std::vector<std::pair<int64_t, TimerId>> due;
  for (const auto& [id, t] : timers_)
    if (t.enabled && !t.running && t.intervalMs > 0 && t.dueMs <= now) due.emplace_back(t.dueMs, id);
  std::sort(due.begin(), due.end());
  bool fired = false;
  for (const auto& [dueMs, id] : due) {
    if (!messages_.empty()) break;
    // An earlier handler may have removed, stopped or restarted this timer.
    auto it = timers_.find(id);
    if (it == timers_.end()) continue;
    Timer& t = it->second;
    const int64_t at = clock_.MonotonicMs();
    if (!t.enabled || t.running || t.intervalMs <= 0 || t.dueMs > at) continue;
    t.dueMs = at + t.intervalMs;
    t.running = true;
    fired = true;
    // The handler may remove its own timer: run a copy.
    std::function<void()> handler = t.handler;
    try {
      handler();
    } catch (...) {
      auto again = timers_.find(id);
      if (again != timers_.end()) again->second.running = false;
      throw;
    }
    auto again = timers_.find(id);
    if (again != timers_.end()) again->second.running = false;
  }
  return fired;
}

void EventLoop::PumpPending() {
  size_t count = messages_.size();
  while (count-- > 0 && !messages_.empty()) {
    std::function<void()> fn = std::move(messages_.front());
    messages_.pop_front();
    fn();
  }
  FireDueTimers();
}

size_t EventLoop::DrainMessages() {
  size_t ran = 0;
  while (!messages_.empty()) {
    std::function<void()> fn = std::move(messages_.front());
    messages_.pop_front();
    fn();
    ++ran;
  }
  return ran;
}

bool EventLoop::Loop(const std::function<bool()>& done, int64_t endMs, bool idleEnds) {
  bool result = false;
  for (;;) {
    if (done && done()) {
      result = true;
      break;
    }
    if (stopRequested_) break;
    PumpPending();
    if (done && done()) {
      result = true;
      break;
    }
    if (stopRequested_) break;
    // Checked before going on with more messages: handlers that keep
    // posting must not hold the loop past its end.
    const int64_t now = clock_.MonotonicMs();
    if (endMs >= 0 && now >= endMs) break;
    if (!messages_.empty()) continue;
    int64_t target = NextDueMs();
    if (target < 0) {
      // A watched descriptor may still bring work.
      if (!HasEnabledWatches() && (idleEnds || endMs < 0)) break;
      target = endMs;
    } else if (endMs >= 0) {
      target = std::min(target, endMs);
    }
    Wait(target);
  }
  stopRequested_ = false;
  return result;
}

void EventLoop::RunFor(int64_t durationMs) {
  Loop(nullptr, clock_.MonotonicMs() + std::max<int64_t>(durationMs, 0), false);
}

bool EventLoop::RunUntil(const std::function<bool()>& done, int64_t timeoutMs) {
  return Loop(done, timeoutMs < 0 ? -1 : clock_.MonotonicMs() + timeoutMs, true);
}

void EventLoop::Run() { Loop(nullptr, -1, true); }

}  // namespace platform
