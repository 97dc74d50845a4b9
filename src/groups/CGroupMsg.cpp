#include "groups/CGroupMsg.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "diagnostics/CDebug.h"
#include "exchange/mMain.h"
#include "groups/CGroups.h"
#include "platform/Text.h"
#include "platform/store/Attachments.h"

namespace {

struct TypeName {
  int number;
  const char* text;
};

constexpr TypeName kTypes[] = {
    {MSG_ADD_REQUEST, "msg.add.request"},
    {MSG_ADD_REPLAY, "msg.add.replay"},
    {MSG_ADD_CONFIRMATION, "msg.add.confirmation"},
    {MSG_BROADCAST_ADD, "msg.broadcast.add"},
    {MSG_MODIFY_REQUEST, "msg.modify.request"},
    {MSG_MODIFY_REPLAY, "msg.modify.replay"},
    {MSG_MODIFY_CONFIRMATION, "msg.modify.confirmation"},
    {MSG_BROADCAST_MODIFY, "msg.broadcast.modify"},
    {MSG_ABORT, "msg.abort"},
    {MSG_BROADCAST_REMOVE, "msg.broadcast.remove"},
    {MSG_BROADCAST_MODIFY_ORDER, "msg.broadcast.modify.order"},
    {MSG_BROADCAST_EMAILCHANGE, "msg.broadcast.emailchange"},
    {MSG_UPDATE_MEMBERGROUPS, "msg.update.membergroups"},
    {MSG_BROADCAST_UPDATE_MEMBERGROUPS, "msg.broadcast.update.membergroups"},
    {MSG_BROADCAST_MODIFIEDSHARE, "msg.broadcast.modifiedshare"},
    {MSG_BROADCAST_MODIFIEDNAME, "msg.broadcast.modifiedname"},
};

const char* const kCrLf = "\r\n";

bool Contains(const std::vector<std::string>& list, const std::string& value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

bool ContainsNoCase(const std::vector<std::string>& list, const std::string& value) {
  return std::any_of(list.begin(), list.end(), [&](const std::string& s) { return platform::EqualsNoCase(s, value); });
}

// A whole decimal number (optional sign); false for anything else.
bool ParseWholeNumber(const std::string& text, int& value) {
  if (text.empty()) return false;
  size_t pos = 0;
  try {
    value = std::stoi(text, &pos);
  } catch (...) {
    return false;
  }
  return pos == text.size();
}

bool Str2Bool(const std::string& text, bool& value) {
  if (text == "1") {
    value = true;
    return true;
  }
  if (text == "0") {
    value = false;
    return true;
  }
  return false;
}

// Removes one pair of enclosing double quotes.
std::string Unquote(const std::string& s) {
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') return s.substr(1, s.size() - 2);
  return s;
}

class Writer {
 public:
  void Line(const char* name, const std::string& value) {
    text_ += name;
    text_ += " = ";
    text_ += value;
    text_ += kCrLf;
  }
  void Bool(const char* name, bool value) { Line(name, Bool2Str(value)); }
  void Role(const char* name, int role) { Line(name, Role2Str(role)); }
  void MemberBlock(const CMember& m) {
    Line("group.member.key", m.strKey);
    Line("group.member.email", m.strEmail);
    Line("group.member.emailowner", m.strEmailOwner);
    Line("group.member.name", m.strName);
    Role("group.member.role", m.nRole);
    Bool("group.member.share", m.bShare);
  }
  // Without the line break after the last line.
  std::string Text() const {
    return text_.size() >= 2 ? text_.substr(0, text_.size() - 2) : text_;
  }

 private:
  std::string text_;
};

int64_t g_lastSendMs = 0;

}  // namespace

std::string CGroupMsg::Msg2Str(int nMsgType) {
  for (const TypeName& t : kTypes)
    if (t.number == nMsgType) return t.text;
  g_Debug().OutCustomError("CGroupMsg.Msg2Str", "invalid param - " + std::to_string(nMsgType));
  return "False";
}

bool CGroupMsg::Str2Msg(const std::string& text, int& nMsgType) {
  for (const TypeName& t : kTypes) {
    if (platform::EqualsNoCase(text, t.text)) {
      nMsgType = t.number;
      return true;
    }
  }
  g_Debug().OutCustomError("CGroupMsg.Str2Msg", "invalid param - " + text);
  return false;
}

std::string CGroupMsg::GetMessageName() const { return Msg2Str(m_nMsgType); }

std::string CGroupMsg::VersionText() {
  return std::to_string(mMain::kAppMajor) + "." + std::to_string(mMain::kAppMinor);
}

std::string CGroupMsg::TimeText(const mMain::MailEnv& env) {
  const platform::Date utc = env.Now().Add("n", mMain::GetTimeZoneBias());
  const int64_t subMs = env.pClock ? env.pClock->MonotonicMs() % 1000 : 0;
  int64_t ms = utc.Seconds() * 1000 + subMs;
  if (ms <= g_lastSendMs) ms = g_lastSendMs + 1;
  g_lastSendMs = ms;
  const platform::Date at = platform::Date::FromSeconds(ms / 1000);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d.%02d%02d%02d%03d", at.Year(), at.Month(), at.Day(), at.Hour(),
                at.Minute(), at.Second(), static_cast<int>(ms % 1000));
  return buf;
}

// ---------------------------------------------------------------------------
// Text form

std::string CGroupMsg::ParamsText() const {
  Writer w;
  w.Line("msg.type", Msg2Str(m_nMsgType));
  auto recipKeys = [&] {
    for (const std::string& k : m_colRecipKeys) w.Line("recipient.key", k);
  };
  auto recipEmails = [&] {
    for (const std::string& e : m_colRecipients) w.Line("recipient.email", e);
  };
  switch (m_nMsgType) {
    case MSG_ADD_REQUEST:
      w.Line("group.key", m_strGroupKey);
      w.Line("group.name", m_strGroupName);
      w.Line("sender.email", m_strSenderEmail);
      w.Line("manager.key", m_strManagerKey);
      w.Line("manager.name", m_strManagerName);
      w.Line("manager.email", m_strManagerEmail);
      w.Bool("manager.share", m_bManagerShare);
      w.Line("member.actionkey", m_strActionKey);
      w.Line("member.name", m_strMemberName);
      w.Line("member.email", m_strMemberEmail);
      w.Line("member.key", m_strMemberKey);
      w.Role("member.role", m_nMemberRole);
      w.Bool("member.share", m_bMemberShare);
      break;
    case MSG_ADD_REPLAY:
    case MSG_MODIFY_REPLAY:
      w.Line("member.actionkey", m_strActionKey);
      w.Bool("accept", m_bAccept);
      break;
    case MSG_ADD_CONFIRMATION:
      for (const MemberPtr& m : m_colMembers) w.MemberBlock(*m);
      w.Line("member.actionkey", m_strActionKey);
      break;
    case MSG_BROADCAST_ADD:
      w.Line("group.key", m_strGroupKey);
      w.Line("member.key", m_strMemberKey);
      w.Line("member.name", m_strMemberName);
      w.Line("member.email", m_strMemberEmail);
      w.Line("member.emailowner", m_strMemberEmailOwner);
      w.Role("member.role", m_nMemberRole);
      w.Bool("member.share", m_bMemberShare);
      recipKeys();
      break;
    case MSG_MODIFY_REQUEST:
      w.Line("group.key", m_strGroupKey);
      w.Line("sender.key", m_strSenderKey);
      w.Line("sender.email", m_strSenderEmail);
      w.Line("member.key", m_strMemberKey);
      w.Line("member.actionkey", m_strActionKey);
      w.Role("member.newrole", m_nMemberNewRole);
      break;
    case MSG_MODIFY_CONFIRMATION:
    case MSG_ABORT:
      w.Line("member.actionkey", m_strActionKey);
      break;
    case MSG_BROADCAST_MODIFY:
    case MSG_BROADCAST_MODIFY_ORDER:
      w.Line("group.key", m_strGroupKey);
      w.Line("member.key", m_strMemberKey);
      w.Role("member.newrole", m_nMemberNewRole);
      recipKeys();
      break;
    case MSG_BROADCAST_REMOVE:
      w.Line("group.key", m_strGroupKey);
      w.Line("member.key", m_strMemberKey);
      recipKeys();
      break;
    case MSG_BROADCAST_EMAILCHANGE:
      w.Line("member.oldemail", m_strMemberEmailOld);
      w.Line("member.newemail", m_strMemberEmailNew);
      recipEmails();
      break;
    case MSG_BROADCAST_MODIFIEDSHARE:
      w.Line("group.key", m_strGroupKey);
      w.Line("member.key", m_strMemberKey);
      w.Bool("member.newshare", m_bMemberNewShare);
      recipKeys();
      break;
    case MSG_BROADCAST_MODIFIEDNAME:
      w.Line("group.key", m_strGroupKey);
      w.Line("member.key", m_strMemberKey);
      w.Line("member.newname", m_strMemberNewName);
      recipKeys();
      break;
    case MSG_UPDATE_MEMBERGROUPS:
      w.Line("groups.to.ignore", m_sGroupsToIgnore);
      w.Line("groups.to.remove", m_sGroupsToRemove);
      w.Line("sender.email", m_strSenderEmail);
      for (const GroupPtr& g : m_colGroups) {
        w.Line("groups.group.key", g->strKey);
        w.Line("groups.group.name", g->strName);
        for (const MemberPtr& m : *g) w.MemberBlock(*m);
      }
      break;
    case MSG_BROADCAST_UPDATE_MEMBERGROUPS:
      w.Line("member.email", m_strMemberEmail);
      w.Line("groups.to.ignore", m_sGroupsToIgnore);
      recipEmails();
      break;
    default:
      return "";
  }
  return w.Text();
}

std::string CGroupMsg::ComposeText() const {
  const std::string params = ParamsText();
  if (params.empty()) return "";
  return "msg.version = " + std::to_string(m_nMajor) + "." + std::to_string(m_nMinor) + kCrLf +
         "msg.time = " + m_strSendTime + kCrLf + params;
}

bool CGroupMsg::SetParam(const std::string& rawName, const std::string& value) {
  const std::string name = platform::Lower(rawName);
  auto role = [&](int& field) { return Str2Role(value, field); };
  auto flag = [&](bool& field) {
    if (Str2Bool(value, field)) return true;
    g_Debug().OutCustomError("CGroupMsg.SetParam", "invalid boolean - " + name + " = " + value);
    return false;
  };
  auto lastMember = [&]() -> CMember* {
    if (!m_lastMember) g_Debug().OutCustomError("CGroupMsg.SetParam", name + " before group.member.key");
    return m_lastMember.get();
  };

  if (name == "msg.version") {
    const std::vector<std::string> parts = platform::Split(value, '.');
    int major = 0;
    int minor = 0;
    if (parts.size() != 2 || !ParseWholeNumber(platform::Trim(parts[0], platform::kSpaces), major) ||
        !ParseWholeNumber(platform::Trim(parts[1], platform::kSpaces), minor)) {
      g_Debug().OutCustomError("CGroupMsg.SetParam", "invalid version - " + value);
      return false;
    }
    m_nMajor = major;
    m_nMinor = minor;
    return true;
  }
  if (name == "msg.time") { m_strSendTime = value; return true; }
  if (name == "msg.type") return Str2Msg(value, m_nMsgType);
  if (name == "group.key") { m_strGroupKey = value; return true; }
  if (name == "group.name") { m_strGroupName = value; return true; }
  if (name == "sender.key") { m_strSenderKey = value; return true; }
  if (name == "sender.name") { m_strSenderName = value; return true; }
  if (name == "sender.email") { m_strSenderEmail = platform::Lower(value); return true; }
  if (name == "sender.role") return role(m_nSenderRole);
  if (name == "manager.key") { m_strManagerKey = value; return true; }
  if (name == "manager.name") { m_strManagerName = value; return true; }
  if (name == "manager.email") { m_strManagerEmail = platform::Lower(value); return true; }
  if (name == "manager.share") return flag(m_bManagerShare);
  if (name == "member.key") { m_strMemberKey = value; return true; }
  if (name == "member.name") { m_strMemberName = value; return true; }
  if (name == "member.email") { m_strMemberEmail = platform::Lower(value); return true; }
  if (name == "member.emailowner") { m_strMemberEmailOwner = platform::Lower(value); return true; }
  if (name == "member.role") return role(m_nMemberRole);
  if (name == "member.share") return flag(m_bMemberShare);
  if (name == "member.actionkey") { m_strActionKey = value; return true; }
  if (name == "member.newrole") return role(m_nMemberNewRole);
  if (name == "member.newname") { m_strMemberNewName = value; return true; }
  if (name == "member.newshare") return flag(m_bMemberNewShare);
  if (name == "member.oldemail") { m_strMemberEmailOld = platform::Lower(value); return true; }
  if (name == "member.newemail") { m_strMemberEmailNew = platform::Lower(value); return true; }
  if (name == "accept") return flag(m_bAccept);
  if (name == "group.member.key") {
    auto member = std::make_shared<CMember>();
    member->strKey = value;
    if (m_nMsgType == MSG_UPDATE_MEMBERGROUPS) {
      if (m_colGroups.empty() || !m_colGroups.back()->Add(member)) {
        g_Debug().OutCustomError("CGroupMsg.SetParam", "group.member.key without its group - " + value);
        return false;
      }
    } else {
      m_colMembers.push_back(member);
    }
    m_lastMember = member;
    return true;
  }
  if (name == "group.member.email") {
    CMember* m = lastMember();
    if (m) m->strEmail = platform::Lower(value);
    return m != nullptr;
  }
  if (name == "group.member.emailowner") {
    CMember* m = lastMember();
    if (m) m->strEmailOwner = platform::Lower(value);
    return m != nullptr;
  }
  if (name == "group.member.name") {
    CMember* m = lastMember();
    if (m) m->strName = value;
    return m != nullptr;
  }
  if (name == "group.member.role") {
    CMember* m = lastMember();
    return m != nullptr && role(m->nRole);
  }
  if (name == "group.member.share") {
    CMember* m = lastMember();
    return m != nullptr && flag(m->bShare);
  }
  if (name == "groups.group.key") {
    auto group = std::make_shared<CGroup>();
    group->strKey = value;
    m_colGroups.push_back(group);
    m_lastMember.reset();
    return true;
  }
  if (name == "groups.group.name") {
    if (m_colGroups.empty()) {
      g_Debug().OutCustomError("CGroupMsg.SetParam", "groups.group.name before groups.group.key");
      return false;
    }
    m_colGroups.back()->strName = value;
    return true;
  }
  if (name == "groups.to.remove") { m_sGroupsToRemove = value; return true; }
  if (name == "groups.to.ignore") { m_sGroupsToIgnore = value; return true; }
  if (name == "recipient.key") { m_colRecipKeys.push_back(value); return true; }
  if (name == "recipient.email") { m_colRecipients.push_back(platform::Lower(value)); return true; }
  g_Debug().OutCustomError("CGroupMsg.SetParam", "Invalid param = \"" + name + "\"");
  return false;
}

bool CGroupMsg::ParseText(const std::string& text) {
  try {
    std::string normalised = text;
    normalised.erase(std::remove(normalised.begin(), normalised.end(), '\r'), normalised.end());
    for (const std::string& raw : platform::Split(normalised, '\n')) {
      const std::string line = platform::Trim(raw, platform::kSpaces);
      if (line.empty()) continue;
      const std::vector<std::string> parts = platform::Split(line, '=');
      if (parts.size() != 2) {
        g_Debug().OutCustomError("CGroupMsg.ReciveMail", "invalid line - " + line);
        return false;
      }
      const std::string name = platform::Trim(parts[0], platform::kSpaces);
      const std::string value = platform::Trim(parts[1], platform::kSpaces);
      if (!SetParam(Unquote(name), Unquote(value))) return false;
    }
    return true;
  } catch (...) {
    g_Debug().OutError("CGroupMsg.ReciveMail");
    return false;
  }
}

bool CGroupMsg::ReciveMail(const platform::Item& oMail, bool& bDeleteMail) {
  try {
    const std::vector<std::string> lines = mMain::ReadHeader(oMail);
    const std::string min = mMain::GetStrFromSplit(lines, "CompatibilityVersionMin", false);
    const std::string max = mMain::GetStrFromSplit(lines, "CompatibilityVersionMax", false);
    if (!min.empty() && !max.empty()) {
      if (!mMain::IsVersionInWindow(min, max)) {
        g_Debug().OutWarning("CGroupMsg.ReciveMail",
                             "Ignore mail from unsupported version range [" + min + ", " + max + "]");
        bDeleteMail = false;
        return false;
      }
      g_Debug().printf("mail in range: %s <= %s <= %s", min, mMain::GetAppVersion(), max);
    } else {
      g_Debug().Out("mail from <= 2.60 version");
    }

    platform::Attachments attachments = oMail.Attachments();
    g_Debug().Out("ReciveMail, Attachments.Count = " + std::to_string(attachments.Count()));
    const platform::Attachment first = attachments.Item(1);
    std::filesystem::path file = m_pEnv && m_pEnv->pSystem
                                     ? m_pEnv->pSystem->TempDir() / "Attach1.txt"
                                     : std::filesystem::temp_directory_path() / "Attach1.txt";
    first.SaveAsFile(file.string());
    std::ifstream in(file, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    in.close();
    std::error_code ec;
    std::filesystem::remove(file, ec);
    return ParseText(content.str());
  } catch (...) {
    g_Debug().OutError("CGroupMsg.ReciveMail");
    return false;
  }
}

// ---------------------------------------------------------------------------
// Sending

void CGroupMsg::SendMails(const std::vector<std::string>& collRecipients, CGroupMsg& out) {
  try {
    if (collRecipients.empty()) return;
    if (!m_pEnv) {
      g_Debug().OutCustomError("CGroupMsg.SendMails", "no mail environment - " + out.GetMessageName());
      return;
    }
    out.m_nMajor = mMain::kAppMajor;
    out.m_nMinor = mMain::kAppMinor;
    out.m_strSendTime = TimeText(*m_pEnv);
    const std::string text = out.ComposeText();
    g_Debug().Out("SEND MAIL TO: " + platform::Join(collRecipients, ";") + "<BODY>" + text + "</BODY>");
    mMain::SendGroupMail(*m_pEnv, collRecipients, text);
  } catch (...) {
    g_Debug().OutError("CGroupMsg.SendMails");
  }
}

void CGroupMsg::SendSingle(const std::string& strEmail, CGroupMsg& out) {
  SendMails(std::vector<std::string>{strEmail}, out);
}

void CGroupMsg::BroadcastByKey(CGroupMsg& out, const CGroup& oGroup, const CMember& oSubject,
                               const std::vector<std::string>& reachedKeys, bool bIncludeSubject,
                               bool bSendToUnshared) {
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
  SendMails(recipients, out);
}

void CGroupMsg::SendBroadcastModifiedShare(const CMember& oMember, const CGroup& oGroup,
                                           const std::vector<std::string>& reachedKeys) {
  try {
    CGroupMsg out;
    out.m_nMsgType = MSG_BROADCAST_MODIFIEDSHARE;
    out.m_strGroupKey = oGroup.strKey;
    out.m_strMemberKey = oMember.strKey;
    out.m_bMemberNewShare = oMember.bShare;
    // A member whose sharing was just switched off is told so although he no
    // longer shares; the one switched on learnt it from the confirmation.
    BroadcastByKey(out, oGroup, oMember, reachedKeys, !oMember.bShare, true);
  } catch (...) {
    g_Debug().OutError("CGroupMsg.SendBroadcastModifiedShare");
  }
}

void CGroupMsg::SendBroadcastChangeEmail(const CGroups& oGroups, const std::string& strOldEmail,
                                         const std::string& strNewEmail,
                                         const std::vector<std::string>& reachedEmails) {
  try {
    CGroupMsg out;
    out.m_nMsgType = MSG_BROADCAST_EMAILCHANGE;
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
    SendMails(recipients, out);
  } catch (...) {
    g_Debug().OutError("CGroupMsg.SendBroadcastChangeEmail");
  }
}

void CGroupMsg::SendAddRequest(const CGroup& oGroup, const CMember& oMember) {
  try {
    CGroupMsg out;
    out.m_nMsgType = MSG_ADD_REQUEST;
    out.m_strGroupKey = oGroup.strKey;
    out.m_strGroupName = oGroup.strName;
    out.m_strSenderEmail = m_pEnv ? m_pEnv->CurAddress() : "";
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
    SendSingle(oMember.strEmail, out);
  } catch (...) {
    g_Debug().OutError("CGroupMsg.SendAddRequest");
  }
}

void CGroupMsg::SendAddReplay(const std::string& strEmail, const std::string& strActionKey, bool bAccept) {
  try {
    CGroupMsg out;
    out.m_nMsgType = MSG_ADD_REPLAY;
    out.m_strActionKey = strActionKey;
    out.m_bAccept = bAccept;
    SendSingle(strEmail, out);
  } catch (...) {
    g_Debug().OutError("CGroupMsg.SendAddReplay");
  }
}

void CGroupMsg::SendAddConfirmation(const std::string& strEmail, const CGroup& oGroup,
                                    const CMember& oNewMember, const std::string& strActionKey) {
  try {
    CGroupMsg out;
    out.m_nMsgType = MSG_ADD_CONFIRMATION;
    // The new member knows the manager from the request already.
    for (const MemberPtr& m : oGroup.Members()) {
      if (m->strKey == oNewMember.strKey || m->IsManager() || !m->WasAdded()) continue;
      out.m_colMembers.push_back(m);
    }
    out.m_strActionKey = strActionKey;
    SendSingle(strEmail, out);
  } catch (...) {
    g_Debug().OutError("CGroupMsg.SendAddConfirmation");
  }
}

void CGroupMsg::SendBroadcastAdd(const CMember& oMember, const CGroup& oGroup,
                                 const std::vector<std::string>& reachedKeys) {
  try {
    CGroupMsg out;
    out.m_nMsgType = MSG_BROADCAST_ADD;
    out.m_strGroupKey = oGroup.strKey;
    out.m_strMemberKey = oMember.strKey;
    out.m_strMemberName = oMember.strName;
    out.m_strMemberEmail = oMember.strEmail;
    out.m_strMemberEmailOwner = oMember.strEmailOwner;
    out.m_nMemberRole = oMember.nRole;
    out.m_bMemberShare = oMember.bShare;
    BroadcastByKey(out, oGroup, oMember, reachedKeys, false, false);
  } catch (...) {
    g_Debug().OutError("CGroupMsg.SendBroadcastAdd");
  }
}

void CGroupMsg::SendModifyRequest(const CGroup& oGroup, const CMember& oMember, int nNewRole) {
  try {
    CGroupMsg out;
    out.m_nMsgType = MSG_MODIFY_REQUEST;
    out.m_strGroupKey = oGroup.strKey;
    if (MemberPtr me = oGroup.GetMySelf()) out.m_strSenderKey = me->strKey;
    out.m_strSenderEmail = m_pEnv ? m_pEnv->CurAddress() : "";
    out.m_strMemberKey = oMember.strKey;
    out.m_strActionKey = oMember.strActionKey;
    out.m_nMemberNewRole = nNewRole;
    SendSingle(oMember.strEmail, out);
  } catch (...) {
    g_Debug().OutError("CGroupMsg.SendModifyRequest");
  }
}

void CGroupMsg::SendModifyReplay(const std::string& strEmail, const std::string& strActionKey, bool bAccept) {
  try {
    CGroupMsg out;
    out.m_nMsgType = MSG_MODIFY_REPLAY;
    out.m_strActionKey = strActionKey;
    out.m_bAccept = bAccept;
    SendSingle(strEmail, out);
  } catch (...) {
    g_Debug().OutError("CGroupMsg.SendModifyReplay");
  }
}

void CGroupMsg::SendModifyConfirmation(const CMember& oMember) {
  try {
    CGroupMsg out;
    out.m_nMsgType = MSG_MODIFY_CONFIRMATION;
    out.m_strActionKey = oMember.strActionKey;
    SendSingle(oMember.strEmail, out);
  } catch (...) {
    g_Debug().OutError("CGroupMsg.SendModifyConfirmation");
  }
}

void CGroupMsg::SendBroadcastModifyName(const CMember& oMember, const CGroup& oGroup,
                                        const std::vector<std::string>& reachedKeys) {
  try {
    CGroupMsg out;
    out.m_nMsgType = MSG_BROADCAST_MODIFIEDNAME;
    out.m_strGroupKey = oGroup.strKey;
    out.m_strMemberKey = oMember.strKey;
    out.m_strMemberNewName = oMember.strName;
    BroadcastByKey(out, oGroup, oMember, reachedKeys, oMember.bShare, false);
  } catch (...) {
    g_Debug().OutError("CGroupMsg.SendBroadcastModifyName");
  }
}

void CGroupMsg::SendBroadcastModifyOrder(const CMember& oMember, const CGroup& oGroup,
                                         const std::vector<std::string>& reachedKeys) {
  try {
    CGroupMsg out;
    out.m_nMsgType = MSG_BROADCAST_MODIFY_ORDER;
    out.m_strGroupKey = oGroup.strKey;
    out.m_strMemberKey = oMember.strKey;
    out.m_nMemberNewRole = oMember.nRole;
    BroadcastByKey(out, oGroup, oMember, reachedKeys, oMember.bShare, false);
  } catch (...) {
    g_Debug().OutError("CGroupMsg.SendBroadcastModifyOrder");
  }
}

void CGroupMsg::SendBroadcastModify(const CMember& oMember, const CGroup& oGroup,
                                    const std::vector<std::string>& reachedKeys) {
  try {
    CGroupMsg out;
    out.m_nMsgType = MSG_BROADCAST_MODIFY;
    out.m_strGroupKey = oGroup.strKey;
    out.m_strMemberKey = oMember.strKey;
    out.m_nMemberNewRole = oMember.nRole;
    BroadcastByKey(out, oGroup, oMember, reachedKeys, false, false);
  } catch (...) {
    g_Debug().OutError("CGroupMsg.SendBroadcastModify");
  }
}

void CGroupMsg::SendBroadcastRemove(const CMember& oMember, const CGroup& oGroup,
                                    const std::vector<std::string>& reachedKeys) {
  try {
    CGroupMsg out;
    out.m_nMsgType = MSG_BROADCAST_REMOVE;
    out.m_strGroupKey = oGroup.strKey;
    out.m_strMemberKey = oMember.strKey;
    BroadcastByKey(out, oGroup, oMember, reachedKeys, true, false);
  } catch (...) {
    g_Debug().OutError("CGroupMsg.SendBroadcastRemove");
  }
}

void CGroupMsg::SendAbort(const CMember& oMember) {
  try {
    CGroupMsg out;
    out.m_nMsgType = MSG_ABORT;
    out.m_strActionKey = oMember.strActionKey;
    SendSingle(oMember.strEmail, out);
  } catch (...) {
    g_Debug().OutError("CGroupMsg.SendAbort");
  }
}

void CGroupMsg::SendBroadcastUpdateMemeberGroups(const CGroups& oGroups, const std::string& strEmail,
                                                 const std::string& sGroupsToIgnore,
                                                 const std::vector<std::string>& reachedEmails) {
  try {
    CGroupMsg out;
    out.m_nMsgType = MSG_BROADCAST_UPDATE_MEMBERGROUPS;
    out.m_strMemberEmail = platform::Lower(strEmail);
    out.m_sGroupsToIgnore = sGroupsToIgnore;
    out.m_colRecipients = reachedEmails;
    std::vector<std::string> recipients;
    for (const GroupPtr& g : oGroups.Groups()) {
      if (!g->FindByEmail(platform::Lower(strEmail))) continue;
      for (const MemberPtr& m : g->Members()) {
        if (!m->WasAdded() || m->IsVirtual() || !m->bShare) continue;
        if (platform::EqualsNoCase(m->strEmail, strEmail) || ContainsNoCase(out.m_colRecipients, m->strEmail)) continue;
        out.m_colRecipients.push_back(m->strEmail);
        if (!m->IsMySelf) recipients.push_back(m->strEmail);
      }
    }
    SendMails(recipients, out);
  } catch (...) {
    g_Debug().OutError("CGroupMsg.SendBroadcastUpdateMemeberGroups");
  }
}

void CGroupMsg::SendUpdateMemberGroups(const std::string& strEmail, const CGroups& oGroups,
                                       const std::string& sGroupsToIgnore, const std::string& sGroupsToRemove) {
  try {
    CGroupMsg out;
    out.m_nMsgType = MSG_UPDATE_MEMBERGROUPS;
    out.m_sGroupsToIgnore = sGroupsToIgnore;
    out.m_sGroupsToRemove = sGroupsToRemove;
    out.m_strSenderEmail = m_pEnv ? m_pEnv->CurAddress() : "";
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
    SendSingle(strEmail, out);
  } catch (...) {
    g_Debug().OutError("CGroupMsg.SendUpdateMemberGroups");
  }
}
