#include "groups/mAddress.h"

#include "platform/Text.h"

namespace mAddress {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLowerAlnum(char c) { return IsDigit(c) || (c >= 'a' && c <= 'z'); }

bool IsLocalPart(std::string_view s) {
  static constexpr std::string_view kSpecials = ".!#$%&'*+=?^_`{|}~-";
  if (s.empty() || s.size() > 64 || s.front() == '.' || s.back() == '.') return false;
  if (s.find("..") != std::string_view::npos) return false;
  for (char c : s)
    if (!IsLowerAlnum(c) && kSpecials.find(c) == std::string_view::npos) return false;
  return true;
}

bool IsDomain(std::string_view s) {
  int labels = 0;
  size_t start = 0;
  while (start <= s.size()) {
    size_t dot = s.find('.', start);
    if (dot == std::string_view::npos) dot = s.size();
    const std::string_view label = s.substr(start, dot - start);
    if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-') return false;
    for (char c : label)
      if (!IsLowerAlnum(c) && c != '-') return false;
    ++labels;
    start = dot + 1;
  }
  return labels >= 2;
}

}  // namespace

bool isEmailAddress(const std::string& text) { return IsAddress(NormaliseAddress(text)); }

bool IsAddress(std::string_view text) {
  if (text.size() > 254) return false;
  const size_t at = text.find('@');
  if (at == std::string_view::npos || text.find('@', at + 1) != std::string_view::npos) return false;
  return IsLocalPart(text.substr(0, at)) && IsDomain(text.substr(at + 1));
}

bool IsMemberAddress(std::string_view text) {
  const size_t slash = text.find('/');
  if (slash == std::string_view::npos) return IsAddress(text);
  const std::string_view suffix = text.substr(slash + 1);
  if (suffix.empty() || suffix.size() > 64) return false;
  for (char c : suffix) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u == 0x7F || c == ';' || c == ',' || c == '/') return false;
  }
  return IsAddress(text.substr(0, slash));
}

std::string NormaliseAddress(std::string_view text) { return platform::Lower(platform::Trim(text)); }

}  // namespace mAddress
