#pragma once
// Where the folder-sharing engine finds its files and settings in the
// user's registry: the shell folder value that names the application data
// folder, and the engine's own settings key for one product code.
#include <string>

#include "platform/Registry.h"
#include "platform/System.h"

namespace platform::loomcast {

inline constexpr const char* kShellFoldersKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// "Software\Korvel\Loomcast\1.0\" + code + "\Settings".
std::string SettingsKey(const std::string& productCode);

// Writes the desktop's "AppData" shell folder value (the user's application
// data folder) unless it is there already. Throws platform::Error only when
// the registry cannot be written.
void RegisterShellFolders(Registry& reg, const System& sys);
// The "AppData" shell folder value; "" when it is missing.
std::string ShellAppData(Registry& reg);

// The engine's settings under SettingsKey(code); missing values read as
// their defaults.
struct LoomcastSettings {
  bool bResumeJobs = true;  // "ResumeJobs" (DWORD, default 1)
  std::string strLogs;      // "Logs": the engine's log file; "" = no log
};
LoomcastSettings ReadSettings(Registry& reg, const std::string& productCode);

}  // namespace platform::loomcast
