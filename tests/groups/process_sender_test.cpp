// Who may change the groups by mail: a message about a group takes effect
// only from an active member of it whose rights (or those of a member it
// names as reached) allow the change; answers only from the party of the
// pending action. Everything else is logged and dropped, nothing changed.
#include <gtest/gtest.h>

#include "groups/msg_fixture.h"
#include "groups/msg_users.h"

namespace {

const std::string kTeam = "64522606-20060213141359";
const std::string kAlice = "01234567-20060213141359";
const std::string kBob = "11111111-20060213141359";
const std::string kCarol = "22222222-20060213141359";
const std::string kMallory = "33333333-20060213141359";
const std::string kClub = "44444444-20060213141359";
const std::string kClubAction = "76543210-20060213141400";
const std::string kBoard = "55555555-20060213141359";
const std::string kDaveAction = "65432107-20060213141400";

std::string Msg(int time, const std::string& body) {
  return "msg.version = 3.1\r\nmsg.time = 20060213.14" + std::to_string(1000000 + time) + "\r\n" + body;
}

std::string About(const std::string& type, const std::string& memberKey) {
  return "msg.type = " + type + "\r\ngroup.key = " + kTeam + "\r\nmember.key = " + memberKey + "\r\n";
}

std::string AddOf(const std::string& key, const std::string& email, const std::string& role) {
  return About("msg.broadcast.add", key) + "member.name = X\r\nmember.email = " + email +
         "\r\nmember.emailowner = \r\nmember.role = " + role + "\r\nmember.share = 1\r\n";
}

class SenderCheckTest : public ::testing::Test {
 protected:
  SenderCheckTest() : bob(world.Add("Bob", "bob@example.org")) {
    // Team: alice manages, bob (me) and carol are members.
    AddGroup(kTeam, "Team", {{kAlice, "alice@example.org", ROLE_MANAGER, false},
                             {kBob, "bob@example.org", ROLE_MEMBER, true},
                             {kCarol, "carol@example.org", ROLE_MEMBER, false}});
    // Club: alice's invitation that bob accepted; it waits for her confirmation.
    GroupPtr club = AddGroup(kClub, "Club", {{"12345678-20060213141359", "alice@example.org", ROLE_MANAGER, false},
                                             {"23456781-20060213141359", "bob@example.org", ROLE_MEMBER, true}});
    MemberPtr mine = club->GetMySelf();
    mine->nAction = ACTION_ADDING;
    mine->nWait = WAIT_CONFIRMATION;
    mine->strActionKey = kClubAction;
    // Board: bob manages; his invitation of dave waits for the answer.
    GroupPtr board = AddGroup(kBoard, "Board", {{"34567812-20060213141359", "bob@example.org", ROLE_MANAGER, true},
                                                {"45678123-20060213141359", "dave@example.org", ROLE_MEMBER, false}});
    MemberPtr dave = board->FindByEmail("dave@example.org");
    dave->bShare = true;
    dave->nAction = ACTION_ADDING;
    dave->nWait = WAIT_REPLAY;
    dave->strActionKey = kDaveAction;
    bob.groups->Save();
  }

  struct MemberRow {
    std::string key, email;
    int role;
    bool me;
  };
  GroupPtr AddGroup(const std::string& key, const std::string& name, const std::vector<MemberRow>& members) {
    auto g = std::make_shared<CGroup>();
    g->strKey = key;
    g->strName = name;
    for (const MemberRow& s : members) {
      auto m = std::make_shared<CMember>();
      m->strKey = s.key;
      m->strName = s.email.substr(0, s.email.find('@'));
      m->strEmail = s.email;
      m->nRole = s.role;
      m->bShare = true;
      m->IsMySelf = s.me;
      g->Add(m);
    }
    bob.groups->Add(g);
    return g;
  }

  // Delivers one message from `from` and processes it.
  void Receive(const std::string& from, const std::string& text) {
    bob.PutGroupMail(text, true, "2.60.0000", "3.99.9999", from);
    mProcessMsg::OnNewMails(bob.penv);
  }

  MsgLogCapture log;
  MsgWorld world;
  MsgUser& bob;
};

TEST_F(SenderCheckTest, AStrangerChangesNothing) {
  bob.options.NShowRemoveGroupsMes = true;
  const std::string before = bob.Picture();
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"dissolve by removing the manager", About("msg.broadcast.remove", kAlice)},
      {"remove a member", About("msg.broadcast.remove", kCarol)},
      {"rename the manager", About("msg.broadcast.modifiedname", kAlice) + "member.newname = Mallory"},
      {"add himself sharing", AddOf(kMallory, "mallory@evil.example", "member")},
      {"make a second manager", AddOf(kMallory, "mallory@evil.example", "manager")},
      {"move the manager elsewhere",
       "msg.type = msg.broadcast.emailchange\r\nmember.oldemail = alice@example.org\r\n"
       "member.newemail = alice@evil.example"},
      {"promote a member", About("msg.broadcast.modify.order", kCarol) + "member.newrole = assistant"},
      {"stop my sharing", About("msg.broadcast.modifiedshare", kBob) + "member.newshare = 0"},
      {"confirm my pending add", "msg.type = msg.add.confirmation\r\nmember.actionkey = " + kClubAction},
      {"withdraw my pending add", "msg.type = msg.abort\r\nmember.actionkey = " + kClubAction},
      {"answer for dave", "msg.type = msg.add.replay\r\nmember.actionkey = " + kDaveAction + "\r\naccept = 1"},
      {"replace the group", "msg.type = msg.update.membergroups\r\ngroups.to.remove = " + kTeam +
                                "\r\nsender.email = mallory@evil.example"},
      {"request in another's name",
       "msg.type = msg.add.request\r\ngroup.key = 56781234-20060213141359\r\ngroup.name = Trap\r\n"
       "sender.email = alice@example.org\r\nmember.email = bob@example.org"},
  };
  int n = 0;
  for (const auto& [what, body] : cases) {
    log.Clear();
    Receive("mallory@evil.example", Msg(++n, body));
    EXPECT_EQ(bob.Picture(), before) << what;
    EXPECT_TRUE(log.Logged("refused msg.")) << what << "\n" << log.Text();
    EXPECT_EQ(bob.SentCount(), 0) << what;
    EXPECT_TRUE(bob.prompt.Shown().empty()) << what;
  }
  EXPECT_EQ(bob.StoredPicture(), before);
}

TEST_F(SenderCheckTest, AMemberMayOnlyWhatHisRightsAllow) {
  bob.options.NShowRemoveGroupsMes = true;
  const std::string before = bob.Picture();
  // carol, a plain member, may neither remove nor rename the manager.
  Receive("carol@example.org", Msg(1, About("msg.broadcast.remove", kAlice)));
  Receive("carol@example.org", Msg(2, About("msg.broadcast.modifiedname", kAlice) + "member.newname = Boss"));
  EXPECT_EQ(bob.Picture(), before);
  EXPECT_TRUE(log.Logged("refused msg.broadcast.remove from 'carol@example.org': no member it names may make"));
  // She may rename herself.
  Receive("carol@example.org", Msg(3, About("msg.broadcast.modifiedname", kCarol) + "member.newname = Caroline"));
  EXPECT_EQ(bob.groups->Find(kTeam)->Find(kCarol)->strName, "Caroline");
  // A broadcast she passes on from the manager, who is named as reached, counts.
  Receive("carol@example.org",
          Msg(4, AddOf("67812345-20060213141359", "erin@example.org", "member") + "recipient.key = " + kAlice));
  EXPECT_NE(bob.groups->Find(kTeam)->FindByEmail("erin@example.org"), nullptr);
}

TEST_F(SenderCheckTest, AnswersComeFromThePartyOfTheAction) {
  // dave's own answer completes his add at bob.
  Receive("dave@example.org", Msg(1, "msg.type = msg.add.replay\r\nmember.actionkey = " + kDaveAction +
                                         "\r\naccept = 1"));
  EXPECT_TRUE(bob.groups->Find(kBoard)->FindByEmail("dave@example.org")->WasAdded());
  // alice confirms bob's membership of Club.
  Receive("alice@example.org", Msg(2, "msg.type = msg.add.confirmation\r\nmember.actionkey = " + kClubAction));
  EXPECT_FALSE(bob.groups->Find(kClub)->IsInvisible());
  // An address change announced from the new address is taken.
  bob.prompt.ClearRecords();
  Receive("carol@new.example.org", Msg(3, "msg.type = msg.broadcast.emailchange\r\n"
                                          "member.oldemail = carol@example.org\r\n"
                                          "member.newemail = carol@new.example.org"));
  EXPECT_NE(bob.groups->Find(kTeam)->FindByEmail("carol@new.example.org"), nullptr);
}

TEST_F(SenderCheckTest, ABatchGoesOnAfterAMessageThatFails) {
  // One pick-up, two messages: the first ends with an error, the second still applies.
  bob.PutGroupMail(Msg(1, About("msg.broadcast.modifiedshare", kBob) + "member.newshare = 1"));
  bob.PutGroupMail(Msg(2, About("msg.broadcast.modifiedname", kCarol) + "member.newname = Caroline"));
  EXPECT_TRUE(mProcessMsg::OnNewMails(bob.penv));
  EXPECT_TRUE(log.Logged("STR_BROADCAST_MODIFY_SHARE oMember.IsMySelf=true And NewShare=true recieved"));
  EXPECT_EQ(bob.groups->Find(kTeam)->Find(kCarol)->strName, "Caroline");
  EXPECT_EQ(bob.StoredPicture(), bob.Picture());
}

TEST_F(SenderCheckTest, ADeclinedShareOnLeavesTheMemberUnshared) {
  GroupPtr board = bob.groups->Find(kBoard);
  MemberPtr erin = board->Add2("Erin", "erin@example.org", ROLE_MEMBER, false);
  CGroupMsgSender sender(bob.mail);
  ASSERT_TRUE(board->ModifyMemberShare(*erin, &sender));
  ASSERT_EQ(erin->nSubAction, SUB_ACTION_SHARE_ON);
  Receive("erin@example.org", Msg(1, "msg.type = msg.add.replay\r\nmember.actionkey = " + erin->strActionKey +
                                         "\r\naccept = 0"));
  EXPECT_EQ(board->FindByEmail("erin@example.org"), erin);  // still a member
  EXPECT_FALSE(erin->bShare);
  EXPECT_EQ(erin->nAction, ACTION_NONE);
  EXPECT_TRUE(erin->strActionKey.empty());
}

TEST_F(SenderCheckTest, ARoleChangeAbortsAPendingShareOn) {
  MemberPtr carol = bob.groups->Find(kTeam)->Find(kCarol);
  carol->nAction = ACTION_ADDING;
  carol->nSubAction = SUB_ACTION_SHARE_ON;
  carol->nWait = WAIT_REPLAY;
  carol->strActionKey = "78123456-20060213141400";
  Receive("alice@example.org", Msg(1, About("msg.broadcast.modify.order", kCarol) + "member.newrole = assistant"));
  EXPECT_EQ(carol->nRole, ROLE_ASSISTANT);
  EXPECT_FALSE(carol->bShare);
  EXPECT_EQ(carol->nAction, ACTION_NONE);
  // carol is told that the request is withdrawn.
  bool aborted = false;
  for (platform::Item mail : bob.session->GetDefaultFolder(platform::olFolderSentMail).Items().All()) {
    const platform::Bytes& data = mail.Attachments().Item(1).Data();
    aborted = aborted || std::string(data.begin(), data.end()).find("msg.type = msg.abort") != std::string::npos;
  }
  EXPECT_TRUE(aborted);
}

}  // namespace
