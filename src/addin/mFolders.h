#pragma once
// mFolders: the add-in's folders. The shared folder "Zentabo" below the
// default Calendar holds the copies of the members' appointments and shows
// the grid page as its home page; for an overview of chosen members the
// add-in builds one calendar folder per member below it, and throws them
// away again at the next rebuild (they are purged from Deleted Items a
// moment later by the timer host). Also the list of folders the page shows.
//
// Every operation catches its errors, logs them with its source and returns
// its neutral result (Nothing, false, an empty list).
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Prompt.h"
#include "platform/Registry.h"
#include "platform/store/Folder.h"

class CLang;

namespace mOptions {
struct Options;
}

namespace mFolders {

// The shared folder's name, below the Calendar (and, in the older layout, at
// the top of the store).
inline constexpr const char* kZentabFolderName = "Zentabo";
// Overviews show at most this many members.
inline constexpr size_t kMaxViews = 5;

// What GetZentabFolder found out about this start, for the timer host and the
// option store.
struct StartFlags {
  bool bFolderCreated = false;        // the shared folder was created at this start
  bool bFirstRun = false;             // first run on this store, the folder existed already
  bool bLocalSynchDue = false;        // the local synchronisation is due
  bool bClearDontShowWelcomeDlg = false;  // DontShowWelcomeDlg is cleared in memory
};

// Finds or creates the shared folder. `storeId` is the store root's entry id;
// `calendar` the default Calendar, `storeRoot` its parent. Reads and extends
// the product key's first-run list (FirstRun in Software\Korvel\Zentabo),
// moves a "Zentabo" folder found at the top of the store under the Calendar,
// or creates one, and fills `flags`. Nothing on failure (logged with source
// "Connect.GetZentabFolder").
platform::Folder GetZentabFolder(platform::Registry& reg, const std::string& storeId,
                                 const platform::Folder& calendar, const platform::Folder& storeRoot,
                                 StartFlags& flags);

// Hands the flags to the loaded option set: the local synchronisation
// becomes due, DontShowWelcomeDlg is cleared (ShowWelcomeDlg set). Call after
// LoadOptions, which recomputes both from the registry.
void ApplyStartFlags(const StartFlags& flags, mOptions::Options& opts);

// The address of the grid page: "file:" + the full path of
// htmls/ZentabGrid.html in the installation folder.
std::string HomePageURL(const std::filesystem::path& installDir);

// Shows the grid page in the shared folder (showHomepage: the option
// ShowHomepage is non-zero) or switches the web view off, writing the error
// "Zentab.WebViewOn = false". Errors are logged with source "SetHomePageProperty".
void SetHomePageProperty(platform::Folder zentab, bool showHomepage, const std::filesystem::path& installDir);

// One member of an overview: address and display name.
struct MemberPair {
  std::string address;
  std::string name;
};
// The pairs of a members text ("address;name;address;name..."); a trailing
// address without name gets an empty name.
std::vector<MemberPair> SplitMembers(const std::string& members);

// The name of a member's folder: name + " (" + address + ")", with
// `noAddressText` (the text of LID_NO_ADDRESS) for a missing address.
std::string MemberFolderName(const MemberPair& member, const std::string& noAddressText);

// Everything the overview operations need from the running add-in.
struct OverviewContext {
  platform::Registry* reg = nullptr;
  std::string storeId;
  platform::Folder zentab;        // g_fldZentab
  platform::Folder calendar;      // the default Calendar
  platform::Folder deletedItems;  // the default Deleted Items
  std::string userEmail;          // g_UserEmail
  std::string userName;
  bool bDiagnostic = false;       // the diagnostic switch (DetectBug117)
  CLang* lang = nullptr;          // texts LID_MAX_VIEWS, LID_NO_ADDRESS; nullptr: the identifiers
  platform::Prompt* prompt = nullptr;
  std::function<void()> startDelFoldersTimer;  // restarts delFoldersTimer
  // The bridge's own item events off, and on again. The store delivers the
  // fill's item events through the event loop after the writes, so a resume
  // that must outlast them is best posted to the loop rather than run at once.
  std::function<void()> suspendItemEvents;
  std::function<void()> resumeItemEvents;
};

// Rebuilds the member folders for the members text: deletes every subfolder
// of the shared folder (remembering the names for DeleteFolders and starting
// delFoldersTimer), then, with the item events suspended, creates a folder
// for each of the first five members who is not the user (more than five:
// shows LID_MAX_VIEWS) and copies into it the member's items of the shared
// folder and the user's meetings the member attends. Stores the members text
// as VCtlMems. False on failure (logged with source "mFolders.CreateFolder").
bool CreateFolder(const OverviewContext& ctx, const std::string& members);

// Purges the folders deleted by the last rebuild from Deleted Items; names
// not found there stay listed for the next run. Errors are logged with
// source "mFolders.DeleteFolders".
void DeleteFolders(const OverviewContext& ctx);

// The names still waiting in the deleted-folders list.
const std::vector<std::string>& DeletedFolders();

// The folders the page shows for a members text, as a flat list of pairs:
// label, then folder path. Empty text: "All Members" and the shared folder.
// Otherwise, for the first five members: the user gives his name and the
// Calendar, another member his folder's name and path when that folder
// exists. Empty on failure (logged with source "mFolders.GetViewCollection").
std::vector<std::string> GetViewCollection(const OverviewContext& ctx, const std::string& members);

// Reads VCtlMems of the store's Options key into `members`; false when the
// key cannot be opened.
bool LoadMembersFromReg(platform::Registry& reg, const std::string& storeId, std::string& members);

}  // namespace mFolders
