#include "options/CWinReg.h"

#include <cstring>
#include <vector>

#include "platform/Text.h"

namespace {

// The platform's calls can throw on storage failures; the wrapper reports
// every failure only through its results.
template <typename F>
long Guard(F&& f) {
  try {
    return f();
  } catch (...) {
    return -1;
  }
}

// Characters of a UTF-8 text: every byte that does not continue a sequence.
size_t CharacterCount(const std::string& text) {
  size_t n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

}  // namespace

CWinReg::~CWinReg() { CloseKey(); }

bool CWinReg::InitForRead(uint32_t root, const std::string& path) {
  return InitForAccess(root, path, platform::KEY_READ, false);
}

bool CWinReg::InitForWrite(uint32_t root, const std::string& path, bool create) {
  return InitForAccess(root, path, platform::KEY_READ | platform::KEY_WRITE, create);
}

bool CWinReg::InitForAllAccess(uint32_t root, const std::string& path, bool create) {
  return InitForAccess(root, path, platform::KEY_ALL_ACCESS, create);
}

bool CWinReg::InitForAccess(uint32_t root, const std::string& path, uint32_t access, bool create) {
  CloseKey();
  platform::HKEY key = 0;
  const long rc = Guard([&] {
    return create ? m_reg.CreateKey(root, path, access, &key) : m_reg.OpenKey(root, path, access, &key);
  });
  if (rc != platform::ERROR_SUCCESS) {
    m_hKey = 0;
    return false;
  }
  m_hKey = key;
  return true;
}

bool CWinReg::CloseKey() {
  if (m_hKey == 0) return true;
  const long rc = Guard([&] { return m_reg.CloseKey(m_hKey); });
  m_hKey = 0;
  return rc == platform::ERROR_SUCCESS;
}

bool CWinReg::SetStringValue(const std::string& name, const std::string& value) {
  if (m_hKey == 0) return false;
  return Guard([&] { return m_reg.SetValue(m_hKey, name, platform::REG_SZ, value); }) == platform::ERROR_SUCCESS;
}

std::string CWinReg::GetStringValue(const std::string& name) {
  if (m_hKey == 0) return {};
  uint32_t type = 0;
  std::string data;
  // Texts are UTF-8: the limit counts characters, each at most four bytes
  // (and a terminating zero that another program may have stored).
  const long rc = Guard([&] { return m_reg.QueryValue(m_hKey, name, &type, &data, kMaxText * 4 + 1); });
  if (rc != platform::ERROR_SUCCESS) return {};
  if (type != platform::REG_SZ && type != platform::REG_EXPAND_SZ) return {};
  const size_t nul = data.find('\0');
  if (nul != std::string::npos) data.resize(nul);
  if (CharacterCount(data) > kMaxText) return {};
  return data;
}

bool CWinReg::SetNumberValue(const std::string& name, int32_t value) {
  if (m_hKey == 0) return false;
  return Guard([&] { return m_reg.SetDword(m_hKey, name, static_cast<uint32_t>(value)); }) ==
         platform::ERROR_SUCCESS;
}

int32_t CWinReg::GetNumberValue(const std::string& name, int32_t def) {
  if (m_hKey == 0) return 0;
  uint32_t type = 0;
  std::string data;
  const long rc = Guard([&] { return m_reg.QueryValue(m_hKey, name, &type, &data, 4); });
  if (rc != platform::ERROR_SUCCESS || type != platform::REG_DWORD || data.size() != 4) return def;
  uint32_t v = 0;
  std::memcpy(&v, data.data(), 4);  // stored little-endian, as the registry keeps DWORDs
  return static_cast<int32_t>(v);
}

bool CWinReg::SetYesNoValue(const std::string& name, bool value) { return SetStringValue(name, value ? "yes" : "no"); }

bool CWinReg::GetYesNoValue(const std::string& name) {
  return platform::Lower(GetStringValue(name)) == "yes";
}

bool CWinReg::DeleteValue(const std::string& name) {
  if (m_hKey == 0) return false;
  return Guard([&] { return m_reg.DeleteValue(m_hKey, name); }) == platform::ERROR_SUCCESS;
}

bool CWinReg::DeleteKey(const std::string& name) {
  if (m_hKey == 0) return false;
  return Guard([&] { return m_reg.DeleteKey(m_hKey, name); }) == platform::ERROR_SUCCESS;
}

bool CWinReg::FlushKey() {
  if (m_hKey == 0) return false;
  return Guard([&] { return m_reg.FlushKey(m_hKey); }) == platform::ERROR_SUCCESS;
}

std::string CWinReg::Values(uint32_t index) {
  if (m_hKey == 0) return {};
  std::string name;
  if (Guard([&] { return m_reg.EnumValue(m_hKey, index, &name); }) != platform::ERROR_SUCCESS) return {};
  return name.size() > kMaxText ? std::string() : name;
}

std::string CWinReg::Keys(uint32_t index) {
  if (m_hKey == 0) return {};
  std::string name;
  if (Guard([&] { return m_reg.EnumKey(m_hKey, index, &name); }) != platform::ERROR_SUCCESS) return {};
  return name;
}

void CWinReg::DeleteAllKeys() {
  // The list is complete before anything is deleted, since deleting shifts
  // the enumeration indexes.
  std::vector<std::string> names;
  for (uint32_t i = 0;; ++i) {
    std::string name = Keys(i);
    if (name.empty()) break;
    names.push_back(std::move(name));
  }
  for (const std::string& name : names) {
    CWinReg sub(m_reg);
    if (sub.InitForAllAccess(m_hKey, name, false)) {
      sub.DeleteAllKeys();
      sub.CloseKey();
    }
    DeleteKey(name);
  }
}

bool CWinReg::DeleteKeyRec(const std::string& name) {
  CWinReg sub(m_reg);
  if (sub.InitForAllAccess(m_hKey, name, false)) {
    sub.DeleteAllKeys();
    sub.CloseKey();
  }
  return DeleteKey(name);
}
