#pragma once
// Test homes: a fresh user home in a temporary folder, initialised as
// `zentabo profile init` does, opened by a HostSession on a virtual clock
// with a scripted prompt. Several homes of one test share one post office.
#include <filesystem>
#include <memory>
#include <string>

#include "host/HostSession.h"
#include "platform/Clock.h"
#include "platform/ScriptedPrompt.h"

namespace testing_support {

// A temporary folder removed with everything in it at destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

class TempHome {
 public:
  // Creates <root>/<name> for `email`, with the post office <root>/postoffice.
  TempHome(const std::filesystem::path& root, const std::string& name, const std::string& email,
           const std::string& clientVersion = "11.0.5608");
  // Opens the home (the session holds the profile until Close).
  host::HostSession& Open();
  void Close();
  host::HostSession& S() { return *session_; }
  platform::ScriptedPrompt& Prompt() { return prompt_; }
  platform::VirtualClock& Clock() { return clock_; }
  const std::filesystem::path& Home() const { return home_; }
  // The support log's text (zentab.log).
  std::string Log() const;
  std::string ErrLog() const;

 private:
  std::filesystem::path home_;
  platform::ScriptedPrompt prompt_;
  platform::VirtualClock clock_{platform::Date::FromParts(2026, 12, 5, 9, 0, 0)};
  std::unique_ptr<host::HostSession> session_;
};

}  // namespace testing_support
