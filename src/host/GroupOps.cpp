#include "host/GroupOps.h"

#include "addin/Connect.h"
#include "groups/CGroups.h"
#include "groups/CGroupsEnv.h"
#include "groups/mGroups.h"
#include "platform/Error.h"
#include "platform/Text.h"

namespace host {

namespace {

void Refuse(const std::string& why) { throw platform::Error(why); }

// The dialogs' copy of the groups and its application to the live model.
struct Edit {
  Connect& c;
  CGroups copy;
  explicit Edit(Connect& conn) : c(conn), copy(Env(conn)) { copy.CopyFrom(*conn.Groups()); }
  static CGroupsEnv& Env(Connect& conn) {
    if (!conn.Groups() || !conn.GroupsEnv()) Refuse("the add-in is not running");
    return *conn.GroupsEnv();
  }
  GroupPtr Group(const std::string& name) {
    GroupPtr g = copy.FindByName(name);
    if (!g) Refuse("no group named \"" + name + "\"");
    return g;
  }
  MemberPtr Me(const GroupPtr& g) {
    MemberPtr me = g->GetMySelf();
    if (!me) Refuse("you are not a member of \"" + g->strName + "\"");
    return me;
  }
  MemberPtr Member(const GroupPtr& g, const std::string& address) {
    MemberPtr m = g->FindByEmail(platform::Lower(address));
    if (!m) Refuse(address + " is not a member of \"" + g->strName + "\"");
    return m;
  }
  void Apply() {
    CGroupsEnv& env = *c.GroupsEnv();
    auto msg = env.NewGroupMsg ? env.NewGroupMsg() : nullptr;
    c.Groups()->ApplyDlgChanges(copy, msg.get());
    c.Groups()->Save();
    c.RaiseCustomEvent("Groups");
  }
};

}  // namespace

void CreateGroup(Connect& c, const std::string& name) {
  Edit e(c);
  if (!IsValidGroupName(*c.Groups(), name))
    Refuse("\"" + name + "\" is not a valid group name (empty, too long, or used already)");
  e.copy.Add(e.copy.CreateMyGroup(name));
  e.Apply();
}

void DeleteGroup(Connect& c, const std::string& name) {
  Edit e(c);
  e.Group(name)->bMarkedForRemoving = true;
  e.Apply();
}

void AddMember(Connect& c, const std::string& group, const std::string& address, const std::string& name, Role role,
               bool share) {
  Edit e(c);
  GroupPtr g = e.Group(group);
  MemberPtr me = e.Me(g);
  std::string email = platform::Lower(address);
  if (!Connect::isEmailAddress(email)) Refuse("\"" + address + "\" is not an e-mail address");
  if (g->FindByEmail(email)) Refuse(email + " is already a member of \"" + group + "\"");
  if (!me->CanAdd(email)) Refuse("you may not add members to \"" + group + "\"");
  MemberPtr m = g->Add2(name.empty() ? email : name, email, role == Role::Assistant ? ROLE_ASSISTANT : ROLE_MEMBER,
                        share);
  if (!m) Refuse("cannot add " + email + " to \"" + group + "\"");
  m->bCreating = true;
  e.Apply();
}

void RemoveMember(Connect& c, const std::string& group, const std::string& address) {
  Edit e(c);
  GroupPtr g = e.Group(group);
  MemberPtr me = e.Me(g);
  MemberPtr m = e.Member(g, address);
  if (!me->CanRemove(*m)) Refuse("you may not remove " + m->strEmail + " from \"" + group + "\"");
  m->bMarkedForRemoving = true;
  e.Apply();
}

bool SetRole(Connect& c, const std::string& group, const std::string& address, Role role) {
  Edit e(c);
  GroupPtr g = e.Group(group);
  MemberPtr me = e.Me(g);
  MemberPtr m = e.Member(g, address);
  int nRole = role == Role::Assistant ? ROLE_ASSISTANT : ROLE_MEMBER;
  if (m->nRole == nRole) return false;
  if (!me->CanModify(*m)) Refuse("you may not change the role of " + m->strEmail + " in \"" + group + "\"");
  m->nRole = nRole;
  m->bModifying = true;
  e.Apply();
  return true;
}

bool SetShare(Connect& c, const std::string& group, const std::string& address, bool on) {
  Edit e(c);
  GroupPtr g = e.Group(group);
  MemberPtr me = e.Me(g);
  MemberPtr m = e.Member(g, address);
  if (m->bShare == on) return false;
  bool allowed = false;
  try {
    allowed = me->CanModifyShare(*m);
  } catch (const platform::Error&) {
    allowed = false;  // the rule refuses a user who does not share himself
  }
  if (!allowed) Refuse("you may not switch the sharing of " + m->strEmail + " in \"" + group + "\"");
  m->bShare = on;
  m->bModifyingShare = true;
  e.Apply();
  return true;
}

void RenameMember(Connect& c, const std::string& group, const std::string& address, const std::string& name) {
  Edit e(c);
  GroupPtr g = e.Group(group);
  MemberPtr me = e.Me(g);
  MemberPtr m = e.Member(g, address);
  if (!me->CanModifyName(*m)) Refuse("you may not rename " + m->strEmail + " in \"" + group + "\"");
  m->strName = name;
  m->bModifying = true;
  e.Apply();
}

}  // namespace host
