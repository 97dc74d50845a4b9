#pragma once
// UnattendedPrompt: the prompt when no one is there (batch runs, services).
// Every question gets the default button and the default text, or, when a
// fixed answer is configured, "yes" (Yes, else OK, else Retry) or "no" (No,
// else Cancel, else the default). File dialogs are cancelled unless a path
// is configured; progress windows show nothing and are never cancelled.
// Nothing is read or written.
#include <string>

#include "platform/Prompt.h"

namespace platform {

class UnattendedPrompt : public Prompt {
 public:
  enum class Policy { Default, Yes, No };

  explicit UnattendedPrompt(Policy policy = Policy::Default) : policy_(policy) {}
  void SetPolicy(Policy policy) { policy_ = policy; }
  // The path every file dialog answers; "" (the initial state) cancels them.
  void SetFileAnswer(const std::string& path) { fileAnswer_ = path; }

  // The answer the policy gives for a button set and default button.
  int Choose(Buttons buttons, DefaultButton def) const;

  int MessageBox(const std::string& text, const std::string& title, Buttons buttons,
                 Icon icon = Icon::None, DefaultButton def = DefaultButton::First) override;
  std::string InputBox(const std::string& prompt, const std::string& title,
                       const std::string& defaultText = "") override;
  std::string OpenFileDialog(const std::string& title, const std::string& filter,
                             const std::string& initial = "") override;
  std::string SaveFileDialog(const std::string& title, const std::string& filter,
                             const std::string& initial = "") override;
  int ShowForm(FormRequest& form) override;
  std::unique_ptr<Progress> ShowProgress(const std::string& caption) override;

 private:
  Policy policy_;
  std::string fileAnswer_;
};

}  // namespace platform
