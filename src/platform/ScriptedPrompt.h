#pragma once
// ScriptedPrompt: the prompt of tests. Answers are queued beforehand and
// taken in order, whatever kind of prompt comes; every prompt shown is
// recorded with the answer it got. A prompt that finds the queue empty is
// answered like an unattended one (default button, default text, "" for a
// file dialog) and recorded as unexpected. Progress windows are recorded
// with every text and percent they showed; they are cancelled only when the
// script says at which percent.
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "platform/Prompt.h"

namespace platform {

enum class PromptKind { MessageBox, InputBox, OpenFile, SaveFile, Form };

// One prompt as it was shown, with the answer given.
struct PromptRecord {
  PromptKind kind = PromptKind::MessageBox;
  std::string text;   // message, input prompt, or form name
  std::string title;  // title (empty for forms)
  Buttons buttons = Buttons::OK;
  Icon icon = Icon::None;
  DefaultButton defaultButton = DefaultButton::First;
  std::string defaultText;  // input default, file dialog's initial path
  std::string filter;       // file dialogs
  std::vector<std::pair<std::string, std::string>> fields;  // a form's fields as shown
  int result = 0;           // the answer number (message boxes, forms)
  std::string answerText;   // the text returned (input boxes, file dialogs)
  bool unexpected = false;  // the queue was empty
};

// One progress window as it was shown.
struct ProgressRecord {
  std::string caption;
  std::vector<std::string> texts;  // each text set, in order
  std::vector<int> percents;       // each percent set, in order
  bool cancelled = false;          // Cancelled() answered true
  bool open = true;                // not yet closed
};

class ScriptedPrompt : public Prompt {
 public:
  // A queued answer: `result` answers message boxes and forms, `text` input
  // boxes and file dialogs ("" = cancel), `fields` are set on a form.
  struct Answer {
    int result = IDOK;
    std::string text;
    std::vector<std::pair<std::string, std::string>> fields;
  };

  void QueueResult(int result) { queue_.push_back(Answer{result, {}, {}}); }
  void QueueText(const std::string& text) { queue_.push_back(Answer{IDOK, text, {}}); }
  void QueueForm(int result, std::vector<std::pair<std::string, std::string>> fields = {}) {
    queue_.push_back(Answer{result, {}, std::move(fields)});
  }
  // Progress windows opened from now on answer Cancelled() once they have
  // shown `percent` or more; -1 (the initial state): never.
  void CancelProgressAt(int percent) { cancelAt_ = percent; }
  // Every progress window shown so far, oldest first.
  const std::vector<ProgressRecord>& Progresses() const { return progresses_; }

  // Answers still queued.
  size_t Remaining() const { return queue_.size(); }
  // Every prompt shown so far, oldest first.
  const std::vector<PromptRecord>& Shown() const { return shown_; }
  // Number of prompts that found the queue empty.
  size_t UnexpectedCount() const;
  void ClearRecords() { shown_.clear(); }

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
  // Pops the next answer; false when the queue is empty.
  bool Next(Answer* answer);
  std::string FileDialog(PromptKind kind, const std::string& title, const std::string& filter,
                         const std::string& initial);

  std::deque<Answer> queue_;
  std::vector<PromptRecord> shown_;
  std::vector<ProgressRecord> progresses_;
  int cancelAt_ = -1;
};

}  // namespace platform
