// Users exchanging group messages through the real post office: each step
// is started on one side, carried by mail, processed on the others, and then
// every side's groups (live and as saved) are compared with the protocol.
#include <gtest/gtest.h>

#include "groups/msg_fixture.h"
#include "groups/msg_users.h"

namespace {

class ProtocolTest : public ::testing::Test {
 protected:
  ProtocolTest()
      : alice(world.Add("Alice", "alice@example.org")),
        bob(world.Add("Bob", "bob@example.org")),
        carol(world.Add("Carol", "carol@example.org")) {}

  // Alice creates "Team" through the dialog path: a copy gets the group and
  // the new members, ApplyDlgChanges sends the requests.
  void AliceCreatesTeamWith(const std::vector<MsgUser*>& members) {
    CGroups copy(alice.genv);
    copy.CopyFrom(*alice.groups);
    GroupPtr team = copy.CreateMyGroup("Team");
    for (MsgUser* u : members) team->Add2(u->strName, u->strEmail, ROLE_MEMBER, true);
    copy.Add(team);
    CGroupMsgSender msg(alice.mail);
    alice.groups->ApplyDlgChanges(copy, &msg);
    alice.groups->Save();
  }

  GroupPtr Team(MsgUser& u) { return u.groups->FindByName("Team"); }
  MemberPtr MemberOf(MsgUser& u, MsgUser& who) {
    GroupPtr team = Team(u);
    return team ? team->FindByEmail(who.strEmail) : nullptr;
  }

  void ExpectSaved(MsgUser& u) { EXPECT_EQ(u.StoredPicture(), u.Picture()) << u.strName; }

  MsgLogCapture log;
  MsgWorld world;
  MsgUser& alice;
  MsgUser& bob;
  MsgUser& carol;
};

TEST_F(ProtocolTest, AddAcceptDeclineThenRoleNameShareRemoveAndDissolve) {
  // --- alice creates Team with bob and carol; both adds wait for an answer.
  AliceCreatesTeamWith({&bob, &carol});
  EXPECT_EQ(alice.Picture(),
            "Team[Alice:manager+:me Bob:member+:adding/replay Carol:member+:adding/replay]");

  // bob accepts: he holds the group, invisible until confirmed.
  bob.prompt.QueueResult(platform::IDYES);
  EXPECT_TRUE(bob.Receive());
  EXPECT_EQ(bob.prompt.Shown().at(0).text, "LID_ACCEPT_ADDREQUEST");
  EXPECT_EQ(bob.Picture(), "Team[Alice:manager+ Bob:member+:me:adding/confirmation]");
  EXPECT_TRUE(Team(bob)->IsInvisible());

  // carol declines: nothing kept.
  carol.prompt.QueueResult(platform::IDNO);
  EXPECT_TRUE(carol.Receive());
  EXPECT_EQ(carol.Picture(), "");

  // alice gets both answers: bob confirmed and sent her items, carol gone.
  EXPECT_TRUE(alice.Receive());
  EXPECT_EQ(alice.Picture(), "Team[Alice:manager+:me Bob:member+]");
  EXPECT_EQ(alice.itemsSentTo, std::vector<std::string>{"bob@example.org:0"});
  ASSERT_EQ(alice.prompt.Shown().size(), 1u);
  EXPECT_EQ(alice.prompt.Shown()[0].text, "LID_MEMBER_DECLINED_REQUEST");
  EXPECT_EQ(alice.events, std::vector<std::string>{"Groups"});

  // bob's confirmation makes the group visible.
  EXPECT_TRUE(bob.Receive());
  EXPECT_EQ(bob.Picture(), "Team[Alice:manager+ Bob:member+:me]");
  EXPECT_FALSE(Team(bob)->IsInvisible());
  EXPECT_FALSE(carol.Receive());  // nothing more for carol
  for (MsgUser* u : {&alice, &bob, &carol}) {
    EXPECT_EQ(u->InboxCount(), 0) << u->strName;
    ExpectSaved(*u);
  }

  // --- alice makes bob assistant.
  {
    CGroupMsgSender msg(alice.mail);
    ASSERT_TRUE(Team(alice)->ModifyMemberRole(*MemberOf(alice, bob), &msg));
    alice.groups->Save();
  }
  EXPECT_TRUE(bob.Receive());
  EXPECT_EQ(bob.Picture(), "Team[Alice:manager+ Bob:assistant+:me]");
  EXPECT_EQ(alice.Picture(), "Team[Alice:manager+:me Bob:assistant+]");
  EXPECT_FALSE(alice.Receive());  // bob passes nothing back

  // --- bob renames himself.
  {
    CGroupMsgSender msg(bob.mail);
    ASSERT_TRUE(Team(bob)->ModifyMemberName(*MemberOf(bob, bob), "Robert", &msg));
    bob.groups->Save();
  }
  EXPECT_TRUE(alice.Receive());
  EXPECT_EQ(alice.Picture(), "Team[Alice:manager+:me Robert:assistant+]");
  EXPECT_FALSE(bob.Receive());

  // --- alice switches bob's sharing off: bob leaves the group on his side.
  {
    CGroupMsgSender msg(alice.mail);
    ASSERT_TRUE(Team(alice)->ModifyMemberShare(*MemberOf(alice, bob), &msg));
    alice.groups->Save();
  }
  EXPECT_EQ(alice.Picture(), "Team[Alice:manager+:me Robert:assistant]");
  bob.prompt.ClearRecords();
  EXPECT_TRUE(bob.Receive());
  EXPECT_EQ(bob.prompt.Shown().at(0).text, "LID_REMOVE_ME_NOTIFICATION");
  EXPECT_EQ(bob.Picture(), "");
  EXPECT_FALSE(alice.Receive());

  // ... and on again: bob must consent, as for an add.
  {
    CGroupMsgSender msg(alice.mail);
    ASSERT_TRUE(Team(alice)->ModifyMemberShare(*MemberOf(alice, bob), &msg));
    alice.groups->Save();
  }
  EXPECT_EQ(alice.Picture(), "Team[Alice:manager+:me Robert:assistant+:adding/replay]");
  bob.prompt.QueueResult(platform::IDYES);
  EXPECT_TRUE(bob.Receive());
  EXPECT_EQ(bob.Picture(), "Team[Alice:manager+ Robert:assistant+:me:adding/confirmation]");
  EXPECT_TRUE(alice.Receive());
  EXPECT_EQ(alice.Picture(), "Team[Alice:manager+:me Robert:assistant+]");
  EXPECT_EQ(alice.itemsSentTo.back(), "bob@example.org:1");
  EXPECT_TRUE(bob.Receive());
  EXPECT_EQ(bob.Picture(), "Team[Alice:manager+ Robert:assistant+:me]");

  // --- alice removes bob.
  {
    CGroupMsgSender msg(alice.mail);
    ASSERT_TRUE(Team(alice)->RemoveMember(MemberOf(alice, bob), alice.groups.get(), &msg, true));
    alice.groups->Save();
  }
  EXPECT_EQ(alice.Picture(), "Team[Alice:manager+:me]");
  bob.prompt.ClearRecords();
  EXPECT_TRUE(bob.Receive());
  EXPECT_EQ(bob.prompt.Shown().at(0).text, "LID_ME_WAS_REMOVED");
  EXPECT_EQ(bob.Picture(), "");

  // --- carol joins after all (auto-accept), then alice dissolves the group.
  {
    CGroups copy(alice.genv);
    copy.CopyFrom(*alice.groups);
    copy.Find(Team(alice)->strKey)->Add2("Carol", carol.strEmail, ROLE_MEMBER, true);
    CGroupMsgSender msg(alice.mail);
    alice.groups->ApplyDlgChanges(copy, &msg);
    alice.groups->Save();
  }
  carol.options.AutoAcceptEnable = true;
  carol.options.AutoAcceptValue = "Accept";
  carol.prompt.ClearRecords();
  EXPECT_TRUE(carol.Receive());
  EXPECT_TRUE(carol.prompt.Shown().empty());
  EXPECT_TRUE(alice.Receive());
  EXPECT_TRUE(carol.Receive());
  EXPECT_EQ(carol.Picture(), "Team[Alice:manager+ Carol:member+:me]");
  EXPECT_EQ(alice.Picture(), "Team[Alice:manager+:me Carol:member+]");

  {
    CGroupMsgSender msg(alice.mail);
    GroupPtr team = Team(alice);
    ASSERT_TRUE(team->RemoveMember(team->GetMySelf(), alice.groups.get(), &msg, true));
    alice.groups->Save();
  }
  EXPECT_EQ(alice.Picture(), "");
  carol.prompt.ClearRecords();
  EXPECT_TRUE(carol.Receive());
  EXPECT_EQ(carol.prompt.Shown().at(0).text, "LID_GROUP_WAS_DELETED");
  EXPECT_EQ(carol.Picture(), "");
  for (MsgUser* u : {&alice, &bob, &carol}) {
    EXPECT_FALSE(u->Receive()) << u->strName;
    EXPECT_EQ(u->InboxCount(), 0) << u->strName;
    ExpectSaved(*u);
  }
}

TEST_F(ProtocolTest, BroadcastsReachMembersTheSenderDidNotKnowAndStopWhenApplied) {
  // Team with bob and carol, both accepting automatically.
  for (MsgUser* u : {&bob, &carol}) {
    u->options.AutoAcceptEnable = true;
    u->options.AutoAcceptValue = "Accept";
  }
  AliceCreatesTeamWith({&bob, &carol});
  bob.Receive();
  carol.Receive();
  alice.Receive();  // two confirmations; the second add is broadcast to the first member
  bob.Receive();
  carol.Receive();
  bob.Receive();
  EXPECT_EQ(alice.Picture(), "Team[Alice:manager+:me Bob:member+ Carol:member+]");
  EXPECT_EQ(bob.Picture(), "Team[Alice:manager+ Bob:member+:me Carol:member+]");
  EXPECT_EQ(carol.Picture(), "Team[Alice:manager+ Carol:member+:me Bob:member+]");  // the others come with the confirmation

  // carol renames herself: alice and bob both learn it directly; neither
  // passes it on, because the message names everyone it reached.
  {
    CGroupMsgSender msg(carol.mail);
    ASSERT_TRUE(Team(carol)->ModifyMemberName(*MemberOf(carol, carol), "Caroline", &msg));
  }
  EXPECT_TRUE(alice.Receive());
  EXPECT_TRUE(bob.Receive());
  EXPECT_EQ(MemberOf(alice, carol)->strName, "Caroline");
  EXPECT_EQ(MemberOf(bob, carol)->strName, "Caroline");
  for (MsgUser* u : {&alice, &bob, &carol}) EXPECT_FALSE(u->Receive()) << u->strName;

  // The manager leaving dissolves the group everywhere.
  {
    CGroupMsgSender msg(alice.mail);
    GroupPtr team = Team(alice);
    team->RemoveMember(team->GetMySelf(), alice.groups.get(), &msg, true);
  }
  bob.options.NShowRemoveGroupsMes = true;
  bob.prompt.ClearRecords();
  EXPECT_TRUE(bob.Receive());
  EXPECT_TRUE(carol.Receive());
  EXPECT_EQ(bob.Picture(), "");
  EXPECT_EQ(carol.Picture(), "");
  EXPECT_TRUE(bob.prompt.Shown().empty());  // notices switched off
}

TEST_F(ProtocolTest, WithdrawnAddAndAddressChange) {
  bob.options.AutoAcceptEnable = true;
  bob.options.AutoAcceptValue = "Accept";
  carol.options.AutoAcceptEnable = true;
  carol.options.AutoAcceptValue = "Accept";
  AliceCreatesTeamWith({&bob, &carol});
  EXPECT_TRUE(bob.Receive());  // bob accepts; his answer is on its way

  // alice withdraws bob's add before reading the answer.
  {
    CGroupMsgSender msg(alice.mail);
    ASSERT_TRUE(Team(alice)->AbortMember(MemberOf(alice, bob), alice.groups.get(), &msg));
  }
  EXPECT_EQ(bob.Picture(), "Team[Alice:manager+ Bob:member+:me:adding/confirmation]");
  EXPECT_TRUE(bob.Receive());  // the abort removes the invisible group
  EXPECT_EQ(bob.Picture(), "");
  EXPECT_TRUE(carol.Receive());
  EXPECT_TRUE(alice.Receive());  // bob's late answer matches nothing; carol's completes her add
  EXPECT_EQ(alice.Picture(), "Team[Alice:manager+:me Carol:member+]");
  EXPECT_TRUE(carol.Receive());
  EXPECT_EQ(carol.Picture(), "Team[Alice:manager+ Carol:member+:me]");
  EXPECT_FALSE(bob.Receive());

  // carol moves to a new address; alice is asked to take note and follows.
  ASSERT_TRUE(carol.groups->ChangeMyEmailAddress("carol@new.example.org"));
  EXPECT_EQ(carol.genv.strCurEmail, "carol@new.example.org");
  alice.prompt.ClearRecords();
  EXPECT_TRUE(alice.Receive());
  ASSERT_FALSE(alice.prompt.Shown().empty());
  EXPECT_EQ(alice.prompt.Shown()[0].text, "LID_MEMBER_CHANGED_EMAIL");
  EXPECT_EQ(Team(alice)->FindByEmail("carol@example.org"), nullptr);
  EXPECT_NE(Team(alice)->FindByEmail("carol@new.example.org"), nullptr);
  ExpectSaved(alice);
}

}  // namespace
