#include "dialogs/frmAddressBook.h"

#include <set>

#include "diagnostics/CDebug.h"
#include "groups/CGroups.h"
#include "groups/mAddress.h"
#include "groups/mInput.h"
#include "platform/Text.h"
#include "platform/store/Folder.h"
#include "platform/store/Item.h"
#include "platform/store/Items.h"
#include "platform/store/MailSession.h"

std::string ShowEntry(const frmAddressBook::Entry& entry) {
  if (entry.name.empty() || platform::EqualsNoCase(entry.name, entry.address)) return entry.address;
  return entry.name + " <" + entry.address + ">";
}

std::vector<frmAddressBook::Entry> frmAddressBook::KnownPeople(platform::MailSession* session, CGroups* groups) {
  std::vector<Entry> people;
  std::set<std::string> seen;
  auto add = [&](const std::string& name, const std::string& address) {
    const std::string a = mAddress::NormaliseAddress(address);
    if (!mAddress::IsAddress(a) || !seen.insert(a).second) return;
    people.push_back({mInput::CleanName(name), a});
  };
  if (session) {
    try {
      platform::Items items = session->GetDefaultFolder(platform::olFolderContacts).Items();
      for (int i = 1, n = items.Count(); i <= n; ++i) {
        platform::Item contact = items.Item(i);
        if (contact.Class() == platform::olContact) add(contact.FullName(), contact.Email1Address());
      }
    } catch (...) {
      g_Debug().OutError("frmAddressBook.KnownPeople");
    }
  }
  if (groups)
    for (const GroupPtr& g : groups->Groups())
      for (const MemberPtr& m : g->Members())
        if (!m->IsVirtual()) add(m->strName, m->strEmail);
  return people;
}

frmAddressBook::frmAddressBook(std::vector<Entry> people, std::string title, std::vector<std::string> wellLabels)
    : m_people(std::move(people)),
      m_title(std::move(title)),
      m_wells(std::move(wellLabels)),
      m_chosen(m_wells.size()) {}

bool frmAddressBook::Resolve(const std::string& text, Entry* entry) const {
  std::string typed = platform::Trim(text);
  std::string typedName;
  // "Name <address>", as the wells show a person.
  const size_t open = typed.rfind('<');
  if (open != std::string::npos && !typed.empty() && typed.back() == '>') {
    typedName = platform::Trim(typed.substr(0, open));
    typed = platform::Trim(typed.substr(open + 1, typed.size() - open - 2));
  }
  if (typed.empty()) return false;
  for (const Entry& p : m_people)
    if (platform::EqualsNoCase(p.address, typed) || (typedName.empty() && platform::EqualsNoCase(p.name, typed))) {
      *entry = p;
      return true;
    }
  const std::string address = mAddress::NormaliseAddress(typed);
  if (!mAddress::IsAddress(address)) return false;
  *entry = {typedName.empty() ? address : mInput::CleanName(typedName), address};
  return true;
}

std::vector<std::string> frmAddressBook::SetWell(int well, const std::string& text) {
  std::vector<std::string> refused;
  std::vector<Entry> entries;
  for (const std::string& part : platform::Split(text, ';')) {
    if (platform::Trim(part).empty()) continue;
    Entry e;
    if (Resolve(part, &e))
      entries.push_back(e);
    else
      refused.push_back(platform::Trim(part));
  }
  m_chosen.at(well).clear();
  Fill(well, entries);
  return refused;
}

void frmAddressBook::Fill(int well, const std::vector<Entry>& entries) {
  std::vector<Entry>& chosen = m_chosen.at(well);
  for (const Entry& e : entries) {
    bool dup = false;
    for (const Entry& c : chosen) dup = dup || c.address == e.address;
    if (!dup) chosen.push_back(e);
  }
}

std::vector<frmAddressBook::Choice> frmAddressBook::Chosen() const {
  std::vector<Choice> all;
  for (size_t w = 0; w < m_chosen.size(); ++w)
    for (const Entry& e : m_chosen[w]) all.push_back({static_cast<int>(w), e});
  return all;
}

bool frmAddressBook::ShowModal(platform::Prompt& prompt) {
  std::string people;
  for (const Entry& p : m_people) people += (people.empty() ? "" : "; ") + ShowEntry(p);
  std::vector<std::string> shown(m_wells.size());
  for (size_t w = 0; w < m_wells.size(); ++w)
    for (const Entry& e : m_chosen[w]) shown[w] += (shown[w].empty() ? "" : "; ") + ShowEntry(e);
  std::vector<std::string> lastRefused;
  for (;;) {
    platform::FormRequest form;
    form.name = "AddressBook";
    form.buttons = platform::Buttons::OKCancel;
    form.Set("Title", m_title);
    form.Set("People", people);
    for (size_t w = 0; w < m_wells.size(); ++w) form.Set(m_wells[w], shown[w]);
    if (prompt.ShowForm(form) != platform::IDOK) return false;
    std::vector<std::vector<Entry>> before = m_chosen;
    std::vector<std::string> refused;
    for (size_t w = 0; w < m_wells.size(); ++w) {
      shown[w] = form.Get(m_wells[w]);
      for (const std::string& r : SetWell(static_cast<int>(w), shown[w])) refused.push_back(r);
    }
    if (refused.empty()) return true;
    m_chosen = before;
    const int answer = prompt.MessageBox("Not in the address book and no e-mail address: " +
                                             platform::Join(refused, "; "),
                                         m_title, platform::Buttons::RetryCancel, platform::Icon::Exclamation,
                                         platform::DefaultButton::Second);
    // The same refused text twice is an answer without a person: give up
    // rather than ask for ever.
    if (answer != platform::IDRETRY || shown == lastRefused) return false;
    lastRefused = shown;
  }
}
