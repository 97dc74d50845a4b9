// The group-message text form: every type reads into its fields and writes
// back to the same text; malformed texts are rejected with their log lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "groups/CGroupMsg.h"
#include "groups/msg_fixture.h"

namespace {

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) text += "\r\n";
    text += lines[i];
  }
  return text;
}

const std::vector<std::string> kHeader = {"msg.version = 3.1", "msg.time = 20060213.141359123"};

std::vector<std::string> WithHeader(std::vector<std::string> body) {
  std::vector<std::string> all = kHeader;
  all.insert(all.end(), body.begin(), body.end());
  return all;
}

struct TypeCase {
  int type;
  std::vector<std::string> body;  // after the header lines
};

const std::vector<std::string> kBlockBob = {
    "group.member.key = 11111111-20060213141359", "group.member.email = bob@example.org",
    "group.member.emailowner = ",                 "group.member.name = Bob",
    "group.member.role = assistant",              "group.member.share = 1"};
const std::vector<std::string> kBlockRoom = {
    "group.member.key = 22222222-20060213141359", "group.member.email = alice@example.org/room",
    "group.member.emailowner = alice@example.org", "group.member.name = Room",
    "group.member.role = member",                 "group.member.share = 0"};

std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

const std::vector<TypeCase>& Cases() {
  static const std::vector<TypeCase> cases = {
      {MSG_ADD_REQUEST,
       {"msg.type = msg.add.request", "group.key = 64522606-20060213141359", "group.name = Team",
        "sender.email = alice@example.org", "manager.key = 01234567-20060213141359", "manager.name = Alice",
        "manager.email = alice@example.org", "manager.share = 1", "member.actionkey = 76543210-20060213141400",
        "member.name = Bob", "member.email = bob@example.org", "member.key = 11111111-20060213141359",
        "member.role = member", "member.share = 1"}},
      {MSG_ADD_REPLAY, {"msg.type = msg.add.replay", "member.actionkey = 76543210-20060213141400", "accept = 0"}},
      {MSG_ADD_CONFIRMATION,
       Concat({{"msg.type = msg.add.confirmation"}, kBlockBob, kBlockRoom,
               {"member.actionkey = 76543210-20060213141400"}})},
      {MSG_BROADCAST_ADD,
       {"msg.type = msg.broadcast.add", "group.key = 64522606-20060213141359",
        "member.key = 22222222-20060213141359", "member.name = Room", "member.email = alice@example.org/room",
        "member.emailowner = alice@example.org", "member.role = member", "member.share = 0",
        "recipient.key = 01234567-20060213141359", "recipient.key = 11111111-20060213141359"}},
      {MSG_MODIFY_REQUEST,
       {"msg.type = msg.modify.request", "group.key = 64522606-20060213141359",
        "sender.key = 01234567-20060213141359", "sender.email = alice@example.org",
        "member.key = 11111111-20060213141359", "member.actionkey = 76543210-20060213141400",
        "member.newrole = assistant"}},
      {MSG_MODIFY_REPLAY, {"msg.type = msg.modify.replay", "member.actionkey = 33333333-20060213141359", "accept = 1"}},
      {MSG_MODIFY_CONFIRMATION, {"msg.type = msg.modify.confirmation", "member.actionkey = 44444444-20060213141359"}},
      {MSG_BROADCAST_MODIFY,
       {"msg.type = msg.broadcast.modify", "group.key = 64522606-20060213141359", "member.key = 11111111-20060213141359", "member.newrole = member",
        "recipient.key = 01234567-20060213141359"}},
      {MSG_ABORT, {"msg.type = msg.abort", "member.actionkey = 76543210-20060213141400"}},
      {MSG_BROADCAST_REMOVE,
       {"msg.type = msg.broadcast.remove", "group.key = 64522606-20060213141359", "member.key = 11111111-20060213141359", "recipient.key = 01234567-20060213141359",
        "recipient.key = 11111111-20060213141359"}},
      {MSG_BROADCAST_MODIFY_ORDER,
       {"msg.type = msg.broadcast.modify.order", "group.key = 64522606-20060213141359", "member.key = 11111111-20060213141359", "member.newrole = assistant",
        "recipient.key = 01234567-20060213141359"}},
      {MSG_BROADCAST_EMAILCHANGE,
       {"msg.type = msg.broadcast.emailchange", "member.oldemail = bob@example.org",
        "member.newemail = robert@example.org", "recipient.email = alice@example.org",
        "recipient.email = carol@example.org"}},
      {MSG_UPDATE_MEMBERGROUPS,
       Concat({{"msg.type = msg.update.membergroups", "groups.to.ignore = 77777777-20060213141359;88888888-20060213141359", "groups.to.remove = 12345678-20060213141359",
                "sender.email = alice@example.org", "groups.group.key = 55555555-20060213141359", "groups.group.name = Team"},
               kBlockBob,
               {"groups.group.key = 66666666-20060213141359", "groups.group.name = Rooms"},
               kBlockRoom})},
      {MSG_BROADCAST_UPDATE_MEMBERGROUPS,
       {"msg.type = msg.broadcast.update.membergroups", "member.email = bob@example.org",
        "groups.to.ignore = 77777777-20060213141359", "recipient.email = alice@example.org"}},
      {MSG_BROADCAST_MODIFIEDSHARE,
       {"msg.type = msg.broadcast.modifiedshare", "group.key = 64522606-20060213141359", "member.key = 11111111-20060213141359", "member.newshare = 0",
        "recipient.key = 01234567-20060213141359", "recipient.key = 11111111-20060213141359"}},
      {MSG_BROADCAST_MODIFIEDNAME,
       {"msg.type = msg.broadcast.modifiedname", "group.key = 64522606-20060213141359", "member.key = 11111111-20060213141359", "member.newname = Bobby",
        "recipient.key = 01234567-20060213141359"}},
  };
  return cases;
}

}  // namespace

TEST(GroupMsgText, EveryTypeRoundTrips) {
  MsgLogCapture log;
  ASSERT_EQ(Cases().size(), 16u);
  for (const TypeCase& c : Cases()) {
    const std::string text = Lines(WithHeader(c.body));
    CGroupMsg msg;
    ASSERT_TRUE(msg.ParseText(text)) << text;
    EXPECT_EQ(msg.m_nMsgType, c.type);
    EXPECT_EQ(msg.m_nMajor, 3);
    EXPECT_EQ(msg.m_nMinor, 1);
    EXPECT_EQ(msg.m_strSendTime, "20060213.141359123");
    EXPECT_EQ(msg.ComposeText(), text) << msg.GetMessageName();
  }
  EXPECT_FALSE(log.Logged("Error"));
}

TEST(GroupMsgText, FieldsLandWhereTheyBelong) {
  MsgLogCapture log;
  CGroupMsg request;
  ASSERT_TRUE(request.ParseText(Lines(WithHeader(Cases()[0].body))));
  EXPECT_EQ(request.m_strGroupKey, "64522606-20060213141359");
  EXPECT_EQ(request.m_strGroupName, "Team");
  EXPECT_EQ(request.m_strSenderEmail, "alice@example.org");
  EXPECT_EQ(request.m_strManagerKey, "01234567-20060213141359");
  EXPECT_TRUE(request.m_bManagerShare);
  EXPECT_EQ(request.m_strActionKey, "76543210-20060213141400");
  EXPECT_EQ(request.m_strMemberName, "Bob");
  EXPECT_EQ(request.m_nMemberRole, ROLE_MEMBER);
  EXPECT_TRUE(request.m_bMemberShare);

  // Member blocks of a confirmation fill the member list.
  CGroupMsg confirmation;
  ASSERT_TRUE(confirmation.ParseText(Lines(WithHeader(Cases()[2].body))));
  ASSERT_EQ(confirmation.m_colMembers.size(), 2u);
  EXPECT_EQ(confirmation.m_colMembers[0]->nRole, ROLE_ASSISTANT);
  EXPECT_TRUE(confirmation.m_colMembers[1]->IsVirtual());
  EXPECT_FALSE(confirmation.m_colMembers[1]->bShare);

  // In an update of member groups, blocks attach to the group introduced before them.
  CGroupMsg update;
  ASSERT_TRUE(update.ParseText(Lines(WithHeader(Cases()[12].body))));
  EXPECT_TRUE(update.m_colMembers.empty());
  ASSERT_EQ(update.m_colGroups.size(), 2u);
  EXPECT_EQ(update.m_colGroups[0]->strName, "Team");
  ASSERT_EQ(update.m_colGroups[0]->Count(), 1);
  EXPECT_EQ(update.m_colGroups[0]->Item(1)->strEmail, "bob@example.org");
  EXPECT_EQ(update.m_colGroups[0]->Item(1)->strGroupKey, "55555555-20060213141359");
  ASSERT_EQ(update.m_colGroups[1]->Count(), 1);
  EXPECT_EQ(update.m_colGroups[1]->Item(1)->strName, "Room");
  EXPECT_EQ(update.m_sGroupsToIgnore, "77777777-20060213141359;88888888-20060213141359");
}

TEST(GroupMsgText, ReadingIsLenientWhereTheFormatAllows) {
  MsgLogCapture log;
  CGroupMsg msg;
  // Names in any case, blanks around "=", quoted values, empty lines, LF-only
  // line breaks, addresses lower-cased, parameters in any order.
  ASSERT_TRUE(msg.ParseText(
      "MSG.TYPE=msg.BROADCAST.add\n\n  member.name  =  \"Bob Builder\"  \r\nmsg.version = 3.1\r\n"
      "member.email = Bob@Example.ORG\r\n\"group.key\" = 64522606-20060213141359\r\nmsg.time = 1\r\n"));
  EXPECT_EQ(msg.m_nMsgType, MSG_BROADCAST_ADD);
  EXPECT_EQ(msg.m_strMemberName, "Bob Builder");
  EXPECT_EQ(msg.m_strMemberEmail, "bob@example.org");
  EXPECT_EQ(msg.m_strGroupKey, "64522606-20060213141359");
}

TEST(GroupMsgText, MalformedTextsAreRejectedAndLogged) {
  struct Case {
    const char* what;
    std::string text;
    const char* logged;
  };
  const std::vector<Case> cases = {
      {"line without =", "msg.version = 3.1\r\nmsg.type = msg.abort\r\nmember.actionkey", "invalid line"},
      {"value containing =", "msg.type = msg.add.request\r\nmember.name = a=b", "invalid line"},
      {"unknown parameter", "msg.version = 3.1\r\nmember.nickname = Bobby", "Invalid param = \"member.nickname\""},
      {"version without a point", "msg.version = 31\r\nmsg.type = msg.abort", "invalid version - 31"},
      {"version with three parts", "msg.version = 3.1.459", "invalid version - 3.1.459"},
      {"version not numeric", "msg.version = 3.x", "invalid version - 3.x"},
      {"unknown type", "msg.type = msg.add.invite", "invalid param - msg.add.invite"},
      {"boolean other than 1/0", "msg.type = msg.add.replay\r\naccept = yes", "invalid boolean - accept = yes"},
      {"unknown role", "msg.type = msg.broadcast.add\r\nmember.role = owner", "invalid param - owner"},
      {"member field before its key", "msg.type = msg.add.confirmation\r\ngroup.member.name = Bob",
       "group.member.name before group.member.key"},
      {"update block before its group", "msg.type = msg.update.membergroups\r\ngroup.member.key = 11111111-20060213141359",
       "group.member.key without its group - 11111111-20060213141359"},
  };
  for (const Case& c : cases) {
    MsgLogCapture log;
    CGroupMsg msg;
    EXPECT_FALSE(msg.ParseText(c.text)) << c.what;
    EXPECT_TRUE(log.Logged(c.logged)) << c.what << "\n" << log.Text();
  }
}

TEST(GroupMsgText, TypeNumbersConvertBothWays) {
  MsgLogCapture log;
  for (const TypeCase& c : Cases()) {
    int back = 0;
    ASSERT_TRUE(CGroupMsg::Str2Msg(CGroupMsg::Msg2Str(c.type), back));
    EXPECT_EQ(back, c.type);
  }
  EXPECT_EQ(CGroupMsg::Msg2Str(11), "msg.broadcast.modify.order");
  EXPECT_EQ(CGroupMsg::Msg2Str(13), "False");
  EXPECT_TRUE(log.Logged("invalid param - 13"));
  int n = 0;
  EXPECT_TRUE(CGroupMsg::Str2Msg("MSG.ABORT", n));
  EXPECT_EQ(n, MSG_ABORT);
}

TEST(GroupMsgText, HostileValuesMakeTheMessageUnreadable) {
  const std::string head = "msg.version = 3.1\r\nmsg.time = 1\r\nmsg.type = msg.broadcast.add\r\n";
  std::string manyGroups = "msg.type = msg.update.membergroups\r\n";
  for (int i = 0; i <= 100; ++i) manyGroups += "groups.group.key = 64522606-20060213141359\r\n";
  std::string manyReached = head;
  for (int i = 0; i <= 1000; ++i) manyReached += "recipient.key = 64522606-20060213141359\r\n";
  struct Case {
    const char* what;
    std::string text;
    const char* logged;
  };
  const std::vector<Case> cases = {
      {"key holding ';'", head + "group.key = 64522606-20060213141359;x", "invalid key - group.key"},
      {"key with a 9", head + "member.key = 94522606-20060213141359", "invalid key - member.key"},
      {"key list with a stranger", "msg.type = msg.update.membergroups\r\ngroups.to.remove = 64522606-2006;x",
       "invalid key - groups.to.remove"},
      {"two addresses", head + "member.email = eve@example.com;spy@evil.example", "invalid address - member.email"},
      {"address without '@'", head + "member.email = noatsign", "invalid address - member.email"},
      {"address '..@'", head + "member.email = ..@", "invalid address - member.email"},
      {"address climbing folders", head + "member.email = ../../evil@x.com", "invalid address - member.email"},
      {"address of 10,000 characters", head + "member.email = " + std::string(10000, 'a') + "@example.org",
       "invalid address - member.email"},
      {"owner with a '/'", head + "member.emailowner = a@b.org/c", "invalid address - member.emailowner"},
      {"101 groups", manyGroups, "too many groups (limit 100)"},
      {"1,001 reached keys", manyReached, "too many entries (limit 1000)"},
      {"text over 1 MiB", head + "member.name = " + std::string(2 << 20, 'x'), "bytes refused (limit 1048576)"},
  };
  for (const Case& c : cases) {
    MsgLogCapture log;
    CGroupMsg msg;
    EXPECT_FALSE(msg.ParseText(c.text)) << c.what;
    EXPECT_TRUE(log.Logged(c.logged)) << c.what << "\n" << log.Text().substr(0, 400);
  }
}

TEST(GroupMsgText, NamesAreCleanedOnReceipt) {
  MsgLogCapture log;
  CGroupMsg msg;
  ASSERT_TRUE(msg.ParseText(std::string("msg.type = msg.broadcast.modifiedname\r\nmember.newname = \x1b[31mEve\x07 ") +
                            "\xff\xfe;Bob\r\ngroup.name = Te\x01" + "am"));
  EXPECT_EQ(msg.m_strMemberNewName, "[31mEve  ??,Bob");
  EXPECT_EQ(msg.m_strGroupName, "Te am");
  // A virtual member's address keeps its suffix; the owner must be one address.
  ASSERT_TRUE(msg.ParseText("member.email = Alice@Example.org/Room"));
  EXPECT_EQ(msg.m_strMemberEmail, "alice@example.org/room");
}
