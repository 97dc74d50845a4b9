#pragma once
// frmMembers: the members dialog of one group. It works on a group of the
// groups dialog's edit copy and only marks that copy (bCreating,
// bMarkedForRemoving, bModifying, bModifyingShare) after checking the
// user's rights through his own member; the caller applies the copy.
// Cancel puts the group back as it was when the dialog opened. Each
// operation that refuses leaves the reason in Refusal(); a false result
// with no refusal means there was nothing to change.
#include <string>
#include <vector>

#include "dialogs/frmAddressBook.h"
#include "groups/CGroup.h"
#include "lang/FormModel.h"
#include "platform/Prompt.h"

class CGroups;
class CLang;

class frmMembers : public FormModel {
 public:
  // One row of lstMembers.
  struct Row {
    std::string name;
    std::string email;    // "[no e-mail]" when the member has none
    std::string role;     // "manager", "assistant" or "member"
    std::string sharing;  // "sharing" or "not sharing"
    std::string status;   // "creating", "removing", "active" or "pending"
  };

  // copy: the edit copy holding `group`; both must outlive the dialog.
  // lang may be null.
  frmMembers(CGroups& copy, CGroup& group, CLang* lang);

  static const char* RoleName(int role);

  // Localises the form, shows the group's name and manager, fills the list
  // and enables btnAdd when my own member may add (CanAdd).
  void Form_Load();

  const std::string& lblGroup() const { return m_group.strName; }
  const std::string& lblManager() const { return m_manager; }
  const std::vector<Row>& Rows() const { return m_rows; }
  // The row of a member's address (any case); -1 when none.
  int IndexOf(const std::string& address) const;
  MemberPtr Member(int index) const;

  // Selects a row (-1: none) and sets the buttons for it.
  void Select(int index);
  int ListIndex() const { return m_index; }
  bool AddEnabled() const { return m_bAddEnabled; }
  bool RemoveEnabled() const { return m_bRemoveEnabled; }
  bool EditEnabled() const { return m_index >= 0; }

  // btnRemove: asks (Yes/No/Cancel) LID_REMOVE_ME for my own member,
  // LID_REMOVE_MEMBER otherwise, and on Yes removes the selected member.
  bool btnRemove_Click(platform::Prompt& prompt);
  // The removal itself: a member added in this dialog leaves the copy
  // again, any other is marked for removal. Refused without CanRemove.
  bool RemoveSelected();
  // cboRole: gives the selected member `role` when my member may modify
  // him (CanModify); false with no refusal when he has that role already.
  bool cboRole_Click(int role);
  // The per-address part of btnAdd: one new member of the copy's group,
  // marked as added in this dialog (the name cleaned; the address when
  // none). Refused for an address that is not one address, a member
  // already, or one my member may not add (CanAdd).
  bool AddMember(const std::string& name, const std::string& address, int role, bool share);
  // btnAdd: the contact chooser (the address book with the well "Members")
  // and AddMember for each chosen person. Returns the number added; the
  // refusals of the others are in Refusal(), "; "-joined.
  int btnAdd_Click(platform::Prompt& prompt, const std::vector<frmAddressBook::Entry>& people);

  // Member editing, on the selected member: his display name
  // (CanModifyName) and his sharing (CanModifyShare); false with no
  // refusal when it is so already.
  bool Rename(const std::string& name);
  bool SetShare(bool on);
  // btnEditMember: the form "frmEditMember" (fields "Name" and "Sharing",
  // "on" or "off") for the selected member; OK applies what changed. False
  // when cancelled or refused (the refusal shown).
  bool btnEditMember_Click(platform::Prompt& prompt);

  void btnOK_Click() { m_bClosed = m_bConfirmed = true; }
  // Puts the group back as it was when the dialog was loaded.
  void btnCancel_Click();
  bool Closed() const { return m_bClosed; }
  bool Confirmed() const { return m_bConfirmed; }

  const std::string& Refusal() const { return m_refusal; }

  // Runs the dialog through the prompt: the list and the commands in an
  // input box, answered with a command line ("add ADDRESS [NAME]", "add"
  // for the address book, "remove N", "role N member|assistant", "edit N",
  // "ok", "cancel"). End of input cancels. True when OK.
  bool ShowModal(platform::Prompt& prompt, const std::vector<frmAddressBook::Entry>& people);

 private:
  void Refresh();
  bool Refuse(const std::string& why);
  MemberPtr Selected();

  CGroups& m_copy;
  CGroup& m_group;
  CLang* m_lang;
  std::vector<CMember> m_snapshot;
  std::string m_manager;
  std::vector<Row> m_rows;
  std::vector<MemberPtr> m_members;
  int m_index = -1;
  bool m_bAddEnabled = false;
  bool m_bRemoveEnabled = false;
  bool m_bClosed = false;
  bool m_bConfirmed = false;
  std::string m_refusal;
};
