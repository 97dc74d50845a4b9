#include "diagnostics/mBugReport.h"

#include "diagnostics/CDebug.h"
#include "options/COptions.h"
#include "options/CWinReg.h"
#include "options/mOptions.h"
#include "platform/Error.h"
#include "platform/FileUtil.h"
#include "platform/SettingsStore.h"
#include "platform/Text.h"
#include "platform/store/Attachments.h"
#include "platform/store/Folder.h"
#include "platform/store/Items.h"
#include "platform/store/Recipients.h"

namespace fs = std::filesystem;

namespace mBugReport {

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kAddinKey = "SOFTWARE\\Microsoft\\Office\\Outlook\\Addins";

// The options the report lists, in its order.
constexpr const char* kReportedOptions[] = {
    "AutoLSynchDate",  "AutoGSynchEnable", "AutoGSynchPeriod", "AutoLSynchEnableNew", "AutoLSynchPeriodNew",
    "AutoLFastSynchDisable", "DefaultPrivate", "AutoAcceptEnable", "AutoAcceptValue", "NShowRemoveGroupsMes",
    "NShowMesGroups", "NShowMesGroupsValue", "BackUnit", "ForwardUnit", "BackCount", "ForwardCount", "VCtlMems"};

// The member values of the stored groups, in the report's order.
constexpr const char* kMemberFields[] = {"Name",    "Email", "EmailOwner", "Key",    "Role",      "MySelf",
                                         "ActionKey", "NewRole", "Wait",     "Action", "SubAction", "Share"};

// A value as stored: texts as they are, numbers in decimal; "" when missing.
std::string RawValue(platform::Registry& reg, uint32_t root, const std::string& key, const std::string& name) {
  platform::HKEY h = 0;
  if (reg.OpenKey(root, key, platform::KEY_READ, &h) != platform::ERROR_SUCCESS) return "";
  uint32_t type = 0;
  std::string data;
  const long rc = reg.QueryValue(h, name, &type, &data);
  reg.CloseKey(h);
  if (rc != platform::ERROR_SUCCESS) return "";
  if (type == platform::REG_DWORD && data.size() == 4) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(data[static_cast<size_t>(i)]);
    return std::to_string(static_cast<int32_t>(v));
  }
  return data;
}

bool KeyExists(platform::Registry& reg, uint32_t root, const std::string& key) {
  platform::HKEY h = 0;
  if (reg.OpenKey(root, key, platform::KEY_READ, &h) != platform::ERROR_SUCCESS) return false;
  reg.CloseKey(h);
  return true;
}

// Runs one line's builder; a failure is logged under its name and the line
// keeps what it had.
void Guarded(const char* source, const std::function<void()>& step) {
  try {
    step();
  } catch (...) {
    g_Debug().OutError(source);
  }
}

bool Check(const std::function<bool()>& check) { return !check || check(); }

std::string Attr(const std::string& name, const std::string& value) { return name + " = \"" + value + "\""; }

void AddGroups(const Env& env, std::vector<std::string>& lines) {
  lines.push_back("<groups>");
  Guarded("mBugReport.GetGroups()", [&] {
    if (env.groupsApp.empty()) return;
    platform::SettingsStore store(*env.reg);
    const std::string& app = env.groupsApp;
    for (const std::string& rawKey : platform::Split(store.GetSetting(app, env.groupsRoot, "Keys"), ';')) {
      const std::string key = platform::Trim(rawKey);
      if (key.empty()) continue;
      const std::string section = env.groupsRoot + "\\" + key;
      lines.push_back("    <group " + Attr("Key", key) + " " + Attr("Name", store.GetSetting(app, section, "Name")) +
                      ">");
      for (const std::string& rawMember : platform::Split(store.GetSetting(app, section, "Keys"), ';')) {
        const std::string memberKey = platform::Trim(rawMember);
        if (memberKey.empty()) continue;
        const std::string memberSection = section + "\\" + memberKey;
        std::string line = "        <member";
        for (const char* field : kMemberFields) {
          const std::string value =
              std::string(field) == "Key" ? memberKey : store.GetSetting(app, memberSection, field);
          line += " " + Attr(field, value);
        }
        lines.push_back(line + ">");
        lines.push_back("        </member>");
      }
      lines.push_back("    </group>");
    }
  });
  lines.push_back("</groups>");
}

}  // namespace

Report BuildReport(const Env& env) {
  Report report;
  std::vector<std::string> lines;
  platform::Registry& reg = *env.reg;
  const fs::path install = env.sys->InstallDir();

  lines.push_back("Zentabo version: " + env.version);
  std::string ocx, advSearch;
  Guarded("mBugReport.GetFileVersion()", [&] {
    ocx = env.sys->FileVersion(install / "ZentabGridLib.ocx");
    advSearch = env.sys->FileVersion(install / "ZTBAdvSearch.dll");
  });
  lines.push_back("ZentaboOcx version: " + ocx);
  lines.push_back("ZTBAdvSearch.dll version: " + advSearch);
  std::string appPath;
  Guarded("mBugReport.GetAppPath()",
          [&] { appPath = RawValue(reg, platform::HKEY_LOCAL_MACHINE, COptions::kRegPath, "AppPath"); });
  lines.push_back("Zentabo path: " + appPath);
  std::string os = "OS: ";
  Guarded("mBugReport.GetWinVersion()", [&] {
    const platform::System::OsVersion v = platform::System::GetOsVersion();
    os += v.platformName + " Win version:" + std::to_string(v.major) + "." + std::to_string(v.minor) +
          " Build: " + v.build;
  });
  lines.push_back(os);
  lines.push_back("Outlook version: " + env.clientVersion);
  std::string ie;
  Guarded("mBugReport.GetIEVer()", [&] {
    ie = RawValue(reg, platform::HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Internet Explorer", "Version");
  });
  lines.push_back("IE version: " + ie);

  // The stored user and options.
  const std::string storeKey = std::string(COptions::kRegPath) + "\\" + env.storeId;
  std::string userName, userAddress;
  Guarded("mBugReport.GetRegOptions()", [&] {
    userName = RawValue(reg, platform::HKEY_CURRENT_USER, storeKey, "CurUserName");
    userAddress = RawValue(reg, platform::HKEY_CURRENT_USER, storeKey, "CurUserAddress");
  });
  lines.push_back("User Name: " + userName);
  lines.push_back("User Address: " + userAddress);
  for (const char* option : kReportedOptions) {
    std::string value;
    Guarded("mBugReport.GetRegOptions()",
            [&] { value = RawValue(reg, platform::HKEY_CURRENT_USER, mOptions::OptionsKey(env.storeId), option); });
    lines.push_back(std::string(option) + ": " + value);
  }

  // The add-ins the client loads: its registration keys, the user's first.
  lines.push_back("Uses COMAddIns :");
  Guarded("mBugReport.GetAddIns()", [&] {
    for (uint32_t root : {platform::HKEY_CURRENT_USER, platform::HKEY_LOCAL_MACHINE}) {
      CWinReg addins(reg);
      if (!addins.InitForRead(root, kAddinKey)) continue;
      for (uint32_t i = 0;; ++i) {
        const std::string progId = addins.Keys(i);
        if (progId.empty()) break;
        const std::string key = std::string(kAddinKey) + "\\" + progId;
        const std::string behavior = RawValue(reg, root, key, "LoadBehavior");
        const bool connected = !behavior.empty() && (std::stol(behavior) & 1) != 0;
        lines.push_back("ProgID: " + progId);
        lines.push_back("Description: " + RawValue(reg, root, key, "Description"));
        lines.push_back(std::string("Connect: ") + (connected ? "True" : "False"));
      }
    }
  });

  // Installation checks: a line only for each check that fails.
  Guarded("mBugReport.isAddinExist()", [&] {
    const std::string key = std::string(kAddinKey) + "\\Zentabo.Connect";
    if (!KeyExists(reg, platform::HKEY_CURRENT_USER, key) && !KeyExists(reg, platform::HKEY_LOCAL_MACHINE, key))
      lines.push_back("Zentabo is not set");
  });
  Guarded("mBugReport.isFolderExist()", [&] {
    if (!Check(env.SharedFolderExists)) lines.push_back("Zentabo folder does not exist");
  });
  Guarded("mBugReport.isRedemptionExist()", [&] {
    if (!Check(env.SafeItemsExist))
      lines.push_back("Redemption does not exist");
    else if (!Check(env.SafeItemsRegistered))
      lines.push_back("Redemption is not registrated");
  });
  Guarded("mBugReport.isDllExist()", [&] {
    if (env.addinFile.empty() || !platform::FileUtil::Exists(env.addinFile))
      lines.push_back(std::string("Zentabo.dll") + " does not exist");
  });
  Guarded("mBugReport.isAdvSearchRegistered()", [&] {
    if (!Check(env.AdvSearchRegistered)) lines.push_back("ZTBAdvSearch.dll is not registrated");
  });

  // The installation folder's logs: a line for each missing or empty one,
  // an attachment for each with content.
  Guarded("mBugReport.GetLogFiles()", [&] {
    for (const char* name : {"CustomEvents.log", "Errors.log", "GErrors.Log", "ZTBAdvSearch.Log"}) {
      const fs::path file = install / name;
      std::error_code ec;
      if (!fs::exists(file, ec))
        lines.push_back(std::string(name) + (std::string(name) == "Errors.log" ? " log not found." : " not found."));
      else if (fs::file_size(file, ec) == 0)
        lines.push_back(std::string(name) + " is empty.");
      else
        report.attachments.push_back(file);
    }
    // The debug writer's own file: attached when it has content; an empty
    // one is mentioned, a missing one (the usual case) is not.
    const fs::path addinLog = install / "addin.log";
    std::error_code ec;
    if (fs::exists(addinLog, ec)) {
      if (fs::file_size(addinLog, ec) > 0)
        report.attachments.push_back(addinLog);
      else
        lines.push_back("addin.log is empty.");
    }
  });

  AddGroups(env, lines);
  report.text = platform::Join(lines, kCrLf);
  return report;
}

std::string MailBody(const std::string& reportText) {
  return std::string(kCrLf) + kCrLf + kCrLf + kMarkerLine + kCrLf + "Thank you ----" + kCrLf + kCrLf + reportText;
}

std::vector<fs::path> SupportLibraryFiles(const platform::System& sys) {
  std::vector<fs::path> files;
  const fs::path folder = COptions::AppDataFolder(sys);
  for (const char* name : {"zentab.err", "zentab.log"})
    if (platform::FileUtil::Exists(folder / name)) files.push_back(folder / name);
  return files;
}

platform::Item CreateReportMail(platform::MailSession& session, const platform::System& sys, const Report& report) {
  platform::Item mail = session.GetDefaultFolder(platform::olFolderDrafts).Items().Add(platform::olMailItem);
  mail.Recipients().Add(kSupportAddress);
  mail.SetSubject(kSubject);
  mail.SetImportance(2);
  mail.SetBody(MailBody(report.text));
  platform::Attachments attachments = mail.Attachments();
  for (const fs::path& file : SupportLibraryFiles(sys)) attachments.Add(file.string());
  for (const fs::path& file : report.attachments) attachments.Add(file.string());
  mail.Save();
  mail.Display();
  return mail;
}

}  // namespace mBugReport
