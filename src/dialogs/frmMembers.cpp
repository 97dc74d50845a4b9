#include "dialogs/frmMembers.h"

#include <sstream>

#include "diagnostics/CDebug.h"
#include "groups/CGroups.h"
#include "groups/mAddress.h"
#include "groups/mInput.h"
#include "lang/CLang.h"
#include "platform/Error.h"
#include "platform/Text.h"

namespace {

// The 1-based row number of a command's argument; -1 when it is none.
int RowArg(const std::string& text, size_t count) {
  try {
    const int n = std::stoi(text);
    return n >= 1 && static_cast<size_t>(n) <= count ? n - 1 : -1;
  } catch (...) {
    return -1;
  }
}

}  // namespace

const char* frmMembers::RoleName(int role) {
  switch (role) {
    case ROLE_MANAGER: return "manager";
    case ROLE_ASSISTANT: return "assistant";
    default: return "member";
  }
}

frmMembers::frmMembers(CGroups& copy, CGroup& group, CLang* lang)
    : FormModel("frmMembers"), m_copy(copy), m_group(group), m_lang(lang) {
  Self().caption = "Members";
  AddControl("lblGroup", "Label");
  AddControl("lblManager", "Label");
  AddControl("lstMembers", "ListView");
  AddControl("cboRole", "ComboBox");
  AddControl("btnAdd", "CommandButton", "&Add...");
  AddControl("btnEditMember", "CommandButton", "&Edit...");
  AddControl("btnRemove", "CommandButton", "&Remove");
  AddControl("btnOK", "CommandButton", "OK");
  AddControl("btnCancel", "CommandButton", "Cancel");
  AddControl("btnHelp", "CommandButton", "&Help");
}

void frmMembers::Form_Load() {
  if (m_lang) m_lang->LocalizeForm(*this);
  m_snapshot.clear();
  for (const MemberPtr& m : m_group.Members()) m_snapshot.push_back(*m);
  const MemberPtr manager = m_group.GetManager();
  m_manager = manager ? manager->strName : "";
  const MemberPtr me = m_group.GetMySelf();
  m_bAddEnabled = me && me->CanAdd("");
  Refresh();
  Select(-1);
}

void frmMembers::Refresh() {
  m_members = m_group.Members();
  m_rows.clear();
  for (const MemberPtr& m : m_members) {
    Row r;
    r.name = m->strName;
    r.email = m->strEmail.empty() ? "[no e-mail]" : m->strEmail;
    r.role = RoleName(m->nRole);
    r.sharing = m->bShare ? "sharing" : "not sharing";
    r.status = m->bCreating            ? "creating"
               : m->bMarkedForRemoving ? "removing"
               : m->WasAdded()         ? "active"
                                       : "pending";
    m_rows.push_back(r);
  }
}

int frmMembers::IndexOf(const std::string& address) const {
  const std::string a = mAddress::NormaliseAddress(address);
  for (size_t i = 0; i < m_members.size(); ++i)
    if (m_members[i]->strEmail == a) return static_cast<int>(i);
  return -1;
}

MemberPtr frmMembers::Member(int index) const {
  return index >= 0 && static_cast<size_t>(index) < m_members.size() ? m_members[index] : nullptr;
}

void frmMembers::Select(int index) {
  m_index = Member(index) ? index : -1;
  const MemberPtr me = m_group.GetMySelf();
  const MemberPtr m = Member(m_index);
  m_bRemoveEnabled = me && m && me->CanRemove(*m);
}

MemberPtr frmMembers::Selected() { return Member(m_index); }

bool frmMembers::Refuse(const std::string& why) {
  m_refusal = why;
  return false;
}

bool frmMembers::btnRemove_Click(platform::Prompt& prompt) {
  const MemberPtr m = Selected();
  if (!m || !m_bRemoveEnabled) return Refuse("select a member you may remove");
  const CGroupsEnv& env = m_copy.Env();
  const int answer = prompt.MessageBox(env.Text(m->IsMySelf ? "LID_REMOVE_ME" : "LID_REMOVE_MEMBER"), "Zentabo",
                                       platform::Buttons::YesNoCancel, platform::Icon::Question);
  if (answer != platform::IDYES) return false;
  return RemoveSelected();
}

bool frmMembers::RemoveSelected() {
  m_refusal.clear();
  const MemberPtr m = Selected();
  const MemberPtr me = m_group.GetMySelf();
  if (!m) return Refuse("select a member");
  if (!me) return Refuse("you are not a member of \"" + m_group.strName + "\"");
  if (!me->CanRemove(*m)) return Refuse("you may not remove " + m->strEmail + " from \"" + m_group.strName + "\"");
  if (m->bCreating)
    m_group.Remove(m->strKey);
  else
    m->bMarkedForRemoving = true;
  Refresh();
  Select(-1);
  return true;
}

bool frmMembers::cboRole_Click(int role) {
  m_refusal.clear();
  const MemberPtr m = Selected();
  const MemberPtr me = m_group.GetMySelf();
  if (!m || !me) {
    g_Debug().OutWarning("frmMembers.cboRole_click", "oMember is nothing ot nItem = -1");
    return Refuse(me ? "select a member" : "you are not a member of \"" + m_group.strName + "\"");
  }
  if (m->nRole == role) return false;
  if (!me->CanModify(*m))
    return Refuse("you may not change the role of " + m->strEmail + " in \"" + m_group.strName + "\"");
  m->nRole = role;
  m->bModifying = true;
  Refresh();
  return true;
}

bool frmMembers::AddMember(const std::string& name, const std::string& address, int role, bool share) {
  m_refusal.clear();
  const std::string email = mAddress::NormaliseAddress(address);
  if (!mAddress::IsAddress(email)) return Refuse("\"" + address + "\" is not one e-mail address");
  const MemberPtr me = m_group.GetMySelf();
  if (!me) return Refuse("you are not a member of \"" + m_group.strName + "\"");
  if (m_group.FindByEmail(email)) return Refuse(email + " is already a member of \"" + m_group.strName + "\"");
  if (!me->CanAdd(email)) return Refuse("you may not add members to \"" + m_group.strName + "\"");
  const std::string shown = mInput::CleanName(name);
  MemberPtr m = m_group.Add2(shown.empty() ? email : shown, email, role, share);
  if (!m) return Refuse("cannot add " + email + " to \"" + m_group.strName + "\"");
  m->bCreating = true;
  Refresh();
  return true;
}

int frmMembers::btnAdd_Click(platform::Prompt& prompt, const std::vector<frmAddressBook::Entry>& people) {
  m_refusal.clear();
  if (!m_bAddEnabled) {
    Refuse("you may not add members to \"" + m_group.strName + "\"");
    return 0;
  }
  frmAddressBook book(people, "Address Book", {"Members"});
  if (!book.ShowModal(prompt)) return 0;
  int added = 0;
  std::vector<std::string> refusals;
  for (const frmAddressBook::Choice& c : book.Chosen()) {
    if (AddMember(c.entry.name, c.entry.address, ROLE_MEMBER, true))
      ++added;
    else
      refusals.push_back(m_refusal);
  }
  m_refusal = platform::Join(refusals, "; ");
  return added;
}

bool frmMembers::Rename(const std::string& name) {
  m_refusal.clear();
  const MemberPtr m = Selected();
  const MemberPtr me = m_group.GetMySelf();
  if (!m) return Refuse("select a member");
  if (!me) return Refuse("you are not a member of \"" + m_group.strName + "\"");
  const std::string cleaned = mInput::CleanName(name);
  if (cleaned == m->strName) return false;
  if (!me->CanModifyName(*m)) return Refuse("you may not rename " + m->strEmail + " in \"" + m_group.strName + "\"");
  m->strName = cleaned;
  m->bModifying = true;
  Refresh();
  return true;
}

bool frmMembers::SetShare(bool on) {
  m_refusal.clear();
  const MemberPtr m = Selected();
  const MemberPtr me = m_group.GetMySelf();
  if (!m) return Refuse("select a member");
  if (!me) return Refuse("you are not a member of \"" + m_group.strName + "\"");
  if (m->bShare == on) return false;
  bool allowed = false;
  try {
    allowed = me->CanModifyShare(*m);
  } catch (const platform::Error&) {
    allowed = false;  // the rule refuses a user who does not share himself
  }
  if (!allowed)
    return Refuse("you may not switch the sharing of " + m->strEmail + " in \"" + m_group.strName + "\"");
  m->bShare = on;
  m->bModifyingShare = true;
  Refresh();
  return true;
}

bool frmMembers::btnEditMember_Click(platform::Prompt& prompt) {
  m_refusal.clear();
  const MemberPtr m = Selected();
  if (!m) return Refuse("select a member");
  platform::FormRequest form;
  form.name = "frmEditMember";
  form.buttons = platform::Buttons::OKCancel;
  form.Set("E-mail", m->strEmail.empty() ? "[no e-mail]" : m->strEmail);
  form.Set("Name", m->strName);
  form.Set("Sharing", m->bShare ? "on" : "off");
  if (prompt.ShowForm(form) != platform::IDOK) return false;
  const std::string sharing = platform::Lower(platform::Trim(form.Get("Sharing")));
  bool changed = Rename(form.Get("Name"));
  if (m_refusal.empty() && (sharing == "on" || sharing == "off")) changed = SetShare(sharing == "on") || changed;
  if (!m_refusal.empty()) {
    prompt.MessageBox(m_refusal, "Zentabo", platform::Buttons::OK, platform::Icon::Exclamation);
    return false;
  }
  return changed;
}

void frmMembers::btnCancel_Click() {
  for (const MemberPtr& m : m_group.Members()) m_group.Remove(m->strKey);
  for (const CMember& saved : m_snapshot) m_group.Add(std::make_shared<CMember>(saved));
  Refresh();
  m_bClosed = true;
  m_bConfirmed = false;
}

bool frmMembers::ShowModal(platform::Prompt& prompt, const std::vector<frmAddressBook::Entry>& people) {
  while (!m_bClosed) {
    std::ostringstream text;
    text << "Group: " << mInput::EscapeForTerminal(m_group.strName)
         << "   manager: " << mInput::EscapeForTerminal(m_manager) << "\n";
    for (size_t i = 0; i < m_rows.size(); ++i) {
      const Row& r = m_rows[i];
      text << "  " << i + 1 << ". " << mInput::EscapeForTerminal(r.name) << " <" << mInput::EscapeForTerminal(r.email)
           << ">  " << r.role << ", " << r.sharing << ", " << r.status << "\n";
    }
    text << "Commands: " << (m_bAddEnabled ? "add [ADDRESS [NAME]], " : "")
         << "remove N, role N member|assistant, edit N, ok, cancel";
    const std::string line = platform::Trim(prompt.InputBox(text.str(), "Members of " + m_group.strName, "cancel"));
    std::istringstream in(line);
    std::string cmd, arg;
    in >> cmd >> arg;
    cmd = platform::Lower(cmd);
    std::string rest;
    std::getline(in, rest);
    rest = platform::Trim(rest);
    m_refusal.clear();
    bool refusedHere = false;
    if (cmd == "ok") {
      btnOK_Click();
    } else if (cmd.empty() || cmd == "cancel") {
      btnCancel_Click();
    } else if (cmd == "add" && arg.empty()) {
      btnAdd_Click(prompt, people);
      refusedHere = !m_refusal.empty();
    } else if (cmd == "add") {
      refusedHere = !AddMember(rest, arg, ROLE_MEMBER, true) && !m_refusal.empty();
    } else if (cmd == "remove" || cmd == "role" || cmd == "edit") {
      Select(RowArg(arg, m_rows.size()));
      if (m_index < 0) {
        m_refusal = "no member numbered \"" + arg + "\"";
      } else if (cmd == "remove") {
        if (!m_bRemoveEnabled) m_refusal = "you may not remove " + m_rows[m_index].email;
        else btnRemove_Click(prompt);
      } else if (cmd == "role") {
        const std::string role = platform::Lower(rest);
        if (role != "member" && role != "assistant") m_refusal = "the role is member or assistant";
        else cboRole_Click(role == "assistant" ? ROLE_ASSISTANT : ROLE_MEMBER);
      } else {
        btnEditMember_Click(prompt);
        m_refusal.clear();  // shown by the member editing already
      }
      refusedHere = !m_refusal.empty();
    } else {
      m_refusal = "unknown command \"" + cmd + "\"";
      refusedHere = true;
    }
    if (refusedHere) prompt.MessageBox(m_refusal, "Zentabo", platform::Buttons::OK, platform::Icon::Exclamation);
  }
  return m_bConfirmed;
}
