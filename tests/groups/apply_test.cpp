// Membership operations and ApplyDlgChanges: the model's changes and the
// group messages each path sends.
#include <gtest/gtest.h>

#include "groups/GroupsFixture.h"
#include "groups/mGroups.h"

using Calls = std::vector<std::string>;

class ApplyTest : public GroupsTest {
 protected:
  void SetUp() override {
    GroupsTest::SetUp();
    me = M("me@corp.test", ROLE_MANAGER, true, true);
    ann = M("ann@corp.test", ROLE_ASSISTANT);
    bob = M("bob@corp.test", ROLE_MEMBER);
    team = G("Team", {me, ann, bob});
  }
  // The dialog's copy of all groups and its copy of Team.
  std::unique_ptr<CGroups> Copy() {
    auto copy = std::make_unique<CGroups>(env);
    copy->CopyFrom(*groups);
    return copy;
  }
  void Apply(const CGroups& copy) { groups->ApplyDlgChanges(copy, &sender); }

  MemberPtr me, ann, bob;
  GroupPtr team;
};

TEST_F(ApplyTest, UnchangedCopySendsNothing) {
  Apply(*Copy());
  EXPECT_TRUE(sender.calls.empty());
  EXPECT_EQ(team->Count(), 3);
}

TEST_F(ApplyTest, RemovingAMemberBroadcastsTheRemoval) {
  auto copy = Copy();
  copy->Find(GK("Team"))->Find(K("bob@corp.test"))->bMarkedForRemoving = true;
  Apply(*copy);
  EXPECT_EQ(sender.calls, Calls{"SendBroadcastRemove bob@corp.test @Team"});
  EXPECT_FALSE(team->Find(K("bob@corp.test")));
  EXPECT_EQ(groups->Count(), 1);
}

TEST_F(ApplyTest, RemovingAPendingMemberAbortsItFirst) {
  bob->nAction = ACTION_ADDING;
  bob->strActionKey = "11111111-20060213141359";
  bob->nWait = WAIT_REPLAY;
  auto copy = Copy();
  copy->Find(GK("Team"))->Remove(K("bob@corp.test"));  // missing in the copy counts as removed
  Apply(*copy);
  EXPECT_EQ(sender.calls, (Calls{"SendAbort bob@corp.test", "SendBroadcastRemove bob@corp.test @Team"}));
  EXPECT_EQ(sender.members[0].strActionKey, "11111111-20060213141359") << "the abort names the pending change";
  EXPECT_FALSE(team->Find(K("bob@corp.test")));
}

TEST_F(ApplyTest, RenameRoleAndShareChanges) {
  auto copy = Copy();
  GroupPtr t = copy->Find(GK("Team"));
  t->Find(K("ann@corp.test"))->strName = "Ann B.";
  t->Find(K("bob@corp.test"))->nRole = ROLE_ASSISTANT;
  t->Find(K("bob@corp.test"))->bModifying = true;
  t->Find(K("ann@corp.test"))->bShare = false;
  Apply(*copy);
  EXPECT_EQ(sender.calls, (Calls{"SendBroadcastModifyName ann@corp.test @Team",
                                 "SendBroadcastModifyOrder bob@corp.test @Team",
                                 "SendBroadcastModifiedShare ann@corp.test @Team"}));
  EXPECT_EQ(ann->strName, "Ann B.");
  EXPECT_EQ(bob->nRole, ROLE_ASSISTANT);
  EXPECT_FALSE(bob->bModifying);
  EXPECT_FALSE(ann->bShare);
  EXPECT_FALSE(sender.members[2].bShare) << "the broadcast carries the new sharing";
}

TEST_F(ApplyTest, RoleToggleNeverGivesManager) {
  auto copy = Copy();
  copy->Find(GK("Team"))->Find(K("ann@corp.test"))->nRole = ROLE_MEMBER;
  Apply(*copy);
  EXPECT_EQ(ann->nRole, ROLE_MEMBER);
  team->ModifyMemberRole(*bob, &sender);
  EXPECT_EQ(bob->nRole, ROLE_ASSISTANT);
  EXPECT_EQ(sender.calls, (Calls{"SendBroadcastModifyOrder ann@corp.test @Team",
                                 "SendBroadcastModifyOrder bob@corp.test @Team"}));
}

TEST_F(ApplyTest, SwitchingSharingOnAsksForConsent) {
  bob->bShare = false;
  auto copy = Copy();
  copy->Find(GK("Team"))->Find(K("bob@corp.test"))->bShare = true;
  Apply(*copy);
  EXPECT_EQ(sender.calls, Calls{"SendAddRequest bob@corp.test @Team"});
  EXPECT_TRUE(bob->bShare);
  EXPECT_EQ(bob->nAction, ACTION_ADDING);
  EXPECT_EQ(bob->nSubAction, SUB_ACTION_SHARE_ON);
  EXPECT_EQ(bob->nWait, WAIT_REPLAY);
  EXPECT_EQ(bob->strActionKey.size(), 23u);
  EXPECT_EQ(sender.members[0].strActionKey, bob->strActionKey);
  EXPECT_EQ(groups->GetAppointsRecivers(), "ann@corp.test") << "a pending share-on receives nothing yet";
}

TEST_F(ApplyTest, AddedMembersByKind) {
  auto copy = Copy();
  GroupPtr t = copy->Find(GK("Team"));
  MemberPtr cy = t->Add2("Cy", "CY@Corp.Test", ROLE_MEMBER, true);
  ASSERT_TRUE(cy);
  cy->bCreating = true;
  t->Add2("Dee", "dee@corp.test", ROLE_MEMBER, false)->bCreating = true;
  MemberPtr room = t->Add2("Room", "me@corp.test/room", ROLE_MEMBER, false);
  room->strEmailOwner = "me@corp.test";
  EXPECT_FALSE(t->Add2("Again", "cy@corp.test", ROLE_MEMBER, true)) << "one member per address";
  MemberPtr dropped = t->Add2("Gone", "gone@corp.test", ROLE_MEMBER, true);
  dropped->bMarkedForRemoving = true;

  Apply(*copy);
  EXPECT_EQ(sender.calls, (Calls{"SendAddRequest cy@corp.test @Team", "SendBroadcastAdd dee@corp.test @Team",
                                 "SendBroadcastAdd me@corp.test/room @Team"}));
  MemberPtr liveCy = team->FindByEmail("cy@corp.test");
  ASSERT_TRUE(liveCy);
  EXPECT_TRUE(liveCy->IsInvisible());
  EXPECT_EQ(liveCy->nWait, WAIT_REPLAY);
  EXPECT_FALSE(liveCy->bCreating);
  EXPECT_EQ(liveCy->strGroupKey, GK("Team"));
  EXPECT_TRUE(team->FindByEmail("dee@corp.test")->WasAdded());
  EXPECT_FALSE(team->FindByEmail("gone@corp.test"));
  EXPECT_EQ(groups->GetAppointsRecivers(), "ann@corp.test;bob@corp.test");
}

TEST_F(ApplyTest, ChangesApplyInFixedOrder) {
  auto copy = Copy();
  GroupPtr t = copy->Find(GK("Team"));
  t->Add2("Cy", "cy@corp.test", ROLE_MEMBER, true);
  t->Find(K("ann@corp.test"))->bShare = false;
  t->Find(K("ann@corp.test"))->nRole = ROLE_MEMBER;
  t->Find(K("ann@corp.test"))->strName = "A";
  t->Find(K("bob@corp.test"))->bMarkedForRemoving = true;
  Apply(*copy);
  EXPECT_EQ(sender.calls,
            (Calls{"SendBroadcastRemove bob@corp.test @Team", "SendBroadcastModifyName ann@corp.test @Team",
                   "SendBroadcastModifyOrder ann@corp.test @Team", "SendBroadcastModifiedShare ann@corp.test @Team",
                   "SendAddRequest cy@corp.test @Team"}));
}

TEST_F(ApplyTest, GroupMarkedForRemovalIsDissolved) {
  MemberPtr cy = M("cy@corp.test", ROLE_MEMBER);
  cy->nAction = ACTION_ADDING;
  cy->strActionKey = "22222222-20060213141359";
  team->Add(cy);
  auto copy = Copy();
  copy->Find(GK("Team"))->bMarkedForRemoving = true;
  Apply(*copy);
  EXPECT_EQ(sender.calls, (Calls{"SendAbort cy@corp.test", "SendBroadcastRemove me@corp.test @Team"}));
  EXPECT_EQ(groups->Count(), 0);
  EXPECT_EQ(team->Count(), 0);
  EXPECT_TRUE(team->strKey.empty());
  EXPECT_TRUE(team->strName.empty());
}

TEST_F(ApplyTest, GroupMissingFromCopyIsLeft) {
  me->nRole = ROLE_MEMBER;
  ann->nRole = ROLE_MANAGER;
  G("Other", {M("me@corp.test", ROLE_MANAGER, true, true)});
  auto copy = Copy();
  copy->Remove(GK("Team"));
  Apply(*copy);
  EXPECT_EQ(sender.calls, Calls{"SendBroadcastRemove me@corp.test @Team"});
  EXPECT_EQ(groups->Count(), 1);
  EXPECT_EQ(groups->GetGroupsNames(), "Other");
}

TEST_F(ApplyTest, NewGroupIsCreatedWithItsMembers) {
  auto copy = Copy();
  ASSERT_TRUE(IsValidGroupName(*copy, "Project"));
  GroupPtr project = copy->CreateMyGroup("Project");
  copy->Add(project);
  project->Add2("Eve", "eve@corp.test", ROLE_ASSISTANT, true);
  project->Add2("Fay", "fay@corp.test", ROLE_MEMBER, false);
  project->Add2("Gus", "gus@corp.test", ROLE_MEMBER, true)->bMarkedForRemoving = true;
  Apply(*copy);
  EXPECT_EQ(sender.calls, (Calls{"SendAddRequest eve@corp.test @Project", "SendBroadcastAdd fay@corp.test @Project"}));
  GroupPtr live = groups->FindByName("Project");
  ASSERT_TRUE(live);
  EXPECT_EQ(live->strKey, project->strKey);
  EXPECT_EQ(live->Count(), 3);
  MemberPtr mine = live->GetMySelf();
  ASSERT_TRUE(mine);
  EXPECT_TRUE(mine->IsManager());
  EXPECT_TRUE(mine->WasAdded());
  EXPECT_EQ(live->GetManager(), mine);
  EXPECT_NE(live->Find(project->GetMySelf()->strKey), nullptr);
}

TEST_F(ApplyTest, PendingAddOfUnsharedMemberIsCleared) {
  bob->bShare = false;
  bob->nAction = ACTION_ADDING;
  bob->strActionKey = "33333333-20060213141359";
  Apply(*Copy());
  EXPECT_TRUE(sender.calls.empty());
  EXPECT_TRUE(bob->WasAdded());
  EXPECT_TRUE(bob->strActionKey.empty());
}

TEST_F(ApplyTest, LeavingAsPlainMemberDissolvesLocally) {
  me->nRole = ROLE_MEMBER;
  ann->nRole = ROLE_MANAGER;
  auto copy = Copy();
  copy->Find(GK("Team"))->Find(me->strKey)->bMarkedForRemoving = true;
  Apply(*copy);
  EXPECT_EQ(sender.calls, Calls{"SendBroadcastRemove me@corp.test @Team"});
  EXPECT_EQ(groups->Count(), 0);
}

TEST_F(ApplyTest, RemovingTheManagerDissolvesAndAbortsPendingChanges) {
  me->nRole = ROLE_ASSISTANT;
  ann->nRole = ROLE_MANAGER;
  bob->nAction = ACTION_MODIFYING;
  bob->strActionKey = "44444444-20060213141359";
  MemberPtr cy = M("cy@corp.test", ROLE_MEMBER);
  cy->nAction = ACTION_ADDING;
  team->Add(cy);
  // As the processing of a received removal does: no broadcast of its own.
  EXPECT_TRUE(team->RemoveMember(ann, groups.get(), &sender, false));
  EXPECT_EQ(sender.calls, (Calls{"SendAbort bob@corp.test", "SendAbort cy@corp.test"}));
  EXPECT_EQ(groups->Count(), 0);
  EXPECT_FALSE(team->RemoveMember(ann, groups.get(), &sender, true)) << "no longer a member of this group";
}

TEST_F(ApplyTest, AbortMemberByPendingKind) {
  // A share-on: the member stays, unshared.
  bob->nAction = ACTION_ADDING;
  bob->nSubAction = SUB_ACTION_SHARE_ON;
  bob->strActionKey = "55555555-20060213141359";
  EXPECT_TRUE(team->AbortMember(bob, groups.get(), &sender));
  EXPECT_FALSE(bob->bShare);
  EXPECT_TRUE(bob->WasAdded());
  EXPECT_TRUE(team->Find(bob->strKey));
  // Nothing pending: nothing to abort.
  EXPECT_FALSE(team->AbortMember(bob, groups.get(), &sender));
  // A modification: only the action goes.
  ann->nAction = ACTION_MODIFYING;
  EXPECT_TRUE(team->AbortMember(ann, groups.get(), &sender));
  EXPECT_EQ(ann->nAction, ACTION_NONE);
  EXPECT_TRUE(team->Find(ann->strKey));
  // My own pending add (received, not yet confirmed): the whole group goes.
  me->nAction = ACTION_ADDING;
  EXPECT_TRUE(team->AbortMember(me, groups.get(), nullptr));
  EXPECT_EQ(groups->Count(), 0);
  EXPECT_EQ(sender.calls, (Calls{"SendAbort bob@corp.test", "SendAbort ann@corp.test"}));
}

TEST_F(ApplyTest, OperationsRefuseMembersOfOtherGroups) {
  GroupPtr other = G("Other", {M("me@corp.test", ROLE_MANAGER, true, true), M("zed@corp.test", ROLE_MEMBER)});
  MemberPtr zed = other->FindByEmail("zed@corp.test");
  EXPECT_FALSE(team->ModifyMemberName(*zed, "Z", &sender));
  EXPECT_FALSE(team->ModifyMemberRole(*zed, &sender));
  EXPECT_FALSE(team->RemoveMember(zed, groups.get(), &sender, true));
  EXPECT_FALSE(team->ModifyMemberShare(*me, &sender)) << "my own sharing";
  MemberPtr room = M("me@corp.test/room", ROLE_MEMBER, false);
  room->strEmailOwner = "me@corp.test";
  team->Add(room);
  EXPECT_FALSE(team->ModifyMemberShare(*room, &sender)) << "a virtual member";
  EXPECT_TRUE(sender.calls.empty());
  EXPECT_EQ(zed->strName, "Name of zed@corp.test");
}

TEST_F(ApplyTest, WithoutMessageObjectNothingIsSentButTheModelChanges) {
  auto copy = Copy();
  copy->Find(GK("Team"))->Find(K("bob@corp.test"))->bMarkedForRemoving = true;
  groups->ApplyDlgChanges(*copy, nullptr);
  EXPECT_FALSE(team->Find(K("bob@corp.test")));
}

TEST_F(ApplyTest, AddressesAreTrimmedAndLowerCased) {
  MemberPtr cy = team->Add2("Cy", "  Cy@Corp.TEST\t", ROLE_MEMBER, true);
  ASSERT_TRUE(cy);
  EXPECT_EQ(cy->strEmail, "cy@corp.test");
  EXPECT_FALSE(team->Add2("Again", " cy@corp.test ", ROLE_MEMBER, true)) << "the same address once trimmed";
}

TEST_F(ApplyTest, NoAddsToAGroupDissolvedInTheSameApply) {
  // I leave Team and, in the same dialog, add a member to it.
  auto copy = Copy();
  GroupPtr t = copy->Find(GK("Team"));
  t->Find(K("me@corp.test"))->bMarkedForRemoving = true;
  t->Add2("Cy", "cy@corp.test", ROLE_MEMBER, true)->bCreating = true;
  Apply(*copy);
  EXPECT_EQ(groups->Count(), 0);
  for (const std::string& call : sender.calls) EXPECT_EQ(call.find("SendAddRequest"), std::string::npos) << call;
  for (const CMember& m : sender.members) EXPECT_FALSE(m.strGroupKey.empty() && m.strEmail == "cy@corp.test");
}
