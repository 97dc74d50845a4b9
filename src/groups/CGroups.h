#pragma once
// CGroups: all groups of the current user, in insertion order keyed by group
// key, and the display-name table (lower-case address -> "name;address"),
// whose names prefix the subjects of other members' items in the shared
// folder. One instance is the live model, loaded at start-up and saved after
// every change; dialogs edit a copy (CopyFrom) that ApplyDlgChanges compares
// with the live model, applying the differences and sending the group
// messages. The store form is the settings store, the backup form an XML file.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "groups/CGroup.h"
#include "groups/CGroupsEnv.h"
#include "platform/KeyedCollection.h"

class CGroups {
 public:
  // The most groups one user holds; group messages that would create more
  // are declined (logged), so a hostile mail cannot grow the store without
  // bound.
  static constexpr int kMaxGroups = 1000;

  // env must outlive the groups; copies and restored collections share it.
  explicit CGroups(CGroupsEnv& env);

  CGroupsEnv& Env() const { return *m_env; }

  // True if some group has a member with that address (lower-cased) whose
  // membership is complete, or, with bOnlyAdded false, any member with it.
  bool MemberExists(const std::string& strEmail, bool bOnlyAdded) const;
  // Rewrites the owner prefix "[old] " to "[new] " in the subjects of the
  // owner's appointments in the calendar and the shared folder, with the
  // folder event handlers stopped. Failures are logged.
  void UpdateOwnerSubjects(const std::string& strEmail, const std::string& strOldName,
                           const std::string& strNewName);
  // The display name of an address ("" when it has none).
  std::string GetShowAs(const std::string& strEmail);
  // Gives the address a new display name; with bUpdateItems the subjects of
  // its items follow (UpdateOwnerSubjects).
  void SetShowAs(const std::string& strEmail, const std::string& sShowAs, bool bUpdateItems);
  // Refreshes the display-name table (entries of addresses no group knows
  // go, members and the current user without one get one) and returns it.
  const platform::KeyedCollection<std::string>& GetEmailsShowAs();
  // Number of groups in which the address is a shared member.
  int GetMemberShareGroupsCount(const std::string& strEmail) const;
  // Changes the current user's address (trimmed, lower-cased) everywhere,
  // announces it, stores the new current address and saves. Shows
  // "LID_NEW_EMAIL_EXISTS" and returns false when a member already has the
  // address; false with nothing changed for a text that is not one address;
  // false with the current address kept when ChangeEmailAddress fails.
  bool ChangeMyEmailAddress(const std::string& strNewEmail);
  // Moves every member with strOld (and the virtual members it owns) to
  // strNew, broadcasts the change (to addresses not in reachedEmails), moves
  // the display name, saves, and rewrites the owner address of the items
  // with the folder event handlers stopped (started again whatever
  // happens). False when an address is empty or a step fails (logged).
  bool ChangeEmailAddress(const std::string& strOld, const std::string& strNew, IGroupMsgSender* oMsg,
                          const std::vector<std::string>& reachedEmails = {});
  // The lower-cased address, then the addresses of the virtual members it
  // owns (each once).
  std::vector<std::string> GetVirtualMembers(const std::string& strEmail) const;
  // The group names joined by ";".
  std::string GetGroupsNames() const;
  // Writes the backup document (the caller deletes an existing file). False
  // (logged) on failure.
  bool SaveToXml(const std::string& sFilename);
  // Reads a backup document into this collection, which should be fresh.
  // False (and an empty collection) when the file is no readable group
  // document.
  bool LoadFromXml(const std::string& sFilename);
  // Same as GetShowAs.
  std::string GetShowAsFromAddress(const std::string& strEmail);
  // First member with exactly that address over all groups, or nullptr.
  MemberPtr FindByEmail(const std::string& strEmail) const;
  // The addresses that receive my appointments, joined by ";": shared real
  // members with complete membership other than me, each once.
  std::string GetAppointsRecivers() const;
  // Applies a dialog's copy of all groups to this (live) model and sends the
  // resulting group messages. Always true.
  bool ApplyDlgChanges(const CGroups& oNewGroups, IGroupMsgSender* oMsg);
  GroupPtr Find(const std::string& strKey) const;
  MemberPtr FindByAction(const std::string& strActionKey) const;
  // First group with exactly that name.
  GroupPtr FindByName(const std::string& strName) const;
  // Rewrites the whole stored tree. False (logged, source "CGroups.Save")
  // when the store fails.
  bool Save();
  // Replaces this collection by the stored groups. A group that fails to
  // load is kept with the members loaded before the failure; false only when
  // the store cannot be read at all.
  bool Load();
  // Every group's own member has exactly the current address; otherwise
  // shows "LID_USER_EMAIL_OTHER_IN_GROUPS" and returns false.
  bool Valid() const;
  // Empties the groups and the display-name table and saves.
  void Clear();
  // A new group (not inserted) whose only member is me, as its manager.
  GroupPtr CreateMyGroup(const std::string& strName) const;
  // Deep copy of all groups and of the display-name table.
  void CopyFrom(const CGroups& oGroups);
  // Inserts under the group key; false on a duplicate key.
  bool Add(const GroupPtr& oGroup);
  GroupPtr Item(int index) const;
  GroupPtr Item(const std::string& key) const { return Find(key); }
  int Count() const { return static_cast<int>(m_coll.Count()); }
  // Removes the group with that key; false when missing.
  bool Remove(const std::string& key);
  auto begin() const { return m_coll.begin(); }
  auto end() const { return m_coll.end(); }
  // A snapshot of the groups, safe to walk while groups are removed.
  std::vector<GroupPtr> Groups() const;

  // The display-name table as it is, without refreshing.
  const platform::KeyedCollection<std::string>& ShowAsTable() const { return m_collShowAs; }

 private:
  // Reads "name;address;name;address..." into the table (existing addresses
  // keep their entry); bLog writes each pair to the debug log.
  void AddShowAsPairs(const std::string& sShowAs, bool bLog);
  std::string JoinedShowAs();
  std::string LookupShowAs(const std::string& strEmail) const;
  void ClearModel();

  CGroupsEnv* m_env;
  platform::KeyedCollection<GroupPtr> m_coll;
  platform::KeyedCollection<std::string> m_collShowAs;
};

// Same groups in the same order (SameStoredGroup) and the same display-name
// table; for round-trip checks.
bool SameStoredGroups(const CGroups& a, const CGroups& b);
