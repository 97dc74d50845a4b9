#pragma once
// Item: a cheap handle to one item of the mail store (appointment, mail,
// meeting request/cancellation/response, contact), or to one occurrence of a
// recurring appointment. Copies of a handle share the same in-memory state;
// the state is read from the database on first use, so listing a folder does
// not load its items. A default-constructed handle is "Nothing".
//
// Every property is reachable through the generic Get/Set by the client's
// property name ("Subject", "ReminderMinutesBeforeStart", ...); the typed
// accessors below cover the ones the add-in uses most. Changes stay in memory
// until Save, which writes the whole item in one transaction.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Date.h"
#include "platform/store/StoreTypes.h"

namespace platform {

namespace detail {
class StoreCore;
struct ItemState;
struct PropInfo;
}  // namespace detail

// A property looked up by its name once. Code that reads and sets the same
// properties on thousands of items (the receiver of a document) keeps one
// for each and spares every access the lookup by name.
class ItemProperty {
 public:
  // Throws platform::Error when the store knows no property `name`.
  explicit ItemProperty(std::string_view name);

 private:
  friend class Item;
  const detail::PropInfo* info_;
};

class Folder;
class UserProperties;
class Attachments;
class Recipients;
class Links;
class RecurrencePattern;

class Item {
 public:
  Item() = default;  // Nothing
  explicit operator bool() const { return state_ != nullptr; }
  // True when both handles name the same stored item (same entry id), or are
  // the same unsaved handle.
  bool IsSame(const Item& other) const;

  OlObjectClass Class() const;
  std::string MessageClass() const;
  // "" until the item is saved for the first time (or given its entry id by
  // ReserveEntryID); stable across Move.
  std::string EntryID() const;
  // Gives an item never saved the entry id its first save will store it
  // under, so that a value naming the item can go in with that one insert;
  // the same id on every call, and a saved item's own. An item dropped
  // unsaved leaves its id unused. Throws platform::Error for Nothing.
  std::string ReserveEntryID();
  // The folder the item lies in (for an occurrence: its master's folder).
  Folder Parent() const;
  // False after any change not yet saved.
  bool Saved() const;

  // --- generic property access -------------------------------------------
  // REQUIRES: a property name the item's class carries (see IsKnownProperty);
  // throws platform::Error naming the property otherwise. Get returns the
  // stored value or the class default.
  PropValue Get(std::string_view name) const;
  // True when Get(name) would equal `value`; compares the value in place
  // instead of copying it out.
  bool Reads(std::string_view name, const PropValue& value) const;
  // Throws platform::Error for an unknown name, a read-only property
  // ("EntryID", "LastModificationTime", "CreationTime", "Class",
  // "RecurrenceState", "IsRecurring") or a value of the wrong type (integers
  // are accepted for double properties). Setting "Start" keeps the duration,
  // "End" and "Duration" move the end, as the client does.
  void Set(std::string_view name, PropValue value);
  // The same for a property looked up once.
  bool Reads(const ItemProperty& property, const PropValue& value) const;
  void Set(const ItemProperty& property, PropValue value);
  // Reads for a text, compared without making a value of it; false for a
  // property that holds no text.
  bool ReadsText(const ItemProperty& property, std::string_view text) const;
  // Typed reads of Get; throw platform::Error on a type mismatch.
  std::string GetText(std::string_view name) const;
  int64_t GetInt(std::string_view name) const;
  bool GetBool(std::string_view name) const;
  double GetDouble(std::string_view name) const;
  Date GetDate(std::string_view name) const;
  Bytes GetBytes(std::string_view name) const;
  // True when items of the class carry a property of that name (exact case).
  static bool IsKnownProperty(OlObjectClass cls, std::string_view name);

  // --- typed accessors of the common properties ---------------------------
  std::string Subject() const;
  void SetSubject(const std::string& v);
  std::string Body() const;
  void SetBody(const std::string& v);
  Date Start() const;
  void SetStart(Date v);
  Date End() const;
  void SetEnd(Date v);
  int Duration() const;  // minutes
  void SetDuration(int minutes);
  bool AllDayEvent() const;
  void SetAllDayEvent(bool v);
  int BusyStatus() const;
  void SetBusyStatus(int v);
  int Sensitivity() const;
  void SetSensitivity(int v);
  int Importance() const;
  void SetImportance(int v);
  std::string Categories() const;
  void SetCategories(const std::string& v);
  std::string Location() const;
  void SetLocation(const std::string& v);
  std::string BillingInformation() const;
  void SetBillingInformation(const std::string& v);
  int MeetingStatus() const;
  void SetMeetingStatus(int v);
  bool ReminderSet() const;
  void SetReminderSet(bool v);
  int ReminderMinutesBeforeStart() const;
  void SetReminderMinutesBeforeStart(int v);
  bool UnRead() const;
  void SetUnRead(bool v);
  // Set by the store at every save (the profile clock; see MailSession::SetClock).
  Date LastModificationTime() const;
  // Set by the store at the first save.
  Date CreationTime() const;
  bool IsRecurring() const;
  OlRecurrenceState RecurrenceState() const;
  // The meeting's global object id (bytes); empty on items that are no meeting.
  Bytes GlobalObjectID() const;
  void SetGlobalObjectID(const Bytes& v);
  std::string Organizer() const;
  std::string To() const;  // derived from the recipients of type olTo
  std::string SenderEmailAddress() const;
  std::string SenderName() const;
  Date ReceivedTime() const;
  Date SentOn() const;
  std::string FullName() const;  // contacts
  std::string Email1Address() const;  // contacts

  // --- parts --------------------------------------------------------------
  // Handles onto this item's collections; changes are saved with the item.
  platform::UserProperties UserProperties() const;
  platform::Attachments Attachments() const;
  platform::Recipients Recipients() const;
  platform::Links Links() const;

  // --- recurrence (appointments) -----------------------------------------
  // Makes the item recurring when it is not (weekly on the start's weekday,
  // from the start's date, no end) and returns its pattern. Throws for items
  // that are not appointment masters.
  RecurrencePattern GetRecurrencePattern() const;
  // Makes the item non-recurring again, dropping its exceptions (on Save).
  void ClearRecurrencePattern();
  // The occurrence of a recurring master that starts at `start`, or on that
  // day when `start` has no time part. It carries its exception's properties
  // when it has one. Its user properties and attachments are its own: those
  // of its exception when that was saved with them, otherwise copies of the
  // master's; recipients and links are the master's. Saving it records an
  // exception (with the occurrence's user properties and attachments) on the
  // master and saves the master; Delete records a deleted exception. Throws
  // platform::Error when the series has no occurrence there (or it was
  // deleted).
  Item GetOccurrence(Date start) const;

  // --- meeting items (classes 53-57) -------------------------------------
  // The appointment in the default Calendar that this meeting item belongs
  // to (found by the global object id). When there is none and addToCalendar
  // is set, creates it from the meeting item (subject, times, location, body,
  // organizer, global object id, recipients, linked contacts, MeetingStatus
  // olMeetingReceived), saves it
  // and returns it; otherwise Nothing.
  Item GetAssociatedAppointment(bool addToCalendar) const;

  // --- operations ---------------------------------------------------------
  // Writes the item (and its parts) in one transaction; sets
  // LastModificationTime (and CreationTime at the first save), assigns the
  // entry id at the first save, queues ItemAdd or ItemChange for the folder.
  // On failure throws platform::Error and the database and the item's saved
  // state are as before the call.
  void Save();
  // Outside Deleted Items: moves the item there with its pending changes,
  // in one write (ItemRemove in its folder, ItemAdd in Deleted Items). Inside Deleted Items (or a folder below it):
  // removes it for good (ItemRemove). An unsaved item is just dropped. On an
  // occurrence: records a deleted exception and saves the master. After a
  // removal for good (or a drop) further use of the handle throws
  // platform::Error; a moved item stays usable.
  void Delete();
  // A new, saved item in the same folder with every property and part of
  // this one and a new entry id (the client's Copy also saves the copy).
  // REQUIRES: a saved item; throws platform::Error otherwise.
  Item Copy() const;
  // The safe-item session's copy into another folder: a new, saved item in
  // `folder` with every property and part of this one as it is now (unsaved
  // changes included, which stay unsaved here) and a new entry id. Causes one
  // ItemAdd in `folder` and no event in this item's folder. Throws
  // platform::Error for an occurrence or a folder of another profile.
  Item CopyTo(const Folder& folder) const;
  // Moves the item to `folder` (saving pending changes with it) and returns
  // the handle of the moved item; the entry id stays the same. ItemRemove in
  // the old folder, ItemAdd in the new one.
  Item Move(const Folder& folder) const;
  // Headless inspector: records that a window for the item opened/closed.
  // Close(olSave) saves first, olDiscard drops unsaved changes (the item is
  // re-read from the store at the next access), olPromptForSave behaves like
  // olDiscard because there is nobody to ask.
  void Display(bool modal = false);
  void Close(OlInspectorClose mode);
  bool IsDisplayed() const;

  // Internal: used by the store to make handles.
  Item(std::shared_ptr<detail::StoreCore> core, std::shared_ptr<detail::ItemState> state);
  const std::shared_ptr<detail::ItemState>& State() const { return state_; }

 private:
  bool Reads(const detail::PropInfo& info, const PropValue& value) const;
  void Set(const detail::PropInfo& info, PropValue value);

  std::shared_ptr<detail::StoreCore> core_;
  std::shared_ptr<detail::ItemState> state_;
};

}  // namespace platform
