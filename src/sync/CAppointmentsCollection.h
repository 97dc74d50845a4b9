#pragma once
// CAppointmentsCollection: the pending changes of the user's own items,
// waiting to be sent to the members, keyed by item id in the order queued.
// One change per item: the first action queued for an item stays, later
// changes only refresh the record (an item added and then changed before the
// next send still travels as "Added"). The add-in holds one process-wide
// instance from start to shutdown; the sending code drains it.
#include <string>

#include "platform/Date.h"
#include "platform/KeyedCollection.h"
#include "sync/CAppointment.h"

class CAppointmentsCollection {
 public:
  using iterator = platform::KeyedCollection<CAppointment>::iterator;
  using const_iterator = platform::KeyedCollection<CAppointment>::const_iterator;

  // The record under strItemID when there is one (returned unchanged);
  // otherwise a new record with these values, appended and returned. The
  // reference stays valid until the record is removed.
  // Throws platform::Error for an empty item id (a record must be findable).
  CAppointment& Add(const std::string& strAction, const std::string& strEntryID, const std::string& strItemID,
                    const std::string& strOwner, const std::string& strGroups, const std::string& strShamMet,
                    const std::string& strRecipients, platform::Date dLastMod, const std::string& strMeetingUID);
  // The record under the item id; nullptr when there is none.
  CAppointment* Item(const std::string& key);
  const CAppointment* Item(const std::string& key) const;
  size_t Count() const { return m_coll.Count(); }
  // Removes the record under the item id; false when there was none.
  bool Remove(const std::string& key);
  void RemoveAll() { m_coll.Clear(); }

  // The records in the order queued.
  iterator begin() { return m_coll.begin(); }
  iterator end() { return m_coll.end(); }
  const_iterator begin() const { return m_coll.begin(); }
  const_iterator end() const { return m_coll.end(); }

 private:
  platform::KeyedCollection<CAppointment> m_coll;
};
