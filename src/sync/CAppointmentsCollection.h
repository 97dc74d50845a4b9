#pragma once
// CAppointmentsCollection: the pending changes of the user's own items,
// waiting to be sent to the members, keyed by item id in the order queued.
// One change per item: the first action queued for an item stays, later
// changes only refresh the record (an item added and then changed before the
// next send still travels as "Added"). The add-in holds one process-wide
// instance from start to shutdown; the sending code drains it.
//
// Once kept in the profile (Keep), every change of the collection is also a
// store write: made inside a store batch, it commits with the item writes
// that caused it, so a killed run leaves exactly the changes it had queued
// for the next start to send.
#include <optional>
#include <string>

#include "platform/Date.h"
#include "platform/KeyedCollection.h"
#include "platform/store/ProfileQueue.h"
#include "sync/CAppointment.h"

class CAppointmentsCollection {
 public:
  using iterator = platform::KeyedCollection<CAppointment>::iterator;
  using const_iterator = platform::KeyedCollection<CAppointment>::const_iterator;

  // From now on the records live in `queue` too: the records it holds
  // replace those in memory (a record that cannot be read is dropped and
  // logged), and every later change is written to it before memory changes.
  // Throws platform::Error when the queue cannot be read.
  void Keep(platform::ProfileQueue queue);
  bool Kept() const { return m_kept.has_value(); }

  // The record under strItemID when there is one (returned unchanged);
  // otherwise a new record with these values, appended and returned. The
  // reference stays valid until the record is removed.
  // Throws platform::Error for an empty item id (a record must be findable),
  // or when the profile refuses the record (nothing added then).
  CAppointment& Add(const std::string& strAction, const std::string& strEntryID, const std::string& strItemID,
                    const std::string& strOwner, const std::string& strGroups, const std::string& strShamMet,
                    const std::string& strRecipients, platform::Date dLastMod, const std::string& strMeetingUID);
  // Replaces the record queued under record's item id by `record` (a later
  // change refreshing it), keeping its place. Throws platform::Error when
  // no record has that item id or the profile refuses (nothing changed then).
  void Update(const CAppointment& record);
  // The record under the item id; nullptr when there is none.
  CAppointment* Item(const std::string& key);
  const CAppointment* Item(const std::string& key) const;
  size_t Count() const { return m_coll.Count(); }
  // Removes the record under the item id; false when there was none.
  // Throws platform::Error when the profile refuses (nothing removed then).
  bool Remove(const std::string& key);
  // Throws platform::Error when the profile refuses (nothing removed then).
  void RemoveAll();

  // The records in the order queued.
  iterator begin() { return m_coll.begin(); }
  iterator end() { return m_coll.end(); }
  const_iterator begin() const { return m_coll.begin(); }
  const_iterator end() const { return m_coll.end(); }

  // A record as the profile keeps it, and back (nothing when the text is
  // no record).
  static std::string Encode(const CAppointment& record);
  static std::optional<CAppointment> Decode(const std::string& text);

 private:
  platform::KeyedCollection<CAppointment> m_coll;
  std::optional<platform::ProfileQueue> m_kept;
};
