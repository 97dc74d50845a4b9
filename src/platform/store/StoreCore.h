#pragma once
// StoreCore: the open profile behind a MailSession and every handle made
// from it (internal to the store). It owns the SQLite connection and the
// profile lock, runs each write as one transaction through the write seam,
// and posts the item events of a write after it commits.
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Date.h"
#include "platform/store/Folder.h"
#include "platform/store/ItemFilter.h"
#include "platform/store/ItemState.h"
#include "platform/store/SqliteDb.h"
#include "platform/store/StoreTypes.h"
#include "platform/store/StoreWriteHook.h"

namespace platform::detail {

// What an Items collection lists: one folder, a condition and an order.
struct ItemQuery {
  int64_t folderId = 0;
  SqlCondition cond;
  std::string sortColumn;  // "" = order of creation
  bool descending = false;
  // The ids as listed at write stamp `stamp`, and the count as counted at
  // `countStamp`; taken again only after a write that can change them (see
  // StoreCore::IsCurrent).
  std::vector<int64_t> ids;
  uint64_t stamp = 0;
  bool listed = false;
  int count = 0;
  uint64_t countStamp = 0;
  bool counted = false;
};

struct FolderRow {
  int64_t id = 0;
  int64_t parentId = 0;
  std::string name;
  int folderType = 0;
  int defaultItemType = 0;
  std::string webViewUrl;
  bool webViewOn = false;
};

enum class EventKind { Add, Change, Remove };

class StoreCore : public std::enable_shared_from_this<StoreCore> {
 public:
  using Poster = std::function<void(std::function<void()>)>;

  // See MailSession::Open.
  static std::shared_ptr<StoreCore> Open(const std::string& path, Poster poster);
  ~StoreCore();
  void Close();
  // Throws platform::Error once the profile is closed.
  SqliteDb& Db();
  const std::string& Path() const { return path_; }

  // --- writes ---------------------------------------------------------------
  // Runs fn inside one transaction; rolls back and rethrows on any
  // exception; posts the events fn queued once the commit succeeded. Inside
  // an open write, fn runs under a savepoint of that write: its failure
  // undoes only fn's statements and events.
  void Write(const std::function<void()>& fn);
  // True while a write (or batch) is open.
  bool InWrite() const { return inWrite_; }
  // Called after each outermost write commits (empty: none).
  void SetCommitListener(std::function<void()> fn) { commitListener_ = std::move(fn); }
  // Steps a data-changing statement through the write seam.
  void WriteStep(Stmt& stmt);
  // `columns`: for a change, the filter columns it changed (ColumnBit mask).
  void QueueEvent(EventKind kind, int64_t folderId, int64_t itemId, uint32_t columns = 0);

  // --- identity -------------------------------------------------------------
  const std::string& StoreID() const { return storeId_; }
  std::string ItemEntryID(int64_t id) const;
  std::string FolderEntryID(int64_t id) const;
  // The row id an entry id names, or nothing when it is no entry id of
  // this store of that kind.
  std::optional<int64_t> ParseItemEntryID(const std::string& entryId) const;
  std::optional<int64_t> ParseFolderEntryID(const std::string& entryId) const;

  // --- folders --------------------------------------------------------------
  int64_t RootId() const { return rootId_; }
  int64_t DefaultFolderId(int type) const;
  // Throws platform::Error when the folder no longer exists. Rows are kept
  // in memory until a folder write (or a rolled-back write) drops them.
  FolderRow GetFolder(int64_t id);
  std::vector<int64_t> ChildFolders(int64_t parentId);
  int64_t AddFolder(int64_t parentId, const std::string& name, int folderType);
  void UpdateFolder(const FolderRow& row);
  // True when `id` is `ancestor` or lies below it.
  bool IsWithin(int64_t id, int64_t ancestor);
  void DeleteFolder(int64_t id);
  void MoveFolder(int64_t id, int64_t destination);

  // --- items ----------------------------------------------------------------
  std::shared_ptr<ItemState> NewItemState(int64_t folderId, OlObjectClass cls);
  // A row id no item has had nor will get from another call.
  int64_t NewItemId() { return nextItemId_++; }
  // An unloaded handle state for a stored row; nullptr when there is none.
  // A row the last search by user property returned, with nothing written
  // since, is known to exist without asking the database again.
  std::shared_ptr<ItemState> StateFor(int64_t id, bool checkExists);
  // Reads the item's row and parts; attachment bytes are left to be read on
  // first use (ReadAttachmentData).
  void Load(ItemState& state);
  // Loads the states not yet loaded as Load does, ids close together a few
  // hundred to a query; a state whose row is gone stays unloaded (its first
  // use fails as Load does).
  void LoadMany(const std::vector<ItemState*>& states);
  // The bytes of one stored attachment; throws platform::Error when gone.
  Bytes ReadAttachmentData(int64_t itemId, int64_t ord);
  // Saves the item into its folder (state.folderId), or into `toFolder`
  // when given (a move); `state` is left as it was when the write fails. Only the
  // attachments that changed are written, and the user properties (one
  // column) only when one of them changed.
  void SaveItem(ItemState& state, std::optional<int64_t> toFolder = std::nullopt);
  // A saved copy of an item as it is in memory (parts copied, not shared),
  // in its folder or in `toFolder`; one add event there. Returns its row id.
  int64_t CopyItem(const ItemState& state, std::optional<int64_t> toFolder = std::nullopt);
  // Moves a saved item as stored (pending changes in memory stay pending)
  // and stamps its LastModificationTime.
  void MoveItem(ItemState& state, int64_t destination);
  void RemoveItem(ItemState& state);
  // The query's ids, listed again when a write happened since the last call.
  const std::vector<int64_t>& ListIds(ItemQuery& query);
  int CountIds(ItemQuery& query);
  // The items (of the folder, or of the profile) whose user property
  // `name` (any case) has `value` (ASCII case ignored), in row order. The
  // first search by a name indexes that name in the profile for good (one
  // write); from then on every save keeps its index rows. An empty value is
  // not indexed: it is found by reading the items' properties. With
  // `messageClass`, only items of that message class (ASCII case ignored),
  // checked on the row's column.
  std::vector<int64_t> FindByUserProperty(std::optional<int64_t> folderId, const std::string& name,
                                          const std::string& value,
                                          const std::optional<std::string>& messageClass = std::nullopt);
  std::optional<int64_t> FindByGlobalObjectID(int64_t folderId, const Bytes& id);

  // --- events and counters --------------------------------------------------
  Subscription Subscribe(int64_t folderId, EventKind kind, std::function<void(int64_t)> handler);
  Subscription SubscribeNewMail(std::function<void()> handler);
  void Unsubscribe(Subscription id);
  void NotifyNewMail();
  int openWindows = 0;
  int displayCount = 0;
  // Told when an item's window opens (true) or closes (false); the client's
  // inspectors follow the store's windows through it.
  std::function<void(const Item&, bool opened)> windowListener;

  // --- profile state --------------------------------------------------------
  // True when a session of this profile did not close it (a crash or a
  // kill) and no session has acknowledged that since: read at Open.
  bool LastRunUnclean() const { return lastRunUnclean_; }
  // Forgets the unclean end (durably): its repair is now someone's duty.
  void AcknowledgeUncleanEnd();
  // Received mails by their Message-ID (see MailSession::ReceiveOnce).
  bool IsReceived(const std::string& messageId);
  void MarkReceived(const std::string& messageId);

  // --- profile values -------------------------------------------------------
  std::string Meta(const std::string& key);
  void SetMeta(const std::string& key, const std::string& value);
  Date Now() const;
  void SetClock(std::function<Date()> clock) { clock_ = std::move(clock); }
  void SetHook(std::shared_ptr<StoreWriteHook> hook) { hook_ = std::move(hook); }

 private:
  StoreCore() = default;
  // Builds a new profile beside `path` and renames it into place, so that a
  // crash during creation leaves no profile rather than half of one.
  static void CreateFile(const std::string& path);
  void CreateSchema();
  // Checks that the file is a profile of this program and brings an older
  // schema up to date (one transaction per version step).
  void CheckSchema();
  void Upgrade(int64_t from);
  // Inside an upgrade's transaction: a default folder that profiles of an
  // older schema lack, made below the root and recorded.
  void AddDefaultFolderIfMissing(int type, const std::string& name);
  void Deliver(EventKind kind, int64_t folderId, int64_t itemId);
  void DeleteFolderRows(int64_t id);
  // Adds the attachment of the row's columns from `c` on (see Load) to
  // `state`, its bytes to be read on first use.
  void ReadAttachment(const Stmt& s, int c, ItemState& state);
  // Items are numbered without AUTOINCREMENT (which would write one more
  // page at every save); before rows go for good, the next number is kept
  // in the profile so that an entry id is never given out twice.
  void KeepItemIdsUnused();
  // True when no write committed after stamp `at` can have changed the
  // query's ids: adds and removes in its folder always can, changes only
  // when they changed a column the query filters or sorts by.
  bool IsCurrent(const ItemQuery& q, uint64_t at) const;
  // The rows given to new attachments by a write, taken over once it commits.
  using NewOrds = std::vector<std::pair<AttachmentData*, int64_t>>;
  // SaveItem's write of the row and its parts, the state already carrying
  // its creation time; takes over the new id, folder and stamp on success.
  void SaveItemRow(ItemState& state, int64_t folder, Date now);
  // Writes the item's changed attachments inside the open write.
  NewOrds WriteParts(const ItemState& state, int64_t id, bool inserting);
  // Marks the attachments as stored after the write of `ords` committed.
  static void PartsStored(ItemState& state, const NewOrds& ords);
  // Inside an upgrade's transaction: moves the user properties from their
  // table of one row per property into the items' rows.
  void MoveUserPropsIntoItems();
  using UserProps = std::vector<std::shared_ptr<UserPropData>>;
  using IndexRows = std::vector<std::pair<std::string_view, std::string_view>>;
  // The (lowercased name, value) pairs of `props` that the index holds:
  // indexed names with a value that is not empty. The texts are those of
  // `props` and of the indexed names: valid while both are unchanged.
  IndexRows IndexedValues(const UserProps& props) const;
  // The same of stored user properties, the texts in `props`.
  IndexRows IndexedValues(const Bytes& props, int64_t id) const;
  // Appends (name's indexed name, value) when the name is indexed and the
  // value not empty.
  void AddIndexRow(IndexRows& rows, std::string_view name, std::string_view value) const;
  // Inside the open write: changes the index rows of item `id` from `was`
  // to `is` (rows both have stay).
  void IndexUserProps(int64_t id, const IndexRows& was, const IndexRows& is);
  // Follows the kept counts of the two folders (from: none for a new item).
  void CountItemMoved(std::optional<int64_t> from, int64_t to);
  // Inside the open write: removes the index rows of the stored item `id`.
  void UnindexItem(int64_t id);
  // Indexes user property `nameLower` of every stored item, in one write.
  void AddIndexedName(const std::string& nameLower);
  // Adds the index rows of every item's user properties under `names`.
  void IndexItems(const std::set<std::string, std::less<>>& names);
  // Reads the indexed names from the profile.
  void LoadIndexedNames();

  // Write stamps per folder: the last add/remove, and the last change of
  // each filter column (ColumnBit order).
  struct FolderStamps {
    uint64_t members = 0;
    std::array<uint64_t, kItemColumnCount> columns{};
  };

  struct Handler {
    Subscription id;
    int64_t folderId;
    EventKind kind;
    std::function<void(int64_t)> fn;
  };
  struct PendingEvent {
    EventKind kind;
    int64_t folderId;
    int64_t itemId;
    uint32_t columns;
  };

  std::string path_;
  int lockFd_ = -1;
  std::unique_ptr<SqliteDb> db_;
  std::string uid_;
  std::string storeId_;  // made of uid_, which a profile keeps for life
  std::string itemIdPrefix_;  // what every item's entry id begins with
  int64_t rootId_ = 0;
  int64_t nextItemId_ = 1;
  std::map<int, int64_t> defaultFolders_;
  // The lowercased user property names kept in the user_index table.
  std::set<std::string, std::less<>> indexedNames_;
  std::map<int64_t, FolderRow> folderCache_;
  Poster poster_;
  std::function<Date()> clock_;
  std::shared_ptr<StoreWriteHook> hook_;
  std::function<void()> commitListener_;
  bool inWrite_ = false;
  bool lastRunUnclean_ = false;
  bool markedRunning_ = false;  // "running" is set in the profile by this session
  uint64_t stamp_ = 0;
  // Counts the writes begun and undone: what a read found stays true while
  // it is unchanged.
  uint64_t writes_ = 0;
  std::vector<int64_t> lastFound_;
  uint64_t lastFoundAt_ = UINT64_MAX;
  // The row of the item that the last search by user property found alone,
  // read with the search: its caller nearly always opens that item next
  // (a received change replaces the copy it found). Holds for the first
  // opening while `writes` is the store's count of writes.
  struct FoundRow {
    int64_t id = 0;
    uint64_t writes = UINT64_MAX;
    int64_t folderId = 0;
    int64_t cls = 0;
    std::optional<int64_t> lastMod;
    Bytes data;
    Bytes props;
    bool hasAttachments = false;
  };
  FoundRow foundRow_;
  // The number of items of a folder counted before, kept up to date by the
  // saves since (also those of an open write); forgotten at any other
  // change of a folder's items (a move or removal by a handle that may
  // know an older folder, a folder's deletion, an undone write).
  std::map<int64_t, int64_t> itemCounts_;
  std::map<int64_t, FolderStamps> folderStamps_;
  std::vector<PendingEvent> pending_;
  std::vector<int64_t> emptiedFolders_;
  std::vector<Handler> handlers_;
  std::map<Subscription, std::function<void()>> newMailHandlers_;
  Subscription nextSubscription_ = 1;
};

}  // namespace platform::detail
