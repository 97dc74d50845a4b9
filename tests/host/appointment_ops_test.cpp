// Appointments as the host's commands write and read them on a real store.
#include <gtest/gtest.h>

#include <fstream>

#include "host/AppointmentOps.h"
#include "platform/Error.h"
#include "platform/store/Items.h"
#include "platform/store/MailSession.h"
#include "platform/store/Recipients.h"
#include "platform/store/UserProperties.h"
#include "support/TempHome.h"

namespace {

using host::AppointmentEdit;
using platform::Date;
using platform::Item;

class AppointmentOpsTest : public ::testing::Test {
 protected:
  AppointmentOpsTest()
      : session(platform::MailSession::Open((dir.Path() / "profile.db").string())),
        calendar(session.GetDefaultFolder(platform::olFolderCalendar)) {}
  Item Add(const AppointmentEdit& e) {
    Item item = calendar.Items().Add(platform::olAppointmentItem);
    host::ApplyEdit(item, e, "alice@example.com");
    item.Save();
    return item;
  }
  static AppointmentEdit At(Date start, int minutes, const std::string& subject = "s") {
    AppointmentEdit e;
    e.subject = subject;
    e.start = start;
    e.minutes = minutes;
    return e;
  }
  testing_support::TempDir dir;
  platform::MailSession session;
  platform::Folder calendar;
};

TEST_F(AppointmentOpsTest, AnEditReadsBackAsItsRecord) {
  const std::string file = (dir.Path() / "agenda.msg").string();
  std::ofstream(file) << "bytes of a message";
  AppointmentEdit e = At(Date::FromParts(2026, 12, 8, 10, 0), 30, "Review");
  e.location = "Room 1";
  e.body = "text";
  e.categories = "Blue";
  e.busy = "oof";
  e.isPrivate = true;
  e.groups = "Team";
  e.recurrence = host::ParseRecurrence("weekly,count=4");
  e.attachFiles = {file};
  e.meeting = true;
  e.attendees = {"bob@example.com"};
  Item item = Add(e);
  host::ApplyExceptions(item, {{Date::FromParts(2026, 12, 15, 10, 0), false, "Moved", std::nullopt, std::nullopt},
                               {Date::FromParts(2026, 12, 22, 10, 0), true, std::nullopt, std::nullopt, std::nullopt}});

  const host::AppointmentRecord r = host::ReadRecord(session.GetItemFromID(item.EntryID()), "alice@example.com");
  EXPECT_EQ(r.subject, "Review");
  EXPECT_EQ(r.end, Date::FromParts(2026, 12, 8, 10, 30));
  EXPECT_EQ(r.busy, "oof");
  EXPECT_TRUE(r.is_private);
  EXPECT_EQ(r.groups, "Team");
  EXPECT_EQ(r.owner, "alice@example.com");  // an own item names no owner
  EXPECT_EQ(r.meeting_status, platform::olMeeting);
  EXPECT_FALSE(item.GlobalObjectID().empty());
  EXPECT_EQ(item.Recipients().Count(), 1);
  ASSERT_EQ(r.attachments.size(), 1u);
  EXPECT_EQ(r.attachments[0].name, "agenda.msg");
  EXPECT_EQ(r.attachments[0].size, 18);
  EXPECT_EQ(r.attachments[0].sha256.size(), 64u);
  ASSERT_TRUE(r.recurrence);
  EXPECT_EQ(r.recurrence->type, "weekly");
  EXPECT_EQ(*r.recurrence->count, 4);
  EXPECT_EQ(*r.recurrence->until, Date::FromParts(2026, 12, 29));
  ASSERT_EQ(r.exceptions.size(), 2u);
  EXPECT_EQ(*r.exceptions[0].subject, "Moved");
  EXPECT_TRUE(r.exceptions[1].deleted);
}

TEST_F(AppointmentOpsTest, AnAllDayEventRunsFromMidnightToMidnight) {
  AppointmentEdit e = At(Date::FromParts(2026, 12, 24, 15, 0), 30);
  e.allDay = true;
  Item item = Add(e);
  EXPECT_EQ(item.Start(), Date::FromParts(2026, 12, 24));
  EXPECT_EQ(item.End(), Date::FromParts(2026, 12, 25));
  AppointmentEdit longer;
  longer.end = Date::FromParts(2026, 12, 26);
  host::ApplyEdit(item, longer, "");
  EXPECT_EQ(item.End(), Date::FromParts(2026, 12, 26));
}

TEST_F(AppointmentOpsTest, AnEditThatCannotBeMadeLeavesTheItemUnsaved) {
  Item item = Add(At(Date::FromParts(2026, 12, 8, 10, 0), 30));
  AppointmentEdit backwards;
  backwards.end = Date::FromParts(2026, 12, 8, 9, 0);
  EXPECT_THROW(host::ApplyEdit(item, backwards, ""), platform::Error);
  AppointmentEdit missing;
  missing.attachFiles = {(dir.Path() / "nope.txt").string()};
  EXPECT_THROW(host::ApplyEdit(item, missing, ""), platform::Error);
  EXPECT_EQ(session.GetItemFromID(item.EntryID()).End(), Date::FromParts(2026, 12, 8, 10, 30));
}

TEST_F(AppointmentOpsTest, RecurrenceTexts) {
  struct Case {
    std::string text;
    std::string type;
    int interval;
    std::optional<int> count;
    std::optional<Date> until;
  };
  const Case good[] = {{"daily", "daily", 1, std::nullopt, std::nullopt},
                       {"weekly:2,count=5", "weekly", 2, 5, std::nullopt},
                       {"monthly,until=2027-06-30", "monthly", 1, std::nullopt, Date::FromParts(2027, 6, 30)},
                       {"yearly:3", "yearly", 3, std::nullopt, std::nullopt}};
  for (const Case& c : good) {
    const host::RecurrenceRecord r = host::ParseRecurrence(c.text);
    EXPECT_EQ(r.type, c.type) << c.text;
    EXPECT_EQ(r.interval, c.interval) << c.text;
    EXPECT_EQ(r.count, c.count) << c.text;
    EXPECT_EQ(r.until, c.until) << c.text;
  }
  for (const char* bad : {"hourly", "weekly:0", "weekly:x", "daily,count=0", "daily,until=tomorrow", "daily,forever"})
    EXPECT_THROW(host::ParseRecurrence(bad), platform::Error) << bad;
}

TEST_F(AppointmentOpsTest, ARangeListsWhatOverlapsItInOrderOfStart) {
  Add(At(Date::FromParts(2026, 12, 10, 9, 0), 60, "inside"));
  Add(At(Date::FromParts(2026, 12, 1, 9, 0), 60, "before"));
  Add(At(Date::FromParts(2026, 12, 6, 23, 30), 60, "over the start"));
  AppointmentEdit series = At(Date::FromParts(2026, 11, 2, 8, 0), 30, "series");
  series.recurrence = host::ParseRecurrence("weekly");
  Add(series);
  AppointmentEdit ended = At(Date::FromParts(2026, 11, 3, 8, 0), 30, "ended series");
  ended.recurrence = host::ParseRecurrence("daily,count=3");
  Add(ended);
  std::vector<std::string> subjects;
  for (const Item& item :
       host::ListAppointments(calendar, Date::FromParts(2026, 12, 7), Date::FromParts(2026, 12, 14)))
    subjects.push_back(item.Subject());
  EXPECT_EQ(subjects, (std::vector<std::string>{"series", "over the start", "inside"}));
  EXPECT_EQ(host::ListAppointments(calendar, std::nullopt, std::nullopt).size(), 5u);
}

TEST_F(AppointmentOpsTest, EachKindOfSeriesEndsOnItsCountedOccurrence) {
  // Starting on Monday 7 December 2026, 09:00, three occurrences each.
  const std::pair<const char*, Date> cases[] = {
      {"daily,count=3", Date::FromParts(2026, 12, 9)},      {"daily:2,count=3", Date::FromParts(2026, 12, 11)},
      {"weekly,count=3", Date::FromParts(2026, 12, 21)},    {"monthly,count=3", Date::FromParts(2027, 2, 7)},
      {"yearly,count=3", Date::FromParts(2028, 12, 7)},
  };
  for (const auto& [text, last] : cases) {
    AppointmentEdit e = At(Date::FromParts(2026, 12, 7, 9, 0), 30, text);
    e.recurrence = host::ParseRecurrence(text);
    const host::AppointmentRecord r = host::ReadRecord(Add(e), "");
    ASSERT_TRUE(r.recurrence) << text;
    EXPECT_EQ(*r.recurrence->until, last) << text;
  }
}

}  // namespace
