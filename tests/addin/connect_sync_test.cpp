// The connection's item machinery on a real home: the sync context and the
// sharing engine from Init to Done, the safe timer, marking items read.
#include <gtest/gtest.h>

#include "addin/Connect.h"
#include "addin/frmShablon.h"
#include "platform/store/Items.h"
#include "support/TempHome.h"
#include "sync/CLoomcastEvents.h"
#include "sync/CSyncContext.h"
#include "sync/mAppointments.h"

using testing_support::TempDir;
using testing_support::TempHome;

namespace {

platform::Item AddAppointment(const platform::Folder& folder, const std::string& subject) {
  platform::Item item = folder.Items().Add(platform::olAppointmentItem);
  item.SetSubject(subject);
  item.SetStart(platform::Date::FromParts(2026, 12, 10, 10, 0));
  item.SetEnd(platform::Date::FromParts(2026, 12, 10, 11, 0));
  item.Save();
  return item;
}

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
  AddAppointment(c.fldCalendar(), "Dentist");
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
  AddAppointment(c.fldCalendar(), "Dentist");
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
