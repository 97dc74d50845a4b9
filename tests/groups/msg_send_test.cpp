// Who receives which group message: the broadcast rules over shared,
// unshared, virtual, pending and already reached members, read back from
// the mails that actually left the sender's profile.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>

#include "groups/msg_fixture.h"
#include "groups/msg_users.h"
#include "platform/store/Recipients.h"

namespace {

// The members are named by one letter in the expectations; on the wire they
// carry keys of the generator's shape.
std::string K(const std::string& name) {
  std::string digits;
  for (char c : name) digits += static_cast<char>('0' + (c - 'a' + 1) % 9);
  return std::string(8 - digits.size(), '0') + digits + "-20060213141359";
}

std::string Short(const std::string& key) {
  for (const char* name : {"a", "b", "c", "d", "e", "r", "x", "act"})
    if (K(name) == key) return name;
  return key;
}

std::vector<std::string> Keys(std::initializer_list<const char*> names) {
  std::vector<std::string> keys;
  for (const char* n : names) keys.push_back(K(n));
  return keys;
}

struct SentMsg {
  std::vector<std::string> to;
  std::unique_ptr<CGroupMsg> msg;
};

class SendRulesTest : public ::testing::Test {
 protected:
  SendRulesTest() : alice(world.Add("Alice", "alice@example.org")) {
    team = std::make_shared<CGroup>();
    team->strKey = "64522606-20060213141359";
    team->strName = "Team";
    me = Add("a", "Alice", "alice@example.org", ROLE_MANAGER, true);
    me->IsMySelf = true;
    bob = Add("b", "Bob", "bob@example.org", ROLE_ASSISTANT, true);
    carol = Add("c", "Carol", "carol@example.org", ROLE_MEMBER, false);
    room = Add("r", "Room", "alice@example.org/room", ROLE_MEMBER, false);
    room->strEmailOwner = "alice@example.org";
    dave = Add("d", "Dave", "dave@example.org", ROLE_MEMBER, true);
    dave->nAction = ACTION_ADDING;
    dave->strActionKey = K("act");
    eve = Add("e", "Eve", "eve@example.org", ROLE_MEMBER, true);
    alice.groups->Add(team);
  }

  MemberPtr Add(const std::string& key, const std::string& name, const std::string& email, int role, bool share) {
    auto m = std::make_shared<CMember>();
    m->strKey = K(key);
    m->strName = name;
    m->strEmail = email;
    m->nRole = role;
    m->bShare = share;
    team->Add(m);
    return m;
  }

  // The messages that left alice since the last call, oldest first.
  std::vector<SentMsg> Sent() {
    std::vector<SentMsg> out;
    const platform::Folder sentItems = alice.session->GetDefaultFolder(platform::olFolderSentMail);
    for (platform::Item mail : sentItems.Items().All()) {
      SentMsg s;
      const platform::Recipients recips = mail.Recipients();
      for (int i = 1; i <= recips.Count(); ++i) s.to.push_back(recips.Item(i).Address());
      const platform::Bytes& data = mail.Attachments().Item(1).Data();
      s.msg = std::make_unique<CGroupMsg>();
      EXPECT_TRUE(s.msg->ParseText(std::string(data.begin(), data.end())));
      for (std::string& k : s.msg->m_colRecipKeys) k = Short(k);
      s.msg->m_strManagerKey = Short(s.msg->m_strManagerKey);
      s.msg->m_strActionKey = Short(s.msg->m_strActionKey);
      for (const MemberPtr& m : s.msg->m_colMembers) m->strKey = Short(m->strKey);
      out.push_back(std::move(s));
      mail.Delete();
    }
    return out;
  }

  using Strings = std::vector<std::string>;

  MsgLogCapture log;
  MsgWorld world;
  MsgUser& alice;
  GroupPtr team;
  MemberPtr me, bob, carol, room, dave, eve;
};

TEST_F(SendRulesTest, BroadcastsByKeyGoToSharedAddedRealMembersNotYetReached) {
  CGroupMsgSender sender(alice.mail);

  // A new member is announced to the others, never to himself; the pending
  // dave and the virtual room are neither listed nor sent to; carol is listed
  // (she has the group) but does not share, so she gets no mail.
  sender.SendBroadcastAdd(*eve, *team, {});
  std::vector<SentMsg> sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].to, Strings{"bob@example.org"});
  EXPECT_EQ(sent[0].msg->m_nMsgType, MSG_BROADCAST_ADD);
  EXPECT_EQ(sent[0].msg->m_colRecipKeys, (Strings{"a", "b", "c"}));
  EXPECT_EQ(sent[0].msg->m_strMemberEmail, "eve@example.org");

  // Keys already reached come first and are not sent to again.
  sender.SendBroadcastModifyName(*eve, *team, Keys({"x", "b"}));
  sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].to, Strings{"eve@example.org"});
  EXPECT_EQ(sent[0].msg->m_colRecipKeys, (Strings{"x", "b", "a", "c", "e"}));

  // Removing a shared member tells him too; an unshared one is listed only.
  sender.SendBroadcastRemove(*eve, *team, {});
  sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].to, (Strings{"bob@example.org", "eve@example.org"}));
  sender.SendBroadcastRemove(*carol, *team, {});
  sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].to, (Strings{"bob@example.org", "eve@example.org"}));
  EXPECT_EQ(sent[0].msg->m_colRecipKeys, (Strings{"a", "b", "e", "c"}));

  // Sharing just switched off: the member hears it although he no longer shares.
  eve->bShare = false;
  sender.SendBroadcastModifiedShare(*eve, *team, {});
  sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].to, (Strings{"bob@example.org", "eve@example.org"}));
  EXPECT_FALSE(sent[0].msg->m_bMemberNewShare);
}

TEST_F(SendRulesTest, ABroadcastNobodyShouldGetIsNotSent) {
  CGroupMsgSender sender(alice.mail);
  // Every other member is unshared (carol, eve), virtual (room), pending
  // (dave) or already reached (bob).
  eve->bShare = false;
  sender.SendBroadcastModifyOrder(*carol, *team, Keys({"b"}));
  sender.SendBroadcastAdd(*room, *team, Keys({"b"}));
  EXPECT_TRUE(Sent().empty());
  EXPECT_FALSE(log.Logged("SEND MAIL TO"));
}

TEST_F(SendRulesTest, SingleMessagesAndTheConfirmationList) {
  CGroupMsgSender sender(alice.mail);
  sender.SendAddRequest(*team, *dave);
  sender.SendAddConfirmation("dave@example.org", *team, *dave, K("act"));
  sender.SendAbort(*dave);
  std::vector<SentMsg> sent = Sent();
  ASSERT_EQ(sent.size(), 3u);
  for (const SentMsg& s : sent) EXPECT_EQ(s.to, Strings{"dave@example.org"});

  const CGroupMsg& request = *sent[0].msg;
  EXPECT_EQ(request.m_nMsgType, MSG_ADD_REQUEST);
  EXPECT_EQ(request.m_strSenderEmail, "alice@example.org");
  EXPECT_EQ(request.m_strManagerKey, "a");
  EXPECT_EQ(request.m_strActionKey, "act");
  EXPECT_EQ(request.m_strGroupName, "Team");
  EXPECT_EQ(request.m_nMajor, 3);
  EXPECT_EQ(request.m_nMinor, 1);
  EXPECT_EQ(request.m_strSendTime.size(), 18u);

  // The confirmation lists the added members other than the manager and the new one.
  const CGroupMsg& confirmation = *sent[1].msg;
  Strings keys;
  for (const MemberPtr& m : confirmation.m_colMembers) keys.push_back(m->strKey);
  EXPECT_EQ(keys, (Strings{"b", "c", "r", "e"}));
  EXPECT_EQ(confirmation.m_strActionKey, "act");
  EXPECT_EQ(sent[2].msg->m_nMsgType, MSG_ABORT);

  // Sending times grow with every message, so a receiver can order them.
  EXPECT_LT(sent[0].msg->m_strSendTime, sent[1].msg->m_strSendTime);
  EXPECT_LT(sent[1].msg->m_strSendTime, sent[2].msg->m_strSendTime);
  EXPECT_TRUE(log.Logged("SEND MAIL TO: dave@example.org<BODY>msg.version = 3.1"));
}

TEST_F(SendRulesTest, AddressChangeGoesToEveryGroupOnce) {
  auto other = std::make_shared<CGroup>();
  other->strKey = "g2";
  other->strName = "Other";
  for (const auto& [key, email] : std::vector<std::pair<std::string, std::string>>{
           {"a2", "alice@example.org"}, {"b2", "bob@example.org"}, {"f2", "frank@example.org"}}) {
    auto m = std::make_shared<CMember>();
    m->strKey = key;
    m->strEmail = email;
    m->bShare = true;
    m->IsMySelf = key == "a2";
    other->Add(m);
  }
  alice.groups->Add(other);
  CGroupMsgSender sender(alice.mail);
  sender.SendBroadcastChangeEmail(*alice.groups, "eve@example.org", "eve@new.example.org", {"frank@example.org"});
  std::vector<SentMsg> sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].to, Strings{"bob@example.org"});
  EXPECT_EQ(sent[0].msg->m_colRecipients,
            (Strings{"frank@example.org", "alice@example.org", "bob@example.org", "carol@example.org"}));
  EXPECT_EQ(sent[0].msg->m_strMemberEmailNew, "eve@new.example.org");
}

}  // namespace

namespace {

// The process's time zone for one test: central Europe, with summer time.
class CentralEuropeanTime {
 public:
  CentralEuropeanTime() {
    const char* old = std::getenv("TZ");
    saved_ = old ? std::optional<std::string>(old) : std::nullopt;
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
  }
  ~CentralEuropeanTime() {
    if (saved_)
      setenv("TZ", saved_->c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  std::optional<std::string> saved_;
};

}  // namespace

TEST_F(SendRulesTest, SendingTimeIsTheUtcWallClockWithMilliseconds) {
  CentralEuropeanTime zone;
  CGroupMsgSender sender(alice.mail);
  struct Case {
    platform::Date local;
    int64_t ms;
    const char* sent;
  };
  // Summer: two hours ahead of UTC; winter: one. Milliseconds come from the
  // same clock as the seconds.
  const Case cases[] = {
      {platform::Date::FromParts(2027, 1, 15, 14, 0, 0), 999, "20270115.130000999"},
      {platform::Date::FromParts(2027, 7, 1, 14, 0, 0), 250, "20270701.120000250"},
      {platform::Date::FromParts(2027, 10, 31, 1, 59, 59), 1, "20271030.235959001"},
  };
  for (const Case& c : cases) {
    world.clock.Advance(1000 - world.clock.MonotonicMs() % 1000 + c.ms);
    world.clock.SetNow(c.local);
    sender.SendAbort(*dave);
    std::vector<SentMsg> sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].msg->m_strSendTime, c.sent);
  }
}
