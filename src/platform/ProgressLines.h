#pragma once
// ProgressLines: a progress window in a batch run's output - a line
// "<caption>: <text> (<percent>%)" when the window opens, then at most one
// every interval while it changes, and a last line when it closes, so a log
// shows where a long operation is without a line per item. Nobody is there
// to cancel.
#include <cstdint>
#include <ostream>
#include <string>

#include "platform/Clock.h"
#include "platform/Progress.h"

namespace platform {

class ProgressLines : public Progress {
 public:
  // `out` and `clock` must outlive the object.
  ProgressLines(std::ostream& out, const Clock& clock, std::string caption, int64_t intervalMs = 5000);
  // Writes the last state unless it is the last line written.
  ~ProgressLines() override;

  void SetText(const std::string& text) override;
  void SetPercent(int percent) override;
  bool Cancelled() override { return false; }

 private:
  void Changed();
  std::string Line() const;
  void Write();

  std::ostream& m_out;
  const Clock& m_clock;
  std::string m_caption;
  std::string m_text;
  int m_percent = 0;
  int64_t m_intervalMs;
  int64_t m_lastMs = 0;
  std::string m_lastLine;
};

}  // namespace platform
