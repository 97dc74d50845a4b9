#include "dialogs/frmAddMembers.h"

#include "dialogs/frmMembers.h"
#include "dialogs/mGroupDialogs.h"
#include "groups/CGroups.h"
#include "groups/mGroupEnums.h"
#include "lang/CLang.h"
#include "platform/Text.h"

frmAddMembers::frmAddMembers(CGroups& copy, CLang* lang, std::vector<frmAddressBook::Entry> people,
                             std::string preselected)
    : FormModel("frmAddMembers"),
      m_copy(copy),
      m_lang(lang),
      m_people(std::move(people)),
      m_preselected(std::move(preselected)) {
  Self().caption = "Add new members";
  AddControl("lstMembers", "ListBox");
  AddControl("btnChoose", "CommandButton", "&Address Book...");
  AddControl("lstGroups", "ListBox");
  AddControl("btnBack", "CommandButton", "< &Back");
  AddControl("btnNext", "CommandButton", "&Next >");
  AddControl("btnFinish", "CommandButton", "&Finish");
  AddControl("btnCancel", "CommandButton", "Cancel");
}

void frmAddMembers::Form_Load() {
  if (m_lang) m_lang->LocalizeForm(*this);
  m_names.clear();
  m_checked.clear();
  for (const GroupPtr& g : m_copy.Groups()) {
    const MemberPtr me = g->GetMySelf();
    if (!me || g->bMarkedForRemoving || !me->CanAdd("")) continue;
    m_names.push_back(g->strName);
    m_checked.push_back(platform::EqualsNoCase(g->strName, m_preselected));
  }
}

bool frmAddMembers::btnChoose_Click(platform::Prompt& prompt) {
  frmAddressBook book(m_people, "Address Book", {"Members"});
  book.Fill(0, m_chosen);
  if (!book.ShowModal(prompt)) return false;
  m_chosen = book.Well(0);
  return true;
}

void frmAddMembers::SetChecked(int index, bool checked) {
  if (index >= 0 && static_cast<size_t>(index) < m_checked.size()) m_checked[index] = checked;
}

bool frmAddMembers::CheckNames(const std::string& names) {
  m_refusal.clear();
  std::vector<bool> wanted;
  const std::string missing = mGroupDialogs::MarkNamedGroups(names, m_names, wanted);
  if (!missing.empty()) {
    m_refusal = "you may add members to no group named \"" + missing + "\"";
    return false;
  }
  m_checked = wanted;
  return true;
}

bool frmAddMembers::FinishEnabled() const {
  bool any = false;
  for (bool c : m_checked) any = any || c;
  return any && !m_chosen.empty();
}

int frmAddMembers::btnFinish_Click() {
  m_refusal.clear();
  if (!FinishEnabled()) return 0;
  int made = 0;
  std::vector<std::string> refusals;
  for (size_t i = 0; i < m_names.size(); ++i) {
    if (!m_checked[i]) continue;
    const GroupPtr g = m_copy.FindByName(m_names[i]);
    if (!g) continue;
    frmMembers members(m_copy, *g, m_lang);
    members.Form_Load();
    for (const frmAddressBook::Entry& person : m_chosen) {
      if (members.AddMember(person.name, person.address, ROLE_MEMBER, true))
        ++made;
      else
        refusals.push_back(members.Refusal());
    }
  }
  m_refusal = platform::Join(refusals, "; ");
  return made;
}

bool frmAddMembers::ShowModal(platform::Prompt& prompt) {
  if (!btnChoose_Click(prompt) || m_chosen.empty()) return false;
  std::string people;
  for (const frmAddressBook::Entry& e : m_chosen) people += (people.empty() ? "" : "; ") + ShowEntry(e);
  std::vector<std::pair<std::string, std::string>> refused;
  for (;;) {
    platform::FormRequest form;
    form.name = "frmAddMembers";
    form.buttons = platform::Buttons::OKCancel;
    form.Set("Members", people);
    form.Set("Groups", platform::Join(m_names, ";"));
    std::string checked;
    for (size_t i = 0; i < m_names.size(); ++i)
      if (m_checked[i]) checked += (checked.empty() ? "" : ";") + m_names[i];
    form.Set("Checked", checked);
    if (prompt.ShowForm(form) != platform::IDOK || (!refused.empty() && form.fields == refused)) return false;
    if (!CheckNames(form.Get("Checked"))) {
      prompt.MessageBox(m_refusal, "Zentabo", platform::Buttons::OK, platform::Icon::Exclamation);
      refused = form.fields;
      continue;
    }
    const int made = btnFinish_Click();
    if (!m_refusal.empty())
      prompt.MessageBox(m_refusal, "Zentabo", platform::Buttons::OK, platform::Icon::Information);
    return made > 0;
  }
}
