#include "host/AppointmentOps.h"

#include <algorithm>
#include <random>

#include "host/AppointmentJson.h"
#include "platform/Digest.h"
#include "platform/Error.h"
#include "platform/Text.h"
#include "platform/store/Attachments.h"
#include "platform/store/Folder.h"
#include "platform/store/Items.h"
#include "platform/store/Links.h"
#include "platform/store/Recipients.h"
#include "platform/store/RecurrencePattern.h"
#include "platform/store/UserProperties.h"

namespace host {

using platform::Date;
using platform::Item;

namespace {

// The item's group list; the same name the add-in reads.
constexpr const char* kGroupsProperty = "VestrandGroups";

const std::vector<std::pair<std::string, platform::OlRecurrenceType>> kRecurrenceTypes = {
    {"daily", platform::olRecursDaily},       {"weekly", platform::olRecursWeekly},
    {"monthly", platform::olRecursMonthly},   {"monthnth", platform::olRecursMonthNth},
    {"yearly", platform::olRecursYearly},     {"yearnth", platform::olRecursYearNth}};

const std::vector<std::string> kBusyNames = {"free", "tentative", "busy", "oof"};

platform::OlRecurrenceType RecurrenceType(const std::string& name) {
  for (const auto& [n, t] : kRecurrenceTypes)
    if (n == name) return t;
  throw platform::Error("\"" + name + "\" is no recurrence (daily, weekly, monthly, yearly)");
}

std::string RecurrenceName(platform::OlRecurrenceType type) {
  for (const auto& [n, t] : kRecurrenceTypes)
    if (t == type) return n;
  return std::to_string(static_cast<int>(type));
}

std::string Property(const Item& item, const std::string& name) {
  platform::UserProperty p = item.UserProperties().Find(name);
  return p ? p.Value() : "";
}

// A meeting's global object id as the client makes one: its fixed class
// prefix, then bytes of its own.
platform::Bytes NewGlobalObjectID() {
  platform::Bytes id = {0x04, 0x00, 0x00, 0x00, 0x82, 0x00, 0xE0, 0x00, 0x74, 0xC5, 0xB7, 0x10, 0x1A, 0x82, 0xE0, 0x08};
  id.resize(id.size() + 20, 0);
  id.push_back(16);
  id.push_back(0);
  id.push_back(0);
  id.push_back(0);
  std::random_device rd;
  for (int i = 0; i < 16; ++i) id.push_back(static_cast<uint8_t>(rd()));
  return id;
}

void SetPattern(Item& item, const RecurrenceRecord& r) {
  const Date start = item.Start();
  platform::RecurrencePattern p = item.GetRecurrencePattern();
  const platform::OlRecurrenceType type = RecurrenceType(r.type);
  p.SetRecurrenceType(type);
  const int weekday = 1 << (start.Weekday() - 1);
  switch (type) {
    case platform::olRecursDaily: p.SetDayOfWeekMask(0); break;  // every day, not every weekday
    case platform::olRecursWeekly: p.SetDayOfWeekMask(weekday); break;
    case platform::olRecursMonthly: p.SetDayOfMonth(start.Day()); break;
    case platform::olRecursYearly:
      p.SetDayOfMonth(start.Day());
      p.SetMonthOfYear(start.Month());
      break;
    case platform::olRecursMonthNth:
    case platform::olRecursYearNth:
      p.SetDayOfWeekMask(weekday);
      p.SetInstance((start.Day() - 1) / 7 + 1);
      if (type == platform::olRecursYearNth) p.SetMonthOfYear(start.Month());
      break;
    default: break;
  }
  p.SetPatternStartDate(start.DateOnly());
  p.SetInterval(r.interval);
  if (r.count) {
    p.SetOccurrences(*r.count);
  } else if (r.until) {
    if (r.until->DateOnly() < start.DateOnly()) throw platform::Error("the series ends before it starts");
    p.SetPatternEndDate(r.until->DateOnly());
  } else {
    p.SetNoEndDate(true);
  }
}

bool Overlaps(const Item& item, Date from, Date to) {
  const Date start = item.Start(), end = item.End();
  if (!item.IsRecurring()) return start < to && (end > from || (end == start && start >= from));
  const int64_t duration = end.Seconds() - start.Seconds();
  return !item.GetRecurrencePattern()
              .OccurrenceStarts(Date::FromSeconds(from.Seconds() - duration + (duration > 0 ? 1 : 0)), to, 1)
              .empty();
}

}  // namespace

RecurrenceRecord ParseRecurrence(const std::string& text) {
  auto bad = [&](const std::string& why) {
    return platform::Error("--recur \"" + text + "\": " + why +
                           " (daily|weekly|monthly|yearly[:INTERVAL][,count=N|,until=YYYY-MM-DD])");
  };
  RecurrenceRecord r;
  std::string head = text, end;
  if (size_t comma = text.find(','); comma != std::string::npos) {
    head = text.substr(0, comma);
    end = text.substr(comma + 1);
  }
  std::string type = head;
  if (size_t colon = head.find(':'); colon != std::string::npos) {
    type = head.substr(0, colon);
    const std::string n = head.substr(colon + 1);
    if (n.empty() || n.size() > 3 || !std::all_of(n.begin(), n.end(), ::isdigit) || std::stoi(n) < 1)
      throw bad("the interval is no number from 1 to 999");
    r.interval = std::stoi(n);
  }
  try {
    RecurrenceType(type);
  } catch (const platform::Error&) {
    throw bad("unknown kind \"" + type + "\"");
  }
  r.type = type;
  if (end.rfind("count=", 0) == 0) {
    const std::string n = end.substr(6);
    if (n.empty() || n.size() > 3 || !std::all_of(n.begin(), n.end(), ::isdigit) || std::stoi(n) < 1)
      throw bad("the count is no number from 1 to 999");
    r.count = std::stoi(n);
  } else if (end.rfind("until=", 0) == 0) {
    try {
      r.until = AppointmentJson::ParseDateTime(end.substr(6));
    } catch (const platform::Error& e) {
      throw bad(e.what());
    }
  } else if (!end.empty()) {
    throw bad("the end is neither count=N nor until=DATE");
  }
  return r;
}

int BusyValue(const std::string& name) {
  for (size_t i = 0; i < kBusyNames.size(); ++i)
    if (kBusyNames[i] == name) return static_cast<int>(i);
  throw platform::Error("\"" + name + "\" is no busy status (free, tentative, busy, oof)");
}

std::string BusyName(int value) {
  return value >= 0 && value < static_cast<int>(kBusyNames.size()) ? kBusyNames[static_cast<size_t>(value)]
                                                                   : std::to_string(value);
}

void ApplyEdit(Item& item, const AppointmentEdit& e, const std::string& organizer) {
  if (e.subject) item.SetSubject(*e.subject);
  if (e.allDay) item.SetAllDayEvent(*e.allDay);
  if (e.start) item.SetStart(*e.start);  // keeps the duration
  if (e.end) item.SetEnd(*e.end);
  if (e.minutes) item.SetDuration(*e.minutes);
  if (item.AllDayEvent() && (e.allDay || e.start || e.end)) {
    // An all-day event runs from midnight to midnight, at least one day.
    const Date start = item.Start().DateOnly();
    Date end = item.End().TimeOfDaySeconds() ? item.End().DateOnly().Add("d", 1) : item.End().DateOnly();
    if (end <= start) end = start.Add("d", 1);
    item.SetStart(start);
    item.SetEnd(end);
  }
  if (item.End() < item.Start()) throw platform::Error("the appointment ends before it starts");
  if (e.location) item.SetLocation(*e.location);
  if (e.body) item.SetBody(*e.body);
  if (e.categories) item.SetCategories(*e.categories);
  if (e.busy) item.SetBusyStatus(BusyValue(*e.busy));
  if (e.isPrivate) item.SetSensitivity(*e.isPrivate ? 2 : 0);
  if (e.groups) {
    platform::UserProperty p = item.UserProperties().Find(kGroupsProperty);
    if (!p) p = item.UserProperties().Add(kGroupsProperty);
    p.SetValue(*e.groups);
  }
  if (e.clearRecurrence && item.IsRecurring()) item.ClearRecurrencePattern();
  if (e.recurrence) SetPattern(item, *e.recurrence);
  for (const std::string& file : e.attachFiles) item.Attachments().Add(file);
  if (e.meeting) {
    if (item.MeetingStatus() == platform::olNonMeeting) item.SetMeetingStatus(platform::olMeeting);
    if (item.GlobalObjectID().empty()) item.SetGlobalObjectID(NewGlobalObjectID());
    item.Set("Organizer", organizer);
  }
  for (const std::string& a : e.attendees) item.Recipients().Add(a, "", platform::olRequired);
  if (e.reminder) {
    if (*e.reminder < 0) throw platform::Error("a reminder cannot come after the start");
    item.SetReminderSet(true);
    item.SetReminderMinutesBeforeStart(*e.reminder);
  }
}

ContactRef ParseContact(const std::string& text) {
  ContactRef c;
  const size_t open = text.rfind('<');
  if (open != std::string::npos && text.back() == '>') {
    c.name = platform::Trim(text.substr(0, open));
    c.address = platform::Trim(text.substr(open + 1, text.size() - open - 2));
  } else {
    c.address = platform::Trim(text);
  }
  if (c.address.empty() || c.address.find('@') == std::string::npos)
    throw platform::Error("\"" + text + "\" names no contact: give \"Name <address>\"");
  if (c.name.empty()) c.name = c.address;
  return c;
}

void LinkContact(platform::MailSession& session, Item& item, const ContactRef& contact) {
  platform::Folder contacts = session.GetDefaultFolder(platform::olFolderContacts);
  Item found;
  for (const Item& c : contacts.Items().All()) {
    if (c.Class() == platform::olContact && platform::EqualsNoCase(c.FullName(), contact.name) &&
        platform::EqualsNoCase(c.Email1Address(), contact.address)) {
      found = c;
      break;
    }
  }
  if (!found) {
    found = contacts.Items().Add(platform::olContactItem);
    found.Set("FullName", contact.name);
    found.Set("Email1Address", contact.address);
    found.Save();
  }
  item.Links().Add(found);
}

Item AcceptMeeting(Item& request) {
  if (!request || request.Class() != platform::olMeetingRequest) throw platform::Error("this is no meeting request");
  Item appointment = request.GetAssociatedAppointment(false);
  if (appointment) {
    for (const char* name : {"Subject", "Start", "End", "AllDayEvent", "Location", "Body", "Organizer",
                             "BusyStatus", "Sensitivity", "Importance", "Categories"})
      appointment.Set(name, request.Get(name));
    platform::Links links = appointment.Links();
    while (links.Count() > 0) links.Remove(links.Count());
    platform::Links given = request.Links();
    for (int i = 1; i <= given.Count(); ++i) links.Add(given.Item(i));
  } else {
    appointment = request.GetAssociatedAppointment(true);
  }
  int minutes = 0;
  if (platform::ParseInt(Property(request, "ReminderTime"), minutes) && minutes >= 0) {
    appointment.SetReminderSet(true);
    appointment.SetReminderMinutesBeforeStart(minutes);
  }
  if (!appointment.Saved()) appointment.Save();
  request.Delete();
  return appointment;
}

void ApplyExceptions(Item& master, const std::vector<ExceptionRecord>& exceptions) {
  for (const ExceptionRecord& x : exceptions) {
    Item occ;
    try {
      occ = master.GetOccurrence(x.original);
    } catch (const platform::Error&) {
      throw platform::Error("the series \"" + master.Subject() + "\" has no occurrence at " +
                            AppointmentJson::DateTimeText(x.original));
    }
    if (x.deleted) {
      occ.Delete();
      continue;
    }
    if (x.subject) occ.SetSubject(*x.subject);
    if (x.start) occ.SetStart(*x.start);
    if (x.end) occ.SetEnd(*x.end);
    occ.Save();
  }
}

AppointmentEdit EditOf(const AppointmentRecord& r) {
  AppointmentEdit e;
  e.subject = r.subject;
  e.allDay = r.all_day;
  e.start = r.start;
  e.end = r.end;
  e.busy = r.busy;
  e.isPrivate = r.is_private;
  e.location = r.location;
  e.body = r.body;
  e.categories = r.categories;
  if (!r.groups.empty()) e.groups = r.groups;
  e.recurrence = r.recurrence;
  for (const AttachmentRecord& a : r.attachments) e.attachFiles.push_back(a.path);
  return e;
}

AppointmentRecord ReadRecord(const Item& item, const std::string& me) {
  AppointmentRecord r;
  r.id = item.EntryID();
  r.subject = item.Subject();
  r.start = item.Start();
  r.end = item.End();
  r.all_day = item.AllDayEvent();
  r.busy = BusyName(item.BusyStatus());
  r.is_private = item.Sensitivity() == 2;
  r.location = item.Location();
  r.body = item.Body();
  r.categories = item.Categories();
  r.groups = Property(item, kGroupsProperty);
  r.owner = Property(item, "VestrandOwnerAddress");
  if (r.owner.empty()) r.owner = me;
  r.item_id = Property(item, "VestrandItemID");
  r.meeting_status = item.MeetingStatus();
  r.sham_meeting = Property(item, "VestrandShamMeeting");
  platform::Links links = item.Links();
  for (int i = 1; i <= links.Count(); ++i) r.contacts += (i > 1 ? ";" : "") + links.Item(i).Name;
  if (item.ReminderSet()) r.reminder = item.ReminderMinutesBeforeStart();
  platform::Attachments atts = item.Attachments();
  for (int i = 1; i <= atts.Count(); ++i) {
    platform::Attachment a = atts.Item(i);
    AttachmentRecord ar;
    ar.name = a.FileName();
    ar.size = static_cast<int64_t>(a.Size());
    if (a.Type() == platform::olByValue) ar.sha256 = platform::Digest::Sha256Hex(a.Data());
    r.attachments.push_back(ar);
  }
  if (item.IsRecurring() && item.RecurrenceState() == platform::olApptMaster) {
    platform::RecurrencePattern p = item.GetRecurrencePattern();
    RecurrenceRecord rr;
    rr.type = RecurrenceName(p.RecurrenceType());
    rr.interval = p.Interval();
    if (!p.NoEndDate()) {
      rr.count = p.Occurrences();
      rr.until = p.PatternEndDate();
    }
    r.recurrence = rr;
    for (const platform::RecurrenceException& x : p.Exceptions()) {
      ExceptionRecord er;
      er.original = x.OriginalDate();
      er.deleted = x.Deleted();
      if (!er.deleted) {
        Item occ = x.AppointmentItem();
        er.subject = occ.Subject();
        er.start = occ.Start();
        er.end = occ.End();
      }
      r.exceptions.push_back(er);
    }
  }
  return r;
}

std::vector<Item> ListAppointments(const platform::Folder& folder, std::optional<Date> from, std::optional<Date> to) {
  platform::Items items = folder.Items();
  items.Sort("[Start]");
  const Date lo = from.value_or(Date::FromSeconds(INT64_MIN / 2));
  const Date hi = to.value_or(Date::FromSeconds(INT64_MAX / 2));
  std::vector<Item> out;
  for (const Item& item : items.All()) {
    if (item.Class() != platform::olAppointment) continue;
    if ((from || to) && !Overlaps(item, lo, hi)) continue;
    out.push_back(item);
  }
  return out;
}

}  // namespace host
