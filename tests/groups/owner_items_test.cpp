// A member's new display name or address reaches the items that carry it,
// in the calendar and in the shared folder, on a real mail store.
#include <gtest/gtest.h>

#include "groups/GroupsFixture.h"
#include "groups/mOwnerItems.h"
#include "platform/Error.h"
#include "platform/store/Folders.h"
#include "platform/store/Item.h"
#include "platform/store/Items.h"
#include "platform/store/MailSession.h"
#include "platform/store/UserProperties.h"

class OwnerItemsTest : public GroupsTest {
 protected:
  void SetUp() override {
    GroupsTest::SetUp();
    session = std::make_unique<platform::MailSession>(platform::MailSession::Open((dir / "profile.db").string()));
    env.fldCalendar = session->GetDefaultFolder(platform::olFolderCalendar);
    env.fldZentab = env.fldCalendar.Folders().Add("Zentabo", platform::olFolderCalendar);
    env.DoneFolderHandlers = [this] { trace.push_back("done"); };
    env.InitFolderHandlers = [this] { trace.push_back("init"); };
    G("Team", {M("me@corp.test", ROLE_MANAGER, true, true), M("ann@corp.test", ROLE_MEMBER)});
    groups->SetShowAs("ann@corp.test", "Annie", false);
  }
  void TearDown() override {
    session.reset();
    GroupsTest::TearDown();
  }
  platform::Item Appointment(const platform::Folder& folder, const std::string& subject, const std::string& owner) {
    platform::Item item = folder.Items().Add(platform::olAppointmentItem);
    item.SetSubject(subject);
    item.UserProperties().Add(kOwnerAddressProp).SetValue(owner);
    item.Save();
    return item;
  }
  static std::string Owner(const platform::Item& item) {
    return item.UserProperties().Find(kOwnerAddressProp).Value();
  }

  std::unique_ptr<platform::MailSession> session;
  std::vector<std::string> trace;
};

TEST_F(OwnerItemsTest, NewDisplayNameRewritesThePrefixOfTheOwnersItems) {
  platform::Item inCalendar = Appointment(env.fldCalendar, "[Annie] Lunch", "ann@corp.test");
  platform::Item inZentab = Appointment(env.fldZentab, "[Annie] Review", "ANN@corp.test");
  platform::Item noPrefix = Appointment(env.fldZentab, "Plain", "ann@corp.test");
  platform::Item other = Appointment(env.fldZentab, "[Annie] Not hers", "bob@corp.test");

  groups->SetShowAs("ann@corp.test", "Ann Smith", true);
  EXPECT_EQ(groups->GetShowAs("ann@corp.test"), "Ann Smith");
  EXPECT_EQ(session->GetItemFromID(inCalendar.EntryID()).Subject(), "[Ann Smith] Lunch");
  EXPECT_EQ(session->GetItemFromID(inZentab.EntryID()).Subject(), "[Ann Smith] Review");
  EXPECT_EQ(session->GetItemFromID(noPrefix.EntryID()).Subject(), "[Ann Smith] Plain");
  EXPECT_EQ(session->GetItemFromID(other.EntryID()).Subject(), "[Annie] Not hers");
  EXPECT_EQ(trace, (std::vector<std::string>{"done", "init"})) << "handlers stopped while items are written";

  trace.clear();
  groups->SetShowAs("ann@corp.test", "Ann Smith", true);
  EXPECT_TRUE(trace.empty()) << "an unchanged name touches no item";
  groups->SetShowAs("ann@corp.test", "A", false);
  EXPECT_EQ(session->GetItemFromID(inCalendar.EntryID()).Subject(), "[Ann Smith] Lunch");
}

TEST_F(OwnerItemsTest, NewAddressRewritesTheOwnerOfItemsAndCalendars) {
  MemberPtr room = M("ann@corp.test/room", ROLE_MEMBER, false);
  room->strEmailOwner = "ann@corp.test";
  groups->Find(GK("Team"))->Add(room);
  platform::Item hers = Appointment(env.fldZentab, "[Annie] Lunch", "ann@corp.test");
  platform::Item roomItem = Appointment(env.fldZentab, "[Room] Booked", "ann@corp.test/room");
  platform::Item other = Appointment(env.fldCalendar, "Mine", "me@corp.test");

  ASSERT_TRUE(groups->ChangeEmailAddress("ann@corp.test", "ann@new.test", &sender));
  EXPECT_EQ(Owner(session->GetItemFromID(hers.EntryID())), "ann@new.test");
  EXPECT_EQ(Owner(session->GetItemFromID(roomItem.EntryID())), "ann@new.test/room");
  EXPECT_EQ(Owner(session->GetItemFromID(other.EntryID())), "me@corp.test");
  EXPECT_EQ(groups->FindByEmail("ann@new.test/room")->strEmailOwner, "ann@new.test");
}

TEST(OwnerPrefix, StripOnlyALeadingPrefix) {
  EXPECT_EQ(MakeOwnerPrefix("Ann"), "[Ann] ");
  EXPECT_EQ(StripOwnerSubject("[Ann] Lunch", "[Ann] "), "Lunch");
  EXPECT_EQ(StripOwnerSubject("Lunch [Ann] ", "[Ann] "), "Lunch [Ann] ");
  EXPECT_EQ(StripOwnerSubject("[ann] Lunch", "[Ann] "), "[ann] Lunch");
}

TEST_F(OwnerItemsTest, AFailedRewriteStillStartsTheHandlersAndIsReported) {
  Appointment(env.fldZentab, "[Annie] Lunch", "ann@corp.test");
  env.DoEvents = [] { throw platform::Error("store gone"); };
  EXPECT_FALSE(groups->ChangeEmailAddress("ann@corp.test", "ann@new.test", &sender));
  EXPECT_EQ(trace, (std::vector<std::string>{"done", "init"}));
}

TEST_F(OwnerItemsTest, MyNewAddressIsTrimmedCheckedAndFailuresReported) {
  std::vector<std::string> stored;
  env.OnCurEmailChanged = [&](const std::string& e) { stored.push_back(e); };
  // Not one address: nothing changes.
  for (const char* bad : {"noatsign", "a@b.test;c@d.test", "../../evil@x.com", ""})
    EXPECT_FALSE(groups->ChangeMyEmailAddress(bad)) << bad;
  EXPECT_EQ(env.strCurEmail, "me@corp.test");
  EXPECT_TRUE(stored.empty());
  // The items cannot be rewritten: reported, while the groups and the current
  // address move together so that the next start finds them valid.
  Appointment(env.fldCalendar, "Mine", "me@corp.test");
  env.DoEvents = [] { throw platform::Error("store gone"); };
  EXPECT_FALSE(groups->ChangeMyEmailAddress("  Me@New.Test "));
  EXPECT_EQ(env.strCurEmail, "me@new.test");
  EXPECT_EQ(stored, (std::vector<std::string>{"me@new.test"}));
  EXPECT_TRUE(groups->Valid());
}
