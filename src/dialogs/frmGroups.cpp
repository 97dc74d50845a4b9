#include "dialogs/frmGroups.h"

#include <sstream>

#include "dialogs/frmMembers.h"
#include "groups/CGroups.h"
#include "groups/mGroups.h"
#include "groups/mInput.h"
#include "lang/CLang.h"
#include "platform/Text.h"

frmGroups::frmGroups(CGroups& copy, CLang* lang) : FormModel("frmGroups"), m_copy(copy), m_lang(lang) {
  Self().caption = "Groups";
  AddControl("lstGroups", "ListBox");
  AddControl("btnAdd", "CommandButton", "&Add...");
  AddControl("btnRemove", "CommandButton", "&Remove");
  AddControl("btnProperties", "CommandButton", "&Properties...");
  AddControl("btnOK", "CommandButton", "OK");
  AddControl("btnCancel", "CommandButton", "Cancel");
  AddControl("btnHelp", "CommandButton", "&Help");
}

frmGroups::~frmGroups() = default;

void frmGroups::Form_Load() {
  if (m_lang) m_lang->LocalizeForm(*this);
  Refresh();
  Select(-1);
}

void frmGroups::Refresh() {
  m_groups = m_copy.Groups();
  m_names.clear();
  for (const GroupPtr& g : m_groups) m_names.push_back(g->strName);
}

int frmGroups::IndexOf(const std::string& name) const {
  for (size_t i = 0; i < m_names.size(); ++i)
    if (m_names[i] == name) return static_cast<int>(i);
  return -1;
}

GroupPtr frmGroups::Group(int index) const {
  return index >= 0 && static_cast<size_t>(index) < m_groups.size() ? m_groups[index] : nullptr;
}

void frmGroups::Select(int index) {
  const GroupPtr g = Group(index);
  m_index = g ? index : -1;
  m_bRemoveEnabled = g && !g->bMarkedForRemoving;
}

std::string frmGroups::RowText(int index) const {
  const GroupPtr g = Group(index);
  if (!g) return "";
  return g->strName + (g->bMarkedForRemoving ? " (leaving)" : "");
}

bool frmGroups::btnAdd_Click(platform::Prompt& prompt) {
  const CGroupsEnv& env = m_copy.Env();
  const std::string name = prompt.InputBox(env.Text("LID_ENTER_GROUP_NAME"), env.Text("LID_GROUP_NAME"));
  return AddGroup(name);
}

bool frmGroups::AddGroup(const std::string& name) {
  m_refusal.clear();
  const std::string trimmed = platform::Trim(name);
  if (!IsValidGroupName(m_copy, trimmed)) {
    m_refusal = "\"" + trimmed + "\" is not a valid group name (empty, a reserved name, with \";\", or used already)";
    return false;
  }
  GroupPtr g = m_copy.CreateMyGroup(trimmed);
  if (!g || !m_copy.Add(g)) {
    m_refusal = "cannot create the group \"" + trimmed + "\"";
    return false;
  }
  Refresh();
  Select(IndexOf(g->strName));
  return true;
}

bool frmGroups::btnRemove_Click(platform::Prompt& prompt) {
  if (!m_bRemoveEnabled) return false;
  const CGroupsEnv& env = m_copy.Env();
  if (prompt.MessageBox(env.Text("LID_GROUP_DELETION_WARNING"), "Zentabo", platform::Buttons::YesNo,
                        platform::Icon::Exclamation) != platform::IDYES)
    return false;
  return RemoveSelected();
}

bool frmGroups::RemoveSelected() {
  m_refusal.clear();
  const GroupPtr selected = Group(m_index);
  if (!selected) {
    m_refusal = "select a group";
    return false;
  }
  // Looked up by name in the copy, as the list shows names.
  const GroupPtr g = m_copy.FindByName(selected->strName);
  if (!g || g->bMarkedForRemoving) return false;
  g->bMarkedForRemoving = true;
  Refresh();
  Select(m_index);
  return true;
}

std::unique_ptr<frmMembers> frmGroups::btnProperties_Click() {
  const GroupPtr g = Group(m_index);
  if (!g || !m_bRemoveEnabled) return nullptr;
  auto members = std::make_unique<frmMembers>(m_copy, *g, m_lang);
  members->Form_Load();
  return members;
}

bool frmGroups::ShowModal(platform::Prompt& prompt, const std::vector<frmAddressBook::Entry>& people) {
  while (!m_bClosed) {
    std::ostringstream text;
    for (size_t i = 0; i < m_names.size(); ++i)
      text << "  " << i + 1 << ". " << mInput::EscapeForTerminal(RowText(static_cast<int>(i))) << "\n";
    if (m_names.empty()) text << "  (no groups)\n";
    text << "Commands: add [NAME], remove N, members N, ok, cancel";
    const std::string line = platform::Trim(prompt.InputBox(text.str(), "Groups", "cancel"));
    std::istringstream in(line);
    std::string cmd, rest;
    in >> cmd;
    std::getline(in, rest);
    cmd = platform::Lower(cmd);
    rest = platform::Trim(rest);
    m_refusal.clear();
    if (cmd == "ok") {
      btnOK_Click();
    } else if (cmd.empty() || cmd == "cancel") {
      btnCancel_Click();
    } else if (cmd == "add") {
      // IsValidGroupName has told the user why a name is refused.
      if (rest.empty()) btnAdd_Click(prompt);
      else AddGroup(rest);
    } else if (cmd == "remove" || cmd == "members") {
      int n = -1;
      try {
        n = std::stoi(rest) - 1;
      } catch (...) {
      }
      Select(n);
      if (m_index < 0)
        m_refusal = "no group numbered \"" + rest + "\"";
      else if (!m_bRemoveEnabled)
        m_refusal = "\"" + m_names[m_index] + "\" is left when the changes are applied";
      else if (cmd == "remove")
        btnRemove_Click(prompt);
      else if (std::unique_ptr<frmMembers> members = btnProperties_Click())
        members->ShowModal(prompt, people);
    } else {
      m_refusal = "unknown command \"" + cmd + "\"";
    }
    if (!m_refusal.empty()) prompt.MessageBox(m_refusal, "Zentabo", platform::Buttons::OK, platform::Icon::Exclamation);
  }
  return m_bConfirmed;
}
