#include "dialogs/frmRecipients.h"

#include "lang/CLang.h"
#include "platform/Text.h"

frmRecipients::frmRecipients(CLang* lang, std::vector<frmAddressBook::Entry> people, std::string recipients,
                             bool bReadOnly)
    : FormModel("frmRecipients"),
      m_lang(lang),
      m_people(std::move(people)),
      m_incoming(std::move(recipients)),
      m_bReadOnly(bReadOnly) {
  Self().caption = "Recipients";
  AddControl("lblOrganizer", "Label", "Organizer :");
  AddControl("txtOrganizer", "TextBox");
  AddControl("btnOrganizer", "CommandButton", "Organizer...");
  AddControl("lblRecipients", "Label", "Attendees :");
  AddControl("txtRecipients", "TextBox");
  AddControl("btnRecipients", "CommandButton", "Attendees...");
  AddControl("btnOK", "CommandButton", "OK");
  AddControl("btnCancel", "CommandButton", "Cancel");
}

void frmRecipients::Form_Load() {
  if (m_lang) m_lang->LocalizeForm(*this);
  m_organizer.clear();
  m_attendees.clear();
  const std::vector<std::string> parts = platform::Split(m_incoming, ';');
  for (size_t i = 0; i < parts.size(); ++i) {
    const std::string entry = platform::Lower(platform::Trim(parts[i]));
    if (i == 0)
      m_organizer = entry;
    else if (!entry.empty())
      m_attendees.push_back(entry);
  }
}

std::string frmRecipients::txtRecipients() const { return platform::Join(m_attendees, "; "); }

void frmRecipients::btnOrganizer_Click(platform::Prompt& prompt) {
  if (m_bReadOnly) return;
  frmAddressBook book(m_people, "Choice", {"Organizer"});
  if (!m_organizer.empty()) book.SetWell(0, m_organizer);
  if (!book.ShowModal(prompt) || book.Well(0).empty()) return;
  m_organizer = book.Well(0).front().address;
}

void frmRecipients::btnRecipients_Click(platform::Prompt& prompt) {
  if (m_bReadOnly) return;
  frmAddressBook book(m_people, "Address Book", {"Required", "Optional", "Resource"});
  book.SetWell(0, platform::Join(m_attendees, ";"));
  if (!book.ShowModal(prompt)) return;
  m_attendees.clear();
  for (const frmAddressBook::Choice& c : book.Chosen()) m_attendees.push_back(c.entry.address);
}

void frmRecipients::btnOK_Click() {
  std::vector<std::string> all{m_organizer};
  all.insert(all.end(), m_attendees.begin(), m_attendees.end());
  m_result = platform::Join(all, ";");
  m_bOK = true;
  m_bClosed = true;
}

bool frmRecipients::ShowModal(platform::Prompt& prompt) {
  while (!m_bClosed) {
    platform::FormRequest form;
    form.name = "frmRecipients";
    form.buttons = m_bReadOnly ? platform::Buttons::OK : platform::Buttons::OKCancel;
    form.Set("Organizer", m_organizer);
    form.Set("Recipients", txtRecipients());
    if (!m_bReadOnly) form.Set("Open", "");
    if (prompt.ShowForm(form) != platform::IDOK) {
      btnCancel_Click();
      break;
    }
    const std::string open = m_bReadOnly ? "" : platform::Lower(platform::Trim(form.Get("Open")));
    if (open == "organizer")
      btnOrganizer_Click(prompt);
    else if (open == "recipients")
      btnRecipients_Click(prompt);
    else
      btnOK_Click();
  }
  return m_bOK;
}
