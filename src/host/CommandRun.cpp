#include "host/CommandRun.h"

#include "host/ReportingPrompt.h"
#include "platform/TerminalPrompt.h"
#include "platform/UnattendedPrompt.h"

namespace host {

namespace {

// The unattended prompt, reporting every message on stderr.
class BatchPrompt : public ReportingPrompt {
 public:
  explicit BatchPrompt(platform::UnattendedPrompt::Policy policy)
      : ReportingPrompt(m_unattended, std::cerr), m_unattended(policy) {}

 private:
  platform::UnattendedPrompt m_unattended;
};

}  // namespace

std::unique_ptr<platform::Prompt> MakePrompt(const GlobalOptions& g) {
  if (g.answer == "ask") return std::make_unique<platform::TerminalPrompt>();
  auto policy = g.answer == "yes"  ? platform::UnattendedPrompt::Policy::Yes
                : g.answer == "no" ? platform::UnattendedPrompt::Policy::No
                                   : platform::UnattendedPrompt::Policy::Default;
  return std::make_unique<BatchPrompt>(policy);
}

Running::Running(const GlobalOptions& g) : m_prompt(MakePrompt(g)) {
  if (g.host) {
    m_session = &g.host->session;
    m_switch = &g.host->prompts;
    m_before = &m_switch->Use(*m_prompt);
    return;
  }
  m_ownSwitch = std::make_unique<PromptSwitch>(*m_prompt);
  m_switch = m_ownSwitch.get();
  m_ownSession = std::make_unique<HostSession>(g.home, *m_switch);
  m_session = m_ownSession.get();
  m_session->Start();
}

Running::~Running() {
  if (m_before) {
    m_switch->Use(*m_before);
    return;
  }
  try {
    m_session->Stop();
  } catch (...) {
  }
}

bool Running::Ready() {
  if (C().GetState() == Connect::State::Running) return true;
  std::cerr << "zentabo: the add-in is " << Connect::StateName(C().GetState());
  if (!C().UserLoaded() && C().GetState() == Connect::State::Inert)
    std::cerr << ": no valid e-mail address for the current user; set it with: zentabo profile init --home "
              << S().Sys().Home().string() << " --name NAME --email ADDRESS";
  if (C().GetState() == Connect::State::Unloaded)
    std::cerr << ": the client does not load it (its registration " << Connect::kProgId
              << " is missing or off; zentabo profile init registers it)";
  std::cerr << " (see: zentabo --home " << S().Sys().Home().string() << " log --errors)\n";
  return false;
}

void Refuse(const std::string& why) { throw platform::Error(why); }

}  // namespace host
