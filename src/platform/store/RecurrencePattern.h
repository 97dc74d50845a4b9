#pragma once
// RecurrencePattern: the repetition rule of a recurring appointment (a handle
// onto its master's state; changes are saved with the master) and the list of
// its exceptions. Occurrence dates are computed from the rule, so that
// GetOccurrence and PatternEndDate/Occurrences agree with each other.
#include <memory>
#include <vector>

#include "platform/Date.h"
#include "platform/store/StoreTypes.h"

namespace platform {

namespace detail {
class StoreCore;
struct ItemState;
}  // namespace detail

class Item;

// One changed or deleted occurrence of a series.
class RecurrenceException {
 public:
  // The start the occurrence had before it was changed.
  Date OriginalDate() const { return originalDate_; }
  bool Deleted() const { return deleted_; }
  // The changed occurrence with its own properties; Nothing when Deleted().
  Item AppointmentItem() const;

  RecurrenceException(std::shared_ptr<detail::StoreCore> core, std::shared_ptr<detail::ItemState> master,
                      Date originalDate, bool deleted);

 private:
  std::shared_ptr<detail::StoreCore> core_;
  std::shared_ptr<detail::ItemState> master_;
  Date originalDate_;
  bool deleted_ = false;
};

class RecurrencePattern {
 public:
  OlRecurrenceType RecurrenceType() const;
  void SetRecurrenceType(OlRecurrenceType v);
  // Days (daily), weeks (weekly), months (monthly, month-nth) or years
  // (yearly, year-nth) between occurrences; at least 1.
  int Interval() const;
  void SetInterval(int v);
  int DayOfWeekMask() const;  // OlDaysOfWeek bits
  void SetDayOfWeekMask(int v);
  int DayOfMonth() const;
  void SetDayOfMonth(int v);
  int MonthOfYear() const;
  void SetMonthOfYear(int v);
  int Instance() const;  // 1-4, 5 = last
  void SetInstance(int v);
  bool NoEndDate() const;
  void SetNoEndDate(bool v);
  // Setting Occurrences clears NoEndDate and moves PatternEndDate to the
  // last occurrence; setting PatternEndDate clears NoEndDate and recounts
  // Occurrences.
  int Occurrences() const;
  void SetOccurrences(int v);
  Date PatternStartDate() const;  // a date without time
  void SetPatternStartDate(Date v);
  Date PatternEndDate() const;
  void SetPatternEndDate(Date v);
  // Times of day of each occurrence (date part is the zero date); setting
  // them moves the master's Start/End as the client does.
  Date StartTime() const;
  void SetStartTime(Date v);
  Date EndTime() const;
  void SetEndTime(Date v);
  int Duration() const;  // minutes
  void SetDuration(int minutes);

  std::vector<RecurrenceException> Exceptions() const;
  // The starts of the occurrences (deleted ones left out, changed ones at
  // their original start) that begin in [from, to), in order; at most `limit`.
  std::vector<Date> OccurrenceStarts(Date from, Date to, size_t limit = 10000) const;

  RecurrencePattern(std::shared_ptr<detail::StoreCore> core, std::shared_ptr<detail::ItemState> master);

 private:
  std::shared_ptr<detail::StoreCore> core_;
  std::shared_ptr<detail::ItemState> master_;
};

}  // namespace platform
