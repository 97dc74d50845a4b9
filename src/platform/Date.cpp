#include "platform/Date.h"

#include <cctype>
#include <cmath>
#include <cstdio>

#include "platform/Error.h"
#include "platform/Text.h"

namespace platform {
namespace {

constexpr int64_t kSecondsPerDay = 86400;

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
constexpr int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2 ? 1 : 0;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

struct Civil {
  int64_t y;
  int m;
  int d;
};

constexpr Civil CivilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t y = yoe + era * 400;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return Civil{y + (m <= 2 ? 1 : 0), m, d};
}

// Day number of the zero date 30.12.1899 counted from 1970-01-01.
constexpr int64_t kZeroDay = DaysFromCivil(1899, 12, 30);

int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

int64_t FloorMod(int64_t a, int64_t b) { return a - FloorDiv(a, b) * b; }

bool IsLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int64_t y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Days since the zero date of a Date (floor, so times before the zero date
// belong to earlier days).
int64_t DayNumber(Date d) { return FloorDiv(d.Seconds(), kSecondsPerDay); }

Date AddMonths(Date d, int64_t months) {
  const Civil c = CivilFromDays(DayNumber(d) + kZeroDay);
  const int64_t total = c.y * 12 + (c.m - 1) + months;
  const int64_t y = FloorDiv(total, 12);
  const int m = static_cast<int>(FloorMod(total, 12)) + 1;
  const int day = std::min(c.d, DaysInMonth(y, m));
  const int64_t days = DaysFromCivil(y, m, day) - kZeroDay;
  return Date::FromSeconds(days * kSecondsPerDay + d.TimeOfDaySeconds());
}

// A small cursor over the text being parsed.
struct Scanner {
  const std::string& s;
  size_t pos = 0;

  void SkipSpaces() {
    while (pos < s.size() && std::isspace(static_cast<unsigned char>(s[pos]))) ++pos;
  }
  bool AtEnd() {
    SkipSpaces();
    return pos >= s.size();
  }
  // Reads 1..maxDigits digits; false when there is none.
  bool Number(int* value, size_t maxDigits, size_t* digits = nullptr) {
    size_t start = pos;
    int v = 0;
    while (pos < s.size() && pos - start < maxDigits && std::isdigit(static_cast<unsigned char>(s[pos])))
      v = v * 10 + (s[pos++] - '0');
    if (digits) *digits = pos - start;
    *value = v;
    return pos > start;
  }
  bool Char(char c) {
    if (pos < s.size() && s[pos] == c) {
      ++pos;
      return true;
    }
    return false;
  }
};

[[noreturn]] void BadText(const std::string& text) {
  throw Error("Date.Parse: not a date: \"" + text + "\"", 13);
}

// Reads "hh:mm[:ss][ AM|PM]" after the date part.
void ParseTime(Scanner& sc, const std::string& text, int* h, int* n, int* s) {
  *h = *n = *s = 0;
  if (sc.AtEnd()) return;
  if (!sc.Number(h, 2) || !sc.Char(':') || !sc.Number(n, 2)) BadText(text);
  if (sc.Char(':') && !sc.Number(s, 2)) BadText(text);
  sc.SkipSpaces();
  if (sc.pos < text.size()) {
    const std::string rest = Lower(text.substr(sc.pos));
    bool pm;
    if (rest == "am" || rest == "a")
      pm = false;
    else if (rest == "pm" || rest == "p")
      pm = true;
    else
      BadText(text);
    if (*h < 1 || *h > 12) BadText(text);
    if (*h == 12) *h = 0;
    if (pm) *h += 12;
    sc.pos = text.size();
  }
}

}  // namespace

Date Date::FromParts(int year, int month, int day, int hour, int minute, int second) {
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour < 0 ||
      hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "Date: invalid date or time %04d-%02d-%02d %02d:%02d:%02d", year,
                  month, day, hour, minute, second);
    throw Error(buf, 5);
  }
  const int64_t days = DaysFromCivil(year, month, day) - kZeroDay;
  return FromSeconds(days * kSecondsPerDay + hour * 3600 + minute * 60 + second);
}

Date Date::FromOle(double days) {
  if (!std::isfinite(days)) throw Error("Date.FromOle: not a finite day count", 6);
  // Before the zero date the whole part counts back and the fraction forward
  // (-1.25 is 29.12.1899 06:00).
  const double whole = std::trunc(days);
  const double fraction = std::fabs(days - whole);
  return FromSeconds(static_cast<int64_t>(whole) * kSecondsPerDay +
                     static_cast<int64_t>(std::llround(fraction * kSecondsPerDay)));
}

double Date::ToOle() const {
  const int64_t day = DayNumber(*this);
  const double fraction = static_cast<double>(TimeOfDaySeconds()) / kSecondsPerDay;
  return day >= 0 ? static_cast<double>(day) + fraction : static_cast<double>(day) - fraction;
}

int Date::Year() const { return static_cast<int>(CivilFromDays(DayNumber(*this) + kZeroDay).y); }
int Date::Month() const { return CivilFromDays(DayNumber(*this) + kZeroDay).m; }
int Date::Day() const { return CivilFromDays(DayNumber(*this) + kZeroDay).d; }
int Date::Hour() const { return static_cast<int>(TimeOfDaySeconds() / 3600); }
int Date::Minute() const { return static_cast<int>(TimeOfDaySeconds() / 60 % 60); }
int Date::Second() const { return static_cast<int>(TimeOfDaySeconds() % 60); }

int Date::Weekday() const {
  // The zero date was a Saturday (7); the day after it a Sunday (1).
  return static_cast<int>(FloorMod(DayNumber(*this) + 6, 7)) + 1;
}

Date Date::DateOnly() const { return FromSeconds(DayNumber(*this) * kSecondsPerDay); }

int64_t Date::TimeOfDaySeconds() const { return FloorMod(s_, kSecondsPerDay); }

Date Date::Add(const std::string& interval, int64_t count) const {
  const std::string i = Lower(interval);
  if (i == "s") return FromSeconds(s_ + count);
  if (i == "n") return FromSeconds(s_ + count * 60);
  if (i == "h") return FromSeconds(s_ + count * 3600);
  if (i == "d" || i == "y" || i == "w") return FromSeconds(s_ + count * kSecondsPerDay);
  if (i == "ww") return FromSeconds(s_ + count * 7 * kSecondsPerDay);
  if (i == "m") return AddMonths(*this, count);
  if (i == "q") return AddMonths(*this, count * 3);
  if (i == "yyyy") return AddMonths(*this, count * 12);
  throw Error("DateAdd: invalid interval \"" + interval + "\"", 5);
}

int64_t Date::Diff(const std::string& interval, Date other) const {
  const std::string i = Lower(interval);
  if (i == "s") return other.s_ - s_;
  if (i == "n") return FloorDiv(other.s_, 60) - FloorDiv(s_, 60);
  if (i == "h") return FloorDiv(other.s_, 3600) - FloorDiv(s_, 3600);
  const int64_t d1 = DayNumber(*this);
  const int64_t d2 = DayNumber(other);
  if (i == "d" || i == "y") return d2 - d1;
  // Whole weeks of days, truncated toward zero.
  if (i == "w") return (d2 - d1) / 7;
  // Sundays crossed: the week number counted from the Sunday after the zero date.
  if (i == "ww") return FloorDiv(d2 - 1, 7) - FloorDiv(d1 - 1, 7);
  const Civil c1 = CivilFromDays(d1 + kZeroDay);
  const Civil c2 = CivilFromDays(d2 + kZeroDay);
  if (i == "m") return (c2.y * 12 + c2.m) - (c1.y * 12 + c1.m);
  if (i == "q") return (c2.y * 4 + (c2.m - 1) / 3) - (c1.y * 4 + (c1.m - 1) / 3);
  if (i == "yyyy") return c2.y - c1.y;
  throw Error("DateDiff: invalid interval \"" + interval + "\"", 5);
}

std::string Date::ToIso() const {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", Year(), Month(), Day(), Hour(),
                Minute(), Second());
  return buf;
}

std::string Date::ToShortText() const {
  int h12 = Hour() % 12;
  if (h12 == 0) h12 = 12;
  char buf[40];
  std::snprintf(buf, sizeof buf, "%02d/%02d/%04d %02d:%02d %s", Month(), Day(), Year(), h12,
                Minute(), Hour() < 12 ? "AM" : "PM");
  return buf;
}

Date Date::Parse(const std::string& text) {
  Scanner sc{text};
  sc.SkipSpaces();
  int a = 0, b = 0, c = 0;
  size_t digitsA = 0;
  if (!sc.Number(&a, 8, &digitsA)) BadText(text);
  int year, month, day;
  if (digitsA == 8) {
    // "yyyyMMdd HH:mm:ss", the mail header form.
    year = a / 10000;
    month = a / 100 % 100;
    day = a % 100;
  } else if (digitsA == 4 && sc.Char('-')) {
    // "yyyy-mm-dd[ hh:mm:ss]" or with a "T".
    if (!sc.Number(&b, 2) || !sc.Char('-') || !sc.Number(&c, 2)) BadText(text);
    year = a;
    month = b;
    day = c;
    sc.Char('T');
  } else if (digitsA <= 2 && sc.Char('/')) {
    // "MM/dd/yyyy[ hh:mm[:ss][ AM|PM]]".
    size_t digitsC = 0;
    if (!sc.Number(&b, 2) || !sc.Char('/') || !sc.Number(&c, 4, &digitsC) || digitsC != 4)
      BadText(text);
    month = a;
    day = b;
    year = c;
  } else {
    BadText(text);
  }
  if (sc.pos < text.size() && !std::isspace(static_cast<unsigned char>(text[sc.pos])) &&
      text[sc.pos - 1] != 'T')
    BadText(text);
  int h, n, s;
  ParseTime(sc, text, &h, &n, &s);
  if (!sc.AtEnd()) BadText(text);
  try {
    return FromParts(year, month, day, h, n, s);
  } catch (const Error&) {
    BadText(text);
  }
}

}  // namespace platform
