// The JSON of appt list --json and appt import: what is written reads back
// the same, and bad input is refused with a message that says where.
#include <gtest/gtest.h>

#include "host/AppointmentJson.h"
#include "platform/Error.h"

namespace {

using host::AppointmentRecord;
using platform::Date;
namespace json = host::AppointmentJson;

AppointmentRecord Series() {
  AppointmentRecord r;
  r.id = "0000ABCD";
  r.subject = "Weekly \"sync\" – ünïcode";
  r.start = Date::FromParts(2026, 12, 8, 10, 0);
  r.end = Date::FromParts(2026, 12, 8, 10, 30);
  r.busy = "tentative";
  r.is_private = true;
  r.location = "Room 1";
  r.body = "line 1\nline 2";
  r.categories = "Blue, Red";
  r.groups = "Team;Other";
  r.owner = "alice@example.com";
  r.item_id = "64522606-20060213141359";
  r.meeting_status = 1;
  r.sham_meeting = "1";
  r.recurrence = host::RecurrenceRecord{"weekly", 2, 4, Date::FromParts(2026, 12, 29)};
  r.exceptions.push_back({Date::FromParts(2026, 12, 15, 10, 0), false, "Moved", Date::FromParts(2026, 12, 15, 11, 0),
                          Date::FromParts(2026, 12, 15, 11, 30)});
  r.exceptions.push_back({Date::FromParts(2026, 12, 22, 10, 0), true, std::nullopt, std::nullopt, std::nullopt});
  return r;
}

TEST(AppointmentJsonTest, WhatIsWrittenReadsBackTheSame) {
  AppointmentRecord allDay;
  allDay.subject = "Holiday";
  allDay.start = Date::FromParts(2026, 12, 24);
  allDay.end = Date::FromParts(2026, 12, 25);
  allDay.all_day = true;
  const std::vector<AppointmentRecord> in = {Series(), allDay};
  const std::vector<AppointmentRecord> out = json::Read(json::Write(in));
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(json::Write(out), json::Write(in));
  const AppointmentRecord& s = out[0];
  EXPECT_EQ(s.subject, in[0].subject);
  EXPECT_EQ(s.body, "line 1\nline 2");
  ASSERT_TRUE(s.recurrence);
  EXPECT_EQ(*s.recurrence->count, 4);
  EXPECT_EQ(*s.recurrence->until, Date::FromParts(2026, 12, 29));
  ASSERT_EQ(s.exceptions.size(), 2u);
  EXPECT_EQ(*s.exceptions[0].start, Date::FromParts(2026, 12, 15, 11, 0));
  EXPECT_TRUE(s.exceptions[1].deleted);
  EXPECT_FALSE(s.exceptions[1].subject);
  EXPECT_FALSE(out[1].recurrence);
  EXPECT_TRUE(out[1].all_day);
}

TEST(AppointmentJsonTest, TheListingNamesEveryFieldInItsOrder) {
  const std::string text = json::Write({Series()});
  size_t at = 0;
  for (const char* field : {"id", "subject", "start", "end", "all_day", "busy", "private", "location", "body",
                            "categories", "groups", "owner", "item_id", "meeting_status", "sham_meeting", "contacts", "reminder",
                            "attachments", "recurrence", "exceptions"}) {
    const size_t found = text.find("\"" + std::string(field) + "\":", at);
    ASSERT_NE(found, std::string::npos) << field;
    at = found;
  }
  EXPECT_NE(text.find("\"start\": \"2026-12-08 10:00\""), std::string::npos);
  EXPECT_NE(text.find("\"until\": \"2026-12-29\""), std::string::npos);
}

TEST(AppointmentJsonTest, AnImportedAttachmentNamesItsFile) {
  const auto r = json::Read(R"([{"subject": "a", "start": "2026-12-01 10:00", "end": "2026-12-01 11:00",
                                 "attachments": [{"name": "x.txt", "path": "/tmp/x.txt"}]}])");
  ASSERT_EQ(r[0].attachments.size(), 1u);
  EXPECT_EQ(r[0].attachments[0].path, "/tmp/x.txt");
}

TEST(AppointmentJsonTest, BadInputIsRefusedSayingWhere) {
  const std::string ok = R"("subject": "a", "start": "2026-12-01 10:00", "end": "2026-12-01 11:00")";
  struct Case {
    std::string text;
    std::string message;
  };
  const Case cases[] = {
      {"[{", "not JSON"},
      {R"({"subject": "a"})", "not an array"},
      {"[1]", "object 1 is not an object"},
      {"[{" + ok + "}, {" + ok + R"(, "subjcet": "b"}])", "object 2 has an unknown field \"subjcet\""},
      {R"([{"start": "2026-12-01 10:00", "end": "2026-12-01 11:00"}])", "object 1 has no \"subject\""},
      {R"([{"subject": 5, "start": "2026-12-01 10:00", "end": "2026-12-01 11:00"}])", "\"subject\" is not a text"},
      {R"([{"subject": "a", "start": "2026-12-01 10:00"}])", "object 1 has no \"end\""},
      {R"([{"subject": "a", "start": "01.12.2026 10:00", "end": "2026-12-01 11:00"}])",
       "\"start\": \"01.12.2026 10:00\" is not a date"},
      {R"([{"subject": "a", "start": "2026-02-30 10:00", "end": "2026-03-01 11:00"}])", "is no date of the calendar"},
      {R"([{"subject": "a", "start": "2026-12-01 10:00", "end": "2026-12-01 09:00"}])", "ends before it starts"},
      {"[{" + ok + R"(, "busy": "away"}])", "\"busy\" is \"away\""},
      {"[{" + ok + R"(, "private": "yes"}])", "\"private\" is not true or false"},
      {"[{" + ok + R"(, "attachments": [{"name": "x"}]}])", "object 1 attachment 1 has no \"path\""},
      {"[{" + ok + R"(, "recurrence": {"type": "hourly"}}])", "object 1 recurrence \"type\" is \"hourly\""},
      {"[{" + ok + R"(, "recurrence": {"type": "daily", "count": 0}}])", "\"count\" is 0, not between 1 and 999"},
      {"[{" + ok + R"(, "exceptions": [{"original": "2026-12-01 10:00"}]}])", "has exceptions but no recurrence"},
      {"[{" + ok + R"(, "recurrence": {"type": "daily"}, "exceptions": [{"deleted": true}]}])",
       "object 1 exception 1 has no \"original\""},
  };
  for (const Case& c : cases) {
    try {
      json::Read(c.text);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const platform::Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what() << "\n  for " << c.text;
    }
  }
}

}  // namespace
