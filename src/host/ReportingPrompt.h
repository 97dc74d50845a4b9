#pragma once
// ReportingPrompt: the host's prompt when nobody answers at a terminal. It
// lets another prompt answer (unattended: the default or a fixed answer) and
// writes each message and its answer to a stream, so that what the add-in
// told the user is not lost in a batch run; progress windows become a line
// on that stream every few seconds at most (nobody cancels them).
#include <ostream>

#include "platform/Clock.h"
#include "platform/Prompt.h"

namespace host {

class ReportingPrompt : public platform::Prompt {
 public:
  // Both must outlive the prompt.
  ReportingPrompt(platform::Prompt& inner, std::ostream& out) : m_inner(inner), m_out(out) {}

  int MessageBox(const std::string& text, const std::string& title, platform::Buttons buttons,
                 platform::Icon icon = platform::Icon::None,
                 platform::DefaultButton def = platform::DefaultButton::First) override;
  std::string InputBox(const std::string& prompt, const std::string& title,
                       const std::string& defaultText = "") override;
  std::string OpenFileDialog(const std::string& title, const std::string& filter,
                             const std::string& initial = "") override;
  std::string SaveFileDialog(const std::string& title, const std::string& filter,
                             const std::string& initial = "") override;
  int ShowForm(platform::FormRequest& form) override;
  std::unique_ptr<platform::Progress> ShowProgress(const std::string& caption) override;

 private:
  platform::Prompt& m_inner;
  std::ostream& m_out;
  platform::RealClock m_clock;
};

}  // namespace host
