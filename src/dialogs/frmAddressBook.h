#pragma once
// frmAddressBook: the address-book selection the dialogs open to choose
// people: the profile's contacts and the addresses the groups know, put
// into labelled wells ("Required", "Optional", ...). An entry typed into a
// well is a listed person's name or address, or any one e-mail address;
// what is neither is refused and named, so nothing typed is lost silently.
#include <string>
#include <vector>

#include "platform/Prompt.h"

class CGroups;
namespace platform {
class MailSession;
}

class frmAddressBook {
 public:
  // One person of the book.
  struct Entry {
    std::string name;
    std::string address;  // lower case
  };
  // An entry chosen and the well (0-based) it was put in.
  struct Choice {
    int well = 0;
    Entry entry;
  };

  // The people the book lists: the contacts of the profile's Contacts folder
  // that carry an address, then the members of the groups (each address
  // once, the contact's name winning). Without a session or groups, only
  // the other part.
  static std::vector<Entry> KnownPeople(platform::MailSession* session, CGroups* groups);

  frmAddressBook(std::vector<Entry> people, std::string title, std::vector<std::string> wellLabels);

  const std::vector<Entry>& People() const { return m_people; }
  const std::string& Title() const { return m_title; }
  const std::vector<std::string>& Wells() const { return m_wells; }

  // The person a typed entry stands for: a listed name or address (without
  // regard to case), else any one e-mail address (named by itself). False
  // when the text is neither.
  bool Resolve(const std::string& text, Entry* entry) const;

  // Puts the entries of a ";"-separated text into a well, replacing what it
  // held; an address already in that well is taken once. Returns the parts
  // that could not be resolved (the well keeps the others).
  std::vector<std::string> SetWell(int well, const std::string& text);
  // Puts resolved people into a well (pre-filling it).
  void Fill(int well, const std::vector<Entry>& entries);
  const std::vector<Entry>& Well(int well) const { return m_chosen.at(well); }
  // Every chosen entry, well by well in the order they were put in.
  std::vector<Choice> Chosen() const;

  // Shows the book through the prompt as the form "AddressBook" (the
  // fields "Title", "People" - the listed people, read-only - and one per
  // well, named by its label). OK fills the wells from the edited fields;
  // entries that cannot be resolved are named in a message and the form
  // comes again. Returns false when cancelled (the wells as they were).
  bool ShowModal(platform::Prompt& prompt);

 private:
  std::vector<Entry> m_people;
  std::string m_title;
  std::vector<std::string> m_wells;
  std::vector<std::vector<Entry>> m_chosen;
};

// "Name <address>", or the address alone when the name is empty or the address.
std::string ShowEntry(const frmAddressBook::Entry& entry);
