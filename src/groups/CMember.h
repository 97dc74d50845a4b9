#pragma once
// CMember: one member of a group, as the current user's copy of the group
// knows him: his address, role, sharing, and the state of a pending
// membership change. It also holds the rights rules (CanAdd, CanRemove,
// CanModify...) that are called on the current user's own member ("me") with
// another member of the same group as argument.
#include <string>

#include "groups/mGroupEnums.h"

namespace platform {
class SettingsStore;
}

class CMember {
 public:
  std::string strGroupKey;    // key of the group that holds the member; set by CGroup::Add
  std::string strName;        // display name
  std::string strEmail;       // lower case; virtual member: owner + "/" + suffix
  std::string strEmailOwner;  // lower case owner address of a virtual member; empty for a real one
  bool bShare = false;        // shares his calendar with the group
  std::string strKey;         // member key, unique in the group
  int nRole = ROLE_MEMBER;
  bool IsMySelf = false;     // this member is the current user
  std::string strActionKey;  // key of the pending membership change; empty when none
  int nNewRole = ROLE_MEMBER;
  int nWait = WAIT_NONE;
  int nAction = ACTION_NONE;
  int nSubAction = SUB_ACTION_NONE;
  // Edit-copy flags, set by the dialogs and never stored.
  bool bMarkedForRemoving = false;
  bool bCreating = false;
  bool bModifying = false;
  bool bModifyingShare = false;

  bool IsVirtual() const { return !strEmailOwner.empty(); }
  bool IsManager() const { return nRole == ROLE_MANAGER; }
  // The membership is not yet confirmed (a pending add).
  bool IsInvisible() const { return nAction == ACTION_ADDING; }
  bool WasAdded() const { return nAction != ACTION_ADDING; }

  // Rights, called on my own member. See each definition for the rule.
  bool CanAdd(const std::string& strEmail) const;
  bool CanRemove(const CMember& other) const;
  bool CanModify(const CMember& other) const;
  bool CanModifyName(const CMember& other) const;
  // Throws platform::Error (type mismatch, after the log line "Me is not
  // shared") when I am not shared; callers' handlers absorb it.
  bool CanModifyShare(const CMember& other) const;

  // Empties strActionKey and sets nWait, nAction, nSubAction to 0 (nNewRole stays).
  void ClearAction();
  // Copies every field except bModifyingShare.
  void CopyFrom(const CMember& other);

  // Writes the member's section "<sRoot>\<group key>\<member key>" of the
  // settings store (sRoot is the store key + "\Groups"). Throws
  // platform::Error when the store refuses a write (the caller logs).
  void Save(platform::SettingsStore& store, const std::string& sRoot) const;
  // Reads the member's section; false when a role, wait or action text is
  // not recognised (the fields read so far stay set).
  bool Load(const platform::SettingsStore& store, const std::string& sRoot, const std::string& sGroupKey,
            const std::string& strKey);

 private:
  bool IsMe(const CMember& other) const { return other.strKey == strKey; }
};

// Field-by-field equality of everything that is stored (the four edit-copy
// flags and strGroupKey are not compared).
bool SameStoredMember(const CMember& a, const CMember& b);

// The settings application name of the add-in.
inline constexpr const char* kSettingsApp = "Zentabo";
