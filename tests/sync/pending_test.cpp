// The pending collection: one record per item id, the first action queued
// winning, the records' access to their items, and the records kept in the
// profile with the writes that queued them.
#include <gtest/gtest.h>

#include "platform/Error.h"
#include "platform/store/ProfileQueue.h"
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

// The store refuses every statement that starts with `prefix`.
class RefuseWrites : public platform::StoreWriteHook {
 public:
  explicit RefuseWrites(std::string prefix) : m_prefix(std::move(prefix)) {}
  void BeforeWrite(std::string_view statement) override {
    if (statement.substr(0, m_prefix.size()) == m_prefix) throw platform::Error("disk full");
  }

 private:
  std::string m_prefix;
};

class KeptPendingTest : public testing_support::ProfileFixture {
 protected:
  platform::ProfileQueue Queue() const { return platform::ProfileQueue(*session, "PendingItems"); }
  // The records as a new run finds them in the profile.
  std::vector<CAppointment> Reloaded() const {
    CAppointmentsCollection next;
    next.Keep(Queue());
    return std::vector<CAppointment>(next.begin(), next.end());
  }
};

TEST_F(KeptPendingTest, ANewRunFindsEveryRecordWithItsFieldsInQueueOrder) {
  CAppointmentsCollection coll;
  coll.Add("Changed", "Stale", "00000000-20261201080000", "", "", "", "", kMod1, "");  // replaced by Keep
  coll.Keep(Queue());
  EXPECT_EQ(coll.Count(), 0u);
  coll.Add("Added", "E1", "11111111-20261201080000", "alice@example.org", "Team;Board", "1",
           "bob@example.org;carol@example.org", kMod1, "UID:1");
  coll.Add("Changed", "E2", "22222222-20261201080000", "alice@example.org", "Team", "0", "", kMod1, "");
  coll.Add("Removed", "Nothing", "33333333-20261201080000", "", "", "", "", kMod2, "");
  CAppointment refreshed = *coll.Item("11111111-20261201080000");
  refreshed.m_strEntryID = "E1b";
  refreshed.m_dLastMod = kMod2;
  coll.Update(refreshed);
  EXPECT_TRUE(coll.Remove("22222222-20261201080000"));
  CAppointment gone;
  gone.m_strItemID = "22222222-20261201080000";
  EXPECT_THROW(coll.Update(gone), platform::Error) << "only a queued record is refreshed";

  const std::vector<CAppointment> got = Reloaded();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].m_strAction, "Added");
  EXPECT_EQ(got[0].m_strEntryID, "E1b") << "a refresh keeps the record's place";
  EXPECT_EQ(got[0].m_strGroups, "Team;Board");
  EXPECT_EQ(got[0].m_strShamMet, "1");
  EXPECT_EQ(got[0].m_strRecipients, "bob@example.org;carol@example.org");
  EXPECT_EQ(got[0].m_strMeetingUID, "UID:1");
  EXPECT_EQ(got[0].m_dLastMod, kMod2);
  EXPECT_EQ(got[1].m_strItemID, "33333333-20261201080000");
  EXPECT_EQ(got[1].m_strOwner, "");
  coll.RemoveAll();
  EXPECT_TRUE(Reloaded().empty());
}

TEST_F(KeptPendingTest, ARecordExistsExactlyWhenTheBatchThatQueuedItCommitted) {
  CAppointmentsCollection coll;
  coll.Keep(Queue());
  coll.Add("Changed", "E1", "11111111-20261201080000", "alice@example.org", "Team", "0", "", kMod1, "");
  EXPECT_THROW(session->Batch([&] {
    coll.Add("Added", "E2", "22222222-20261201080000", "alice@example.org", "Team", "0", "", kMod1, "");
    coll.Remove("11111111-20261201080000");
    throw platform::Error("the share fails");
  }),
               platform::Error);
  const std::vector<CAppointment> got = Reloaded();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].m_strItemID, "11111111-20261201080000");

  // The store refusing the record: the collection stays as it was.
  session->SetWriteHook(std::make_shared<RefuseWrites>("INSERT INTO queued"));
  EXPECT_THROW(coll.Add("Added", "E3", "33333333-20261201080000", "", "", "", "", kMod1, ""), platform::Error);
  session->SetWriteHook(nullptr);
  EXPECT_EQ(coll.Item("33333333-20261201080000"), nullptr);
}

TEST(PendingRecordText, DamagedTextIsNoRecord) {
  CAppointment rec;
  rec.m_strAction = "Added";
  rec.m_strItemID = "11111111-20261201080000";
  rec.m_strGroups = "a:b;12:c";
  rec.m_dLastMod = kMod1;
  const std::string text = CAppointmentsCollection::Encode(rec);
  ASSERT_TRUE(CAppointmentsCollection::Decode(text).has_value());
  EXPECT_EQ(CAppointmentsCollection::Decode(text)->m_strGroups, "a:b;12:c");
  for (const std::string& bad : {std::string(), text.substr(0, text.size() / 2), text + "x", "99:" + text,
                                 "x" + text, std::string("5:Added0:0:0:0:0:0:0:12")})
    EXPECT_FALSE(CAppointmentsCollection::Decode(bad).has_value()) << bad;
}

}  // namespace
