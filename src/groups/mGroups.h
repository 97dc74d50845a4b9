#pragma once
// mGroups: the groups module's free operations: the check of a new group's
// name, the command that adds members to one group, and the start-up check
// of the stored groups.
#include <functional>
#include <string>
#include <vector>

#include "groups/CGroups.h"

class IGroupMsgSender;

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

// The host's custom event ("Groups" after a change of the groups).
using RaiseEvent = std::function<void(const std::string& strEvent)>;

// A change of the groups made the way the dialogs make it: `edit` changes
// `copy` (a deep copy of the live groups), setting the dialogs' flags
// (bCreating, bMarkedForRemoving, bModifying...) after checking the user's
// rights; it returns false to cancel. An exception from `edit` is a refusal
// and passes to the caller with nothing changed.
using GroupEdit = std::function<bool(CGroups& copy)>;

// The one edit sequence of every change the user makes to the groups (the
// page's operations, the dialogs, the host's commands): copy, edit (flags,
// rights), ApplyDlgChanges with a new group-message object, Save, and the
// event "Groups". True when the copy was applied.
bool ApplyGroupEdit(CGroups& groups, const GroupEdit& edit, const RaiseEvent& raiseEvent);

// Whether the current user may give an item of `strMemberEmail` (the
// current user when empty) the groups `strItemGroups` (";"-joined names;
// "(All Groups)" when empty): his own items in any group he fully belongs
// to or none, another member's items only in groups where that member is
// added and the current user is an assistant or the manager.
bool CheckRights(const CGroups& groups, const std::string& strMemberEmail, const std::string& strItemGroups);

// Whether the current user may remove the member `sEmail` from the group
// named `sGroup` (every group for "(All Groups)"): false when he is in none
// of them or any of them refuses (CanRemove).
bool CanDeleteMember(const CGroups& groups, const std::string& sEmail, const std::string& sGroup);

// The page's rows of the groups, "group;show-as;name;address;share;added":
// first "(All Groups)" with the current user (named `strCurName`), then
// every visible member of every group in order.
std::vector<std::string> GroupRows(CGroups& groups, const std::string& strCurName);

// The dialogs AddNewMember opens; an empty function counts as cancelled.
struct AddNewMemberUi {
  // The add-members wizard without a preselected group.
  std::function<void()> RunAddMembersWizard;
  // The add-member dialog on `group`, a group of the copy `copy`; true when
  // the user confirmed (the copy then holds the new members, bCreating set).
  std::function<bool(CGroups& copy, CGroup& group)> RunAddMemberDialog;
  RaiseEvent RaiseCustomEvent;
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
