#include "groups/CGroups.h"

#include <algorithm>

#include "diagnostics/CDebug.h"
#include "groups/CKeyGenerator.h"
#include "groups/CXml.h"
#include "groups/mOwnerItems.h"
#include "groups/mAddress.h"
#include "groups/mInput.h"
#include "platform/Text.h"
#include "platform/store/Items.h"

namespace {

bool Contains(const std::vector<std::string>& v, const std::string& s) {
  return std::find(v.begin(), v.end(), s) != v.end();
}

// The address of a display-name entry "name;address".
std::string EntryAddress(const std::string& entry) {
  size_t pos = entry.rfind(';');
  return pos == std::string::npos ? std::string() : entry.substr(pos + 1);
}

// The display name of an entry: the text before the first ";".
std::string EntryName(const std::string& entry) { return entry.substr(0, entry.find(';')); }

// The detailed debug lines around a larger change of the model: the item
// counts of the folders it may touch (the writer decides whether they show).
void LogItemCounts(const CGroupsEnv& env, const std::string& label) {
  auto count = [](const platform::Folder& f) { return f ? f.Items().Count() : 0; };
  try {
    g_Debug().Out2(label);
    g_Debug().Out2("    Calendar.Items.Count = ", count(env.fldCalendar));
    g_Debug().Out2("    Zentab.Items.Count = ", count(env.fldZentab));
    g_Debug().Out2("    Deleted.Items.Count = ", count(env.fldDeleted));
  } catch (...) {
    g_Debug().OutError("CGroups.ApplyDlgChanges");
  }
}

}  // namespace

CGroups::CGroups(CGroupsEnv& env) : m_env(&env) {}

bool CGroups::MemberExists(const std::string& strEmail, bool bOnlyAdded) const {
  const std::string email = platform::Lower(strEmail);
  for (const GroupPtr& g : m_coll)
    for (const MemberPtr& m : *g)
      if (m->strEmail == email && (m->WasAdded() || !bOnlyAdded)) return true;
  return false;
}

void CGroups::UpdateOwnerSubjects(const std::string& strEmail, const std::string& strOldName,
                                  const std::string& strNewName) {
  try {
    g_Debug().printf("UpdateSubjects prefixes for owner = '%s', from '%s' to '%s'", strEmail, strOldName,
                     strNewName);
    if (m_env->DoneFolderHandlers) m_env->DoneFolderHandlers();
    UpdateOwnerSubjectsInFolder(m_env->fldCalendar, strEmail, strOldName, strNewName, m_env->DoEvents);
    UpdateOwnerSubjectsInFolder(m_env->fldZentab, strEmail, strOldName, strNewName, m_env->DoEvents);
  } catch (...) {
    g_Debug().OutError("CGroups.UpdateOwnerSubjects");
  }
  if (m_env->InitFolderHandlers) m_env->InitFolderHandlers();
}

std::string CGroups::LookupShowAs(const std::string& strEmail) const {
  const std::string* entry = m_collShowAs.Find(platform::Lower(strEmail));
  return entry ? EntryName(*entry) : std::string();
}

std::string CGroups::GetShowAs(const std::string& strEmail) {
  if (strEmail.empty()) return "";
  if (!m_collShowAs.Exists(platform::Lower(strEmail))) GetEmailsShowAs();
  return LookupShowAs(strEmail);
}

void CGroups::SetShowAs(const std::string& strEmail, const std::string& sShowAs, bool bUpdateItems) {
  try {
    const std::string email = platform::Lower(strEmail);
    if (email.empty()) return;
    const std::string* entry = m_collShowAs.Find(email);
    const std::string oldName = entry ? EntryName(*entry) : std::string();
    if (entry && oldName == sShowAs) return;
    if (entry) m_collShowAs.Remove(email);
    m_collShowAs.Add(sShowAs + ";" + email, email);
    if (bUpdateItems) UpdateOwnerSubjects(email, oldName, sShowAs);
  } catch (...) {
    g_Debug().OutError("CGroups.SetShowAs");
  }
}

const platform::KeyedCollection<std::string>& CGroups::GetEmailsShowAs() {
  try {
    for (size_t i = m_collShowAs.Count(); i >= 1; --i) {
      const std::string address = EntryAddress(m_collShowAs.Item(i));
      if (!platform::EqualsNoCase(address, m_env->strCurEmail) && !MemberExists(address, false)) m_collShowAs.Remove(i);
    }
    for (const GroupPtr& g : m_coll) {
      for (const MemberPtr& m : *g) {
        // Members without an address ("[no e-mail]") have no entry.
        if (m->strEmail.empty() || m_collShowAs.Exists(m->strEmail)) continue;
        g_Debug().Assert(m->strEmail == platform::Lower(m->strEmail), "CGroups.GetEmailsShowAs",
                         ".strEmail = LCase(.strEmail)");
        m_collShowAs.Add(m->strName + ";" + m->strEmail, m->strEmail);
      }
    }
    if (!m_env->strCurEmail.empty() && !m_collShowAs.Exists(m_env->strCurEmail))
      m_collShowAs.Add(m_env->strCurName + ";" + m_env->strCurEmail, m_env->strCurEmail);
  } catch (...) {
    g_Debug().OutError("CGroups.GetEmailsShowAs");
  }
  return m_collShowAs;
}

int CGroups::GetMemberShareGroupsCount(const std::string& strEmail) const {
  int n = 0;
  for (const GroupPtr& g : m_coll) {
    for (const MemberPtr& m : *g) {
      if (m->strEmail == strEmail && m->bShare) {
        ++n;
        break;
      }
    }
  }
  return n;
}

bool CGroups::ChangeMyEmailAddress(const std::string& strNewEmail) {
  try {
    const std::string email = mAddress::NormaliseAddress(strNewEmail);
    if (!mAddress::IsAddress(email)) {
      g_Debug().OutWarning("CGroups.ChangeMyEmailAddress", "not an address - '" + strNewEmail + "'");
      return false;
    }
    if (MemberExists(email, false)) {
      m_env->Message(m_env->Text("LID_NEW_EMAIL_EXISTS"), "Zentabo - Error", platform::Buttons::OK,
                     platform::Icon::Critical);
      return false;
    }
    std::unique_ptr<IGroupMsgSender> oMsg = m_env->NewGroupMsg ? m_env->NewGroupMsg() : nullptr;
    const bool bChanged = ChangeEmailAddress(m_env->strCurEmail, email, oMsg.get());
    // A failure after the members were moved still takes the new address,
    // so that the groups and the current address agree (Valid).
    if (!bChanged && !MemberExists(email, false)) return false;
    m_env->strCurEmail = email;
    if (m_env->OnCurEmailChanged) m_env->OnCurEmailChanged(email);
    Save();
    return bChanged;
  } catch (...) {
    g_Debug().OutError("CGroups.ChangeMyEmailAddress");
    return false;
  }
}

bool CGroups::ChangeEmailAddress(const std::string& strOld, const std::string& strNew, IGroupMsgSender* oMsg,
                                 const std::vector<std::string>& reachedEmails) {
  try {
    const std::string oldEmail = platform::Lower(platform::Trim(strOld, platform::kSpaces));
    const std::string newEmail = platform::Lower(platform::Trim(strNew, platform::kSpaces));
    if (oldEmail.empty() || newEmail.empty()) return false;
    const std::string oldPrefix = oldEmail + "/";
    std::map<std::string, std::string> mapping;
    for (const GroupPtr& g : m_coll) {
      for (const MemberPtr& m : *g) {
        if (m->strEmail == oldEmail) {
          m->strEmail = newEmail;
          mapping[oldEmail] = newEmail;
        } else if (m->IsVirtual() && m->strEmailOwner == oldEmail) {
          // The owner's calendars keep their suffix under the new address.
          const std::string suffix =
              m->strEmail.compare(0, oldPrefix.size(), oldPrefix) == 0 ? m->strEmail.substr(oldPrefix.size()) : "";
          const std::string rewritten = platform::Lower(newEmail + "/" + suffix);
          m->strEmailOwner = newEmail;
          mapping[m->strEmail] = rewritten;
          m->strEmail = rewritten;
        }
      }
    }
    if (oMsg) oMsg->SendBroadcastChangeEmail(*this, oldEmail, newEmail, reachedEmails);
    SetShowAs(newEmail, GetShowAs(oldEmail), false);
    Save();

    if (m_env->DoneFolderHandlers) m_env->DoneFolderHandlers();
    // The handlers run again however the rewriting ends.
    struct Restart {
      CGroupsEnv& env;
      ~Restart() {
        if (env.InitFolderHandlers) env.InitFolderHandlers();
      }
    } restart{*m_env};
    ChangeOwnerAddressesInFolder(m_env->fldCalendar, mapping, m_env->DoEvents);
    ChangeOwnerAddressesInFolder(m_env->fldZentab, mapping, m_env->DoEvents);
    return true;
  } catch (...) {
    g_Debug().OutError("CGroups.ChangeEmailAddress");
    return false;
  }
}

std::vector<std::string> CGroups::GetVirtualMembers(const std::string& strEmail) const {
  std::vector<std::string> result{platform::Lower(strEmail)};
  for (const GroupPtr& g : m_coll) {
    for (const MemberPtr& m : *g) {
      if (!m->IsVirtual() || !platform::EqualsNoCase(m->strEmailOwner, strEmail)) continue;
      std::string address = platform::Lower(m->strEmail);
      if (!Contains(result, address)) result.push_back(address);
    }
  }
  return result;
}

std::string CGroups::GetGroupsNames() const {
  std::vector<std::string> names;
  for (const GroupPtr& g : m_coll) names.push_back(g->strName);
  return platform::Join(names, ";");
}

std::string CGroups::JoinedShowAs() {
  std::vector<std::string> entries;
  for (const std::string& e : GetEmailsShowAs()) entries.push_back(e);
  return platform::Join(entries, ";");
}

bool CGroups::SaveToXml(const std::string& sFilename) {
  try {
    CXml xml;
    xml.CreateItem("groups", "");
    xml.SetItemAttribute("ShowAs", JoinedShowAs());
    xml.SetCurNode(1);
    int i = 0;
    for (const GroupPtr& g : m_coll) {
      ++i;
      xml.CreateItem("group", "");
      xml.SetItemAttribute("name", g->strName);
      xml.SetItemAttribute("key", g->strKey);
      xml.SetCurNode(i);
      for (const MemberPtr& m : *g) {
        xml.CreateItem("member", "");
        xml.SetItemAttribute("Name", m->strName);
        xml.SetItemAttribute("Email", m->strEmail);
        xml.SetItemAttribute("EmailOwner", m->strEmailOwner);
        xml.SetItemAttribute("Key", m->strKey);
        xml.SetItemAttribute("Role", Role2Str(m->nRole));
        xml.SetItemAttribute("MySelf", Bool2Str(m->IsMySelf));
        xml.SetItemAttribute("ActionKey", m->strActionKey);
        xml.SetItemAttribute("NewRole", Role2Str(m->nNewRole));
        xml.SetItemAttribute("Wait", Wait2Str(m->nWait));
        xml.SetItemAttribute("Action", Action2Str(m->nAction));
        xml.SetItemAttribute("Share", Bool2Str(m->bShare));
        xml.SetItemAttribute("SubAction", std::to_string(m->nSubAction));
      }
      xml.SetCurNode(-1);
    }
    return xml.Save(sFilename);
  } catch (...) {
    g_Debug().OutError("CGroups.SaveToXml");
    return false;
  }
}

namespace {

// False (logged) for a key or address of a backup that would not survive
// being stored (keys are joined by ";") or could never be delivered.
bool Checked(const std::string& value, bool ok) {
  if (!ok) g_Debug().OutCustomError("CGroups.LoadFromXml", "invalid key or address - '" + value + "'");
  return ok;
}

// One member from the current item of the XML cursor; false when a required
// attribute is missing, a text is not recognised or a key or address is not
// one.
bool MemberFromXml(const CXml& xml, CMember& m) {
  auto need = [&](const char* name, std::string& out) {
    std::optional<std::string> v = xml.GetItemAttribute(name);
    if (!v) {
      g_Debug().OutCustomError("CGroups.LoadFromXml", std::string("missing attribute ") + name);
      return false;
    }
    out = *v;
    return true;
  };
  std::string role, myself, newRole, wait, action;
  if (!need("Name", m.strName) || !need("Email", m.strEmail) || !need("EmailOwner", m.strEmailOwner) ||
      !need("Key", m.strKey) || !need("Role", role) || !need("MySelf", myself) ||
      !need("ActionKey", m.strActionKey) || !need("NewRole", newRole) || !need("Wait", wait) ||
      !need("Action", action))
    return false;
  m.strEmail = platform::Lower(m.strEmail);
  m.strEmailOwner = platform::Lower(m.strEmailOwner);
  m.strName = mInput::CleanName(m.strName);
  if (!Checked(m.strKey, mInput::IsKey(m.strKey)) || !Checked(m.strEmail, mAddress::IsMemberAddress(m.strEmail)) ||
      !Checked(m.strEmailOwner, m.strEmailOwner.empty() || mAddress::IsAddress(m.strEmailOwner)) ||
      !Checked(m.strActionKey, m.strActionKey.empty() || mInput::IsKey(m.strActionKey)))
    return false;
  if (!Str2Role(role, m.nRole) || !Str2Role(newRole, m.nNewRole) || !Str2Wait(wait, m.nWait) ||
      !Str2Action(action, m.nAction))
    return false;
  m.IsMySelf = myself == "1";
  std::optional<std::string> sub = xml.GetItemAttribute("SubAction");
  m.nSubAction = SUB_ACTION_NONE;
  if (sub && !platform::ParseInt(*sub, m.nSubAction)) return false;
  std::optional<std::string> share = xml.GetItemAttribute("Share");
  m.bShare = share ? *share == "1" : !m.IsVirtual();
  return true;
}

}  // namespace

bool CGroups::LoadFromXml(const std::string& sFilename) {
  try {
    ClearModel();
    CXml xml;
    if (!xml.Load(sFilename)) return false;
    bool ok = [&] {
      if (!xml.SetCurItem(1)) return false;
      std::optional<std::string> showAs = xml.GetItemAttribute("ShowAs");
      if (!showAs) return false;
      xml.SetCurNode(1);
      const int nGroups = xml.GetItemsCount();
      for (int i = 1; i <= nGroups; ++i) {
        xml.SetCurItem(i);
        std::optional<std::string> name = xml.GetItemAttribute("name");
        std::optional<std::string> key = xml.GetItemAttribute("key");
        if (!name || !key || !Checked(*key, mInput::IsKey(*key)) || Count() >= kMaxGroups) return false;
        auto g = std::make_shared<CGroup>();
        g->strName = mInput::CleanName(*name);
        g->strKey = *key;
        if (!Add(g)) return false;
        xml.Push();
        xml.SetCurNode(i);
        const int nMembers = xml.GetItemsCount();
        bool membersOk = true;
        for (int j = 1; j <= nMembers && membersOk; ++j) {
          xml.SetCurItem(j);
          auto m = std::make_shared<CMember>();
          membersOk = MemberFromXml(xml, *m) && g->Add(m);
        }
        xml.Pop();
        if (!membersOk) return false;
      }
      AddShowAsPairs(*showAs, true);
      GetEmailsShowAs();
      return true;
    }();
    if (!ok) {
      g_Debug().OutCustomError("CGroups.LoadFromXml", "not a group document: " + sFilename);
      ClearModel();
    }
    return ok;
  } catch (...) {
    g_Debug().OutError("CGroups.LoadFromXml");
    ClearModel();
    return false;
  }
}

std::string CGroups::GetShowAsFromAddress(const std::string& strEmail) { return GetShowAs(strEmail); }

MemberPtr CGroups::FindByEmail(const std::string& strEmail) const {
  for (const GroupPtr& g : m_coll)
    if (MemberPtr m = g->FindByEmail(strEmail)) return m;
  return nullptr;
}

std::string CGroups::GetAppointsRecivers() const {
  std::vector<std::string> receivers;
  for (const GroupPtr& g : m_coll) {
    for (const MemberPtr& m : *g) {
      if (m->IsMySelf || m->IsVirtual() || !m->WasAdded() || !m->bShare) continue;
      std::string address = platform::Lower(m->strEmail);
      if (!Contains(receivers, address)) receivers.push_back(address);
    }
  }
  return platform::Join(receivers, ";");
}

bool CGroups::ApplyDlgChanges(const CGroups& oNewGroups, IGroupMsgSender* oMsg) {
  LogItemCounts(*m_env, "ApplyDlgChanges Start = ");
  // A group dissolved while its changes are applied is not created anew below.
  std::vector<std::string> liveKeys;
  for (const GroupPtr& g : m_coll) liveKeys.push_back(g->strKey);
  // (a) changes inside the groups that stay
  for (const GroupPtr& g : Groups()) {
    GroupPtr copy = oNewGroups.Find(g->strKey);
    if (copy && !copy->bMarkedForRemoving) g->ApplyDlgChanges(*copy, oMsg, this);
  }
  // (b) groups the user leaves
  for (const GroupPtr& g : Groups()) {
    GroupPtr copy = oNewGroups.Find(g->strKey);
    if (copy && !copy->bMarkedForRemoving) continue;
    if (MemberPtr me = g->GetMySelf()) {
      g->RemoveMember(me, this, oMsg, true);
    } else {
      g_Debug().OutWarning("CGroups.ApplyDlgChanges", "group without own member removed: " + g->strName);
      Remove(g->strKey);
    }
  }
  // (c) groups created in the dialog
  for (const GroupPtr& copy : oNewGroups.Groups()) {
    if (copy->bMarkedForRemoving || Contains(liveKeys, copy->strKey)) continue;
    auto g = std::make_shared<CGroup>();
    g->strName = copy->strName;
    g->strKey = copy->strKey;
    for (const MemberPtr& d : copy->Members()) {
      if (d->bMarkedForRemoving) continue;
      auto m = std::make_shared<CMember>();
      m->CopyFrom(*d);
      g->AddMember(m, oMsg);
    }
    Add(g);
  }
  // (d) a pending add of a member who does not share cannot complete
  for (const GroupPtr& g : m_coll)
    for (const MemberPtr& m : *g)
      if (!m->WasAdded() && !m->bShare) m->ClearAction();
  LogItemCounts(*m_env, "ApplyDlgChanges End = ");
  return true;
}

GroupPtr CGroups::Find(const std::string& strKey) const {
  if (strKey.empty()) return nullptr;
  const GroupPtr* p = m_coll.Find(strKey);
  return p ? *p : nullptr;
}

MemberPtr CGroups::FindByAction(const std::string& strActionKey) const {
  for (const GroupPtr& g : m_coll)
    if (MemberPtr m = g->FindByAction(strActionKey)) return m;
  return nullptr;
}

GroupPtr CGroups::FindByName(const std::string& strName) const {
  for (const GroupPtr& g : m_coll)
    if (g->strName == strName) return g;
  return nullptr;
}

bool CGroups::Save() {
  try {
    if (!m_env->pStore) throw platform::Error("no settings store for the groups");
    platform::SettingsStore& store = *m_env->pStore;
    const std::string root = m_env->RootSection();
    // One batch: a crash in the middle of the rewrite leaves the old groups
    // or the new ones, never a part of them.
    platform::RegistryBatch batch(store.Hive());
    // The stored tree is replaced as a whole, never updated in place.
    for (const std::string& rawKey : platform::Split(store.GetSetting(kSettingsApp, root, "Keys"), ';')) {
      const std::string key = platform::Trim(rawKey, platform::kSpaces);
      if (key.empty()) continue;
      const std::string groupSection = root + "\\" + key;
      for (const std::string& rawMember : platform::Split(store.GetSetting(kSettingsApp, groupSection, "Keys"), ';')) {
        const std::string memberKey = platform::Trim(rawMember, platform::kSpaces);
        if (!memberKey.empty()) store.DeleteSetting(kSettingsApp, groupSection + "\\" + memberKey);
      }
      store.DeleteSetting(kSettingsApp, groupSection);
    }
    store.DeleteSetting(kSettingsApp, root);

    std::vector<std::string> keys;
    for (const GroupPtr& g : m_coll) keys.push_back(g->strKey);
    store.SaveSetting(kSettingsApp, root, "Keys", platform::Join(keys, ";"));
    store.SaveSetting(kSettingsApp, root, "ShowAs", JoinedShowAs());
    for (const GroupPtr& g : m_coll) g->Save(store, root);
    batch.Commit();
    return true;
  } catch (...) {
    g_Debug().OutError("CGroups.Save");
    return false;
  }
}

bool CGroups::Load() {
  try {
    ClearModel();
    if (!m_env->pStore) throw platform::Error("no settings store for the groups");
    const platform::SettingsStore& store = *m_env->pStore;
    const std::string root = m_env->RootSection();
    const std::string keys = store.GetSetting(kSettingsApp, root, "Keys");
    const std::string showAs = store.GetSetting(kSettingsApp, root, "ShowAs");
    for (const std::string& key : platform::Split(keys, ';')) {
      auto g = std::make_shared<CGroup>();
      if (!g->Load(store, root, key)) g_Debug().OutCustomError("CGroups:Load", "Can't load group");
      if (!Add(g)) g_Debug().OutCustomError("CGroups:Load", "Can't add group");
    }
    AddShowAsPairs(showAs, false);
    GetEmailsShowAs();
    return true;
  } catch (...) {
    g_Debug().OutError("CGroups.Load");
    return false;
  }
}

bool CGroups::Valid() const {
  for (const GroupPtr& g : m_coll) {
    MemberPtr me = g->GetMySelf();
    if (me && me->strEmail == m_env->strCurEmail) continue;
    const std::string own = me ? me->strEmail : std::string();
    m_env->Message(m_env->Text("LID_USER_EMAIL_OTHER_IN_GROUPS", {own, m_env->strCurEmail}), m_env->Text("LID_ERROR"),
                   platform::Buttons::OK, platform::Icon::Critical);
    return false;
  }
  return true;
}

void CGroups::Clear() {
  ClearModel();
  Save();
}

GroupPtr CGroups::CreateMyGroup(const std::string& strName) const {
  auto g = std::make_shared<CGroup>();
  g->strName = strName;
  g->strKey = NewKey();
  auto me = std::make_shared<CMember>();
  me->strName = m_env->strCurName;
  me->strEmail = m_env->strCurEmail;
  me->strKey = NewKey();
  me->nRole = ROLE_MANAGER;
  me->IsMySelf = true;
  me->bShare = true;
  g->Add(me);
  return g;
}

void CGroups::CopyFrom(const CGroups& oGroups) {
  if (&oGroups == this) return;
  ClearModel();
  for (const GroupPtr& src : oGroups.m_coll) {
    auto g = std::make_shared<CGroup>();
    g->CopyFrom(*src);
    m_coll.Add(g, g->strKey);
  }
  for (auto it = oGroups.m_collShowAs.begin(); it != oGroups.m_collShowAs.end(); ++it)
    m_collShowAs.Add(*it, it.key());
}

bool CGroups::Add(const GroupPtr& oGroup) {
  if (!oGroup || oGroup->strKey.empty() || m_coll.Exists(oGroup->strKey)) return false;
  m_coll.Add(oGroup, oGroup->strKey);
  return true;
}

GroupPtr CGroups::Item(int index) const {
  if (index < 1 || index > Count()) return nullptr;
  return m_coll.Item(index);
}

bool CGroups::Remove(const std::string& key) {
  if (key.empty() || !m_coll.Exists(key)) return false;
  m_coll.Remove(key);
  return true;
}

std::vector<GroupPtr> CGroups::Groups() const { return {m_coll.begin(), m_coll.end()}; }

void CGroups::AddShowAsPairs(const std::string& sShowAs, bool bLog) {
  std::vector<std::string> parts = platform::Split(sShowAs, ';');
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    const std::string& name = parts[i];
    const std::string& address = parts[i + 1];
    if (bLog) g_Debug().printf("CGroups::LoadFromXml, ShowAs = %s, Email = %s", name, address);
    if (address.empty() || m_collShowAs.Exists(address)) continue;
    m_collShowAs.Add(name + ";" + address, address);
  }
}

void CGroups::ClearModel() {
  m_coll.Clear();
  m_collShowAs.Clear();
}

bool SameStoredGroups(const CGroups& a, const CGroups& b) {
  if (a.Count() != b.Count()) return false;
  for (int i = 1; i <= a.Count(); ++i)
    if (!SameStoredGroup(*a.Item(i), *b.Item(i))) return false;
  const auto& sa = a.ShowAsTable();
  const auto& sb = b.ShowAsTable();
  if (sa.Count() != sb.Count()) return false;
  auto ia = sa.begin();
  auto ib = sb.begin();
  for (; ia != sa.end(); ++ia, ++ib)
    if (*ia != *ib || ia.key() != ib.key()) return false;
  return true;
}
