// A member who joins later receives, by real mail, the items that the
// members of his group have in the shared folder; the global resend sends
// every own item to everyone.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "exchange/appt_world.h"
#include "sync/mAppointments.h"
#include "sync/mLocalSync.h"

namespace {

using platform::Date;

const Date kMonday = Date::FromParts(2026, 12, 7, 10, 0);

class SendMembersTest : public ApptWorldTest {
 protected:
  SendMembersTest() {
    dave = std::make_unique<ApptHome>(world.Add("Dave Dunn", "dave@example.org"));
    Team(*alice, {alice.get(), carol.get()}, "Other");
    // Dave has just joined Alice's "Team".
    auto m = std::make_shared<CMember>();
    m->strKey = "76543219-20261205093000";
    m->strName = "Dave Dunn";
    m->strEmail = "dave@example.org";
    m->bShare = true;
    alice->u.groups->FindByName("Team")->Add(m);
    alice->u.groups->GetEmailsShowAs();
    alice->ctx.dSyncStart = Date::FromParts(2026, 11, 1);
    alice->ctx.dSyncEnd = Date::FromParts(2027, 3, 1);
    alice->Use();
  }

  // An own calendar item shared with `groups`; its id.
  std::string Share(const std::string& subject, const std::string& groups) {
    platform::Item item = alice->NewAppointment(subject, kMonday);
    mAppointments::SetUserProperty(item, mAppointments::kGroups, groups, true);
    std::string id;
    mAppointments::CopyItem(item, alice->ctx.fldZentab, id, false, "Nothing");
    return id;
  }
  // Another member's copy in Alice's shared folder.
  void Foreign(const std::string& owner, const std::string& id) {
    platform::Item item = alice->ctx.fldZentab.Items().Add(platform::olAppointmentItem);
    item.SetSubject("[Someone] Their item");
    item.SetStart(kMonday);
    item.SetDuration(30);
    mAppointments::SetUserProperty(item, mAppointments::kOwnerAddress, owner, false);
    mAppointments::SetUserProperty(item, mAppointments::kItemID, id, false);
    mAppointments::SetUserProperty(item, mAppointments::kGroups, "Team", true);
  }
  // The ids of the items in the "changed" section of each mail `h` picked up.
  std::vector<std::set<std::string>> Received(ApptHome& h) {
    h.u.delivery->PickUp();
    std::vector<std::set<std::string>> out;
    int n = 0;
    for (const platform::Item& mail : h.Inbox()) {
      CXmlAppointments xml("");
      if (!ReadMailDocument(mail, world.root / ("scratch" + std::to_string(n++)), xml)) continue;
      std::set<std::string> ids;
      xml.SetCurNode(CXmlAppointments::ntChanged);
      for (int i = 1; i <= xml.GetItemsCount(); ++i) {
        xml.SetCurItem(i);
        ids.insert(xml.ReadItemPropS(mAppointments::kItemID));
      }
      out.push_back(ids);
      platform::Item(mail).Delete();
    }
    return out;
  }

  std::unique_ptr<ApptHome> dave;
};

TEST_F(SendMembersTest, ANewMemberReceivesTheItemsOfHisGroupsMembers) {
  const std::string plan = Share("Plan", "Team");
  const std::string secret = Share("Secret", "Other");
  Foreign("carol@example.org", "55555555-20261205093000");
  Foreign("dave@example.org", "66666666-20261205093000");

  mAppointments::SendMembersItems("dave@example.org", "Team", false, true);
  auto mails = Received(*dave);
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_EQ(mails[0], (std::set<std::string>{plan, secret, "55555555-20261205093000"}))
      << "everything of the group's members but his own";
  EXPECT_TRUE(Received(*bob).empty()) << "sent to him alone";
  EXPECT_EQ(alice->ctx.colPending.Count(), 0u);

  // Sharing switched on where he shares in other groups already: this group's items only.
  mAppointments::SendMembersItems("dave@example.org", "Team", true, true);
  mails = Received(*dave);
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_EQ(mails[0], (std::set<std::string>{plan, "55555555-20261205093000"}));
}

TEST_F(SendMembersTest, NothingForAnAddressThatReceivesNoAppointments) {
  Share("Plan", "Team");
  mAppointments::SendMembersItems("erin@example.org", "Team", false, true);
  EXPECT_EQ(alice->u.SentCount(), 0);
  EXPECT_NE(log.Text().find("Appointments never sended to member with email = erin@example.org"), std::string::npos);
}

TEST_F(SendMembersTest, GlobalSynchronizationResendsEveryOwnItemToEveryone) {
  const std::string plan = Share("Plan", "Team");
  const std::string secret = Share("Secret", "Other");
  Foreign("carol@example.org", "55555555-20261205093000");

  EXPECT_EQ(mAppointments::GlobalSynchronization(), 2);

  for (ApptHome* h : {bob.get(), carol.get(), dave.get()}) {
    auto mails = Received(*h);
    ASSERT_EQ(mails.size(), 1u) << h->u.strEmail;
    EXPECT_EQ(mails[0], (std::set<std::string>{plan, secret})) << "other members' items stay theirs";
  }
  EXPECT_FALSE(alice->ctx.g_bGSynch);
}

}  // namespace
