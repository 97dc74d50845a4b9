#include "platform/ProgressLines.h"

namespace platform {

ProgressLines::ProgressLines(std::ostream& out, const Clock& clock, std::string caption, int64_t intervalMs)
    : m_out(out), m_clock(clock), m_caption(std::move(caption)), m_intervalMs(intervalMs) {
  Write();
}

ProgressLines::~ProgressLines() {
  if (Line() != m_lastLine) Write();
}

void ProgressLines::SetText(const std::string& text) {
  if (text == m_text) return;
  m_text = text;
  Changed();
}

void ProgressLines::SetPercent(int percent) {
  percent = ClampPercent(percent);
  if (percent == m_percent) return;
  m_percent = percent;
  Changed();
}

void ProgressLines::Changed() {
  if (m_clock.MonotonicMs() - m_lastMs >= m_intervalMs) Write();
}

std::string ProgressLines::Line() const {
  return m_caption + ": " + (m_text.empty() ? "" : m_text + " ") + "(" + std::to_string(m_percent) + "%)";
}

void ProgressLines::Write() {
  m_lastLine = Line();
  m_out << m_lastLine << "\n" << std::flush;
  m_lastMs = m_clock.MonotonicMs();
}

}  // namespace platform
