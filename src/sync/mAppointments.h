#pragma once
// mAppointments: the local synchronisation between the user's calendar and
// the shared folder. This header holds the add-in's item properties (the
// "Vestrand" user properties that give a shared item its group-wide
// identity, owner, groups and twin), the meeting UID, the billing block that
// the shared folder's grid reads.
//
// Every item operation traps its failures: they are logged through the
// debug log with the source "mAppointments.<operation>" and the operation
// returns its empty result. A missing property is not a failure.
#include <string>

#include "platform/Date.h"
#include "platform/store/Folder.h"
#include "platform/store/Item.h"
#include "groups/mOwnerItems.h"

namespace platform {
class MailSession;
class System;
}  // namespace platform

class CJournal;

namespace mAppointments {

// Every property whose name starts with this (case-sensitive) is the add-in's.
inline constexpr const char* kVestrandPrefix = "Vestrand";
// The group-wide item id ("64522606-20060213141359"), kept by every copy.
inline constexpr const char* kItemID = "VestrandItemID";
// The owner's address; an own item without it is owned by the current user.
inline constexpr const char* kOwnerAddress = "VestrandOwnerAddress";
// The groups the item is shared with, ";"-separated, or a pseudo-value.
inline constexpr const char* kGroups = "VestrandGroups";
// The twin's entry id: the calendar item names its shared-folder copy and back.
inline constexpr const char* kReferID = "VestrandReferID";
// A meeting's copy is a plain appointment remembering the meeting's status here.
inline constexpr const char* kShamMeeting = "VestrandShamMeeting";
// The source meeting's UID on the calendar item and its copy.
inline constexpr const char* kShamMeetingUID = "VestrandShamMeetingUID";
// On contacts: the member address the contact stands for.
inline constexpr const char* kVirtualEmail = "VestrandVirtualEmail";
// Not a user property: the document field carrying a sham meeting's recipients.
inline constexpr const char* kShamMeetingRecips = "VestrandShamMeetingRecips";

// Pseudo-values of the groups property.
inline constexpr const char* kNullGroup = "(Null Group)";
inline constexpr const char* kAllGroups = "(All Groups)";

// The property set of the meeting's named properties and the ids of its
// global object id (with the instance date) and its clean form (without).
inline constexpr const char* kMeetingPropSet = "{6ED8DA90-450B-101B-98DA-00AA003F1305}";
inline constexpr long kGlobalObjectIdProp = 0x3;
inline constexpr long kCleanGlobalObjectIdProp = 0x23;
// The byte-array property type added to a named property's id.
inline constexpr long kPropTypeBinary = 0x102;

// True when the item carries a user property of that name (any case). False
// for Nothing.
bool HasUserProperty(const platform::Item& item, const std::string& name);

// The property's value; "" when the item is Nothing or lacks the property.
std::string GetUserProperty(const platform::Item& item, const std::string& name);

// Adds the property as text when missing, else writes the value only when it
// differs; with `save` the item is then saved through ItemSave (which does
// nothing for an item without changes).
void SetUserProperty(platform::Item& item, const std::string& name, const std::string& value, bool save);

// Removes every user property whose name starts with "Vestrand"
// (case-sensitive), walking from the last one down; saves when asked. At the
// detailed debug level, logs the count, owner, item id and folder first.
void DeleteVestrandProps(platform::Item& item, bool save);

// The meeting UID: upper-case hex of the meeting's global object id (with
// `global`) or of its clean form, read through the safe library's MAPI
// helpers. "" for a plain appointment (logged "not meeting", no MAPI call),
// and when the id cannot be read (logged).
std::string GetMeetingUID(const platform::Item& item, bool global);

// Number of the item's attachments shown to the user (Position > 0); 0 on
// failure.
int GetDisplayAttachmentsCount(const platform::Item& item);

// The user locale's list separator as the system reports it; "," when there
// is no system to ask (logged, source "GetListSeparator").
std::string GetListSeparator(const platform::System* system);

// The grid's one-line block in BillingInformation:
// "<ztb>" EntryID ";" owner ";" sham ";" RecurrenceState ";" groups with ";"
// as CR LF ";" categories with the list separator as "," ";" displayed
// attachments "</ztb>". Saves the item with ItemSave unless `save` is
// false (the caller saves it). Logs "olItem.Categories <> strCategories"
// first when the categories passed differ from the item's.
void SetBillInfo(platform::Item& item, const std::string& owner, const std::string& sham, const std::string& groups,
                 const std::string& categories, const std::string& listSeparator, bool save = true);

// True when the sham value marks a meeting's copy: its number is not 0 (an
// empty or non-numeric value is 0).
bool IsShamValue(const std::string& sham);

// The item with that entry id in the session's store; Nothing when there is
// none or the id is empty (never throws).
platform::Item GetItemFromID(const platform::MailSession& session, const std::string& entryId);

// Saves an item that has unsaved changes; an item that reports itself saved
// is left alone, and one that claims to be saved without an entry id is
// logged ("ItemSave") and left alone. Returns false when the save failed
// (logged). The add-in saves its own writes through here: the save's one
// event is announced to the event bridge of the installed context (guards
// "ItemSave0" for items other than appointments, "ItemSave2"/"ItemSave3"
// under client version "9", "ItemSave1" otherwise), so it is not taken for
// a user change.
bool ItemSave(platform::Item& item);

// --- item copy, change and removal -------------------------------------------
// These work on the installed CSyncContext (g_Sync()): "me", the folders,
// the pending collection and the event bridge; without one they log and
// return their empty result. Each traps its failures and logs them with the
// source "mAppointments.<operation>"; the properties written before a
// failure stay. Every write goes through the guarded writes (ItemSave,
// ItemCopyMove, ItemDelete). An *own* item is one whose owner is empty or me.

// Shares an item and makes its copy in `destination`, replacing the copy the
// item named before (the old one is deleted, never updated). `id` is in/out:
// empty takes the twin's id, else a new one. Another member's item gets no
// copy: it is marked as his (owner prefix on the subject) and the rights
// check decides whether it is sent. Queues the item with `action` ("Added",
// "Changed") when `send` holds and the action is not "Nothing". Returns the
// copy; Nothing for another member's item and on failure (logged: "Current
// user address is empty.", "Copying item is nothing.", "Destination folder
// is nothing.").
platform::Item CopyItem(platform::Item& item, const platform::Folder& destination, std::string& id, bool send,
                        const std::string& action);
// The receiving side's form: copies an own item that already carries its
// properties into `destination` and cross-links the two entry ids; keeps the
// item id and the meeting UID as they are and never sends. The copy, or
// Nothing on failure.
platform::Item CopyItem(platform::Item& item, const platform::Folder& destination);
// A user's change of an item: an item never shared is shared ("Added"); an
// own item is copied afresh and queued as "Changed" (when its twin is
// missing, `item` becomes the new copy); another member's item is queued
// only when the rights allow, else the change stays local (warning logged).
// Returns the new copy, or Nothing (also for another member's item).
platform::Item ChangeItem(platform::Item& item, const platform::Folder& destination);
// A user's removal: queues it for the members where the rules allow and
// deletes the twin that points back at the item; a twin pointing elsewhere
// is left alone and nothing is sent. Clears the item's id (saved), except on
// an own item without a twin link, which stays untouched. Items never shared
// are ignored.
void RemoveItem(platform::Item& item);
// Clears the item id and deletes the item through ItemDelete with both
// events expected (the cleared id is saved in the delete's own write). Logs "Argument is nothing." for Nothing.
void DeleteItem(platform::Item& item);
// Queues an item's change for sending: not outside the synchronisation
// window (unless `force`), not for items that are not shared (holidays,
// birthdays); a meeting's sham value is its status, a sham's recipients are
// collected. An item already queued keeps its first action and gets the new
// entry id, groups, sham value, recipients, time and meeting UID.
void SynchCopyItem(const platform::Item& item, const std::string& action, const std::string& id,
                   const std::string& owner, const std::string& groups, const std::string& sham,
                   const std::string& meetingUID, bool force);
// Queues an item's removal (no window test): a new record "Removed" with the
// entry id "Nothing"; a record still "Added" (never sent) is dropped, so
// nothing travels; any other record becomes "Removed".
void SynchRemoveItem(const platform::Item& item, const std::string& id, const std::string& owner,
                     const std::string& sham, const std::string& groups, const std::string& meetingUID);
// Guarded copy into another folder: through the safe-item session when the
// context has one ("ItemCopyMove(RDO)"), else a copy moved over
// ("ItemCopyMove(TempCopiedItem)", "ItemCopyMove(MoviedItem)", two events
// each). The new, saved item; Nothing on failure (logged).
platform::Item ItemCopyMove(platform::Item& item, const platform::Folder& destination);
// Guarded delete: the item's removal from its folder is announced
// ("ItemDelete"), and with `hard`, outside Deleted Items, its arrival there
// too ("ItemDelete1"). Outside Deleted Items the item moves there; inside,
// it is removed for good. Failures are logged.
void ItemDelete(platform::Item& item, bool hard);
// False for items that must not be shared: categories exactly "Holiday"
// unless DontIgnoreHolidays, yearly all-day-long "'s Birthday"/"'s
// Anniversary" series unless DontIgnoreBirthdays (both logged).
bool IsSharedItem(const platform::Item& item, const std::string& sham, const std::string& owner);
// True when the item overlaps (start, end) (strict); a recurring master
// outside it by its own times is tested by its pattern's dates.
bool IsInSyncWindow(const platform::Item& item, platform::Date start, platform::Date end);
// The addresses (lower case, once each, ";"-joined) of the meeting behind an
// item: the item itself or, for a sham copy, its twin; an organiser's own
// meeting adds the owner's address. "" when there is none (logged).
std::string GetRecipients(const platform::Item& item);
// Opening an item from the shared folder: an own sham copy shows its meeting
// instead (the copy's window is closed by the host's inspect timer); a new
// item gets its reminder and, with DefaultPrivate, private sensitivity.
void DisplayItem(platform::Item& item);
// "[" + name + "] " + subject.
std::string MakeOwnerSubject(const std::string& subject, const std::string& ownerName);
// The subject without the owner prefix `prefix` (groups/mOwnerItems).
using ::StripOwnerSubject;
// Removes the earlier sham copies of an updated meeting from the shared
// folder (plain appointments carrying its UID), queueing their removal. The
// copy linked to `keepReferID` (the meeting's own entry id: its current
// copy, which the change replaces itself) is kept.
void DeleteShamans(const std::string& meetingUID, const std::string& keepReferID = "");
// Runs the journal's entries in order (the user's additions, changes and
// removals in the calendar, the shared folder and Deleted Items) through
// the operations above, then clears it. Called by CJournal::Add.
void ProcessJournal(CJournal& journal);

}  // namespace mAppointments
