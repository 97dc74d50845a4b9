#include "platform/ScriptedPrompt.h"

#include <algorithm>

namespace platform {

namespace {

// Writes what it shows into its record (by index: the records may move).
class ScriptedProgress : public Progress {
 public:
  ScriptedProgress(std::vector<ProgressRecord>& records, size_t index, int cancelAt)
      : records_(records), index_(index), cancelAt_(cancelAt) {}
  ~ScriptedProgress() override { records_[index_].open = false; }
  void SetText(const std::string& text) override { records_[index_].texts.push_back(text); }
  void SetPercent(int percent) override {
    percent = ClampPercent(percent);
    records_[index_].percents.push_back(percent);
    shown_ = std::max(shown_, percent);
  }
  bool Cancelled() override {
    if (cancelAt_ >= 0 && shown_ >= cancelAt_) records_[index_].cancelled = true;
    return records_[index_].cancelled;
  }

 private:
  std::vector<ProgressRecord>& records_;
  size_t index_;
  int cancelAt_;
  int shown_ = 0;
};

}  // namespace

std::unique_ptr<Progress> ScriptedPrompt::ShowProgress(const std::string& caption) {
  progresses_.push_back(ProgressRecord{caption, {}, {}, false, true});
  return std::make_unique<ScriptedProgress>(progresses_, progresses_.size() - 1, cancelAt_);
}

size_t ScriptedPrompt::UnexpectedCount() const {
  return static_cast<size_t>(
      std::count_if(shown_.begin(), shown_.end(), [](const PromptRecord& r) { return r.unexpected; }));
}

bool ScriptedPrompt::Next(Answer* answer) {
  if (queue_.empty()) return false;
  *answer = std::move(queue_.front());
  queue_.pop_front();
  return true;
}

int ScriptedPrompt::MessageBox(const std::string& text, const std::string& title, Buttons buttons,
                               Icon icon, DefaultButton def) {
  PromptRecord r;
  r.kind = PromptKind::MessageBox;
  r.text = text;
  r.title = title;
  r.buttons = buttons;
  r.icon = icon;
  r.defaultButton = def;
  Answer a;
  if (Next(&a)) {
    r.result = a.result;
  } else {
    r.result = DefaultAnswer(buttons, def);
    r.unexpected = true;
  }
  shown_.push_back(r);
  return r.result;
}

std::string ScriptedPrompt::InputBox(const std::string& prompt, const std::string& title,
                                     const std::string& defaultText) {
  PromptRecord r;
  r.kind = PromptKind::InputBox;
  r.text = prompt;
  r.title = title;
  r.defaultText = defaultText;
  Answer a;
  if (Next(&a)) {
    r.answerText = a.text;
    r.result = a.text.empty() ? IDCANCEL : IDOK;
  } else {
    r.answerText = defaultText;
    r.result = IDOK;
    r.unexpected = true;
  }
  shown_.push_back(r);
  return r.answerText;
}

std::string ScriptedPrompt::FileDialog(PromptKind kind, const std::string& title, const std::string& filter,
                                       const std::string& initial) {
  PromptRecord r;
  r.kind = kind;
  r.title = title;
  r.filter = filter;
  r.defaultText = initial;
  Answer a;
  if (Next(&a)) {
    r.answerText = a.text;
  } else {
    r.unexpected = true;
  }
  r.result = r.answerText.empty() ? IDCANCEL : IDOK;
  shown_.push_back(r);
  return r.answerText;
}

std::string ScriptedPrompt::OpenFileDialog(const std::string& title, const std::string& filter,
                                           const std::string& initial) {
  return FileDialog(PromptKind::OpenFile, title, filter, initial);
}

std::string ScriptedPrompt::SaveFileDialog(const std::string& title, const std::string& filter,
                                           const std::string& initial) {
  return FileDialog(PromptKind::SaveFile, title, filter, initial);
}

int ScriptedPrompt::ShowForm(FormRequest& form) {
  PromptRecord r;
  r.kind = PromptKind::Form;
  r.text = form.name;
  r.buttons = form.buttons;
  r.defaultButton = form.defaultButton;
  r.fields = form.fields;
  Answer a;
  if (Next(&a)) {
    r.result = a.result;
    for (const auto& [name, value] : a.fields) form.Set(name, value);
  } else {
    r.result = DefaultAnswer(form.buttons, form.defaultButton);
    r.unexpected = true;
  }
  shown_.push_back(r);
  return r.result;
}

}  // namespace platform
