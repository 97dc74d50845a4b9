#pragma once
// RecurrenceRule: the occurrence arithmetic of a recurrence pattern and the
// making of occurrence states (internal to the store).
#include <cstddef>
#include <memory>
#include <vector>

#include "platform/Date.h"
#include "platform/store/ItemState.h"

namespace platform::detail {

// Occurrence starts (deleted ones included) in [from, to), in order, at most
// `limit`, honouring the pattern's end (Occurrences or PatternEndDate).
std::vector<Date> ExpandOccurrences(const RecurrenceData& r, Date from, Date to, size_t limit);
// The day of the nth occurrence (1-based) ignoring the pattern's end; the
// zero date when the rule yields fewer.
Date NthOccurrenceDay(const RecurrenceData& r, int n);
// Number of occurrences on days up to and including `lastDay`.
int CountOccurrencesUntil(const RecurrenceData& r, Date lastDay);
// The exception recorded for an original start, or nullptr.
ExceptionData* FindException(RecurrenceData& r, Date originalStart);
// An occurrence state of `master` for the occurrence starting at
// `originalStart`: its exception's properties when it has one, otherwise the
// master's properties moved to that start; user properties and attachments
// copied from its exception when that has its own, else from the master.
std::shared_ptr<ItemState> MakeOccurrence(const std::shared_ptr<ItemState>& master, Date originalStart);
// Moves the master's Start/End to the pattern's start date and times.
void SyncMasterTimes(ItemState& master);

}  // namespace platform::detail
