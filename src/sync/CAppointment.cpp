#include "sync/CAppointment.h"

#include "diagnostics/CDebug.h"
#include "sync/mAppointments.h"

std::string CAppointment::GetUserProperty(const platform::MailSession& session, const std::string& name) const {
  return mAppointments::GetUserProperty(mAppointments::GetItemFromID(session, m_strEntryID), name);
}

void CAppointment::SetUserProperty(const platform::MailSession& session, const std::string& name,
                                   const std::string& value) const {
  platform::Item item = mAppointments::GetItemFromID(session, m_strEntryID);
  if (!item) {
    g_Debug().OutWarning("CAppointment.SetUserProperty", "Item is Nothing, EntryID = " + m_strEntryID);
    return;
  }
  mAppointments::SetUserProperty(item, name, value, true);
}
