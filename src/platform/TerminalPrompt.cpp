#include "platform/TerminalPrompt.h"

#include <poll.h>
#include <unistd.h>

#include <cctype>

#include "platform/ProgressBar.h"

#include "platform/Text.h"

namespace platform {
namespace {

// The key a button answers to: the first letter of its name.
char KeyOf(int answer) {
  const std::string name = AnswerName(answer);
  return name.empty() ? '\0' : static_cast<char>(std::tolower(static_cast<unsigned char>(name[0])));
}

}  // namespace

TerminalPrompt::TerminalPrompt(std::istream& in, std::ostream& out, std::ostream& err)
    : in_(in), out_(out), err_(err) {}

std::unique_ptr<Progress> TerminalPrompt::ShowProgress(const std::string& caption) {
  return std::make_unique<ProgressBar>(err_, caption + " (c + Enter cancels)", [this] { return CancelTyped(); });
}

bool TerminalPrompt::CancelTyped() {
  if (&in_ != &std::cin) return false;
  pollfd fd{STDIN_FILENO, POLLIN, 0};
  if (::poll(&fd, 1, 0) <= 0 || !(fd.revents & POLLIN)) return false;
  std::string line;
  if (!ReadLine(&line)) return false;
  line = Trim(line, kWhiteSpace);
  return !line.empty() && std::tolower(static_cast<unsigned char>(line[0])) == 'c';
}

bool TerminalPrompt::ReadLine(std::string* line) {
  if (!std::getline(in_, *line)) return false;
  if (!line->empty() && line->back() == '\r') line->pop_back();
  return true;
}

int TerminalPrompt::AskButton(Buttons buttons, DefaultButton def) {
  const std::vector<int> answers = AnswersOf(buttons);
  const int fallback = DefaultAnswer(buttons, def);
  for (;;) {
    out_ << "[";
    for (size_t i = 0; i < answers.size(); ++i) {
      const std::string name = AnswerName(answers[i]);
      out_ << (i ? "/" : "") << "(" << name[0] << ")" << name.substr(1);
    }
    out_ << "] default " << AnswerName(fallback) << ": " << std::flush;
    std::string line;
    if (!ReadLine(&line)) {
      out_ << "\n";
      return fallback;
    }
    line = Trim(line, kWhiteSpace);
    if (line.empty()) return fallback;
    const char key = static_cast<char>(std::tolower(static_cast<unsigned char>(line[0])));
    for (int a : answers)
      if (KeyOf(a) == key) return a;
  }
}

int TerminalPrompt::MessageBox(const std::string& text, const std::string& title, Buttons buttons, Icon,
                               DefaultButton def) {
  out_ << "\n== " << title << " ==\n" << text << "\n";
  return AskButton(buttons, def);
}

std::string TerminalPrompt::InputBox(const std::string& prompt, const std::string& title,
                                     const std::string& defaultText) {
  out_ << "\n== " << title << " ==\n" << prompt << "\n[" << defaultText << "] ('.' cancels): " << std::flush;
  std::string line;
  if (!ReadLine(&line)) return defaultText;
  if (line == ".") return "";
  return line.empty() ? defaultText : line;
}

std::string TerminalPrompt::AskPath(const std::string& what, const std::string& title,
                                    const std::string& filter, const std::string& initial) {
  out_ << "\n== " << title << " ==\n" << what << " (" << filter << ")\n[" << initial
       << "] ('.' cancels): " << std::flush;
  std::string line;
  if (!ReadLine(&line)) return "";
  line = Trim(line, kWhiteSpace);
  if (line == ".") return "";
  return line.empty() ? initial : line;
}

std::string TerminalPrompt::OpenFileDialog(const std::string& title, const std::string& filter,
                                           const std::string& initial) {
  return AskPath("File to open", title, filter, initial);
}

std::string TerminalPrompt::SaveFileDialog(const std::string& title, const std::string& filter,
                                           const std::string& initial) {
  return AskPath("File to save", title, filter, initial);
}

int TerminalPrompt::ShowForm(FormRequest& form) {
  out_ << "\n== " << form.name << " ==\n";
  for (const auto& [name, value] : form.fields) out_ << "  " << name << " = " << value << "\n";
  out_ << "Change fields with name=value lines, an empty line ends:\n" << std::flush;
  std::string line;
  while (ReadLine(&line) && !Trim(line, kWhiteSpace).empty()) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos) {
      out_ << "name=value expected\n" << std::flush;
      continue;
    }
    form.Set(Trim(line.substr(0, eq), kWhiteSpace), line.substr(eq + 1));
  }
  return AskButton(form.buttons, form.defaultButton);
}

}  // namespace platform
