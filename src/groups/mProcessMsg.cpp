#include "groups/mProcessMsg.h"

#include <algorithm>
#include <optional>
#include <set>

#include "platform/redemption/RDOSession.h"
#include "diagnostics/CDebug.h"
#include "groups/mSenderCheck.h"
#include "platform/Error.h"
#include "platform/Text.h"
#include "platform/store/Folder.h"
#include "platform/store/Items.h"
#include "platform/store/MailSession.h"

namespace mProcessMsg {
namespace {

const char* const kTitle = "Zentabo";

const mOptions::Options& Options(const ProcessEnv& env) { return env.options; }

void Notice(const ProcessEnv& env, const std::string& lid, const std::vector<std::string>& args) {
  CGroupsEnv& genv = env.groups.Env();
  genv.Message(genv.Text(lid, args), kTitle, platform::Buttons::OK, platform::Icon::Information);
}

void DeleteMail(ProcessEnv& env, platform::Item& mail) {
  if (env.DeleteMail)
    env.DeleteMail(mail);
  else
    mMain::DiscardMail(mail);
}

// The group and member a message names by "group.key" and "member.key";
// either is null when missing.
struct Target {
  GroupPtr group;
  MemberPtr member;
};

Target FindTarget(const CGroups& groups, const CGroupMsg& msg) {
  Target t;
  t.group = groups.Find(msg.m_strGroupKey);
  if (t.group) t.member = t.group->Find(msg.m_strMemberKey);
  return t;
}

// The pending member of an answer and its group.
Target FindPending(const CGroups& groups, const std::string& strActionKey) {
  Target t;
  if (strActionKey.empty()) return t;
  t.member = groups.FindByAction(strActionKey);
  if (t.member) t.group = groups.Find(t.member->strGroupKey);
  if (!t.group) t.member.reset();
  return t;
}

void AddRequest(ProcessEnv& env, const CGroupMsg& msg, IGroupMsgSender& sender) {
  CGroups& groups = env.groups;
  CGroupsEnv& genv = groups.Env();
  bool bAccept = false;
  if (groups.FindByName(msg.m_strGroupName)) {
    Notice(env, "LID_DECLINE_ADDREQUEST", {msg.m_strSenderEmail});
  } else if (groups.Count() >= CGroups::kMaxGroups) {
    g_Debug().OutWarning("CGroups.ProcessMsg", "ADD_REQUEST declined: " + std::to_string(groups.Count()) +
                                                   " groups already (limit " + std::to_string(CGroups::kMaxGroups) +
                                                   ")");
  } else if (!platform::EqualsNoCase(msg.m_strMemberEmail, genv.strCurEmail)) {
    g_Debug().OutWarning("CGroups.ProcessMsg", "ADD_REQUEST, different address in msg - '" + msg.m_strMemberEmail +
                                                   "', auto decline request");
  } else if (Options(env).AutoAcceptEnable) {
    bAccept = Options(env).AutoAcceptValue == "Accept";
  } else {
    bAccept = genv.Message(genv.Text("LID_ACCEPT_ADDREQUEST", {msg.m_strGroupName}), kTitle,
                           platform::Buttons::YesNo, platform::Icon::Question) == platform::IDYES;
  }

  if (bAccept) {
    auto manager = std::make_shared<CMember>();
    manager->strKey = msg.m_strManagerKey;
    manager->strName = msg.m_strManagerName;
    manager->strEmail = msg.m_strManagerEmail;
    manager->bShare = msg.m_bManagerShare;
    manager->nRole = ROLE_MANAGER;

    auto me = std::make_shared<CMember>();
    me->strKey = msg.m_strMemberKey;
    me->strName = msg.m_strMemberName;
    me->strEmail = msg.m_strMemberEmail;
    me->nRole = msg.m_nMemberRole;
    me->IsMySelf = true;
    me->bShare = true;
    me->strActionKey = msg.m_strActionKey;
    me->nAction = ACTION_ADDING;
    me->nWait = WAIT_CONFIRMATION;
    if (!msg.m_bMemberShare)
      g_Debug().OutCustomError("CGroups.ProcessMsg",
                               "recive email kotorogo ne dolzen bil poluchit - CREATE ME with Share off");

    auto group = std::make_shared<CGroup>();
    group->strKey = msg.m_strGroupKey;
    group->strName = msg.m_strGroupName;
    group->Add(manager);
    group->Add(me);
    if (!groups.Add(group)) {
      g_Debug().OutWarning("CGroups.ProcessMsg", "ADD_REQUEST, group exists already - " + msg.m_strGroupKey);
      bAccept = false;
    }
  }
  sender.SendAddReplay(msg.m_strSenderEmail, msg.m_strActionKey, bAccept);
}

void AddReplay(ProcessEnv& env, const CGroupMsg& msg, IGroupMsgSender& sender) {
  CGroups& groups = env.groups;
  const Target t = FindPending(groups, msg.m_strActionKey);
  if (!t.member) return;
  CMember& member = *t.member;
  if (member.nSubAction != SUB_ACTION_NONE && member.nSubAction != SUB_ACTION_SHARE_ON) {
    g_Debug().OutWarning("cGroups.ProcessMsg(MSG_ADD_REPLAY)", "Invalid SUB_ACTION = " +
                                                                   std::to_string(member.nSubAction));
    return;
  }
  const bool bShareOn = member.nSubAction == SUB_ACTION_SHARE_ON;
  if (!msg.m_bAccept) {
    Notice(env, "LID_MEMBER_DECLINED_REQUEST", {member.strName, member.strEmail, t.group->strName});
    if (bShareOn) {
      member.ClearAction();
      member.bShare = false;
    } else {
      t.group->Remove(member.strKey);
    }
    return;
  }
  sender.SendAddConfirmation(member.strEmail, *t.group, member, msg.m_strActionKey);
  member.ClearAction();
  if (bShareOn)
    sender.SendBroadcastModifiedShare(member, *t.group, {});
  else
    sender.SendBroadcastAdd(member, *t.group, {});
  if (env.SendMembersItems)
    env.SendMembersItems(member.strEmail, t.group->strName,
                         bShareOn ? groups.GetMemberShareGroupsCount(member.strEmail) : 0);
}

void AddConfirmation(ProcessEnv& env, const CGroupMsg& msg) {
  const Target t = FindPending(env.groups, msg.m_strActionKey);
  if (!t.member) return;
  for (const MemberPtr& listed : msg.m_colMembers) {
    auto member = std::make_shared<CMember>();
    member->CopyFrom(*listed);
    member->IsMySelf = false;
    member->ClearAction();
    t.group->Add(member);
  }
  t.member->ClearAction();
}

void BroadcastAdd(ProcessEnv& env, const CGroupMsg& msg, IGroupMsgSender& sender) {
  const GroupPtr group = env.groups.Find(msg.m_strGroupKey);
  if (!group || group->Find(msg.m_strMemberKey)) return;
  auto member = std::make_shared<CMember>();
  member->strKey = msg.m_strMemberKey;
  member->strName = msg.m_strMemberName;
  member->strEmail = msg.m_strMemberEmail;
  member->strEmailOwner = msg.m_strMemberEmailOwner;
  member->nRole = msg.m_nMemberRole;
  member->bShare = msg.m_bMemberShare;
  if (!group->Add(member)) return;
  sender.SendBroadcastAdd(*member, *group, msg.m_colRecipKeys);
}

void Abort(ProcessEnv& env, const CGroupMsg& msg) {
  const Target t = FindPending(env.groups, msg.m_strActionKey);
  if (!t.member) return;
  t.group->AbortMember(t.member, &env.groups, nullptr);
}

void BroadcastRemove(ProcessEnv& env, const CGroupMsg& msg, IGroupMsgSender& sender) {
  const Target t = FindTarget(env.groups, msg);
  if (!t.member) return;
  if (!Options(env).NShowRemoveGroupsMes) {
    const char* lid = t.member->IsMySelf      ? "LID_ME_WAS_REMOVED"
                      : t.member->IsManager() ? "LID_GROUP_WAS_DELETED"
                                              : "LID_MEMBER_DELETED";
    Notice(env, lid, {t.group->strName, t.member->strName});
  }
  t.group->RemoveMember(t.member, &env.groups, &sender, true, msg.m_colRecipKeys);
}

void BroadcastModifyOrder(ProcessEnv& env, const CGroupMsg& msg, IGroupMsgSender& sender) {
  const Target t = FindTarget(env.groups, msg);
  if (!t.member) return;
  if (t.member->nAction == ACTION_ADDING && t.member->nSubAction == SUB_ACTION_SHARE_ON)
    t.group->AbortMember(t.member, &env.groups, &sender);
  t.member->ClearAction();
  t.member->nRole = msg.m_nMemberNewRole;
  sender.SendBroadcastModifyOrder(*t.member, *t.group, msg.m_colRecipKeys);
}

void BroadcastEmailChange(ProcessEnv& env, const CGroupMsg& msg, IGroupMsgSender& sender) {
  CGroups& groups = env.groups;
  const MemberPtr member = groups.FindByEmail(msg.m_strMemberEmailOld);
  if (!member) return;
  if (member->IsMySelf) {
    g_Debug().OutCustomError("CGroups.ProcessMsg", "Recive Email with order to change my address");
    return;
  }
  Notice(env, "LID_MEMBER_CHANGED_EMAIL", {msg.m_strMemberEmailOld, msg.m_strMemberEmailNew});
  groups.ChangeEmailAddress(msg.m_strMemberEmailOld, msg.m_strMemberEmailNew, &sender, msg.m_colRecipients);
}

bool BroadcastModifiedShare(ProcessEnv& env, const CGroupMsg& msg, IGroupMsgSender& sender) {
  const Target t = FindTarget(env.groups, msg);
  if (!t.member) return true;
  CMember& member = *t.member;
  if (member.IsMySelf) {
    if (msg.m_bMemberNewShare) {
      g_Debug().OutCustomError("CGroups.ProcessMsg",
                               "STR_BROADCAST_MODIFY_SHARE oMember.IsMySelf=true And NewShare=true recieved");
      return false;
    }
    if (!Options(env).NShowRemoveGroupsMes) Notice(env, "LID_REMOVE_ME_NOTIFICATION", {t.group->strName});
    member.bShare = false;
    sender.SendBroadcastModifiedShare(member, *t.group, msg.m_colRecipKeys);
    t.group->RemoveMember(t.member, &env.groups, &sender, false);
    return true;
  }
  member.ClearAction();
  member.bShare = msg.m_bMemberNewShare;
  sender.SendBroadcastModifiedShare(member, *t.group, msg.m_colRecipKeys);
  return true;
}

void BroadcastModifiedName(ProcessEnv& env, const CGroupMsg& msg, IGroupMsgSender& sender) {
  const Target t = FindTarget(env.groups, msg);
  if (!t.member) return;
  t.member->strName = msg.m_strMemberNewName;
  sender.SendBroadcastModifyName(*t.member, *t.group, msg.m_colRecipKeys);
}

void UpdateMemberGroups(ProcessEnv& env, const CGroupMsg& msg) {
  CGroups& groups = env.groups;
  g_Debug().Out("Reciving updated groups from " + msg.m_strSenderEmail);
  for (const std::string& key : platform::Split(msg.m_sGroupsToRemove, ';'))
    if (!key.empty()) groups.Remove(key);
  const std::vector<std::string> ignore = platform::Split(msg.m_sGroupsToIgnore, ';');
  const std::vector<GroupPtr> local = groups.Groups();
  for (auto it = local.rbegin(); it != local.rend(); ++it) {
    const GroupPtr& g = *it;
    if (g->FindByEmail(msg.m_strSenderEmail) && std::find(ignore.begin(), ignore.end(), g->strKey) == ignore.end())
      groups.Remove(g->strKey);
  }
  for (const GroupPtr& received : msg.m_colGroups) {
    groups.Remove(received->strKey);
    auto copy = std::make_shared<CGroup>();
    copy->CopyFrom(*received);
    bool bHasMe = false;
    for (const MemberPtr& m : copy->Members()) {
      m->IsMySelf = platform::EqualsNoCase(m->strEmail, groups.Env().strCurEmail);
      bHasMe = bHasMe || m->IsMySelf;
    }
    if (bHasMe && groups.Count() >= CGroups::kMaxGroups) {
      g_Debug().OutWarning("ProcessMsg", "MSG_UPDATE_GROUPS: group \"" + received->strName + "\" dropped, " +
                                             std::to_string(CGroups::kMaxGroups) + " groups already");
    } else if (bHasMe) {
      groups.Add(copy);
    } else {
      g_Debug().OutWarning("ProcessMsg", "MSG_UPDATE_GROUPS: recived group \"" + received->strName +
                                             "\" has no me, posibly you have change you email address");
    }
  }
}

// "ProcessMsg Start = " / "ProcessMsg End = " with the folder counts.
void LogCounts(const ProcessEnv& env, const std::string& what, const CGroupMsg& msg) {
  if (!env.bDetailedDebug) return;
  try {
    const platform::MailSession& session = env.mail.session.Profile();
    const platform::Folder& zentab = env.groups.Env().fldZentab;
    g_Debug().Out(what + msg.GetMessageName());
    g_Debug().Out("    Calendar.Items.Count = " +
                  std::to_string(session.GetDefaultFolder(platform::olFolderCalendar).Items().Count()));
    g_Debug().Out("    Zentab.Items.Count = " + std::to_string(zentab ? zentab.Items().Count() : 0));
    g_Debug().Out("    Deleted.Items.Count = " +
                  std::to_string(session.GetDefaultFolder(platform::olFolderDeletedItems).Items().Count()));
  } catch (...) {
    g_Debug().OutError("CGroups.ProcessMsg");
  }
}

}  // namespace

std::vector<std::unique_ptr<CGroupMsg>> SortMessages(std::vector<std::unique_ptr<CGroupMsg>> colMsgs) {
  std::stable_sort(colMsgs.begin(), colMsgs.end(),
                   [](const std::unique_ptr<CGroupMsg>& a, const std::unique_ptr<CGroupMsg>& b) {
                     return a->m_strSendTime < b->m_strSendTime;
                   });
  return colMsgs;
}

bool ProcessMessage(ProcessEnv& env, const CGroupMsg& oMsg, IGroupMsgSender& oSender) {
  try {
    LogCounts(env, "ProcessMsg Start = ", oMsg);
    if (!mSenderCheck::MayApply(env.groups, oMsg)) return true;  // dropped, logged
    bool ok = true;
    switch (oMsg.m_nMsgType) {
      case MSG_ADD_REQUEST: AddRequest(env, oMsg, oSender); break;
      case MSG_ADD_REPLAY: AddReplay(env, oMsg, oSender); break;
      case MSG_ADD_CONFIRMATION: AddConfirmation(env, oMsg); break;
      case MSG_BROADCAST_ADD: BroadcastAdd(env, oMsg, oSender); break;
      case MSG_ABORT: Abort(env, oMsg); break;
      case MSG_BROADCAST_REMOVE: BroadcastRemove(env, oMsg, oSender); break;
      case MSG_BROADCAST_MODIFY_ORDER: BroadcastModifyOrder(env, oMsg, oSender); break;
      case MSG_BROADCAST_EMAILCHANGE: BroadcastEmailChange(env, oMsg, oSender); break;
      case MSG_BROADCAST_MODIFIEDSHARE: ok = BroadcastModifiedShare(env, oMsg, oSender); break;
      case MSG_BROADCAST_MODIFIEDNAME: BroadcastModifiedName(env, oMsg, oSender); break;
      case MSG_UPDATE_MEMBERGROUPS: UpdateMemberGroups(env, oMsg); break;
      case MSG_MODIFY_REQUEST:
        g_Debug().OutCustomError("CGroups.ProcessMsg", "MSG_MODIFY_REQUEST dont used");
        break;
      case MSG_MODIFY_REPLAY:
        g_Debug().OutCustomError("CGroups.ProcessMsg", "MSG_MODIFY_REPLAY dont used");
        break;
      case MSG_MODIFY_CONFIRMATION:
        g_Debug().OutCustomError("CGroups.ProcessMsg", "MSG_MODIFY_CONFIRMATION dont used");
        break;
      case MSG_BROADCAST_MODIFY:
        g_Debug().Out("SIMPLE_MODIFICATION");
        break;
      case MSG_BROADCAST_UPDATE_MEMBERGROUPS:
        g_Debug().OutCustomError("CGroups.ProcessMessage", "MSG_BROADCAST_UPDATE_MEMBER_GROUPS not implemented");
        break;
      default:
        g_Debug().OutCustomError("ProcessMsg", "Invalid Message Type - " + std::to_string(oMsg.m_nMsgType));
        ok = false;
        break;
    }
    LogCounts(env, "ProcessMsg End = ", oMsg);
    return ok;
  } catch (...) {
    g_Debug().OutError("CGroups.ProcessMsg");
    return false;
  }
}

namespace {

// The Message-IDs of the group mails taken lately, kept beside the groups
// (not below them: a save rewrites that tree) as the names of the values of
// one section, oldest first; and those of the batch under way, recorded
// before its mails are deleted and cleared when the batch is stored.
constexpr size_t kAppliedKept = 2000;

std::string AppliedSection(const CGroupsEnv& genv) { return genv.strStoreKey + "\\GroupMails"; }
std::string PendingSection(const CGroupsEnv& genv) { return genv.strStoreKey + "\\GroupMailsPending"; }

std::string MessageIdOf(const platform::Item& mail) {
  try {
    return mail.GetText("InternetMessageID");
  } catch (...) {
    g_Debug().OutError("CGroups.ProcessMails");
    return "";
  }
}

std::set<std::string> SectionKeys(const platform::SettingsStore& store, const std::string& section) {
  std::set<std::string> keys;
  for (const auto& [key, value] : store.GetAllSettings(kSettingsApp, section)) keys.insert(key);
  return keys;
}

void RecordApplied(platform::SettingsStore& store, const CGroupsEnv& genv, const std::vector<std::string>& ids,
                   const std::string& stamp) {
  const std::string section = AppliedSection(genv);
  for (const std::string& id : ids) store.SaveSetting(kSettingsApp, section, id, stamp);
  const auto all = store.GetAllSettings(kSettingsApp, section);
  for (size_t i = 0; i + kAppliedKept < all.size(); ++i) store.DeleteSetting(kSettingsApp, section, all[i].first);
}

}  // namespace

void RestoreInterruptedMails(const ProcessEnv& env) {
  try {
    const CGroupsEnv& genv = env.groups.Env();
    if (!genv.pStore) return;
    std::set<std::string> pending = SectionKeys(*genv.pStore, PendingSection(genv));
    if (pending.empty()) return;
    for (const std::string& id : SectionKeys(*genv.pStore, AppliedSection(genv))) pending.erase(id);
    const platform::MailSession& session = env.mail.session.Profile();
    const platform::Folder inbox = session.GetDefaultFolder(platform::olFolderInbox);
    std::vector<platform::Item> found;
    const platform::Items deleted = session.GetDefaultFolder(platform::olFolderDeletedItems).Items();
    for (int i = 1; i <= deleted.Count() && !pending.empty(); ++i) {
      platform::Item item = deleted.Item(i);
      if (pending.erase(MessageIdOf(item))) found.push_back(item);
    }
    for (platform::Item& item : found) {
      g_Debug().OutWarning("CGroups.ProcessMails",
                           "group mail " + MessageIdOf(item) + " was deleted by an interrupted batch, taken back");
      item.Move(inbox);
    }
  } catch (...) {
    g_Debug().OutError("CGroups.ProcessMails");
  }
}

void ProcessMails(ProcessEnv& env, const std::vector<platform::Item>& mails) {
  CGroups& groups = env.groups;
  CGroupsEnv& genv = groups.Env();
  platform::SettingsStore* store = genv.pStore;
  // Each mail takes effect once. Its Message-ID is recorded as pending
  // before the mail is deleted; the groups, the ids of the mails taken and
  // the mails sent in answer are then stored in one registry batch, and the
  // answers leave after its commit. A crash before the commit finds the
  // mails again (in the Inbox, or by the pending ids in Deleted Items) and
  // applies them from scratch (RestoreInterruptedMails brings deleted ones
  // back); a copy of a mail taken before is only deleted.
  std::optional<platform::RegistryBatch> batch;
  try {
    const std::set<std::string> taken = store ? SectionKeys(*store, AppliedSection(genv)) : std::set<std::string>{};
    if (store) {
      for (const platform::Item& mail : mails) {
        const std::string id = MessageIdOf(mail);
        if (!id.empty() && !taken.count(id)) store->SaveSetting(kSettingsApp, PendingSection(genv), id, "1");
      }
      batch.emplace(store->Hive());
    }

    std::vector<std::unique_ptr<CGroupMsg>> batchMsgs;
    std::vector<std::string> applied;
    std::set<std::string> seen = taken;
    for (platform::Item mail : mails) {
      try {
        const std::string id = MessageIdOf(mail);
        bool bDeleteMail = true;
        if (!id.empty() && seen.count(id)) {
          // A second copy of a mail already taken: it changes nothing.
          g_Debug().OutWarning("CGroups.ProcessMails", "group mail " + id + " was taken before, deleted");
        } else {
          auto msg = std::make_unique<CGroupMsg>();
          if (msg->ReciveMail(mail, bDeleteMail)) batchMsgs.push_back(std::move(msg));
          if (bDeleteMail && !id.empty()) {
            seen.insert(id);
            applied.push_back(id);
          }
        }
        if (bDeleteMail) DeleteMail(env, mail);
      } catch (...) {
        g_Debug().OutError("CGroups.ProcessMails");
      }
    }
    batchMsgs = SortMessages(std::move(batchMsgs));
    CGroupMsgSender sender(env.mail);
    for (const std::unique_ptr<CGroupMsg>& msg : batchMsgs) ProcessMessage(env, *msg, sender);
    if (!groups.Save()) throw platform::Error("the groups could not be saved");
    if (store) {
      RecordApplied(*store, genv, applied, mEnvelope::Date2CStr(env.mail.Now()));
      store->DeleteSetting(kSettingsApp, PendingSection(genv));
    }
    if (batch) batch->Commit();
  } catch (...) {
    g_Debug().OutError("CGroups.ProcessMails");
    // Nothing of the batch was stored: the model goes back to the stored
    // groups; the pending ids bring the deleted mails back next time.
    batch.reset();
    groups.Load();
    return;
  }
  try {
    if (env.UpdateItemsGroups) env.UpdateItemsGroups();
  } catch (...) {
    g_Debug().OutError("CGroups.ProcessMails");
  }
}

bool ProcessGroupMails(ProcessEnv& env, const std::vector<platform::Item>& mails) {
  try {
    if (mails.empty()) return false;
    if (env.CloseGroupDialogs) env.CloseGroupDialogs();
    ProcessMails(env, mails);
    if (env.RaiseCustomEvent) env.RaiseCustomEvent("Groups");
    return true;
  } catch (...) {
    g_Debug().OutError("mGroups.ProcessGroupMails");
    return false;
  }
}

bool OnNewMails(ProcessEnv& env) {
  try {
    RestoreInterruptedMails(env);
    const platform::Folder inbox = env.mail.session.Profile().GetDefaultFolder(platform::olFolderInbox);
    std::vector<platform::Item> groupMails;
    std::vector<platform::Item> appointmentMails;
    mMain::FindMagicMails(env.mail, inbox, groupMails, appointmentMails);
    const bool bChanged = ProcessGroupMails(env, groupMails);
    if (env.ReceiveAppointments && !appointmentMails.empty()) env.ReceiveAppointments(appointmentMails);
    return bChanged;
  } catch (...) {
    g_Debug().OutError("mProcessMsg.OnNewMails");
    return false;
  }
}

}  // namespace mProcessMsg
