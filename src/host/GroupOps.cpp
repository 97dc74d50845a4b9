#include "host/GroupOps.h"

#include "addin/Connect.h"
#include "groups/CGroups.h"
#include "groups/CGroupsEnv.h"
#include "groups/mGroups.h"
#include "groups/mAddress.h"
#include "groups/mInput.h"
#include "platform/Error.h"
#include "platform/Text.h"

namespace host {

namespace {

[[noreturn]] void Refuse(const std::string& why) { throw platform::Error(why); }

// Runs `edit` on a copy of the live groups through the groups' edit
// sequence; `edit` returns false when there is nothing to change, and a
// refusal thrown by it leaves everything as it was. True when applied.
bool Edit(Connect& c, const GroupEdit& edit) {
  if (!c.Groups() || !c.GroupsEnv()) Refuse("the add-in is not running");
  return ApplyGroupEdit(*c.Groups(), edit, [&c](const std::string& e) { c.RaiseCustomEvent(e); });
}

GroupPtr Group(CGroups& copy, const std::string& name) {
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
  MemberPtr m = g->FindByEmail(mAddress::NormaliseAddress(address));
  if (!m) Refuse(address + " is not a member of \"" + g->strName + "\"");
  return m;
}

// The group, my own member in it and the member with `address`.
struct Target {
  GroupPtr group;
  MemberPtr me;
  MemberPtr member;
};

Target Find(CGroups& copy, const std::string& group, const std::string& address) {
  Target t;
  t.group = Group(copy, group);
  t.me = Me(t.group);
  t.member = Member(t.group, address);
  return t;
}

}  // namespace

void CreateGroup(Connect& c, const std::string& name) {
  Edit(c, [&](CGroups& copy) {
    if (!IsValidGroupName(*c.Groups(), name))
      Refuse("\"" + name + "\" is not a valid group name (empty, too long, or used already)");
    return copy.Add(copy.CreateMyGroup(name));
  });
}

void DeleteGroup(Connect& c, const std::string& name) {
  Edit(c, [&](CGroups& copy) { return Group(copy, name)->bMarkedForRemoving = true; });
}

void AddMember(Connect& c, const std::string& group, const std::string& address, const std::string& name, Role role,
               bool share) {
  const std::string email = mAddress::NormaliseAddress(address);
  if (!mAddress::IsAddress(email)) Refuse("\"" + address + "\" is not one e-mail address");
  Edit(c, [&](CGroups& copy) {
    GroupPtr g = Group(copy, group);
    MemberPtr me = Me(g);
    if (g->FindByEmail(email)) Refuse(email + " is already a member of \"" + group + "\"");
    if (!me->CanAdd(email)) Refuse("you may not add members to \"" + group + "\"");
    const std::string shown = mInput::CleanName(name);
    MemberPtr m = g->Add2(shown.empty() ? email : shown, address,
                          role == Role::Assistant ? ROLE_ASSISTANT : ROLE_MEMBER, share);
    if (!m) Refuse("cannot add " + email + " to \"" + group + "\"");
    m->bCreating = true;
    return true;
  });
}

void RemoveMember(Connect& c, const std::string& group, const std::string& address) {
  Edit(c, [&](CGroups& copy) {
    Target t = Find(copy, group, address);
    if (!t.me->CanRemove(*t.member)) Refuse("you may not remove " + t.member->strEmail + " from \"" + group + "\"");
    t.member->bMarkedForRemoving = true;
    return true;
  });
}

bool SetRole(Connect& c, const std::string& group, const std::string& address, Role role) {
  const int nRole = role == Role::Assistant ? ROLE_ASSISTANT : ROLE_MEMBER;
  return Edit(c, [&](CGroups& copy) {
    Target t = Find(copy, group, address);
    if (t.member->nRole == nRole) return false;
    if (!t.me->CanModify(*t.member))
      Refuse("you may not change the role of " + t.member->strEmail + " in \"" + group + "\"");
    t.member->nRole = nRole;
    t.member->bModifying = true;
    return true;
  });
}

bool SetShare(Connect& c, const std::string& group, const std::string& address, bool on) {
  return Edit(c, [&](CGroups& copy) {
    Target t = Find(copy, group, address);
    if (t.member->bShare == on) return false;
    bool allowed = false;
    try {
      allowed = t.me->CanModifyShare(*t.member);
    } catch (const platform::Error&) {
      allowed = false;  // the rule refuses a user who does not share himself
    }
    if (!allowed) Refuse("you may not switch the sharing of " + t.member->strEmail + " in \"" + group + "\"");
    t.member->bShare = on;
    t.member->bModifyingShare = true;
    return true;
  });
}

void RenameMember(Connect& c, const std::string& group, const std::string& address, const std::string& name) {
  Edit(c, [&](CGroups& copy) {
    Target t = Find(copy, group, address);
    if (!t.me->CanModifyName(*t.member)) Refuse("you may not rename " + t.member->strEmail + " in \"" + group + "\"");
    t.member->strName = mInput::CleanName(name);
    t.member->bModifying = true;
    return true;
  });
}

}  // namespace host
