#pragma once
// TerminalPrompt: asks the person at the terminal. Each prompt is written to
// the output stream and the answer read as one line from the input stream; an
// empty line takes the default, end of input answers as unattended would.
// Progress windows are bars on the error stream; a line typed while one is
// open that starts with "c" cancels it (only when the input is the process's
// standard input, which can be asked without waiting).
#include <iostream>
#include <string>

#include "platform/Prompt.h"

namespace platform {

class TerminalPrompt : public Prompt {
 public:
  // The streams must outlive the prompt.
  explicit TerminalPrompt(std::istream& in = std::cin, std::ostream& out = std::cout,
                          std::ostream& err = std::cerr);

  // Reads the first letter of the button name ("y", "n", "c", "o", "r",
  // "a", "i"; any case); asks again on other input.
  int MessageBox(const std::string& text, const std::string& title, Buttons buttons,
                 Icon icon = Icon::None, DefaultButton def = DefaultButton::First) override;
  // An empty line keeps the default text; a single "." cancels. The file
  // dialogs read a path the same way (end of input cancels them).
  std::string InputBox(const std::string& prompt, const std::string& title,
                       const std::string& defaultText = "") override;
  std::string OpenFileDialog(const std::string& title, const std::string& filter,
                             const std::string& initial = "") override;
  std::string SaveFileDialog(const std::string& title, const std::string& filter,
                             const std::string& initial = "") override;
  // Lists the fields, reads "name=value" lines until an empty line, then
  // asks for the closing button as MessageBox does.
  int ShowForm(FormRequest& form) override;
  std::unique_ptr<Progress> ShowProgress(const std::string& caption) override;

 private:
  // One line of input; false at end of input.
  bool ReadLine(std::string* line);
  int AskButton(Buttons buttons, DefaultButton def);
  // Reads a path: an empty line keeps `initial`, "." or end of input cancels ("").
  std::string AskPath(const std::string& what, const std::string& title, const std::string& filter,
                      const std::string& initial);

  // True when a line starting with "c" waits on standard input (read then).
  bool CancelTyped();

  std::istream& in_;
  std::ostream& out_;
  std::ostream& err_;
};

}  // namespace platform
