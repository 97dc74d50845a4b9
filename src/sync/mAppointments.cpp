#include "sync/mAppointments.h"

#include <string>

#include "platform/Error.h"

namespace mAppointments {

platform::Date GetDate(bool past, long count, long unit, platform::Date now) {
  const char* interval = nullptr;
  switch (unit) {
    case UNIT_DAY: interval = "d"; break;
    case UNIT_WEEK: interval = "ww"; break;
    case UNIT_MONTH: interval = "m"; break;
    default: throw platform::Error("nUnit is not valid : " + std::to_string(unit));
  }
  return now.Add(interval, past ? -count : count);
}

}  // namespace mAppointments
