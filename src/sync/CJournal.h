#pragma once
// CJournal: the item events of the user's folders that the event bridge has
// taken for user changes, waiting to be applied to the twin folder. Adding an
// entry processes the journal at once (mAppointments::ProcessJournal); the
// bridge queues the events of one burst and processes them together.
#include <cstdint>
#include <string>
#include <vector>

struct CJournalEntry {
  enum Action : int32_t { ItemAdded = 0, ItemChanged = 1, ItemRemoved = 2 };
  enum FolderKind : int32_t { DeletedItems = 0, Calendar = 1, Zentab = 2 };

  int32_t nAction = ItemAdded;
  std::string sEntryID;  // the item's entry id
  int32_t nFolder = Calendar;
};

class CJournal {
 public:
  using const_iterator = std::vector<CJournalEntry>::const_iterator;

  // Appends an entry and processes the journal (which clears it); failures
  // of the processing are logged there.
  void Add(int32_t nAction, const std::string& sEntryID, int32_t nFolder);
  // Appends an entry without processing: the caller processes the journal
  // (mAppointments::ProcessJournal) once the burst of events is in.
  void Queue(int32_t nAction, const std::string& sEntryID, int32_t nFolder);
  // The entry at 1-based `index`; throws platform::Error when out of range.
  const CJournalEntry& Item(size_t index) const;
  size_t Count() const { return m_entries.size(); }
  // Removes the entry at 1-based `index`; out of range does nothing.
  void Remove(size_t index);
  void Clear() { m_entries.clear(); }
  const_iterator begin() const { return m_entries.begin(); }
  const_iterator end() const { return m_entries.end(); }

 private:
  std::vector<CJournalEntry> m_entries;
};
