#pragma once
// CSyncContext: the process-wide state that the item operations, the event
// bridge, local synchronisation and the appointment exchange work with while
// the add-in runs: the profile and its folders, who the user is, the pending
// changes, the ignore list's owner, and the window of dates that is shared.
// The connection class fills one at Init and installs it (SetGlobalSync);
// Done removes it. Tests build one over a temporary profile.
//
// Everything runs on the add-in's one thread, so a single installed context
// is enough; the pointers it holds are not owned and must outlive it.
#include <functional>
#include <string>

#include "platform/Date.h"
#include "platform/store/Folder.h"
#include "platform/store/Item.h"
#include "sync/CAppointmentsCollection.h"

class CGroups;
class CLang;
class CLoomcastEvents;
class CJournal;
namespace mMain {
struct MailEnv;
}
namespace Redemption {
class RDOSession;
}
namespace platform {
class MailSession;
class Prompt;
class System;
}  // namespace platform

struct CSyncContext {
  platform::MailSession* pSession = nullptr;
  // The safe-item session; when null, ItemCopyMove takes the copy-then-move path.
  Redemption::RDOSession* pRdo = nullptr;
  CGroups* pGroups = nullptr;
  CLang* pLang = nullptr;
  platform::Prompt* pPrompt = nullptr;
  const platform::System* pSystem = nullptr;
  // The envelope's environment: appointment mails are sent through it and
  // its working files lie in its installation folder. Null: nothing is sent.
  const mMain::MailEnv* pMail = nullptr;
  // The store key: it names this profile's registry sections and the work
  // files that keep unsent changes from one run to the next.
  std::string strStoreId;

  // The current user's address ("me"); empty until the add-in knows it.
  std::string strMe;
  // The mail client's major version ("9", "10", ...).
  std::string strOutlookMajor;
  // Time-zone bias in minutes: universal = local + bias.
  int nBias = 0;

  platform::Folder fldCalendar, fldZentab, fldInbox, fldSentItems, fldDeletedItems;

  // The pending changes of the user's own items, waiting to be sent (kept
  // in the profile while the add-in runs, so a killed run loses none).
  CAppointmentsCollection colPending;

  // The event bridge; null while the engine is not running (writes are then
  // not announced, and nothing is journalled).
  CLoomcastEvents* pEvents = nullptr;
  CJournal* pJournal = nullptr;

  // The add-in's rights check for a member's item (the connection class's
  // CheckRights); when empty, nothing of another member may be sent.
  std::function<bool(const std::string& owner, const std::string& groups)> CheckRights;
  // Raises a custom event to the page subscribers ("Appointments", "Groups").
  std::function<void(const std::string& event)> RaiseCustomEvent;
  // Brings the shared folder's copies in line with the groups (owners no
  // longer members go, groups renamed or gone follow); run after received
  // appointments were applied. May be empty.
  std::function<void()> UpdateItemsGroups;

  // The synchronisation window (recomputed when the options are loaded).
  platform::Date dSyncStart, dSyncEnd;
  // Last start of a fast pass.
  platform::Date g_dLastFastSync;
  // Long passes turn the add-in's safe pump between items through this; may be empty.
  std::function<void()> DoEvents;
  // Whether long passes show their progress window now (automatic runs
  // follow the option); empty: they do.
  std::function<bool()> ShowProgressWindows;
  // Dialogs that are open and forbid the fast local synchronisation.
  bool bSetGroupsLoaded = false;
  bool bOptionsLoaded = false;
  bool p_bLSynch = false;      // a full local synchronisation runs
  bool g_bGSynch = false;      // a global synchronisation runs
  bool bCleanMode = false;     // the shared folder was just created
  // Set while the host marks mails read in bulk: item events are not journalled.
  bool bEventsSuspended = false;
  // The "LogEvents" switch: item events, the journal and deletions are traced.
  bool bLogEvents = false;

  // Posts work to the event loop, to run after the messages already waiting
  // (the rest of a burst of item events). Empty: the bridge processes each
  // event at once.
  std::function<void(std::function<void()>)> Post;
  // Arms the host's safe timer, whose tick forgets the events announced to
  // the bridge that never came; called after every announcement. May be empty.
  std::function<void()> StartSafeTimer;
  // A mail arrived in the Inbox: NewMailItem hands it to the handlers that
  // look at each new mail at once (the meeting contacts, the send
  // workaround), then EnableNewMailsTimer restarts the host's new-mail
  // timer. Either may be empty.
  std::function<void(platform::Item& mail)> NewMailItem;
  std::function<void()> EnableNewMailsTimer;
  // Starts the host's inspect timer, which closes objShamCopy's window 50 ms
  // later (a sham copy opened from the shared folder shows its meeting instead).
  std::function<void()> StartInspectTimer;
  platform::Item objShamCopy;
};

// The installed context; nullptr when the add-in is not running.
CSyncContext* g_Sync();
// Installs `ctx` (nullptr removes it). The caller keeps ownership.
void SetGlobalSync(CSyncContext* ctx);
