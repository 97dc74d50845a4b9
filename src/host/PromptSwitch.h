#pragma once
// PromptSwitch: the prompt a long-running host gives the add-in. Questions
// go to the prompt in use: the host's own between commands, and the one a
// command sent to the host asked for (its --answer) while that command runs.
#include <memory>

#include "platform/Prompt.h"

namespace host {

class PromptSwitch : public platform::Prompt {
 public:
  // initial must outlive the switch, or be switched away from first.
  explicit PromptSwitch(platform::Prompt& initial) : m_current(&initial) {}

  // Lets `prompt` answer from now on; returns the prompt that answered
  // before, to be put back with Use when the command is over.
  platform::Prompt& Use(platform::Prompt& prompt);

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
  platform::Prompt* m_current;
};

}  // namespace host
