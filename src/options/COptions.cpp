#include "options/COptions.h"

#include "diagnostics/CDebug.h"
#include "options/CWinReg.h"

COptions::COptions(platform::Registry& registry, std::string storeId)
    : m_reg(registry), m_storeId(std::move(storeId)) {}

std::string COptions::KeyPath(const std::string& subKey) const {
  return subKey.empty() ? GetRegPath() : GetRegPath() + "\\" + subKey;
}

long COptions::GetNumber(const std::string& name, long def, const std::string& subKey, uint32_t root) {
  CWinReg r(m_reg);
  if (!r.InitForRead(root, KeyPath(subKey))) return def;
  return r.GetNumberValue(name, static_cast<int32_t>(def));
}

bool COptions::SetNumber(const std::string& name, long value, const std::string& subKey) {
  CWinReg r(m_reg);
  if (!r.InitForWrite(CWinReg::HKEY_CURRENT_USER, KeyPath(subKey), true) ||
      !r.SetNumberValue(name, static_cast<int32_t>(value))) {
    g_Debug().OutCustomError("COptions.SetNumber", "can't write " + KeyPath(subKey) + "\\" + name);
    return false;
  }
  return true;
}

bool COptions::NeedLocalSync() { return GetNumber("NeedLocalSync", 0, m_storeId) != 0; }
void COptions::NeedLocalSync(bool value) { SetNumber("NeedLocalSync", value ? 1 : 0, m_storeId); }

long COptions::ZipLogs() { return GetNumber("ZipLogs", 1); }
void COptions::ZipLogs(long value) { SetNumber("ZipLogs", value); }

long COptions::ShowHomepage() { return GetNumber("ShowHomepage", 1); }
void COptions::ShowHomepage(long value) { SetNumber("ShowHomepage", value); }

long COptions::DebugButton() {
  if (!m_debugButton) m_debugButton = GetNumber("DebugButton", 0);
  return *m_debugButton;
}

void COptions::DebugButton(long value) {
  if (SetNumber("DebugButton", value)) m_debugButton = value;
}

bool COptions::GetLogBit(int bit) {
  if (!m_logEvents) m_logEvents = GetNumber("LogEvents", 7);
  return (*m_logEvents & (1L << (bit - 1))) != 0;
}

void COptions::SetLogBit(int bit, bool value) {
  // A first change starts from all four switches on, unlike a plain read.
  if (!m_logEvents) m_logEvents = GetNumber("LogEvents", 15);
  const long mask = 1L << (bit - 1);
  m_logEvents = value ? (*m_logEvents | mask) : (*m_logEvents & ~mask);
  SetNumber("LogEvents", *m_logEvents);
}

std::string COptions::GetProductText(const std::string& name) {
  CWinReg r(m_reg);
  if (!r.InitForRead(CWinReg::HKEY_CURRENT_USER, GetRegPath())) return {};
  return r.GetStringValue(name);
}

bool COptions::SetProductText(const std::string& name, const std::string& value) {
  CWinReg r(m_reg);
  if (!r.InitForWrite(CWinReg::HKEY_CURRENT_USER, GetRegPath(), true) || !r.SetStringValue(name, value)) {
    g_Debug().OutCustomError("COptions.SetProductText", "can't write " + GetRegPath() + "\\" + name);
    return false;
  }
  return true;
}
