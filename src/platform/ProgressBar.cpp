#include "platform/ProgressBar.h"

namespace platform {

namespace {
constexpr int kBarWidth = 20;
}  // namespace

ProgressBar::ProgressBar(std::ostream& out, std::string caption, std::function<bool()> cancelAsked)
    : m_out(out), m_caption(std::move(caption)), m_cancelAsked(std::move(cancelAsked)) {
  Draw();
}

ProgressBar::~ProgressBar() { m_out << "\n" << std::flush; }

void ProgressBar::SetText(const std::string& text) {
  if (text == m_text) return;
  m_text = text;
  Draw();
}

void ProgressBar::SetPercent(int percent) {
  percent = ClampPercent(percent);
  if (percent == m_percent) return;
  m_percent = percent;
  Draw();
}

bool ProgressBar::Cancelled() {
  if (!m_cancelled && m_cancelAsked && m_cancelAsked()) {
    m_cancelled = true;
    m_text = "cancelling";
    Draw();
  }
  return m_cancelled;
}

std::string ProgressBar::Line() const {
  const int filled = m_percent * kBarWidth / 100;
  std::string pct = std::to_string(m_percent);
  pct.insert(0, 3 - pct.size(), ' ');
  return m_caption + " [" + std::string(static_cast<size_t>(filled), '#') +
         std::string(static_cast<size_t>(kBarWidth - filled), '.') + "] " + pct + "% " + m_text;
}

void ProgressBar::Draw() {
  const std::string line = Line();
  // Blank out what a longer earlier line left behind.
  const size_t pad = m_drawnWidth > line.size() ? m_drawnWidth - line.size() : 0;
  m_out << "\r" << line << std::string(pad, ' ') << std::flush;
  m_drawnWidth = line.size();
}

}  // namespace platform
