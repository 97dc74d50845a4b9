#pragma once
// MeetingCalendar: the calendar part of a meeting-request mail. A meeting
// request travels as an ordinary MIME mail - subject and body as the request
// shows them, the attendees as its To recipients - with one more part,
// "meeting.ics" of type text/calendar, holding an iCalendar (RFC 5545)
// VCALENDAR with METHOD:REQUEST and one VEVENT: UID (the meeting's global
// object id in hex), DTSTART/DTEND (local floating times, or dates for an
// all-day meeting), SUMMARY, LOCATION, CATEGORIES, CLASS, ORGANIZER,
// ATTENDEE lines, X-ZENTABO-BUSYSTATUS and, when the reminder is set, a
// VALARM whose TRIGGER is the lead time. The receiver turns the part back
// into a meeting-request item; the part itself is not kept as an attachment.
#include <string>

#include "platform/store/Item.h"

namespace platform {

class MeetingCalendar {
 public:
  static constexpr const char* kFileName = "meeting.ics";
  static constexpr const char* kMediaType = "text/calendar";

  // The calendar text of a meeting request item (class 53), CRLF lines.
  // organizer: the sender's address and display name. Throws
  // platform::Error for an item that is no meeting request.
  static std::string Write(const Item& request, const std::string& organizerAddress,
                           const std::string& organizerName);

  // Writes the meeting's fields of a calendar text onto an unsaved meeting
  // request item (times, subject, location, categories, sensitivity, busy
  // status, reminder, global object id, organizer, attendees as recipients
  // of type To). Throws platform::Error when the text holds no VEVENT of a
  // REQUEST, or its UID or DTSTART is missing or malformed; the item may
  // then be half written and must be dropped.
  static void Read(const std::string& text, Item& request);
};

}  // namespace platform
