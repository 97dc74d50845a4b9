// The pending collection: one record per item id, the first action queued
// winning, and the records' access to their items.
#include <gtest/gtest.h>

#include "platform/Error.h"
#include "support/ProfileFixture.h"
#include "sync/CAppointmentsCollection.h"
#include "sync/mAppointments.h"

namespace {

const platform::Date kMod1 = platform::Date::FromParts(2026, 12, 1, 8, 0);
const platform::Date kMod2 = platform::Date::FromParts(2026, 12, 2, 8, 0);

TEST(PendingCollection, FirstQueuedActionWinsAndOrderIsKept) {
  CAppointmentsCollection coll;
  CAppointment& added = coll.Add("Added", "E1", "11111111-20261201080000", "alice@example.org", "Team", "0", "",
                                 kMod1, "");
  coll.Add("Changed", "E2", "22222222-20261201080000", "alice@example.org", "Team", "0", "", kMod1, "");
  CAppointment& again = coll.Add("Changed", "E9", "11111111-20261201080000", "bob@example.org", "Other", "1",
                                 "x@example.org", kMod2, "UID");
  EXPECT_EQ(&again, &added) << "an existing record is returned, not replaced";
  EXPECT_EQ(again.m_strAction, "Added");
  EXPECT_EQ(again.m_strEntryID, "E1");
  EXPECT_EQ(again.m_dLastMod, kMod1);
  ASSERT_EQ(coll.Count(), 2u);

  std::vector<std::string> order;
  for (const CAppointment& a : coll) order.push_back(a.m_strEntryID);
  EXPECT_EQ(order, (std::vector<std::string>{"E1", "E2"}));

  ASSERT_NE(coll.Item("22222222-20261201080000"), nullptr);
  EXPECT_EQ(coll.Item("22222222-20261201080000")->m_strAction, "Changed");
  EXPECT_EQ(coll.Item("33333333-20261201080000"), nullptr);

  EXPECT_TRUE(coll.Remove("11111111-20261201080000"));
  EXPECT_FALSE(coll.Remove("11111111-20261201080000"));
  EXPECT_EQ(coll.Count(), 1u);
  coll.RemoveAll();
  EXPECT_EQ(coll.Count(), 0u);
  // A removed id can be queued afresh with a new action.
  EXPECT_EQ(coll.Add("Removed", "Nothing", "11111111-20261201080000", "", "", "", "", kMod2, "").m_strAction,
            "Removed");
}

TEST(PendingCollection, ARecordNeedsAnItemId) {
  CAppointmentsCollection coll;
  EXPECT_THROW(coll.Add("Added", "E1", "", "", "", "", "", kMod1, ""), platform::Error);
  EXPECT_EQ(coll.Count(), 0u);
}

class PendingItemTest : public testing_support::ProfileFixture {};

TEST_F(PendingItemTest, RecordReadsAndWritesItsItemsProperties) {
  platform::Item item = NewAppointment(Calendar(), "Lunch");
  item.Save();
  CAppointment rec;
  rec.m_strEntryID = item.EntryID();
  EXPECT_EQ(rec.GetUserProperty(*session, mAppointments::kGroups), "");
  rec.SetUserProperty(*session, mAppointments::kGroups, "Team");
  EXPECT_EQ(rec.GetUserProperty(*session, mAppointments::kGroups), "Team");
  EXPECT_EQ(mAppointments::GetUserProperty(session->GetItemFromID(item.EntryID()), mAppointments::kGroups), "Team")
      << "the item was saved";

  rec.m_strEntryID = "Nothing";
  EXPECT_EQ(rec.GetUserProperty(*session, mAppointments::kGroups), "");
  rec.SetUserProperty(*session, mAppointments::kGroups, "Team");
  EXPECT_TRUE(Logged("CAppointment.SetUserProperty"));
}

}  // namespace
