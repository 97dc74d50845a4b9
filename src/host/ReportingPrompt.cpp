#include "host/ReportingPrompt.h"

#include "platform/ProgressLines.h"

namespace host {

int ReportingPrompt::MessageBox(const std::string& text, const std::string& title, platform::Buttons buttons,
                                platform::Icon icon, platform::DefaultButton def) {
  int answer = m_inner.MessageBox(text, title, buttons, icon, def);
  m_out << "[" << title << "] " << text;
  if (buttons != platform::Buttons::OK) m_out << " -> " << platform::AnswerName(answer);
  m_out << "\n";
  return answer;
}

std::string ReportingPrompt::InputBox(const std::string& prompt, const std::string& title,
                                      const std::string& defaultText) {
  std::string answer = m_inner.InputBox(prompt, title, defaultText);
  m_out << "[" << title << "] " << prompt << " -> \"" << answer << "\"\n";
  return answer;
}

std::string ReportingPrompt::OpenFileDialog(const std::string& title, const std::string& filter,
                                            const std::string& initial) {
  std::string answer = m_inner.OpenFileDialog(title, filter, initial);
  m_out << "[" << title << "] open file -> \"" << answer << "\"\n";
  return answer;
}

std::string ReportingPrompt::SaveFileDialog(const std::string& title, const std::string& filter,
                                            const std::string& initial) {
  std::string answer = m_inner.SaveFileDialog(title, filter, initial);
  m_out << "[" << title << "] save file -> \"" << answer << "\"\n";
  return answer;
}

int ReportingPrompt::ShowForm(platform::FormRequest& form) {
  int answer = m_inner.ShowForm(form);
  m_out << "[" << form.name << "] -> " << platform::AnswerName(answer) << "\n";
  return answer;
}

std::unique_ptr<platform::Progress> ReportingPrompt::ShowProgress(const std::string& caption) {
  return std::make_unique<platform::ProgressLines>(m_out, m_clock, caption);
}

}  // namespace host
