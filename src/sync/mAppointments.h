#pragma once
// mAppointments: the local synchronisation between the user's calendar and
// the shared folder, and the bulk passes over their items. This header holds
// the sharing-window date computation used by option loading and saving.
#include "platform/Date.h"

namespace mAppointments {

// Sharing-window units of the BackUnit / ForwardUnit options.
inline constexpr long UNIT_DAY = 1;
inline constexpr long UNIT_WEEK = 2;
inline constexpr long UNIT_MONTH = 3;

// A bound of the sharing window: `now` moved `count` units of `unit` (1 day,
// 2 week, 3 month) back when `past` is set, forward otherwise; month steps
// clamp to the month's end.
// Throws platform::Error "nUnit is not valid : <unit>" for any other unit.
platform::Date GetDate(bool past, long count, long unit, platform::Date now);

}  // namespace mAppointments
