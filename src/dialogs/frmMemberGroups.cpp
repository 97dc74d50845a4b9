#include "dialogs/frmMemberGroups.h"

#include "dialogs/mGroupDialogs.h"
#include "groups/CGroups.h"
#include "groups/mAddress.h"
#include "groups/mGroupEnums.h"
#include "groups/mInput.h"
#include "lang/CLang.h"
#include "platform/Text.h"

frmMemberGroups::frmMemberGroups(CGroups& copy, CLang* lang, std::string email, std::string showAs)
    : FormModel("frmMemberGroups"),
      m_copy(copy),
      m_lang(lang),
      m_email(mAddress::NormaliseAddress(email)),
      m_showAs(mInput::CleanName(showAs)) {
  Self().caption = "Groups of member";
  AddControl("txtMember", "TextBox");
  AddControl("lstGroups", "ListBox");
  AddControl("btnOK", "CommandButton", "OK");
  AddControl("btnCancel", "CommandButton", "Cancel");
}

void frmMemberGroups::Form_Load() {
  if (m_lang) m_lang->LocalizeForm(*this);
  m_names.clear();
  m_was.clear();
  m_enabled.clear();
  for (const GroupPtr& g : m_copy.Groups()) {
    const MemberPtr m = g->FindByEmail(m_email);
    const MemberPtr me = g->GetMySelf();
    const bool in = m && !m->bMarkedForRemoving;
    if (m && m_showAs.empty()) m_showAs = m->strName;
    m_names.push_back(g->strName);
    m_was.push_back(in);
    const bool canChange = me && !g->bMarkedForRemoving && (in ? me->CanRemove(*m) : !m && me->CanAdd(m_email));
    m_enabled.push_back(canChange);
  }
  m_checked = m_was;
}

std::string frmMemberGroups::CheckedNames() const {
  std::string names;
  for (size_t i = 0; i < m_names.size(); ++i)
    if (m_checked[i]) names += (names.empty() ? "" : ";") + m_names[i];
  return names;
}

bool frmMemberGroups::SetChecked(int index, bool checked) {
  if (index < 0 || static_cast<size_t>(index) >= m_names.size() || !m_enabled[index]) return false;
  m_checked[index] = checked;
  return true;
}

bool frmMemberGroups::CheckNames(const std::string& names) {
  m_refusal.clear();
  std::vector<bool> wanted;
  const std::string missing = mGroupDialogs::MarkNamedGroups(names, m_names, wanted);
  if (!missing.empty()) {
    m_refusal = "you are in no group named \"" + missing + "\"";
    return false;
  }
  for (size_t i = 0; i < m_names.size(); ++i)
    if (wanted[i] != m_checked[i] && !m_enabled[i]) {
      m_refusal = std::string("you may not ") + (wanted[i] ? "add " : "remove ") + m_email +
                  (wanted[i] ? " to \"" : " from \"") + m_names[i] + "\"";
      return false;
    }
  m_checked = wanted;
  return true;
}

bool frmMemberGroups::btnOK_Click() {
  bool changed = false;
  for (size_t i = 0; i < m_names.size(); ++i) {
    if (m_checked[i] == m_was[i]) continue;
    const GroupPtr g = m_copy.FindByName(m_names[i]);
    if (!g) continue;
    if (m_checked[i]) {
      MemberPtr m = g->Add2(m_showAs.empty() ? m_email : m_showAs, m_email, ROLE_MEMBER, true);
      if (!m) continue;
      m->bCreating = true;
    } else {
      const MemberPtr m = g->FindByEmail(m_email);
      if (!m) continue;
      if (m->bCreating)
        g->Remove(m->strKey);
      else
        m->bMarkedForRemoving = true;
    }
    changed = true;
  }
  m_bClosed = true;
  return changed;
}

bool frmMemberGroups::ShowModal(platform::Prompt& prompt) {
  std::vector<std::pair<std::string, std::string>> refused;
  while (!m_bClosed) {
    platform::FormRequest form;
    form.name = "frmMemberGroups";
    form.buttons = platform::Buttons::OKCancel;
    form.Set("Member", m_email);
    form.Set("Groups", platform::Join(m_names, ";"));
    std::string locked;
    for (size_t i = 0; i < m_names.size(); ++i)
      if (!m_enabled[i]) locked += (locked.empty() ? "" : ";") + m_names[i];
    form.Set("Locked", locked);
    form.Set("Checked", CheckedNames());
    if (prompt.ShowForm(form) != platform::IDOK || (!refused.empty() && form.fields == refused)) {
      btnCancel_Click();
      return false;
    }
    if (CheckNames(form.Get("Checked"))) return btnOK_Click();
    prompt.MessageBox(m_refusal, "Zentabo", platform::Buttons::OK, platform::Icon::Exclamation);
    refused = form.fields;
  }
  return false;
}
