#include "platform/store/RecurrenceRule.h"

#include <functional>

namespace platform::detail {

namespace {

constexpr int64_t kDay = 86400;
// Far enough for any calendar; stops rules that can never match.
constexpr int kMaxPeriods = 100000;

Date AddDays(Date d, int64_t n) { return Date::FromSeconds(d.Seconds() + n * kDay); }

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : kDays[m - 1];
}

// The `instance`th day (5 = last) of month y/m whose weekday is in `mask`.
Date NthInMonth(int y, int m, int mask, int instance) {
  std::vector<Date> days;
  for (int d = 1, n = DaysInMonth(y, m); d <= n; ++d) {
    Date day = Date::FromParts(y, m, d);
    if (mask & (1 << (day.Weekday() - 1))) days.push_back(day);
  }
  if (days.empty()) return Date();
  if (instance >= 5 || instance > static_cast<int>(days.size())) return days.back();
  return days[static_cast<size_t>(std::max(instance, 1) - 1)];
}

// Calls fn for every occurrence day from the pattern start on, in order,
// until fn returns false.
void ForEachDay(const RecurrenceData& r, const std::function<bool(Date)>& fn) {
  const Date start = r.patternStart.DateOnly();
  const int interval = std::max(r.interval, 1);
  const int startMask = 1 << (start.Weekday() - 1);
  const int mask = r.dayOfWeekMask != 0 ? r.dayOfWeekMask : startMask;
  const int y0 = start.Year();
  const int m0 = start.Month();
  switch (r.type) {
    case olRecursDaily:
      for (int k = 0; k < kMaxPeriods * 7; ++k) {
        if (r.dayOfWeekMask != 0) {  // "every weekday": each day of the mask
          Date d = AddDays(start, k);
          if ((r.dayOfWeekMask & (1 << (d.Weekday() - 1))) && !fn(d)) return;
        } else if (!fn(AddDays(start, int64_t{k} * interval))) {
          return;
        }
      }
      return;
    case olRecursWeekly: {
      const Date weekStart = AddDays(start, -(start.Weekday() - 1));
      for (int w = 0; w < kMaxPeriods; w += interval)
        for (int i = 0; i < 7; ++i) {
          Date d = AddDays(weekStart, int64_t{w} * 7 + i);
          if (d < start || !(mask & (1 << i))) continue;
          if (!fn(d)) return;
        }
      return;
    }
    case olRecursMonthly:
    case olRecursMonthNth:
    case olRecursYearly:
    case olRecursYearNth: {
      const bool yearly = r.type == olRecursYearly || r.type == olRecursYearNth;
      const bool nth = r.type == olRecursMonthNth || r.type == olRecursYearNth;
      const int step = yearly ? 12 * interval : interval;
      const int month0 = yearly && r.monthOfYear >= 1 && r.monthOfYear <= 12 ? r.monthOfYear : m0;
      const int dayOfMonth = r.dayOfMonth > 0 ? r.dayOfMonth : start.Day();
      for (int k = 0; k < kMaxPeriods; k += step) {
        int idx = (month0 - 1) + k;
        int y = y0 + idx / 12;
        int m = idx % 12 + 1;
        Date d = nth ? NthInMonth(y, m, mask, r.instance) : Date::FromParts(y, m, std::min(dayOfMonth, DaysInMonth(y, m)));
        if (d.IsZero() || d < start) continue;
        if (!fn(d)) return;
      }
      return;
    }
  }
}

}  // namespace

std::vector<Date> ExpandOccurrences(const RecurrenceData& r, Date from, Date to, size_t limit) {
  std::vector<Date> out;
  if (limit == 0) return out;
  int count = 0;
  ForEachDay(r, [&](Date day) {
    if (!r.noEndDate) {
      if (r.occurrences > 0 ? count >= r.occurrences : day > r.patternEnd.DateOnly()) return false;
    }
    ++count;
    Date s = Date::FromSeconds(day.Seconds() + r.startSeconds);
    if (s >= to) return false;
    if (s >= from) out.push_back(s);
    return out.size() < limit;
  });
  return out;
}

Date NthOccurrenceDay(const RecurrenceData& r, int n) {
  Date found;
  int count = 0;
  ForEachDay(r, [&](Date day) {
    if (++count < n) return true;
    found = day;
    return false;
  });
  return found;
}

int CountOccurrencesUntil(const RecurrenceData& r, Date lastDay) {
  int count = 0;
  ForEachDay(r, [&](Date day) {
    if (day > lastDay.DateOnly()) return false;
    ++count;
    return true;
  });
  return count;
}

ExceptionData* FindException(RecurrenceData& r, Date originalStart) {
  for (auto& e : r.exceptions)
    if (e.originalDate == originalStart) return &e;
  return nullptr;
}

std::shared_ptr<ItemState> MakeOccurrence(const std::shared_ptr<ItemState>& master, Date originalStart) {
  auto st = std::make_shared<ItemState>();
  st->master = master;
  st->originalDate = originalStart;
  st->cls = master->cls;
  st->folderId = master->folderId;
  st->id = master->id;
  st->dirty = false;
  ExceptionData* e = FindException(*master->recurrence, originalStart);
  const bool own = e && !e->deleted && e->ownParts;
  st->userProps = CopyParts(own ? e->userProps : master->userProps);
  st->attachments = CopyParts(own ? e->attachments : master->attachments);
  if (e && !e->deleted) {
    st->props = e->props;
  } else {
    st->props = master->props;
    st->props["Start"] = originalStart;
    st->props["End"] = Date::FromSeconds(originalStart.Seconds() + int64_t{master->recurrence->durationMinutes} * 60);
  }
  return st;
}

void SyncMasterTimes(ItemState& master) {
  const RecurrenceData& r = *master.recurrence;
  Date start = Date::FromSeconds(r.patternStart.DateOnly().Seconds() + r.startSeconds);
  master.props["Start"] = start;
  master.props["End"] = Date::FromSeconds(start.Seconds() + int64_t{r.durationMinutes} * 60);
}

}  // namespace platform::detail
