#include "platform/Text.h"

#include <climits>

namespace platform {

namespace {

char LowerChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = LowerChar(c);
  return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerChar(a[i]) != LowerChar(b[i])) return false;
  }
  return true;
}

std::string Trim(std::string_view text, std::string_view chars) {
  const size_t first = text.find_first_not_of(chars);
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(chars) - first + 1));
}

std::vector<std::string> Split(std::string_view text, std::string_view sep) {
  std::vector<std::string> parts;
  if (text.empty()) return parts;
  size_t start = 0;
  for (;;) {
    const size_t pos = text.find(sep, start);
    if (pos == std::string_view::npos) {
      parts.emplace_back(text.substr(start));
      return parts;
    }
    parts.emplace_back(text.substr(start, pos - start));
    start = pos + sep.size();
  }
}

std::vector<std::string> Split(std::string_view text, char sep) { return Split(text, std::string_view(&sep, 1)); }

std::string Join(const std::vector<std::string>& parts, std::string_view sep) {
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) out += sep;
    out += parts[i];
  }
  return out;
}

bool ParseInt(std::string_view text, int& n) {
  const std::string t = Trim(text, kSpaces);
  if (t.empty()) return false;
  const bool negative = t[0] == '-';
  size_t i = (negative || t[0] == '+') ? 1 : 0;
  if (i == t.size()) return false;
  long long v = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < '0' || t[i] > '9') return false;
    v = v * 10 + (t[i] - '0');
    if (v > INT_MAX) return false;
  }
  n = static_cast<int>(negative ? -v : v);
  return true;
}

}  // namespace platform
