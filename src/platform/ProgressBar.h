#pragma once
// ProgressBar: a progress window on a terminal - one line on the error
// stream, redrawn in place ("\r") when the text or the percent changes, and
// ended with a newline when the window closes. Cancelling is asked of a
// function the terminal prompt supplies.
#include <functional>
#include <ostream>
#include <string>

#include "platform/Progress.h"

namespace platform {

class ProgressBar : public Progress {
 public:
  // `out` must outlive the bar; `cancelAsked` (may be empty) is called by
  // Cancelled() until it once answers true.
  ProgressBar(std::ostream& out, std::string caption, std::function<bool()> cancelAsked);
  ~ProgressBar() override;

  void SetText(const std::string& text) override;
  void SetPercent(int percent) override;
  bool Cancelled() override;

  // The line as drawn now (without the leading "\r").
  std::string Line() const;

 private:
  void Draw();

  std::ostream& m_out;
  std::string m_caption;
  std::string m_text;
  int m_percent = 0;
  bool m_cancelled = false;
  std::function<bool()> m_cancelAsked;
  size_t m_drawnWidth = 0;
};

}  // namespace platform
