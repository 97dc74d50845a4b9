#pragma once
// The host program's commands, one function each, returning the exit code.
// Each opens the home, loads the add-in as the client does, performs its
// operation the way the add-in's dialogs and menus do, and shuts down.
#include <string>

namespace host {

struct AttachedHost;

struct GlobalOptions {
  std::string home;
  std::string answer;  // yes, no, default, ask
  bool noSafeItems = false;
  // Set when the command was sent to the host running on the home: the
  // command then works on that host's running add-in instead of opening
  // the home itself.
  AttachedHost* host = nullptr;
};

struct MemberArgs {
  std::string group;
  std::string address;
  std::string name;
  std::string role = "member";
  std::string share;
  bool noShare = false;
  bool nameGiven = false;  // member edit: --name was given
};

int Status(const GlobalOptions& g);
int Options(const GlobalOptions& g, const std::string& name, const std::string& value, bool setValue);
int PrintLog(const GlobalOptions& g, bool errorsOnly);
int Sync(const GlobalOptions& g);
// The client's send/receive, a moment after the add-in started (as a
// scheduled one comes): the add-in sends its pending changes at its start.
int SendReceive(const GlobalOptions& g);
// A local synchronisation pass (fast: over the items modified since `since`,
// "YYYY-MM-DD HH:MM", or since the add-in's start).
int LocalSync(const GlobalOptions& g, bool fast, const std::string& since);
int GroupList(const GlobalOptions& g);
int GroupCreate(const GlobalOptions& g, const std::string& name);
int GroupDelete(const GlobalOptions& g, const std::string& name);
int MemberList(const GlobalOptions& g, const std::string& group);
int MemberAdd(const GlobalOptions& g, const MemberArgs& a);
int MemberRemove(const GlobalOptions& g, const MemberArgs& a);
int MemberRole(const GlobalOptions& g, const MemberArgs& a);
int MemberShare(const GlobalOptions& g, const MemberArgs& a);
int MemberRename(const GlobalOptions& g, const MemberArgs& a);
// Member editing of the user's own entry (in `a.group`, or every group
// when empty): --name and --sharing given, or the member-editing form.
int MemberEdit(const GlobalOptions& g, const MemberArgs& a);
// The groups dialog: create and leave groups, add and remove members,
// roles, through the prompt; its changes applied on OK.
int GroupsDialog(const GlobalOptions& g);
// The groups of one person: checked exactly as `names` says, or the
// dialog when names is null; prints the groups he is in afterwards.
int MemberGroups(const GlobalOptions& g, const std::string& address, const std::string* names);
// Adds new members: the wizard (no group or "(All Groups)") or the
// group's add-member dialog.
int MemberNew(const GlobalOptions& g, const std::string& group);
int Backup(const GlobalOptions& g, const std::string& file);
int Restore(const GlobalOptions& g, const std::string& file);

}  // namespace host
