#pragma once
// CAppointment: one pending change of an own item, waiting in the pending
// collection to be sent to the members. It names the item by entry id and
// carries the values of the item header that travels with it, so that a
// removal can still be sent after the item itself is gone.
#include <string>

#include "platform/Date.h"

namespace platform {
class MailSession;
}  // namespace platform

class CAppointment {
 public:
  std::string m_strAction;      // "Added", "Changed" or "Removed"
  std::string m_strEntryID;     // the item's entry id ("Nothing" for a removal queued without one)
  std::string m_strItemID;      // the group-wide item id, the collection's key
  std::string m_strOwner;
  std::string m_strGroups;
  std::string m_strShamMet;     // the sham-meeting value
  std::string m_strRecipients;  // a sham meeting's recipients, ";"-separated
  std::string m_strMeetingUID;
  platform::Date m_dLastMod;    // the item's LastModificationTime when queued

  // The user property of the item named by m_strEntryID in `session`; ""
  // when the item or the property is missing (never throws).
  std::string GetUserProperty(const platform::MailSession& session, const std::string& name) const;
  // Sets the user property on that item (creating it as text, writing only a
  // different value) and saves the item. Does nothing when the item is
  // missing; failures are logged ("CAppointment.SetUserProperty").
  void SetUserProperty(const platform::MailSession& session, const std::string& name,
                       const std::string& value) const;
};
