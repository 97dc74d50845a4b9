#include "groups/mFailSafe.h"

#include "diagnostics/CDebug.h"
#include "platform/FileUtil.h"
#include "platform/Text.h"

namespace {

constexpr const char* kBackupFilter = "Zentabo groups (*.xml)|*.xml|All files (*.*)|*.*";

}  // namespace

bool StoreGroups(CGroups& groups, const std::string& strPath) {
  try {
    if (platform::FileUtil::Exists(strPath)) platform::FileUtil::Delete(strPath);
    return groups.SaveToXml(strPath);
  } catch (...) {
    g_Debug().OutError("mFailSafe.StoreGroups");
    return false;
  }
}

bool RestoreGroups(CGroups& groups, const std::string& strPath) {
  try {
    if (strPath.empty() || !platform::FileUtil::Exists(strPath)) return false;
    if (platform::FileUtil::Size(strPath) == 0) return false;
    CGroupsEnv& env = groups.Env();
    CGroups restored(env);
    if (!restored.LoadFromXml(strPath)) {
      env.Message(env.Text("LID_FILE_LOAD_ERROR"), "Zentabo", platform::Buttons::OK, platform::Icon::Critical);
      return false;
    }
    if (!restored.Valid()) return false;
    groups.CopyFrom(restored);
    groups.Save();
    return true;
  } catch (...) {
    g_Debug().OutError("mFailSafe.RestoreGroups");
    return false;
  }
}

bool BackupGroupsCommand(CGroups& groups) {
  const CGroupsEnv& env = groups.Env();
  if (!env.pPrompt) return false;
  const std::string path = platform::Trim(env.pPrompt->SaveFileDialog("Zentabo", kBackupFilter), platform::kSpaces);
  if (path.empty()) return false;
  return StoreGroups(groups, path);
}

bool RestoreGroupsCommand(CGroups& groups) {
  const CGroupsEnv& env = groups.Env();
  if (!env.pPrompt) return false;
  const std::string path = platform::Trim(env.pPrompt->OpenFileDialog("Zentabo", kBackupFilter, ""), platform::kSpaces);
  if (path.empty()) return false;
  return RestoreGroups(groups, path);
}
