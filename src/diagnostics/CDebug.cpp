#include "diagnostics/CDebug.h"

#include <cerrno>
#include <exception>
#include <filesystem>

#include "diagnostics/LibKorvel.h"
#include "platform/Clock.h"
#include "platform/Error.h"
#include "platform/FileUtil.h"
#include "platform/LogFile.h"

namespace fs = std::filesystem;

namespace {

// addin.log is dropped at start-up from this size on.
constexpr std::uintmax_t kAddinLogLimit = 1024001;

std::string Join(const std::vector<CDebugArg>& args) {
  std::string out;
  for (size_t i = 0; i < args.size(); ++i) {
    if (i) out += ' ';
    out += args[i].text;
  }
  return out;
}

const char* TypeName(int typeNumber) {
  switch (typeNumber) {
    case 2: return "Integer";
    case 3: return "Long";
    case 5: return "Double";
    case 8: return "String";
    case 11: return "Boolean";
    default: return "Variant";
  }
}

}  // namespace

const platform::Clock& CDebug::TheClock() const {
  static const platform::RealClock realClock;
  return m_clock ? *m_clock : realClock;
}

CDebug::CDebug(std::string installFolder, std::string appDataFolder)
    : m_installFolder(std::move(installFolder)), m_appDataFolder(std::move(appDataFolder)) {
  m_hLib = LibKorvelOpen(m_appDataFolder);
  if (m_installFolder.empty()) return;
  const fs::path log = fs::path(m_installFolder) / "addin.log";
  try {
    if (platform::FileUtil::Exists(log) && platform::FileUtil::Size(log) >= kAddinLogLimit)
      platform::FileUtil::Delete(log);
  } catch (...) {
    // An unreadable log is left alone; writing to it will fail quietly too.
  }
  m_addinLog = std::make_unique<platform::LogFile>(log);
}

CDebug::~CDebug() {
  if (m_TimerCount != 0) Out("Warning - CDebug.m_TimerCount <> 0!");
  if (m_clock) LibKorvelSetClock(m_hLib, nullptr);
}

void CDebug::SetClock(const platform::Clock* clock) {
  m_clock = clock;
  LibKorvelSetClock(m_hLib, clock);
}

void CDebug::Write(const std::string& supportText, long code, const std::string& source, int kind, int level,
                   const std::string& fileLine, bool toFile) {
  try {
    if (m_bSupportLog) {
      LibKorvelLogMsg(m_hLib, supportText, code, source, kind, level);
      return;
    }
    if (!toFile || !m_addinLog) return;
    m_addinLog->Append(TheClock().Now().ToIso() + ' ' + m_Tab + fileLine + "\n");
  } catch (...) {
    // A log that cannot be written must never disturb the caller.
  }
}

void CDebug::Assert(bool condition, const std::string& source, const std::string& expression) {
  if (condition) return;
  Write("Assert Failed : " + expression, 0, source, 3, 1,
        "ERROR - ASSERT FAILED: " + source + "\t" + expression + " = FALSE", true);
}

void CDebug::OutLastDllError(const std::string& source) {
  const long number = errno;
  Write("LastDllError", number, source, 3, 1, "DllError(" + std::to_string(number) + ") : " + source, true);
  errno = 0;
}

void CDebug::OutCustomError(const std::string& source, const std::string& message) {
  Write(message, 0, source, 3, 1, "Error(custom) : " + source + "\t" + message, true);
}

void CDebug::OutError(const std::string& source) {
  long number = 0;
  std::string description;
  if (std::exception_ptr current = std::current_exception()) {
    try {
      std::rethrow_exception(current);
    } catch (const platform::Error& e) {
      number = e.number();
      description = e.what();
    } catch (const std::exception& e) {
      description = e.what();
    } catch (...) {
      description = "Unknown error";
    }
  }
  Write(description, 0, source, 3, 1, "Error(" + std::to_string(number) + ") : " + source + "\t" + description,
        true);
}

void CDebug::OutWarning(const std::string& source, const std::string& message) {
  Write(message, 0, source, 2, 1, "Warning : " + source + "\t" + message, true);
}

void CDebug::OutCallV(const std::string& procedure, const std::vector<CDebugArg>& args) {
  std::string text = "Call " + procedure + "(";
  for (size_t i = 0; i < args.size(); ++i) {
    if (i) text += ", ";
    text += args[i].numeric ? args[i].text : "'" + args[i].text + "'";
  }
  text += ")";
  Write(text, 0, procedure, 1, 3, text, true);
}

void CDebug::OutV(int level, const std::vector<CDebugArg>& args) {
  const std::string text = Join(args);
  // The file sink's detail gating: Out1 only at DebugLevel 1, Out2 only at 2.
  const bool toFile = level == 1 || (level == 2 && m_DebugLevel == 1) || (level == 3 && m_DebugLevel == 2);
  Write(text, 0, "", 1, level, text, toFile);
}

void CDebug::StartTimer() {
  if (m_TimerCount >= 10) {
    Out("Warning CDebug.StartTimer can't run");
    return;
  }
  m_Timers[m_TimerCount++] = static_cast<float>(TheClock().SecondsSinceMidnight());
}

void CDebug::EndTimer(const std::string& name) {
  if (m_TimerCount <= 0) {
    Out("Warning: CDebug::EndTimer can't run");
    return;
  }
  float elapsed = static_cast<float>(TheClock().SecondsSinceMidnight()) - m_Timers[m_TimerCount - 1];
  if (elapsed < 0) elapsed += 86400.0f;  // the timing ran over midnight
  std::ostringstream s;
  s << elapsed;
  Out2("  " + name + " timing : " + s.str());
  --m_TimerCount;
}

std::string CDebug::sprintf(const std::string& format, const std::vector<CDebugArg>& values) {
  std::string out;
  size_t next = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c == '%' && i + 1 < format.size()) {
      const char specifier = format[++i];
      if (specifier != 's' && specifier != 'd') {
        OutWarning("CDebug.sprintf('" + format + "')", std::string("Invalid format specificator(%") + specifier + ")");
        out += '%';
        out += specifier;
        continue;
      }
      if (next >= values.size()) {
        OutWarning("CDebug.sprintf('" + format + "')", std::string("No value for %") + specifier);
        continue;
      }
      const CDebugArg& v = values[next++];
      if (specifier == 's' && v.typeNumber != 8)
        OutWarning("CDebug.sprintf('" + format + "')", "Value for %s is of type " + std::to_string(v.typeNumber) +
                                                           " (" + TypeName(v.typeNumber) + ")");
      if (specifier == 'd' && !v.numeric)
        OutWarning("CDebug.sprintf('" + format + "')", "Value for %d is not numeric: '" + v.text + "'");
      out += v.text;
    } else if (c == '\\' && i + 1 < format.size()) {
      const char esc = format[++i];
      switch (esc) {
        case 'n': out += "\r\n"; break;
        case 't': out += '\t'; break;
        case '"': out += '"'; break;
        default:
          OutWarning("CDebug.sprintf('" + format + "')", std::string("Invalid format specificator '\\") + esc);
          out += '\\';
          out += esc;
      }
    } else {
      out += c;
    }
  }
  return out;
}

void CDebug::PushTab() {
  ++m_TabDepth;
  m_Tab.assign(static_cast<size_t>(m_TabDepth), ' ');
}

void CDebug::PopTab() {
  if (m_TabDepth > 0) --m_TabDepth;
  m_Tab.assign(static_cast<size_t>(m_TabDepth), ' ');
}

namespace {

CDebug* g_installed = nullptr;

// Writes nowhere: until the add-in names its folders there is no log.
CDebug& StandIn() {
  static CDebug standIn("", "");
  return standIn;
}

}  // namespace

CDebug& g_Debug() { return g_installed ? *g_installed : StandIn(); }

void SetGlobalDebug(CDebug* debug) { g_installed = debug; }
