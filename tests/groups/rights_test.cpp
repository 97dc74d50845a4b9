// The rights rules of a member (called on my own member) over roles,
// pending changes and virtual or marked members.
#include <gtest/gtest.h>

#include "groups/CMember.h"
#include "platform/Error.h"

namespace {

CMember Make(const std::string& key, const std::string& email, int role, int action = ACTION_NONE) {
  CMember m;
  m.strKey = key;
  m.strEmail = email;
  m.nRole = role;
  m.nAction = action;
  m.bShare = true;
  return m;
}

CMember Me(int role, int action = ACTION_NONE) { return Make("k-me", "me@corp.test", role, action); }
CMember Other(int role, int action = ACTION_NONE) { return Make("k-other", "other@corp.test", role, action); }

CMember Virtual(const std::string& owner) {
  CMember m = Make("k-room", owner + "/room", ROLE_MEMBER);
  m.strEmailOwner = owner;
  m.bShare = false;
  return m;
}

const int kRoles[] = {ROLE_MEMBER, ROLE_ASSISTANT, ROLE_MANAGER};
const int kActions[] = {ACTION_NONE, ACTION_ADDING, ACTION_MODIFYING};

}  // namespace

TEST(CanAdd, ByRoleStateAndAddress) {
  struct Row {
    int role;
    int action;
    bool marked;
    const char* address;
    bool expected;
  } rows[] = {
      {ROLE_MANAGER, ACTION_NONE, false, "", true},
      {ROLE_MANAGER, ACTION_ADDING, false, "", true},  // a manager's own pending state does not matter
      {ROLE_MANAGER, ACTION_NONE, true, "", false},
      {ROLE_ASSISTANT, ACTION_NONE, false, "", true},
      {ROLE_ASSISTANT, ACTION_ADDING, false, "", false},
      {ROLE_ASSISTANT, ACTION_NONE, true, "", false},
      {ROLE_MEMBER, ACTION_NONE, false, "", false},
      {ROLE_MANAGER, ACTION_NONE, false, "x@corp.test", true},
      {ROLE_ASSISTANT, ACTION_NONE, false, "x@corp.test", true},
      {ROLE_MEMBER, ACTION_NONE, false, "x@corp.test", false},
      // my own address, in any case
      {ROLE_MANAGER, ACTION_NONE, false, "me@corp.test", false},
      {ROLE_MANAGER, ACTION_NONE, false, "ME@Corp.Test", false},
      // a calendar of mine: manager only
      {ROLE_MANAGER, ACTION_NONE, false, "me@corp.test/room", true},
      {ROLE_MANAGER, ACTION_NONE, false, "Me@Corp.test/Room", true},
      {ROLE_ASSISTANT, ACTION_NONE, false, "me@corp.test/room", false},
      // someone else's calendar: never
      {ROLE_MANAGER, ACTION_NONE, false, "x@corp.test/room", false},
  };
  for (const Row& r : rows) {
    CMember me = Me(r.role, r.action);
    me.bMarkedForRemoving = r.marked;
    EXPECT_EQ(me.CanAdd(r.address), r.expected)
        << "role " << r.role << " action " << r.action << " marked " << r.marked << " address " << r.address;
  }
}

TEST(CanRemove, HigherRoleRemovesLower) {
  for (int mine : kRoles)
    for (int theirs : kRoles)
      for (int action : kActions)
        EXPECT_EQ(Me(mine).CanRemove(Other(theirs, action)), mine > theirs) << mine << " " << theirs;
}

TEST(CanRemove, MyselfMarkedAndVirtual) {
  for (int role : kRoles) {
    CMember me = Me(role);
    EXPECT_TRUE(me.CanRemove(me)) << "anyone may leave";
    CMember marked = Other(ROLE_MEMBER);
    marked.bMarkedForRemoving = true;
    EXPECT_FALSE(me.CanRemove(marked));
    // Virtual members: exactly their owner, whatever the roles and marks.
    CMember mine = Virtual("ME@corp.test");
    mine.bMarkedForRemoving = true;
    EXPECT_TRUE(me.CanRemove(mine));
    EXPECT_FALSE(me.CanRemove(Virtual("other@corp.test")));
  }
}

TEST(CanModify, NeverWithPendingChangesOrSpecialMembers) {
  for (int mine : kRoles)
    for (int theirs : kRoles)
      for (int myAction : kActions)
        for (int theirAction : kActions)
          for (bool modifying : {false, true}) {
            CMember other = Other(theirs, theirAction);
            other.bModifying = modifying;
            bool result = Me(mine, myAction).CanModify(other);
            if (myAction != ACTION_NONE || theirAction != ACTION_NONE || mine == ROLE_MEMBER || mine < theirs) {
              EXPECT_FALSE(result) << mine << " " << theirs << " " << myAction << " " << theirAction;
            }
          }
  CMember me = Me(ROLE_MANAGER);
  EXPECT_FALSE(me.CanModify(me));
  EXPECT_FALSE(me.CanModify(Virtual("me@corp.test")));
  CMember marked = Other(ROLE_MEMBER);
  marked.bMarkedForRemoving = true;
  EXPECT_FALSE(me.CanModify(marked));
}

TEST(CanModify, RoleComparison) {
  struct Row {
    int mine, theirs;
    bool modifying;
    bool expected;
  } rows[] = {
      {ROLE_MANAGER, ROLE_MEMBER, false, true},      {ROLE_MANAGER, ROLE_ASSISTANT, false, true},
      {ROLE_ASSISTANT, ROLE_MEMBER, false, true},    {ROLE_ASSISTANT, ROLE_ASSISTANT, false, false},
      {ROLE_ASSISTANT, ROLE_ASSISTANT, true, true},  // changed in this dialog: may be changed back
      {ROLE_ASSISTANT, ROLE_MANAGER, true, false},   {ROLE_MEMBER, ROLE_MEMBER, true, false},
  };
  for (const Row& r : rows) {
    CMember other = Other(r.theirs);
    other.bModifying = r.modifying;
    EXPECT_EQ(Me(r.mine).CanModify(other), r.expected) << r.mine << " " << r.theirs << " " << r.modifying;
  }
}

TEST(CanModifyName, OwnNameAlwaysOthersByRole) {
  for (int role : kRoles) {
    CMember me = Me(role, ACTION_ADDING);
    EXPECT_TRUE(me.CanModifyName(me));
  }
  EXPECT_TRUE(Me(ROLE_MANAGER).CanModifyName(Other(ROLE_ASSISTANT)));
  EXPECT_TRUE(Me(ROLE_MANAGER).CanModifyName(Virtual("x@corp.test")));
  EXPECT_FALSE(Me(ROLE_MEMBER).CanModifyName(Other(ROLE_MEMBER)));
  EXPECT_FALSE(Me(ROLE_ASSISTANT).CanModifyName(Other(ROLE_ASSISTANT)));
  CMember changed = Other(ROLE_ASSISTANT);
  changed.bModifying = true;
  EXPECT_TRUE(Me(ROLE_ASSISTANT).CanModifyName(changed));
  EXPECT_FALSE(Me(ROLE_ASSISTANT).CanModifyName(Other(ROLE_MANAGER)));
  CMember marked = Other(ROLE_MEMBER);
  marked.bMarkedForRemoving = true;
  EXPECT_FALSE(Me(ROLE_MANAGER).CanModifyName(marked));
}

TEST(CanModifyShare, Rules) {
  EXPECT_TRUE(Me(ROLE_MANAGER).CanModifyShare(Other(ROLE_ASSISTANT)));
  EXPECT_TRUE(Me(ROLE_ASSISTANT).CanModifyShare(Other(ROLE_MEMBER)));
  EXPECT_FALSE(Me(ROLE_MEMBER).CanModifyShare(Other(ROLE_MEMBER)));
  EXPECT_FALSE(Me(ROLE_ASSISTANT).CanModifyShare(Other(ROLE_MANAGER)));
  // Two assistants: only an unshared one may be switched (on).
  EXPECT_FALSE(Me(ROLE_ASSISTANT).CanModifyShare(Other(ROLE_ASSISTANT)));
  CMember unshared = Other(ROLE_ASSISTANT);
  unshared.bShare = false;
  EXPECT_TRUE(Me(ROLE_ASSISTANT).CanModifyShare(unshared));
  // My own pending change blocks it; the other's does not.
  EXPECT_FALSE(Me(ROLE_MANAGER, ACTION_ADDING).CanModifyShare(Other(ROLE_MEMBER)));
  EXPECT_TRUE(Me(ROLE_MANAGER).CanModifyShare(Other(ROLE_MEMBER, ACTION_ADDING)));
  CMember me = Me(ROLE_MANAGER);
  EXPECT_FALSE(me.CanModifyShare(me));
  EXPECT_FALSE(me.CanModifyShare(Virtual("me@corp.test")));
}

TEST(CanModifyShare, UnsharedMeIsAnError) {
  CMember me = Me(ROLE_MANAGER);
  me.bShare = false;
  EXPECT_THROW(me.CanModifyShare(Other(ROLE_MEMBER)), platform::Error);
}

TEST(Member, ClearActionAndCopyFrom) {
  CMember m = Other(ROLE_ASSISTANT, ACTION_ADDING);
  m.strActionKey = "12345678-20060213141359";
  m.nWait = WAIT_REPLAY;
  m.nSubAction = SUB_ACTION_SHARE_ON;
  m.nNewRole = ROLE_MANAGER;
  m.ClearAction();
  EXPECT_TRUE(m.strActionKey.empty());
  EXPECT_EQ(m.nWait, WAIT_NONE);
  EXPECT_EQ(m.nAction, ACTION_NONE);
  EXPECT_EQ(m.nSubAction, SUB_ACTION_NONE);
  EXPECT_EQ(m.nNewRole, ROLE_MANAGER);

  CMember src = Other(ROLE_ASSISTANT);
  src.bMarkedForRemoving = src.bCreating = src.bModifying = src.bModifyingShare = true;
  CMember dst;
  dst.CopyFrom(src);
  EXPECT_TRUE(SameStoredMember(dst, src));
  EXPECT_TRUE(dst.bMarkedForRemoving && dst.bCreating && dst.bModifying);
  EXPECT_FALSE(dst.bModifyingShare);
}

TEST(Enums, TextsConvertBothWaysWithoutRegardToCase) {
  int n = -1;
  EXPECT_TRUE(Str2Role("Manager", n));
  EXPECT_EQ(n, ROLE_MANAGER);
  EXPECT_TRUE(Str2Wait("CONFIRMATION", n));
  EXPECT_EQ(n, WAIT_CONFIRMATION);
  EXPECT_TRUE(Str2Action("modifying", n));
  EXPECT_EQ(n, ACTION_MODIFYING);
  n = 7;
  EXPECT_FALSE(Str2Role("boss", n));
  EXPECT_EQ(n, 7);
  EXPECT_EQ(Role2Str(ROLE_ASSISTANT), "assistant");
  EXPECT_EQ(Wait2Str(WAIT_REPLAY), "replay");
  EXPECT_EQ(Action2Str(ACTION_ADDING), "adding");
  EXPECT_EQ(Role2Str(3), "Error");
  EXPECT_EQ(Action2Str(-1), "Error");
}
