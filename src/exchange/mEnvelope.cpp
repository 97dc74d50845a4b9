#include "exchange/mEnvelope.h"

#include <cctype>
#include <cstdio>
#include <stdexcept>

#include "diagnostics/CDebug.h"
#include "platform/Text.h"

namespace mEnvelope {
namespace {

// Leading decimal digits as a number, as the version comparison reads its parts.
long LeadingNumber(const std::string& text) {
  std::string t = platform::Trim(text, platform::kWhiteSpace);
  long value = 0;
  for (char c : t) {
    if (!std::isdigit(static_cast<unsigned char>(c))) break;
    value = value * 10 + (c - '0');
  }
  return value;
}

int Digits(std::string_view text, size_t pos, size_t count) {
  int value = 0;
  for (size_t i = pos; i < pos + count; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i])))
      throw std::invalid_argument("not a digit at position " + std::to_string(i + 1) + " of \"" + std::string(text) + "\"");
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

}  // namespace

std::string Date2CStr(const platform::Date& date) {
  const int year = date.Year();
  char buf[32];
  if (year < 0 || year > 9999) {
    std::snprintf(buf, sizeof buf, "%04d%02d%02d %02d:%02d:%02d", year, date.Month(), date.Day(), date.Hour(),
                  date.Minute(), date.Second());
    return buf;
  }
  // By hand: a document of 10,000 items holds 50,000 dates, and formatting
  // them through snprintf cost more than reading their items.
  std::string text = "00000000 00:00:00";
  auto put = [&text](size_t pos, int value, int width) {
    for (int i = width - 1; i >= 0; --i, value /= 10) text[pos + static_cast<size_t>(i)] = static_cast<char>('0' + value % 10);
  };
  put(0, year, 4);
  put(4, date.Month(), 2);
  put(6, date.Day(), 2);
  put(9, date.Hour(), 2);
  put(12, date.Minute(), 2);
  put(15, date.Second(), 2);
  return text;
}

platform::Date CStr2Date(std::string_view text) {
  if (text.size() != 17) {
    g_Debug().OutWarning("CStr2Date", "Len(\"" + std::string(text) + "\") <> 17");
    return platform::Date();
  }
  try {
    const int year = Digits(text, 0, 4);
    const int month = Digits(text, 4, 2);
    const int day = Digits(text, 6, 2);
    const int hour = Digits(text, 9, 2);
    const int minute = Digits(text, 12, 2);
    const int second = Digits(text, 15, 2);
    // The time is added to the day as counted, as the client's date
    // functions do: "24:00:00" is the next midnight.
    const platform::Date date = platform::Date::FromParts(year, month, day);
    return platform::Date::FromSeconds(date.Seconds() + (static_cast<int64_t>(hour) * 60 + minute) * 60 + second);
  } catch (...) {
    g_Debug().OutError("mMain.CStr2Date");
    return platform::Date();
  }
}

std::string GetAppVersion() {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d.%02d.%04d", kAppMajor, kAppMinor, kAppRevision);
  return buf;
}

int CompareVersions(const std::string& a, const std::string& b) {
  const std::vector<std::string> pa = platform::Split(a, ".");
  const std::vector<std::string> pb = platform::Split(b, ".");
  for (size_t i = 0; i < 3; ++i) {
    const long va = i < pa.size() ? LeadingNumber(pa[i]) : 0;
    const long vb = i < pb.size() ? LeadingNumber(pb[i]) : 0;
    if (va < vb) return -1;
    if (va > vb) return 1;
  }
  return 0;
}

bool IsVersionInWindow(const std::string& min, const std::string& max) {
  const std::string own = GetAppVersion();
  return CompareVersions(own, max) < 1 && CompareVersions(own, min) >= 0;
}

bool SameAddress(const std::string& a, const std::string& b) {
  return platform::EqualsNoCase(a, b);
}

std::vector<std::string> SplitHeader(const std::string& body) {
  std::vector<std::string> lines;
  for (const std::string& piece : platform::Split(body, std::string(" ") + kCrLf)) {
    if (piece.empty()) continue;
    for (const std::string& line : platform::Split(piece, kCrLf)) {
      if (!line.empty()) lines.push_back(line);
    }
  }
  return lines;
}

std::string GetStrFromSplit(const std::vector<std::string>& lines, const std::string& key, bool warnIfMissing) {
  for (const std::string& raw : lines) {
    const std::string line = platform::Trim(raw, platform::kWhiteSpace);
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    if (platform::Trim(line.substr(0, colon), platform::kWhiteSpace) == key)
      return platform::Trim(line.substr(colon + 1), platform::kWhiteSpace);
  }
  if (warnIfMissing) {
    std::string joined;
    for (size_t i = 0; i < lines.size(); ++i) {
      if (i) joined += kCrLf;
      joined += lines[i];
    }
    g_Debug().OutWarning("mMain.GetStrFromSplit",
                         "<" + key + "> string not found in '" + kCrLf + joined + "'");
  }
  return "";
}

std::string BuildGroupBody(const std::string& introText) {
  return introText + kCrLf + kCrLf + "CompatibilityVersionMin:" + kCompatibilityVersionMin + kCrLf +
         "CompatibilityVersionMax:" + kCompatibilityVersionMax + kCrLf;
}

std::string BuildAppointmentBody(const std::string& introText, const std::string& action,
                                 const std::string& senderAddress, const std::string& synchRange,
                                 const std::string& synchTime) {
  std::string body = introText + kCrLf + kCrLf;
  body += "Action:" + action + kCrLf;
  body += "AppVersion:" + GetAppVersion() + kCrLf;
  body += std::string("CompatibilityVersionMin:") + kCompatibilityVersionMin + kCrLf;
  body += std::string("CompatibilityVersionMax:") + kCompatibilityVersionMax + kCrLf;
  body += "SenderAddress:" + senderAddress + kCrLf;
  body += "SynchRange:" + synchRange + kCrLf;
  body += "SynchTime:" + synchTime;
  return body;
}

}  // namespace mEnvelope
