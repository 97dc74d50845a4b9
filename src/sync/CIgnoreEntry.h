#pragma once
// CIgnoreEntry: one burst of item events that the add-in expects from its
// own writes to one item in one watched folder; the event bridge drops that
// many events of the item there instead of taking them for user changes.
#include <cstdint>
#include <string>

struct CIgnoreEntry {
  int32_t NumIgnoreEvents = 0;  // further events of the item in the folder to drop
  std::string EntryID;          // the item's entry id
  std::string AddInfo;          // the registrations' debug texts, joined by ", "
  std::string DelInfo;          // the debug texts of the events that consumed it, joined by ", "
};
