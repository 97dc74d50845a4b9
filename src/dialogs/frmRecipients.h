#pragma once
// frmRecipients: the recipients dialog of a meeting's copy, which as a plain
// appointment has no recipient list of its own: the organizer and the
// attendees, chosen from the address book. The caller passes the
// recipients text in ("organizer;attendee;...") and reads it back when OK
// was chosen.
#include <string>
#include <vector>

#include "dialogs/frmAddressBook.h"
#include "lang/FormModel.h"
#include "platform/Prompt.h"

class CLang;

class frmRecipients : public FormModel {
 public:
  // people: what the address book lists; lang may be null.
  frmRecipients(CLang* lang, std::vector<frmAddressBook::Entry> people, std::string recipients, bool bReadOnly);

  // Localises the form and splits the incoming text at ";": each entry
  // trimmed and lower-cased, the first the organizer, the others the
  // attendees.
  void Form_Load();

  const std::string& txtOrganizer() const { return m_organizer; }
  const std::vector<std::string>& Attendees() const { return m_attendees; }
  // The attendees as the read-only box shows them, "; "-joined.
  std::string txtRecipients() const;
  bool ButtonsEnabled() const { return !m_bReadOnly; }

  // The address book with one well "Organizer" (title "Choice"); the first
  // chosen entry becomes the organizer. Ignored when read-only.
  void btnOrganizer_Click(platform::Prompt& prompt);
  // The address book with the wells "Required", "Optional" and "Resource"
  // (title "Address Book"), the first pre-filled with the attendees; the
  // chosen entries, well by well, replace them. Ignored when read-only.
  void btnRecipients_Click(platform::Prompt& prompt);

  // OK: the organizer and the attendees joined by ";" become the result.
  void btnOK_Click();
  void btnCancel_Click() { m_bClosed = true; }
  bool Closed() const { return m_bClosed; }
  bool OK() const { return m_bOK; }
  const std::string& Result() const { return m_result; }

  // Runs the dialog through the prompt as the form "frmRecipients": the
  // read-only fields "Organizer" and "Recipients" and, unless read-only, the
  // field "Open" naming the button to press ("organizer" or "recipients",
  // empty for none). OK with nothing to open confirms, Cancel closes; a
  // read-only dialog has the one button OK. True when OK.
  bool ShowModal(platform::Prompt& prompt);

 private:
  CLang* m_lang;
  std::vector<frmAddressBook::Entry> m_people;
  std::string m_incoming;
  bool m_bReadOnly;
  std::string m_organizer;
  std::vector<std::string> m_attendees;
  std::string m_result;
  bool m_bClosed = false;
  bool m_bOK = false;
};
