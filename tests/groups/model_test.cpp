// Queries over all groups, the display-name table, address changes, the
// group-name check and the add-members command.
#include <gtest/gtest.h>

#include "groups/GroupsFixture.h"
#include "groups/mGroups.h"

using Calls = std::vector<std::string>;

class ModelTest : public GroupsTest {
 protected:
  MemberPtr Virtual(const std::string& owner, const std::string& suffix) {
    MemberPtr v = M(owner + "/" + suffix, ROLE_MEMBER, false);
    v->strEmailOwner = owner;
    return v;
  }
};

TEST_F(ModelTest, AppointmentReceivers) {
  EXPECT_EQ(groups->GetAppointsRecivers(), "");
  G("A", {M("me@corp.test", ROLE_MANAGER, true, true), M("x@corp.test", ROLE_MEMBER, false)});
  EXPECT_EQ(groups->GetAppointsRecivers(), "") << "no eligible member";
  MemberPtr pending = M("p@corp.test", ROLE_MEMBER);
  pending->nAction = ACTION_ADDING;
  MemberPtr upper = M("Ann@Corp.test", ROLE_MEMBER);
  upper->strKey = K("ann2");
  G("B", {M("me@corp.test", ROLE_MEMBER, true, true), M("bob@corp.test", ROLE_MANAGER), pending,
          Virtual("bob@corp.test", "room"), upper});
  G("C", {M("ann@corp.test", ROLE_MANAGER), M("bob@corp.test", ROLE_MEMBER)});
  EXPECT_EQ(groups->GetAppointsRecivers(), "bob@corp.test;ann@corp.test");
}

TEST_F(ModelTest, VirtualMembersAndExistence) {
  MemberPtr pending = M("p@corp.test", ROLE_MEMBER);
  pending->nAction = ACTION_ADDING;
  G("A", {M("me@corp.test", ROLE_MANAGER, true, true), Virtual("me@corp.test", "room"), pending});
  MemberPtr room2 = Virtual("me@corp.test", "room");
  room2->strKey = K("room-copy");
  G("B", {M("me@corp.test", ROLE_MANAGER, true, true), room2, Virtual("me@corp.test", "car"),
          Virtual("x@corp.test", "car")});
  EXPECT_EQ(groups->GetVirtualMembers("ME@corp.test"),
            (std::vector<std::string>{"me@corp.test", "me@corp.test/room", "me@corp.test/car"}));
  EXPECT_EQ(groups->GetVirtualMembers("nobody@corp.test"), std::vector<std::string>{"nobody@corp.test"});
  EXPECT_TRUE(groups->MemberExists("P@corp.test", false));
  EXPECT_FALSE(groups->MemberExists("p@corp.test", true)) << "membership not complete";
  EXPECT_TRUE(groups->MemberExists("ME@CORP.TEST", true));
  EXPECT_EQ(groups->GetMemberShareGroupsCount("me@corp.test"), 2);
  EXPECT_EQ(groups->GetMemberShareGroupsCount("me@corp.test/room"), 0);
  EXPECT_EQ(groups->FindByEmail("me@corp.test/car")->strGroupKey, GK("B"));
  EXPECT_EQ(groups->GetGroupsNames(), "A;B");
}

TEST_F(ModelTest, DisplayNameTable) {
  G("A", {M("me@corp.test", ROLE_MANAGER, true, true), M("ann@corp.test", ROLE_MEMBER)});
  const auto& table = groups->GetEmailsShowAs();
  ASSERT_EQ(table.Count(), 2u);
  EXPECT_EQ(table.Item(1), "Name of me@corp.test;me@corp.test");
  EXPECT_EQ(groups->GetShowAs("ANN@corp.test"), "Name of ann@corp.test");

  groups->SetShowAs("ann@corp.test", "Annie", false);
  EXPECT_EQ(groups->GetShowAsFromAddress("ann@corp.test"), "Annie");
  // Entries of addresses nobody has go; the current user keeps his.
  groups->Find(GK("A"))->Remove(K("ann@corp.test"));
  groups->Find(GK("A"))->Remove(K("me@corp.test"));
  groups->GetEmailsShowAs();
  ASSERT_EQ(groups->ShowAsTable().Count(), 1u);
  EXPECT_EQ(groups->ShowAsTable().Item(1), "Name of me@corp.test;me@corp.test");
  // Without any entry, the current user's comes from the current name.
  CGroups fresh(env);
  ASSERT_EQ(fresh.GetEmailsShowAs().Count(), 1u);
  EXPECT_EQ(fresh.ShowAsTable().Item(1), "Me;me@corp.test");
  EXPECT_EQ(groups->GetShowAs("nobody@corp.test"), "");
}

TEST_F(ModelTest, ChangeMyEmailAddressMovesMembersAndCalendars) {
  std::string stored;
  env.OnCurEmailChanged = [&](const std::string& e) { stored = e; };
  env.NewGroupMsg = [this] {
    struct Forward : RecordingSender {
      RecordingSender* target;
      explicit Forward(RecordingSender* t) : target(t) {}
      ~Forward() override { target->calls.insert(target->calls.end(), calls.begin(), calls.end()); }
    };
    return std::unique_ptr<IGroupMsgSender>(new Forward(&sender));
  };
  G("A", {M("me@corp.test", ROLE_MANAGER, true, true), Virtual("me@corp.test", "Room"),
          M("ann@corp.test", ROLE_MEMBER)});
  G("B", {M("ann@corp.test", ROLE_MANAGER), M("me@corp.test", ROLE_MEMBER, true, true)});
  groups->SetShowAs("me@corp.test", "Boss", false);

  EXPECT_FALSE(groups->ChangeMyEmailAddress(" ANN@corp.test "));
  ASSERT_EQ(prompt.Shown().size(), 1u);
  EXPECT_EQ(prompt.Shown()[0].text, "LID_NEW_EMAIL_EXISTS");
  EXPECT_EQ(prompt.Shown()[0].title, "Zentabo - Error");
  EXPECT_TRUE(sender.calls.empty());

  EXPECT_TRUE(groups->ChangeMyEmailAddress("  New@Corp.Test "));
  EXPECT_EQ(env.strCurEmail, "new@corp.test");
  EXPECT_EQ(stored, "new@corp.test");
  EXPECT_EQ(sender.calls, Calls{"SendBroadcastChangeEmail me@corp.test -> new@corp.test"});
  GroupPtr a = groups->Find(GK("A"));
  EXPECT_EQ(a->GetMySelf()->strEmail, "new@corp.test");
  MemberPtr room = a->Find(K("me@corp.test/room"));
  EXPECT_EQ(room->strEmailOwner, "new@corp.test");
  EXPECT_EQ(room->strEmail, "new@corp.test/room");
  EXPECT_EQ(groups->Find(GK("B"))->GetMySelf()->strEmail, "new@corp.test");
  EXPECT_TRUE(groups->Valid());
  EXPECT_EQ(groups->GetShowAs("new@corp.test"), "Boss");
  EXPECT_FALSE(groups->ShowAsTable().Exists("me@corp.test")) << "the old entry goes with the next refresh";

  CGroups reloaded(env);
  reloaded.Load();
  EXPECT_TRUE(SameStoredGroups(reloaded, *groups)) << "the change was saved";
}

TEST_F(ModelTest, ChangeEmailAddressOfAnotherMemberPassesReachedOn) {
  G("A", {M("me@corp.test", ROLE_MANAGER, true, true), M("ann@corp.test", ROLE_MEMBER)});
  groups->SetShowAs("ann@corp.test", "Annie", false);
  EXPECT_TRUE(groups->ChangeEmailAddress("ann@corp.test", "ANN2@corp.test ", &sender, {"bob@corp.test"}));
  EXPECT_EQ(sender.calls, Calls{"SendBroadcastChangeEmail ann@corp.test -> ann2@corp.test ~bob@corp.test"});
  EXPECT_EQ(groups->FindByEmail("ann2@corp.test")->strKey, K("ann@corp.test"));
  EXPECT_EQ(groups->GetShowAs("ann2@corp.test"), "Annie");
  EXPECT_EQ(env.strCurEmail, "me@corp.test");
}

TEST_F(ModelTest, GroupNameCheck) {
  G("Team", {M("me@corp.test", ROLE_MANAGER, true, true)});
  G("Old", {M("me@corp.test", ROLE_MANAGER, true, true)})->bMarkedForRemoving = true;
  struct Row {
    const char* name;
    const char* lid;  // nullptr: accepted; "": refused silently
  } rows[] = {
      {"Project", nullptr},
      {"", ""},
      {"(all groups)", "LID_INVALID_GROUP_NAME"},
      {"(NULL GROUP)", "LID_INVALID_GROUP_NAME"},
      {"a;b", "LID_INVALID_GROUP_NAME2"},
      {"Old", "LID_INVALID_GROUP_NAME3"},
      {"Team", "LID_INVALID_GROUP_NAME4"},
      {"team", nullptr},  // names compare exactly
  };
  for (const Row& r : rows) {
    prompt.ClearRecords();
    EXPECT_EQ(IsValidGroupName(*groups, r.name), r.lid == nullptr) << r.name;
    if (r.lid && *r.lid) {
      ASSERT_EQ(prompt.Shown().size(), 1u) << r.name;
      EXPECT_EQ(prompt.Shown()[0].text, r.lid);
      EXPECT_EQ(prompt.Shown()[0].title, "LID_INVALID_GROUP_NAME_TITLE");
      EXPECT_EQ(prompt.Shown()[0].icon, platform::Icon::Exclamation);
    } else {
      EXPECT_TRUE(prompt.Shown().empty()) << r.name;
    }
  }
}

TEST_F(ModelTest, CreateMyGroupAndCopiesAreIndependent) {
  GroupPtr g = groups->CreateMyGroup("Mine");
  EXPECT_EQ(groups->Count(), 0) << "not inserted";
  ASSERT_EQ(g->Count(), 1);
  MemberPtr me = g->Item(1);
  EXPECT_EQ(me->strEmail, "me@corp.test");
  EXPECT_EQ(me->strName, "Me");
  EXPECT_TRUE(me->IsMySelf && me->bShare && me->IsManager() && me->WasAdded());
  EXPECT_EQ(me->strGroupKey, g->strKey);
  EXPECT_NE(me->strKey, g->strKey);
  EXPECT_TRUE(groups->Add(g));
  EXPECT_FALSE(groups->Add(g)) << "duplicate key";

  CGroups copy(env);
  copy.CopyFrom(*groups);
  EXPECT_TRUE(SameStoredGroups(copy, *groups));
  copy.Item(1)->Item(1)->strName = "Changed";
  copy.Item(1)->strName = "Changed";
  EXPECT_EQ(groups->Item(1)->Item(1)->strName, "Me");
  EXPECT_EQ(groups->Item(1)->strName, "Mine");
}

TEST_F(ModelTest, AddNewMemberCommand) {
  env.NewGroupMsg = [] { return std::unique_ptr<IGroupMsgSender>(new RecordingSender); };
  MemberPtr meA = M("me@corp.test", ROLE_ASSISTANT, true, true);
  G("Team", {M("boss@corp.test", ROLE_MANAGER), meA});
  std::vector<std::string> events;
  bool wizard = false;
  AddNewMemberUi ui;
  ui.RunAddMembersWizard = [&] { wizard = true; };
  ui.RunAddMemberDialog = [&](CGroups&, CGroup& g) {
    g.Add2("New", "new@corp.test", ROLE_MEMBER, true)->bCreating = true;
    return true;
  };
  ui.RaiseCustomEvent = [&](const std::string& e) { events.push_back(e); };

  EXPECT_FALSE(AddNewMember(*groups, " (ALL GROUPS) ", ui));
  EXPECT_TRUE(wizard);

  EXPECT_TRUE(AddNewMember(*groups, " Team ", ui));
  EXPECT_TRUE(groups->Find(GK("Team"))->FindByEmail("new@corp.test"));
  EXPECT_EQ(events, std::vector<std::string>{"Groups"});
  CGroups reloaded(env);
  reloaded.Load();
  EXPECT_TRUE(reloaded.Find(GK("Team"))->FindByEmail("new@corp.test")) << "saved";

  // An assistant whose own add is pending, and a plain member, may not add.
  meA->nAction = ACTION_ADDING;
  EXPECT_FALSE(AddNewMember(*groups, "Team", ui));
  meA->nAction = ACTION_NONE;
  meA->nRole = ROLE_MEMBER;
  EXPECT_FALSE(AddNewMember(*groups, "Team", ui));
  ASSERT_EQ(prompt.Shown().size(), 2u);
  EXPECT_EQ(prompt.Shown()[1].text, "LID_CANT_ADD_MEMBER");
  EXPECT_EQ(prompt.Shown()[1].title, "Zentabo");

  // A cancelled dialog changes nothing.
  meA->nRole = ROLE_ASSISTANT;
  ui.RunAddMemberDialog = [](CGroups&, CGroup& g) {
    g.Add2("X", "x@corp.test", ROLE_MEMBER, true);
    return false;
  };
  EXPECT_FALSE(AddNewMember(*groups, "Team", ui));
  EXPECT_FALSE(groups->FindByEmail("x@corp.test"));
}
