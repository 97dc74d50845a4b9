#include "host/PromptSwitch.h"

namespace host {

platform::Prompt& PromptSwitch::Use(platform::Prompt& prompt) {
  platform::Prompt& before = *m_current;
  m_current = &prompt;
  return before;
}

int PromptSwitch::MessageBox(const std::string& text, const std::string& title, platform::Buttons buttons,
                             platform::Icon icon, platform::DefaultButton def) {
  return m_current->MessageBox(text, title, buttons, icon, def);
}

std::string PromptSwitch::InputBox(const std::string& prompt, const std::string& title,
                                   const std::string& defaultText) {
  return m_current->InputBox(prompt, title, defaultText);
}

std::string PromptSwitch::OpenFileDialog(const std::string& title, const std::string& filter,
                                         const std::string& initial) {
  return m_current->OpenFileDialog(title, filter, initial);
}

std::string PromptSwitch::SaveFileDialog(const std::string& title, const std::string& filter,
                                         const std::string& initial) {
  return m_current->SaveFileDialog(title, filter, initial);
}

int PromptSwitch::ShowForm(platform::FormRequest& form) { return m_current->ShowForm(form); }

std::unique_ptr<platform::Progress> PromptSwitch::ShowProgress(const std::string& caption) {
  return m_current->ShowProgress(caption);
}

}  // namespace host
