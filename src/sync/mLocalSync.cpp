#include "sync/mLocalSync.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "diagnostics/CDebug.h"
#include "exchange/mEnvelope.h"
#include "exchange/mMain.h"
#include "exchange/mSendAppointments.h"
#include "groups/CGroups.h"
#include "lang/CLang.h"
#include "options/COptions.h"
#include "options/mOptions.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/redemption/SafeItems.h"
#include "platform/store/Folder.h"
#include "platform/store/Items.h"
#include "platform/store/MailSession.h"
#include "platform/store/RecurrencePattern.h"
#include "sync/CSyncContext.h"
#include "sync/mAppointments.h"

namespace mAppointments {

namespace {

constexpr const char* kAppointmentFilter = "[MessageClass] = \"IPM.Appointment\"";
// Items repaired in one store transaction; the safe pump turns between two.
constexpr size_t kBatchItems = 256;

// The progress window of the copying passes is open.
bool g_bCopyingItemsLoaded = false;

bool IsMe(const CSyncContext& ctx, const std::string& address) {
  return platform::EqualsNoCase(address, ctx.strMe);
}

std::string Text(const CSyncContext& ctx, const std::string& lid) { return ctx.pLang ? ctx.pLang->Item(lid) : lid; }

platform::Date Now(const CSyncContext& ctx) {
  return ctx.pMail ? ctx.pMail->Now() : platform::Date{};
}

std::string ListSeparator(const CSyncContext& ctx) { return GetListSeparator(ctx.pSystem); }

// The sham value as the billing block of a calendar item shows it: its number.
std::string ShamNumber(const std::string& sham) {
  int n = 0;
  return platform::ParseInt(sham, n) ? std::to_string(n) : "0";
}

// The appointments of a folder as they are now; later writes of the pass do
// not move the walk.
std::vector<platform::Item> Appointments(const platform::Folder& folder, const std::string& filter = kAppointmentFilter) {
  if (!folder) return {};
  return folder.Items().Restrict(filter).All();
}

// The progress window (frmCopyingItems) of one bulk pass: a caption, a line
// per phase and the bar; hidden when the add-in runs the pass unattended.
// Once the user cancels, every later Step answers false.
class PassProgress {
 public:
  PassProgress(CSyncContext& ctx, const std::string& captionLid) : m_ctx(ctx) {
    const bool show = !ctx.ShowProgressWindows || ctx.ShowProgressWindows();
    if (show && ctx.pPrompt) {
      m_window = ctx.pPrompt->ShowProgress(Text(ctx, captionLid));
      g_bCopyingItemsLoaded = true;
    }
  }
  ~PassProgress() {
    if (m_window) g_bCopyingItemsLoaded = false;
  }
  PassProgress(const PassProgress&) = delete;
  PassProgress& operator=(const PassProgress&) = delete;

  void Phase(const std::string& lid) {
    m_percent = -1;
    if (m_window) {
      m_window->SetText(Text(m_ctx, lid));
      m_window->SetPercent(0);
    }
  }
  // After item `done` (1-based) of `count`: the bar, and whether to go on.
  bool Step(size_t done, size_t count) {
    if (m_cancelled) return false;
    if (m_window && count > 0) {
      const int percent = static_cast<int>(done * 100 / count);
      if (percent != m_percent) {
        m_percent = percent;
        m_window->SetPercent(percent);
      }
      if (m_window->Cancelled()) m_cancelled = true;
    }
    return !m_cancelled;
  }
  bool Cancelled() const { return m_cancelled; }

 private:
  CSyncContext& m_ctx;
  std::unique_ptr<platform::Progress> m_window;
  int m_percent = -1;
  bool m_cancelled = false;
};

// Runs step(i) for every index below `count` in store batches of
// kBatchItems (one commit for many repairs instead of one each), with the
// progress after each item and the safe pump between batches (never inside
// one); stops when the user cancels. Each step traps its own failures.
template <typename Step>
void InBatches(CSyncContext& ctx, PassProgress& progress, size_t count, Step step) {
  size_t i = 0;
  while (i < count && !progress.Cancelled()) {
    auto batch = [&] {
      const size_t end = std::min(count, i + kBatchItems);
      while (i < end) {
        step(i);
        ++i;
        if (!progress.Step(i, count)) break;
      }
    };
    if (ctx.pSession)
      ctx.pSession->Batch(batch);
    else
      batch();
    if (ctx.DoEvents) ctx.DoEvents();
  }
}

// Sets a text property only when it differs (a missing property counts as
// empty and is not created for an empty value), saving with `save`.
void SetIfDiffers(platform::Item& item, const std::string& name, const std::string& value, bool save) {
  if (GetUserProperty(item, name) != value)
    SetUserProperty(item, name, value, save);
  else if (save)
    ItemSave(item);
}

// Normalises the item's groups in place and writes them back when they changed.
void NormalizeItemGroups(platform::Item& item, std::string& groups, const std::string& existing) {
  if (NormalizeGroups(groups, existing)) SetUserProperty(item, kGroups, groups, true);
}

// The entry id of an item, "" when it has none or cannot be read.
std::string EntryOf(const platform::Item& item) {
  try {
    return item.EntryID();
  } catch (...) {
    return "";
  }
}

// The ids remembered by the calendar step of a pass: item id -> entry id,
// in the order seen.
class Remembered {
 public:
  explicit Remembered(size_t expected) {
    m_index.reserve(expected);
    m_order.reserve(expected);
  }
  // False (nothing remembered) when the id was seen before.
  bool Add(const std::string& id, const std::string& entryId) {
    if (!m_index.emplace(id, m_order.size()).second) return false;
    m_order.push_back({id, entryId});
    return true;
  }
  bool Contains(const std::string& id) const { return m_index.count(id) != 0; }
  bool Forget(const std::string& id) {
    auto it = m_index.find(id);
    if (it == m_index.end()) return false;
    m_order[it->second].forgotten = true;
    m_index.erase(it);
    return true;
  }
  size_t Count() const { return m_index.size(); }
  // (id, entry id) of the ones not forgotten, in the order seen.
  std::vector<std::pair<std::string, std::string>> Unmatched() const {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& e : m_order)
      if (!e.forgotten) out.emplace_back(e.id, e.entryId);
    return out;
  }

 private:
  struct Entry {
    std::string id, entryId;
    bool forgotten = false;
  };
  std::unordered_map<std::string, size_t> m_index;
  std::vector<Entry> m_order;
};

// Shares a calendar item under a new id (its copy is made afresh).
void Reshare(CSyncContext& ctx, platform::Item& item, const std::string& action, Remembered& remembered) {
  std::string id;
  CopyItem(item, ctx.fldZentab, id, true, action);
  if (!id.empty()) remembered.Add(id, EntryOf(item));
}

// The log texts of the calendar step, which the two passes word differently.
struct CalendarLogs {
  const char* otherOwner;  // followed by the owner
  const char* otherOwnerEnd;
  const char* notUnique;
  const char* newItem;
};

// The calendar step common to both passes for one item: a foreign owner is
// taken over, a duplicate id is dropped and the item shared again, an item
// without id is shared; the item's id is remembered. Returns the item id
// kept when the item was already shared under it (so the caller refreshes
// its bill), "" otherwise.

std::string CheckCalendarItem(CSyncContext& ctx, platform::Item& item, const std::string& action,
                              const CalendarLogs& logs, Remembered& remembered) {
  const std::string owner = GetUserProperty(item, kOwnerAddress);
  const std::string id = GetUserProperty(item, kItemID);
  if (!IsMe(ctx, owner)) {
    if (!owner.empty()) g_Debug().Out(logs.otherOwner + owner + logs.otherOwnerEnd);
    SetUserProperty(item, kOwnerAddress, ctx.strMe, true);
    const std::string refer = GetUserProperty(item, kReferID);
    platform::Item twin = ctx.pSession ? GetItemFromID(*ctx.pSession, refer) : platform::Item{};
    if (!twin) {
      if (!refer.empty()) SetUserProperty(item, kReferID, "", true);
    } else {
      SetUserProperty(twin, kOwnerAddress, ctx.strMe, true);
    }
  }
  if (!id.empty() && remembered.Add(id, EntryOf(item))) return id;
  if (!id.empty()) {
    g_Debug().Out(logs.notUnique);
    SetUserProperty(item, kItemID, "", false);
    SetUserProperty(item, kReferID, "", true);
  } else {
    g_Debug().Out(logs.newItem);
  }
  Reshare(ctx, item, action, remembered);
  return "";
}

// The copies a pass marked for deletion, in the order marked.
using Marked = std::vector<platform::Item>;

void DeleteCopy(platform::Item& item) {
  try {
    DeleteItem(item);
  } catch (...) {
    g_Debug().OutError("mAppointments.DeleteCopy");
  }
}

// Makes the missing copy of a calendar item again, under its id and
// without queuing anything.
void RestoreCopy(CSyncContext& ctx, const std::pair<std::string, std::string>& idAndEntry) {
  try {
    platform::Item item = ctx.pSession ? GetItemFromID(*ctx.pSession, idAndEntry.second) : platform::Item{};
    std::string keep = idAndEntry.first;
    if (item) CopyItem(item, ctx.fldZentab, keep, false, "Nothing");
  } catch (...) {
    g_Debug().OutError("mAppointments.RestoreCopy");
  }
}

// The magic mails of a folder modified between two times, for the fast pass.
std::vector<platform::Item> MagicMailsByLMT(const platform::Folder& folder, const std::string& filterTimes,
                                            platform::Date since) {
  std::vector<platform::Item> found;
  if (!folder) return found;
  for (platform::Item& mail : folder.Items().Restrict(filterTimes).All()) {
    try {
      if (mail.LastModificationTime() < since) continue;
      const std::string subject = platform::Lower(mail.Subject());
      for (const char* marker : {mEnvelope::kGroupMarker, mEnvelope::kAppointmentMarker,
                                 mEnvelope::kAppointmentMarkerOld}) {
        if (subject.find(platform::Lower(marker)) != std::string::npos) {
          found.push_back(mail);
          break;
        }
      }
    } catch (...) {
      g_Debug().OutError("mAppointments.FindMagicMailsByLMT");
    }
  }
  return found;
}

void StoreLocalSyncEnd(CSyncContext& ctx, platform::Date now) {
  if (!ctx.pMail) return;
  const std::string text = mOptions::SynchDateText(now);
  mOptions::SaveOption(ctx.pMail->registry, ctx.strStoreId, "AutoLSynchDate", text, "String");
  mOptions::g_Options().AutoLSynchDate = text;
  COptions(ctx.pMail->registry, ctx.strStoreId).NeedLocalSync(false);
}

// The empty text properties of a blanked item; Body goes through the safe writer.
void BlankItem(platform::Item& item) {
  if (item.BusyStatus() != 2) item.SetBusyStatus(2);
  if (item.Importance() != 1) item.SetImportance(1);
  if (!item.Categories().empty()) item.SetCategories("");
  if (!item.GetText("Companies").empty()) item.Set("Companies", std::string());
  if (!item.Location().empty()) item.SetLocation("");
  if (!item.Subject().empty()) item.SetSubject("");
  Redemption::SafeAppointmentItem safe;
  safe.Item(item);
  if (!safe.Body().empty()) safe.Body("");
}

}  // namespace

bool NormalizeGroups(std::string& groups, const std::string& existingNames) {
  if (groups.empty() || groups == kAllGroups || groups == kNullGroup) return false;
  const std::string existing = ";" + existingNames + ";";
  std::vector<std::string> kept;
  for (const std::string& name : platform::Split(groups, ';'))
    if (existing.find(";" + name + ";") != std::string::npos) kept.push_back(name);
  std::string normal = kept.empty() ? std::string(kNullGroup) : platform::Join(kept, ";");
  if (normal == groups) return false;
  groups = std::move(normal);
  return true;
}

bool LocalSynchronization() {
  CSyncContext* pctx = g_Sync();
  if (!pctx || pctx->p_bLSynch) return false;
  CSyncContext& ctx = *pctx;
  ctx.p_bLSynch = true;
  const bool clean = ctx.bCleanMode;
  ctx.bCleanMode = false;
  bool completed = false;
  try {
    g_Debug().Out("Starting LocalSynchronization: " + Now(ctx).ToIso());
    const std::string existing = ctx.pGroups ? ctx.pGroups->GetGroupsNames() : "";
    const std::string listSep = ListSeparator(ctx);
    const std::string action = clean ? "Nothing" : "Added";
    PassProgress progress(ctx, "LID_LOCAL_SYNC");
    progress.Phase("LID_ANALIZING_CALENDAR_ITEMS");

    std::vector<platform::Item> calendar = Appointments(ctx.fldCalendar);

    // Calendar: every item is the user's own and shared under an id of its own.
    Remembered remembered(calendar.size());
    const CalendarLogs logs{" Calendar.OtherOwner detected '", "'", "Calendar.Item is not unique",
                            "Calendar.NewItem detected"};
    InBatches(ctx, progress, calendar.size(), [&](size_t i) {
      platform::Item& item = calendar[i];
      try {
        // Stripping an item just before its turn is stripping them all
        // first: no item's repair reads another's properties.
        if (clean) DeleteVestrandProps(item, true);
        std::string groups = GetUserProperty(item, kGroups);
        NormalizeItemGroups(item, groups, existing);
        const std::string sham = GetUserProperty(item, kShamMeeting);
        const std::string kept = CheckCalendarItem(ctx, item, action, logs, remembered);
        if (!kept.empty()) SetBillInfo(item, ctx.strMe, ShamNumber(sham), groups, item.Categories(), listSep);
      } catch (...) {
        g_Debug().OutError("mAppointments.LocalSynchronization");
      }
    });

    // Shared folder: own copies are matched to their calendar items.
    Marked marked;
    if (!clean && !progress.Cancelled()) {
      progress.Phase("LID_ANALIZING_ZENTAB_ITEMS");
      std::vector<platform::Item> zentab = Appointments(ctx.fldZentab);
      std::unordered_set<std::string> seenCopies;
      seenCopies.reserve(zentab.size());
      InBatches(ctx, progress, zentab.size(), [&](size_t i) {
        platform::Item& item = zentab[i];
        try {
          std::string owner = GetUserProperty(item, kOwnerAddress);
          const std::string sham = GetUserProperty(item, kShamMeeting);
          std::string groups = GetUserProperty(item, kGroups);
          std::string id = GetUserProperty(item, kItemID);
          const std::string uid = GetUserProperty(item, kShamMeetingUID);
          if (!id.empty() && !seenCopies.insert(id).second) id.clear();
          if (id.empty()) {
            g_Debug().Out("Zentab.NewItem detected");
            owner = ctx.strMe;
            SetUserProperty(item, kOwnerAddress, owner, false);
            SetIfDiffers(item, kItemID, "", false);
            // A copy without id has no twin: its refer id may name another copy's item.
            SetIfDiffers(item, kReferID, "", true);
          } else if (owner.empty()) {
            g_Debug().Out("Zentab.ItemOwner is Empty detected");
            owner = ctx.strMe;
            SetUserProperty(item, kOwnerAddress, owner, true);
          }
          if (IsMe(ctx, owner)) {
            NormalizeItemGroups(item, groups, existing);
            if (id.empty()) {
              g_Debug().Out("Zentab.NewItem detected (copying)");
              std::string newId;
              CopyItem(item, ctx.fldCalendar, newId, true, "Added");
            } else if (remembered.Forget(id)) {
              SetBillInfo(item, ctx.strMe, sham, groups, item.Categories(), listSep);
            } else {
              g_Debug().Out("Zentab.DeletedItem detected");
              SynchRemoveItem(item, id, owner, sham, groups, uid);
              marked.push_back(item);
            }
          } else if (!ctx.pGroups || !ctx.pGroups->FindByEmail(platform::Lower(owner))) {
            g_Debug().Out("Zentab.Other Owner(" + owner + ") detected, deleting");
            marked.push_back(item);
          } else {
            NormalizeItemGroups(item, groups, existing);
            SetBillInfo(item, owner, sham, groups, item.Categories(), listSep);
            if (groups == kNullGroup) {
              g_Debug().Out("Zentab.NullGroup Item detected");
              ClearAppointment(item);
            }
          }
        } catch (...) {
          g_Debug().OutError("mAppointments.LocalSynchronization");
        }
      });
    }

    // Deleting and restoring rely on both folders having been seen whole.
    if (!progress.Cancelled()) {
      progress.Phase("LID_DELETING_UNLINKED_ITEMS");
      g_Debug().Out("LocalSynchronization: Deleting Items Count = " + std::to_string(marked.size()));
      InBatches(ctx, progress, marked.size(), [&](size_t i) { DeleteCopy(marked[i]); });
    }
    if (!progress.Cancelled()) {
      progress.Phase("LID_RESTORING_UNLINKED_ITEMS");
      const auto unmatched = clean ? decltype(remembered.Unmatched()){} : remembered.Unmatched();
      g_Debug().Out("LocalSynchronization: Restoring unlink appointments  = " + std::to_string(unmatched.size()));
      InBatches(ctx, progress, unmatched.size(), [&](size_t i) { RestoreCopy(ctx, unmatched[i]); });
      completed = !progress.Cancelled();
    }
  } catch (...) {
    g_Debug().OutError("mAppointments.LocalSynchronization");
  }
  if (completed) {
    const platform::Date end = Now(ctx);
    StoreLocalSyncEnd(ctx, end);
    g_Debug().Out("End Local Synch : " + end.ToIso());
  }
  ctx.p_bLSynch = false;
  if (ctx.RaiseCustomEvent) ctx.RaiseCustomEvent("Appointments");
  return completed;
}

std::string PassFastSynch() {
  const CSyncContext* ctx = g_Sync();
  if (!ctx) return "";
  if (ctx->p_bLSynch) return "(p_bLSynch)";
  if (ctx->g_bGSynch) return "(g_bGSynch)";
  if (ctx->bSetGroupsLoaded) return "[frmSetGroups Is Loaded]";
  if (ctx->bOptionsLoaded) return "[frmOptions Is Loadede]";
  if (g_bCopyingItemsLoaded) return "[frmCopyingItems Is Loaded]";
  return "";
}

bool FastLocalSynchronization() {
  CSyncContext* pctx = g_Sync();
  if (!pctx) return false;
  CSyncContext& ctx = *pctx;
  const std::string reason = PassFastSynch();
  if (!reason.empty()) {
    g_Debug().Out("Pass Fast Synchronization..." + reason);
    return false;
  }
  try {
    const platform::Date last = ctx.g_dLastFastSync;
    g_Debug().Out("Starting FastLocalSynchronization, g_dLastFastSync -> " + last.ToIso());
    const platform::Date now = Now(ctx);
    // The filter has minute precision: its upper bound is the next minute,
    // so nothing modified during this minute falls between two passes.
    const std::string times = "[LastModificationTime] >= \"" + last.ToShortText() +
                              "\" And [LastModificationTime] <= \"" + now.Add("n", 1).ToShortText() + "\"";
    const std::string filter = std::string(kAppointmentFilter) + " And " + times;
    auto modifiedSince = [&](const platform::Item& item) { return !(item.LastModificationTime() < last); };

    // Sent magic mails do not stay in Sent Items.
    for (platform::Item& mail : MagicMailsByLMT(ctx.fldSentItems, times, last)) ItemDelete(mail, false);

    // Deleted Items: shared items the user deleted.
    int removed = 0;
    for (platform::Item& item : Appointments(ctx.fldDeletedItems, filter)) {
      try {
        if (!modifiedSince(item) || GetUserProperty(item, kItemID).empty()) continue;
        g_Debug().Out("analizing DeletedItems, Remove item : " + item.Subject() + " -> " +
                      item.LastModificationTime().ToIso());
        RemoveItem(item);
        ++removed;
      } catch (...) {
        g_Debug().OutError("mAppointments.FastLocalSynchronization");
      }
    }
    g_Debug().Out("FastLocalSynchronization : Deleted from DeletedItems = " + std::to_string(removed));

    // Calendar.
    std::vector<platform::Item> calendar = Appointments(ctx.fldCalendar, filter);
    g_Debug().Out("FastLocalSynchronization : Calendar.Items.Count = " + std::to_string(calendar.size()));
    Remembered remembered(calendar.size());
    const CalendarLogs logs{"Detected Calendar.Item.Owner is not me - ", "", "Detected Calendar Not Unique Item",
                            "Detected Calendar.New Item"};
    for (platform::Item& item : calendar) {
      try {
        if (!modifiedSince(item)) continue;
        g_Debug().Out("From Calendar : " + item.Subject() + " -> " + item.LastModificationTime().ToIso());
        CheckCalendarItem(ctx, item, "Added", logs, remembered);
      } catch (...) {
        g_Debug().OutError("mAppointments.FastLocalSynchronization");
      }
    }

    // Shared folder.
    const std::string listSep = ListSeparator(ctx);
    std::vector<platform::Item> zentab = Appointments(ctx.fldZentab, filter);
    g_Debug().Out("FastLocalSynchronization : Zentab.Items.Count = " + std::to_string(zentab.size()));
    Marked marked;
    for (platform::Item& item : zentab) {
      try {
        if (!modifiedSince(item)) continue;
        g_Debug().Out("From Zentab : " + item.Subject() + " -> " + item.LastModificationTime().ToIso());
        std::string owner = GetUserProperty(item, kOwnerAddress);
        if (owner.empty()) {
          g_Debug().Out("Detected ZentabItem Owner is empy");
          owner = ctx.strMe;
          SetUserProperty(item, kOwnerAddress, owner, true);
        }
        const std::string id = GetUserProperty(item, kItemID);
        SetBillInfo(item, owner, GetUserProperty(item, kShamMeeting), GetUserProperty(item, kGroups),
                    item.Categories(), listSep);
        if (!IsMe(ctx, owner)) continue;
        if (id.empty()) {
          g_Debug().Out("Detected ZentabItem New Item");
          SetIfDiffers(item, kReferID, "", true);
          std::string newId;
          CopyItem(item, ctx.fldCalendar, newId, true, "Added");
          continue;
        }
        if (remembered.Forget(id)) {
          g_Debug().Out("Detected Zentab Not deleted Item");
          continue;
        }
        platform::Item twin = ctx.pSession ? GetItemFromID(*ctx.pSession, GetUserProperty(item, kReferID))
                                           : platform::Item{};
        if (!twin) {
          g_Debug().Out("oReferItem not exists, Deleting Item!");
        } else {
          const platform::Folder where = twin.Parent();
          if (where.IsSame(ctx.fldCalendar)) {
            g_Debug().Out("oReferItem exists in calendar folder, Leaving Item!");
            continue;
          }
          if (where.IsSame(ctx.fldDeletedItems))
            g_Debug().Out("oReferItem exists in deleted folder, Deleting Item!");
          else
            g_Debug().Out("ReferedItem in folder with path = '" + where.FolderPath() + "', Deleting Item!");
        }
        RemoveItem(item);
        marked.push_back(item);
      } catch (...) {
        g_Debug().OutError("mAppointments.FastLocalSynchronization");
      }
    }

    g_Debug().Out("Deleting unlink " + std::to_string(marked.size()) + " appointments");
    for (platform::Item& item : marked) {
      try {
        g_Debug().Out("Deleting item with subject = '" + item.Subject() + "', start = '" + item.Start().ToIso() +
                      "'");
      } catch (...) {
      }
    }
    for (platform::Item& item : marked) DeleteCopy(item);
    g_Debug().Out("Restoring unlink  " + std::to_string(remembered.Count()) + " appointments");
    for (const auto& unmatched : remembered.Unmatched()) RestoreCopy(ctx, unmatched);

    if (mOptions::g_Options().HardDeletion) {
      for (platform::Item& mail : MagicMailsByLMT(ctx.fldDeletedItems, times, last)) ItemDelete(mail, true);
    }
    ctx.g_dLastFastSync = now;
    return true;
  } catch (...) {
    g_Debug().OutError("mAppointments.FastLocalSynchronization");
    return false;
  }
}

void UpdateItemsGroups() {
  CSyncContext* pctx = g_Sync();
  if (!pctx) return;
  CSyncContext& ctx = *pctx;
  try {
    g_Debug().Out("UpdateItemsGroups.Start");
    const std::string existing = ctx.pGroups ? ctx.pGroups->GetGroupsNames() : "";
    const std::string listSep = ListSeparator(ctx);
    PassProgress progress(ctx, "LID_UPDATING_INFO");
    progress.Phase("LID_UPDATING_INFO");
    std::vector<platform::Item> zentab = Appointments(ctx.fldZentab);
    Marked marked;
    InBatches(ctx, progress, zentab.size(), [&](size_t i) {
      platform::Item& item = zentab[i];
      try {
        std::string owner = GetUserProperty(item, kOwnerAddress);
        std::string groups = GetUserProperty(item, kGroups);
        const std::string sham = GetUserProperty(item, kShamMeeting);
        if (owner.empty() || IsMe(ctx, owner)) {
          NormalizeItemGroups(item, groups, existing);
          SetBillInfo(item, ctx.strMe, sham, groups, item.Categories(), listSep);
          const std::string refer = GetUserProperty(item, kReferID);
          if (refer.empty()) {
            g_Debug().OutWarning("UpdateItemsGroups", "strReferID = 0");
          } else if (platform::Item twin = ctx.pSession ? GetItemFromID(*ctx.pSession, refer) : platform::Item{};
                     !twin) {
            g_Debug().OutWarning("UpdateItemsGroups", "oReferItem Is Nothing");
          } else {
            std::string twinGroups = GetUserProperty(twin, kGroups);
            if (NormalizeGroups(twinGroups, existing)) {
              SetUserProperty(twin, kGroups, twinGroups, true);
              SetBillInfo(twin, ctx.strMe, ShamNumber(GetUserProperty(twin, kShamMeeting)), twinGroups,
                          twin.Categories(), listSep);
            }
          }
        } else if (!ctx.pGroups || !ctx.pGroups->FindByEmail(platform::Lower(owner))) {
          marked.push_back(item);
        } else {
          NormalizeItemGroups(item, groups, existing);
          SetBillInfo(item, owner, sham, groups, item.Categories(), listSep);
          if (groups == kNullGroup) ClearAppointment(item);
        }
      } catch (...) {
        g_Debug().OutError("mAppointments.UpdateItemsGroups");
      }
    });
    if (!progress.Cancelled()) {
      InBatches(ctx, progress, marked.size(), [&](size_t i) {
        g_Debug().Out("UpdateItemsGroups, DeleteItem, owner = " + GetUserProperty(marked[i], kOwnerAddress) +
                      "\r\nItemId = " + GetUserProperty(marked[i], kItemID) + "\r\nFolder = " +
                      ctx.fldZentab.FolderPath());
        DeleteCopy(marked[i]);
      });
    }
    g_Debug().Out("UpdateItemsGroups.End");
  } catch (...) {
    g_Debug().OutError("mAppointments.UpdateItemsGroups");
  }
}

void SendMembersItems(const std::string& address, const std::string& group, bool onlyGroup, bool skipOwn) {
  CSyncContext* pctx = g_Sync();
  if (!pctx || !pctx->pGroups) return;
  CSyncContext& ctx = *pctx;
  try {
    const std::string member = platform::Lower(address);
    const std::string receivers = ";" + platform::Lower(ctx.pGroups->GetAppointsRecivers()) + ";";
    if (receivers.find(";" + member + ";") == std::string::npos) {
      g_Debug().OutWarning("SyncMemberItems", "Appointments never sended to member with email = " + address);
      return;
    }
    const GroupPtr grp = ctx.pGroups->FindByName(group);
    if (!grp) return;
    std::string everyone;
    mSendAppointments::SendAppointments("", everyone);

    PassProgress progress(ctx, "LID_SENDING_ITEMS_TO");
    progress.Phase("LID_SENDING_ITEMS_TO");
    const std::vector<platform::Item> zentab = Appointments(ctx.fldZentab);
    InBatches(ctx, progress, zentab.size(), [&](size_t i) {
      const platform::Item& item = zentab[i];
      try {
        std::string owner = GetUserProperty(item, kOwnerAddress);
        if (owner.empty()) owner = ctx.strMe;
        const std::string groups = GetUserProperty(item, kGroups);
        const std::string id = GetUserProperty(item, kItemID);
        const bool qualifies = !id.empty() && grp->FindByEmail(platform::Lower(owner)) &&
                               !(skipOwn && platform::Lower(owner) == member) &&
                               (!onlyGroup || (";" + groups + ";").find(";" + group + ";") != std::string::npos);
        if (qualifies)
          SynchCopyItem(item, "Changed", id, owner, groups, GetUserProperty(item, kShamMeeting),
                        GetUserProperty(item, kShamMeetingUID), true);
      } catch (...) {
        g_Debug().OutError("mAppointments.SendMembersItems");
      }
    });
    // A cancelled walk still sends what it queued.
    std::string only = member;
    mSendAppointments::SendAppointments("", only);
  } catch (...) {
    g_Debug().OutError("mAppointments.SendMembersItems");
  }
}

int SetAllPrivate() {
  CSyncContext* pctx = g_Sync();
  if (!pctx || !pctx->pPrompt) return 0;
  CSyncContext& ctx = *pctx;
  int changed = 0;
  try {
    if (ctx.pPrompt->MessageBox(Text(ctx, "LID_ALL_PRIVATE_CONFIRMATION"), "Zentabo", platform::Buttons::OKCancel,
                                platform::Icon::Question) != platform::IDOK)
      return 0;
    PassProgress progress(ctx, "LID_SETTING_ALL_PRIVATE");
    progress.Phase("LID_SETTING_ALL_PRIVATE");
    std::vector<platform::Item> calendar = Appointments(ctx.fldCalendar);
    InBatches(ctx, progress, calendar.size(), [&](size_t i) {
      platform::Item& item = calendar[i];
      try {
        std::string id = GetUserProperty(item, kItemID);
        if (!id.empty() && item.Sensitivity() != 2) {
          item.SetSensitivity(2);
          ItemSave(item);
          CopyItem(item, ctx.fldZentab, id, true, "Changed");
          ++changed;
        }
      } catch (...) {
        g_Debug().OutError("mAppointments.SetAllPrivate");
      }
    });
  } catch (...) {
    g_Debug().OutError("mAppointments.SetAllPrivate");
  }
  return changed;
}

void ClearAppointment(platform::Item& item) {
  CSyncContext* pctx = g_Sync();
  if (!pctx) return;
  try {
    const std::string owner = GetUserProperty(item, kOwnerAddress);
    if (owner.empty() || IsMe(*pctx, owner)) {
      g_Debug().OutWarning("mAppointments.ClearAppointment", "called for my appointments");
      return;
    }
    BlankItem(item);
    if (item.RecurrenceState() == platform::olApptMaster) {
      for (const platform::RecurrenceException& ex : item.GetRecurrencePattern().Exceptions()) {
        if (ex.Deleted()) continue;
        platform::Item occurrence = ex.AppointmentItem();
        BlankItem(occurrence);
        ItemSave(occurrence);
      }
    }
    SetUserProperty(item, kGroups, kNullGroup, true);
    SetBillInfo(item, owner, GetUserProperty(item, kShamMeeting), kNullGroup, item.Categories(),
                ListSeparator(*pctx));
  } catch (...) {
    g_Debug().OutError("mAppointments.ClearAppointment");
  }
}

int GlobalSynchronization() {
  CSyncContext* pctx = g_Sync();
  if (!pctx || pctx->g_bGSynch) return 0;
  CSyncContext& ctx = *pctx;
  ctx.g_bGSynch = true;
  int queued = 0;
  try {
    g_Debug().Out("GlobalSynchronization.Start");
    std::string everyone;
    mSendAppointments::SendAppointments("", everyone);
    PassProgress progress(ctx, "LID_SENDING_ITEMS_TO");
    progress.Phase("LID_SENDING_ITEMS_TO");
    const std::vector<platform::Item> zentab = Appointments(ctx.fldZentab);
    InBatches(ctx, progress, zentab.size(), [&](size_t i) {
      const platform::Item& item = zentab[i];
      try {
        const std::string owner = GetUserProperty(item, kOwnerAddress);
        const std::string id = GetUserProperty(item, kItemID);
        if (!id.empty() && (owner.empty() || IsMe(ctx, owner))) {
          SynchCopyItem(item, "Changed", id, ctx.strMe, GetUserProperty(item, kGroups),
                        GetUserProperty(item, kShamMeeting), GetUserProperty(item, kShamMeetingUID), false);
          ++queued;
        }
      } catch (...) {
        g_Debug().OutError("mAppointments.GlobalSynchronization");
      }
    });
    everyone.clear();
    mSendAppointments::SendAppointments("", everyone);
    g_Debug().Out("GlobalSynchronization.End, queued = " + std::to_string(queued));
  } catch (...) {
    g_Debug().OutError("mAppointments.GlobalSynchronization");
  }
  ctx.g_bGSynch = false;
  return queued;
}

}  // namespace mAppointments
