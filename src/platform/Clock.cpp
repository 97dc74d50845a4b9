#include "platform/Clock.h"

#include <sys/time.h>

#include <chrono>
#include <ctime>
#include <thread>

#include "platform/Error.h"

namespace platform {
namespace {

struct LocalNow {
  std::tm tm{};
  long micros = 0;
};

LocalNow ReadLocalNow() {
  timeval tv{};
  gettimeofday(&tv, nullptr);
  LocalNow now;
  time_t secs = tv.tv_sec;
  localtime_r(&secs, &now.tm);
  now.micros = tv.tv_usec;
  return now;
}

}  // namespace

Date RealClock::Now() const {
  const LocalNow now = ReadLocalNow();
  return Date::FromParts(now.tm.tm_year + 1900, now.tm.tm_mon + 1, now.tm.tm_mday, now.tm.tm_hour,
                         now.tm.tm_min, now.tm.tm_sec > 59 ? 59 : now.tm.tm_sec);
}

int64_t RealClock::MonotonicMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

int64_t RealClock::UtcMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

double RealClock::SecondsSinceMidnight() const {
  const LocalNow now = ReadLocalNow();
  return now.tm.tm_hour * 3600.0 + now.tm.tm_min * 60.0 + now.tm.tm_sec + now.micros / 1e6;
}

void RealClock::WaitUntil(int64_t deadlineMs) {
  const int64_t left = deadlineMs - MonotonicMs();
  if (left > 0) std::this_thread::sleep_for(std::chrono::milliseconds(left));
}

VirtualClock::VirtualClock(Date start) : start_(start) {}

Date VirtualClock::Now() const { return Date::FromSeconds(start_.Seconds() + elapsedMs_ / 1000); }

int64_t VirtualClock::UtcMs() const {
  const Date local = Now();
  std::tm tm{};
  tm.tm_year = local.Year() - 1900;
  tm.tm_mon = local.Month() - 1;
  tm.tm_mday = local.Day();
  tm.tm_hour = local.Hour();
  tm.tm_min = local.Minute();
  tm.tm_sec = local.Second();
  tm.tm_isdst = -1;
  ::tzset();
  const time_t utc = std::mktime(&tm);
  return static_cast<int64_t>(utc) * 1000 + elapsedMs_ % 1000;
}

double VirtualClock::SecondsSinceMidnight() const {
  return static_cast<double>(Now().TimeOfDaySeconds()) + static_cast<double>(elapsedMs_ % 1000) / 1000.0;
}

void VirtualClock::WaitUntil(int64_t deadlineMs) {
  if (deadlineMs > elapsedMs_) elapsedMs_ = deadlineMs;
}

void VirtualClock::Advance(int64_t ms) {
  if (ms < 0) throw Error("VirtualClock.Advance: time cannot go back (" + std::to_string(ms) + " ms)");
  elapsedMs_ += ms;
}

void VirtualClock::SetNow(Date when) {
  // Keep the monotonic counter: the local time becomes `when` now.
  start_ = Date::FromSeconds(when.Seconds() - elapsedMs_ / 1000);
}

}  // namespace platform
