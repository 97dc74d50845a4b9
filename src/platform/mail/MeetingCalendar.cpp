#include "platform/mail/MeetingCalendar.h"

#include <fmt/format.h>

#include <cctype>
#include <map>
#include <vector>

#include "platform/Error.h"
#include "platform/Text.h"
#include "platform/store/Recipients.h"

namespace platform {

namespace {

std::string EscapeText(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\' || c == ';' || c == ',') {
      out += '\\';
      out += c;
    } else if (c == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "\\n";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::string UnescapeText(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char c = text[++i];
    out += (c == 'n' || c == 'N') ? std::string("\r\n") : std::string(1, c);
  }
  return out;
}

// A parameter value: quoted when it holds a separator; quotes cannot be
// written inside one, so they are dropped.
std::string ParamValue(const std::string& value) {
  std::string v;
  for (char c : value)
    if (c != '"' && c != '\r' && c != '\n') v += c;
  return v.find_first_of(":;,") == std::string::npos ? v : "\"" + v + "\"";
}

// Content lines are folded after 75 octets, never inside a UTF-8 sequence.
void AddLine(std::string& out, const std::string& line) {
  size_t pos = 0;
  bool first = true;
  while (line.size() - pos > (first ? 75u : 74u)) {
    size_t cut = pos + (first ? 75 : 74);
    while (cut > pos + 1 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
    out += (first ? "" : " ") + line.substr(pos, cut - pos) + "\r\n";
    pos = cut;
    first = false;
  }
  out += (first ? "" : " ") + line.substr(pos) + "\r\n";
}

std::string DateTimeText(Date d) {
  return fmt::format("{:04}{:02}{:02}T{:02}{:02}{:02}", d.Year(), d.Month(), d.Day(), d.Hour(), d.Minute(),
                     d.Second());
}

std::string DateText(Date d) { return fmt::format("{:04}{:02}{:02}", d.Year(), d.Month(), d.Day()); }

std::string Hex(const Bytes& bytes) {
  std::string out;
  for (uint8_t b : bytes) out += fmt::format("{:02X}", b);
  return out;
}

Bytes FromHex(const std::string& text) {
  if (text.empty() || text.size() % 2 != 0) throw Error("meeting calendar: malformed UID \"" + text + "\"");
  Bytes out;
  for (size_t i = 0; i < text.size(); i += 2) {
    int value = 0;
    for (char c : text.substr(i, 2)) {
      value <<= 4;
      if (c >= '0' && c <= '9') value |= c - '0';
      else if (c >= 'A' && c <= 'F') value |= c - 'A' + 10;
      else if (c >= 'a' && c <= 'f') value |= c - 'a' + 10;
      else throw Error("meeting calendar: malformed UID \"" + text + "\"");
    }
    out.push_back(static_cast<uint8_t>(value));
  }
  return out;
}

int Number(const std::string& text, size_t pos, size_t len, const std::string& whole) {
  int n = 0;
  if (pos + len > text.size() || !ParseInt(text.substr(pos, len), n))
    throw Error("meeting calendar: malformed date \"" + whole + "\"");
  return n;
}

// "YYYYMMDD" or "YYYYMMDDTHHMMSS" (a trailing "Z" is taken as local time:
// this system writes floating times only).
Date ParseDate(const std::string& text) {
  const int y = Number(text, 0, 4, text), m = Number(text, 4, 2, text), d = Number(text, 6, 2, text);
  if (text.size() == 8) return Date::FromParts(y, m, d);
  if (text.size() < 15 || text[8] != 'T') throw Error("meeting calendar: malformed date \"" + text + "\"");
  return Date::FromParts(y, m, d, Number(text, 9, 2, text), Number(text, 11, 2, text), Number(text, 13, 2, text));
}

struct ContentLine {
  std::string name;                           // upper case
  std::map<std::string, std::string> params;  // names upper case, values unquoted
  std::string value;
};

std::vector<ContentLine> ParseLines(const std::string& text) {
  std::vector<std::string> raw;
  for (std::string& line : Split(text, '\n')) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && (line[0] == ' ' || line[0] == '\t') && !raw.empty())
      raw.back() += line.substr(1);
    else if (!line.empty())
      raw.push_back(line);
  }
  std::vector<ContentLine> out;
  for (const std::string& line : raw) {
    ContentLine cl;
    size_t i = 0;
    while (i < line.size() && line[i] != ';' && line[i] != ':') ++i;
    cl.name = line.substr(0, i);
    for (char& c : cl.name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    while (i < line.size() && line[i] == ';') {
      size_t eq = line.find('=', i);
      if (eq == std::string::npos) break;
      std::string pname = line.substr(i + 1, eq - i - 1);
      for (char& c : pname) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      std::string pvalue;
      i = eq + 1;
      if (i < line.size() && line[i] == '"') {
        size_t close = line.find('"', i + 1);
        if (close == std::string::npos) close = line.size();
        pvalue = line.substr(i + 1, close - i - 1);
        i = close + 1;
      } else {
        size_t end = i;
        while (end < line.size() && line[end] != ';' && line[end] != ':') ++end;
        pvalue = line.substr(i, end - i);
        i = end;
      }
      cl.params[pname] = pvalue;
    }
    if (i < line.size() && line[i] == ':') cl.value = line.substr(i + 1);
    out.push_back(std::move(cl));
  }
  return out;
}

std::string Address(const std::string& value) {
  return EqualsNoCase(value.substr(0, 7), "mailto:") ? value.substr(7) : value;
}

// "-PT15M", "-PT1H30M", "-P1D", "-P1W": the lead time in minutes.
int TriggerMinutes(const std::string& value) {
  int minutes = 0, n = 0;
  bool digits = false;
  for (char c : value) {
    if (c >= '0' && c <= '9') {
      n = n * 10 + (c - '0');
      digits = true;
      continue;
    }
    const int unit = c == 'W' ? 7 * 24 * 60 : c == 'D' ? 24 * 60 : c == 'H' ? 60 : c == 'M' ? 1 : 0;
    if (digits && unit) minutes += n * unit;
    n = 0;
    digits = false;
  }
  return minutes;
}

}  // namespace

std::string MeetingCalendar::Write(const Item& request, const std::string& organizerAddress,
                                   const std::string& organizerName) {
  if (!request || request.Class() != olMeetingRequest)
    throw Error("meeting calendar: only a meeting request can be written");
  std::string out;
  AddLine(out, "BEGIN:VCALENDAR");
  AddLine(out, "PRODID:-//Korvel//Zentabo//EN");
  AddLine(out, "VERSION:2.0");
  AddLine(out, "METHOD:REQUEST");
  AddLine(out, "BEGIN:VEVENT");
  AddLine(out, "UID:" + Hex(request.GlobalObjectID()));
  if (request.AllDayEvent()) {
    AddLine(out, "DTSTART;VALUE=DATE:" + DateText(request.Start()));
    AddLine(out, "DTEND;VALUE=DATE:" + DateText(request.End()));
  } else {
    AddLine(out, "DTSTART:" + DateTimeText(request.Start()));
    AddLine(out, "DTEND:" + DateTimeText(request.End()));
  }
  AddLine(out, "SUMMARY:" + EscapeText(request.Subject()));
  if (!request.Location().empty()) AddLine(out, "LOCATION:" + EscapeText(request.Location()));
  if (!request.Categories().empty()) AddLine(out, "CATEGORIES:" + EscapeText(request.Categories()));
  AddLine(out, std::string("CLASS:") + (request.Sensitivity() == 2 ? "PRIVATE" : "PUBLIC"));
  AddLine(out, "X-ZENTABO-BUSYSTATUS:" + std::to_string(request.BusyStatus()));
  AddLine(out, "ORGANIZER;CN=" + ParamValue(organizerName.empty() ? organizerAddress : organizerName) +
                   ":mailto:" + organizerAddress);
  Recipients recipients = request.Recipients();
  for (int i = 1; i <= recipients.Count(); ++i) {
    Recipient r = recipients.Item(i);
    AddLine(out, "ATTENDEE;CN=" + ParamValue(r.Name()) + ";ROLE=REQ-PARTICIPANT:mailto:" + Trim(r.Address()));
  }
  if (request.ReminderSet()) {
    AddLine(out, "BEGIN:VALARM");
    AddLine(out, "ACTION:DISPLAY");
    AddLine(out, "TRIGGER:-PT" + std::to_string(request.ReminderMinutesBeforeStart()) + "M");
    AddLine(out, "END:VALARM");
  }
  AddLine(out, "END:VEVENT");
  AddLine(out, "END:VCALENDAR");
  return out;
}

void MeetingCalendar::Read(const std::string& text, Item& request) {
  std::vector<ContentLine> lines = ParseLines(text);
  bool isRequest = false, inEvent = false, inAlarm = false, haveEvent = false, haveUid = false, haveStart = false;
  bool allDay = false;
  Date start, end;
  for (const ContentLine& l : lines) {
    if (l.name == "METHOD") isRequest = EqualsNoCase(Trim(l.value), "REQUEST");
    if (l.name == "BEGIN" && EqualsNoCase(l.value, "VEVENT") && !haveEvent) inEvent = haveEvent = true;
    if (!inEvent) continue;
    if (l.name == "BEGIN" && EqualsNoCase(l.value, "VALARM")) inAlarm = true;
    if (l.name == "END" && EqualsNoCase(l.value, "VALARM")) inAlarm = false;
    if (l.name == "END" && EqualsNoCase(l.value, "VEVENT")) inEvent = false;
    if (inAlarm) {
      if (l.name == "TRIGGER") {
        request.SetReminderSet(true);
        request.SetReminderMinutesBeforeStart(TriggerMinutes(l.value));
      }
      continue;
    }
    if (l.name == "UID") {
      request.SetGlobalObjectID(FromHex(Trim(l.value)));
      haveUid = true;
    } else if (l.name == "DTSTART") {
      start = ParseDate(Trim(l.value));
      allDay = Trim(l.value).size() == 8;
      haveStart = true;
    } else if (l.name == "DTEND") {
      end = ParseDate(Trim(l.value));
    } else if (l.name == "SUMMARY") {
      request.SetSubject(UnescapeText(l.value));
    } else if (l.name == "LOCATION") {
      request.SetLocation(UnescapeText(l.value));
    } else if (l.name == "CATEGORIES") {
      request.SetCategories(UnescapeText(l.value));
    } else if (l.name == "CLASS") {
      request.SetSensitivity(EqualsNoCase(Trim(l.value), "PRIVATE") ? 2 : 0);
    } else if (l.name == "X-ZENTABO-BUSYSTATUS") {
      int busy = 2;
      if (ParseInt(Trim(l.value), busy) && busy >= 0 && busy <= 3) request.SetBusyStatus(busy);
    } else if (l.name == "ORGANIZER") {
      auto cn = l.params.find("CN");
      request.Set("Organizer", cn != l.params.end() && !cn->second.empty() ? cn->second : Address(l.value));
    } else if (l.name == "ATTENDEE") {
      auto cn = l.params.find("CN");
      const std::string address = Address(Trim(l.value));
      const std::string name = cn != l.params.end() && cn->second != address ? cn->second : "";
      if (!address.empty()) request.Recipients().Add(address, name, olTo);
    }
  }
  if (!isRequest || !haveEvent) throw Error("meeting calendar: no meeting request in the calendar part");
  if (!haveUid) throw Error("meeting calendar: the meeting has no UID");
  if (!haveStart) throw Error("meeting calendar: the meeting has no DTSTART");
  if (end < start) end = start;
  request.SetAllDayEvent(allDay);
  request.SetStart(start);
  request.SetEnd(end);
}

}  // namespace platform
