#pragma once
// AppointmentOps: appointments as the user makes them in the mail client's
// calendar - what the appointment window writes on an item, what the
// item-groups dialog stores as its groups - and an item read back as a
// record for listing. Pure store work: the add-in learns of the changes
// from the item events of the saves, as it does of the user's.
#include <optional>
#include <string>
#include <vector>

#include "host/AppointmentRecord.h"
#include "platform/Date.h"
#include "platform/store/Folder.h"
#include "platform/store/Item.h"
#include "platform/store/MailSession.h"

namespace host {

// What the user changes on an item; unset fields stay as they are.
struct AppointmentEdit {
  std::optional<std::string> subject, location, body, categories;
  std::optional<platform::Date> start, end;
  std::optional<int> minutes;  // the end as a duration from the start
  std::optional<bool> allDay, isPrivate;
  std::optional<std::string> busy;  // free, tentative, busy, oof
  // The item's group list as the item-groups dialog stores it.
  std::optional<std::string> groups;
  std::optional<RecurrenceRecord> recurrence;
  bool clearRecurrence = false;
  std::vector<std::string> attachFiles;
  // Makes the item a meeting the user organises, with these attendees.
  bool meeting = false;
  std::vector<std::string> attendees;
  // The reminder's lead time in minutes (sets the reminder).
  std::optional<int> reminder;
};

// A contact the user links to an item: "Name <address>", or a bare address.
struct ContactRef {
  std::string name;
  std::string address;
};
// Throws platform::Error naming the text when it holds no address.
ContactRef ParseContact(const std::string& text);

// Links the contact of the Contacts folder with that full name and address
// (letter case aside) to the item, in memory; a contact that does not exist
// yet is created and saved first, as the user would pick or make one.
void LinkContact(platform::MailSession& session, platform::Item& item, const ContactRef& contact);

// Takes a received meeting request into the calendar as the client's Accept
// does: the meeting's appointment, made from the request when the calendar
// has none, or brought up to the request when it has (an updated request),
// with the request's linked contacts and, when the request carries the
// reminder the sender wrote into it ("ReminderTime"), that reminder. The
// request then goes to Deleted Items. Returns the appointment. Throws
// platform::Error for an item that is no meeting request.
platform::Item AcceptMeeting(platform::Item& request);

// "daily|weekly|monthly|yearly[:INTERVAL][,count=N|,until=YYYY-MM-DD]".
// Throws platform::Error naming the text when it does not parse.
RecurrenceRecord ParseRecurrence(const std::string& text);

// The client's BusyStatus for "free", "tentative", "busy", "oof" and back.
// BusyValue throws platform::Error for any other name.
int BusyValue(const std::string& name);
std::string BusyName(int value);

// Writes the edit on the item without saving it, as the appointment window
// does; a meeting gets `organizer` as its organiser and a global object id
// of its own. Throws platform::Error (an end before the start, a file that
// cannot be read, an unknown busy name) with the item left unsaved.
void ApplyEdit(platform::Item& item, const AppointmentEdit& edit, const std::string& organizer);

// Changes or deletes the listed occurrences of a saved series (each saves
// the series). Throws platform::Error naming the date when the series has
// no occurrence there.
void ApplyExceptions(platform::Item& master, const std::vector<ExceptionRecord>& exceptions);

// The edit that makes an item of an imported record (its listing-only
// fields ignored; attachments taken from their paths).
AppointmentEdit EditOf(const AppointmentRecord& record);

// The item as a record. `me`: the owner of an item that names none.
AppointmentRecord ReadRecord(const platform::Item& item, const std::string& me);

// The appointments of a folder in order of their start; with a range, only
// those with an occurrence that overlaps [from, to).
std::vector<platform::Item> ListAppointments(const platform::Folder& folder, std::optional<platform::Date> from,
                                             std::optional<platform::Date> to);

}  // namespace host
