#include "sync/CLoomcastEvents.h"

#include <vector>

#include "diagnostics/CDebug.h"
#include "exchange/mEnvelope.h"
#include "options/COptions.h"
#include "options/CWinReg.h"
#include "options/mOptions.h"
#include "platform/Error.h"
#include "platform/FileUtil.h"
#include "platform/engine/LoomcastSettings.h"
#include "platform/store/MailSession.h"
#include "sync/CJournal.h"
#include "sync/CSyncContext.h"
#include "sync/mAppointments.h"

namespace {

using platform::loomcast::LoomcastFolder;
using platform::loomcast::LoomcastItem;
using mEnvelope::kAppointmentMarker;
using mEnvelope::kAppointmentMarkerOld;
using mEnvelope::kGroupMarker;

constexpr const char* kDatabaseFile = "loomcast.mdb";

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// The item, or Nothing when it no longer opens.
platform::Item OpenItem(const CSyncContext& ctx, const std::string& entryId, const std::string& storeId) {
  try {
    return ctx.pSession->GetItemFromID(entryId, storeId);
  } catch (...) {
    return {};
  }
}

// The add-in's own magic mails do not stay in Sent Items.
void fldSentItems_OnItemAdded(platform::Item& item) {
  if (item.Class() != platform::olMail) return;
  const std::string subject = item.Subject();
  if (Contains(subject, kAppointmentMarker) || Contains(subject, kGroupMarker)) mAppointments::ItemDelete(item, false);
}

// With HardDeletion, the add-in's magic mails are removed from Deleted Items for good.
void fldDeletedItems_OnItemAdded(platform::Item& item) {
  if (!mOptions::g_Options().HardDeletion || item.Class() != platform::olMail) return;
  const std::string subject = item.Subject();
  if (Contains(subject, kGroupMarker) || Contains(subject, kAppointmentMarker) ||
      Contains(subject, kAppointmentMarkerOld))
    mAppointments::ItemDelete(item, true);
}

}  // namespace

CLoomcastEvents::CLoomcastEvents(platform::loomcast::LoomcastEngine& engine, platform::Registry& reg,
                                 const platform::System& sys, LogSwitches log)
    : m_engine(engine), m_log(log) {
  try {
    g_Debug().Out("CLoomcastEvents::Class_Initialize");
    PrepareEngineFiles(reg, sys);
    g_Debug().Out("DatabasePath = " + m_strDatabasePath);
  } catch (...) {
    g_Debug().OutError("CLoomcastEvents::Class_Initialize");
  }
}

CLoomcastEvents::~CLoomcastEvents() { OnDone(); }

void CLoomcastEvents::PrepareEngineFiles(platform::Registry& reg, const platform::System& sys) {
  namespace fs = std::filesystem;
  std::string path;
  {
    CWinReg key(reg);
    if (key.InitForRead(platform::HKEY_CURRENT_USER, COptions::kRegPath)) path = key.GetStringValue("DatabasePath");
  }
  const std::string shellAppData = platform::loomcast::ShellAppData(reg);
  const fs::path appData = shellAppData.empty() ? sys.AppData() : fs::path(shellAppData);
  const fs::path dataFolder = appData / COptions::CompanyShortName() / COptions::ProductShortName();
  if (path.empty() || !platform::FileUtil::Exists(path)) {
    platform::FileUtil::MakeDirs(dataFolder);
    const fs::path file = dataFolder / kDatabaseFile;
    const fs::path templ = sys.InstallDir() / kDatabaseFile;
    if (!platform::FileUtil::Exists(file) && platform::FileUtil::Exists(templ)) platform::FileUtil::Copy(templ, file);
    path = file.string();
    CWinReg key(reg);
    if (key.InitForWrite(platform::HKEY_CURRENT_USER, COptions::kRegPath, true))
      key.SetStringValue("DatabasePath", path);
  }
  m_strDatabasePath = path;
  CWinReg settings(reg);
  if (settings.InitForWrite(platform::HKEY_CURRENT_USER, platform::loomcast::SettingsKey(COptions::ProductCode()),
                            true)) {
    settings.SetNumberValue("ResumeJobs", 0);
    settings.SetStringValue("Logs", (dataFolder / "loomcast.log").string());
  }
}

void CLoomcastEvents::ProductCode(std::string& Code) { Code = COptions::ProductCode(); }

// ---------------------------------------------------------------------------
// Item events

void CLoomcastEvents::onItemAdded(const LoomcastItem& Item, bool& IgnoreEvent) {
  IgnoreEvent = true;
  OnItemEvent(EventKind::Added, Item);
}

void CLoomcastEvents::onItemChanged(const LoomcastItem& Item, bool& IgnoreEvent) {
  IgnoreEvent = true;
  OnItemEvent(EventKind::Changed, Item);
}

void CLoomcastEvents::onItemDeleted(const LoomcastItem& Item, bool& IgnoreEvent) {
  IgnoreEvent = true;
  OnItemEvent(EventKind::Deleted, Item);
}

void CLoomcastEvents::OnItemEvent(EventKind kind, const LoomcastItem& event) {
  const char* name = kind == EventKind::Added     ? "onItemAdded"
                     : kind == EventKind::Changed ? "onItemChanged"
                                                  : "onItemDeleted";
  const std::string source = std::string("ILoomcastExt_") + name;
  try {
    CSyncContext* ctx = g_Sync();
    if (!ctx || !ctx->pSession) return;
    const std::string folderId = event.Folder().EntryID();
    const std::string entryId = event.EntryID();
    const std::string folderName = FolderName(*ctx, folderId);
    // Events of the add-in's own writes carry no store id here: the bridge
    // watches the default store only.
    const bool process = ProcessEvent(folderId, entryId, "", std::string(name) + "(" + folderName + ")");
    LogEvent(name, folderName, entryId, folderId, process);
    if (!process || ctx->bEventsSuspended) return;

    platform::Item item = OpenItem(*ctx, entryId, event.StoreID());
    auto journal = [&](int32_t action, int32_t folder) { Journal(*ctx, action, entryId, folder); };
    auto isAppointment = [&item] { return item && item.Class() == platform::olAppointment; };
    const bool calendar = ctx->fldCalendar && folderId == ctx->fldCalendar.EntryID();
    const bool zentab = ctx->fldZentab && folderId == ctx->fldZentab.EntryID();
    if (calendar || zentab) {
      const int32_t folder = calendar ? CJournalEntry::Calendar : CJournalEntry::Zentab;
      if (kind == EventKind::Deleted)
        journal(CJournalEntry::ItemRemoved, folder);
      else if (isAppointment())
        journal(kind == EventKind::Added ? CJournalEntry::ItemAdded : CJournalEntry::ItemChanged, folder);
      return;
    }
    const bool sent = ctx->fldSentItems && folderId == ctx->fldSentItems.EntryID();
    const bool deleted = ctx->fldDeletedItems && folderId == ctx->fldDeletedItems.EntryID();
    const bool inbox = ctx->fldInbox && folderId == ctx->fldInbox.EntryID();
    if (!sent && !deleted && !inbox) {
      g_Debug().OutCustomError(source, "Not supported folder - " + folderName);
      return;
    }
    if (kind != EventKind::Added || !item) return;
    if (sent) {
      fldSentItems_OnItemAdded(item);
    } else if (deleted) {
      fldDeletedItems_OnItemAdded(item);
    } else {
      if (ctx->NewMailItem) ctx->NewMailItem(item);
      if (ctx->EnableNewMailsTimer) ctx->EnableNewMailsTimer();
    }
  } catch (...) {
    g_Debug().OutError(source);
  }
}

void CLoomcastEvents::Journal(CSyncContext& ctx, int32_t action, const std::string& entryId, int32_t folder) {
  if (!ctx.pJournal) return;
  // The changes are applied in one store transaction: a kill in the middle
  // leaves neither a copy without its link nor a half-made share, and a
  // burst of thousands costs one commit.
  if (!ctx.Post) {
    ctx.pSession->Batch([&] { ctx.pJournal->Add(action, entryId, folder); });
    return;
  }
  ctx.pJournal->Queue(action, entryId, folder);
  if (m_bJournalPosted) return;
  m_bJournalPosted = true;
  std::weak_ptr<bool> alive = m_alive;
  ctx.Post([this, alive] {
    if (alive.expired()) return;
    m_bJournalPosted = false;
    try {
      CSyncContext* now = g_Sync();
      if (!now || !now->pJournal || !now->pJournal->Count()) return;
      now->pSession->Batch([&] { mAppointments::ProcessJournal(*now->pJournal); });
    } catch (...) {
      g_Debug().OutError("mAppointments.ProcessJournal");
    }
  });
}

std::string CLoomcastEvents::FolderName(const CSyncContext& ctx, const std::string& folderId) const {
  if (auto it = m_folderNames.find(folderId); it != m_folderNames.end()) return it->second;
  try {
    return ctx.pSession->GetFolderFromID(folderId).Name();
  } catch (...) {
    return "";
  }
}

void CLoomcastEvents::onFolderReceived(const LoomcastFolder& /*Folder*/, const std::string& /*JobID*/) {
  g_Debug().Out("ILoomcastExt_onFolderReceived");
}

void CLoomcastEvents::onItemReceived(const LoomcastItem& /*Item*/, const std::string& /*JobID*/, bool& IgnoreEvent) {
  g_Debug().Out("ILoomcastExt_onItemReceived");
  IgnoreEvent = true;
}

void CLoomcastEvents::onItemResend(const LoomcastItem& /*Item*/, const std::string& /*JobID*/, bool& IgnoreEvent) {
  g_Debug().Out("ILoomcastExt_onItemResend");
  IgnoreEvent = true;
}

void CLoomcastEvents::onPostprocess(const std::string& /*JobID*/, const std::string& /*ItemID*/) {
  g_Debug().Out("ILoomcastExt_onPostprocess");
}

void CLoomcastEvents::LogEvent(const char* eventName, const std::string& folderName, const std::string& entryId,
                               const std::string& folderId, bool process) {
  try {
    if (!m_log.bLogEvents) return;
    if (m_log.bLogOnlyNotIgnoredEvents && !process) return;
    if (m_log.bLogOnlyAppointEvents) {
      // An item that no longer opens (a removal) is logged: its class is unknown.
      const CSyncContext* ctx = g_Sync();
      platform::Item item = ctx ? OpenItem(*ctx, entryId, "") : platform::Item();
      if (item && item.MessageClass().rfind("IPM.Appointment", 0) != 0) return;
    }
    g_Debug().Out(std::string("ProcessEvent = ") + (process ? "True" : "False") + ", " + eventName + ", " +
                  folderName + ", EntryID = " + entryId + ", FolderEntryID = " + folderId);
  } catch (...) {
    g_Debug().OutError("CLoomcastEvents::LogEvent");
  }
}

// ---------------------------------------------------------------------------
// Folder handlers

void CLoomcastEvents::InitFolderHandlers() {
  try {
    const CSyncContext* ctx = g_Sync();
    if (!ctx) throw platform::Error("no sync context to take the folders from");
    for (const platform::Folder& folder :
         {ctx->fldCalendar, ctx->fldZentab, ctx->fldInbox, ctx->fldSentItems, ctx->fldDeletedItems}) {
      if (!folder) continue;
      LoomcastFolder watched = m_engine.GetFolder(folder.EntryID(), folder.StoreID());
      if (watched.FolderID().empty()) {
        g_Debug().OutCustomError("CLoomcastEvents::InitFolderHandlers",
                                 "Handlers not set for " + folder.Name() + " folder");
        continue;
      }
      m_folders[folder.EntryID()] = watched;
      m_folderNames[folder.EntryID()] = folder.Name();
    }
  } catch (...) {
    g_Debug().OutError("CLoomcastEvents::InitFolderHandlers");
  }
}

void CLoomcastEvents::DoneFolderHandlers() {
  m_folders.clear();
  m_folderNames.clear();
}

void CLoomcastEvents::OnDone() {
  DoneFolderHandlers();
  m_ignore.clear();
}

// ---------------------------------------------------------------------------
// The ignore list

bool CLoomcastEvents::IsOtherStore(const std::string& StoreID) const {
  const CSyncContext* ctx = g_Sync();
  return !StoreID.empty() && !(ctx && ctx->pSession && StoreID == ctx->pSession->StoreID());
}

void CLoomcastEvents::IgnoreEvents(const std::string& EntryID, const std::string& FolderEntryID,
                                   int32_t NumIgnoreEvents, const std::string& StoreID,
                                   const std::string& sDebugInfo) {
  if (NumIgnoreEvents < 0) throw platform::Error("NumIgnoreEvents < 0");
  if (IsOtherStore(StoreID)) throw platform::Error("StoreID not supported");
  if (FolderEntryID.empty()) throw platform::Error("FolderEntryID = \"\"");
  if (!m_folders.count(FolderEntryID)) {
    const CSyncContext* ctx = g_Sync();
    g_Debug().Out("EntryID = " + EntryID);
    g_Debug().Out("dont recieve events from folder " + (ctx && ctx->pSession ? FolderName(*ctx, FolderEntryID) : ""));
    return;
  }
  auto& items = m_ignore[FolderEntryID];
  auto it = items.find(EntryID);
  if (it == items.end() || it->second.NumIgnoreEvents == 0) {
    items[EntryID] = CIgnoreEntry{NumIgnoreEvents, EntryID, sDebugInfo, ""};
    return;
  }
  it->second.NumIgnoreEvents += NumIgnoreEvents;
  it->second.AddInfo += ", " + sDebugInfo;
}

bool CLoomcastEvents::ProcessEvent(const std::string& FolderEntryID, const std::string& EntryID,
                                   const std::string& StoreID, const std::string& sDebugInfo) {
  if (IsOtherStore(StoreID)) g_Debug().OutCustomError("CLoomcastEvents::ProcessEvent", "StoreID not supported");
  auto folder = m_ignore.find(FolderEntryID);
  if (folder == m_ignore.end()) return true;
  auto it = folder->second.find(EntryID);
  if (it == folder->second.end() || it->second.NumIgnoreEvents <= 0) return true;
  it->second.DelInfo += ", " + sDebugInfo;
  if (--it->second.NumIgnoreEvents == 0) folder->second.erase(it);
  return false;
}

void CLoomcastEvents::UnignoreEvents(const std::string& EntryID, const std::string& FolderEntryID,
                                     const std::string& StoreID) {
  if (IsOtherStore(StoreID)) g_Debug().OutCustomError("CLoomcastEvents::UnignoreEvents", "StoreID not supported");
  auto folder = m_ignore.find(FolderEntryID);
  if (folder != m_ignore.end()) folder->second.erase(EntryID);
}

void CLoomcastEvents::UnignoreAllEvents() {
  for (auto& [folder, items] : m_ignore) items.clear();
}

void CLoomcastEvents::Dump() {
  try {
    if (!m_log.bLogEvents) return;
    std::string text;
    for (const auto& [folder, items] : m_ignore)
      for (const auto& [id, e] : items)
        text += "NumIgnoreEvents = " + std::to_string(e.NumIgnoreEvents) + "\r\nAddInfo = " + e.AddInfo +
                "\r\nDelInfo = " + e.DelInfo + "\r\nEntryID = " + e.EntryID + "\r\n";
    if (text.empty()) return;
    if (m_log.bLogNotStartedEventsAsError)
      g_Debug().OutCustomError("CLoomcastEvents::Dump", "NotStartedEvents\r\n" + text);
    else
      g_Debug().Out(text);
  } catch (...) {
    g_Debug().OutError("CLoomcastEvents::Dump");
  }
}

void CLoomcastEvents::OnSafeTimer() {
  g_Debug().Out("->OnSafeTimer");
  if (m_log.bLogEvents) Dump();
  UnignoreAllEvents();
}

const CIgnoreEntry* CLoomcastEvents::FindIgnoreEntry(const std::string& FolderEntryID,
                                                     const std::string& EntryID) const {
  auto folder = m_ignore.find(FolderEntryID);
  if (folder == m_ignore.end()) return nullptr;
  auto it = folder->second.find(EntryID);
  return it == folder->second.end() ? nullptr : &it->second;
}

size_t CLoomcastEvents::IgnoreEntryCount() const {
  size_t n = 0;
  for (const auto& [folder, items] : m_ignore) n += items.size();
  return n;
}
