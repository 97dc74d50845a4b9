#include "groups/mText.h"

#include <algorithm>
#include <cctype>

std::string LCase(const std::string& s) {
  std::string r = s;
  std::transform(r.begin(), r.end(), r.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return r;
}

std::string Trim(const std::string& s) {
  // The client's Trim removes blanks only, not other white space.
  size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(' ');
  return s.substr(b, e - b + 1);
}

bool EqualsNoCase(const std::string& a, const std::string& b) { return LCase(a) == LCase(b); }

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> parts;
  if (s.empty()) return parts;
  size_t start = 0;
  for (;;) {
    size_t pos = s.find(sep, start);
    if (pos == std::string::npos) {
      parts.push_back(s.substr(start));
      return parts;
    }
    parts.push_back(s.substr(start, pos - start));
    start = pos + 1;
  }
}

std::string Join(const std::vector<std::string>& parts, const std::string& sep) {
  std::string r;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) r += sep;
    r += parts[i];
  }
  return r;
}

bool ParseInt(const std::string& s, int& n) {
  std::string t = Trim(s);
  if (t.empty()) return false;
  size_t i = (t[0] == '-' || t[0] == '+') ? 1 : 0;
  if (i == t.size()) return false;
  long long v = 0;
  for (; i < t.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(t[i]))) return false;
    v = v * 10 + (t[i] - '0');
    if (v > 2147483647LL) return false;
  }
  n = static_cast<int>(t[0] == '-' ? -v : v);
  return true;
}
