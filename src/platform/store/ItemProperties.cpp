#include "platform/store/ItemProperties.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Error.h"
#include "platform/NameIndex.h"
#include "platform/Text.h"

namespace platform::detail {

namespace {

using K = PropKind;
using S = PropSource;

const std::array kProps = {
    PropInfo{"Subject", K::Text},
    PropInfo{"Body", K::Text},
    PropInfo{"Start", K::Date},
    PropInfo{"End", K::Date},
    PropInfo{"Duration", K::Int, S::Duration},
    PropInfo{"AllDayEvent", K::Bool},
    PropInfo{"BusyStatus", K::Int},
    PropInfo{"Sensitivity", K::Int},
    PropInfo{"Importance", K::Int},
    PropInfo{"Categories", K::Text},
    PropInfo{"Companies", K::Text},
    PropInfo{"Location", K::Text},
    PropInfo{"Mileage", K::Text},
    PropInfo{"BillingInformation", K::Text},
    PropInfo{"MeetingStatus", K::Int},
    PropInfo{"ReminderSet", K::Bool},
    PropInfo{"ReminderMinutesBeforeStart", K::Int},
    PropInfo{"UnRead", K::Bool},
    PropInfo{"Saved", K::Bool, S::Saved, true},
    PropInfo{"LastModificationTime", K::Date, S::Stored, true},
    PropInfo{"CreationTime", K::Date, S::Stored, true},
    PropInfo{"ReplyTime", K::Date},
    PropInfo{"ResponseRequested", K::Bool},
    PropInfo{"ConferenceServerAllowExternal", K::Bool},
    PropInfo{"ConferenceServerPassword", K::Text},
    PropInfo{"NetMeetingAutoStart", K::Bool},
    PropInfo{"NetMeetingDocPathName", K::Text},
    PropInfo{"NetMeetingOrganizerAlias", K::Text},
    PropInfo{"NetMeetingServer", K::Text},
    PropInfo{"NetMeetingType", K::Int},
    PropInfo{"NetShowURL", K::Text},
    PropInfo{"NoAging", K::Bool},
    PropInfo{"InternetCodepage", K::Int},
    PropInfo{"MarkForDownload", K::Int},
    PropInfo{"IsOnlineMeeting", K::Bool},
    PropInfo{"IsRecurring", K::Bool, S::IsRecurring, true},
    PropInfo{"RecurrenceState", K::Int, S::RecurrenceState, true},
    PropInfo{"GlobalObjectID", K::Bytes},
    PropInfo{"Organizer", K::Text},
    PropInfo{"To", K::Text, S::RecipientsOfType, false, olTo},
    PropInfo{"CC", K::Text, S::RecipientsOfType, false, olCC},
    PropInfo{"BCC", K::Text, S::RecipientsOfType, false, olBCC},
    PropInfo{"RequiredAttendees", K::Text, S::RecipientsOfType, false, olRequired},
    PropInfo{"OptionalAttendees", K::Text, S::RecipientsOfType, false, olOptional},
    PropInfo{"Resources", K::Text, S::RecipientsOfType, false, olResource},
    PropInfo{"SenderEmailAddress", K::Text},
    PropInfo{"SenderName", K::Text},
    PropInfo{"InternetMessageID", K::Text},
    PropInfo{"ReceivedTime", K::Date},
    PropInfo{"SentOn", K::Date},
    PropInfo{"FullName", K::Text},
    PropInfo{"Email1Address", K::Text},
    PropInfo{"Contacts", K::Text},
    PropInfo{"EntryID", K::Text, S::EntryID, true},
    PropInfo{"MessageClass", K::Text},
    PropInfo{"Class", K::Int, S::Class, true},
};

}  // namespace

const PropInfo* FindProperty(std::string_view name) {
  // Every property read and write looks its name up: the index by exact
  // name answers the usual spelling at once, the scan any other letter case.
  static const NameIndex byName = [] {
    std::vector<std::string_view> names;
    for (const auto& p : kProps) names.push_back(p.name);
    return NameIndex(names);
  }();
  if (const auto i = byName.Find(name)) return &kProps[*i];
  for (const auto& p : kProps) {
    if (EqualsNoCase(name, p.name)) return &p;
  }
  return nullptr;
}

size_t StoredNumber(const PropInfo& info) {
  // Looked up once for the whole table: a read or write of a property then
  // finds its value by number without a second search by name.
  static const auto numbers = [] {
    std::array<size_t, kProps.size()> n{};
    for (size_t i = 0; i < kProps.size(); ++i) n[i] = PropNumber(kProps[i].name);
    return n;
  }();
  return numbers[static_cast<size_t>(&info - kProps.data())];
}

PropValue DefaultValue(const PropInfo& info, OlObjectClass cls) {
  const std::string_view n = info.name;
  switch (info.kind) {
    case K::Text:
      if (n == "MessageClass") return DefaultMessageClass(cls);
      return std::string();
    case K::Int:
      if (n == "BusyStatus") return int64_t{cls == olAppointment ? 2 : 0};
      if (n == "Importance") return int64_t{1};
      if (n == "ReminderMinutesBeforeStart") return int64_t{15};
      return int64_t{0};
    case K::Bool:
      if (n == "ResponseRequested") return true;
      return false;
    case K::Double:
      return 0.0;
    case K::Date:
      return Date();
    case K::Bytes:
      return Bytes();
  }
  return std::monostate();
}

std::string DefaultMessageClass(OlObjectClass cls) {
  switch (cls) {
    case olAppointment: return "IPM.Appointment";
    case olContact: return "IPM.Contact";
    case olMail: return "IPM.Note";
    case olMeetingRequest: return "IPM.Schedule.Meeting.Request";
    case olMeetingCancellation: return "IPM.Schedule.Meeting.Canceled";
    case olMeetingResponseNegative: return "IPM.Schedule.Meeting.Resp.Neg";
    case olMeetingResponsePositive: return "IPM.Schedule.Meeting.Resp.Pos";
    case olMeetingResponseTentative: return "IPM.Schedule.Meeting.Resp.Tent";
  }
  throw Error("unknown item class " + std::to_string(static_cast<int>(cls)));
}

PropValue StoredOrDefault(const PropMap& props, const PropInfo& info, OlObjectClass cls) {
  const PropValue* v = props.FindNumber(StoredNumber(info));
  return v ? *v : DefaultValue(info, cls);
}

PropValue CheckKind(const PropInfo& info, PropValue value) {
  bool ok = false;
  switch (info.kind) {
    case K::Text: ok = std::holds_alternative<std::string>(value); break;
    case K::Int: ok = std::holds_alternative<int64_t>(value); break;
    case K::Bool: ok = std::holds_alternative<bool>(value); break;
    case K::Date: ok = std::holds_alternative<Date>(value); break;
    case K::Bytes: ok = std::holds_alternative<Bytes>(value); break;
    case K::Double:
      if (const auto* i = std::get_if<int64_t>(&value)) return static_cast<double>(*i);
      ok = std::holds_alternative<double>(value);
      break;
  }
  if (!ok) throw Error(std::string("item property \"") + info.name + "\": value of the wrong type");
  return value;
}

}  // namespace platform::detail
