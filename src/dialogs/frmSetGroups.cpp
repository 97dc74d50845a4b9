#include "dialogs/frmSetGroups.h"

#include "diagnostics/CDebug.h"
#include "groups/CGroups.h"
#include "groups/mGroups.h"
#include "lang/CLang.h"
#include "options/mOptions.h"
#include "platform/Text.h"
#include "platform/store/Item.h"
#include "platform/store/UserProperties.h"
#include "sync/mAppointments.h"

namespace {

const char* ChoiceName(frmSetGroups::Choice c) {
  switch (c) {
    case frmSetGroups::Choice::Null: return "none";
    case frmSetGroups::Choice::All: return "all";
    default: return "select";
  }
}

std::string Property(const platform::Item& item, const char* name) {
  platform::UserProperty p = item.UserProperties().Find(name);
  return p ? p.Value() : "";
}

}  // namespace

frmSetGroups::frmSetGroups(CGroups& groups, CLang* lang, Values values,
                           std::function<bool(const std::string&, const std::string&)> checkRights)
    : FormModel("frmSetGroups"),
      m_groups(groups),
      m_lang(lang),
      m_values(std::move(values)),
      m_checkRights(std::move(checkRights)) {
  Self().caption = "Groups of appointment";
  AddControl("lblOwner", "Label", "Owner :");
  AddControl("txtOwner", "TextBox");
  AddControl("lblSubject", "Label", "Subject :");
  AddControl("txtSubject", "TextBox");
  AddControl("btnNull", "OptionButton", "Share with no group");
  AddControl("btnAll", "OptionButton", "Share with all groups");
  AddControl("btnSelect", "OptionButton", "Share with the checked groups");
  AddControl("lstGroups", "ListBox");
  AddControl("chkShowMes", "CheckBox", "Do not ask again; give new appointments these groups");
  AddControl("btnOK", "CommandButton", "OK");
  AddControl("btnCancel", "CommandButton", "Cancel");
  AddControl("btnHelp", "CommandButton", "&Help");
}

void frmSetGroups::Form_Load() {
  if (m_lang) m_lang->LocalizeForm(*this);
  const std::string owner = platform::Lower(platform::Trim(m_values.owner));
  const std::string shown = m_groups.GetShowAs(owner);
  m_owner = shown.empty() ? owner : shown;
  std::vector<std::string> incoming;
  for (const std::string& n : platform::Split(m_values.groups, ';')) incoming.push_back(n);
  m_names.clear();
  m_checked.clear();
  for (const GroupPtr& g : m_groups.Groups()) {
    if (!g->FindByEmail(owner)) continue;
    m_names.push_back(g->strName);
    bool on = false;
    for (const std::string& n : incoming) on = on || n == g->strName;
    m_checked.push_back(on);
  }
  m_bEditable = m_values.bEditable;
  if (m_values.groups == kNullGroup)
    m_choice = Choice::Null;
  else if (m_values.groups == kAllGroups)
    m_choice = Choice::All;
  else
    m_choice = Choice::Select;
}

void frmSetGroups::SetChoice(Choice choice) {
  if (!m_bEditable || (choice == Choice::Select && !SelectEnabled())) return;
  m_choice = choice;
}

void frmSetGroups::SetChecked(int index, bool checked) {
  if (!m_bEditable || index < 0 || index >= static_cast<int>(m_checked.size())) return;
  m_checked[index] = checked;
}

bool frmSetGroups::CheckNames(const std::string& names, std::string* unknown) {
  std::vector<bool> checked(m_names.size(), false);
  for (const std::string& part : platform::Split(names, ';')) {
    const std::string name = platform::Trim(part);
    if (name.empty()) continue;
    bool found = false;
    for (size_t i = 0; i < m_names.size(); ++i)
      if (platform::EqualsNoCase(m_names[i], name)) checked[i] = found = true;
    if (!found) {
      if (unknown) *unknown = name;
      return false;
    }
  }
  if (!m_bEditable) return true;
  m_checked = checked;
  m_choice = Choice::Select;
  return true;
}

std::string frmSetGroups::Result() const {
  if (!m_bEditable) return m_values.groups;
  if (m_choice == Choice::Null) return kNullGroup;
  if (m_choice == Choice::All) return kAllGroups;
  std::string result;
  for (size_t i = 0; i < m_names.size(); ++i) {
    if (!m_checked[i]) continue;
    if (m_names[i].empty()) {
      g_Debug().OutCustomError("frmSetGroups.btnOk_Click", "Name of group ia an empty.");
      continue;
    }
    result += (result.empty() ? "" : ";") + m_names[i];
  }
  return result;
}

bool frmSetGroups::btnOK_Click(platform::Prompt* prompt) {
  const std::string result = Result();
  const bool allowed = m_checkRights ? m_checkRights(m_values.owner, result)
                                     : CheckRights(m_groups, m_values.owner, result);
  if (!allowed) {
    if (prompt)
      prompt->MessageBox(m_groups.Env().Text("LID_NO_RIGHTS_EDIT_APPOINTMENT"), "Zentabo", platform::Buttons::OK,
                         platform::Icon::Information);
    return false;
  }
  m_values.groups = result;
  m_values.bNoticeAnswer = m_bNotice;
  m_bConfirmed = true;
  m_bClosed = true;
  return true;
}

bool frmSetGroups::ShowModal(platform::Prompt& prompt) {
  std::vector<std::pair<std::string, std::string>> refused;
  while (!m_bClosed) {
    platform::FormRequest form;
    form.name = "frmSetGroups";
    form.buttons = platform::Buttons::OKCancel;
    form.Set("Owner", m_owner);
    if (m_values.bShowNotice) form.Set("Subject", m_values.subject);
    form.Set("Groups", platform::Join(m_names, ";"));
    form.Set("Choice", ChoiceName(m_choice));
    std::string checked;
    for (size_t i = 0; i < m_names.size(); ++i)
      if (m_checked[i]) checked += (checked.empty() ? "" : ";") + m_names[i];
    form.Set("Checked", checked);
    if (m_values.bShowNotice) form.Set("Do not ask again", m_bNotice ? "yes" : "no");
    if (prompt.ShowForm(form) != platform::IDOK) {
      btnCancel_Click();
      break;
    }
    if (!refused.empty() && form.fields == refused) {
      btnCancel_Click();
      break;
    }
    const std::string choice = platform::Lower(platform::Trim(form.Get("Choice")));
    std::string unknown;
    if (m_bEditable && !CheckNames(form.Get("Checked"), &unknown)) {
      prompt.MessageBox("You are in no group named \"" + unknown + "\".", "Zentabo", platform::Buttons::OK,
                        platform::Icon::Exclamation);
      refused = form.fields;
      continue;
    }
    if (choice == "none") SetChoice(Choice::Null);
    else if (choice == "all") SetChoice(Choice::All);
    else SetChoice(Choice::Select);
    if (m_values.bShowNotice) {
      const std::string v = platform::Lower(platform::Trim(form.Get("Do not ask again")));
      SetNoticeChecked(v == "yes" || v == "1" || v == "true");
    }
    if (!btnOK_Click(&prompt)) refused = form.fields;
  }
  return m_bConfirmed;
}

InitGroupsResult InitGroups(platform::Item& item, CGroups& groups, CLang* lang, platform::Registry& reg,
                            const std::string& storeId, bool bShowNotice, const SetGroupsDriver& drive,
                            const std::function<bool(const std::string&, const std::string&)>& checkRights) {
  InitGroupsResult result;
  try {
    const std::string me = platform::Lower(groups.Env().strCurEmail);
    std::string owner = platform::Lower(platform::Trim(Property(item, mAppointments::kOwnerAddress)));
    if (owner.empty()) owner = me;
    frmSetGroups::Values values;
    values.owner = owner;
    values.groups = Property(item, mAppointments::kGroups);
    values.subject = item.Subject();
    values.bShowNotice = bShowNotice;
    values.bEditable = owner == me;
    frmSetGroups form(groups, lang, values, checkRights);
    form.Form_Load();
    if (!drive || !drive(form) || !form.Confirmed()) return result;
    if (owner != me) {
      g_Debug().OutWarning("mAppointments.InitGroups", "Not current user trying set groups.");
      return result;
    }
    const frmSetGroups::Values& out = form.Out();
    platform::UserProperty p = item.UserProperties().Find(mAppointments::kGroups);
    if (!p) p = item.UserProperties().Add(mAppointments::kGroups);
    p.SetValue(out.groups);
    if (bShowNotice) {
      mOptions::SaveOption(reg, storeId, "NShowMesGroups", out.bNoticeAnswer);
      mOptions::g_Options().NShowMesGroups = out.bNoticeAnswer;
      if (out.bNoticeAnswer) {
        mOptions::SaveOption(reg, storeId, "NShowMesGroupsValue", out.groups, "String");
        mOptions::g_Options().NShowMesGroupsValue = out.groups;
      }
    }
    result.bConfirmed = true;
    result.groups = out.groups;
  } catch (...) {
    g_Debug().OutError("mAppointments.InitGroups");
    result = {};
  }
  return result;
}
