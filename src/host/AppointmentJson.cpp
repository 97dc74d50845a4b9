#include "host/AppointmentJson.h"

#include <cctype>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <set>

#include "platform/Error.h"

namespace host::AppointmentJson {

using Json = nlohmann::ordered_json;
using platform::Date;

namespace {

std::string Two(int v) { return (v < 10 ? "0" : "") + std::to_string(v); }

Json DateOrNull(const std::optional<Date>& d, bool dateOnly) {
  if (!d) return nullptr;
  return dateOnly ? DateText(*d) : DateTimeText(*d);
}

Json ToJson(const AppointmentRecord& r) {
  Json o;
  o["id"] = r.id;
  o["subject"] = r.subject;
  o["start"] = DateTimeText(r.start);
  o["end"] = DateTimeText(r.end);
  o["all_day"] = r.all_day;
  o["busy"] = r.busy;
  o["private"] = r.is_private;
  o["location"] = r.location;
  o["body"] = r.body;
  o["categories"] = r.categories;
  o["groups"] = r.groups;
  o["owner"] = r.owner;
  o["item_id"] = r.item_id;
  o["meeting_status"] = r.meeting_status;
  o["sham_meeting"] = r.sham_meeting;
  o["contacts"] = r.contacts;
  o["reminder"] = r.reminder ? Json(*r.reminder) : Json(nullptr);
  Json atts = Json::array();
  for (const AttachmentRecord& a : r.attachments) {
    Json j;
    j["name"] = a.name;
    j["size"] = a.size;
    j["sha256"] = a.sha256;
    atts.push_back(j);
  }
  o["attachments"] = atts;
  if (r.recurrence) {
    Json rec;
    rec["type"] = r.recurrence->type;
    rec["interval"] = r.recurrence->interval;
    rec["count"] = r.recurrence->count ? Json(*r.recurrence->count) : Json(nullptr);
    rec["until"] = DateOrNull(r.recurrence->until, true);
    o["recurrence"] = rec;
  } else {
    o["recurrence"] = nullptr;
  }
  Json exs = Json::array();
  for (const ExceptionRecord& e : r.exceptions) {
    Json j;
    j["original"] = DateTimeText(e.original);
    j["deleted"] = e.deleted;
    if (e.subject) j["subject"] = *e.subject;
    if (e.start) j["start"] = DateTimeText(*e.start);
    if (e.end) j["end"] = DateTimeText(*e.end);
    exs.push_back(j);
  }
  o["exceptions"] = exs;
  return o;
}

// Reads the fields of one JSON object with messages that name where it is.
class Reader {
 public:
  Reader(const Json& o, std::string where, std::set<std::string> known) : m_o(o), m_where(std::move(where)) {
    if (!o.is_object()) Fail("is not an object");
    for (const auto& [key, value] : o.items())
      if (!known.count(key)) Fail("has an unknown field \"" + key + "\"");
  }
  bool Has(const std::string& key) const { return m_o.contains(key) && !m_o.at(key).is_null(); }
  const Json& At(const std::string& key) const { return m_o.at(key); }
  std::string Text(const std::string& key, bool required = false) const {
    if (!Has(key)) {
      if (required) Fail("has no \"" + key + "\"");
      return "";
    }
    if (!m_o.at(key).is_string()) Fail("\"" + key + "\" is not a text");
    return m_o.at(key).get<std::string>();
  }
  bool Bool(const std::string& key) const {
    if (!Has(key)) return false;
    if (!m_o.at(key).is_boolean()) Fail("\"" + key + "\" is not true or false");
    return m_o.at(key).get<bool>();
  }
  int64_t Int(const std::string& key, int64_t min, int64_t max) const {
    if (!m_o.at(key).is_number_integer()) Fail("\"" + key + "\" is not a whole number");
    const int64_t v = m_o.at(key).get<int64_t>();
    if (v < min || v > max)
      Fail("\"" + key + "\" is " + std::to_string(v) + ", not between " + std::to_string(min) + " and " +
           std::to_string(max));
    return v;
  }
  Date When(const std::string& key, bool required = false) const {
    const std::string text = Text(key, required);
    try {
      return ParseDateTime(text);
    } catch (const platform::Error& e) {
      Fail("\"" + key + "\": " + e.what());
    }
  }
  [[noreturn]] void Fail(const std::string& what) const { throw platform::Error(m_where + " " + what); }
  const std::string& Where() const { return m_where; }

 private:
  const Json& m_o;
  std::string m_where;
};

const std::set<std::string> kBusy = {"free", "tentative", "busy", "oof"};
const std::set<std::string> kRecurrence = {"daily", "weekly", "monthly", "monthnth", "yearly", "yearnth"};

AppointmentRecord FromJson(const Json& o, size_t index) {
  const Reader in(o, "object " + std::to_string(index),
                  {"id", "subject", "start", "end", "all_day", "busy", "private", "location", "body", "categories",
                   "groups", "owner", "item_id", "meeting_status", "sham_meeting", "contacts", "reminder",
                   "attachments", "recurrence", "exceptions"});
  AppointmentRecord r;
  r.id = in.Text("id");
  r.subject = in.Text("subject", true);
  r.start = in.When("start", true);
  r.end = in.When("end", true);
  if (r.end < r.start) in.Fail("ends before it starts");
  r.all_day = in.Bool("all_day");
  if (in.Has("busy")) {
    r.busy = in.Text("busy");
    if (!kBusy.count(r.busy)) in.Fail("\"busy\" is \"" + r.busy + "\", not free, tentative, busy or oof");
  }
  r.is_private = in.Bool("private");
  r.location = in.Text("location");
  r.body = in.Text("body");
  r.categories = in.Text("categories");
  r.groups = in.Text("groups");
  r.owner = in.Text("owner");
  r.item_id = in.Text("item_id");
  if (in.Has("meeting_status")) r.meeting_status = static_cast<int>(in.Int("meeting_status", 0, 7));
  r.sham_meeting = in.Text("sham_meeting");
  if (in.Has("attachments")) {
    if (!in.At("attachments").is_array()) in.Fail("\"attachments\" is not an array");
    size_t n = 0;
    for (const Json& a : in.At("attachments")) {
      const Reader att(a, in.Where() + " attachment " + std::to_string(++n), {"name", "size", "sha256", "path"});
      AttachmentRecord rec;
      rec.name = att.Text("name");
      rec.sha256 = att.Text("sha256");
      rec.path = att.Text("path");
      if (rec.path.empty()) att.Fail("has no \"path\" naming the file to attach");
      r.attachments.push_back(rec);
    }
  }
  if (in.Has("recurrence")) {
    const Reader rec(in.At("recurrence"), in.Where() + " recurrence", {"type", "interval", "count", "until"});
    RecurrenceRecord rr;
    rr.type = rec.Text("type", true);
    if (!kRecurrence.count(rr.type))
      rec.Fail("\"type\" is \"" + rr.type + "\", not daily, weekly, monthly, monthnth, yearly or yearnth");
    if (rec.Has("interval")) rr.interval = static_cast<int>(rec.Int("interval", 1, 999));
    if (rec.Has("count")) rr.count = static_cast<int>(rec.Int("count", 1, 999));
    if (rec.Has("until")) rr.until = rec.When("until");
    r.recurrence = rr;
  }
  if (in.Has("exceptions")) {
    if (!in.At("exceptions").is_array()) in.Fail("\"exceptions\" is not an array");
    if (!r.recurrence && !in.At("exceptions").empty()) in.Fail("has exceptions but no recurrence");
    size_t n = 0;
    for (const Json& e : in.At("exceptions")) {
      const Reader ex(e, in.Where() + " exception " + std::to_string(++n),
                      {"original", "deleted", "subject", "start", "end"});
      ExceptionRecord er;
      er.original = ex.When("original", true);
      er.deleted = ex.Bool("deleted");
      if (ex.Has("subject")) er.subject = ex.Text("subject");
      if (ex.Has("start")) er.start = ex.When("start");
      if (ex.Has("end")) er.end = ex.When("end");
      r.exceptions.push_back(er);
    }
  }
  return r;
}

bool Digits(const std::string& s, size_t from, size_t count) {
  if (from + count > s.size()) return false;
  for (size_t i = from; i < from + count; ++i)
    if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
  return true;
}

}  // namespace

std::string DateTimeText(Date d) { return DateText(d) + " " + Two(d.Hour()) + ":" + Two(d.Minute()); }

std::string DateText(Date d) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.Year(), d.Month(), d.Day());
  return buf;
}

Date ParseDateTime(const std::string& s) {
  const bool date = s.size() >= 10 && Digits(s, 0, 4) && s[4] == '-' && Digits(s, 5, 2) && s[7] == '-' &&
                    Digits(s, 8, 2);
  const bool bare = date && s.size() == 10;
  const bool timed = date && s.size() == 16 && s[10] == ' ' && Digits(s, 11, 2) && s[13] == ':' && Digits(s, 14, 2);
  if (!bare && !timed) throw platform::Error("\"" + s + "\" is not a date of the form YYYY-MM-DD HH:MM");
  auto num = [&](size_t from, size_t count) { return std::stoi(s.substr(from, count)); };
  try {
    return Date::FromParts(num(0, 4), num(5, 2), num(8, 2), timed ? num(11, 2) : 0, timed ? num(14, 2) : 0);
  } catch (const platform::Error&) {
    throw platform::Error("\"" + s + "\" is no date of the calendar");
  }
}

std::string Write(const std::vector<AppointmentRecord>& records) {
  Json all = Json::array();
  for (const AppointmentRecord& r : records) all.push_back(ToJson(r));
  return all.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::vector<AppointmentRecord> Read(const std::string& text) {
  Json all;
  try {
    all = Json::parse(text);
  } catch (const Json::parse_error& e) {
    throw platform::Error(std::string("not JSON: ") + e.what());
  }
  if (!all.is_array()) throw platform::Error("the JSON is not an array of appointment objects");
  std::vector<AppointmentRecord> out;
  out.reserve(all.size());
  size_t index = 0;
  for (const Json& o : all) out.push_back(FromJson(o, ++index));
  return out;
}

}  // namespace host::AppointmentJson
