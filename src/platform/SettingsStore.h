#pragma once
// SettingsStore: the per-user application settings store (application,
// section, key -> text) in the classic Basic style. It lives in the current
// user's registry hive: section "A\B" of application "App" is the key
// HKCU\Software\VB and VBA Program Settings\App\A\B, each setting a REG_SZ
// value of it. Names are compared without regard to case.
#include <string>
#include <utility>
#include <vector>

#include "platform/Registry.h"

namespace platform {

class SettingsStore {
 public:
  // The registry must outlive the store.
  explicit SettingsStore(Registry& registry);

  // GetSetting: the stored text, or defaultValue when the section or the key
  // does not exist (or holds a non-text value).
  std::string GetSetting(const std::string& app, const std::string& section,
                         const std::string& key, const std::string& defaultValue = "") const;
  // SaveSetting: creates the section as needed and writes the text.
  // Throws platform::Error when the registry refuses the write.
  void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                   const std::string& value);
  // DeleteSetting(app, section): removes the section with every section below
  // it. Returns false (and changes nothing) when the section does not exist.
  bool DeleteSetting(const std::string& app, const std::string& section);
  // DeleteSetting(app, section, key): removes one setting; false when missing.
  bool DeleteSetting(const std::string& app, const std::string& section, const std::string& key);
  // GetAllSettings: (key, text) pairs of the section in the order they were
  // created; empty when the section does not exist.
  std::vector<std::pair<std::string, std::string>> GetAllSettings(const std::string& app,
                                                                  const std::string& section) const;

  // The registry the settings live in: Registry::BeginBatch (or a
  // RegistryBatch over it) makes a run of settings writes one atomic batch.
  Registry& Hive() const { return registry_; }

  // The registry path of a section below HKEY_CURRENT_USER.
  static std::string SectionPath(const std::string& app, const std::string& section);

 private:
  Registry& registry_;
};

}  // namespace platform
