// Group mails that cannot be used: each is logged with its own text and
// leaves the groups as they were; only a mail from an unsupported version
// range stays in the Inbox. Also the ordering and the decision rules of
// requests on crafted mails.
#include <gtest/gtest.h>

#include "groups/msg_fixture.h"
#include "groups/msg_users.h"

namespace {

std::string Msg(const std::string& time, const std::string& body) {
  return "msg.version = 3.1\r\nmsg.time = " + time + "\r\n" + body;
}

std::string AddRequestText(const std::string& time, const std::string& groupName, const std::string& memberEmail,
                           const std::string& groupKey = "64522606-20060213141359") {
  return Msg(time,
             "msg.type = msg.add.request\r\ngroup.key = " + groupKey + "\r\ngroup.name = " + groupName +
                 "\r\nsender.email = alice@example.org\r\nmanager.key = 01234567-20060213141359\r\n"
                 "manager.name = Alice\r\nmanager.email = alice@example.org\r\nmanager.share = 1\r\n"
                 "member.actionkey = 76543210-20060213141400\r\nmember.name = Bob\r\nmember.email = " +
                 memberEmail + "\r\nmember.key = 11111111-20060213141359\r\nmember.role = member\r\nmember.share = 1");
}

class ProcessInputTest : public ::testing::Test {
 protected:
  ProcessInputTest() : bob(world.Add("Bob", "bob@example.org")), alice(world.Add("Alice", "alice@example.org")) {
  }

  // One group "Team" at bob with alice as manager and carol as member.
  void GiveBobTeam() {
    auto team = std::make_shared<CGroup>();
    team->strKey = "64522606-20060213141359";
    team->strName = "Team";
    auto add = [&](const std::string& key, const std::string& name, const std::string& email, int role, bool me) {
      auto m = std::make_shared<CMember>();
      m->strKey = key;
      m->strName = name;
      m->strEmail = email;
      m->nRole = role;
      m->bShare = true;
      m->IsMySelf = me;
      team->Add(m);
    };
    add("01234567-20060213141359", "Alice", "alice@example.org", ROLE_MANAGER, false);
    add("11111111-20060213141359", "Bob", "bob@example.org", ROLE_MEMBER, true);
    add("22222222-20060213141359", "Carol", "carol@example.org", ROLE_MEMBER, false);
    bob.groups->Add(team);
    bob.groups->Save();
  }

  bool Process() {
    return mProcessMsg::OnNewMails(bob.penv);
  }

  MsgLogCapture log;
  MsgWorld world;
  MsgUser& bob;
  MsgUser& alice;
};

TEST_F(ProcessInputTest, UnusableMailsAreLoggedDeletedAndChangeNothing) {
  GiveBobTeam();
  const std::string before = bob.Picture();
  const std::string rename =
      "msg.type = msg.broadcast.modifiedname\r\ngroup.key = 64522606-20060213141359\r\n"
      "member.key = 22222222-20060213141359\r\nmember.newname = Caroline\r\n";
  struct Case {
    const char* what;
    std::string text;
    bool withAttachment;
    const char* logged;
  };
  const std::vector<Case> cases = {
      {"malformed line", Msg("1", rename + "recipient.key"), true, "invalid line - recipient.key"},
      {"unknown parameter", Msg("1", rename + "member.mood = happy"), true, "Invalid param = \"member.mood\""},
      {"version without a point", "msg.version = 31\r\nmsg.time = 1\r\n" + rename, true, "invalid version - 31"},
      {"missing attachment", "", false, "ReciveMail, Attachments.Count = 0"},
      {"empty message type", Msg("1", "msg.type = "), true, "invalid param - "},
  };
  for (const Case& c : cases) {
    log.Clear();
    bob.PutGroupMail(c.text, c.withAttachment);
    EXPECT_TRUE(Process()) << c.what;
    EXPECT_TRUE(log.Logged(c.logged)) << c.what << "\n" << log.Text();
    EXPECT_EQ(bob.Picture(), before) << c.what;
    EXPECT_EQ(bob.InboxCount(), 0) << c.what << ": an unreadable mail is deleted";
    EXPECT_EQ(bob.SentCount(), 0) << c.what;
  }
  // The missing attachment is an error of the reading itself.
  EXPECT_EQ(bob.session->GetDefaultFolder(platform::olFolderDeletedItems).Items().Count(),
            static_cast<int>(cases.size()));
}

TEST_F(ProcessInputTest, MailFromAnUnsupportedVersionRangeStaysUnread) {
  GiveBobTeam();
  platform::Item mail = bob.PutGroupMail(
      Msg("1", "msg.type = msg.broadcast.remove\r\ngroup.key = 64522606-20060213141359\r\n"
               "member.key = 01234567-20060213141359"),
      true, "3.50.0000", "3.99.9999");
  EXPECT_TRUE(Process());
  EXPECT_TRUE(log.Logged("Ignore mail from unsupported version range [3.50.0000, 3.99.9999]"));
  EXPECT_EQ(bob.InboxCount(), 1);
  EXPECT_TRUE(bob.session->GetItemFromID(mail.EntryID()).UnRead());
  EXPECT_EQ(bob.Picture(), "Team[Alice:manager+ Bob:member+:me Carol:member+]");

  // A mail without the window comes from an old version and is read.
  bob.PutGroupMail(Msg("2", "msg.type = msg.broadcast.modifiedname\r\ngroup.key = 64522606-20060213141359\r\n"
                            "member.key = 22222222-20060213141359\r\nmember.newname = Caroline"),
                   true, "", "");
  EXPECT_TRUE(Process());
  EXPECT_TRUE(log.Logged("mail from <= 2.60 version"));
  EXPECT_EQ(bob.groups->Item(1)->Find("22222222-20060213141359")->strName, "Caroline");
  EXPECT_EQ(bob.InboxCount(), 1);  // only the out-of-range one is left
}

TEST_F(ProcessInputTest, MessagesApplyInSendingOrderNotArrivalOrder) {
  GiveBobTeam();
  const std::string head = "msg.type = msg.broadcast.modifiedname\r\ngroup.key = 64522606-20060213141359\r\n"
                           "member.key = 22222222-20060213141359\r\nmember.newname = ";
  // Arrival order: the later rename first.
  bob.PutGroupMail(Msg("20060213.141400000", head + "Second"));
  bob.PutGroupMail(Msg("20060213.141359999", head + "First"));
  bob.penv.bDetailedDebug = true;
  EXPECT_TRUE(Process());
  EXPECT_EQ(bob.groups->Item(1)->Find("22222222-20060213141359")->strName, "Second");
  EXPECT_TRUE(log.Logged("ProcessMsg Start = msg.broadcast.modifiedname"));
  // Both mails had gone to Deleted Items before the first message was applied.
  EXPECT_TRUE(log.Logged("    Deleted.Items.Count = 2"));
  EXPECT_TRUE(log.Logged("ProcessMsg End = msg.broadcast.modifiedname"));
}

TEST_F(ProcessInputTest, RequestDecisions) {
  // A group of that name exists already: declined with a notice, even with auto-accept.
  GiveBobTeam();
  bob.options.AutoAcceptEnable = true;
  bob.options.AutoAcceptValue = "Accept";
  bob.PutGroupMail(AddRequestText("1", "Team", "bob@example.org", "12121212-20060213141359"));
  EXPECT_TRUE(Process());
  ASSERT_EQ(bob.prompt.Shown().size(), 1u);
  EXPECT_EQ(bob.prompt.Shown()[0].text, "LID_DECLINE_ADDREQUEST");
  EXPECT_EQ(bob.groups->Count(), 1);

  // A request for another address: declined silently.
  bob.prompt.ClearRecords();
  bob.PutGroupMail(AddRequestText("2", "Other", "robert@example.org", "88888888-20060213141359"));
  EXPECT_TRUE(Process());
  EXPECT_TRUE(bob.prompt.Shown().empty());
  EXPECT_TRUE(log.Logged("ADD_REQUEST, different address in msg - 'robert@example.org', auto decline request"));

  // Auto-accept set to decline: declined without a prompt.
  bob.options.AutoAcceptValue = "Decline";
  bob.PutGroupMail(AddRequestText("3", "Third", "bob@example.org", "77777777-20060213141359"));
  EXPECT_TRUE(Process());
  EXPECT_TRUE(bob.prompt.Shown().empty());
  EXPECT_EQ(bob.groups->Count(), 1);

  // Every request was answered, each with a decline.
  alice.delivery->PickUp();
  std::vector<platform::Item> replies;
  std::vector<platform::Item> appointments;
  mMain::FindMagicMails(alice.mail, alice.session->GetDefaultFolder(platform::olFolderInbox), replies, appointments);
  ASSERT_EQ(replies.size(), 3u);
  for (const platform::Item& reply : replies) {
    CGroupMsg msg;
    bool bDelete = true;
    ASSERT_TRUE(msg.ReciveMail(reply, bDelete));
    EXPECT_EQ(msg.m_nMsgType, MSG_ADD_REPLAY);
    EXPECT_FALSE(msg.m_bAccept);
    EXPECT_EQ(msg.m_strActionKey, "76543210-20060213141400");
  }
}

TEST_F(ProcessInputTest, RepeatedOrStaleMessagesChangeNothingAndAreNotPassedOn) {
  GiveBobTeam();
  const std::string add =
      "msg.type = msg.broadcast.add\r\ngroup.key = 64522606-20060213141359\r\nmember.key = 33333333-20060213141359\r\n"
      "member.name = Dave\r\nmember.email = dave@example.org\r\nmember.emailowner = \r\nmember.role = member\r\n"
      "member.share = 1\r\nrecipient.key = 01234567-20060213141359";
  bob.PutGroupMail(Msg("1", add));
  EXPECT_TRUE(Process());
  EXPECT_EQ(bob.Picture(), "Team[Alice:manager+ Bob:member+:me Carol:member+ Dave:member+]");
  // carol had not been reached: bob passes the broadcast on to her alone.
  EXPECT_EQ(bob.SentCount(), 1);

  bob.PutGroupMail(Msg("2", add));
  EXPECT_TRUE(Process());
  EXPECT_EQ(bob.Picture(), "Team[Alice:manager+ Bob:member+:me Carol:member+ Dave:member+]");
  EXPECT_EQ(bob.SentCount(), 1);

  // A replay whose action key matches nothing (the add was withdrawn meanwhile).
  bob.PutGroupMail(Msg("3", "msg.type = msg.add.replay\r\nmember.actionkey = 55555555-20060213141359\r\naccept = 1"));
  EXPECT_TRUE(Process());
  EXPECT_EQ(bob.SentCount(), 1);
  EXPECT_EQ(bob.Picture(), "Team[Alice:manager+ Bob:member+:me Carol:member+ Dave:member+]");

  // A share switch-on announced for myself is refused with its error line.
  bob.PutGroupMail(Msg("4", "msg.type = msg.broadcast.modifiedshare\r\ngroup.key = 64522606-20060213141359\r\n"
                            "member.key = 11111111-20060213141359\r\nmember.newshare = 1"));
  EXPECT_TRUE(Process());
  EXPECT_TRUE(log.Logged("STR_BROADCAST_MODIFY_SHARE oMember.IsMySelf=true And NewShare=true recieved"));
  EXPECT_EQ(bob.Picture(), "Team[Alice:manager+ Bob:member+:me Carol:member+ Dave:member+]");
}

TEST_F(ProcessInputTest, AMessageThatIsNotMimeNeverReachesTheGroups) {
  GiveBobTeam();
  world.postOffice->Deliver(bob.strEmail, "\x01\x02 this is not a mail at all\n");
  const platform::MailDelivery::PickUpResult result = bob.delivery->PickUp();
  EXPECT_EQ(result.arrived, 0);
  EXPECT_EQ(result.problems.size(), 1u);
  EXPECT_FALSE(Process());
  EXPECT_EQ(bob.Picture(), "Team[Alice:manager+ Bob:member+:me Carol:member+]");
}

TEST_F(ProcessInputTest, UpdateOfMemberGroupsReplacesTheSendersGroups) {
  GiveBobTeam();
  const std::string text = Msg(
      "1",
      "msg.type = msg.update.membergroups\r\ngroups.to.ignore = \r\ngroups.to.remove = \r\n"
      "sender.email = alice@example.org\r\ngroups.group.key = 55555555-20060213141359\r\ngroups.group.name = Board\r\n"
      "group.member.key = 01234567-20060213141359\r\ngroup.member.email = alice@example.org\r\ngroup.member.emailowner = \r\n"
      "group.member.name = Alice\r\ngroup.member.role = manager\r\ngroup.member.share = 1\r\n"
      "group.member.key = 11111111-20060213141359\r\ngroup.member.email = BOB@example.org\r\ngroup.member.emailowner = \r\n"
      "group.member.name = Bob\r\ngroup.member.role = member\r\ngroup.member.share = 1\r\n"
      "groups.group.key = 66666666-20060213141359\r\ngroups.group.name = Elsewhere\r\n"
      "group.member.key = 22222222-20060213141359\r\ngroup.member.email = carol@example.org\r\ngroup.member.emailowner = \r\n"
      "group.member.name = Carol\r\ngroup.member.role = manager\r\ngroup.member.share = 1");
  bob.PutGroupMail(text);
  EXPECT_TRUE(Process());
  // Team (alice is in it, not ignored) is gone; Board is mine; Elsewhere has no me.
  EXPECT_EQ(bob.Picture(), "Board[Alice:manager+ Bob:member+:me]");
  EXPECT_TRUE(log.Logged("MSG_UPDATE_GROUPS: recived group \"Elsewhere\" has no me, posibly you have change you email address"));
}

}  // namespace
