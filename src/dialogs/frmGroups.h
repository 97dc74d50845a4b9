#pragma once
// frmGroups: the groups dialog, the list of all the user's groups. It works
// on an edit copy of the groups (CopyFrom) and only changes that copy: a
// new group is created in it, a group to leave is marked for removal and
// stays listed until the copy is applied; the members of a group are
// edited in frmMembers over the same copy. The caller applies the copy
// (ApplyGroupEdit) when the dialog is confirmed and drops it otherwise.
#include <memory>
#include <string>
#include <vector>

#include "dialogs/frmAddressBook.h"
#include "groups/CGroup.h"
#include "lang/FormModel.h"
#include "platform/Prompt.h"

class CGroups;
class CLang;
class frmMembers;

class frmGroups : public FormModel {
 public:
  // copy: the edit copy, which must outlive the dialog; lang may be null.
  frmGroups(CGroups& copy, CLang* lang);
  ~frmGroups() override;

  // Localises the form and lists the copy's groups.
  void Form_Load();

  const std::vector<std::string>& ListNames() const { return m_names; }
  // The row of a group name (exact); -1 when none.
  int IndexOf(const std::string& name) const;
  GroupPtr Group(int index) const;
  // Selects a row (-1: none) and sets btnRemove and btnProperties: both
  // need a group that is not marked for removal.
  void Select(int index);
  int ListIndex() const { return m_index; }
  bool RemoveEnabled() const { return m_bRemoveEnabled; }
  bool PropertiesEnabled() const { return m_bRemoveEnabled; }
  // The text a row shows: the name, and " (leaving)" once marked for removal.
  std::string RowText(int index) const;

  // btnAdd: asks for the name (LID_ENTER_GROUP_NAME, title LID_GROUP_NAME)
  // and adds the group. False when cancelled or refused.
  bool btnAdd_Click(platform::Prompt& prompt);
  // A new group of the copy, managed by the user, when the trimmed name
  // passes IsValidGroupName against the copy (which tells the user why not).
  bool AddGroup(const std::string& name);
  // btnRemove: asks LID_GROUP_DELETION_WARNING (Yes/No, warning icon) and
  // on Yes marks the selected group for removal.
  bool btnRemove_Click(platform::Prompt& prompt);
  bool RemoveSelected();
  // btnProperties: the members dialog on the selected group of the copy,
  // loaded; nullptr when btnProperties is disabled.
  std::unique_ptr<frmMembers> btnProperties_Click();

  void btnOK_Click() { m_bClosed = m_bConfirmed = true; }
  void btnCancel_Click() { m_bClosed = true; }
  bool Closed() const { return m_bClosed; }
  bool Confirmed() const { return m_bConfirmed; }
  const std::string& Refusal() const { return m_refusal; }

  // Runs the dialog through the prompt: the list and the commands in an
  // input box ("add [NAME]", "remove N", "members N" - the members dialog -,
  // "ok", "cancel"). End of input cancels. True when OK.
  bool ShowModal(platform::Prompt& prompt, const std::vector<frmAddressBook::Entry>& people);

 private:
  void Refresh();

  CGroups& m_copy;
  CLang* m_lang;
  std::vector<std::string> m_names;
  std::vector<GroupPtr> m_groups;
  int m_index = -1;
  bool m_bRemoveEnabled = false;
  bool m_bClosed = false;
  bool m_bConfirmed = false;
  std::string m_refusal;
};
