#pragma once
// frmMemberGroups: the groups of one person - in which of the user's groups
// an address is a member - changed by checking and unchecking groups. It
// works on an edit copy of the groups: a newly checked group gets the
// person as a new member (bCreating), an unchecked one marks his membership
// for removal. Groups where the user's own member may neither add nor
// remove him are shown but locked. The caller applies the copy.
#include <string>
#include <vector>

#include "lang/FormModel.h"
#include "platform/Prompt.h"

class CGroups;
class CLang;

class frmMemberGroups : public FormModel {
 public:
  // copy: the edit copy (must outlive the dialog); email: the person's
  // address; showAs: the name a new membership gives him ("" - the name he
  // has in the groups, else the address). lang may be null.
  frmMemberGroups(CGroups& copy, CLang* lang, std::string email, std::string showAs);

  // Localises the form and lists every group of the copy with its check
  // (a member there, not marked for removal) and whether it can change.
  void Form_Load();

  const std::string& txtMember() const { return m_email; }
  const std::vector<std::string>& ListNames() const { return m_names; }
  bool Checked(int index) const { return m_checked.at(index); }
  bool Enabled(int index) const { return m_enabled.at(index); }
  // The checked names, ";"-joined in list order.
  std::string CheckedNames() const;

  // Ignored (false) for a locked group.
  bool SetChecked(int index, bool checked);
  // Checks exactly the named groups (";"-separated, any case). False, with
  // nothing changed, for a name that is no group or a locked group whose
  // check would change; the refusal names it.
  bool CheckNames(const std::string& names);

  // OK: the differences go into the copy. True when anything changed.
  bool btnOK_Click();
  void btnCancel_Click() { m_bClosed = true; }
  bool Closed() const { return m_bClosed; }
  const std::string& Refusal() const { return m_refusal; }

  // Runs the dialog through the prompt as the form "frmMemberGroups"
  // (fields "Member", "Groups" and "Locked" read-only, "Checked" to edit).
  // A refused answer is told and the form shown again; the same refused
  // answer twice counts as Cancel. True when OK changed the copy.
  bool ShowModal(platform::Prompt& prompt);

 private:
  CGroups& m_copy;
  CLang* m_lang;
  std::string m_email;
  std::string m_showAs;
  std::vector<std::string> m_names;
  std::vector<bool> m_was;
  std::vector<bool> m_checked;
  std::vector<bool> m_enabled;
  bool m_bClosed = false;
  std::string m_refusal;
};
