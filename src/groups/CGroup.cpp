#include "groups/CGroup.h"

#include "diagnostics/CDebug.h"
#include "groups/CGroups.h"
#include "groups/CKeyGenerator.h"
#include "groups/IGroupMsgSender.h"
#include "platform/SettingsStore.h"
#include "groups/mAddress.h"
#include "platform/Text.h"

std::string CGroup::NewKey() { return ::NewKey(); }

bool CGroup::IsInvisible() const {
  MemberPtr me = GetMySelf();
  return me && me->IsInvisible();
}

bool CGroup::AddMember(const MemberPtr& oMember, IGroupMsgSender* oMsg) {
  if (!Add(oMember)) return false;
  if (oMember->IsMySelf) return false;
  if (oMember->bShare && !oMember->IsVirtual()) {
    oMember->nAction = ACTION_ADDING;
    oMember->strActionKey = NewKey();
    oMember->nWait = WAIT_REPLAY;
    if (oMsg) oMsg->SendAddRequest(*this, *oMember);
    return true;
  }
  // Members that do not share (and calendars of the own members) need no
  // consent: they belong to the group at once.
  if (oMsg) oMsg->SendBroadcastAdd(*oMember, *this, {});
  return false;
}

bool CGroup::ModifyMemberShare(CMember& oMember, IGroupMsgSender* oMsg) {
  if (oMember.IsMySelf) {
    g_Debug().OutWarning("CGroup.ModifyMemberShare", "Cant Change My Sharing");
    return false;
  }
  if (oMember.IsVirtual()) {
    g_Debug().OutWarning("CGroup.ModifyMemberShare", "Change sharing for virtual member");
    return false;
  }
  if (oMember.bShare) {
    oMember.bShare = false;
    if (oMsg) oMsg->SendBroadcastModifiedShare(oMember, *this, {});
  } else {
    // Switching sharing on needs the member's consent, like an add.
    oMember.bShare = true;
    oMember.nAction = ACTION_ADDING;
    oMember.nSubAction = SUB_ACTION_SHARE_ON;
    oMember.strActionKey = NewKey();
    oMember.nWait = WAIT_REPLAY;
    if (oMsg) oMsg->SendAddRequest(*this, oMember);
  }
  return true;
}

bool CGroup::AbortMember(const MemberPtr& oMemberIn, CGroups* oGroups, IGroupMsgSender* oMsg) {
  MemberPtr oMember = oMemberIn ? Own(*oMemberIn) : nullptr;
  if (!oMember) {
    g_Debug().OutWarning("CGroup.AbortMember", "Member not in group");
    return false;
  }
  if (oMember->nAction == ACTION_MODIFYING) {
    g_Debug().OutWarning("CGroup.AbortMember", "STOP");
    if (oMsg) oMsg->SendAbort(*oMember);
    oMember->ClearAction();
    return true;
  }
  if (oMember->nAction != ACTION_ADDING) return false;

  if (oMsg) oMsg->SendAbort(*oMember);
  if (oMember->nSubAction != SUB_ACTION_SHARE_ON) {
    auto self = weak_from_this().lock();  // keeps this group alive while it leaves oGroups
    m_coll.Remove(oMember->strKey);
    if (oMember->IsMySelf && oGroups) oGroups->Remove(strKey);
  } else {
    if (!oMember->bShare)
      g_Debug().OutWarning("CGroup.AbortMember", "oMember.nSubAction = SUB_ACTION_SHARE_ON And Not oMember.bShare");
    if (oMember->IsMySelf)
      g_Debug().OutWarning("CGroup.AbortMember", "oMember.nSubAction = SUB_ACTION_SHARE_ON And oMember.IsMySelf");
    oMember->bShare = false;
    oMember->ClearAction();
  }
  return true;
}

bool CGroup::ModifyMemberName(CMember& oMemberIn, const std::string& strNewName, IGroupMsgSender* oMsg) {
  MemberPtr oMember = Own(oMemberIn);
  if (!oMember) {
    g_Debug().OutWarning("CGroup.ModifyMemberName", "Member not in group");
    return false;
  }
  if (oMember->strName != strNewName) {
    oMember->strName = strNewName;
    if (oMsg) oMsg->SendBroadcastModifyName(*oMember, *this, {});
  }
  return true;
}

bool CGroup::ModifyMemberRole(CMember& oMemberIn, IGroupMsgSender* oMsg) {
  MemberPtr oMember = Own(oMemberIn);
  if (!oMember) {
    g_Debug().OutWarning("CGroup.ModifyMemberRole", "Member not in group");
    return false;
  }
  oMember->nAction = ACTION_NONE;
  oMember->strActionKey.clear();
  oMember->nRole = oMember->nRole == ROLE_ASSISTANT ? ROLE_MEMBER : ROLE_ASSISTANT;
  oMember->nWait = WAIT_NONE;
  if (oMsg) oMsg->SendBroadcastModifyOrder(*oMember, *this, {});
  return true;
}

bool CGroup::RemoveMember(const MemberPtr& oMemberIn, CGroups* oGroups, IGroupMsgSender* oMsg,
                          bool bSendBroadcastRemove, const std::vector<std::string>& reachedKeys) {
  MemberPtr oMember = oMemberIn ? Own(*oMemberIn) : nullptr;
  if (!oMember) {
    g_Debug().OutWarning("CGroup.RemoveMember", "Member not in group");
    return false;
  }
  auto self = weak_from_this().lock();  // keeps this group alive while it leaves oGroups
  // Leaving the group, or losing its manager, ends the group for this user.
  const bool bDissolve = oMember->IsMySelf || oMember->IsManager();
  if (bDissolve) {
    for (const MemberPtr& m : Members()) {
      if (m == oMember || m->IsMySelf || m->IsManager()) continue;
      if (m->nAction != ACTION_NONE) AbortMember(m, oGroups, oMsg);
    }
  } else if (!oMember->WasAdded()) {
    AbortMember(oMember, oGroups, oMsg);
  } else {
    m_coll.Remove(oMember->strKey);
  }
  if (bSendBroadcastRemove && oMsg) oMsg->SendBroadcastRemove(*oMember, *this, reachedKeys);
  if (bDissolve) {
    if (oGroups) oGroups->Remove(strKey);
    m_coll.Clear();
    strName.clear();
    strKey.clear();
  }
  return true;
}

bool CGroup::ApplyDlgChanges(const CGroup& oDlgGroup, IGroupMsgSender* oMsg, CGroups* oGroups) {
  struct Change {
    MemberPtr live;
    MemberPtr dlg;
  };
  std::vector<MemberPtr> removals;
  std::vector<Change> names, roles, shares;
  std::vector<MemberPtr> additions;

  for (const MemberPtr& m : Members()) {
    MemberPtr d = oDlgGroup.Find(m->strKey);
    if (!d || d->bMarkedForRemoving) {
      removals.push_back(m);
      continue;
    }
    if (d->bShare != m->bShare) shares.push_back({m, d});
    if (d->strName != m->strName) names.push_back({m, d});
    if (d->nRole != m->nRole) roles.push_back({m, d});
  }
  for (const MemberPtr& d : oDlgGroup.Members())
    if (!Find(d->strKey) && !d->bMarkedForRemoving) additions.push_back(d);

  for (const MemberPtr& m : removals) RemoveMember(m, oGroups, oMsg, true);
  // Removing myself or the manager dissolved the group: nothing is left to change.
  if (strKey.empty()) return true;
  for (const Change& c : names) {
    g_Debug().printf("CGroup.ApplyDlgChanges, Modifying Name, Email = '%s', OldName = '%s', NewName = '%s'",
                     c.live->strEmail, c.live->strName, c.dlg->strName);
    ModifyMemberName(*c.live, c.dlg->strName, oMsg);
  }
  for (const Change& c : roles) {
    c.live->bModifying = false;
    ModifyMemberRole(*c.live, oMsg);
  }
  for (const Change& c : shares) {
    c.live->bModifying = false;
    ModifyMemberShare(*c.live, oMsg);
  }
  for (const MemberPtr& d : additions) {
    auto m = std::make_shared<CMember>();
    m->CopyFrom(*d);
    m->bCreating = false;
    m->bModifying = false;
    AddMember(m, oMsg);
  }
  return true;
}

MemberPtr CGroup::FindByAction(const std::string& strActionKey) const {
  for (const MemberPtr& m : m_coll)
    if (m->strActionKey == strActionKey) return m;
  return nullptr;
}

void CGroup::Save(platform::SettingsStore& store, const std::string& sRoot) const {
  const std::string section = sRoot + "\\" + strKey;
  std::vector<std::string> keys;
  for (const MemberPtr& m : m_coll) keys.push_back(m->strKey);
  store.SaveSetting(kSettingsApp, section, "Name", strName);
  store.SaveSetting(kSettingsApp, section, "Keys", platform::Join(keys, ";"));
  for (const MemberPtr& m : m_coll) m->Save(store, sRoot);
}

bool CGroup::Load(const platform::SettingsStore& store, const std::string& sRoot, const std::string& strKey) {
  this->strKey = strKey;
  const std::string section = sRoot + "\\" + strKey;
  strName = store.GetSetting(kSettingsApp, section, "Name");
  for (const std::string& key : platform::Split(store.GetSetting(kSettingsApp, section, "Keys"), ';')) {
    auto m = std::make_shared<CMember>();
    if (!m->Load(store, sRoot, strKey, key)) return false;
    if (!Add(m)) return false;
  }
  return true;
}

MemberPtr CGroup::GetManager() const {
  for (const MemberPtr& m : m_coll)
    if (m->IsManager()) return m;
  return nullptr;
}

MemberPtr CGroup::GetMySelf() const {
  for (const MemberPtr& m : m_coll)
    if (m->IsMySelf) return m;
  return nullptr;
}

void CGroup::CopyFrom(const CGroup& oGroup) {
  strName = oGroup.strName;
  strKey = oGroup.strKey;
  m_coll.Clear();
  for (const MemberPtr& src : oGroup.m_coll) {
    auto m = std::make_shared<CMember>();
    m->CopyFrom(*src);
    m_coll.Add(m, m->strKey);
  }
}

MemberPtr CGroup::FindByEmail(const std::string& strEmail) const {
  for (const MemberPtr& m : m_coll)
    if (m->strEmail == strEmail) return m;
  return nullptr;
}

MemberPtr CGroup::Find(const std::string& strKey) const {
  if (strKey.empty()) return nullptr;
  const MemberPtr* p = m_coll.Find(strKey);
  return p ? *p : nullptr;
}

bool CGroup::Add(const MemberPtr& oMember) {
  if (!oMember || oMember->strKey.empty() || m_coll.Exists(oMember->strKey)) {
    g_Debug().OutWarning("CGroup.Add", "can't add member '" + (oMember ? oMember->strKey : std::string()) + "'");
    return false;
  }
  m_coll.Add(oMember, oMember->strKey);
  oMember->strGroupKey = strKey;
  return true;
}

MemberPtr CGroup::Add2(const std::string& strName, const std::string& strEmail, int nRole, bool bShare) {
  const std::string email = mAddress::NormaliseAddress(strEmail);
  if (FindByEmail(email)) return nullptr;
  auto m = std::make_shared<CMember>();
  m->strKey = NewKey();
  m->strName = strName;
  m->strEmail = email;
  m->nRole = nRole;
  m->bShare = bShare;
  if (!Add(m)) return nullptr;
  return m;
}

MemberPtr CGroup::Item(int index) const {
  if (index < 1 || index > Count()) return nullptr;
  return m_coll.Item(index);
}

MemberPtr CGroup::Item(const std::string& key) const { return Find(key); }

bool CGroup::Remove(const std::string& key) {
  if (!m_coll.Exists(key)) return false;
  m_coll.Remove(key);
  return true;
}

std::vector<MemberPtr> CGroup::Members() const { return {m_coll.begin(), m_coll.end()}; }

MemberPtr CGroup::Own(const CMember& oMember) const {
  if (oMember.strGroupKey != strKey) return nullptr;
  return Find(oMember.strKey);
}

bool SameStoredGroup(const CGroup& a, const CGroup& b) {
  if (a.strName != b.strName || a.strKey != b.strKey || a.Count() != b.Count()) return false;
  for (int i = 1; i <= a.Count(); ++i)
    if (!SameStoredMember(*a.Item(i), *b.Item(i))) return false;
  return true;
}
