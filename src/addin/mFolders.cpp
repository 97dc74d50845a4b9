#include "addin/mFolders.h"

#include <map>

#include "platform/redemption/MapiProps.h"
#include "platform/redemption/SafeItems.h"
#include "diagnostics/CDebug.h"
#include "lang/CLang.h"
#include "options/COptions.h"
#include "options/CWinReg.h"
#include "options/mOptions.h"
#include "platform/Error.h"
#include "platform/Text.h"
#include "platform/store/Folders.h"
#include "platform/store/Items.h"
#include "platform/store/UserProperties.h"

namespace mFolders {
namespace {

constexpr const char* kAppointmentClass = "IPM.Appointment";

// The item properties by which the add-in finds an item and its twin. The
// overview copies drop them: member folders are rebuilt, never synchronised,
// and a search for a twin must not land on such a copy.
constexpr const char* kIdentityProps[] = {"VestrandItemID", "VestrandReferID"};

std::vector<std::string>& DeletedList() {
  static std::vector<std::string> names;
  return names;
}

std::string Text(CLang* lang, const std::string& id) { return lang ? lang->Item(id) : id; }

// A text value for the store's filter language, quoted so that the text may
// hold the other quote character.
std::string Quoted(const std::string& text) {
  const char quote = text.find('\'') == std::string::npos ? '\'' : '"';
  return quote + text + quote;
}

std::string UserProp(const platform::Item& item, const std::string& name) {
  platform::UserProperty p = item.UserProperties().Find(name);
  return p ? p.Value() : "";
}

// Copies an item into a member folder as an inert copy (see kIdentityProps).
void CopyInto(const platform::Item& item, const platform::Folder& folder) {
  platform::Item copy = item.CopyTo(folder);
  bool changed = false;
  for (const char* name : kIdentityProps) {
    platform::UserProperties props = copy.UserProperties();
    for (int i = props.Count(); i >= 1; --i) {
      if (platform::EqualsNoCase(props.Item(i).Name(), name)) {
        props.Remove(i);
        changed = true;
      }
    }
  }
  if (changed) copy.Save();
}

// A meeting's identity as the add-in stores it, or the hex of its global id.
std::string MeetingUID(const platform::Item& item) {
  std::string uid = UserProp(item, "VestrandShamMeetingUID");
  if (uid.empty()) uid = Redemption::HexOf(item.GlobalObjectID());
  return uid;
}

bool IsShamMeeting(const platform::Item& item) {
  try {
    return std::stol(UserProp(item, "VestrandShamMeeting")) != 0;
  } catch (const std::exception&) {
    return false;
  }
}

// The items of the shared folder whose subject carries the owner prefix of
// `name`: "[" + name + "] " up to, not including, the prefix with its final
// space replaced by the next character.
std::vector<platform::Item> OwnerItems(const platform::Folder& zentab, const std::string& name) {
  const std::string low = "[" + name + "] ";
  const std::string high = "[" + name + "]!";
  const std::string filter = "[Subject] >= " + Quoted(low) + " And [Subject] < " + Quoted(high) +
                             " And [MessageClass] = " + Quoted(kAppointmentClass);
  return zentab.Items().Restrict(filter).All();
}

// Fills one member folder; returns the sham meetings copied into it.
std::vector<platform::Item> FillMemberFolder(const platform::Folder& zentab, const platform::Folder& folder,
                                             const MemberPair& member) {
  std::vector<platform::Item> shams;
  for (const platform::Item& item : OwnerItems(zentab, member.name)) {
    // The filter compares without case; the prefix must match exactly.
    if (item.Subject().rfind("[" + member.name + "] ", 0) != 0) continue;
    CopyInto(item, folder);
    if (IsShamMeeting(item)) shams.push_back(item);
  }
  return shams;
}

// Puts the user's own meetings into the folders of the members who attend
// them, unless the member's folder holds that meeting already as a sham copy.
void AddOwnMeetings(const platform::Folder& calendar, const std::map<std::string, platform::Folder>& folders,
                    const std::map<std::string, std::vector<platform::Item>>& shams) {
  for (const platform::Item& item : calendar.Items().All()) {
    if (item.Class() != platform::olAppointment || item.MeetingStatus() == platform::olNonMeeting) continue;
    Redemption::SafeAppointmentItem safe;
    safe.Item(item);
    platform::Recipients recipients = safe.Recipients();
    std::vector<std::string> done;
    for (int i = 1; i <= recipients.Count(); ++i) {
      const std::string address = platform::Lower(recipients.Item(i).Address());
      auto folder = folders.find(address);
      if (folder == folders.end()) continue;
      bool seen = false;
      for (const std::string& d : done) seen = seen || d == address;
      if (seen) continue;
      done.push_back(address);
      bool present = false;
      const std::string uid = MeetingUID(item);
      auto known = shams.find(address);
      if (known != shams.end() && !uid.empty()) {
        for (const platform::Item& sham : known->second) present = present || UserProp(sham, "VestrandShamMeetingUID") == uid;
      }
      if (!present) CopyInto(item, folder->second);
    }
  }
}

// Resumes the item events when the rebuild leaves, by any path.
class EventsSuspended {
 public:
  explicit EventsSuspended(const OverviewContext& ctx) : m_ctx(ctx) {
    if (m_ctx.suspendItemEvents) m_ctx.suspendItemEvents();
  }
  ~EventsSuspended() {
    if (m_ctx.resumeItemEvents) m_ctx.resumeItemEvents();
  }
  EventsSuspended(const EventsSuspended&) = delete;
  EventsSuspended& operator=(const EventsSuspended&) = delete;

 private:
  const OverviewContext& m_ctx;
};

}  // namespace

platform::Folder GetZentabFolder(platform::Registry& reg, const std::string& storeId,
                                 const platform::Folder& calendar, const platform::Folder& storeRoot,
                                 StartFlags& flags) {
  try {
    flags = StartFlags{};
    const std::string mark = ";" + storeId + ";";
    {
      CWinReg key(reg);
      std::string list;
      if (key.InitForRead(CWinReg::HKEY_CURRENT_USER, COptions::GetRegPath())) list = key.GetStringValue("FirstRun");
      flags.bFirstRun = list.find(mark) == std::string::npos;
      if (flags.bFirstRun) {
        if (!key.InitForWrite(CWinReg::HKEY_CURRENT_USER, COptions::GetRegPath(), true) ||
            !key.SetStringValue("FirstRun", list + mark)) {
          throw platform::Error("can't write FirstRun");
        }
      }
    }
    g_Debug().Out("Connect::GetZentabFolder", "FirstRun = ", flags.bFirstRun);

    platform::Folder zentab = calendar.Folders().Find(kZentabFolderName);
    if (!zentab) {
      zentab = storeRoot.Folders().Find(kZentabFolderName);
      if (zentab) {
        zentab.MoveTo(calendar);
        flags.bClearDontShowWelcomeDlg = true;
      }
    }
    if (!zentab) {
      zentab = calendar.Folders().Add(kZentabFolderName, platform::olFolderCalendar);
      flags.bClearDontShowWelcomeDlg = true;
      flags.bLocalSynchDue = true;
      flags.bFolderCreated = true;
      flags.bFirstRun = false;
    } else if (flags.bFirstRun) {
      flags.bClearDontShowWelcomeDlg = true;
      flags.bLocalSynchDue = true;
      flags.bFolderCreated = false;
    }
    return zentab;
  } catch (...) {
    g_Debug().OutError("Connect.GetZentabFolder");
    return {};
  }
}

void ApplyStartFlags(const StartFlags& flags, mOptions::Options& opts) {
  if (flags.bLocalSynchDue) opts.bLocalSynchDue = true;
  if (flags.bClearDontShowWelcomeDlg) opts.ShowWelcomeDlg = true;
}

std::string HomePageURL(const std::filesystem::path& installDir) {
  return "file:" + (std::filesystem::absolute(installDir) / "htmls" / "ZentabGrid.html").string();
}

void SetHomePageProperty(platform::Folder zentab, bool showHomepage, const std::filesystem::path& installDir) {
  try {
    if (showHomepage) {
      const std::string url = HomePageURL(installDir);
      if (zentab.WebViewOn()) {
        if (zentab.WebViewURL() != url) zentab.SetWebViewURL(url);
      } else {
        zentab.SetWebViewURL(url);
        zentab.SetWebViewOn(true);
      }
    } else {
      zentab.SetWebViewOn(false);
      g_Debug().OutCustomError("SetHomePageProperty", "Zentab.WebViewOn = false");
    }
  } catch (...) {
    g_Debug().OutError("SetHomePageProperty");
  }
}

std::vector<MemberPair> SplitMembers(const std::string& members) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= members.size()) {
    size_t end = members.find(';', start);
    if (end == std::string::npos) end = members.size();
    parts.push_back(members.substr(start, end - start));
    start = end + 1;
  }
  // A separator after the last name leaves one empty part behind.
  if (!parts.empty() && parts.back().empty() && parts.size() % 2 == 1) parts.pop_back();
  std::vector<MemberPair> pairs;
  for (size_t i = 0; i < parts.size(); i += 2) {
    pairs.push_back({parts[i], i + 1 < parts.size() ? parts[i + 1] : ""});
  }
  return pairs;
}

std::string MemberFolderName(const MemberPair& member, const std::string& noAddressText) {
  return member.name + " (" + (member.address.empty() ? noAddressText : member.address) + ")";
}

bool CreateFolder(const OverviewContext& ctx, const std::string& members) {
  try {
    std::vector<std::string> deleted;
    for (platform::Folders subs = ctx.zentab.Folders(); subs.Count() > 0;) {
      platform::Folder sub = subs.Item(1);
      const std::string name = sub.Name();
      if (ctx.bDiagnostic) g_Debug().Out("CreateFolders", "Deleting Folder = " + name);
      // A copy left from a rebuild that was not purged yet would block the move.
      if (platform::Folder stale = ctx.deletedItems.Folders().Find(name)) stale.Delete();
      sub.Delete();
      deleted.push_back(name);
    }
    DeletedList() = deleted;
    if (ctx.startDelFoldersTimer) ctx.startDelFoldersTimer();

    {
      EventsSuspended suspended(ctx);
      if (!members.empty()) {
        std::vector<MemberPair> pairs = SplitMembers(members);
        if (pairs.size() > kMaxViews) {
          pairs.resize(kMaxViews);
          if (ctx.prompt) {
            ctx.prompt->MessageBox(Text(ctx.lang, "LID_MAX_VIEWS"), "Zentabo", platform::Buttons::OK,
                                   platform::Icon::Information);
          }
        }
        std::map<std::string, platform::Folder> folders;  // by lower-case address
        std::map<std::string, std::vector<platform::Item>> shams;
        const std::string noAddress = Text(ctx.lang, "LID_NO_ADDRESS");
        for (const MemberPair& member : pairs) {
          if (platform::EqualsNoCase(member.address, ctx.userEmail)) continue;
          const std::string name = MemberFolderName(member, noAddress);
          platform::Folder folder = ctx.zentab.Folders().Find(name);
          if (!folder) folder = ctx.zentab.Folders().Add(name, platform::olFolderCalendar);
          const std::string key = platform::Lower(member.address);
          folders[key] = folder;
          for (platform::Item& sham : FillMemberFolder(ctx.zentab, folder, member)) shams[key].push_back(sham);
        }
        if (!folders.empty()) AddOwnMeetings(ctx.calendar, folders, shams);
      }
    }
    if (ctx.reg) mOptions::SaveOption(*ctx.reg, ctx.storeId, "VCtlMems", members, "String");
    return true;
  } catch (...) {
    g_Debug().OutError("mFolders.CreateFolder");
    return false;
  }
}

void DeleteFolders(const OverviewContext& ctx) {
  try {
    std::vector<std::string>& names = DeletedList();
    for (size_t i = 0; i < names.size();) {
      if (ctx.bDiagnostic) g_Debug().Out("DeleteFolders, Folder = " + names[i]);
      platform::Folder folder = ctx.deletedItems.Folders().Find(names[i]);
      if (folder) {
        folder.Delete();
        names.erase(names.begin() + static_cast<long>(i));
      } else {
        ++i;
      }
    }
  } catch (...) {
    g_Debug().OutError("mFolders.DeleteFolders");
  }
}

const std::vector<std::string>& DeletedFolders() { return DeletedList(); }

std::vector<std::string> GetViewCollection(const OverviewContext& ctx, const std::string& members) {
  try {
    std::vector<std::string> views;
    if (members.empty()) {
      views.push_back("All Members");
      views.push_back(ctx.zentab.FolderPath());
      return views;
    }
    std::vector<MemberPair> pairs = SplitMembers(members);
    if (pairs.size() > kMaxViews) pairs.resize(kMaxViews);
    const std::string noAddress = Text(ctx.lang, "LID_NO_ADDRESS");
    for (const MemberPair& member : pairs) {
      if (platform::EqualsNoCase(member.address, ctx.userEmail)) {
        views.push_back(ctx.userName);
        views.push_back(ctx.calendar.FolderPath());
        continue;
      }
      const std::string name = MemberFolderName(member, noAddress);
      if (!ctx.zentab.Folders().Find(name)) continue;
      views.push_back(name);
      views.push_back(ctx.zentab.FolderPath() + "\\" + name);
    }
    return views;
  } catch (...) {
    g_Debug().OutError("mFolders.GetViewCollection");
    return {};
  }
}

bool LoadMembersFromReg(platform::Registry& reg, const std::string& storeId, std::string& members) {
  CWinReg key(reg);
  if (!key.InitForRead(CWinReg::HKEY_CURRENT_USER, mOptions::OptionsKey(storeId))) return false;
  members = key.GetStringValue("VCtlMems");
  return true;
}

}  // namespace mFolders
