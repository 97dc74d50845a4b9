#pragma once
// mAppointments, local synchronisation: the passes that compare the user's
// calendar with the shared folder as a whole and repair what item events
// missed (the add-in was not running, an event was lost, the user edited
// the shared folder directly), and the bulk operations that rewrite the
// group data of many items or resend them.
//
// Every own calendar item must have exactly one copy in the shared folder,
// every own copy its calendar item, and the add-in's properties must agree.
// The passes work on the installed CSyncContext (g_Sync()) and do nothing
// when none is installed. Their writes go through the guarded item
// operations, so the engine events they cause are not journalled again. A
// failing item is logged and skipped; the pass goes on with the next one.
#include <string>

#include "platform/store/Item.h"

namespace mAppointments {

// Keeps only the names of `groups` (";"-separated) that are among
// `existingNames` (the groups' names joined by ";"), compared exactly. An
// empty value and the two pseudo-values are left alone; a value of which no
// name remains becomes "(Null Group)" (never empty, which would mean every
// group). Returns true when the value changed.
bool NormalizeGroups(std::string& groups, const std::string& existingNames);

// The full pass. In clean mode (the shared folder was just created) the
// add-in's properties are first stripped from the calendar items, which are
// then shared again without anything being queued; the mode is cleared.
// Otherwise the calendar and the shared folder are compared: foreign owners
// in the calendar are taken over, duplicate ids re-shared, new items shared
// as "Added", copies whose calendar item vanished are deleted and their
// removal queued, missing copies recreated without sending, foreign copies
// of owners who left every group deleted and those of vanished groups
// blanked to busy blocks. Returns true when the pass completed: then
// "AutoLSynchDate" is stored and "NeedLocalSync" cleared. A pass cancelled
// from its progress window (or one already running) returns false and
// deletes, restores and clears nothing.
bool LocalSynchronization();

// Why the fast pass must not run now ("(p_bLSynch)", "(g_bGSynch)" or the
// open form that forbids it), or "".
std::string PassFastSynch();

// The incremental pass over the items modified since the previous fast pass
// (the context's g_dLastFastSync): sent magic mails leave Sent Items,
// shared items in Deleted Items are removed, new and taken-over calendar
// items are shared, copies whose calendar item is gone are removed and
// deleted, stale copies of changed calendar items recreated; with
// "HardDeletion" magic mails in Deleted Items go for good. Items modified
// before the previous run are skipped even when the minute-precision filter
// returns them. Returns false (nothing moved) when PassFastSynch gives a
// reason; otherwise stores the pass's start as the last fast time.
bool FastLocalSynchronization();

// After a group's name, existence or membership changed: normalises the
// groups of every copy in the shared folder (and of an own copy's calendar
// item) and refreshes their billing blocks; foreign copies whose owner is no
// longer a member are deleted, those left with "(Null Group)" blanked.
void UpdateItemsGroups();

// Sends `address` (a member who has just joined `group`, or whose sharing
// was switched on) the items of the shared folder owned by members of that
// group: only those shared with the group by name when `onlyGroup` is set,
// none of his own when `skipOwn` is set. What was pending is sent first to
// everyone. Nothing when the address does not receive the user's
// appointments (logged).
void SendMembersItems(const std::string& address, const std::string& group, bool onlyGroup, bool skipOwn);

// Asks "LID_ALL_PRIVATE_CONFIRMATION"; on OK makes every shared own
// calendar item private and queues it as changed. Returns the number of
// items changed (0 when the user cancelled).
int SetAllPrivate();

// Strips another member's copy down to an anonymous busy block (busy, normal
// importance, no subject, location, categories, companies or body, the same
// for each changed occurrence), with groups "(Null Group)". An own item is
// left alone (logged "called for my appointments"). Writes only what
// differs.
void ClearAppointment(platform::Item& item);

// Resends every own shared item of the shared folder to all receivers (as
// "Changed"), after whatever was pending; the context's g_bGSynch is set
// meanwhile. Returns the number of items queued.
int GlobalSynchronization();

}  // namespace mAppointments
