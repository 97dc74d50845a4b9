// Copying, changing and removing items between the calendar and the shared
// folder, and what they queue for the members; on a real profile and engine.
#include <gtest/gtest.h>

#include "platform/store/Recipients.h"
#include "platform/store/RecurrencePattern.h"
#include "support/SyncFixture.h"
#include "sync/mAppointments.h"

namespace {

using namespace mAppointments;

class ItemOpsTest : public testing_support::SyncFixture {
 protected:
  // A saved appointment (10 December 2026, 10:00-11:00) that the add-in
  // wrote itself, so the bridge does not take it for a user's.
  platform::Item Quiet(const platform::Folder& folder, const std::string& subject) {
    platform::Item item = NewAppointment(folder, subject);
    item.SetStart(platform::Date::FromParts(2026, 12, 10, 10, 0));
    item.SetEnd(platform::Date::FromParts(2026, 12, 10, 11, 0));
    ItemSave(item);
    return item;
  }
  // The user's item shared by the add-in: its copy, the pending record left
  // behind (as if sent) unless `keepPending`.
  platform::Item Share(platform::Item& item, bool keepPending = false) {
    std::string id;
    platform::Item copy = CopyItem(item, Shared(), id, true, "Added");
    Settle();
    if (!keepPending) ctx.colPending.RemoveAll();
    return copy;
  }
  platform::Item Meeting(const std::string& subject) {
    platform::Item item = NewAppointment(Calendar(), subject);
    item.SetStart(platform::Date::FromParts(2026, 12, 11, 14, 0));
    item.SetEnd(platform::Date::FromParts(2026, 12, 11, 15, 0));
    item.SetMeetingStatus(platform::olMeeting);
    item.SetGlobalObjectID({0x04, 0x00, 0xAB, 0x10});
    item.Recipients().Add("Bob@Example.org", "Bob", platform::olRequired);
    item.Recipients().Add("bob@example.org ", "Bob again", platform::olOptional);
    ItemSave(item);
    return item;
  }
  const CAppointment* Pending(const platform::Item& item) {
    return ctx.colPending.Item(GetUserProperty(Fresh(item), kItemID));
  }
};

TEST_F(ItemOpsTest, AnOwnMeetingIsCopiedAsAPlainAppointmentRememberingItsStatus) {
  platform::Item meeting = Meeting("Review");
  platform::Item copy = Share(meeting, true);
  ASSERT_TRUE(copy);
  copy = Fresh(copy);
  meeting = Fresh(meeting);
  EXPECT_EQ(copy.MeetingStatus(), platform::olNonMeeting);
  EXPECT_EQ(GetUserProperty(copy, kShamMeeting), "1");
  EXPECT_EQ(GetUserProperty(copy, kShamMeetingUID), "0400AB10");
  EXPECT_EQ(meeting.MeetingStatus(), platform::olMeeting);
  EXPECT_EQ(GetUserProperty(meeting, kShamMeeting), "0");
  EXPECT_EQ(GetUserProperty(meeting, kReferID), copy.EntryID());
  EXPECT_EQ(GetUserProperty(copy, kReferID), meeting.EntryID());
  const CAppointment* rec = Pending(meeting);
  ASSERT_NE(rec, nullptr);
  EXPECT_EQ(rec->m_strShamMet, "1");
  EXPECT_EQ(rec->m_strMeetingUID, "0400AB10");
  EXPECT_EQ(rec->m_strRecipients, "bob@example.org;alice@example.org") << "once each, the organiser added";
  EXPECT_EQ(events->IgnoreEntryCount(), 0u) << "the add-in's own writes all announced, none twice";
}

TEST_F(ItemOpsTest, ChangingAnOwnMeetingTwiceLeavesOneRecordWithTheFirstAction) {
  platform::Item meeting = Meeting("Review");
  Share(meeting, true);
  for (const char* where : {"Room 1", "Room 2"}) {
    meeting = Fresh(meeting);
    meeting.SetLocation(where);
    ItemSave(meeting);
    ChangeItem(meeting, Shared());
    Settle();
  }
  ASSERT_EQ(ctx.colPending.Count(), 1u);
  EXPECT_EQ(ctx.colPending.begin()->m_strAction, "Added");
  EXPECT_EQ(ctx.colPending.begin()->m_strEntryID, meeting.EntryID());
  ASSERT_EQ(Count(Shared()), 1u) << "each change replaced the copy";
  platform::Item copy = Shared().Items().Item(1);
  EXPECT_EQ(copy.Location(), "Room 2");
  EXPECT_EQ(GetUserProperty(Fresh(meeting), kReferID), copy.EntryID());
}

TEST_F(ItemOpsTest, RemovingAnItemNeverSentLeavesNothingToSend) {
  platform::Item item = Quiet(Calendar(), "Short-lived");
  Share(item, true);
  ASSERT_EQ(ctx.colPending.Count(), 1u);
  item = Fresh(item);
  RemoveItem(item);
  Settle();
  EXPECT_EQ(ctx.colPending.Count(), 0u);
  EXPECT_EQ(Count(Shared()), 0u) << "its copy went with it";
  EXPECT_EQ(GetUserProperty(Fresh(item), kItemID), "");
}

TEST_F(ItemOpsTest, RemovalsOfSentItemsAreQueuedEvenOutsideTheWindow) {
  platform::Item item = Quiet(Calendar(), "Long ago");
  Share(item);
  item = Fresh(item);
  item.SetStart(platform::Date::FromParts(2025, 1, 10, 10, 0));
  ItemSave(item);
  ASSERT_FALSE(IsInSyncWindow(item, WindowStart(), WindowEnd()));
  const std::string id = GetUserProperty(item, kItemID);
  RemoveItem(item);
  const CAppointment* rec = ctx.colPending.Item(id);
  ASSERT_NE(rec, nullptr);
  EXPECT_EQ(rec->m_strAction, "Removed");
  EXPECT_EQ(rec->m_strEntryID, "Nothing");
}

TEST_F(ItemOpsTest, AnOwnItemWhoseTwinPointsElsewhereOrWithoutTwinSendsNothing) {
  platform::Item item = Quiet(Calendar(), "Linked elsewhere");
  platform::Item copy = Fresh(Share(item));
  SetUserProperty(copy, kReferID, "someone else", true);
  item = Fresh(item);
  RemoveItem(item);
  EXPECT_EQ(ctx.colPending.Count(), 0u);
  EXPECT_EQ(Count(Shared()), 1u) << "the copy is not deleted";
  EXPECT_EQ(GetUserProperty(Fresh(item), kItemID), "") << "but the id is cleared";

  platform::Item unlinked = Quiet(Calendar(), "No twin link");
  SetUserProperty(unlinked, kItemID, "12345678-20261201080000", true);
  RemoveItem(unlinked);
  EXPECT_EQ(ctx.colPending.Count(), 0u);
  EXPECT_EQ(GetUserProperty(Fresh(unlinked), kItemID), "12345678-20261201080000");
}

TEST_F(ItemOpsTest, HolidaysAndBirthdaysAreNotQueuedUnlessTheOptionsSaySo) {
  platform::Item holiday = Quiet(Calendar(), "New Year");
  holiday.SetCategories("Holiday");
  ItemSave(holiday);
  platform::Item mixed = Quiet(Calendar(), "Office party");
  mixed.SetCategories("Holiday, Work");
  ItemSave(mixed);
  platform::Item birthday = NewAppointment(Calendar(), "Bob's Birthday");
  birthday.SetStart(platform::Date::FromParts(2026, 12, 20));
  birthday.SetEnd(platform::Date::FromParts(2026, 12, 21));
  birthday.SetAllDayEvent(true);
  birthday.GetRecurrencePattern().SetRecurrenceType(platform::olRecursYearly);
  ItemSave(birthday);

  for (platform::Item* item : {&holiday, &mixed, &birthday})
    SynchCopyItem(*item, "Added", item->Subject(), "", "Team", "0", "", false);
  EXPECT_EQ(ctx.colPending.Item("New Year"), nullptr);
  EXPECT_NE(ctx.colPending.Item("Office party"), nullptr);
  EXPECT_EQ(ctx.colPending.Item("Bob's Birthday"), nullptr);
  EXPECT_TRUE(Logged("Ignoring Holiday Item, EntryID = " + holiday.EntryID()));
  EXPECT_TRUE(Logged("Ignoring Birtday Item.EntryID = " + birthday.EntryID()));

  mOptions::g_Options().IgnoreHolidays = false;
  mOptions::g_Options().IgnoreBirthdays = false;
  SynchCopyItem(holiday, "Added", "New Year", "", "Team", "0", "", false);
  SynchCopyItem(birthday, "Added", "Bob's Birthday", "", "Team", "0", "", false);
  EXPECT_NE(ctx.colPending.Item("New Year"), nullptr);
  EXPECT_NE(ctx.colPending.Item("Bob's Birthday"), nullptr);
}

TEST_F(ItemOpsTest, TheSyncWindowTakesOverlapsAndSeriesReachingIntoIt) {
  auto at = [this](int y, int m, int d) {
    platform::Item item = NewAppointment(Calendar(), "w");
    item.SetStart(platform::Date::FromParts(y, m, d, 10, 0));
    item.SetEnd(platform::Date::FromParts(y, m, d, 11, 0));
    return item;
  };
  EXPECT_TRUE(IsInSyncWindow(at(2026, 12, 1), WindowStart(), WindowEnd()));
  EXPECT_FALSE(IsInSyncWindow(at(2026, 11, 30), WindowStart(), WindowEnd()));
  EXPECT_FALSE(IsInSyncWindow(at(2027, 2, 1), WindowStart(), WindowEnd()));
  platform::Item open = at(2026, 1, 5);
  open.GetRecurrencePattern();  // weekly, no end
  ItemSave(open);
  EXPECT_TRUE(IsInSyncWindow(open, WindowStart(), WindowEnd()));
  platform::Item ended = at(2026, 1, 5);
  ended.GetRecurrencePattern().SetOccurrences(3);
  ItemSave(ended);
  EXPECT_FALSE(IsInSyncWindow(ended, WindowStart(), WindowEnd()));
  platform::Item reaching = at(2026, 11, 2);
  reaching.GetRecurrencePattern().SetOccurrences(10);
  ItemSave(reaching);
  EXPECT_TRUE(IsInSyncWindow(reaching, WindowStart(), WindowEnd()));
}

TEST_F(ItemOpsTest, AnotherMembersItemIsSentOnlyWithTheRights) {
  platform::Item item = Quiet(Shared(), "[Bob Brown] Planning");
  SetUserProperty(item, kOwnerAddress, "bob@example.org", false);
  SetUserProperty(item, kItemID, "11111111-20261201080000", false);
  SetUserProperty(item, kGroups, "Team", true);
  Settle();
  ctx.colPending.RemoveAll();

  ChangeItem(item, Calendar());
  EXPECT_EQ(ctx.colPending.Count(), 0u);
  EXPECT_TRUE(Logged("You changes of bob@example.org's appointment will not send"));
  RemoveItem(item);
  EXPECT_EQ(ctx.colPending.Count(), 0u);
  EXPECT_TRUE(Logged("You removing of bob@example.org's appointment will not send"));

  item = Fresh(item);
  SetUserProperty(item, kItemID, "11111111-20261201080000", true);
  rights = [](const std::string& owner, const std::string& groups) {
    return owner == "bob@example.org" && groups == "Team";
  };
  ChangeItem(item, Calendar());
  ASSERT_NE(ctx.colPending.Item("11111111-20261201080000"), nullptr);
  EXPECT_EQ(ctx.colPending.Item("11111111-20261201080000")->m_strAction, "Changed");
  EXPECT_EQ(ctx.colPending.Item("11111111-20261201080000")->m_strOwner, "bob@example.org");
  EXPECT_EQ(Count(Calendar()), 0u) << "no copy of another member's item";
}

TEST_F(ItemOpsTest, BothCopyPathsGiveASavedCrossLinkedCopy) {
  for (bool rdoPath : {true, false}) {
    SCOPED_TRACE(rdoPath ? "safe-item session" : "copy and move");
    ctx.pRdo = rdoPath ? rdo.get() : nullptr;
    platform::Item item = Quiet(Calendar(), "Copied");
    Settle();
    ctx.colPending.RemoveAll();
    const size_t before = Count(Shared());
    platform::Item copy = Share(item);
    ASSERT_TRUE(copy);
    EXPECT_TRUE(copy.Saved());
    EXPECT_TRUE(copy.Parent().IsSame(Shared()));
    EXPECT_EQ(Count(Shared()), before + 1);
    EXPECT_EQ(Count(Calendar()), before + 1) << "no temporary copy left behind";
    EXPECT_EQ(GetUserProperty(Fresh(copy), kReferID), item.EntryID());
    Tick();
  }
}

// Writing one occurrence of a series raises a change of the series: the
// guarded writes announce it for the series, so another member's series
// rewritten by the add-in is not taken for the user's change.
TEST_F(ItemOpsTest, GuardedWritesOfAnOccurrenceAnnounceTheSeriesChange) {
  rights = [](const std::string&, const std::string&) { return true; };
  platform::Item series = NewAppointment(Shared(), "[Bob Brown] Weekly");
  series.SetStart(platform::Date::FromParts(2026, 12, 7, 9, 0));
  series.SetEnd(platform::Date::FromParts(2026, 12, 7, 10, 0));
  series.GetRecurrencePattern().SetOccurrences(6);
  SetUserProperty(series, kOwnerAddress, "bob@example.org", false);
  SetUserProperty(series, kItemID, "33333333-20261201080000", false);
  SetUserProperty(series, kGroups, "Team", true);
  Settle();
  platform::Item changed = series.GetOccurrence(platform::Date::FromParts(2026, 12, 14, 9, 0));
  changed.SetLocation("elsewhere");
  ItemSave(changed);
  platform::Item dropped = series.GetOccurrence(platform::Date::FromParts(2026, 12, 21, 9, 0));
  ItemDelete(dropped, false);
  Settle();
  EXPECT_EQ(ctx.colPending.Count(), 0u);
  EXPECT_EQ(events->IgnoreEntryCount(), 0u);
}

TEST_F(ItemOpsTest, ShortFormCopiesWithoutSendingAndKeepsTheIds) {
  platform::Item item = Quiet(Shared(), "Edited by assistant");
  SetUserProperty(item, kItemID, "22222222-20261201080000", false);
  SetUserProperty(item, kGroups, "Team", true);
  platform::Item copy = CopyItem(item, Calendar());
  Settle();
  ASSERT_TRUE(copy);
  EXPECT_EQ(GetUserProperty(copy, kItemID), "22222222-20261201080000");
  EXPECT_EQ(GetUserProperty(Fresh(item), kReferID), copy.EntryID());
  EXPECT_EQ(GetUserProperty(copy, kReferID), item.EntryID());
  EXPECT_EQ(ctx.colPending.Count(), 0u);
}

TEST_F(ItemOpsTest, MissingArgumentsAreLoggedWithTheirTexts) {
  platform::Item nothing;
  std::string id;
  EXPECT_FALSE(CopyItem(nothing, Shared(), id, true, "Added"));
  EXPECT_TRUE(Logged("Copying item is nothing."));
  platform::Item item = Quiet(Calendar(), "x");
  EXPECT_FALSE(CopyItem(item, platform::Folder(), id, true, "Added"));
  EXPECT_TRUE(Logged("Destination folder is nothing."));
  EXPECT_FALSE(ChangeItem(nothing, Shared()));
  EXPECT_TRUE(Logged("Changing item is nothing."));
  RemoveItem(nothing);
  EXPECT_TRUE(Logged("Removing item is nothing."));
  DeleteItem(nothing);
  EXPECT_TRUE(Logged("Argument is nothing."));
  SynchCopyItem(nothing, "Added", "id", "", "", "", "", false);
  EXPECT_TRUE(Logged("Item is nothing."));
  ctx.strMe.clear();
  EXPECT_FALSE(CopyItem(item, Shared(), id, true, "Added"));
  EXPECT_TRUE(Logged("Current user address is empty."));
  EXPECT_EQ(GetUserProperty(Fresh(item), kItemID), "") << "nothing done";
}

TEST_F(ItemOpsTest, OwnerSubjectsAreBuiltAndStripped) {
  EXPECT_EQ(MakeOwnerSubject("Lunch", "Bob Brown"), "[Bob Brown] Lunch");
  EXPECT_EQ(StripOwnerSubject("[Bob Brown] Lunch", "[Bob Brown] "), "Lunch");
  EXPECT_EQ(StripOwnerSubject("Lunch [Bob Brown] ", "[Bob Brown] "), "Lunch [Bob Brown] ");
}

TEST_F(ItemOpsTest, OpeningAnOwnShamCopyShowsItsMeetingAndNewItemsGetDefaults) {
  platform::Item meeting = Meeting("Review");
  platform::Item copy = Fresh(Share(meeting));
  int inspect = 0;
  ctx.StartInspectTimer = [&] { ++inspect; };
  DisplayItem(copy);
  EXPECT_EQ(session->OpenWindowCount(), 1) << "the meeting opened instead";
  EXPECT_EQ(inspect, 1);
  EXPECT_TRUE(ctx.objShamCopy.IsSame(copy));

  mOptions::g_Options().DefaultPrivate = true;
  platform::Item fresh = NewAppointment(Shared(), "new");
  fresh.SetReminderSet(false);
  DisplayItem(fresh);
  EXPECT_TRUE(fresh.ReminderSet());
  EXPECT_EQ(fresh.Sensitivity(), 2);
}

}  // namespace
