#pragma once
// COptions: the product-wide switches kept beside the preference set (log and
// diagnostic settings under Software\Korvel\Zentabo, the per-store mark that
// a local synchronisation is needed) and the product constants. DebugButton
// and the LogEvents bits are read once and then kept for the object's life.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/Registry.h"
#include "platform/System.h"

class COptions {
 public:
  // storeId: the store key naming the per-store registry section. The
  // registry must outlive the object.
  COptions(platform::Registry& registry, std::string storeId);

  static std::string CompanyShortName() { return "Korvel"; }
  static std::string ProductShortName() { return "Zentabo"; }
  static std::string ProductCode() { return "Zentab"; }
  // The product's registry key under HKEY_CURRENT_USER.
  static constexpr const char* kRegPath = "Software\\Korvel\\Zentabo";
  static std::string GetRegPath() { return kRegPath; }
  // The add-in's application data folder (the support library's logs):
  // <the user's roaming application data>/Korvel/Zentabo.
  static std::filesystem::path AppDataFolder(const platform::System& system) {
    return system.AppData() / CompanyShortName() / ProductShortName();
  }

  // Software\Korvel\Zentabo\<store id>: NeedLocalSync (default 0).
  bool NeedLocalSync();
  void NeedLocalSync(bool value);

  // Product key numbers.
  long ZipLogs();       // default 1
  void ZipLogs(long value);
  long ShowHomepage();  // default 1
  void ShowHomepage(long value);
  long DebugButton();   // default 0; read once
  void DebugButton(long value);

  // The LogEvents bit set (default 7), read once: bits 1 to 4.
  bool LogEvents() { return GetLogBit(1); }
  void LogEvents(bool v) { SetLogBit(1, v); }
  bool LogOnlyAppointEvents() { return GetLogBit(2); }
  void LogOnlyAppointEvents(bool v) { SetLogBit(2, v); }
  bool LogOnlyNotIgnoredEvents() { return GetLogBit(3); }
  void LogOnlyNotIgnoredEvents(bool v) { SetLogBit(3, v); }
  bool LogNotStartedEventsAsError() { return GetLogBit(4); }
  void LogNotStartedEventsAsError(bool v) { SetLogBit(4, v); }

  // Product key texts ("lang", "DetectBug117", "NotUseSendRecieve",
  // "FirstRun"); empty when missing.
  std::string GetProductText(const std::string& name);
  bool SetProductText(const std::string& name, const std::string& value);

  // A number value of `subKey` (empty: the product key; else a key below
  // it) under `root`; `def` when the key or value is missing.
  long GetNumber(const std::string& name, long def, const std::string& subKey = "",
                 uint32_t root = platform::HKEY_CURRENT_USER);
  // Writes a number value, creating the key. False when it cannot be written.
  bool SetNumber(const std::string& name, long value, const std::string& subKey = "");

 private:
  std::string KeyPath(const std::string& subKey) const;
  bool GetLogBit(int bit);
  void SetLogBit(int bit, bool value);

  platform::Registry& m_reg;
  std::string m_storeId;
  std::optional<long> m_debugButton;
  std::optional<long> m_logEvents;
};
