#include "exchange/mAppointmentXml.h"

#include "exchange/CXmlAppointments.h"
#include "exchange/mEnvelope.h"
#include "platform/Text.h"

namespace mAppointmentXml {

std::string BoolText(bool value) { return value ? kTrue : kFalse; }

bool TextBool(std::string_view text) {
  int n = 0;
  if (platform::ParseInt(text, n)) return n != 0;
  return platform::EqualsNoCase(platform::Trim(text), "true");
}

std::string NumberText(long long value) { return std::to_string(value); }

std::optional<int> TextNumber(std::string_view text) {
  int n = 0;
  if (!platform::ParseInt(text, n)) return std::nullopt;
  return n;
}

std::string ShiftedDateText(platform::Date local, int bias, bool allDay) {
  return mEnvelope::Date2CStr(allDay ? local : local.Add("n", bias));
}

std::optional<platform::Date> ReadDate(std::string_view text) {
  const platform::Date d = mEnvelope::CStr2Date(text);
  // The reader answers the zero date for text it cannot use; the zero date
  // itself is a value only when the text says so.
  if (d.IsZero() && text != mEnvelope::Date2CStr(platform::Date())) return std::nullopt;
  return d;
}

std::optional<platform::Date> ReadShiftedDate(std::string_view text, int bias, bool allDay) {
  std::optional<platform::Date> d = ReadDate(text);
  if (!d) return std::nullopt;
  return allDay ? *d : platform::Date::FromSeconds(d->Seconds() - static_cast<int64_t>(bias) * 60);
}

bool WriteItemHeader(CXmlAppointments& xml, const ItemHeader& h, int bias, bool exception) {
  bool ok = xml.WriteItemProp("VestrandItemID", h.strItemID);
  ok = xml.WriteItemProp("VestrandOwnerAddress", h.strOwner) && ok;
  ok = xml.WriteItemProp("VestrandGroups", h.strGroups) && ok;
  ok = xml.WriteItemProp("VestrandShamMeeting", h.strShamMet) && ok;
  ok = xml.WriteItemProp("VestrandShamMeetingRecips", h.strRecipients) && ok;
  if (!exception) ok = xml.WriteItemProp("VestrandShamMeetingUID", h.strMeetingUID) && ok;
  return xml.WriteItemProp("LastModificationTime", ShiftedDateText(h.dLastMod, bias, false)) && ok;
}

ItemHeader ReadItemHeader(const CXmlAppointments& xml, int bias) {
  ItemHeader h;
  h.strItemID = xml.ReadItemPropS("VestrandItemID");
  h.strOwner = xml.ReadItemPropS("VestrandOwnerAddress");
  h.strGroups = xml.ReadItemPropS("VestrandGroups");
  h.strShamMet = xml.ReadItemPropS("VestrandShamMeeting");
  h.strRecipients = xml.ReadItemPropS("VestrandShamMeetingRecips");
  h.strMeetingUID = xml.ReadItemPropS("VestrandShamMeetingUID");
  h.dLastMod = ReadShiftedDate(xml.ReadItemPropS("LastModificationTime"), bias, false).value_or(platform::Date());
  return h;
}

}  // namespace mAppointmentXml
