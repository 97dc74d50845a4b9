#pragma once
// mMain: the envelope shared by every add-in mail. It knows the subject
// markers, the key-value header in the body, the texts of dates, versions and
// synchronisation windows carried there, and the working files beside the
// add-in; how magic mails are sent and found again in the Inbox; and what
// happens to a mail once it has been processed.
#include <functional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Date.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "platform/store/Item.h"
#include "options/mOptions.h"
#include "platform/store/Folder.h"

class CLang;

namespace mMain {

// What the envelope needs from the running add-in besides the mail profile
// (which the safe-item library holds: Redemption::SetProfile). The connection
// class fills one and keeps it for the whole run; every pointer must outlive
// its users, and any may be null.
struct MailEnv {
  platform::System* pSystem = nullptr;      // temporary and installation folders
  platform::Registry* pRegistry = nullptr;  // the machine-wide switch SimpleMagicRestrict
  platform::Clock* pClock = nullptr;        // sending times; the system clock when null
  CLang* pLang = nullptr;                   // LID_MAGIC_BODY; without it the identifier is used
  // The current user's address as the add-in knows it; without it the
  // profile's current user address.
  std::function<std::string()> CurrentAddress;

  std::string CurAddress() const;
  // The local time now.
  platform::Date Now() const;
  // The temporary folder (the process's one without a System).
  std::string TempFolder() const;
  // The installation folder (the temporary folder without a System).
  std::string InstallFolder() const;
};

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
platform::Date CStr2Date(const std::string& text);

// "3.01.0459": major, point, minor with two digits, point, revision with four.
std::string GetAppVersion();

// Compares the first three "."-separated parts as integers (missing or
// non-numeric parts count as 0): -1 when a < b, 1 when a > b, 0 when equal.
int CompareVersions(const std::string& a, const std::string& b);

// True when a mail announcing the window [min, max] may be read by this
// version: min <= own version <= max. REQUIRES: both texts non-empty (a mail
// missing either comes from an old version and is accepted by the caller).
bool IsVersionInWindow(const std::string& min, const std::string& max);

// Six digits: back unit, back count (2), forward unit, forward count (2).
// Counts are taken modulo 100 and units modulo 10 so the text keeps its width.
std::string FormatSynchRange(int backUnit, int backCount, int forwardUnit, int forwardCount);

// The widened window after comparing a received SynchRange text with the
// local one; `changed` tells whether anything was taken. A text that is not
// exactly six digits changes nothing.
struct SynchWindow {
  int backUnit = 0;
  int backCount = 0;
  int forwardUnit = 0;
  int forwardCount = 0;
  bool changed = false;
};
SynchWindow WidenSynchRange(const std::string& received, SynchWindow local);

// Equal ignoring letter case; no trimming.
bool SameAddress(const std::string& a, const std::string& b);

// True for an empty text (an empty address counts as missing).
bool IsEmptyText(const std::string& text);

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

// Installation folder + "/" + name (the add-in's working files live there).
std::string GetWorkFilePath(const MailEnv& env, const std::string& name);

// The standard time-zone bias in minutes (universal time = local time + bias),
// read once and kept; a bias of 0 is read again at each call.
int GetTimeZoneBias();

// --- mails -------------------------------------------------------------------

// Finds the magic mails of `folder` (the Inbox): group messages into
// groupMails, appointment mails (current and earlier marker) into
// appointmentMails, each in the order found. With the registry switch
// SimpleMagicRestrict = "1" the subject must equal a marker; otherwise it
// need only contain it, in any letter case. A failure stops the search and
// keeps what was found (logged).
void FindMagicMails(const MailEnv& env, const platform::Folder& folder, std::vector<platform::Item>& groupMails,
                    std::vector<platform::Item>& appointmentMails);

// Entry ids (hex text) of the items of `folder` whose message class equals
// messageClass and whose subject contains `subject` ignoring case. Throws
// platform::Error when the table cannot be read (FindMagicMails logs it).
std::vector<std::string> RestrictBySubject(const platform::Folder& folder, const std::string& subject,
                                           const std::string& messageClass);

// Performs no search: writes its call trace and returns no mails.
std::vector<platform::Item> FindMagicMailsByLMT(const platform::Folder& folder, const platform::Date& fromTime,
                                                const platform::Date& toTime);

// True when the registry switch SimpleMagicRestrict under the product key is "1".
bool UseSimpleMagicRestrict(const MailEnv& env);

// Sends one group message to the addresses: subject marker, version window in
// the body, the text (with a trailing line break) as the attachment
// "Attach.txt" shown as "ZTB". False (logged, source "mMain.SendGroupMail")
// when the mail cannot be built or sent.
bool SendGroupMail(const MailEnv& env, const std::vector<std::string>& recipients, const std::string& text);

// Sends one appointment mail: xmlPath zipped into "AttachFile.zip" in the
// installation folder, the optional itemsZipPath attached as
// "ItemsAttachments". "AttachFile.zip" is deleted afterwards, the XML file
// only once the mail was sent (the items' zip never). False when zipping
// fails (warning "Error in zip file", nothing sent) or the mail cannot be
// sent (logged; the XML file is kept).
bool SendXml(const MailEnv& env, const std::string& xmlPath, const std::string& recipients,
             const std::string& action, const std::string& itemsZipPath);

// The header lines of a received mail's body, read through the safe wrapper
// (see SplitHeader). Throws platform::Error when the body cannot be read.
std::vector<std::string> ReadHeader(const platform::Item& mail);

// The sender address stored in the mail; "" when it cannot be read (logged).
std::string GetSenderAddress(const platform::Item& mail);

// The life's end of a processed mail: marked read and deleted (into Deleted
// Items). False (logged) when the store refuses.
bool DiscardMail(platform::Item mail);

// The SynchRange text of the current preferences.
std::string GetSynchRange(const mOptions::Options& options);

// Widens the local sharing window by a received SynchRange text and, when
// anything was taken, writes the four values to the store's options key.
// A text that is not six digits changes nothing.
void ApplySynchRange(platform::Registry& registry, const std::string& storeId, const std::string& received,
                     mOptions::Options& options);

}  // namespace mMain
