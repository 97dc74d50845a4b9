#pragma once
// CWinReg: one open registry key and the add-in's three value conventions on
// it: text (REG_SZ, read back up to 255 characters), number (REG_DWORD) and
// yes/no (the text "yes" or "no"). Every registry access of the add-in goes
// through it. Create one object per task; destroying it closes its key.
// Nothing here throws or logs: failures show only in the results.
#include <cstdint>
#include <string>

#include "platform/Registry.h"

class CWinReg {
 public:
  static constexpr uint32_t HKEY_CLASSES_ROOT = platform::HKEY_CLASSES_ROOT;
  static constexpr uint32_t HKEY_CURRENT_USER = platform::HKEY_CURRENT_USER;
  static constexpr uint32_t HKEY_LOCAL_MACHINE = platform::HKEY_LOCAL_MACHINE;
  // Longest text value, in characters, that reads back; longer ones read as empty.
  static constexpr size_t kMaxText = 255;

  // The registry must outlive the object.
  explicit CWinReg(platform::Registry& registry) : m_reg(registry) {}
  ~CWinReg();
  CWinReg(const CWinReg&) = delete;
  CWinReg& operator=(const CWinReg&) = delete;

  // Opens root\path for reading; never creates. False when it does not exist.
  bool InitForRead(uint32_t root, const std::string& path);
  // Opens (with create: creates when missing) root\path for reading and writing.
  bool InitForWrite(uint32_t root, const std::string& path, bool create);
  // As InitForWrite with full access (needed to delete subkeys).
  bool InitForAllAccess(uint32_t root, const std::string& path, bool create);
  // The common worker: open or create with `access`; any key held before is
  // closed first. On failure the object holds no key.
  bool InitForAccess(uint32_t root, const std::string& path, uint32_t access, bool create);

  // Closes the key; true also when none is open.
  bool CloseKey();
  bool IsOpen() const { return m_hKey != 0; }
  // The open key's handle (0 when none), usable as a root for another CWinReg.
  uint32_t Handle() const { return m_hKey; }

  // Writes a REG_SZ value. False with no key open or on a write failure.
  bool SetStringValue(const std::string& name, const std::string& value);
  // The REG_SZ / REG_EXPAND_SZ value (not expanded); empty when no key is
  // open, the value is missing, of another type or longer than 255 characters.
  std::string GetStringValue(const std::string& name);
  bool SetNumberValue(const std::string& name, int32_t value);
  // The REG_DWORD value, `def` when it is missing or of another type; 0 when
  // no key is open.
  int32_t GetNumberValue(const std::string& name, int32_t def);
  // Writes "yes" or "no".
  bool SetYesNoValue(const std::string& name, bool value);
  // True exactly when the text value, lower-cased, is "yes".
  bool GetYesNoValue(const std::string& name);
  bool DeleteValue(const std::string& name);
  // Deletes a subkey that has no subkeys of its own.
  bool DeleteKey(const std::string& name);
  bool FlushKey();

  // Name of the index-th value / subkey (from 0); empty past the end.
  std::string Values(uint32_t index);
  std::string Keys(uint32_t index);

  // Deletes every subkey with everything below it; the key and its values stay.
  void DeleteAllKeys();
  // Deletes subkey `name` with everything below it. False when it is missing
  // or could not be deleted.
  bool DeleteKeyRec(const std::string& name);

 private:
  platform::Registry& m_reg;
  uint32_t m_hKey = 0;
};
