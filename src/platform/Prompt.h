#pragma once
// Prompt: every question the add-in asks the user (message boxes, input
// boxes, file dialogs, modal forms) and every progress window goes through this one interface, so the
// same logic runs with a person at a terminal (TerminalPrompt), with no one
// (UnattendedPrompt) and under test (ScriptedPrompt). Results use the
// message-box answer numbers (IDOK, IDYES, ...).
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/Progress.h"

namespace platform {

// Answers.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// Button sets, numbered as the message-box styles are.
enum class Buttons { OK = 0, OKCancel = 1, AbortRetryIgnore = 2, YesNoCancel = 3, YesNo = 4, RetryCancel = 5 };
enum class Icon { None = 0, Critical = 16, Question = 32, Exclamation = 48, Information = 64 };
// Which button answers Enter (and an unattended prompt).
enum class DefaultButton { First = 0, Second = 256, Third = 512 };

// The answers a button set offers, in button order (OKCancel -> {IDOK, IDCANCEL}).
std::vector<int> AnswersOf(Buttons buttons);
// The answer of the default button; falls back to the first button when the
// set has fewer buttons than `def` names.
int DefaultAnswer(Buttons buttons, DefaultButton def);
// "OK", "Cancel", "Yes", ... for an answer number; "" for others.
std::string AnswerName(int answer);

// A modal form as the prompt shows it: its name ("frmNeedLocalSync"), the
// buttons that close it, and named fields it shows and the user may edit
// (in display order). ShowForm returns the closing answer and leaves the
// edited values in `fields`.
struct FormRequest {
  std::string name;
  Buttons buttons = Buttons::OKCancel;
  DefaultButton defaultButton = DefaultButton::First;
  std::vector<std::pair<std::string, std::string>> fields;

  // The field's value; "" when there is no such field.
  std::string Get(const std::string& field) const;
  // Sets (or appends) a field.
  void Set(const std::string& field, const std::string& value);
};

class Prompt {
 public:
  virtual ~Prompt() = default;
  // Shows a message and returns the answer (one of AnswersOf(buttons)).
  virtual int MessageBox(const std::string& text, const std::string& title, Buttons buttons,
                         Icon icon = Icon::None, DefaultButton def = DefaultButton::First) = 0;
  // Asks for a line of text; "" when cancelled.
  virtual std::string InputBox(const std::string& prompt, const std::string& title,
                               const std::string& defaultText = "") = 0;
  // Asks for a file to open / to save. filter: "XML files (*.xml)|*.xml"
  // style; initial: the proposed path. Returns the path, "" when cancelled.
  virtual std::string OpenFileDialog(const std::string& title, const std::string& filter,
                                     const std::string& initial = "") = 0;
  virtual std::string SaveFileDialog(const std::string& title, const std::string& filter,
                                     const std::string& initial = "") = 0;
  // Shows a modal form; returns its closing answer (one of AnswersOf(form.buttons)).
  virtual int ShowForm(FormRequest& form) = 0;
  // Opens a progress window with a caption; it closes when the returned
  // object is destroyed (which must happen before the prompt's).
  virtual std::unique_ptr<Progress> ShowProgress(const std::string& caption) = 0;
};

}  // namespace platform
