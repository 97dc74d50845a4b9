#include "groups/mInput.h"

#include <cstdio>

#include "platform/Text.h"

namespace mInput {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the UTF-8 sequence starting at s[i], or 0 when it is not valid.
size_t Utf8Length(std::string_view s, size_t i) {
  const auto b = static_cast<unsigned char>(s[i]);
  size_t n = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
  if (n == 0 || i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
  if (n == 2 && b < 0xC2) return 0;  // overlong
  return n;
}

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

}  // namespace

bool IsKey(std::string_view text) {
  if (text.size() != 23 || text[8] != '-') return false;
  for (size_t i = 0; i < 8; ++i)
    if (text[i] < '0' || text[i] > '8') return false;
  for (size_t i = 9; i < 23; ++i)
    if (!IsDigit(text[i])) return false;
  return true;
}

std::string CleanName(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    const size_t n = Utf8Length(text, i);
    if (n == 0) {
      out += '?';
      ++i;
      continue;
    }
    if (n == 1 && IsControl(static_cast<unsigned char>(text[i])))
      out += ' ';
    else if (text[i] == ';')
      out += ',';
    else
      out.append(text.substr(i, n));
    i += n;
  }
  out = platform::Trim(out);
  if (out.size() > kMaxNameLength) {
    size_t cut = kMaxNameLength;
    while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;
    out.resize(cut);
  }
  return out;
}

std::string EscapeForTerminal(std::string_view text) {
  std::string out;
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\\') {
      out += "\\\\";
    } else if (IsControl(u)) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", u);
      out += buf;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace mInput
