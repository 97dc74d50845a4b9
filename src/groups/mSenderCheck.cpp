#include "groups/mSenderCheck.h"

#include <algorithm>
#include <functional>

#include "diagnostics/CDebug.h"
#include "platform/Text.h"

namespace mSenderCheck {
namespace {

bool Refused(const CGroupMsg& msg, const std::string& why) {
  g_Debug().OutCustomError("CGroups.ProcessMsg", "refused " + msg.GetMessageName() + " from '" + msg.m_strMailFrom +
                                                     "': " + why);
  return false;
}

// A member who takes part in the group: added, real, not the local user.
bool IsActive(const CMember& m) { return m.WasAdded() && !m.IsVirtual() && !m.IsMySelf; }

MemberPtr ActiveByEmail(const CGroup& g, const std::string& email) {
  for (const MemberPtr& m : g.Members())
    if (IsActive(*m) && m->strEmail == email) return m;
  return nullptr;
}

bool Listed(const std::vector<std::string>& keys, const std::string& key) {
  return std::find(keys.begin(), keys.end(), key) != keys.end();
}

// Someone who may have made the change: the member the mail came from, or
// (when it only passes the broadcast on) a member of the group it names as
// already reached, the originator among them. The rule is the model's right
// of that member over the subject.
bool SomeActorMay(const CGroup& g, const MemberPtr& from, const CGroupMsg& msg,
                  const std::function<bool(const CMember& actor)>& may) {
  if (may(*from)) return true;
  for (const MemberPtr& m : g.Members())
    if (m != from && m->WasAdded() && !m->IsVirtual() && Listed(msg.m_colRecipKeys, m->strKey) && may(*m))
      return true;
  return false;
}

bool SameMember(const CMember& a, const CMember& b) { return a.strKey == b.strKey; }

bool Outranks(const CMember& actor, const CMember& subject) {
  return actor.nRole > ROLE_MEMBER && actor.nRole > subject.nRole;
}

// Broadcasts by key about a member of an existing group.
bool CheckBroadcast(const CGroups& groups, const CGroupMsg& msg) {
  const GroupPtr g = groups.Find(msg.m_strGroupKey);
  if (!g) return true;  // nothing to act on: ignored by the handler
  const MemberPtr from = ActiveByEmail(*g, msg.m_strMailFrom);
  if (!from) return Refused(msg, "not an active member of the group");
  const MemberPtr subject = g->Find(msg.m_strMemberKey);
  std::function<bool(const CMember&)> may;
  switch (msg.m_nMsgType) {
    case MSG_BROADCAST_ADD:
      if (msg.m_nMemberRole == ROLE_MANAGER) return Refused(msg, "a group has one manager");
      may = [&](const CMember& a) { return a.nRole > ROLE_MEMBER && a.CanAdd(msg.m_strMemberEmail); };
      break;
    case MSG_BROADCAST_REMOVE:
      if (!subject) return true;
      may = [&](const CMember& a) { return a.CanRemove(*subject); };
      break;
    case MSG_BROADCAST_MODIFY_ORDER:
      if (!subject) return true;
      if (msg.m_nMemberNewRole == ROLE_MANAGER || subject->IsManager())
        return Refused(msg, "the manager's role does not change");
      may = [&](const CMember& a) { return !SameMember(a, *subject) && Outranks(a, *subject); };
      break;
    case MSG_BROADCAST_MODIFIEDSHARE:
      if (!subject) return true;
      may = [&](const CMember& a) {
        return !SameMember(a, *subject) && a.nRole > ROLE_MEMBER && a.nRole >= subject->nRole && !subject->IsVirtual();
      };
      break;
    case MSG_BROADCAST_MODIFIEDNAME:
      if (!subject) return true;
      may = [&](const CMember& a) { return SameMember(a, *subject) || Outranks(a, *subject); };
      break;
    default:
      return true;
  }
  if (!SomeActorMay(*g, from, msg, may)) return Refused(msg, "no member it names may make this change");
  return true;
}

bool FromManager(const CGroup& g, const std::string& from) {
  const MemberPtr manager = g.GetManager();
  return manager && !manager->IsMySelf && manager->strEmail == from;
}

bool CheckAnswer(const CGroups& groups, const CGroupMsg& msg) {
  const MemberPtr pending = msg.m_strActionKey.empty() ? nullptr : groups.FindByAction(msg.m_strActionKey);
  const GroupPtr group = pending ? groups.Find(pending->strGroupKey) : nullptr;
  if (!group) return true;  // nothing pending: ignored by the handler
  const std::string& from = msg.m_strMailFrom;
  switch (msg.m_nMsgType) {
    case MSG_ADD_REPLAY:
      if (pending->strEmail != from) return Refused(msg, "not the member the request went to");
      return true;
    case MSG_ADD_CONFIRMATION: {
      // The request came from the manager or from an assistant, who is
      // among the members the confirmation lists.
      const bool byAssistant =
          std::any_of(msg.m_colMembers.begin(), msg.m_colMembers.end(),
                      [&](const MemberPtr& m) { return m->strEmail == from && m->nRole == ROLE_ASSISTANT; });
      if (!FromManager(*group, from) && !byAssistant) return Refused(msg, "not the party of the request");
      return true;
    }
    case MSG_ABORT: {
      const MemberPtr actor = ActiveByEmail(*group, from);
      if (pending->strEmail != from && !(actor && actor->nRole > ROLE_MEMBER))
        return Refused(msg, "not the party of the request");
      return true;
    }
    default:
      return true;
  }
}

bool CheckRequest(const CGroups& groups, const CGroupMsg& msg) {
  if (msg.m_strSenderEmail.empty() || msg.m_strSenderEmail != msg.m_strMailFrom)
    return Refused(msg, "the requester named is not the sender");
  if (const GroupPtr g = groups.Find(msg.m_strGroupKey)) {
    const MemberPtr from = ActiveByEmail(*g, msg.m_strMailFrom);
    if (!from || from->nRole == ROLE_MEMBER) return Refused(msg, "not a member who may add to the group");
  }
  return true;
}

bool CheckEmailChange(const CGroups& groups, const CGroupMsg& msg) {
  const std::string& from = msg.m_strMailFrom;
  if (from == msg.m_strMemberEmailOld || from == msg.m_strMemberEmailNew) return true;
  // Passed on by a member who shares a group with the old address.
  for (const GroupPtr& g : groups.Groups())
    if (g->FindByEmail(msg.m_strMemberEmailOld) && ActiveByEmail(*g, from)) return true;
  return Refused(msg, "neither the member nor a member of his groups");
}

bool CheckUpdate(const CGroups& groups, const CGroupMsg& msg) {
  if (msg.m_strSenderEmail.empty() || msg.m_strSenderEmail != msg.m_strMailFrom)
    return Refused(msg, "the sender named is not the sender");
  // Only the manager of a local group may replace or remove it.
  std::vector<std::string> touched = platform::Split(msg.m_sGroupsToRemove, ';');
  for (const GroupPtr& g : msg.m_colGroups) touched.push_back(g->strKey);
  const std::vector<std::string> ignore = platform::Split(msg.m_sGroupsToIgnore, ';');
  for (const GroupPtr& g : groups.Groups())
    if (g->FindByEmail(msg.m_strSenderEmail) && !Listed(ignore, g->strKey)) touched.push_back(g->strKey);
  for (const std::string& key : touched) {
    const GroupPtr local = key.empty() ? nullptr : groups.Find(key);
    if (local && !FromManager(*local, msg.m_strMailFrom)) return Refused(msg, "not the manager of " + key);
  }
  return true;
}

}  // namespace

bool MayApply(const CGroups& groups, const CGroupMsg& msg) {
  if (msg.m_strMailFrom.empty()) return Refused(msg, "no sender address");
  switch (msg.m_nMsgType) {
    case MSG_ADD_REQUEST:
      return CheckRequest(groups, msg);
    case MSG_ADD_REPLAY:
    case MSG_ADD_CONFIRMATION:
    case MSG_ABORT:
      return CheckAnswer(groups, msg);
    case MSG_BROADCAST_EMAILCHANGE:
      return CheckEmailChange(groups, msg);
    case MSG_UPDATE_MEMBERGROUPS:
      return CheckUpdate(groups, msg);
    default:
      return CheckBroadcast(groups, msg);
  }
}

}  // namespace mSenderCheck
