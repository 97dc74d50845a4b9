#pragma once
// CDebug: the add-in's single debug writer. Every subsystem reports what it
// does and what went wrong through it; entries go either to the support
// library's log (zentab.log / zentab.err in the application data folder) or,
// with that sink off, to addin.log in the installation folder.
//
// Usage pattern throughout the add-in:
//   try { ... } catch (...) { g_Debug().OutError("mAppointments.CopyItem"); return false; }
// OutError reads the number and the description of the exception in flight
// (platform::Error carries a number; other exceptions log number 0).
#include <memory>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

namespace platform {
class Clock;
class LogFile;
}

// One argument of the variadic log calls, converted to text; `numeric` tells
// OutCall whether to quote it.
struct CDebugArg {
  std::string text;
  bool numeric = false;
  int typeNumber = 8;  // VB-style type number: 2 integer, 3 long, 5 double, 8 string, 11 boolean
  template <typename T>
  CDebugArg(const T& v) {  // NOLINT(google-explicit-constructor)
    if constexpr (std::is_same_v<T, std::vector<CDebugArg>>) {
      // An argument list passed on from another variadic call: its elements
      // are joined with one space, as if they had been passed one by one.
      for (size_t i = 0; i < v.size(); ++i) text += (i ? " " : "") + v[i].text;
    } else if constexpr (std::is_same_v<T, bool>) {
      text = v ? "True" : "False";
      typeNumber = 11;
    } else if constexpr (std::is_arithmetic_v<T>) {
      std::ostringstream s;
      s << v;
      text = s.str();
      numeric = true;
      typeNumber = std::is_integral_v<T> ? 3 : 5;
    } else {
      std::ostringstream s;
      s << v;
      text = s.str();
    }
  }
};

class CDebug {
 public:
  // installFolder: where addin.log lives (the add-in's installation folder).
  // appDataFolder: the support library's folder (…\Korvel\Zentabo) holding
  // zentab.log and zentab.err. Creating the writer trims addin.log.
  CDebug(std::string installFolder, std::string appDataFolder);
  ~CDebug();
  CDebug(const CDebug&) = delete;
  CDebug& operator=(const CDebug&) = delete;

  void Assert(bool condition, const std::string& source, const std::string& expression);
  void OutLastDllError(const std::string& source);
  void OutCustomError(const std::string& source, const std::string& message);
  // Writes the exception in flight (call inside a catch block); outside a
  // catch block it writes "Error(0)" with an empty description.
  void OutError(const std::string& source);
  void OutWarning(const std::string& source, const std::string& message);
  void OutCallV(const std::string& procedure, const std::vector<CDebugArg>& args);
  void OutV(int level, const std::vector<CDebugArg>& args);

  template <typename... A>
  void OutCall(const std::string& procedure, const A&... args) { OutCallV(procedure, {CDebugArg(args)...}); }
  template <typename... A>
  void Out(const A&... args) { OutV(1, {CDebugArg(args)...}); }
  template <typename... A>
  void Out1(const A&... args) { OutV(2, {CDebugArg(args)...}); }
  template <typename... A>
  void Out2(const A&... args) { OutV(3, {CDebugArg(args)...}); }

  void StartTimer();
  void EndTimer(const std::string& name);
  // The clock of the timings and of both sinks' time stamps (nullptr: the
  // system clock). The caller keeps ownership; it must outlive the writer.
  void SetClock(const platform::Clock* clock);

  // The formatter: "%s" and "%d" consume values; "\n", "\t", "\"" escapes.
  std::string sprintf(const std::string& format, const std::vector<CDebugArg>& values);
  template <typename... A>
  void printf(const std::string& f, const A&... a) { OutV(1, {CDebugArg(sprintf(f, {CDebugArg(a)...}))}); }
  template <typename... A>
  void printf1(const std::string& f, const A&... a) { OutV(2, {CDebugArg(sprintf(f, {CDebugArg(a)...}))}); }
  template <typename... A>
  void printf2(const std::string& f, const A&... a) { OutV(3, {CDebugArg(sprintf(f, {CDebugArg(a)...}))}); }

  void PushTab();
  void PopTab();

  long DebugTarget() const { return m_DebugTarget; }
  void DebugTarget(long v) { m_DebugTarget = v; }
  long DebugLevel() const { return m_DebugLevel; }
  void DebugLevel(long v) { m_DebugLevel = v; }
  bool UseSupportLog() const { return m_bSupportLog; }
  void UseSupportLog(bool v) { m_bSupportLog = v; }

  // Where the two sinks write: <installFolder>/addin.log and
  // <appDataFolder>/zentab.log (+ zentab.err).
  const std::string& InstallFolder() const { return m_installFolder; }
  const std::string& AppDataFolder() const { return m_appDataFolder; }

 private:
  // One entry: the support sink gets (supportText, code, source, kind, level);
  // the file sink gets fileLine when toFile is set.
  void Write(const std::string& supportText, long code, const std::string& source, int kind, int level,
             const std::string& fileLine, bool toFile);

  std::string m_installFolder;
  std::string m_appDataFolder;
  long m_hLib = 0;  // support library handle of m_appDataFolder
  std::unique_ptr<platform::LogFile> m_addinLog;  // open for the writer's life; null without a folder
  const platform::Clock* m_clock = nullptr;
  const platform::Clock& TheClock() const;
  bool m_bSupportLog = true;
  long m_DebugLevel = 2;
  long m_DebugTarget = 3;
  float m_Timers[10] = {};
  int m_TimerCount = 0;
  int m_TabDepth = 0;
  std::string m_Tab;
};

// The process-wide writer. Before the add-in creates one (and after Done
// releases it) a writer without sinks stands in, so that any code can
// always log; what it is given goes nowhere.
CDebug& g_Debug();
// Installs `debug` as the process-wide writer (nullptr: back to the stand-in).
// The caller keeps ownership.
void SetGlobalDebug(CDebug* debug);
