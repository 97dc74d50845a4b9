#include "groups/CMember.h"

#include "diagnostics/CDebug.h"
#include "platform/Error.h"
#include "platform/SettingsStore.h"
#include "platform/Text.h"

namespace {

// The Basic runtime's number for a type mismatch.
constexpr long kTypeMismatch = 13;

}  // namespace

bool CMember::CanAdd(const std::string& strEmail) const {
  if (!strEmail.empty()) {
    if (platform::EqualsNoCase(strEmail, this->strEmail)) return false;
    size_t slash = strEmail.find('/');
    if (slash != std::string::npos) {
      // A virtual member: only the manager may add calendars of his own.
      if (!platform::EqualsNoCase(strEmail.substr(0, slash), this->strEmail)) return false;
      if (!IsManager()) return false;
    }
  }
  switch (nRole) {
    case ROLE_MANAGER:
      return !bMarkedForRemoving;
    case ROLE_ASSISTANT:
      return !bMarkedForRemoving && nAction == ACTION_NONE;
    default:
      return false;
  }
}

bool CMember::CanRemove(const CMember& other) const {
  if (other.IsVirtual()) return platform::EqualsNoCase(strEmail, other.strEmailOwner);
  if (other.bMarkedForRemoving) return false;
  if (IsMe(other)) return true;  // leaving the group
  return nRole > other.nRole;
}

bool CMember::CanModify(const CMember& other) const {
  if (other.IsVirtual() || other.bMarkedForRemoving || IsMe(other)) return false;
  if (nAction != ACTION_NONE || other.nAction != ACTION_NONE) return false;
  if (nRole == ROLE_MEMBER || nRole < other.nRole) return false;
  if (nRole == other.nRole) return other.bModifying;
  return true;
}

bool CMember::CanModifyName(const CMember& other) const {
  if (other.bMarkedForRemoving) return false;
  if (IsMe(other)) return true;
  if (nRole == ROLE_MEMBER || nRole < other.nRole) return false;
  if (nRole == other.nRole) return other.bModifying;
  return true;
}

bool CMember::CanModifyShare(const CMember& other) const {
  if (!bShare) {
    g_Debug().OutCustomError("CMember.CanModifyShare", "Me is not shared");
    throw platform::Error("Type mismatch", kTypeMismatch);
  }
  if (other.IsVirtual() || other.bMarkedForRemoving || IsMe(other)) return false;
  if (nRole == ROLE_MEMBER || nRole < other.nRole) return false;
  if (nRole == ROLE_ASSISTANT && other.nRole == ROLE_ASSISTANT && other.bShare) return false;
  return nAction == ACTION_NONE;
}

void CMember::ClearAction() {
  strActionKey.clear();
  nWait = WAIT_NONE;
  nAction = ACTION_NONE;
  nSubAction = SUB_ACTION_NONE;
}

void CMember::CopyFrom(const CMember& other) {
  bool keepModifyingShare = bModifyingShare;
  *this = other;
  bModifyingShare = keepModifyingShare;
}

void CMember::Save(platform::SettingsStore& store, const std::string& sRoot) const {
  const std::string section = sRoot + "\\" + strGroupKey + "\\" + strKey;
  if (nAction == ACTION_MODIFYING) g_Debug().OutWarning("CMember.Save", "nAction = ACTION_MODIFYING");
  store.SaveSetting(kSettingsApp, section, "Name", strName);
  store.SaveSetting(kSettingsApp, section, "Email", strEmail);
  store.SaveSetting(kSettingsApp, section, "EmailOwner", strEmailOwner);
  store.SaveSetting(kSettingsApp, section, "Role", Role2Str(nRole));
  store.SaveSetting(kSettingsApp, section, "MySelf", Bool2Str(IsMySelf));
  store.SaveSetting(kSettingsApp, section, "ActionKey", strActionKey);
  store.SaveSetting(kSettingsApp, section, "NewRole", Role2Str(nNewRole));
  store.SaveSetting(kSettingsApp, section, "Wait", Wait2Str(nWait));
  store.SaveSetting(kSettingsApp, section, "Action", Action2Str(nAction));
  store.SaveSetting(kSettingsApp, section, "SubAction", std::to_string(nSubAction));
  store.SaveSetting(kSettingsApp, section, "Share", Bool2Str(bShare));
}

bool CMember::Load(const platform::SettingsStore& store, const std::string& sRoot, const std::string& sGroupKey,
                   const std::string& strKey) {
  const std::string section = sRoot + "\\" + sGroupKey + "\\" + strKey;
  auto get = [&](const char* key, const char* def = "") { return store.GetSetting(kSettingsApp, section, key, def); };
  this->strKey = strKey;
  strGroupKey = sGroupKey;
  strName = get("Name");
  strEmail = platform::Lower(get("Email"));
  strEmailOwner = platform::Lower(get("EmailOwner"));
  if (!Str2Role(get("Role"), nRole)) return false;
  IsMySelf = get("MySelf") == "1";
  strActionKey = get("ActionKey");
  if (!Str2Role(get("NewRole"), nNewRole)) return false;
  if (!Str2Wait(get("Wait"), nWait)) return false;
  if (!Str2Action(get("Action"), nAction)) return false;
  if (!platform::ParseInt(get("SubAction", "0"), nSubAction)) return false;
  bShare = get("Share", "1") == "1";
  if (IsVirtual() && bShare) g_Debug().OutWarning("CMember.Load", "Member (" + strEmail + ") IsVirtual And Shared!");
  return true;
}

bool SameStoredMember(const CMember& a, const CMember& b) {
  return a.strGroupKey == b.strGroupKey && a.strName == b.strName && a.strEmail == b.strEmail &&
         a.strEmailOwner == b.strEmailOwner && a.bShare == b.bShare && a.strKey == b.strKey &&
         a.nRole == b.nRole && a.IsMySelf == b.IsMySelf && a.strActionKey == b.strActionKey &&
         a.nNewRole == b.nNewRole && a.nWait == b.nWait && a.nAction == b.nAction && a.nSubAction == b.nSubAction;
}
