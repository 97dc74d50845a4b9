#pragma once
// mEnvelope: the text of the envelope every add-in mail carries, apart from
// any mail: the subject markers, the version numbers and their window, the
// date-time text, and the body header of key:value lines as it is built and
// read back. mMain sends and finds the mails that carry it.
#include <string>
#include <string_view>
#include <vector>

#include "platform/Date.h"
#include "platform/System.h"

namespace mEnvelope {

// Subject markers of the magic mails.
inline constexpr const char* kAppointmentMarker = "ZTBAppointment 64522606-20060213141359";
inline constexpr const char* kAppointmentMarkerOld = "ZTBAppointment 64522606-20020930162039";
inline constexpr const char* kGroupMarker = "ZTBGroup 64522606-20020930162039";
inline constexpr const char* kMessageClassNote = "IPM.Note";

// The version window every add-in mail announces.
inline constexpr const char* kCompatibilityVersionMin = "2.60.0000";
inline constexpr const char* kCompatibilityVersionMax = "3.99.9999";

// This release's numbers; GetAppVersion and the group-message version derive from them.
inline constexpr int kAppMajor = platform::kVersionMajor;
inline constexpr int kAppMinor = platform::kVersionMinor;
inline constexpr int kAppRevision = platform::kVersionBuild;

inline constexpr const char* kCrLf = "\r\n";

// "yyyyMMdd HH:mm:ss" (17 characters) of a local date-time.
std::string Date2CStr(const platform::Date& date);

// Reads a 17-character date-time text by position (separators unchecked).
// A text of another length logs a warning and gives the zero date; a text
// that does not parse logs an error ("mMain.CStr2Date") and gives the zero date.
platform::Date CStr2Date(std::string_view text);

// "3.01.0459": major, point, minor with two digits, point, revision with four.
std::string GetAppVersion();

// Compares the first three "."-separated parts as integers (missing or
// non-numeric parts count as 0): -1 when a < b, 1 when a > b, 0 when equal.
int CompareVersions(const std::string& a, const std::string& b);

// True when a mail announcing the window [min, max] may be read by this
// version: min <= own version <= max. REQUIRES: both texts non-empty (a mail
// missing either comes from an old version and is accepted by the caller).
bool IsVersionInWindow(const std::string& min, const std::string& max);

// Equal ignoring letter case; no trimming.
bool SameAddress(const std::string& a, const std::string& b);

// Body header: the text of LID_MAGIC_BODY, an empty line, then key:value lines.
// Splits a received body into its non-empty lines: first at every blank
// followed by CRLF, then at every CRLF; empty pieces are dropped.
std::vector<std::string> SplitHeader(const std::string& body);

// Value of the first line whose trimmed text before the first ":" equals key
// (case-sensitive), trimmed; empty when there is none, and then, with
// warnIfMissing, a warning "mMain.GetStrFromSplit" naming the key.
std::string GetStrFromSplit(const std::vector<std::string>& lines, const std::string& key,
                            bool warnIfMissing);

// The body of a group message: intro text, empty line, the version window lines.
std::string BuildGroupBody(const std::string& introText);

// The body of an appointment mail, header lines in their fixed order; the
// last line ("SynchTime:") has no line break after it.
std::string BuildAppointmentBody(const std::string& introText, const std::string& action,
                                 const std::string& senderAddress, const std::string& synchRange,
                                 const std::string& synchTime);

}  // namespace mEnvelope
