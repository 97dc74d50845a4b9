#pragma once
// mGroups: the groups module's free operations: the check of a new group's
// name, the command that adds members to one group, and the start-up check
// of the stored groups.
#include <functional>
#include <string>

#include "groups/CGroups.h"

// The pseudo-group names: no particular group, and an item shared with none.
inline constexpr const char* kAllGroups = "(All Groups)";
inline constexpr const char* kNullGroup = "(Null Group)";

// Whether `strName` may name a new group of `groups` (a live model or a
// dialog's copy). An empty name is refused silently; a pseudo-group name, a
// name with ";" or a name some group has already is refused with a warning
// ("LID_INVALID_GROUP_NAME", "..._NAME2", "..._NAME3" when that group is
// marked for removal, "..._NAME4" otherwise; title
// "LID_INVALID_GROUP_NAME_TITLE").
bool IsValidGroupName(const CGroups& groups, const std::string& strName);

// The dialogs AddNewMember opens; an empty function counts as cancelled.
struct AddNewMemberUi {
  // The add-members wizard without a preselected group.
  std::function<void()> RunAddMembersWizard;
  // The add-member dialog on `group`, a group of the copy `copy`; true when
  // the user confirmed (the copy then holds the new members, bCreating set).
  std::function<bool(CGroups& copy, CGroup& group)> RunAddMemberDialog;
  // The host's custom event ("Groups").
  std::function<void(const std::string& strEvent)> RaiseCustomEvent;
};

// The command that adds members to one group (trimmed name; empty or
// "(All Groups)" runs the wizard). When my own member of the group is an
// assistant or manager with complete membership, the dialog runs on a copy
// of all groups and a confirmed copy is applied with a new group-message
// object, saved, and announced as the event "Groups"; otherwise the notice
// "LID_CANT_ADD_MEMBER" (title "Zentabo") is shown. True when changes were
// applied.
bool AddNewMember(CGroups& groups, const std::string& strGroupName, const AddNewMemberUi& ui);

// Outcome of the start-up check of the stored groups.
enum class GroupsStartup {
  Valid,    // loaded and valid
  Cleared,  // not valid; the user chose Yes and all groups were cleared
  Refused,  // not valid; the user chose No: start-up must fail
};

// Start-up: loads the groups from the store and validates them (Valid shows
// its own message). When they are not valid, asks "LID_GROUPS_NOT_VALID"
// (title "LID_GROUPS_NOT_VALID_TITLE", Yes/No, No the default): Yes clears
// the groups (and the store), No leaves everything as it is and reports
// Refused, on which the connection class fails its start-up.
GroupsStartup LoadAndValidateGroups(CGroups& groups);
