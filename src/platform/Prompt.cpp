#include "platform/Prompt.h"

namespace platform {

std::vector<int> AnswersOf(Buttons buttons) {
  switch (buttons) {
    case Buttons::OK: return {IDOK};
    case Buttons::OKCancel: return {IDOK, IDCANCEL};
    case Buttons::AbortRetryIgnore: return {IDABORT, IDRETRY, IDIGNORE};
    case Buttons::YesNoCancel: return {IDYES, IDNO, IDCANCEL};
    case Buttons::YesNo: return {IDYES, IDNO};
    case Buttons::RetryCancel: return {IDRETRY, IDCANCEL};
  }
  return {IDOK};
}

int DefaultAnswer(Buttons buttons, DefaultButton def) {
  const std::vector<int> answers = AnswersOf(buttons);
  const size_t index = static_cast<size_t>(def) / 256;
  return index < answers.size() ? answers[index] : answers.front();
}

std::string AnswerName(int answer) {
  switch (answer) {
    case IDOK: return "OK";
    case IDCANCEL: return "Cancel";
    case IDABORT: return "Abort";
    case IDRETRY: return "Retry";
    case IDIGNORE: return "Ignore";
    case IDYES: return "Yes";
    case IDNO: return "No";
  }
  return "";
}

std::string FormRequest::Get(const std::string& field) const {
  for (const auto& [name, value] : fields)
    if (name == field) return value;
  return "";
}

void FormRequest::Set(const std::string& field, const std::string& value) {
  for (auto& [name, v] : fields)
    if (name == field) {
      v = value;
      return;
    }
  fields.emplace_back(field, value);
}

}  // namespace platform
