#pragma once
// CommandRun: how one host command plays the user at the mail client - the
// prompt chosen by --answer, and a run of the client with the add-in loaded
// that starts, lets the command act, settles the event loop and shuts down.
#include <iostream>
#include <memory>
#include <string>

#include "addin/Connect.h"
#include "host/Commands.h"
#include "host/HostSession.h"
#include "host/PromptSwitch.h"
#include "platform/Error.h"
#include "platform/Prompt.h"

namespace host {

// The prompt that --answer asks for: the terminal for "ask", otherwise the
// unattended answer with every message reported on stderr.
std::unique_ptr<platform::Prompt> MakePrompt(const GlobalOptions& g);

// The host running on a home, as a command sent to it sees it: the session
// with the add-in loaded, the prompt switch the add-in asks through, and the
// answer mode the command's client asked for.
struct AttachedHost {
  HostSession& session;
  PromptSwitch& prompts;
  std::string answer;
};

// One command's run of the client: opening the home and loading the add-in
// (constructor), acting, and shutting down (destructor, never throws). A
// command sent to a running host takes that host's session instead, with
// its own prompt for as long as it runs, and leaves the add-in running.
// Throws platform::Error when the home cannot be opened.
class Running {
 public:
  explicit Running(const GlobalOptions& g);
  ~Running();
  Running(const Running&) = delete;
  Running& operator=(const Running&) = delete;

  HostSession& S() { return *m_session; }
  Connect& C() { return m_session->AddIn(); }
  PromptSwitch& Prompts() { return *m_switch; }
  // True when the add-in runs; otherwise prints why not on stderr.
  bool Ready();

 private:
  std::unique_ptr<platform::Prompt> m_prompt;
  std::unique_ptr<PromptSwitch> m_ownSwitch;
  PromptSwitch* m_switch = nullptr;
  platform::Prompt* m_before = nullptr;  // attached: the prompt to put back
  std::unique_ptr<HostSession> m_ownSession;
  HostSession* m_session = nullptr;
};

// Runs `body(Running&)` on a started add-in and settles the loop afterwards;
// a platform::Error from the body is the command's refusal (printed, exit 1).
// Returns the body's exit code.
template <typename F>
int WithAddIn(const GlobalOptions& g, F body) {
  Running r(g);
  if (!r.Ready()) return 1;
  int rc = 0;
  try {
    rc = body(r);
  } catch (const platform::Error& e) {
    std::cerr << "zentabo: " << e.what() << "\n";
    rc = 1;
  }
  r.S().Settle();
  return rc;
}

// Throws the refusal of a command (platform::Error with `why`).
[[noreturn]] void Refuse(const std::string& why);

}  // namespace host
