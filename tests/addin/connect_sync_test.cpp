// The connection's item machinery on a real home: the sync context and the
// sharing engine from Init to Done, the safe timer, marking items read.
#include <gtest/gtest.h>

#include "addin/Connect.h"
#include "addin/frmShablon.h"
#include "groups/CGroup.h"
#include "groups/CGroups.h"
#include "groups/CMember.h"
#include "groups/mGroupEnums.h"
#include "platform/store/Items.h"
#include "support/AddInItems.h"
#include "support/TempHome.h"
#include "sync/CLoomcastEvents.h"
#include "sync/CSyncContext.h"
#include "sync/mAppointments.h"

using testing_support::TempDir;
using testing_support::TempHome;

namespace {

using testing_support::SavedAppointment;

}  // namespace

TEST(ConnectSync, TheContextAndTheEngineLiveFromInitToDone) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  auto& s = alice.Open();
  ASSERT_EQ(s.Start(), Connect::State::Running);
  Connect& c = s.AddIn();
  CSyncContext* ctx = g_Sync();
  ASSERT_NE(ctx, nullptr);
  EXPECT_EQ(ctx, c.SyncContext());
  EXPECT_EQ(ctx->strMe, "alice@example.com");
  EXPECT_TRUE(ctx->fldZentab.IsSame(c.g_fldZentab()));
  EXPECT_TRUE(ctx->fldDeletedItems.IsSame(c.fldDeletedItems()));
  ASSERT_NE(c.Events(), nullptr);
  EXPECT_EQ(ctx->pEvents, c.Events());
  s.Settle();

  // The user's new item reaches the shared folder and waits to be sent.
  SavedAppointment(c.fldCalendar(), "Dentist");
  s.Settle();
  ASSERT_EQ(c.g_fldZentab().Items().Count(), 1);
  EXPECT_EQ(ctx->colPending.Count(), 1u);
  EXPECT_EQ(c.Events()->IgnoreEntryCount(), 0u);

  // The safe timer forgets announcements whose events never came.
  c.Events()->IgnoreEvents("never", c.fldCalendar().EntryID(), 1);
  c.Timers()->StartSafeTimer();
  s.Settle();
  EXPECT_EQ(c.Events()->IgnoreEntryCount(), 0u);
  EXPECT_NE(alice.Log().find("->OnSafeTimer"), std::string::npos);

  s.Stop();
  EXPECT_EQ(g_Sync(), nullptr);
  EXPECT_EQ(c.SyncContext(), nullptr);
}

TEST(ConnectSync, MarkingAllReadIsNoChangeToShare) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  auto& s = alice.Open();
  ASSERT_EQ(s.Start(), Connect::State::Running);
  Connect& c = s.AddIn();
  SavedAppointment(c.fldCalendar(), "Dentist");
  s.Settle();
  g_Sync()->colPending.RemoveAll();
  for (platform::Item& item : c.g_fldZentab().Items().All()) {
    item.SetUnRead(true);
    mAppointments::ItemSave(item);
  }
  s.Settle();
  const std::string copyId = c.g_fldZentab().Items().Item(1).EntryID();

  c.MarkAllAsRead();
  s.Settle();
  EXPECT_FALSE(c.g_fldZentab().Items().Item(1).UnRead());
  EXPECT_EQ(c.g_fldZentab().Items().Item(1).EntryID(), copyId) << "the copy was not replaced";
  EXPECT_EQ(g_Sync()->colPending.Count(), 0u) << "nothing to send";
  s.Stop();
}

// The add-in's own rewrite of a member's items (his new display name) is no
// change of the user's: nothing is queued, no copy replaced.
TEST(ConnectSync, RenamingAMembersItemsIsNoUserChange) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  auto& s = alice.Open();
  ASSERT_EQ(s.Start(), Connect::State::Running);
  Connect& c = s.AddIn();
  CGroups& groups = *c.Groups();
  GroupPtr team = groups.CreateMyGroup("Team");
  team->Add2("Bob", "bob@example.com", ROLE_MEMBER, true);
  groups.Add(team);
  ASSERT_TRUE(c.CheckRights("bob@example.com", "Team")) << "alice could send bob's item";
  platform::Item copy = c.g_fldZentab().Items().Add(platform::olAppointmentItem);
  copy.SetSubject("[Bob] Planning");
  copy.SetStart(platform::Date::FromParts(2026, 12, 10, 10, 0));
  copy.SetEnd(platform::Date::FromParts(2026, 12, 10, 11, 0));
  mAppointments::SetUserProperty(copy, mAppointments::kOwnerAddress, "bob@example.com", false);
  mAppointments::SetUserProperty(copy, mAppointments::kItemID, "11111111-20261201080000", false);
  mAppointments::SetUserProperty(copy, mAppointments::kGroups, "Team", false);
  mAppointments::ItemSave(copy);
  s.Settle();

  groups.UpdateOwnerSubjects("bob@example.com", "Bob", "Bob Brown");
  s.Settle();
  EXPECT_EQ(c.g_fldZentab().Items().Item(1).Subject(), "[Bob Brown] Planning");
  EXPECT_EQ(g_Sync()->colPending.Count(), 0u);
  // The folders are watched again afterwards.
  platform::Item mine = c.fldCalendar().Items().Add(platform::olAppointmentItem);
  mine.SetStart(platform::Date::FromParts(2026, 12, 11, 10, 0));
  mine.SetEnd(platform::Date::FromParts(2026, 12, 11, 11, 0));
  mine.Save();
  s.Settle();
  EXPECT_EQ(g_Sync()->colPending.Count(), 1u);
  s.Stop();
}
