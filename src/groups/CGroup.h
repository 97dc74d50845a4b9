#pragma once
// CGroup: one group of the current user: a key, a name and its members in
// insertion order, keyed by member key. The membership operations
// (AddMember ... RemoveMember, ApplyDlgChanges) change the group and send
// the group messages that keep the other members' copies alike; each takes
// the group-message object, which may be null (then nothing is sent).
//
// Members and groups are shared objects: an operation that removes a member
// (or the whole group from CGroups) keeps working with it until it returns.
#include <memory>
#include <string>
#include <vector>

#include "groups/CMember.h"
#include "platform/KeyedCollection.h"

class CGroups;
class IGroupMsgSender;

using MemberPtr = std::shared_ptr<CMember>;

class CGroup : public std::enable_shared_from_this<CGroup> {
 public:
  std::string strName;
  std::string strKey;
  platform::KeyedCollection<MemberPtr> m_coll;  // keyed by member strKey
  bool bMarkedForRemoving = false;              // edit copy only

  // My own member exists and its add is still pending.
  bool IsInvisible() const;

  // Inserts the member. A shared real member gets a pending add and an add
  // request (true); an unshared or virtual one is a member at once and is
  // announced by a broadcast (false: nothing pending); my own member is only
  // inserted (false). False as well when the key is already used.
  bool AddMember(const MemberPtr& oMember, IGroupMsgSender* oMsg);
  // Switches the member's sharing: off at once with a broadcast, on as a
  // pending add that needs the member's consent. Refuses my own member and a
  // virtual one (false).
  bool ModifyMemberShare(CMember& oMember, IGroupMsgSender* oMsg);
  // Withdraws the member's pending change (sending an abort). A withdrawn
  // plain add removes the member; withdrawing my own add removes the group
  // from oGroups (when given). False when the member is not in this group or
  // has nothing pending.
  bool AbortMember(const MemberPtr& oMember, CGroups* oGroups, IGroupMsgSender* oMsg);
  // Renames the member and announces it when the name differs. False when
  // the member is not in this group.
  bool ModifyMemberName(CMember& oMember, const std::string& strNewName, IGroupMsgSender* oMsg);
  // Toggles the member between assistant and member (anything but assistant
  // becomes assistant), drops its pending change and announces it. False
  // when the member is not in this group.
  bool ModifyMemberRole(CMember& oMember, IGroupMsgSender* oMsg);
  // Removes the member (a pending add is aborted instead). Removing my own
  // member or the manager dissolves the group for me: the other pending
  // changes are aborted, the group leaves oGroups (when given) and is emptied
  // (no members, empty name and key). With bSendBroadcastRemove the removal
  // is broadcast first, to the members not in reachedKeys. False when the
  // member is not in this group.
  bool RemoveMember(const MemberPtr& oMember, CGroups* oGroups, IGroupMsgSender* oMsg, bool bSendBroadcastRemove,
                    const std::vector<std::string>& reachedKeys = {});
  // Applies a dialog's edit copy of this group: removals, renames, role
  // changes, sharing changes and additions, in this order. oGroups receives
  // the dissolution when my own member was removed. Always true.
  bool ApplyDlgChanges(const CGroup& oDlgGroup, IGroupMsgSender* oMsg, CGroups* oGroups);
  // First member with that action key, or nullptr.
  MemberPtr FindByAction(const std::string& strActionKey) const;

  // Writes "Name" and "Keys" of the group's section and every member's
  // section. Throws platform::Error when the store refuses (the caller logs).
  void Save(platform::SettingsStore& store, const std::string& sRoot) const;
  // Loads the group with that key. The first member that fails to load or to
  // insert ends the load with false (the members before it stay).
  bool Load(const platform::SettingsStore& store, const std::string& sRoot, const std::string& strKey);

  // First member with role manager / with IsMySelf, or nullptr.
  MemberPtr GetManager() const;
  MemberPtr GetMySelf() const;
  // Copies name and key and deep-copies every member.
  void CopyFrom(const CGroup& oGroup);
  // First member with exactly that address (callers pass lower case), or nullptr.
  MemberPtr FindByEmail(const std::string& strEmail) const;
  // The member with that key, or nullptr.
  MemberPtr Find(const std::string& strKey) const;
  // Inserts under the member's key and sets its strGroupKey; false on a
  // duplicate key.
  bool Add(const MemberPtr& oMember);
  // Creates and inserts a member with a new key unless a member has that
  // address (trimmed and lower-cased) already. Returns the new member, or
  // nullptr.
  MemberPtr Add2(const std::string& strName, const std::string& strEmail, int nRole, bool bShare);
  // 1-based index or key; nullptr when out of range / missing.
  MemberPtr Item(int index) const;
  MemberPtr Item(const std::string& key) const;
  int Count() const { return static_cast<int>(m_coll.Count()); }
  // Removes the member with that key; false when missing.
  bool Remove(const std::string& key);
  // NewEnum: the members in order.
  auto begin() const { return m_coll.begin(); }
  auto end() const { return m_coll.end(); }
  // A snapshot of the members, safe to walk while members are removed.
  std::vector<MemberPtr> Members() const;

 private:
  // The group's own object for a member passed in: the member must carry
  // this group's key and be held by it; nullptr otherwise.
  MemberPtr Own(const CMember& oMember) const;
  static std::string NewKey();
};

using GroupPtr = std::shared_ptr<CGroup>;

// Same name, key and members (in order, by SameStoredMember).
bool SameStoredGroup(const CGroup& a, const CGroup& b);
