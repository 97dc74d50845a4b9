// The group protocol's life cycle with three homes in one process, on
// virtual clocks: the same steps as the shell scenario, through the host's
// group operations and the add-in's own synchronisation.
#include <gtest/gtest.h>

#include <sstream>

#include "groups/CGroups.h"
#include "host/GroupOps.h"
#include "host/HostSession.h"
#include "platform/Error.h"
#include "platform/store/Items.h"
#include "support/TempHome.h"

using testing_support::TempDir;
using testing_support::TempHome;

namespace {

class GroupProtocol : public ::testing::Test {
 protected:
  TempDir dir;
  TempHome alice{dir.Path(), "Alice", "alice@example.com"};
  TempHome bob{dir.Path(), "Bob", "bob@example.com"};
  TempHome carol{dir.Path(), "Carol", "carol@example.com"};

  void SetUp() override {
    for (TempHome* h : {&alice, &bob, &carol}) ASSERT_EQ(h->Open().Start(), Connect::State::Running);
  }

  // The add-in of a home.
  static Connect& C(TempHome& h) { return h.S().AddIn(); }

  // Picks up the mail, exchanges, and lets the timers settle, a minute of
  // virtual time later.
  static void Sync(TempHome& h) {
    h.Clock().Advance(60000);
    C(h);
    h.S().PickUpMail();
    C(h).Syncronize(false);
    h.S().Loop().RunFor(3000);
  }

  // "group: member(name,role,share,status)..." for every group, in order.
  static std::string Picture(TempHome& h) {
    std::ostringstream s;
    for (const GroupPtr& g : C(h).Groups()->Groups()) {
      s << g->strName << ":";
      for (const MemberPtr& m : g->Members()) {
        s << " " << m->strEmail.substr(0, m->strEmail.find('@')) << "(" << m->strName << ","
          << (m->nRole == ROLE_MANAGER ? "manager" : m->nRole == ROLE_ASSISTANT ? "assistant" : "member") << ","
          << (m->bShare ? "share" : "noshare") << "," << (m->WasAdded() ? "active" : "pending") << ")";
      }
      s << ";";
    }
    return s.str();
  }
};

}  // namespace

TEST_F(GroupProtocol, InviteAnswerChangeRemoveAndDissolve) {
  host::CreateGroup(C(alice), "Team");
  host::AddMember(C(alice), "Team", "bob@example.com", "Bob", host::Role::Member, true);
  host::AddMember(C(alice), "Team", "carol@example.com", "Carol", host::Role::Member, true);

  bob.Prompt().QueueResult(platform::IDYES);
  carol.Prompt().QueueResult(platform::IDNO);
  Sync(bob);
  Sync(carol);
  EXPECT_EQ(Picture(bob), "Team: alice(Alice,manager,share,active) bob(Bob,member,share,pending);");
  EXPECT_EQ(Picture(carol), "");

  Sync(alice);
  Sync(bob);
  const std::string active = "Team: alice(Alice,manager,share,active) bob(Bob,member,share,active);";
  EXPECT_EQ(Picture(alice), active);
  EXPECT_EQ(Picture(bob), active);

  EXPECT_TRUE(host::SetRole(C(alice), "Team", "bob@example.com", host::Role::Assistant));
  Sync(bob);
  EXPECT_EQ(Picture(bob), "Team: alice(Alice,manager,share,active) bob(Bob,assistant,share,active);");

  host::RenameMember(C(bob), "Team", "bob@example.com", "Robert");
  Sync(alice);
  EXPECT_EQ(Picture(alice), "Team: alice(Alice,manager,share,active) bob(Robert,assistant,share,active);");

  // Sharing off: bob leaves the group on his side; on again needs his consent.
  EXPECT_TRUE(host::SetShare(C(alice), "Team", "bob@example.com", false));
  Sync(bob);
  EXPECT_EQ(Picture(bob), "");
  EXPECT_TRUE(host::SetShare(C(alice), "Team", "bob@example.com", true));
  EXPECT_EQ(Picture(alice), "Team: alice(Alice,manager,share,active) bob(Robert,assistant,share,pending);");
  bob.Prompt().QueueResult(platform::IDYES);
  Sync(bob);
  Sync(alice);
  Sync(bob);
  const std::string back = "Team: alice(Alice,manager,share,active) bob(Robert,assistant,share,active);";
  EXPECT_EQ(Picture(alice), back);
  EXPECT_EQ(Picture(bob), back);

  host::RemoveMember(C(alice), "Team", "bob@example.com");
  Sync(bob);
  EXPECT_EQ(Picture(alice), "Team: alice(Alice,manager,share,active);");
  EXPECT_EQ(Picture(bob), "");

  host::DeleteGroup(C(alice), "Team");
  EXPECT_EQ(Picture(alice), "");
  // Nothing is left unprocessed anywhere, and every home's stored groups
  // match its live ones.
  for (TempHome* h : {&alice, &bob, &carol}) {
    Sync(*h);
    EXPECT_EQ(C(*h).fldInbox().Items().Count(), 0) << h->Home();
    CGroups stored(*C(*h).GroupsEnv());
    ASSERT_TRUE(stored.Load());
    EXPECT_TRUE(SameStoredGroups(stored, *C(*h).Groups())) << h->Home();
  }
}

TEST_F(GroupProtocol, RefusalsChangeNothingAndSendNothing) {
  host::CreateGroup(C(alice), "Team");
  host::AddMember(C(alice), "Team", "bob@example.com", "Bob", host::Role::Member, true);
  bob.Prompt().QueueResult(platform::IDYES);
  Sync(bob);
  Sync(alice);
  Sync(bob);
  std::string before = Picture(bob);
  // A plain member may neither add, nor remove the manager, nor rename him.
  EXPECT_THROW(host::AddMember(C(bob), "Team", "carol@example.com", "", host::Role::Member, true), platform::Error);
  EXPECT_THROW(host::RemoveMember(C(bob), "Team", "alice@example.com"), platform::Error);
  EXPECT_THROW(host::RenameMember(C(bob), "Team", "alice@example.com", "Al"), platform::Error);
  EXPECT_THROW(host::CreateGroup(C(alice), "Team"), platform::Error);  // the name is taken
  EXPECT_THROW(host::AddMember(C(alice), "Team", "not-an-address", "", host::Role::Member, true), platform::Error);
  EXPECT_THROW(host::RemoveMember(C(alice), "Nowhere", "bob@example.com"), platform::Error);
  EXPECT_EQ(Picture(bob), before);
  Sync(alice);
  Sync(carol);
  EXPECT_EQ(Picture(carol), "");
  EXPECT_EQ(C(alice).fldInbox().Items().Count(), 0);
}

TEST_F(GroupProtocol, AddressesAreOneAddressTrimmedAndLowerCased) {
  host::CreateGroup(C(alice), "Team");
  const std::string before = Picture(alice);
  for (const std::string& bad :
       {std::string("eve@example.com;spy@evil.example"), std::string("..@"), std::string("bob\n@example.com"),
        std::string(10000, 'a') + "@example.com", std::string("../../evil@x.com"), std::string("noatsign")}) {
    EXPECT_THROW(host::AddMember(C(alice), "Team", bad, "", host::Role::Member, true), platform::Error) << bad;
  }
  EXPECT_EQ(Picture(alice), before);
  EXPECT_EQ(C(alice).fldSentItems().Items().Count(), 0) << "no invitation left";

  // Blanks and capitals around a good address are what users type: the
  // invitation reaches the member.
  host::AddMember(C(alice), "Team", "  Bob@Example.COM ", "Bob", host::Role::Member, true);
  bob.Prompt().QueueResult(platform::IDYES);
  Sync(bob);
  Sync(alice);
  EXPECT_EQ(Picture(alice), "Team: alice(Alice,manager,share,active) bob(Bob,member,share,active);");

  // A new home gets one address or none.
  for (const char* bad : {"../../evil@x.com", "noatsign", "a@b.com;c@d.com"}) {
    host::InitOptions o;
    o.home = dir.Path() / "eve";
    o.name = "Eve";
    o.email = bad;
    o.dataDir = ZENTABO_SOURCE_DIR;
    EXPECT_THROW(host::InitHome(o), platform::Error) << bad;
  }
}
