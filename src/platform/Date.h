#pragma once
// Date: a local (zone-less) date and time in whole seconds, counted from the
// zero date 30 December 1899 00:00 as the mail client's dates are. Value type;
// arithmetic follows the client's DateAdd/DateDiff rules.
#include <cstdint>
#include <string>

namespace platform {

class Date {
 public:
  constexpr Date() = default;  // the zero date, 30.12.1899 00:00:00
  static constexpr Date FromSeconds(int64_t s) { Date d; d.s_ = s; return d; }
  // REQUIRES: a valid calendar date and time; throws platform::Error otherwise.
  static Date FromParts(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
  // The client's fractional day count (1.5 = 31.12.1899 12:00), rounded to seconds.
  static Date FromOle(double days);
  double ToOle() const;
  constexpr int64_t Seconds() const { return s_; }
  constexpr bool IsZero() const { return s_ == 0; }

  int Year() const;
  int Month() const;
  int Day() const;
  int Hour() const;
  int Minute() const;
  int Second() const;
  int Weekday() const;  // 1 = Sunday … 7 = Saturday
  Date DateOnly() const;
  int64_t TimeOfDaySeconds() const;

  // DateAdd: interval "s", "n", "h", "d", "ww", "m", "yyyy". Month steps clamp
  // the day to the month's end as the client does (31 Jan + 1 m = 28/29 Feb).
  Date Add(const std::string& interval, int64_t count) const;
  // DateDiff(interval, *this, other): whole boundaries crossed from *this to other.
  int64_t Diff(const std::string& interval, Date other) const;

  // "yyyy-mm-dd hh:mm:ss"
  std::string ToIso() const;
  // The short date-time text that filters compare against ("MM/dd/yyyy hh:mm AM").
  std::string ToShortText() const;
  // Parses what ToShortText and ToIso produce (and a bare date); throws platform::Error on bad text.
  static Date Parse(const std::string& text);

  friend constexpr bool operator==(Date a, Date b) { return a.s_ == b.s_; }
  friend constexpr auto operator<=>(Date a, Date b) { return a.s_ <=> b.s_; }

 private:
  int64_t s_ = 0;
};

}  // namespace platform
