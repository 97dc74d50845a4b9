#pragma once
// AppointmentJson: the JSON form of appointment records, one array of
// objects, as `appt list --json` writes it and `appt import` reads it.
// Dates are local "YYYY-MM-DD HH:MM" texts (a series' "until" a bare date).
#include <string>
#include <vector>

#include "host/AppointmentRecord.h"

namespace host::AppointmentJson {

// The records as one JSON array, two-space indented, fields in a fixed order.
std::string Write(const std::vector<AppointmentRecord>& records);

// The records of a JSON array. Only "subject", "start" and "end" are
// required; the listing-only fields ("id", "owner", "item_id",
// "meeting_status", "sham_meeting") are accepted and kept; an attachment
// must name its file in "path". Throws platform::Error naming the object
// (by its position, from 1) and the field for text that is no JSON array,
// an unknown field, a value of the wrong kind or a date that does not parse.
std::vector<AppointmentRecord> Read(const std::string& text);

// "YYYY-MM-DD HH:MM", and the bare date "YYYY-MM-DD".
std::string DateTimeText(platform::Date d);
std::string DateText(platform::Date d);
// Parses "YYYY-MM-DD HH:MM" (or a bare date, taken at 00:00). Throws
// platform::Error naming the text when it is not such a date.
platform::Date ParseDateTime(const std::string& text);

}  // namespace host::AppointmentJson
