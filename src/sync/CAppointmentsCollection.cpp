#include "sync/CAppointmentsCollection.h"

#include "platform/Error.h"

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
  return m_coll.Add(std::move(rec), strItemID);
}

CAppointment* CAppointmentsCollection::Item(const std::string& key) { return m_coll.Find(key); }

const CAppointment* CAppointmentsCollection::Item(const std::string& key) const { return m_coll.Find(key); }

bool CAppointmentsCollection::Remove(const std::string& key) {
  if (!m_coll.Exists(key)) return false;
  m_coll.Remove(key);
  return true;
}
