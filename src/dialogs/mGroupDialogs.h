#pragma once
// mGroupDialogs: the groups dialogs as the add-in's operations open them
// (the page's Groups, NewMember and ManageMemberGroups, the menu, the
// host's commands): each runs on a copy of the live groups and, when
// confirmed, the copy goes through the groups' one edit sequence
// (ApplyGroupEdit: ApplyDlgChanges, Save, the event "Groups").
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/frmAddressBook.h"
#include "groups/mGroups.h"
#include "platform/Prompt.h"

class CGroups;
class CLang;
class frmGroups;
class frmMemberGroups;

namespace mGroupDialogs {

// The group names a ";"-separated text names, matched against `names`
// ignoring case and blanks: `wanted` gets one flag per name. Returns the
// first name of the text that `names` lacks, or "" when all were found.
std::string MarkNamedGroups(const std::string& text, const std::vector<std::string>& names,
                            std::vector<bool>& wanted);

// The groups dialog (frmGroups, and frmMembers from it) through the prompt.
// True when its changes were applied.
bool ShowGroups(CGroups& groups, CLang* lang, platform::Prompt& prompt,
                const std::vector<frmAddressBook::Entry>& people, const RaiseEvent& raiseEvent);

// The groups of one person (frmMemberGroups), run by `drive` on the loaded
// dialog (empty: the person at the prompt); drive returns whether OK
// changed the copy. True when the changes were applied.
bool ManageMemberGroups(CGroups& groups, CLang* lang, platform::Prompt& prompt, const std::string& sEmail,
                        const std::string& sShowAs, const RaiseEvent& raiseEvent,
                        const std::function<bool(frmMemberGroups&)>& drive = {});

// The values of one member entry that member editing changes; a value
// left out stays as it is.
struct MemberValues {
  std::optional<std::string> name;
  std::optional<bool> share;
};

// Member editing of the entry of `sEmail` in the group `sGroup`, or in
// every group holding it for "(All Groups)" or "": on a copy, through the
// members dialog's member editing (frmMembers) in each group, so that its
// rights apply. With `values` they are set; without, the member-editing
// form asks once, in the first group, and its answer is given in the
// others. A refusal throws platform::Error with the reason and changes
// nothing. True when changes were applied.
bool EditMember(CGroups& groups, CLang* lang, platform::Prompt& prompt, const std::string& sEmail,
                const std::string& sGroup, const MemberValues* values, const RaiseEvent& raiseEvent);

// The dialogs AddNewMember opens: the add-new-members wizard (frmAddMembers)
// on its own copy, and the add-member dialog of one group - the members
// dialog's address book (frmMembers::btnAdd_Click).
AddNewMemberUi AddNewMemberDialogs(CGroups& groups, CLang* lang, platform::Prompt& prompt,
                                   std::vector<frmAddressBook::Entry> people, RaiseEvent raiseEvent);

}  // namespace mGroupDialogs
