#pragma once
// CLoomcastEvents: the add-in's extension of the folder-sharing engine. It
// watches the calendar, the shared folder, the Inbox, Sent Items and Deleted
// Items; turns the user's changes of appointments in the first two into
// journal entries (processed at once), removes the add-in's own magic mails
// from Sent Items (and, with HardDeletion, for good from Deleted Items),
// hands new Inbox mail to the host's new-mail timer, and drops the events
// that the add-in's own writes cause: every such write announces them first
// (IgnoreEvents), and the host's safe timer forgets what never came.
//
// The user's changes of one burst (the events already waiting in the event
// loop) are applied together, as one store transaction, by a message posted
// behind them; without a poster in the context each is applied at once.
//
// It works on the installed CSyncContext (g_Sync()); without one, events are
// answered as handled and nothing else happens. Every member traps its
// failures and logs them with its trace name; an event that fails is lost
// (the local synchronisation repairs the folders).
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/Registry.h"
#include "platform/System.h"
#include "platform/engine/ILoomcastExt.h"
#include "platform/engine/LoomcastEngine.h"
#include "sync/CIgnoreEntry.h"

struct CSyncContext;

class CLoomcastEvents : public platform::loomcast::ILoomcastExt {
 public:
  // The "LogEvents" option bits.
  struct LogSwitches {
    bool bLogEvents = false;                   // events are logged, Dump writes
    bool bLogOnlyAppointEvents = false;        // ... only those of appointments
    bool bLogOnlyNotIgnoredEvents = false;     // ... only those processed
    bool bLogNotStartedEventsAsError = false;  // Dump writes as an error
  };

  // Prepares the engine's database file and settings: the path stored as
  // "DatabasePath" under the product key when it names a file, else
  // <AppData shell folder>/Korvel/Zentabo/loomcast.mdb (folder created, the
  // installed template copied there when the file is missing, the path
  // stored back); the engine's settings key gets ResumeJobs 0 and Logs. The
  // engine, registry and system must outlive the object. Failures are
  // logged; the path may then be empty (the engine refuses it).
  CLoomcastEvents(platform::loomcast::LoomcastEngine& engine, platform::Registry& reg,
                  const platform::System& sys, LogSwitches log);
  ~CLoomcastEvents() override;
  CLoomcastEvents(const CLoomcastEvents&) = delete;
  CLoomcastEvents& operator=(const CLoomcastEvents&) = delete;

  // --- ILoomcastExt --------------------------------------------------------
  // Item events: always answered as handled (IgnoreEvent = true).
  void onItemAdded(const platform::loomcast::LoomcastItem& Item, bool& IgnoreEvent) override;
  void onItemChanged(const platform::loomcast::LoomcastItem& Item, bool& IgnoreEvent) override;
  void onItemDeleted(const platform::loomcast::LoomcastItem& Item, bool& IgnoreEvent) override;
  // Sharing jobs: logged only; received and resent items are answered as handled.
  void onFolderReceived(const platform::loomcast::LoomcastFolder& Folder, const std::string& JobID) override;
  void onItemReceived(const platform::loomcast::LoomcastItem& Item, const std::string& JobID,
                      bool& IgnoreEvent) override;
  void onItemResend(const platform::loomcast::LoomcastItem& Item, const std::string& JobID,
                    bool& IgnoreEvent) override;
  void onPostprocess(const std::string& JobID, const std::string& ItemID) override;
  void DatabasePath(std::string& Path) override { Path = m_strDatabasePath; }
  void ProductCode(std::string& Code) override;

  // --- public operations ---------------------------------------------------
  // Asks the engine to watch the five folders of the installed context; a
  // folder it will not watch is logged ("Handlers not set for <name> folder").
  // REQUIRES: the object is the engine's extension and a context is installed.
  void InitFolderHandlers();
  // Stops watching.
  void DoneFolderHandlers();
  // With LogEvents on, logs every entry still waiting (events that never came).
  void Dump();
  // Announces `NumIgnoreEvents` events of the item in the folder to drop;
  // counts of one item in one folder add up. Throws platform::Error
  // ("NumIgnoreEvents < 0", "StoreID not supported" for another store,
  // "FolderEntryID = \"\"") to the caller, which logs. A folder that is not
  // watched is only logged.
  void IgnoreEvents(const std::string& EntryID, const std::string& FolderEntryID, int32_t NumIgnoreEvents,
                    const std::string& StoreID = "", const std::string& sDebugInfo = "");
  void UnignoreEvents(const std::string& EntryID, const std::string& FolderEntryID, const std::string& StoreID = "");
  void UnignoreAllEvents();
  // Stops watching and forgets the announcements (as at the object's end).
  void OnDone();
  // The host's safe-timer tick: logs "->OnSafeTimer", dumps (with LogEvents)
  // and forgets every announcement.
  void OnSafeTimer();

  // The announcement waiting for the item in the folder; nullptr when none.
  const CIgnoreEntry* FindIgnoreEntry(const std::string& FolderEntryID, const std::string& EntryID) const;
  size_t IgnoreEntryCount() const;

 private:
  enum class EventKind { Added, Changed, Deleted };
  void OnItemEvent(EventKind kind, const platform::loomcast::LoomcastItem& item);
  // Whether an event is the user's (true) or an announced one of the add-in
  // (false, consuming one announced event).
  bool ProcessEvent(const std::string& FolderEntryID, const std::string& EntryID, const std::string& StoreID,
                    const std::string& sDebugInfo);
  void LogEvent(const char* eventName, const std::string& folderName, const std::string& entryId,
                const std::string& folderId, bool process);
  bool IsOtherStore(const std::string& StoreID) const;
  // Journals a user change; see the class comment for when it is applied.
  void Journal(CSyncContext& ctx, int32_t action, const std::string& entryId, int32_t folder);
  // A watched folder's name (for the logs); others are looked up.
  std::string FolderName(const CSyncContext& ctx, const std::string& folderId) const;
  void PrepareEngineFiles(platform::Registry& reg, const platform::System& sys);

  platform::loomcast::LoomcastEngine& m_engine;
  LogSwitches m_log;
  std::string m_strDatabasePath;
  // The engine's folder objects of the watched folders and their names, by
  // folder entry id.
  std::map<std::string, platform::loomcast::LoomcastFolder> m_folders;
  std::map<std::string, std::string> m_folderNames;
  // A processing of the queued journal is posted and has not run yet.
  bool m_bJournalPosted = false;
  // Expires with the object, so that a posted processing finds it gone.
  std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
  // folder entry id -> item entry id -> what is expected.
  std::map<std::string, std::map<std::string, CIgnoreEntry>> m_ignore;
};
