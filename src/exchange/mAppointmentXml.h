#pragma once
// mAppointmentXml: the value encodings of the appointment document and the
// item header that starts every item. Booleans travel as "-1"/"0", numbers as
// decimal text, dates as the 17-character "yyyyMMdd HH:mm:ss" text; most
// dates of an item are shifted to universal time by the time-zone bias
// (universal = local + bias minutes) so that members in other zones see the
// same instant, but an all-day item's dates stay local midnight, which is
// what "all day" means wherever the reader is.
#include <optional>
#include <string>
#include <string_view>

#include "platform/Date.h"

class CXmlAppointments;

namespace mAppointmentXml {

inline constexpr const char* kTrue = "-1";
inline constexpr const char* kFalse = "0";

std::string BoolText(bool value);
// True for "-1" and any other non-zero number, and for "True" in any case;
// false for everything else (the empty text too).
bool TextBool(std::string_view text);

std::string NumberText(long long value);
// The number, or nullopt for a text that is no whole number.
std::optional<int> TextNumber(std::string_view text);

// A date's text shifted by `bias` minutes, or unshifted when `allDay`.
std::string ShiftedDateText(platform::Date local, int bias, bool allDay);
// The local date of a shifted text (the inverse of ShiftedDateText); nullopt
// (logged by the date reader) when the text is no 17-character date.
std::optional<platform::Date> ReadShiftedDate(std::string_view text, int bias, bool allDay);
// An unshifted date text's date; nullopt (logged) when it does not parse.
std::optional<platform::Date> ReadDate(std::string_view text);

// The fields that head every item of the document, in this order.
struct ItemHeader {
  std::string strItemID;
  std::string strOwner;
  std::string strGroups;
  std::string strShamMet;
  std::string strRecipients;  // "VestrandShamMeetingRecips"
  std::string strMeetingUID;
  platform::Date dLastMod;    // local; written shifted, never by the all-day rule
};

// Appends the header to the current item: all seven fields, or for an
// exception's nested item the six without the meeting UID. Returns false
// (logged by the document) when the document refused an element.
bool WriteItemHeader(CXmlAppointments& xml, const ItemHeader& header, int bias, bool exception = false);
// The header of the current item, read by name; an unparseable
// modification time reads as the zero date (logged).
ItemHeader ReadItemHeader(const CXmlAppointments& xml, int bias);

}  // namespace mAppointmentXml
