#include "groups/CGroupMsgSender.h"

#include <algorithm>

#include "diagnostics/CDebug.h"
#include "exchange/mMain.h"
#include "groups/CGroups.h"
#include "platform/Text.h"

namespace {

bool Contains(const std::vector<std::string>& list, const std::string& value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

bool ContainsNoCase(const std::vector<std::string>& list, const std::string& value) {
  return std::any_of(list.begin(), list.end(), [&](const std::string& s) { return platform::EqualsNoCase(s, value); });
}

std::vector<std::string> One(const std::string& strEmail) { return {strEmail}; }

int64_t g_lastSendMs = 0;

}  // namespace

std::string CGroupMsgSender::NextSendTime(const mMain::MailEnv& env) {
  int64_t ms = env.clock.UtcMs();
  if (ms <= g_lastSendMs) ms = g_lastSendMs + 1;
  g_lastSendMs = ms;
  return CGroupMsg::TimeText(ms);
}

void CGroupMsgSender::Send(const char* source, int type, const Fill& fill) {
  try {
    CGroupMsg out;
    out.m_nMsgType = type;
    const std::vector<std::string> recipients = fill(out);
    if (recipients.empty()) return;
    out.m_nMajor = mEnvelope::kAppMajor;
    out.m_nMinor = mEnvelope::kAppMinor;
    out.m_strSendTime = NextSendTime(m_env);
    const std::string text = out.ComposeText();
    g_Debug().Out("SEND MAIL TO: " + platform::Join(recipients, ";") + "<BODY>" + text + "</BODY>");
    mMain::SendGroupMail(m_env, recipients, text);
  } catch (...) {
    g_Debug().OutError(source);
  }
}

std::vector<std::string> CGroupMsgSender::BroadcastByKey(CGroupMsg& out, const CGroup& oGroup,
                                                         const CMember& oSubject,
                                                         const std::vector<std::string>& reachedKeys,
                                                         bool bIncludeSubject, bool bSendToUnshared) {
  std::vector<std::string> recipients;
  out.m_colRecipKeys = reachedKeys;
  for (const MemberPtr& m : oGroup.Members()) {
    if (m->strKey == oSubject.strKey || m->IsVirtual() || !m->WasAdded()) continue;
    if (Contains(reachedKeys, m->strKey)) continue;
    out.m_colRecipKeys.push_back(m->strKey);
    if (!m->IsMySelf && m->bShare) recipients.push_back(m->strEmail);
  }
  if (bIncludeSubject && !Contains(reachedKeys, oSubject.strKey)) {
    out.m_colRecipKeys.push_back(oSubject.strKey);
    if (!oSubject.IsMySelf && !oSubject.IsVirtual() && (bSendToUnshared || oSubject.bShare))
      recipients.push_back(oSubject.strEmail);
  }
  return recipients;
}

void CGroupMsgSender::BroadcastAbout(const char* source, int type, const CMember& oMember, const CGroup& oGroup,
                                     const std::vector<std::string>& reachedKeys, bool bIncludeSubject,
                                     bool bSendToUnshared, const std::function<void(CGroupMsg& out)>& set) {
  Send(source, type, [&](CGroupMsg& out) {
    out.m_strGroupKey = oGroup.strKey;
    out.m_strMemberKey = oMember.strKey;
    set(out);
    return BroadcastByKey(out, oGroup, oMember, reachedKeys, bIncludeSubject, bSendToUnshared);
  });
}

void CGroupMsgSender::SendBroadcastModifiedShare(const CMember& oMember, const CGroup& oGroup,
                                                 const std::vector<std::string>& reachedKeys) {
  // A member whose sharing was just switched off is told so although he no
  // longer shares; the one switched on learnt it from the confirmation.
  BroadcastAbout("CGroupMsg.SendBroadcastModifiedShare", MSG_BROADCAST_MODIFIEDSHARE, oMember, oGroup, reachedKeys,
                 !oMember.bShare, true, [&](CGroupMsg& out) { out.m_bMemberNewShare = oMember.bShare; });
}

void CGroupMsgSender::SendBroadcastChangeEmail(const CGroups& oGroups, const std::string& strOldEmail,
                                               const std::string& strNewEmail,
                                               const std::vector<std::string>& reachedEmails) {
  Send("CGroupMsg.SendBroadcastChangeEmail", MSG_BROADCAST_EMAILCHANGE, [&](CGroupMsg& out) {
    out.m_strMemberEmailOld = platform::Lower(strOldEmail);
    out.m_strMemberEmailNew = platform::Lower(strNewEmail);
    out.m_colRecipients = reachedEmails;
    std::vector<std::string> recipients;
    for (const GroupPtr& g : oGroups.Groups()) {
      for (const MemberPtr& m : g->Members()) {
        if (!m->WasAdded() || m->IsVirtual()) continue;
        if (platform::EqualsNoCase(m->strEmail, strOldEmail) || platform::EqualsNoCase(m->strEmail, strNewEmail))
          continue;
        if (ContainsNoCase(out.m_colRecipients, m->strEmail)) continue;
        out.m_colRecipients.push_back(m->strEmail);
        if (!m->IsMySelf && m->bShare) recipients.push_back(m->strEmail);
      }
    }
    return recipients;
  });
}

void CGroupMsgSender::SendAddRequest(const CGroup& oGroup, const CMember& oMember) {
  Send("CGroupMsg.SendAddRequest", MSG_ADD_REQUEST, [&](CGroupMsg& out) {
    out.m_strGroupKey = oGroup.strKey;
    out.m_strGroupName = oGroup.strName;
    out.m_strSenderEmail = m_env.CurAddress();
    if (MemberPtr manager = oGroup.GetManager()) {
      out.m_strManagerKey = manager->strKey;
      out.m_strManagerName = manager->strName;
      out.m_strManagerEmail = manager->strEmail;
      out.m_bManagerShare = manager->bShare;
    }
    out.m_strActionKey = oMember.strActionKey;
    out.m_strMemberName = oMember.strName;
    out.m_strMemberEmail = oMember.strEmail;
    out.m_strMemberKey = oMember.strKey;
    out.m_nMemberRole = oMember.nRole;
    out.m_bMemberShare = oMember.bShare;
    return One(oMember.strEmail);
  });
}

void CGroupMsgSender::SendAddReplay(const std::string& strEmail, const std::string& strActionKey, bool bAccept) {
  Send("CGroupMsg.SendAddReplay", MSG_ADD_REPLAY, [&](CGroupMsg& out) {
    out.m_strActionKey = strActionKey;
    out.m_bAccept = bAccept;
    return One(strEmail);
  });
}

void CGroupMsgSender::SendAddConfirmation(const std::string& strEmail, const CGroup& oGroup,
                                          const CMember& oNewMember, const std::string& strActionKey) {
  Send("CGroupMsg.SendAddConfirmation", MSG_ADD_CONFIRMATION, [&](CGroupMsg& out) {
    // The new member knows the manager from the request already.
    for (const MemberPtr& m : oGroup.Members()) {
      if (m->strKey == oNewMember.strKey || m->IsManager() || !m->WasAdded()) continue;
      out.m_colMembers.push_back(m);
    }
    out.m_strActionKey = strActionKey;
    return One(strEmail);
  });
}

void CGroupMsgSender::SendBroadcastAdd(const CMember& oMember, const CGroup& oGroup,
                                       const std::vector<std::string>& reachedKeys) {
  BroadcastAbout("CGroupMsg.SendBroadcastAdd", MSG_BROADCAST_ADD, oMember, oGroup, reachedKeys, false, false,
                 [&](CGroupMsg& out) {
                   out.m_strMemberName = oMember.strName;
                   out.m_strMemberEmail = oMember.strEmail;
                   out.m_strMemberEmailOwner = oMember.strEmailOwner;
                   out.m_nMemberRole = oMember.nRole;
                   out.m_bMemberShare = oMember.bShare;
                 });
}

void CGroupMsgSender::SendModifyRequest(const CGroup& oGroup, const CMember& oMember, int nNewRole) {
  Send("CGroupMsg.SendModifyRequest", MSG_MODIFY_REQUEST, [&](CGroupMsg& out) {
    out.m_strGroupKey = oGroup.strKey;
    out.m_strMemberKey = oMember.strKey;
    if (MemberPtr me = oGroup.GetMySelf()) out.m_strSenderKey = me->strKey;
    out.m_strSenderEmail = m_env.CurAddress();
    out.m_strActionKey = oMember.strActionKey;
    out.m_nMemberNewRole = nNewRole;
    return One(oMember.strEmail);
  });
}

void CGroupMsgSender::SendModifyReplay(const std::string& strEmail, const std::string& strActionKey,
                                       bool bAccept) {
  Send("CGroupMsg.SendModifyReplay", MSG_MODIFY_REPLAY, [&](CGroupMsg& out) {
    out.m_strActionKey = strActionKey;
    out.m_bAccept = bAccept;
    return One(strEmail);
  });
}

void CGroupMsgSender::SendModifyConfirmation(const CMember& oMember) {
  Send("CGroupMsg.SendModifyConfirmation", MSG_MODIFY_CONFIRMATION, [&](CGroupMsg& out) {
    out.m_strActionKey = oMember.strActionKey;
    return One(oMember.strEmail);
  });
}

void CGroupMsgSender::SendBroadcastModifyName(const CMember& oMember, const CGroup& oGroup,
                                              const std::vector<std::string>& reachedKeys) {
  BroadcastAbout("CGroupMsg.SendBroadcastModifyName", MSG_BROADCAST_MODIFIEDNAME, oMember, oGroup, reachedKeys,
                 oMember.bShare, false, [&](CGroupMsg& out) { out.m_strMemberNewName = oMember.strName; });
}

void CGroupMsgSender::SendBroadcastModifyOrder(const CMember& oMember, const CGroup& oGroup,
                                               const std::vector<std::string>& reachedKeys) {
  BroadcastAbout("CGroupMsg.SendBroadcastModifyOrder", MSG_BROADCAST_MODIFY_ORDER, oMember, oGroup, reachedKeys,
                 oMember.bShare, false, [&](CGroupMsg& out) { out.m_nMemberNewRole = oMember.nRole; });
}

void CGroupMsgSender::SendBroadcastModify(const CMember& oMember, const CGroup& oGroup,
                                          const std::vector<std::string>& reachedKeys) {
  BroadcastAbout("CGroupMsg.SendBroadcastModify", MSG_BROADCAST_MODIFY, oMember, oGroup, reachedKeys, false, false,
                 [&](CGroupMsg& out) { out.m_nMemberNewRole = oMember.nRole; });
}

void CGroupMsgSender::SendBroadcastRemove(const CMember& oMember, const CGroup& oGroup,
                                          const std::vector<std::string>& reachedKeys) {
  BroadcastAbout("CGroupMsg.SendBroadcastRemove", MSG_BROADCAST_REMOVE, oMember, oGroup, reachedKeys, true, false,
                 [](CGroupMsg&) {});
}

void CGroupMsgSender::SendAbort(const CMember& oMember) {
  Send("CGroupMsg.SendAbort", MSG_ABORT, [&](CGroupMsg& out) {
    out.m_strActionKey = oMember.strActionKey;
    return One(oMember.strEmail);
  });
}

void CGroupMsgSender::SendBroadcastUpdateMemeberGroups(const CGroups& oGroups, const std::string& strEmail,
                                                       const std::string& sGroupsToIgnore,
                                                       const std::vector<std::string>& reachedEmails) {
  Send("CGroupMsg.SendBroadcastUpdateMemeberGroups", MSG_BROADCAST_UPDATE_MEMBERGROUPS, [&](CGroupMsg& out) {
    out.m_strMemberEmail = platform::Lower(strEmail);
    out.m_sGroupsToIgnore = sGroupsToIgnore;
    out.m_colRecipients = reachedEmails;
    std::vector<std::string> recipients;
    for (const GroupPtr& g : oGroups.Groups()) {
      if (!g->FindByEmail(platform::Lower(strEmail))) continue;
      for (const MemberPtr& m : g->Members()) {
        if (!m->WasAdded() || m->IsVirtual() || !m->bShare) continue;
        if (platform::EqualsNoCase(m->strEmail, strEmail) || ContainsNoCase(out.m_colRecipients, m->strEmail))
          continue;
        out.m_colRecipients.push_back(m->strEmail);
        if (!m->IsMySelf) recipients.push_back(m->strEmail);
      }
    }
    return recipients;
  });
}

void CGroupMsgSender::SendUpdateMemberGroups(const std::string& strEmail, const CGroups& oGroups,
                                             const std::string& sGroupsToIgnore,
                                             const std::string& sGroupsToRemove) {
  Send("CGroupMsg.SendUpdateMemberGroups", MSG_UPDATE_MEMBERGROUPS, [&](CGroupMsg& out) {
    out.m_sGroupsToIgnore = sGroupsToIgnore;
    out.m_sGroupsToRemove = sGroupsToRemove;
    out.m_strSenderEmail = m_env.CurAddress();
    for (const GroupPtr& g : oGroups.Groups()) {
      if (!g->FindByEmail(platform::Lower(strEmail))) continue;
      auto copy = std::make_shared<CGroup>();
      copy->strKey = g->strKey;
      copy->strName = g->strName;
      for (const MemberPtr& m : g->Members()) {
        if (m->WasAdded()) copy->m_coll.Add(m, m->strKey);
      }
      out.m_colGroups.push_back(copy);
    }
    return One(strEmail);
  });
}
