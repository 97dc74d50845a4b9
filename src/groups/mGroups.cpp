#include "groups/mGroups.h"

#include <optional>

#include "diagnostics/CDebug.h"
#include "platform/Text.h"

bool IsValidGroupName(const CGroups& groups, const std::string& strName) {
  if (strName.empty()) return false;
  std::string lid;
  if (platform::EqualsNoCase(strName, kAllGroups) || platform::EqualsNoCase(strName, kNullGroup)) {
    lid = "LID_INVALID_GROUP_NAME";
  } else if (strName.find(';') != std::string::npos) {
    lid = "LID_INVALID_GROUP_NAME2";
  } else if (GroupPtr existing = groups.FindByName(strName)) {
    lid = existing->bMarkedForRemoving ? "LID_INVALID_GROUP_NAME3" : "LID_INVALID_GROUP_NAME4";
  } else {
    return true;
  }
  const CGroupsEnv& env = groups.Env();
  env.Message(env.Text(lid), env.Text("LID_INVALID_GROUP_NAME_TITLE"), platform::Buttons::OK,
              platform::Icon::Exclamation);
  return false;
}

bool ApplyGroupEdit(CGroups& groups, const GroupEdit& edit, const RaiseEvent& raiseEvent) {
  CGroupsEnv& env = groups.Env();
  CGroups copy(env);
  copy.CopyFrom(groups);
  if (!edit(copy)) return false;
  std::unique_ptr<IGroupMsgSender> oMsg = env.NewGroupMsg ? env.NewGroupMsg() : nullptr;
  // The change, its group messages and the saved groups in one registry
  // batch: the messages leave after the commit, so a crash never sends a
  // request for a member the saved groups do not have, nor the reverse.
  std::optional<platform::RegistryBatch> batch;
  if (env.pStore) batch.emplace(env.pStore->Hive());
  groups.ApplyDlgChanges(copy, oMsg.get());
  groups.Save();
  if (batch) batch->Commit();
  if (raiseEvent) raiseEvent("Groups");
  return true;
}

bool CheckRights(const CGroups& groups, const std::string& strMemberEmail, const std::string& strItemGroups) {
  const std::string& me = groups.Env().strCurEmail;
  const std::string itemGroups = strItemGroups.empty() ? kAllGroups : strItemGroups;
  const std::string owner = strMemberEmail.empty() ? me : strMemberEmail;
  const std::vector<std::string> names = platform::Split(itemGroups, ';');
  if (platform::EqualsNoCase(owner, me)) {
    if (itemGroups == kAllGroups || itemGroups == kNullGroup) return true;
    for (const std::string& n : names) {
      const GroupPtr g = groups.FindByName(n);
      if (!g) return true;
      const MemberPtr mine = g->GetMySelf();
      if (mine && !mine->WasAdded()) return false;
    }
    return true;
  }
  if (itemGroups == kNullGroup) return false;
  auto ownerIn = [&](const GroupPtr& g) {
    for (const MemberPtr& m : g->Members())
      if (platform::EqualsNoCase(m->strEmail, owner) && m->WasAdded()) return true;
    return false;
  };
  auto meAbove = [](const GroupPtr& g) {
    const MemberPtr mine = g->GetMySelf();
    return mine && mine->WasAdded() && mine->nRole > ROLE_MEMBER;
  };
  if (itemGroups == kAllGroups) {
    for (const GroupPtr& g : groups.Groups())
      if (ownerIn(g) && meAbove(g)) return true;
    return false;
  }
  for (const std::string& n : names) {
    const GroupPtr g = groups.FindByName(n);
    if (!g || !meAbove(g) || !ownerIn(g)) return false;
  }
  return true;
}

bool CanDeleteMember(const CGroups& groups, const std::string& sEmail, const std::string& sGroup) {
  const bool all = sGroup == kAllGroups;
  bool found = false;
  for (const GroupPtr& g : groups.Groups()) {
    if (!all && g->strName != sGroup) continue;
    for (const MemberPtr& m : g->Members()) {
      if (!platform::EqualsNoCase(m->strEmail, sEmail)) continue;
      found = true;
      const MemberPtr me = g->GetMySelf();
      if (!me || !me->CanRemove(*m)) return false;
    }
  }
  if (!found) g_Debug().Out(sEmail, " - not exist in no one group");
  return found;
}

std::vector<std::string> GroupRows(CGroups& groups, const std::string& strCurName) {
  const std::string& me = groups.Env().strCurEmail;
  std::vector<std::string> rows{std::string(kAllGroups) + ";" + groups.GetShowAs(me) + ";" + strCurName + ";" + me +
                                ";1;1"};
  for (const GroupPtr& g : groups.Groups()) {
    for (const MemberPtr& m : g->Members()) {
      if (m->IsInvisible()) continue;
      rows.push_back(g->strName + ";" + groups.GetShowAs(m->strEmail) + ";" + m->strName + ";" + m->strEmail + ";" +
                     (m->bShare ? "1" : "0") + ";" + (m->WasAdded() ? "1" : "0"));
    }
  }
  return rows;
}

bool AddNewMember(CGroups& groups, const std::string& strGroupName, const AddNewMemberUi& ui) {
  try {
    const std::string name = platform::Trim(strGroupName, platform::kSpaces);
    if (name.empty() || platform::EqualsNoCase(name, kAllGroups)) {
      if (ui.RunAddMembersWizard) ui.RunAddMembersWizard();
      return false;
    }
    GroupPtr group = groups.FindByName(name);
    if (!group) {
      g_Debug().OutWarning("mGroups.AddNewMember", "no group '" + name + "'");
      return false;
    }
    MemberPtr me = group->GetMySelf();
    CGroupsEnv& env = groups.Env();
    if (!me || me->nRole == ROLE_MEMBER || !me->WasAdded()) {
      env.Message(env.Text("LID_CANT_ADD_MEMBER"), "Zentabo", platform::Buttons::OK, platform::Icon::Information);
      return false;
    }
    return ApplyGroupEdit(
        groups,
        [&](CGroups& copy) {
          return ui.RunAddMemberDialog && ui.RunAddMemberDialog(copy, *copy.Find(group->strKey));
        },
        ui.RaiseCustomEvent);
  } catch (...) {
    g_Debug().OutError("mGroups.AddNewMember");
    return false;
  }
}

GroupsStartup LoadAndValidateGroups(CGroups& groups) {
  groups.Load();
  if (groups.Valid()) return GroupsStartup::Valid;
  const CGroupsEnv& env = groups.Env();
  int answer = env.Message(env.Text("LID_GROUPS_NOT_VALID"), env.Text("LID_GROUPS_NOT_VALID_TITLE"),
                           platform::Buttons::YesNo, platform::Icon::Question, platform::DefaultButton::Second);
  if (answer != platform::IDYES) return GroupsStartup::Refused;
  groups.Clear();
  return GroupsStartup::Cleared;
}
