#pragma once
// AppointmentRecord: one appointment as the host's appointment commands show
// it (appt list) and take it in bulk (appt import) - plain values, apart
// from the store that holds the item and from the JSON that carries it.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Date.h"

namespace host {

struct AttachmentRecord {
  std::string name;    // the file name
  int64_t size = 0;    // bytes
  std::string sha256;  // lower-case hex of the bytes
  std::string path;    // import only: the file to attach
};

struct RecurrenceRecord {
  std::string type = "weekly";  // daily, weekly, monthly, monthnth, yearly, yearnth
  int interval = 1;
  // The end of the series: a number of occurrences or a last date; neither
  // means no end. Listing gives both for an ended series (they agree);
  // import takes the count when both are there.
  std::optional<int> count;
  std::optional<platform::Date> until;
};

// One changed or deleted occurrence of a series.
struct ExceptionRecord {
  platform::Date original;  // the start the occurrence had
  bool deleted = false;
  // The changed occurrence's values (unset: as the series has them).
  std::optional<std::string> subject;
  std::optional<platform::Date> start, end;
};

struct AppointmentRecord {
  std::string id;  // the entry id (listing only)
  std::string subject;
  platform::Date start, end;
  bool all_day = false;
  std::string busy = "busy";  // free, tentative, busy, oof
  bool is_private = false;
  std::string location, body, categories;
  std::string groups;   // the item's group list as the add-in keeps it
  std::string owner;    // listing only: the owner's address
  std::string item_id;  // listing only: the group-wide item id
  int meeting_status = 0;     // listing only
  std::string sham_meeting;   // listing only: the meeting status a copy remembers
  std::string contacts;       // listing only: the linked contacts' names, joined by ";"
  std::optional<int> reminder;  // listing only: the reminder's lead time when it is set
  std::vector<AttachmentRecord> attachments;
  std::optional<RecurrenceRecord> recurrence;
  std::vector<ExceptionRecord> exceptions;
};

}  // namespace host
