#pragma once
// frmSetGroups: the item-groups dialog of an appointment: with which of the
// owner's groups the item is shared - none, all, or the groups checked in
// the list - and, for a new item, the notice whose box stops the question
// for later items. A view-model over the live groups (it only reads them);
// the caller passes the item's values in and reads the result back, and
// InitGroups is that caller for one item.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "lang/FormModel.h"
#include "platform/Prompt.h"

class CGroups;
class CLang;
namespace platform {
class Item;
class Registry;
}  // namespace platform

class frmSetGroups : public FormModel {
 public:
  // The values exchanged with the caller.
  struct Values {
    std::string owner;        // in: the item's owner address
    std::string groups;       // in and out: ";"-joined names, "(All Groups)" or "(Null Group)"
    std::string subject;      // in: shown read-only with the notice
    bool bShowNotice = false;  // in: show the subject and the notice's box
    bool bEditable = true;     // in: false locks every choice
    bool bNoticeAnswer = false;  // out: the notice's box ("do not ask again")
  };
  enum class Choice { Null, All, Select };

  // groups: the live model (read only); lang may be null (texts stay the
  // identifiers). checkRights: the connection's rule for an owner and a
  // group list; empty: the groups' own CheckRights.
  frmSetGroups(CGroups& groups, CLang* lang, Values values,
               std::function<bool(const std::string& owner, const std::string& groups)> checkRights = {});

  // Localises the form, shows the owner by his display name, lists the
  // groups that have the owner as a member (in group order) with those of
  // the incoming list checked, and selects the matching choice.
  void Form_Load();

  const std::string& txtOwner() const { return m_owner; }
  const std::string& txtSubject() const { return m_values.subject; }
  bool SubjectVisible() const { return m_values.bShowNotice; }
  bool NoticeVisible() const { return m_values.bShowNotice; }
  const std::vector<std::string>& ListNames() const { return m_names; }
  bool Checked(int index) const { return m_checked.at(index); }
  Choice GetChoice() const { return m_choice; }
  bool SelectEnabled() const { return m_bEditable && !m_names.empty(); }
  bool ChoicesEnabled() const { return m_bEditable; }
  bool NoticeChecked() const { return m_bNotice; }

  // The user's clicks; each is ignored where the control is disabled.
  void SetChoice(Choice choice);
  void SetChecked(int index, bool checked);
  void SetNoticeChecked(bool checked) { m_bNotice = checked; }
  // Checks exactly the listed names among `names` (";"-separated, matched
  // without regard to case) and selects btnSelect. False, with nothing
  // changed, when a name is not in the list (`unknown` gets it).
  bool CheckNames(const std::string& names, std::string* unknown);

  // The group list OK would store: the pseudo-value of btnNull / btnAll, or
  // the checked names in list order joined by ";" (an empty name skipped
  // and logged). The incoming list when the dialog is not editable.
  std::string Result() const;

  // OK: when the rights refuse the result, shows LID_NO_RIGHTS_EDIT_APPOINTMENT
  // (through `prompt`; a null prompt leaves the telling to the caller) and
  // stays open (false); otherwise stores the result and the notice's box in
  // the values and closes (true).
  bool btnOK_Click(platform::Prompt* prompt);
  void btnCancel_Click() { m_bClosed = true; }

  bool Closed() const { return m_bClosed; }
  bool Confirmed() const { return m_bConfirmed; }
  const Values& Out() const { return m_values; }

  // Runs the dialog through the prompt as the form "frmSetGroups": fields
  // "Owner", "Subject" and "Do not ask again" (with the notice), "Groups"
  // (the list, read-only), "Choice" ("none", "all" or "select") and
  // "Checked" (";"-joined names). A refused OK shows the form again; the
  // same refused answer twice counts as Cancel. True when confirmed.
  bool ShowModal(platform::Prompt& prompt);

 private:
  CGroups& m_groups;
  CLang* m_lang;
  Values m_values;
  std::function<bool(const std::string&, const std::string&)> m_checkRights;
  std::string m_owner;
  std::vector<std::string> m_names;
  std::vector<bool> m_checked;
  Choice m_choice = Choice::Select;
  bool m_bEditable = true;
  bool m_bNotice = false;
  bool m_bClosed = false;
  bool m_bConfirmed = false;
};

// What the user did in InitGroups.
struct InitGroupsResult {
  bool bConfirmed = false;  // OK on an editable dialog: `groups` is the item's new list
  std::string groups;
};

// How InitGroups runs the loaded dialog: the person at the prompt
// (ShowModal), or a caller that already knows the choice. True when the
// dialog was confirmed.
using SetGroupsDriver = std::function<bool(frmSetGroups& form)>;

// The group assignment of one item: reads its owner (VestrandOwnerAddress,
// the current user when empty) and groups (VestrandGroups) and shows the
// dialog, read-only for another member's item (a confirmation of which is
// refused with the warning "Not current user trying set groups."). On OK
// for an own item the new list is written to VestrandGroups (the caller
// saves the item) and, when the notice was shown, its box is stored in
// the option NShowMesGroups and the groups in NShowMesGroupsValue.
// Failures are logged (source "mAppointments.InitGroups") and count as Cancel.
InitGroupsResult InitGroups(platform::Item& item, CGroups& groups, CLang* lang, platform::Registry& reg,
                            const std::string& storeId, bool bShowNotice, const SetGroupsDriver& drive,
                            const std::function<bool(const std::string&, const std::string&)>& checkRights = {});
