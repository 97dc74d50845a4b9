#include "platform/UnattendedPrompt.h"

#include <algorithm>

namespace platform {

int UnattendedPrompt::Choose(Buttons buttons, DefaultButton def) const {
  const std::vector<int> answers = AnswersOf(buttons);
  auto has = [&](int a) { return std::find(answers.begin(), answers.end(), a) != answers.end(); };
  switch (policy_) {
    case Policy::Yes:
      for (int a : {IDYES, IDOK, IDRETRY})
        if (has(a)) return a;
      break;
    case Policy::No:
      for (int a : {IDNO, IDCANCEL})
        if (has(a)) return a;
      break;
    case Policy::Default:
      break;
  }
  return DefaultAnswer(buttons, def);
}

int UnattendedPrompt::MessageBox(const std::string&, const std::string&, Buttons buttons, Icon,
                                 DefaultButton def) {
  return Choose(buttons, def);
}

std::string UnattendedPrompt::InputBox(const std::string&, const std::string&,
                                       const std::string& defaultText) {
  return defaultText;
}

std::string UnattendedPrompt::OpenFileDialog(const std::string&, const std::string&, const std::string&) {
  return fileAnswer_;
}

std::string UnattendedPrompt::SaveFileDialog(const std::string&, const std::string&, const std::string&) {
  return fileAnswer_;
}

int UnattendedPrompt::ShowForm(FormRequest& form) { return Choose(form.buttons, form.defaultButton); }

namespace {
// Nobody sees it and nobody cancels it.
class SilentProgress : public Progress {
 public:
  void SetText(const std::string&) override {}
  void SetPercent(int) override {}
  bool Cancelled() override { return false; }
};
}  // namespace

std::unique_ptr<Progress> UnattendedPrompt::ShowProgress(const std::string&) {
  return std::make_unique<SilentProgress>();
}

}  // namespace platform
