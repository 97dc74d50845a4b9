#include "groups/CGroupMsg.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "diagnostics/CDebug.h"
#include "exchange/mMain.h"
#include "groups/mAddress.h"
#include "groups/mInput.h"
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
const char* const kSource = "CGroupMsg.SetParam";

// How a parameter's value is written and what is accepted on reading.
enum class Kind {
  Text,          // as it is
  Name,          // cleaned (mInput::CleanName)
  Key,           // empty or a key
  KeyList,       // keys joined by ";"
  Address,       // empty or one address, lower-cased
  MemberAddress, // empty or a member's address (virtual ones too), lower-cased
  Flag,          // "1" / "0"
  Role,          // "member" / "assistant" / "manager"
};

// One parameter of a record T (the message, or a member of a member block):
// its name and the field that holds it; exactly one field pointer is set.
template <class T>
struct Field {
  const char* name;
  Kind kind;
  std::string T::*text = nullptr;
  bool T::*flag = nullptr;
  int T::*number = nullptr;
  std::vector<std::string> T::*list = nullptr;  // one line per entry
};

using M = CGroupMsg;
template <class T>
constexpr Field<T> Str(const char* n, Kind k, std::string T::*f) { return {n, k, f}; }
template <class T>
constexpr Field<T> Flag(const char* n, bool T::*f) { return {n, Kind::Flag, nullptr, f}; }
template <class T>
constexpr Field<T> Role(const char* n, int T::*f) { return {n, Kind::Role, nullptr, nullptr, f}; }
constexpr Field<M> List(const char* n, Kind k, std::vector<std::string> M::*f) {
  return {n, k, nullptr, nullptr, nullptr, f};
}

// The message's own parameters ("msg.version" and "msg.type" are read apart).
const Field<M> kFields[] = {
    Str<M>("msg.time", Kind::Text, &M::m_strSendTime),
    Str<M>("group.key", Kind::Key, &M::m_strGroupKey),
    Str<M>("group.name", Kind::Name, &M::m_strGroupName),
    Str<M>("sender.key", Kind::Key, &M::m_strSenderKey),
    Str<M>("sender.name", Kind::Name, &M::m_strSenderName),
    Str<M>("sender.email", Kind::Address, &M::m_strSenderEmail),
    Role<M>("sender.role", &M::m_nSenderRole),
    Str<M>("manager.key", Kind::Key, &M::m_strManagerKey),
    Str<M>("manager.name", Kind::Name, &M::m_strManagerName),
    Str<M>("manager.email", Kind::Address, &M::m_strManagerEmail),
    Flag<M>("manager.share", &M::m_bManagerShare),
    Str<M>("member.key", Kind::Key, &M::m_strMemberKey),
    Str<M>("member.name", Kind::Name, &M::m_strMemberName),
    Str<M>("member.email", Kind::MemberAddress, &M::m_strMemberEmail),
    Str<M>("member.emailowner", Kind::Address, &M::m_strMemberEmailOwner),
    Role<M>("member.role", &M::m_nMemberRole),
    Flag<M>("member.share", &M::m_bMemberShare),
    Str<M>("member.actionkey", Kind::Key, &M::m_strActionKey),
    Role<M>("member.newrole", &M::m_nMemberNewRole),
    Str<M>("member.newname", Kind::Name, &M::m_strMemberNewName),
    Flag<M>("member.newshare", &M::m_bMemberNewShare),
    Str<M>("member.oldemail", Kind::Address, &M::m_strMemberEmailOld),
    Str<M>("member.newemail", Kind::Address, &M::m_strMemberEmailNew),
    Flag<M>("accept", &M::m_bAccept),
    Str<M>("groups.to.remove", Kind::KeyList, &M::m_sGroupsToRemove),
    Str<M>("groups.to.ignore", Kind::KeyList, &M::m_sGroupsToIgnore),
    List("recipient.key", Kind::Key, &M::m_colRecipKeys),
    List("recipient.email", Kind::Address, &M::m_colRecipients),
};

// A member block: "group.member.key" starts a member, the others fill it.
const Field<CMember> kMemberFields[] = {
    Str<CMember>("group.member.key", Kind::Key, &CMember::strKey),
    Str<CMember>("group.member.email", Kind::MemberAddress, &CMember::strEmail),
    Str<CMember>("group.member.emailowner", Kind::Address, &CMember::strEmailOwner),
    Str<CMember>("group.member.name", Kind::Name, &CMember::strName),
    Role<CMember>("group.member.role", &CMember::nRole),
    Flag<CMember>("group.member.share", &CMember::bShare),
};

// Pseudo-parameters of a layout that stand for a repeated block.
const char* const kMemberBlocks = "group.member";  // m_colMembers
const char* const kGroupBlocks = "groups.group";   // m_colGroups with their members

// The parameters of each type, in the order they are written.
struct Layout {
  int type;
  std::vector<const char*> params;
};

const std::vector<Layout>& Layouts() {
  static const std::vector<Layout> layouts = {
      {MSG_ADD_REQUEST,
       {"group.key", "group.name", "sender.email", "manager.key", "manager.name", "manager.email", "manager.share",
        "member.actionkey", "member.name", "member.email", "member.key", "member.role", "member.share"}},
      {MSG_ADD_REPLAY, {"member.actionkey", "accept"}},
      {MSG_MODIFY_REPLAY, {"member.actionkey", "accept"}},
      {MSG_ADD_CONFIRMATION, {kMemberBlocks, "member.actionkey"}},
      {MSG_BROADCAST_ADD,
       {"group.key", "member.key", "member.name", "member.email", "member.emailowner", "member.role", "member.share",
        "recipient.key"}},
      {MSG_MODIFY_REQUEST,
       {"group.key", "sender.key", "sender.email", "member.key", "member.actionkey", "member.newrole"}},
      {MSG_MODIFY_CONFIRMATION, {"member.actionkey"}},
      {MSG_ABORT, {"member.actionkey"}},
      {MSG_BROADCAST_MODIFY, {"group.key", "member.key", "member.newrole", "recipient.key"}},
      {MSG_BROADCAST_MODIFY_ORDER, {"group.key", "member.key", "member.newrole", "recipient.key"}},
      {MSG_BROADCAST_REMOVE, {"group.key", "member.key", "recipient.key"}},
      {MSG_BROADCAST_EMAILCHANGE, {"member.oldemail", "member.newemail", "recipient.email"}},
      {MSG_BROADCAST_MODIFIEDSHARE, {"group.key", "member.key", "member.newshare", "recipient.key"}},
      {MSG_BROADCAST_MODIFIEDNAME, {"group.key", "member.key", "member.newname", "recipient.key"}},
      {MSG_UPDATE_MEMBERGROUPS, {"groups.to.ignore", "groups.to.remove", "sender.email", kGroupBlocks}},
      {MSG_BROADCAST_UPDATE_MEMBERGROUPS, {"member.email", "groups.to.ignore", "recipient.email"}},
  };
  return layouts;
}

template <class T, size_t N>
const Field<T>* FindField(const Field<T> (&table)[N], const std::string& name) {
  for (const Field<T>& f : table)
    if (name == f.name) return &f;
  return nullptr;
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

// Removes one pair of enclosing double quotes.
std::string Unquote(const std::string& s) {
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') return s.substr(1, s.size() - 2);
  return s;
}

bool Refuse(const std::string& what, const std::string& name, const std::string& value) {
  g_Debug().OutCustomError(kSource, what + " - " + name + " = " + value);
  return false;
}

// The stored text of a received value of `kind`, or false (logged) when the
// value is refused. Flags and roles are converted by the caller.
bool Accept(Kind kind, const std::string& name, const std::string& value, std::string& out) {
  switch (kind) {
    case Kind::Text:
      out = value;
      return true;
    case Kind::Name:
      out = mInput::CleanName(value);
      return true;
    case Kind::Key:
      if (!value.empty() && !mInput::IsKey(value)) return Refuse("invalid key", name, value);
      out = value;
      return true;
    case Kind::KeyList:
      for (const std::string& key : platform::Split(value, ';'))
        if (!key.empty() && !mInput::IsKey(key)) return Refuse("invalid key", name, value);
      out = value;
      return true;
    case Kind::Address:
    case Kind::MemberAddress: {
      const std::string address = platform::Lower(value);
      const bool ok = kind == Kind::Address ? mAddress::IsAddress(address) : mAddress::IsMemberAddress(address);
      if (!address.empty() && !ok) return Refuse("invalid address", name, value);
      out = address;
      return true;
    }
    case Kind::Flag:
    case Kind::Role:
      break;
  }
  return false;
}

// Reads one received value into the field `f` of `record`.
template <class T>
bool ReadField(const Field<T>& f, const std::string& value, T& record) {
  if (f.kind == Kind::Flag) {
    if (value == "1" || value == "0") {
      record.*f.flag = value == "1";
      return true;
    }
    g_Debug().OutCustomError(kSource, std::string("invalid boolean - ") + f.name + " = " + value);
    return false;
  }
  if (f.kind == Kind::Role) return Str2Role(value, record.*f.number);
  std::string text;
  if (!Accept(f.kind, f.name, value, text)) return false;
  if (f.list)
    (record.*f.list).push_back(text);
  else
    record.*f.text = text;
  return true;
}

void WriteLine(std::string& out, const char* name, const std::string& value) {
  out += name;
  out += " = ";
  out += value;
  out += kCrLf;
}

// Writes the field `f` of `record` (a list field: one line per entry).
template <class T>
void WriteField(std::string& out, const Field<T>& f, const T& record) {
  if (f.flag)
    WriteLine(out, f.name, Bool2Str(record.*f.flag));
  else if (f.number)
    WriteLine(out, f.name, Role2Str(record.*f.number));
  else if (f.list)
    for (const std::string& entry : record.*f.list) WriteLine(out, f.name, entry);
  else
    WriteLine(out, f.name, record.*f.text);
}

void WriteMemberBlock(std::string& out, const CMember& m) {
  for (const Field<CMember>& f : kMemberFields) WriteField(out, f, m);
}

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
  return std::to_string(mEnvelope::kAppMajor) + "." + std::to_string(mEnvelope::kAppMinor);
}

std::string CGroupMsg::TimeText(int64_t utcMs) {
  const time_t secs = static_cast<time_t>(utcMs / 1000);
  std::tm at{};
  gmtime_r(&secs, &at);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d.%02d%02d%02d%03d", at.tm_year + 1900, at.tm_mon + 1, at.tm_mday,
                at.tm_hour, at.tm_min, at.tm_sec, static_cast<int>(utcMs % 1000));
  return buf;
}

// ---------------------------------------------------------------------------
// Text form

std::string CGroupMsg::ParamsText() const {
  const auto layout = std::find_if(Layouts().begin(), Layouts().end(),
                                   [&](const Layout& l) { return l.type == m_nMsgType; });
  if (layout == Layouts().end()) return "";
  std::string out;
  WriteLine(out, "msg.type", Msg2Str(m_nMsgType));
  for (const char* param : layout->params) {
    if (param == kMemberBlocks) {
      for (const MemberPtr& m : m_colMembers) WriteMemberBlock(out, *m);
    } else if (param == kGroupBlocks) {
      for (const GroupPtr& g : m_colGroups) {
        WriteLine(out, "groups.group.key", g->strKey);
        WriteLine(out, "groups.group.name", g->strName);
        for (const MemberPtr& m : *g) WriteMemberBlock(out, *m);
      }
    } else {
      WriteField(out, *FindField(kFields, param), *this);
    }
  }
  return out.substr(0, out.size() - 2);  // no line break after the last line
}

std::string CGroupMsg::ComposeText() const {
  const std::string params = ParamsText();
  if (params.empty()) return "";
  return "msg.version = " + std::to_string(m_nMajor) + "." + std::to_string(m_nMinor) + kCrLf +
         "msg.time = " + m_strSendTime + kCrLf + params;
}

bool CGroupMsg::SetParam(const std::string& rawName, const std::string& value) {
  const std::string name = platform::Lower(rawName);
  if (name == "msg.version") {
    const std::vector<std::string> parts = platform::Split(value, '.');
    int major = 0;
    int minor = 0;
    if (parts.size() != 2 || !ParseWholeNumber(platform::Trim(parts[0], platform::kSpaces), major) ||
        !ParseWholeNumber(platform::Trim(parts[1], platform::kSpaces), minor)) {
      g_Debug().OutCustomError(kSource, "invalid version - " + value);
      return false;
    }
    m_nMajor = major;
    m_nMinor = minor;
    return true;
  }
  if (name == "msg.type") return Str2Msg(value, m_nMsgType);
  if (const Field<M>* f = FindField(kFields, name)) {
    if (f->list && (this->*f->list).size() >= kMaxRecipients)
      return Refuse("too many entries (limit " + std::to_string(kMaxRecipients) + ")", name, value);
    return ReadField(*f, value, *this);
  }
  if (name == "group.member.key") {
    if (++m_nMemberBlocks > kMaxMembers)
      return Refuse("too many members (limit " + std::to_string(kMaxMembers) + ")", name, value);
    auto member = std::make_shared<CMember>();
    if (!ReadField(kMemberFields[0], value, *member)) return false;
    if (m_nMsgType == MSG_UPDATE_MEMBERGROUPS) {
      if (m_colGroups.empty() || !m_colGroups.back()->Add(member)) {
        g_Debug().OutCustomError(kSource, "group.member.key without its group - " + value);
        return false;
      }
    } else {
      m_colMembers.push_back(member);
    }
    m_lastMember = member;
    return true;
  }
  if (const Field<CMember>* f = FindField(kMemberFields, name)) {
    if (!m_lastMember) {
      g_Debug().OutCustomError(kSource, name + " before group.member.key");
      return false;
    }
    return ReadField(*f, value, *m_lastMember);
  }
  if (name == "groups.group.key") {
    if (m_colGroups.size() >= kMaxGroups)
      return Refuse("too many groups (limit " + std::to_string(kMaxGroups) + ")", name, value);
    auto group = std::make_shared<CGroup>();
    if (!Accept(Kind::Key, name, value, group->strKey)) return false;
    m_colGroups.push_back(group);
    m_lastMember.reset();
    return true;
  }
  if (name == "groups.group.name") {
    if (m_colGroups.empty()) {
      g_Debug().OutCustomError(kSource, "groups.group.name before groups.group.key");
      return false;
    }
    return Accept(Kind::Name, name, value, m_colGroups.back()->strName);
  }
  g_Debug().OutCustomError(kSource, "Invalid param = \"" + name + "\"");
  return false;
}

bool CGroupMsg::ParseText(const std::string& text) {
  try {
    if (text.size() > kMaxTextBytes) {
      g_Debug().OutCustomError("CGroupMsg.ReciveMail", "message text of " + std::to_string(text.size()) +
                                                           " bytes refused (limit " +
                                                           std::to_string(kMaxTextBytes) + ")");
      return false;
    }
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
    const std::string min = mEnvelope::GetStrFromSplit(lines, "CompatibilityVersionMin", false);
    const std::string max = mEnvelope::GetStrFromSplit(lines, "CompatibilityVersionMax", false);
    if (!min.empty() && !max.empty()) {
      if (!mEnvelope::IsVersionInWindow(min, max)) {
        g_Debug().OutWarning("CGroupMsg.ReciveMail",
                             "Ignore mail from unsupported version range [" + min + ", " + max + "]");
        bDeleteMail = false;
        return false;
      }
      g_Debug().printf("mail in range: %s <= %s <= %s", min, mEnvelope::GetAppVersion(), max);
    } else {
      g_Debug().Out("mail from <= 2.60 version");
    }
    m_strMailFrom = platform::Lower(mMain::GetSenderAddress(oMail));

    platform::Attachments attachments = oMail.Attachments();
    g_Debug().Out("ReciveMail, Attachments.Count = " + std::to_string(attachments.Count()));
    const platform::Bytes& data = attachments.Item(1).Data();
    return ParseText(std::string(data.begin(), data.end()));
  } catch (...) {
    g_Debug().OutError("CGroupMsg.ReciveMail");
    return false;
  }
}
