#include "dialogs/mGroupDialogs.h"

#include "dialogs/frmAddMembers.h"
#include "dialogs/frmGroups.h"
#include "dialogs/frmMemberGroups.h"
#include "dialogs/frmMembers.h"
#include "diagnostics/CDebug.h"
#include "groups/CGroups.h"
#include "platform/Text.h"

namespace mGroupDialogs {

std::string MarkNamedGroups(const std::string& text, const std::vector<std::string>& names,
                            std::vector<bool>& wanted) {
  wanted.assign(names.size(), false);
  for (const std::string& part : platform::Split(text, ';')) {
    const std::string name = platform::Trim(part);
    if (name.empty()) continue;
    bool found = false;
    for (size_t i = 0; i < names.size(); ++i)
      if (platform::EqualsNoCase(names[i], name)) wanted[i] = found = true;
    if (!found) return name;
  }
  return "";
}

bool ShowGroups(CGroups& groups, CLang* lang, platform::Prompt& prompt,
                const std::vector<frmAddressBook::Entry>& people, const RaiseEvent& raiseEvent) {
  return ApplyGroupEdit(
      groups,
      [&](CGroups& copy) {
        frmGroups form(copy, lang);
        form.Form_Load();
        return form.ShowModal(prompt, people);
      },
      raiseEvent);
}

bool ManageMemberGroups(CGroups& groups, CLang* lang, platform::Prompt& prompt, const std::string& sEmail,
                        const std::string& sShowAs, const RaiseEvent& raiseEvent,
                        const std::function<bool(frmMemberGroups&)>& drive) {
  return ApplyGroupEdit(
      groups,
      [&](CGroups& copy) {
        frmMemberGroups form(copy, lang, sEmail, sShowAs);
        form.Form_Load();
        return drive ? drive(form) : form.ShowModal(prompt);
      },
      raiseEvent);
}

AddNewMemberUi AddNewMemberDialogs(CGroups& groups, CLang* lang, platform::Prompt& prompt,
                                   std::vector<frmAddressBook::Entry> people, RaiseEvent raiseEvent) {
  AddNewMemberUi ui;
  ui.RaiseCustomEvent = raiseEvent;
  ui.RunAddMembersWizard = [&groups, lang, &prompt, people, raiseEvent] {
    try {
      ApplyGroupEdit(
          groups,
          [&](CGroups& copy) {
            frmAddMembers wizard(copy, lang, people);
            wizard.Form_Load();
            return wizard.ShowModal(prompt);
          },
          raiseEvent);
    } catch (...) {
      g_Debug().OutError("frmAddMembers.ShowModal");
    }
  };
  ui.RunAddMemberDialog = [lang, &prompt, people](CGroups& copy, CGroup& group) {
    frmMembers form(copy, group, lang);
    form.Form_Load();
    const int added = form.btnAdd_Click(prompt, people);
    if (!form.Refusal().empty())
      prompt.MessageBox(form.Refusal(), "Zentabo", platform::Buttons::OK, platform::Icon::Information);
    return added > 0;
  };
  return ui;
}

}  // namespace mGroupDialogs
