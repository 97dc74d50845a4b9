#pragma once
// GroupOps: the group and member changes the host's commands offer, each
// done the way the groups dialogs do it — a copy of the live groups is
// changed with the flags the dialogs set, checked against the user's rights,
// and handed to ApplyDlgChanges, which sends the group messages; then the
// groups are saved and the page is told. A refusal throws platform::Error
// with the reason and changes nothing.
#include <string>

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

}  // namespace host
