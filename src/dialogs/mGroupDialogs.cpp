#include "dialogs/mGroupDialogs.h"

#include "dialogs/frmAddMembers.h"
#include "dialogs/frmGroups.h"
#include "dialogs/frmMemberGroups.h"
#include "dialogs/frmMembers.h"
#include "diagnostics/CDebug.h"
#include "groups/CGroups.h"
#include "groups/mAddress.h"
#include "platform/Error.h"
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

bool EditMember(CGroups& groups, CLang* lang, platform::Prompt& prompt, const std::string& sEmail,
                const std::string& sGroup, const MemberValues* values, const RaiseEvent& raiseEvent) {
  const std::string email = mAddress::NormaliseAddress(sEmail);
  const bool all = platform::Trim(sGroup).empty() || platform::EqualsNoCase(platform::Trim(sGroup), kAllGroups);
  return ApplyGroupEdit(
      groups,
      [&](CGroups& copy) {
        std::vector<GroupPtr> held;
        for (const GroupPtr& g : copy.Groups())
          if ((all || g->strName == sGroup) && g->FindByEmail(email)) held.push_back(g);
        if (held.empty())
          throw platform::Error(email + (all ? " is in no group" : " is not a member of \"" + sGroup + "\""));
        MemberValues wanted = values ? *values : MemberValues{};
        bool changed = false;
        for (size_t i = 0; i < held.size(); ++i) {
          frmMembers form(copy, *held[i], lang);
          form.Form_Load();
          form.Select(form.IndexOf(email));
          if (i == 0 && !values) {
            // The form is asked once; what it changed is given in the other groups.
            const MemberPtr m = form.Member(form.ListIndex());
            const std::string name = m->strName;
            const bool share = m->bShare;
            if (!form.btnEditMember_Click(prompt)) return false;
            if (m->strName != name) wanted.name = m->strName;
            if (m->bShare != share) wanted.share = m->bShare;
            changed = true;
            continue;
          }
          if (wanted.name) changed = form.Rename(*wanted.name) || changed;
          if (form.Refusal().empty() && wanted.share) changed = form.SetShare(*wanted.share) || changed;
          if (!form.Refusal().empty()) throw platform::Error(form.Refusal());
        }
        return changed;
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
