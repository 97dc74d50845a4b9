#pragma once
// mBugReport: the support report. One command builds a ready-made mail to
// the support address that describes the installation (versions, paths, the
// stored user and options, the registered add-ins, failed installation
// checks, the stored groups) and carries the add-in's log files; the mail is
// left in Drafts and displayed, never sent by the add-in - the user types
// the problem above the marker line and sends it himself.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "platform/System.h"
#include "platform/store/Item.h"
#include "platform/store/MailSession.h"

namespace mBugReport {

inline constexpr const char* kSubject = "Zentabo Bug Report (Zentabo AddIn)";
// The support service's address; configuration, kept in one place.
inline constexpr const char* kSupportAddress = "support@korvel.example";
inline constexpr const char* kMarkerLine = "---- Please type bug description above this line.";

// What the report reads outside the registry and the files.
struct Env {
  platform::Registry* reg = nullptr;      // required
  const platform::System* sys = nullptr;  // required
  std::string storeId;                    // names the store's registry sections
  std::string version;                    // the add-in's version string
  std::string clientVersion;              // the mail client's version
  std::filesystem::path addinFile;        // the add-in's own file; checked for existence
  // Installation checks; an empty one counts as passed.
  std::function<bool()> SharedFolderExists;
  std::function<bool()> SafeItemsExist;
  std::function<bool()> SafeItemsRegistered;
  std::function<bool()> AdvSearchRegistered;
  // Where the stored groups live in the settings store (application and
  // root section); an empty application leaves the groups section empty.
  std::string groupsApp;
  std::string groupsRoot;
};

struct Report {
  std::string text;                                // lines joined by CRLF
  std::vector<std::filesystem::path> attachments;  // the installation folder's logs worth sending
};

// Builds the report text and the list of log files to attach. Each line's
// failure is logged with its procedure name and leaves that line with an
// empty value; the report is always produced.
Report BuildReport(const Env& env);

// The mail's body: room to type above the marker, then the report.
std::string MailBody(const std::string& reportText);

// The support library's files sent with every report, each when it exists
// (zentab.err, then zentab.log, in the support library's folder).
std::vector<std::filesystem::path> SupportLibraryFiles(const platform::System& sys);

// Creates the report mail in the profile's Drafts folder - To, Subject,
// importance high, Body, the support library's files, then the report's
// files - saves and displays it. Throws platform::Error when the mail
// cannot be made.
platform::Item CreateReportMail(platform::MailSession& session, const platform::System& sys, const Report& report);

}  // namespace mBugReport
