#pragma once
// Progress: the progress window of a long operation - a caption, a line of
// text, a bar in percent and a Cancel button - as a prompt shows it
// (Prompt::ShowProgress). The window closes when the object is destroyed.
#include <string>

namespace platform {

class Progress {
 public:
  virtual ~Progress() = default;
  // The line under the caption ("Analysing calendar items").
  virtual void SetText(const std::string& text) = 0;
  // The bar; values outside 0..100 are clamped.
  virtual void SetPercent(int percent) = 0;
  // True once the user has cancelled; operations ask between items. The
  // prompt's mode answers: the person at a terminal, the test's script, or
  // nobody (never cancelled).
  virtual bool Cancelled() = 0;
};

// 0..100.
inline int ClampPercent(int percent) { return percent < 0 ? 0 : percent > 100 ? 100 : percent; }

}  // namespace platform
