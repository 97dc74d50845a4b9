#include "platform/engine/LoomcastSettings.h"

#include <cstring>

#include "platform/Error.h"

namespace platform::loomcast {

namespace {

// A registry text value; "" when missing or of another type.
std::string ReadText(Registry& reg, const std::string& key, const std::string& name) {
  HKEY h = 0;
  if (reg.OpenKey(HKEY_CURRENT_USER, key, KEY_READ, &h) != ERROR_SUCCESS) return "";
  uint32_t type = 0;
  std::string data;
  const long rc = reg.QueryValue(h, name, &type, &data);
  reg.CloseKey(h);
  return rc == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ) ? data : "";
}

}  // namespace

std::string SettingsKey(const std::string& productCode) {
  return "Software\\Korvel\\Loomcast\\1.0\\" + productCode + "\\Settings";
}

void RegisterShellFolders(Registry& reg, const System& sys) {
  if (!ShellAppData(reg).empty()) return;
  HKEY h = 0;
  if (reg.CreateKey(HKEY_CURRENT_USER, kShellFoldersKey, KEY_ALL_ACCESS, &h) != ERROR_SUCCESS ||
      reg.SetString(h, "AppData", sys.AppData().string()) != ERROR_SUCCESS) {
    if (h) reg.CloseKey(h);
    throw Error("cannot write the AppData shell folder value");
  }
  reg.CloseKey(h);
}

std::string ShellAppData(Registry& reg) { return ReadText(reg, kShellFoldersKey, "AppData"); }

LoomcastSettings ReadSettings(Registry& reg, const std::string& productCode) {
  LoomcastSettings s;
  const std::string key = SettingsKey(productCode);
  s.strLogs = ReadText(reg, key, "Logs");
  HKEY h = 0;
  if (reg.OpenKey(HKEY_CURRENT_USER, key, KEY_READ, &h) == ERROR_SUCCESS) {
    uint32_t type = 0;
    std::string data;
    if (reg.QueryValue(h, "ResumeJobs", &type, &data) == ERROR_SUCCESS && type == REG_DWORD && data.size() == 4) {
      uint32_t v = 0;
      std::memcpy(&v, data.data(), 4);
      s.bResumeJobs = v != 0;
    }
    reg.CloseKey(h);
  }
  return s;
}

}  // namespace platform::loomcast
