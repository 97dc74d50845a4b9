#include "groups/mGroups.h"

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
    CGroups copy(env);
    copy.CopyFrom(groups);
    GroupPtr copyGroup = copy.Find(group->strKey);
    if (!ui.RunAddMemberDialog || !ui.RunAddMemberDialog(copy, *copyGroup)) return false;
    std::unique_ptr<IGroupMsgSender> oMsg = env.NewGroupMsg ? env.NewGroupMsg() : nullptr;
    groups.ApplyDlgChanges(copy, oMsg.get());
    groups.Save();
    if (ui.RaiseCustomEvent) ui.RaiseCustomEvent("Groups");
    return true;
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
