#include "platform/SettingsStore.h"

#include "platform/Error.h"

namespace platform {
namespace {

constexpr const char* kRoot = "Software\\VB and VBA Program Settings";

// Closes a key handle at the end of a scope.
class KeyGuard {
 public:
  KeyGuard(Registry& registry, HKEY key) : registry_(registry), key_(key) {}
  ~KeyGuard() {
    if (key_) registry_.CloseKey(key_);
  }
  KeyGuard(const KeyGuard&) = delete;
  KeyGuard& operator=(const KeyGuard&) = delete;

 private:
  Registry& registry_;
  HKEY key_;
};

// Deletes key\name with every key below it.
long DeleteTree(Registry& registry, HKEY key, const std::string& name) {
  HKEY sub = 0;
  long rc = registry.OpenKey(key, name, KEY_ALL_ACCESS, &sub);
  if (rc != ERROR_SUCCESS) return rc;
  {
    KeyGuard guard(registry, sub);
    // Collect the names first: deleting shifts the enumeration indices.
    std::vector<std::string> children;
    std::string child;
    for (uint32_t i = 0; registry.EnumKey(sub, i, &child) == ERROR_SUCCESS; ++i) children.push_back(child);
    for (const std::string& c : children) {
      rc = DeleteTree(registry, sub, c);
      if (rc != ERROR_SUCCESS) return rc;
    }
  }
  return registry.DeleteKey(key, name);
}

}  // namespace

SettingsStore::SettingsStore(Registry& registry) : registry_(registry) {}

std::string SettingsStore::SectionPath(const std::string& app, const std::string& section) {
  std::string path = std::string(kRoot) + "\\" + app;
  if (!section.empty()) path += "\\" + section;
  return path;
}

std::string SettingsStore::GetSetting(const std::string& app, const std::string& section,
                                      const std::string& key, const std::string& defaultValue) const {
  HKEY h = 0;
  if (registry_.OpenKey(HKEY_CURRENT_USER, SectionPath(app, section), KEY_READ, &h) != ERROR_SUCCESS)
    return defaultValue;
  KeyGuard guard(registry_, h);
  uint32_t type = REG_NONE;
  std::string data;
  if (registry_.QueryValue(h, key, &type, &data) != ERROR_SUCCESS) return defaultValue;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return defaultValue;
  return data;
}

void SettingsStore::SaveSetting(const std::string& app, const std::string& section,
                                const std::string& key, const std::string& value) {
  const std::string path = SectionPath(app, section);
  HKEY h = 0;
  long rc = registry_.CreateKey(HKEY_CURRENT_USER, path, KEY_ALL_ACCESS, &h);
  if (rc != ERROR_SUCCESS)
    throw Error("SaveSetting: cannot create the section HKCU\\" + path + " (error " + std::to_string(rc) + ")",
                rc);
  KeyGuard guard(registry_, h);
  rc = registry_.SetString(h, key, value);
  if (rc != ERROR_SUCCESS)
    throw Error("SaveSetting: cannot write " + key + " in HKCU\\" + path + " (error " + std::to_string(rc) + ")",
                rc);
}

bool SettingsStore::DeleteSetting(const std::string& app, const std::string& section) {
  return DeleteTree(registry_, HKEY_CURRENT_USER, SectionPath(app, section)) == ERROR_SUCCESS;
}

bool SettingsStore::DeleteSetting(const std::string& app, const std::string& section,
                                  const std::string& key) {
  HKEY h = 0;
  if (registry_.OpenKey(HKEY_CURRENT_USER, SectionPath(app, section), KEY_ALL_ACCESS, &h) != ERROR_SUCCESS)
    return false;
  KeyGuard guard(registry_, h);
  return registry_.DeleteValue(h, key) == ERROR_SUCCESS;
}

std::vector<std::pair<std::string, std::string>> SettingsStore::GetAllSettings(
    const std::string& app, const std::string& section) const {
  std::vector<std::pair<std::string, std::string>> all;
  HKEY h = 0;
  if (registry_.OpenKey(HKEY_CURRENT_USER, SectionPath(app, section), KEY_READ, &h) != ERROR_SUCCESS)
    return all;
  KeyGuard guard(registry_, h);
  std::string name;
  uint32_t type = REG_NONE;
  for (uint32_t i = 0; registry_.EnumValue(h, i, &name, &type) == ERROR_SUCCESS; ++i) {
    if (type != REG_SZ && type != REG_EXPAND_SZ) continue;
    std::string data;
    registry_.QueryValue(h, name, nullptr, &data);
    all.emplace_back(name, data);
  }
  return all;
}

}  // namespace platform
