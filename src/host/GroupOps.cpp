#include "host/GroupOps.h"

#include "addin/Connect.h"
#include "dialogs/frmGroups.h"
#include "dialogs/frmMemberGroups.h"
#include "dialogs/frmMembers.h"
#include "dialogs/mGroupDialogs.h"
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

// The members dialog on a group of the copy, with the member of `address`
// selected (refused when he is not in it).
struct MembersDialog {
  GroupPtr group;
  frmMembers form;
  MembersDialog(Connect& c, CGroups& copy, const std::string& name)
      : group(Group(copy, name)), form(copy, *group, c.Lang()) {
    form.Form_Load();
    if (!group->GetMySelf()) Refuse("you are not a member of \"" + group->strName + "\"");
  }
  void Select(const std::string& address) {
    form.Select(form.IndexOf(address));
    if (form.ListIndex() < 0) Refuse(address + " is not a member of \"" + group->strName + "\"");
  }
  // The result of an operation: a refusal throws, false is "nothing to change".
  bool Done(bool changed) {
    if (!changed && !form.Refusal().empty()) Refuse(form.Refusal());
    return changed;
  }
};

}  // namespace

void CreateGroup(Connect& c, const std::string& name) {
  Edit(c, [&](CGroups& copy) {
    frmGroups form(copy, c.Lang());
    form.Form_Load();
    if (!form.AddGroup(name)) Refuse(form.Refusal());
    return true;
  });
}

void DeleteGroup(Connect& c, const std::string& name) {
  Edit(c, [&](CGroups& copy) {
    frmGroups form(copy, c.Lang());
    form.Form_Load();
    form.Select(form.IndexOf(Group(copy, name)->strName));
    return form.RemoveSelected();
  });
}

void AddMember(Connect& c, const std::string& group, const std::string& address, const std::string& name, Role role,
               bool share) {
  const std::string email = mAddress::NormaliseAddress(address);
  if (!mAddress::IsAddress(email)) Refuse("\"" + address + "\" is not one e-mail address");
  Edit(c, [&](CGroups& copy) {
    MembersDialog d(c, copy, group);
    return d.Done(d.form.AddMember(name, address, role == Role::Assistant ? ROLE_ASSISTANT : ROLE_MEMBER, share));
  });
}

void RemoveMember(Connect& c, const std::string& group, const std::string& address) {
  Edit(c, [&](CGroups& copy) {
    MembersDialog d(c, copy, group);
    d.Select(address);
    return d.Done(d.form.RemoveSelected());
  });
}

bool SetRole(Connect& c, const std::string& group, const std::string& address, Role role) {
  return Edit(c, [&](CGroups& copy) {
    MembersDialog d(c, copy, group);
    d.Select(address);
    return d.Done(d.form.cboRole_Click(role == Role::Assistant ? ROLE_ASSISTANT : ROLE_MEMBER));
  });
}

bool SetShare(Connect& c, const std::string& group, const std::string& address, bool on) {
  return Edit(c, [&](CGroups& copy) {
    MembersDialog d(c, copy, group);
    d.Select(address);
    return d.Done(d.form.SetShare(on));
  });
}

void RenameMember(Connect& c, const std::string& group, const std::string& address, const std::string& name) {
  Edit(c, [&](CGroups& copy) {
    MembersDialog d(c, copy, group);
    d.Select(address);
    return d.Done(d.form.Rename(name));
  });
}

bool EditGroups(Connect& c, platform::Prompt& prompt, const std::vector<frmAddressBook::Entry>& people) {
  if (!c.Groups() || !c.GroupsEnv()) Refuse("the add-in is not running");
  return mGroupDialogs::ShowGroups(*c.Groups(), c.Lang(), prompt, people,
                                   [&c](const std::string& e) { c.RaiseCustomEvent(e); });
}

bool MemberGroups(Connect& c, const std::string& address, const std::string* names, platform::Prompt& prompt,
                  std::string* checked) {
  const std::string email = mAddress::NormaliseAddress(address);
  if (!mAddress::IsAddress(email)) Refuse("\"" + address + "\" is not one e-mail address");
  if (!c.Groups() || !c.GroupsEnv()) Refuse("the add-in is not running");
  const bool applied = mGroupDialogs::ManageMemberGroups(
      *c.Groups(), c.Lang(), prompt, email, c.Groups()->GetShowAs(email),
      [&c](const std::string& e) { c.RaiseCustomEvent(e); },
      [&](frmMemberGroups& form) {
        bool changed = false;
        if (names) {
          if (!form.CheckNames(*names)) Refuse(form.Refusal());
          changed = form.btnOK_Click();
        } else {
          changed = form.ShowModal(prompt);
        }
        return changed;
      });
  if (checked) {
    checked->clear();
    for (const GroupPtr& g : c.Groups()->Groups()) {
      const MemberPtr m = g->FindByEmail(email);
      if (m) *checked += (checked->empty() ? "" : ";") + g->strName;
    }
  }
  return applied;
}

bool NewMember(Connect& c, const std::string& group, platform::Prompt& prompt,
               const std::vector<frmAddressBook::Entry>& people) {
  if (!c.Groups() || !c.GroupsEnv()) Refuse("the add-in is not running");
  const std::string name = platform::Trim(group);
  if (!name.empty() && !platform::EqualsNoCase(name, kAllGroups) && !c.Groups()->FindByName(name))
    Refuse("no group named \"" + name + "\"");
  return AddNewMember(*c.Groups(), name,
                      mGroupDialogs::AddNewMemberDialogs(*c.Groups(), c.Lang(), prompt, people,
                                                         [&c](const std::string& e) { c.RaiseCustomEvent(e); }));
}

}  // namespace host
