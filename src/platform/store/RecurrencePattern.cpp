#include "platform/store/RecurrencePattern.h"

#include "platform/Error.h"
#include "platform/store/Item.h"
#include "platform/store/RecurrenceRule.h"
#include "platform/store/StoreCore.h"

namespace platform {

using detail::RecurrenceData;

namespace {
constexpr int64_t kDay = 86400;

RecurrenceData& Rule(const std::shared_ptr<detail::ItemState>& master) {
  if (!master->recurrence) throw Error("the recurrence pattern was cleared");
  return *master->recurrence;
}

// Keeps PatternEndDate on the last occurrence when the series ends after a
// number of occurrences, after any change of the rule.
void Reconcile(detail::ItemState& master) {
  RecurrenceData& r = *master.recurrence;
  if (!r.noEndDate && r.occurrences > 0) {
    Date last = detail::NthOccurrenceDay(r, r.occurrences);
    if (!last.IsZero()) r.patternEnd = last;
  }
  detail::SyncMasterTimes(master);
  master.dirty = true;
}
}  // namespace

RecurrenceException::RecurrenceException(std::shared_ptr<detail::StoreCore> core,
                                         std::shared_ptr<detail::ItemState> master, Date originalDate, bool deleted)
    : core_(std::move(core)), master_(std::move(master)), originalDate_(originalDate), deleted_(deleted) {}

Item RecurrenceException::AppointmentItem() const {
  if (deleted_) return Item();
  return Item(core_, detail::MakeOccurrence(master_, originalDate_));
}

RecurrencePattern::RecurrencePattern(std::shared_ptr<detail::StoreCore> core,
                                     std::shared_ptr<detail::ItemState> master)
    : core_(std::move(core)), master_(std::move(master)) {}

OlRecurrenceType RecurrencePattern::RecurrenceType() const { return Rule(master_).type; }
void RecurrencePattern::SetRecurrenceType(OlRecurrenceType v) {
  if (v != olRecursDaily && v != olRecursWeekly && v != olRecursMonthly && v != olRecursMonthNth &&
      v != olRecursYearly && v != olRecursYearNth)
    throw Error("recurrence type " + std::to_string(static_cast<int>(v)) + " is not valid");
  Rule(master_).type = v;
  Reconcile(*master_);
}
int RecurrencePattern::Interval() const { return Rule(master_).interval; }
void RecurrencePattern::SetInterval(int v) {
  if (v < 1) throw Error("recurrence interval " + std::to_string(v) + " is not valid");
  Rule(master_).interval = v;
  Reconcile(*master_);
}
int RecurrencePattern::DayOfWeekMask() const { return Rule(master_).dayOfWeekMask; }
void RecurrencePattern::SetDayOfWeekMask(int v) {
  if (v < 0 || v > 127) throw Error("day-of-week mask " + std::to_string(v) + " is not valid");
  Rule(master_).dayOfWeekMask = v;
  Reconcile(*master_);
}
int RecurrencePattern::DayOfMonth() const { return Rule(master_).dayOfMonth; }
void RecurrencePattern::SetDayOfMonth(int v) {
  if (v < 0 || v > 31) throw Error("day of month " + std::to_string(v) + " is not valid");
  Rule(master_).dayOfMonth = v;
  Reconcile(*master_);
}
int RecurrencePattern::MonthOfYear() const { return Rule(master_).monthOfYear; }
void RecurrencePattern::SetMonthOfYear(int v) {
  if (v < 0 || v > 12) throw Error("month of year " + std::to_string(v) + " is not valid");
  Rule(master_).monthOfYear = v;
  Reconcile(*master_);
}
int RecurrencePattern::Instance() const { return Rule(master_).instance; }
void RecurrencePattern::SetInstance(int v) {
  if (v < 0 || v > 5) throw Error("recurrence instance " + std::to_string(v) + " is not valid");
  Rule(master_).instance = v;
  Reconcile(*master_);
}
bool RecurrencePattern::NoEndDate() const { return Rule(master_).noEndDate; }
void RecurrencePattern::SetNoEndDate(bool v) {
  Rule(master_).noEndDate = v;
  Reconcile(*master_);
}
int RecurrencePattern::Occurrences() const { return Rule(master_).occurrences; }
void RecurrencePattern::SetOccurrences(int v) {
  if (v < 1) throw Error("occurrence count " + std::to_string(v) + " is not valid");
  RecurrenceData& r = Rule(master_);
  r.noEndDate = false;
  r.occurrences = v;
  Reconcile(*master_);
}
Date RecurrencePattern::PatternStartDate() const { return Rule(master_).patternStart; }
void RecurrencePattern::SetPatternStartDate(Date v) {
  Rule(master_).patternStart = v.DateOnly();
  Reconcile(*master_);
}
Date RecurrencePattern::PatternEndDate() const { return Rule(master_).patternEnd; }
void RecurrencePattern::SetPatternEndDate(Date v) {
  RecurrenceData& r = Rule(master_);
  r.noEndDate = false;
  r.patternEnd = v.DateOnly();
  r.occurrences = detail::CountOccurrencesUntil(r, r.patternEnd);
  Reconcile(*master_);
}
Date RecurrencePattern::StartTime() const { return Date::FromSeconds(Rule(master_).startSeconds); }
void RecurrencePattern::SetStartTime(Date v) {
  Rule(master_).startSeconds = v.TimeOfDaySeconds();
  Reconcile(*master_);
}
Date RecurrencePattern::EndTime() const {
  const RecurrenceData& r = Rule(master_);
  return Date::FromSeconds((r.startSeconds + int64_t{r.durationMinutes} * 60) % kDay);
}
void RecurrencePattern::SetEndTime(Date v) {
  RecurrenceData& r = Rule(master_);
  int64_t seconds = v.TimeOfDaySeconds() - r.startSeconds;
  if (seconds < 0) seconds += kDay;
  r.durationMinutes = static_cast<int>(seconds / 60);
  Reconcile(*master_);
}
int RecurrencePattern::Duration() const { return Rule(master_).durationMinutes; }
void RecurrencePattern::SetDuration(int minutes) {
  if (minutes < 0) throw Error("duration " + std::to_string(minutes) + " is not valid");
  Rule(master_).durationMinutes = minutes;
  Reconcile(*master_);
}

std::vector<RecurrenceException> RecurrencePattern::Exceptions() const {
  std::vector<RecurrenceException> out;
  for (const auto& e : Rule(master_).exceptions) out.emplace_back(core_, master_, e.originalDate, e.deleted);
  return out;
}

std::vector<Date> RecurrencePattern::OccurrenceStarts(Date from, Date to, size_t limit) const {
  RecurrenceData& r = Rule(master_);
  std::vector<Date> out;
  for (Date d : detail::ExpandOccurrences(r, from, to, limit + r.exceptions.size())) {
    const detail::ExceptionData* e = detail::FindException(r, d);
    if (e && e->deleted) continue;
    out.push_back(d);
    if (out.size() == limit) break;
  }
  return out;
}

}  // namespace platform
