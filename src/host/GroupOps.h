#pragma once
// GroupOps: the group and member changes the host's commands offer, each
// made by the groups dialogs' own operations (frmGroups, frmMembers,
// frmMemberGroups) on a copy of the live groups, which checks the user's
// rights and sets the edit flags; the copy is handed to ApplyDlgChanges,
// which sends the group messages; then the groups are saved and the page
// is told. A refusal throws platform::Error with the reason and changes
// nothing.
#include <string>
#include <vector>

#include "dialogs/frmAddressBook.h"
#include "platform/Prompt.h"

class Connect;

namespace host {

enum class Role { Member, Assistant };

void CreateGroup(Connect& c, const std::string& name);
// Leaves the group (its manager dissolves it).
void DeleteGroup(Connect& c, const std::string& name);
void AddMember(Connect& c, const std::string& group, const std::string& address, const std::string& name, Role role,
               bool share);
void RemoveMember(Connect& c, const std::string& group, const std::string& address);
// False when the member has that role already (nothing sent).
bool SetRole(Connect& c, const std::string& group, const std::string& address, Role role);
// False when the sharing is that way already (nothing sent).
bool SetShare(Connect& c, const std::string& group, const std::string& address, bool on);
void RenameMember(Connect& c, const std::string& group, const std::string& address, const std::string& name);
// The groups dialog through the prompt (people: the address book's). True
// when its changes were applied.
bool EditGroups(Connect& c, platform::Prompt& prompt, const std::vector<frmAddressBook::Entry>& people);
// The groups of one person: `names` (";"-separated) checked exactly, or,
// without names, the dialog through the prompt. `checked` gets the groups
// he is in afterwards. True when changes were applied.
bool MemberGroups(Connect& c, const std::string& address, const std::string* names, platform::Prompt& prompt,
                  std::string* checked);
// The add-new-members command (AddNewMember): the wizard for an empty group
// or "(All Groups)", else the group's add-member dialog. False when nothing
// was added (the wizard applies its own changes and reports false too).
bool NewMember(Connect& c, const std::string& group, platform::Prompt& prompt,
               const std::vector<frmAddressBook::Entry>& people);

}  // namespace host
