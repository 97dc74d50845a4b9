#pragma once
// frmAddMembers: the add-new-members wizard. Its first page chooses people
// in the address book, its second the groups they join - among those in
// which the user's own member may add members. Finishing adds each chosen
// person to each chosen group of the edit copy, by the members dialog's
// own rule (frmMembers::AddMember); the caller applies the copy.
#include <string>
#include <vector>

#include "dialogs/frmAddressBook.h"
#include "lang/FormModel.h"
#include "platform/Prompt.h"

class CGroups;
class CLang;

class frmAddMembers : public FormModel {
 public:
  // copy: the edit copy (must outlive the wizard); people: the address
  // book's; preselected: a group name checked on the second page ("" for
  // none). lang may be null.
  frmAddMembers(CGroups& copy, CLang* lang, std::vector<frmAddressBook::Entry> people, std::string preselected = "");

  // Localises the form and lists the groups the user may add members to.
  void Form_Load();

  // Page 1: the people chosen so far.
  const std::vector<frmAddressBook::Entry>& Chosen() const { return m_chosen; }
  void SetChosen(std::vector<frmAddressBook::Entry> chosen) { m_chosen = std::move(chosen); }
  // The address book (one well "Members", pre-filled with the chosen);
  // false when cancelled.
  bool btnChoose_Click(platform::Prompt& prompt);

  // Page 2: the groups open to new members, and their checks.
  const std::vector<std::string>& ListNames() const { return m_names; }
  bool Checked(int index) const { return m_checked.at(index); }
  void SetChecked(int index, bool checked);
  // Checks exactly the named groups (";"-separated, any case); false, with
  // nothing changed, for a name not in the list (the refusal names it).
  bool CheckNames(const std::string& names);

  // Finish is possible with at least one person and one group.
  bool FinishEnabled() const;
  // Adds every chosen person to every checked group of the copy. Returns
  // the number of memberships made; the refusals of the others (a member
  // already, ...) are in Refusal(), "; "-joined.
  int btnFinish_Click();
  const std::string& Refusal() const { return m_refusal; }

  // Runs the wizard through the prompt: the address book, then the form
  // "frmAddMembers" (fields "Members" and "Groups" read-only, "Checked" to
  // edit); a refused answer is told and the form shown again, the same one
  // twice counts as Cancel. True when memberships were made.
  bool ShowModal(platform::Prompt& prompt);

 private:
  CGroups& m_copy;
  CLang* m_lang;
  std::vector<frmAddressBook::Entry> m_people;
  std::string m_preselected;
  std::vector<frmAddressBook::Entry> m_chosen;
  std::vector<std::string> m_names;
  std::vector<bool> m_checked;
  std::string m_refusal;
};
