#include "sync/CJournal.h"

#include "platform/Error.h"
#include "sync/mAppointments.h"

void CJournal::Add(int32_t nAction, const std::string& sEntryID, int32_t nFolder) {
  m_entries.push_back(CJournalEntry{nAction, sEntryID, nFolder});
  mAppointments::ProcessJournal(*this);
}

void CJournal::Queue(int32_t nAction, const std::string& sEntryID, int32_t nFolder) {
  m_entries.push_back(CJournalEntry{nAction, sEntryID, nFolder});
}

const CJournalEntry& CJournal::Item(size_t index) const {
  if (index < 1 || index > m_entries.size())
    throw platform::Error("journal entry " + std::to_string(index) + " out of range");
  return m_entries[index - 1];
}

void CJournal::Remove(size_t index) {
  if (index >= 1 && index <= m_entries.size()) m_entries.erase(m_entries.begin() + static_cast<long>(index - 1));
}
