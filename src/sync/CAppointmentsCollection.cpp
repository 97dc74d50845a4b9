#include "sync/CAppointmentsCollection.h"

#include <vector>

#include "diagnostics/CDebug.h"
#include "platform/Error.h"
#include "platform/Text.h"

namespace {

// The profile's key of a record: item ids are compared without regard to
// case, as the collection's keys are.
std::string StoredKey(const std::string& itemId) { return platform::Lower(itemId); }

}  // namespace

std::string CAppointmentsCollection::Encode(const CAppointment& r) {
  // Each field as its length, ":" and its bytes: any text survives.
  std::string text;
  for (const std::string* f : {&r.m_strAction, &r.m_strEntryID, &r.m_strItemID, &r.m_strOwner, &r.m_strGroups,
                               &r.m_strShamMet, &r.m_strRecipients, &r.m_strMeetingUID})
    text += std::to_string(f->size()) + ":" + *f;
  return text + std::to_string(r.m_dLastMod.Seconds());
}

std::optional<CAppointment> CAppointmentsCollection::Decode(const std::string& text) {
  CAppointment r;
  size_t pos = 0;
  for (std::string* f : {&r.m_strAction, &r.m_strEntryID, &r.m_strItemID, &r.m_strOwner, &r.m_strGroups,
                         &r.m_strShamMet, &r.m_strRecipients, &r.m_strMeetingUID}) {
    const size_t colon = text.find(':', pos);
    if (colon == std::string::npos || colon == pos) return std::nullopt;
    size_t len = 0;
    for (size_t i = pos; i < colon; ++i) {
      if (text[i] < '0' || text[i] > '9' || len > text.size()) return std::nullopt;
      len = len * 10 + static_cast<size_t>(text[i] - '0');
    }
    if (len > text.size() - colon - 1) return std::nullopt;
    *f = text.substr(colon + 1, len);
    pos = colon + 1 + len;
  }
  try {
    size_t used = 0;
    const std::string tail = text.substr(pos);
    const long long seconds = std::stoll(tail, &used);
    if (used != tail.size()) return std::nullopt;
    r.m_dLastMod = platform::Date::FromSeconds(seconds);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  if (r.m_strItemID.empty()) return std::nullopt;
  return r;
}

void CAppointmentsCollection::Keep(platform::ProfileQueue queue) {
  platform::KeyedCollection<CAppointment> loaded;
  for (const auto& [key, value] : queue.All()) {
    std::optional<CAppointment> rec = Decode(value);
    if (!rec || loaded.Exists(rec->m_strItemID)) {
      g_Debug().OutCustomError("CAppointmentsCollection.Keep", "a pending change kept as '" + key + "' is damaged");
      continue;
    }
    const std::string id = rec->m_strItemID;
    loaded.Add(std::move(*rec), id);
  }
  m_coll = std::move(loaded);
  m_kept.emplace(std::move(queue));
}

CAppointment& CAppointmentsCollection::Add(const std::string& strAction, const std::string& strEntryID,
                                           const std::string& strItemID, const std::string& strOwner,
                                           const std::string& strGroups, const std::string& strShamMet,
                                           const std::string& strRecipients, platform::Date dLastMod,
                                           const std::string& strMeetingUID) {
  if (strItemID.empty()) throw platform::Error("a pending item needs an item id (action " + strAction + ")");
  if (CAppointment* existing = m_coll.Find(strItemID)) return *existing;
  CAppointment rec;
  rec.m_strAction = strAction;
  rec.m_strEntryID = strEntryID;
  rec.m_strItemID = strItemID;
  rec.m_strOwner = strOwner;
  rec.m_strGroups = strGroups;
  rec.m_strShamMet = strShamMet;
  rec.m_strRecipients = strRecipients;
  rec.m_strMeetingUID = strMeetingUID;
  rec.m_dLastMod = dLastMod;
  if (m_kept) m_kept->Put(StoredKey(strItemID), Encode(rec));
  return m_coll.Add(std::move(rec), strItemID);
}

void CAppointmentsCollection::Update(const CAppointment& record) {
  CAppointment* queued = m_coll.Find(record.m_strItemID);
  if (!queued) throw platform::Error("no pending change of item " + record.m_strItemID + " to refresh");
  if (m_kept) m_kept->Put(StoredKey(record.m_strItemID), Encode(record));
  *queued = record;
}

CAppointment* CAppointmentsCollection::Item(const std::string& key) { return m_coll.Find(key); }

const CAppointment* CAppointmentsCollection::Item(const std::string& key) const { return m_coll.Find(key); }

bool CAppointmentsCollection::Remove(const std::string& key) {
  if (!m_coll.Exists(key)) return false;
  if (m_kept) m_kept->Remove(StoredKey(key));
  m_coll.Remove(key);
  return true;
}

void CAppointmentsCollection::RemoveAll() {
  if (m_kept) m_kept->Clear();
  m_coll.Clear();
}
