// The connection's synchronisation moves appointments: Alice's pending
// change leaves at her Syncronize, and Bob's Syncronize applies it to his
// shared folder.
#include <gtest/gtest.h>

#include "addin/Connect.h"
#include "groups/CGroups.h"
#include "host/HostSession.h"
#include "platform/store/Items.h"
#include "support/AddInItems.h"
#include "support/TempHome.h"
#include "sync/CSyncContext.h"

namespace {

using testing_support::Share;

TEST(ConnectAppointments, SyncronizeSendsThePendingChangesAndReceivesTheMembers) {
  testing_support::TempDir dir;
  testing_support::TempHome alice(dir.Path(), "alice", "alice@example.com");
  testing_support::TempHome bob(dir.Path(), "bob", "bob@example.com");

  host::HostSession& a = alice.Open();
  ASSERT_EQ(a.Start(), Connect::State::Running);
  Share(a, "Bob", "bob@example.com");
  platform::Item item = a.AddIn().fldCalendar().Items().Add(platform::olAppointmentItem);
  item.SetSubject("Lunch");
  item.SetStart(platform::Date::FromParts(2026, 12, 7, 12, 0));
  item.Save();
  g_Sync()->colPending.Add("Added", item.EntryID(), "11111111-20261205093000", "alice@example.com", "Team", "0",
                           "", item.LastModificationTime(), "");
  a.AddIn().Syncronize();
  EXPECT_EQ(g_Sync()->colPending.Count(), 0u);
  a.Stop();
  alice.Close();

  host::HostSession& b = bob.Open();
  ASSERT_EQ(b.Start(), Connect::State::Running);
  Share(b, "Alice", "alice@example.com");
  ASSERT_EQ(b.PickUpMail(), 1);
  b.AddIn().Syncronize();
  std::vector<std::string> subjects;
  for (const platform::Item& i : b.AddIn().g_fldZentab().Items().All()) subjects.push_back(i.Subject());
  EXPECT_EQ(subjects, std::vector<std::string>{"[Alice] Lunch"});
  EXPECT_EQ(b.AddIn().fldInbox().Items().Count(), 0);
}

}  // namespace
