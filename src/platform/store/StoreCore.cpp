#include "platform/store/StoreCore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <random>
#include <unordered_map>

#include "platform/Error.h"
#include "platform/Text.h"
#include "platform/store/Item.h"
#include "platform/store/ItemCodec.h"
#include "platform/store/ItemProperties.h"

namespace platform::detail {

namespace {

// "ZTBS": marks a file as a profile database of this system.
constexpr int64_t kApplicationId = 0x5A544253;
// 1: folders, items, user properties, attachments. 2: received mails. 3: Drafts.
// 4: keyed queues of records (ProfileQueue). 5: user properties in the item's
// row, indexed only under the names searched for (user_index). 6: item data
// and user properties in their compact form (ItemCodec); rows of the
// earlier form still read and take the new one when next saved, and an
// older program refuses the profile instead of finding its rows damaged.
// 7: user_index rows keyed by a hash of name and value (IndexKey), rebuilt
// from the items' user properties. 8: items indexed by subject alone.
constexpr int64_t kSchemaVersion = 8;
// The write-ahead log is folded into the database every 1,000 pages (8 MB)
// and cut back to this size afterwards, so it never grows without bound.
constexpr int64_t kWalSizeLimit = 4 * 1024 * 1024;
// Message-IDs of received mails kept for recognising a second copy.
constexpr int64_t kReceivedKept = 20000;
constexpr const char* kRootName = "Personal Folders";

struct DefaultFolderSpec {
  int type;
  const char* name;
};
constexpr DefaultFolderSpec kDefaultFolders[] = {
    {olFolderInbox, "Inbox"},           {olFolderOutbox, "Outbox"},     {olFolderSentMail, "Sent Items"},
    {olFolderDeletedItems, "Deleted Items"}, {olFolderCalendar, "Calendar"}, {olFolderContacts, "Contacts"},
    {olFolderDrafts, "Drafts"},
};

int DefaultItemTypeOf(int folderType) {
  if (folderType == olFolderCalendar) return olAppointmentItem;
  if (folderType == olFolderContacts) return olContactItem;
  return olMailItem;
}

// Sixteen upper-case hex digits (written by hand: every item read names
// its entry id).
void AppendHex16(std::string& out, int64_t v) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  const auto u = static_cast<unsigned long long>(v);
  char digits[16];
  for (int i = 0; i < 16; ++i) digits[i] = kDigits[(u >> (60 - 4 * i)) & 0xF];
  out.append(digits, sizeof digits);
}

std::string Hex16(int64_t v) {
  std::string out;
  AppendHex16(out, v);
  return out;
}

// The index row's key: a hash of the name and the value folded to lower
// case (values match without regard to letter case), so that finding and
// placing a row compares one integer per level instead of two texts.
int64_t IndexKey(std::string_view nameLower, std::string_view value) {
  uint64_t h = 14695981039346656037ull;
  auto mix = [&](unsigned char c) {
    h ^= c;
    h *= 1099511628211ull;
  };
  for (char c : nameLower) mix(static_cast<unsigned char>(c));
  mix(0x1F);
  for (char c : value) mix(static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c));
  return static_cast<int64_t>(h);
}

// The row's columns are read from the bag at every save: by number, each
// name looked up once.
SqlValue DateColumn(const PropMap& props, size_t number) {
  const PropValue* v = props.FindNumber(number);
  if (!v) return std::monostate();
  if (const auto* d = std::get_if<Date>(v)) return d->Seconds();
  return std::monostate();
}

SqlValue TextColumn(const PropMap& props, size_t number) {
  const PropValue* v = props.FindNumber(number);
  if (!v) return std::string();
  if (const auto* s = std::get_if<std::string>(v)) return *s;
  return std::string();
}

}  // namespace

std::shared_ptr<StoreCore> StoreCore::Open(const std::string& path, Poster poster) {
  std::shared_ptr<StoreCore> core(new StoreCore);
  core->path_ = path;
  core->poster_ = std::move(poster);

  const std::string lockPath = path + ".lock";
  core->lockFd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (core->lockFd_ < 0)
    throw Error("cannot create the lock file " + lockPath + " of profile " + path + ": " + std::strerror(errno));
  if (::flock(core->lockFd_, LOCK_EX | LOCK_NB) != 0) {
    ::close(core->lockFd_);
    core->lockFd_ = -1;
    throw Error("profile " + path + " is in use by another process");
  }
  try {
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0) {
      CreateFile(path);
    } else if (st.st_size == 0) {
      // Never made by this program (creation renames a complete file into
      // place): replacing it would give the profile a new store key and
      // hide everything kept under the old one.
      throw Error("profile " + path + " is an empty file (0 bytes), not a profile database; restore it from a " +
                  "backup or remove it and create the profile again");
    }
    core->db_ = std::make_unique<SqliteDb>(path, false);
    // The flock above already keeps every other process out, so SQLite's own
    // per-transaction file locks and the shared-memory WAL index are not
    // needed; this must be set before the first access to the file.
    // Every write inside a batch runs under a savepoint; its undo journal
    // stays in memory (see SqliteDb).
    // A batch of thousands of saves touches index pages all over the file;
    // with SQLite's default cache (2 MB) it would write pages out to the log
    // in the middle of the transaction and read them back. The cache is
    // filled only as pages are read, up to 64 MB.
    core->db_->Exec("PRAGMA locking_mode=EXCLUSIVE; PRAGMA cache_size=-65536");
    core->CheckSchema();
    // A session that never closed leaves "running" set; the unclean end is
    // kept apart from it, so that it stays reported - also through later
    // sessions that close cleanly, such as a tool that only reads - until
    // the one who repairs it acknowledges it.
    if (core->Meta("running") == "1") core->SetMeta("unclean", "1");
    core->lastRunUnclean_ = core->Meta("unclean") == "1";
    core->SetMeta("running", "1");
    core->markedRunning_ = true;
  } catch (...) {
    core->Close();
    throw;
  }
  return core;
}

void StoreCore::CreateFile(const std::string& path) {
  const std::string building = path + ".new";
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) ::unlink((building + suffix).c_str());
  {
    std::shared_ptr<StoreCore> core(new StoreCore);
    core->path_ = building;
    core->db_ = std::make_unique<SqliteDb>(building, true);
    core->db_->Exec("PRAGMA locking_mode=EXCLUSIVE");
    core->CreateSchema();
    core->Upgrade(1);
    // Leave one self-contained file: no write-ahead log beside it.
    core->db_->Exec("PRAGMA journal_mode=DELETE");
    core->db_.reset();
  }
  const int fd = ::open(building.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 || ::fsync(fd) != 0) {
    const int err = errno;
    if (fd >= 0) ::close(fd);
    throw Error("cannot sync the new profile " + building + ": " + std::strerror(err));
  }
  ::close(fd);
  if (::rename(building.c_str(), path.c_str()) != 0)
    throw Error("cannot move the new profile " + building + " into place: " + std::strerror(errno));
  std::string folder = path.substr(0, path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/'));
  if (folder.empty()) folder = ".";
  const int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

void StoreCore::AcknowledgeUncleanEnd() {
  if (!lastRunUnclean_) return;
  SetMeta("unclean", "0");
  lastRunUnclean_ = false;
}

StoreCore::~StoreCore() { Close(); }

void StoreCore::Close() {
  if (db_ && markedRunning_) {
    markedRunning_ = false;
    // A clean end: the next session need not suspect a crash, and the
    // write-ahead log is folded in and emptied.
    try {
      SetMeta("running", "0");
      db_->Exec("PRAGMA wal_checkpoint(TRUNCATE)");
    } catch (const Error&) {  // closing goes on; the next open sees an unclean end
    }
  }
  db_.reset();
  folderCache_.clear();
  if (lockFd_ >= 0) {
    ::flock(lockFd_, LOCK_UN);
    ::close(lockFd_);
    lockFd_ = -1;
  }
  handlers_.clear();
  newMailHandlers_.clear();
}

SqliteDb& StoreCore::Db() {
  if (!db_) throw Error("profile " + path_ + " is closed");
  return *db_;
}

void StoreCore::CreateSchema() {
  SqliteDb& db = *db_;
  db.Exec("PRAGMA page_size=8192; PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL");
  std::random_device rd;
  std::string uid;
  for (int i = 0; i < 4; ++i) uid += Hex16(rd()).substr(8);
  uid_ = uid;
  storeId_ = "00000000" + uid_ + "00";
  itemIdPrefix_ = "00000000" + uid_ + "02";
  db.Exec("BEGIN IMMEDIATE");
  try {
    db.Exec(
        "CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT NOT NULL);"
        "CREATE TABLE folders(id INTEGER PRIMARY KEY AUTOINCREMENT, parent_id INTEGER NOT NULL,"
        " name TEXT NOT NULL, folder_type INTEGER NOT NULL, default_item_type INTEGER NOT NULL,"
        " web_view_url TEXT NOT NULL DEFAULT '', web_view_on INTEGER NOT NULL DEFAULT 0);"
        "CREATE INDEX folders_parent ON folders(parent_id, name);"
        "CREATE TABLE items(id INTEGER PRIMARY KEY, folder_id INTEGER NOT NULL,"
        " class INTEGER NOT NULL, message_class TEXT COLLATE NOCASE, subject TEXT COLLATE NOCASE,"
        " full_name TEXT COLLATE NOCASE, start_time INTEGER, end_time INTEGER, last_mod INTEGER,"
        " creation INTEGER, received INTEGER, global_id BLOB, data BLOB NOT NULL);"
        "CREATE INDEX items_folder_lastmod ON items(folder_id, last_mod);"
        "CREATE INDEX items_folder_subject ON items(folder_id, subject);"

        "CREATE INDEX items_global ON items(global_id) WHERE global_id IS NOT NULL;"
        "CREATE TABLE user_props(item_id INTEGER NOT NULL, ord INTEGER NOT NULL, name TEXT NOT NULL,"
        " name_lower TEXT NOT NULL, type INTEGER NOT NULL, value TEXT NOT NULL,"
        " PRIMARY KEY(item_id, ord)) WITHOUT ROWID;"
        "CREATE INDEX user_props_value ON user_props(name_lower, value COLLATE NOCASE);"
        "CREATE TABLE attachments(item_id INTEGER NOT NULL, ord INTEGER NOT NULL, display_name TEXT NOT NULL,"
        " file_name TEXT NOT NULL, path_name TEXT NOT NULL, type INTEGER NOT NULL, position INTEGER NOT NULL,"
        " data BLOB, PRIMARY KEY(item_id, ord));");
    db.Exec("PRAGMA application_id=" + std::to_string(kApplicationId) + "; PRAGMA user_version=1");
    auto addFolder = [&](int64_t parent, const std::string& name, int type) {
      Stmt s = db.Prepare(
          "INSERT INTO folders(parent_id, name, folder_type, default_item_type) VALUES(?, ?, ?, ?)");
      s.Bind(1, parent).Bind(2, name).Bind(3, int64_t{type}).Bind(4, int64_t{DefaultItemTypeOf(type)});
      s.Step();
      return db.LastInsertRowid();
    };
    rootId_ = addFolder(0, kRootName, 0);
    for (const auto& f : kDefaultFolders) defaultFolders_[f.type] = addFolder(rootId_, f.name, f.type);
    auto meta = [&](const std::string& k, const std::string& v) {
      Stmt s = db.Prepare("INSERT INTO meta(key, value) VALUES(?, ?)");
      s.Bind(1, k).Bind(2, v);
      s.Step();
    };
    meta("store_uid", uid_);
    meta("root", std::to_string(rootId_));
    for (const auto& [type, id] : defaultFolders_) meta("folder." + std::to_string(type), std::to_string(id));
    db.Exec("COMMIT");
  } catch (...) {
    try {
      db.Exec("ROLLBACK");
    } catch (const Error&) {  // the first error is the one worth reporting
    }
    throw;
  }
}

void StoreCore::CheckSchema() {
  SqliteDb& db = *db_;
  int64_t appId = 0;
  int64_t version = 0;
  try {
    appId = db.QueryInt("PRAGMA application_id");
    version = db.QueryInt("PRAGMA user_version");
  } catch (const Error& e) {
    throw Error("profile " + path_ + " is damaged or no profile database (" + e.what() + ")");
  }
  if (appId != kApplicationId) throw Error("profile " + path_ + " is no profile database of this program");
  if (version > kSchemaVersion)
    throw Error("profile " + path_ + " was written by a newer version of this program (profile version " +
                std::to_string(version) + ", this program reads up to " + std::to_string(kSchemaVersion) + ")");
  if (version < 1) throw Error("profile " + path_ + " is damaged (profile version " + std::to_string(version) + ")");
  try {
    db.Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA journal_size_limit=" +
            std::to_string(kWalSizeLimit));
    Upgrade(version);
    LoadIndexedNames();
    uid_ = Meta("store_uid");
    storeId_ = "00000000" + uid_ + "00";
    itemIdPrefix_ = "00000000" + uid_ + "02";
    rootId_ = std::stoll(Meta("root"));
    const std::string next = Meta("item_next");
    nextItemId_ = std::max<int64_t>(db.QueryInt("SELECT MAX(id) FROM items") + 1, next.empty() ? 1 : std::stoll(next));
    for (const auto& f : kDefaultFolders) defaultFolders_[f.type] = std::stoll(Meta("folder." + std::to_string(f.type)));
  } catch (const std::exception& e) {
    throw Error("profile " + path_ + " is damaged (" + e.what() + ")");
  }
  if (uid_.size() != 32) throw Error("profile " + path_ + " is damaged (store id)");
}

void StoreCore::Upgrade(int64_t from) {
  SqliteDb& db = *db_;
  for (int64_t v = from; v < kSchemaVersion; ++v) {
    db.Exec("BEGIN IMMEDIATE");
    try {
      if (v == 1)
        db.Exec("CREATE TABLE received(message_id TEXT PRIMARY KEY, seq INTEGER NOT NULL);"
                "CREATE INDEX received_seq ON received(seq);");
      if (v == 2) AddDefaultFolderIfMissing(olFolderDrafts, "Drafts");
      if (v == 3)
        db.Exec("CREATE TABLE queued(queue TEXT NOT NULL, key TEXT NOT NULL, seq INTEGER NOT NULL,"
                " value BLOB NOT NULL, PRIMARY KEY(queue, key)) WITHOUT ROWID;"
                "CREATE INDEX queued_seq ON queued(queue, seq);");
      if (v == 4) {
        db.Exec("ALTER TABLE items ADD COLUMN props BLOB;"
                "CREATE TABLE user_index_names(name_lower TEXT PRIMARY KEY) WITHOUT ROWID;"
                "CREATE TABLE user_index(name_lower TEXT NOT NULL, value TEXT NOT NULL COLLATE NOCASE,"
                " item_id INTEGER NOT NULL, PRIMARY KEY(name_lower, value, item_id)) WITHOUT ROWID;");
        MoveUserPropsIntoItems();
        db.Exec("DROP TABLE user_props");
      }
      if (v == 6) {
        db.Exec("DROP TABLE user_index;"
                "CREATE TABLE user_index(key INTEGER NOT NULL, item_id INTEGER NOT NULL, name_lower TEXT NOT NULL,"
                " value TEXT NOT NULL COLLATE NOCASE, PRIMARY KEY(key, item_id, name_lower)) WITHOUT ROWID;");
        LoadIndexedNames();
        IndexItems(indexedNames_);
      }
      // The subject index without the folder: a move to another folder (every
      // deletion is one) leaves it alone.
      if (v == 7)
        db.Exec("DROP INDEX IF EXISTS items_folder_subject;"
                "CREATE INDEX IF NOT EXISTS items_subject ON items(subject);");
      db.Exec("PRAGMA user_version=" + std::to_string(v + 1));
      db.Exec("COMMIT");
    } catch (...) {
      try {
        db.Exec("ROLLBACK");
      } catch (const Error&) {  // the first error is the one worth reporting
      }
      throw;
    }
  }
}

void StoreCore::MoveUserPropsIntoItems() {
  SqliteDb& db = *db_;
  Stmt read = db.Prepare("SELECT item_id, name, value, type FROM user_props ORDER BY item_id, ord");
  std::vector<std::shared_ptr<UserPropData>> props;
  int64_t item = 0;
  auto flush = [&] {
    if (props.empty()) return;
    Stmt write = db.Prepare("UPDATE items SET props = ? WHERE id = ?");
    write.Bind(1, SqlValue(EncodeUserProps(props))).Bind(2, item);
    write.Step();
    props.clear();
  };
  while (read.Step()) {
    if (read.Int(0) != item) {
      flush();
      item = read.Int(0);
    }
    auto p = std::make_shared<UserPropData>();
    p->name = read.Text(1);
    p->value = read.Text(2);
    p->type = static_cast<OlUserPropertyType>(read.Int(3));
    props.push_back(std::move(p));
  }
  flush();
}

void StoreCore::LoadIndexedNames() {
  indexedNames_.clear();
  Stmt s = Db().Prepare("SELECT name_lower FROM user_index_names");
  while (s.Step()) indexedNames_.insert(s.Text(0));
}

void StoreCore::AddDefaultFolderIfMissing(int type, const std::string& name) {
  SqliteDb& db = *db_;
  const std::string key = "folder." + std::to_string(type);
  Stmt has = db.Prepare("SELECT 1 FROM meta WHERE key = ?");
  has.Bind(1, key);
  if (has.Step()) return;
  const int64_t root = std::stoll(Meta("root"));
  Stmt add = db.Prepare("INSERT INTO folders(parent_id, name, folder_type, default_item_type) VALUES(?, ?, ?, ?)");
  add.Bind(1, root).Bind(2, name).Bind(3, int64_t{type}).Bind(4, int64_t{DefaultItemTypeOf(type)});
  add.Step();
  Stmt meta = db.Prepare("INSERT INTO meta(key, value) VALUES(?, ?)");
  meta.Bind(1, key).Bind(2, std::to_string(db.LastInsertRowid()));
  meta.Step();
}

bool StoreCore::IsReceived(const std::string& messageId) {
  Stmt s = Db().Prepare("SELECT 1 FROM received WHERE message_id = ?");
  s.Bind(1, messageId);
  return s.Step();
}

void StoreCore::MarkReceived(const std::string& messageId) {
  Write([&] {
    SqliteDb& db = Db();
    const int64_t seq = db.QueryInt("SELECT IFNULL(MAX(seq), 0) FROM received") + 1;
    Stmt add = db.Prepare("INSERT OR IGNORE INTO received(message_id, seq) VALUES(?, ?)");
    add.Bind(1, messageId).Bind(2, seq);
    WriteStep(add);
    if (seq % 1000 == 0) {
      Stmt prune = db.Prepare("DELETE FROM received WHERE seq <= ?");
      prune.Bind(1, seq - kReceivedKept);
      WriteStep(prune);
    }
  });
}

// --- writes -----------------------------------------------------------------

void StoreCore::Write(const std::function<void()>& fn) {
  SqliteDb& db = Db();
  ++writes_;
  if (inWrite_) {
    // A write inside a batch: a savepoint keeps it all-or-nothing on its
    // own, so that a caller who catches its failure and goes on commits no
    // half of it with the rest of the batch.
    const size_t events = pending_.size();
    const size_t emptied = emptiedFolders_.size();
    db.Prepare("SAVEPOINT nested_write").Step();
    try {
      fn();
      db.Prepare("RELEASE nested_write").Step();
    } catch (...) {
      ++writes_;
      pending_.resize(events);
      emptiedFolders_.resize(emptied);
      folderCache_.clear();
      itemCounts_.clear();
      try {
        db.Prepare("ROLLBACK TO nested_write").Step();
        db.Prepare("RELEASE nested_write").Step();
      } catch (const Error&) {  // the transaction is gone already; the first error matters
      }
      throw;
    }
    return;
  }
  db.Prepare("BEGIN IMMEDIATE").Step();
  inWrite_ = true;
  try {
    fn();
    db.Prepare("COMMIT").Step();
  } catch (...) {
    ++writes_;
    inWrite_ = false;
    pending_.clear();
    emptiedFolders_.clear();
    folderCache_.clear();
    itemCounts_.clear();
    try {
      db.Prepare("ROLLBACK").Step();
      // A name indexed inside the write is gone with it.
      LoadIndexedNames();
    } catch (const Error&) {  // the transaction is gone already; the first error matters
    }
    throw;
  }
  inWrite_ = false;
  std::vector<PendingEvent> events;
  events.swap(pending_);
  for (const auto& ev : events) {
    FolderStamps& f = folderStamps_[ev.folderId];
    ++stamp_;
    if (ev.kind != EventKind::Change) f.members = stamp_;
    for (int i = 0; i < kItemColumnCount; ++i)
      if (ev.columns & (1u << i)) f.columns[static_cast<size_t>(i)] = stamp_;
  }
  for (int64_t id : emptiedFolders_) folderStamps_[id].members = ++stamp_;
  emptiedFolders_.clear();
  if (poster_) {
    std::weak_ptr<StoreCore> weak = weak_from_this();
    for (const auto& ev : events) {
      poster_([weak, ev] {
        if (auto core = weak.lock()) core->Deliver(ev.kind, ev.folderId, ev.itemId);
      });
    }
  }
  // Work that waits for a commit (mail queued inside it) may go now.
  if (commitListener_) commitListener_();
}

void StoreCore::WriteStep(Stmt& stmt) {
  if (hook_) hook_->BeforeWrite(stmt.Sql());
  stmt.Step();
}

void StoreCore::QueueEvent(EventKind kind, int64_t folderId, int64_t itemId, uint32_t columns) {
  pending_.push_back({kind, folderId, itemId, columns});
}

// --- identity ---------------------------------------------------------------

std::string StoreCore::ItemEntryID(int64_t id) const {
  std::string out;
  out.reserve(itemIdPrefix_.size() + 16);
  out.append(itemIdPrefix_);
  AppendHex16(out, id);
  return out;
}
std::string StoreCore::FolderEntryID(int64_t id) const { return "00000000" + uid_ + "01" + Hex16(id); }

namespace {
std::optional<int64_t> ParseEntryID(const std::string& entryId, std::string_view prefix) {
  if (entryId.size() != prefix.size() + 16 || entryId.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  int64_t v = 0;
  for (size_t i = prefix.size(); i < entryId.size(); ++i) {
    char c = entryId[i];
    int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
    if (d < 0) return std::nullopt;
    v = v * 16 + d;
  }
  return v;
}
}  // namespace

std::optional<int64_t> StoreCore::ParseItemEntryID(const std::string& entryId) const {
  return ParseEntryID(entryId, itemIdPrefix_);
}
std::optional<int64_t> StoreCore::ParseFolderEntryID(const std::string& entryId) const {
  return ParseEntryID(entryId, "00000000" + uid_ + "01");
}

// --- folders ----------------------------------------------------------------

int64_t StoreCore::DefaultFolderId(int type) const {
  auto it = defaultFolders_.find(type);
  if (it == defaultFolders_.end()) throw Error("no default folder of type " + std::to_string(type));
  return it->second;
}

FolderRow StoreCore::GetFolder(int64_t id) {
  if (auto it = folderCache_.find(id); it != folderCache_.end()) return it->second;
  Stmt s = Db().Prepare(
      "SELECT parent_id, name, folder_type, default_item_type, web_view_url, web_view_on FROM folders WHERE id = ?");
  s.Bind(1, id);
  if (!s.Step()) throw Error("folder " + FolderEntryID(id) + " no longer exists in profile " + path_);
  FolderRow r;
  r.id = id;
  r.parentId = s.Int(0);
  r.name = s.Text(1);
  r.folderType = static_cast<int>(s.Int(2));
  r.defaultItemType = static_cast<int>(s.Int(3));
  r.webViewUrl = s.Text(4);
  r.webViewOn = s.Int(5) != 0;
  folderCache_.emplace(id, r);
  return r;
}

std::vector<int64_t> StoreCore::ChildFolders(int64_t parentId) {
  Stmt s = Db().Prepare("SELECT id FROM folders WHERE parent_id = ? ORDER BY name, id");
  s.Bind(1, parentId);
  std::vector<int64_t> ids;
  while (s.Step()) ids.push_back(s.Int(0));
  return ids;
}

namespace {
bool HasChildNamed(SqliteDb& db, int64_t parentId, const std::string& name) {
  Stmt s = db.Prepare("SELECT 1 FROM folders WHERE parent_id = ? AND name = ?");
  s.Bind(1, parentId).Bind(2, name);
  return s.Step();
}
}  // namespace

int64_t StoreCore::AddFolder(int64_t parentId, const std::string& name, int folderType) {
  if (name.empty()) throw Error("a folder name must not be empty");
  GetFolder(parentId);
  if (HasChildNamed(Db(), parentId, name))
    throw Error("folder \"" + name + "\" exists already in " + GetFolder(parentId).name);
  int64_t id = 0;
  Write([&] {
    Stmt s = Db().Prepare(
        "INSERT INTO folders(parent_id, name, folder_type, default_item_type) VALUES(?, ?, ?, ?)");
    s.Bind(1, parentId).Bind(2, name).Bind(3, int64_t{folderType}).Bind(4, int64_t{DefaultItemTypeOf(folderType)});
    WriteStep(s);
    id = Db().LastInsertRowid();
  });
  return id;
}

void StoreCore::UpdateFolder(const FolderRow& row) {
  Write([&] {
    folderCache_.clear();
    Stmt s = Db().Prepare("UPDATE folders SET name = ?, web_view_url = ?, web_view_on = ? WHERE id = ?");
    s.Bind(1, row.name).Bind(2, row.webViewUrl).Bind(3, int64_t{row.webViewOn}).Bind(4, row.id);
    WriteStep(s);
  });
}

bool StoreCore::IsWithin(int64_t id, int64_t ancestor) {
  for (int64_t cur = id; cur != 0; cur = GetFolder(cur).parentId)
    if (cur == ancestor) return true;
  return false;
}

namespace {
bool IsProtected(int64_t id, int64_t rootId, const std::map<int, int64_t>& defaults) {
  if (id == rootId) return true;
  for (const auto& [type, fid] : defaults)
    if (fid == id) return true;
  return false;
}
}  // namespace

void StoreCore::DeleteFolder(int64_t id) {
  FolderRow row = GetFolder(id);
  if (IsProtected(id, rootId_, defaultFolders_))
    throw Error("folder \"" + row.name + "\" is a default folder and cannot be deleted");
  const int64_t deleted = DefaultFolderId(olFolderDeletedItems);
  if (IsWithin(id, deleted)) {
    Write([&] {
      KeepItemIdsUnused();
      DeleteFolderRows(id);
    });
    return;
  }
  // A folder of the same name may wait in Deleted Items already: the newcomer
  // gets a number appended, as the client does.
  std::string name = row.name;
  for (int n = 1; HasChildNamed(Db(), deleted, name); ++n) name = row.name + std::to_string(n);
  Write([&] {
    folderCache_.clear();
    Stmt s = Db().Prepare("UPDATE folders SET parent_id = ?, name = ? WHERE id = ?");
    s.Bind(1, deleted).Bind(2, name).Bind(3, id);
    WriteStep(s);
  });
}

void StoreCore::DeleteFolderRows(int64_t id) {
  folderCache_.clear();
  itemCounts_.clear();
  for (int64_t child : ChildFolders(id)) DeleteFolderRows(child);
  emptiedFolders_.push_back(id);
  if (!indexedNames_.empty()) {
    Stmt items = Db().Prepare("SELECT id FROM items WHERE folder_id = ? AND props IS NOT NULL");
    items.Bind(1, id);
    std::vector<int64_t> ids;
    while (items.Step()) ids.push_back(items.Int(0));
    for (int64_t item : ids) UnindexItem(item);
  }
  for (const char* sql : {"DELETE FROM attachments WHERE item_id IN (SELECT id FROM items WHERE folder_id = ?)",
                          "DELETE FROM items WHERE folder_id = ?", "DELETE FROM folders WHERE id = ?"}) {
    Stmt s = Db().Prepare(sql);
    s.Bind(1, id);
    WriteStep(s);
  }
}

void StoreCore::MoveFolder(int64_t id, int64_t destination) {
  FolderRow row = GetFolder(id);
  if (IsProtected(id, rootId_, defaultFolders_))
    throw Error("folder \"" + row.name + "\" is a default folder and cannot be moved");
  if (IsWithin(destination, id)) throw Error("folder \"" + row.name + "\" cannot be moved below itself");
  if (row.parentId == destination) return;
  if (HasChildNamed(Db(), destination, row.name))
    throw Error("folder \"" + row.name + "\" exists already in " + GetFolder(destination).name);
  Write([&] {
    folderCache_.clear();
    Stmt s = Db().Prepare("UPDATE folders SET parent_id = ? WHERE id = ?");
    s.Bind(1, destination).Bind(2, id);
    WriteStep(s);
  });
}

// --- items ------------------------------------------------------------------

std::shared_ptr<ItemState> StoreCore::NewItemState(int64_t folderId, OlObjectClass cls) {
  auto st = std::make_shared<ItemState>();
  st->folderId = folderId;
  st->cls = cls;
  st->props["MessageClass"] = DefaultMessageClass(cls);
  if (cls == olAppointment) {
    // A new appointment starts at the next half hour and lasts 30 minutes,
    // as the client's new-appointment form does.
    const int64_t half = 1800;
    Date start = Date::FromSeconds((Now().Seconds() / half + 1) * half);
    st->props["Start"] = start;
    st->props["End"] = Date::FromSeconds(start.Seconds() + half);
  }
  return st;
}

std::shared_ptr<ItemState> StoreCore::StateFor(int64_t id, bool checkExists) {
  auto foundJustNow = [&] {
    return lastFoundAt_ == writes_ && std::find(lastFound_.begin(), lastFound_.end(), id) != lastFound_.end();
  };
  if (checkExists && !foundJustNow()) {
    Stmt s = Db().Prepare("SELECT 1 FROM items WHERE id = ?");
    s.Bind(1, id);
    if (!s.Step()) return nullptr;
  }
  auto st = std::make_shared<ItemState>();
  st->id = id;
  st->loaded = false;
  st->dirty = false;
  return st;
}

namespace {

// The item row's columns from `c` on: folder_id, class, data, last_mod,
// props. The attachments are left to be read.
// Names an item's stored bytes by its entry id, when they are malformed.
DataPlace EntryIdPlace(const StoreCore& core, int64_t id) {
  return DataPlace([&core, id] { return core.ItemEntryID(id); });
}

void ReadItemColumns(int64_t folderId, int64_t cls, const void* data, size_t dataSize, std::optional<int64_t> lastMod,
                     const void* props, size_t propsSize, ItemState& state, const DataPlace& where) {
  state.folderId = folderId;
  state.cls = static_cast<OlObjectClass>(cls);
  DecodeItem(data, dataSize, state, where);
  // The column is the item's LastModificationTime: saves keep it out of the
  // data, and Move stamps the column alone. (Data written by older versions
  // still holds one, which the column overrides.)
  static const size_t kLastMod = PropNumber("LastModificationTime");
  if (lastMod) state.props.ByNumber(kLastMod) = Date::FromSeconds(*lastMod);
  state.userProps = DecodeUserProps(props, propsSize, where);
  state.attachments.clear();
  state.storedAttachmentOrds.clear();
}

void ReadItemRow(const Stmt& s, int c, ItemState& state, const DataPlace& where) {
  ReadItemColumns(s.Int(c), s.Int(c + 1), s.BlobData(c + 2), s.BlobSize(c + 2),
                  s.IsNull(c + 3) ? std::nullopt : std::optional<int64_t>(s.Int(c + 3)), s.BlobData(c + 4),
                  s.BlobSize(c + 4), state, where);
}

// The attachment columns ReadAttachment takes; length() of a blob comes from
// the row header: the bytes stay unread.
constexpr const char* kAttachmentColumns = "display_name, file_name, path_name, type, position, length(data), ord";

}  // namespace

void StoreCore::ReadAttachment(const Stmt& s, int c, ItemState& state) {
  auto a = std::make_shared<AttachmentData>();
  a->displayName = s.Text(c);
  a->fileName = s.Text(c + 1);
  a->pathName = s.Text(c + 2);
  a->type = static_cast<OlAttachmentType>(s.Int(c + 3));
  a->position = static_cast<int>(s.Int(c + 4));
  a->size = static_cast<size_t>(s.Int(c + 5));
  a->ord = s.Int(c + 6);
  a->changed = false;
  a->dataLoaded = false;
  a->loadData = [weak = weak_from_this(), item = state.id, ord = a->ord, path = path_]() -> Bytes {
    auto core = weak.lock();
    if (!core) throw Error("profile " + path + " is closed");
    return core->ReadAttachmentData(item, ord);
  };
  state.storedAttachmentOrds.push_back(a->ord);
  state.attachments.push_back(std::move(a));
}

void StoreCore::Load(ItemState& state) {
  SqliteDb& db = Db();
  const auto where = [this, id = state.id] { return "item " + ItemEntryID(id) + " of profile " + path_; };
  bool hasAttachments = false;
  if (foundRow_.id == state.id && foundRow_.writes == writes_) {
    // Read with the search that found it; the first handle opened takes it.
    FoundRow& r = foundRow_;
    r.id = 0;
    hasAttachments = r.hasAttachments;
    ReadItemColumns(r.folderId, r.cls, r.data.data(), r.data.size(), r.lastMod, r.props.data(), r.props.size(),
                    state, DataPlace(where));
    state.stored =
        ItemState::StoredRow{writes_, std::move(r.data), std::move(r.props), state.cls, r.lastMod.value_or(0)};
  } else {
    // Whether the item has attachments comes with its row: most have none,
    // and their query is then not run.
    Stmt s = db.Prepare(
        "SELECT folder_id, class, data, last_mod, props,"
        " EXISTS(SELECT 1 FROM attachments WHERE item_id = items.id) FROM items WHERE id = ?");
    s.Bind(1, state.id);
    if (!s.Step()) throw Error(where() + " no longer exists");
    hasAttachments = s.Int(5) != 0;
    ReadItemRow(s, 0, state, DataPlace(where));
    const auto* data = static_cast<const uint8_t*>(s.BlobData(2));
    const auto* props = static_cast<const uint8_t*>(s.BlobData(4));
    state.stored = ItemState::StoredRow{writes_, Bytes(data, data + s.BlobSize(2)),
                                        Bytes(props, props + s.BlobSize(4)), state.cls, s.Int(3)};
  }
  if (hasAttachments) {
    Stmt s = db.Prepare(std::string("SELECT ") + kAttachmentColumns + " FROM attachments WHERE item_id = ? ORDER BY ord");
    s.Bind(1, state.id);
    while (s.Step()) ReadAttachment(s, 0, state);
  }
  state.loaded = true;
  state.dirty = false;
}

void StoreCore::LoadMany(const std::vector<ItemState*>& states) {
  std::vector<ItemState*> todo;
  for (ItemState* st : states)
    if (!st->loaded && st->id != 0) todo.push_back(st);
  std::sort(todo.begin(), todo.end(), [](const ItemState* a, const ItemState* b) { return a->id < b->id; });
  // Ids close together (items saved one after another, as a queue usually
  // names them) are read as one range of rows, skipping the few rows
  // between them that were not asked for; an id far from the others is a
  // range of its own.
  constexpr size_t kRunItems = 256;
  SqliteDb& db = Db();
  std::unordered_multimap<int64_t, ItemState*> run;  // an id given twice has two states
  for (size_t first = 0; first < todo.size();) {
    run.clear();
    const int64_t lo = todo[first]->id;
    int64_t hi = lo;
    for (; first < todo.size() && run.size() < kRunItems; ++first) {
      const int64_t id = todo[first]->id;
      if (id - lo >= static_cast<int64_t>(2 * run.size() + 16)) break;
      run.emplace(id, todo[first]);
      hi = id;
    }
    auto forEachWanted = [&](int64_t id, const auto& fn) {
      for (auto [it, end] = run.equal_range(id); it != end; ++it) fn(*it->second);
    };
    std::vector<ItemState*> found;
    {
      Stmt s = db.Prepare("SELECT id, folder_id, class, data, last_mod, props FROM items WHERE id BETWEEN ? AND ?");
      s.Bind(1, lo).Bind(2, hi);
      while (s.Step()) {
        forEachWanted(s.Int(0), [&](ItemState& state) {
          ReadItemRow(s, 1, state,
                      DataPlace([this, id = state.id] { return "item " + ItemEntryID(id) + " of profile " + path_; }));
          found.push_back(&state);
        });
      }
    }
    {
      Stmt s = db.Prepare(std::string("SELECT item_id, ") + kAttachmentColumns +
                          " FROM attachments WHERE item_id BETWEEN ? AND ? ORDER BY item_id, ord");
      s.Bind(1, lo).Bind(2, hi);
      while (s.Step()) forEachWanted(s.Int(0), [&](ItemState& state) { ReadAttachment(s, 1, state); });
    }
    for (ItemState* st : found) {
      st->loaded = true;
      st->dirty = false;
    }
  }
}

Bytes StoreCore::ReadAttachmentData(int64_t itemId, int64_t ord) {
  Stmt s = Db().Prepare("SELECT data FROM attachments WHERE item_id = ? AND ord = ?");
  s.Bind(1, itemId).Bind(2, ord);
  if (!s.Step()) throw Error("an attachment of item " + ItemEntryID(itemId) + " no longer exists in profile " + path_);
  const auto* p = static_cast<const uint8_t*>(s.BlobData(0));
  return Bytes(p, p + s.BlobSize(0));
}

namespace {

bool Contains(const std::vector<int64_t>& ords, int64_t ord) {
  return std::find(ords.begin(), ords.end(), ord) != ords.end();
}

template <typename Part>
bool HasOrd(const std::vector<std::shared_ptr<Part>>& parts, int64_t ord) {
  for (const auto& p : parts)
    if (p->ord == ord) return true;
  return false;
}

int64_t MaxOrd(const std::vector<int64_t>& ords) {
  int64_t m = 0;
  for (int64_t o : ords) m = std::max(m, o);
  return m;
}

}  // namespace

StoreCore::NewOrds StoreCore::WriteParts(const ItemState& state, int64_t id, bool inserting) {
  SqliteDb& db = Db();
  NewOrds out;
  if (!inserting) {
    for (int64_t ord : state.storedAttachmentOrds) {
      if (HasOrd(state.attachments, ord)) continue;
      Stmt d = db.Prepare("DELETE FROM attachments WHERE item_id = ? AND ord = ?");
      d.Bind(1, id).Bind(2, ord);
      WriteStep(d);
    }
  }
  int64_t next = inserting ? 0 : MaxOrd(state.storedAttachmentOrds);
  for (const auto& a : state.attachments) {
    const bool stored = !inserting && a->ord != 0 && Contains(state.storedAttachmentOrds, a->ord);
    if (stored && !a->changed) continue;
    if (stored) {
      Stmt u = db.Prepare(
          "UPDATE attachments SET display_name = ?, file_name = ?, path_name = ?, type = ?, position = ?"
          " WHERE item_id = ? AND ord = ?");
      u.Bind(1, a->displayName).Bind(2, a->fileName).Bind(3, a->pathName).Bind(4, int64_t{a->type});
      u.Bind(5, int64_t{a->position}).Bind(6, id).Bind(7, a->ord);
      WriteStep(u);
      continue;
    }
    const int64_t ord = ++next;
    Stmt u = db.Prepare(
        "INSERT INTO attachments(item_id, ord, display_name, file_name, path_name, type, position, data)"
        " VALUES(?, ?, ?, ?, ?, ?, ?, ?)");
    u.Bind(1, id).Bind(2, ord).Bind(3, a->displayName).Bind(4, a->fileName).Bind(5, a->pathName);
    u.Bind(6, int64_t{a->type}).Bind(7, int64_t{a->position}).Bind(8, SqlValue(AttachmentBytes(*a)));
    WriteStep(u);
    out.emplace_back(a.get(), ord);
  }
  return out;
}

void StoreCore::PartsStored(ItemState& state, const NewOrds& ords) {
  for (const auto& [a, ord] : ords) a->ord = ord;
  state.storedAttachmentOrds.clear();
  for (const auto& a : state.attachments) {
    a->changed = false;
    state.storedAttachmentOrds.push_back(a->ord);
  }
}

void StoreCore::SaveItem(ItemState& state, std::optional<int64_t> toFolder) {
  const Date now = Now();
  const int64_t folder = toFolder.value_or(state.folderId);
  GetFolder(folder);
  // The state is saved as it is, not from a copy (copying every property
  // was a large part of a save's own cost); only the creation time of a
  // first save goes in beforehand, taken back when the save fails.
  std::optional<PropValue> creationBefore;
  const bool firstSave = state.id == 0;
  if (firstSave) {
    if (const PropValue* v = state.props.Find("CreationTime")) creationBefore = *v;
    state.props["CreationTime"] = now;
  }
  try {
    SaveItemRow(state, folder, now);
  } catch (...) {
    if (firstSave) {
      if (creationBefore)
        state.props["CreationTime"] = *creationBefore;
      else
        state.props.Erase("CreationTime");
    }
    throw;
  }
}

void StoreCore::SaveItemRow(ItemState& state, int64_t folder, Date now) {
  static const size_t kMessageClass = PropNumber("MessageClass"), kSubject = PropNumber("Subject"),
                      kFullName = PropNumber("FullName"), kStart = PropNumber("Start"), kEnd = PropNumber("End"),
                      kCreationTime = PropNumber("CreationTime"), kReceivedTime = PropNumber("ReceivedTime");
  Bytes blob = EncodeItem(state);
  Bytes propsBlob = EncodeUserProps(state.userProps);
  const SqlValue propsColumn = propsBlob.empty() ? SqlValue() : SqlValue(propsBlob);
  Bytes globalId;
  if (const PropValue* v = state.props.Find("GlobalObjectID"))
    if (const auto* b = std::get_if<Bytes>(v)) globalId = *b;

  int64_t id = state.id;
  // The row as this state knows it, when nothing was written since.
  const ItemState::StoredRow* known = state.stored && state.stored->writes == writes_ ? &*state.stored : nullptr;
  NewOrds ords;
  Write([&] {
    SqliteDb& db = Db();
    const bool inserting = id == 0;
    uint32_t changed = 0;
    // The filter columns first (in the order of the change-event columns),
    // then the folder, class and global id.
    const std::vector<SqlValue> after = {
        TextColumn(state.props, kMessageClass),          TextColumn(state.props, kSubject),
        TextColumn(state.props, kFullName),              DateColumn(state.props, kStart),
        DateColumn(state.props, kEnd),                   SqlValue(now.Seconds()),
        DateColumn(state.props, kCreationTime),          DateColumn(state.props, kReceivedTime),
        SqlValue(folder),                                SqlValue(int64_t{state.cls}),
        globalId.empty() ? SqlValue() : SqlValue(globalId)};
    static const char* const kColumns[] = {"message_class", "subject", "full_name", "start_time",
                                           "end_time",      "last_mod", "creation", "received",
                                           "folder_id",     "class",    "global_id"};
    constexpr size_t kLastModColumn = 5, kFolderColumn = 8, kClassColumn = 9;
    if (inserting) {
      id = state.reservedId != 0 ? state.reservedId : NewItemId();
      Stmt s = db.Prepare(
          "INSERT INTO items(message_class, subject, full_name, start_time, end_time, last_mod, creation, received,"
          " folder_id, class, global_id, data, id, props) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
      for (size_t i = 0; i < after.size(); ++i) s.BindView(static_cast<int>(i) + 1, after[i]);
      s.BindBlobView(12, blob).Bind(13, id).BindView(14, propsColumn);
      WriteStep(s);
      if (!indexedNames_.empty()) IndexUserProps(id, {}, IndexedValues(state.userProps));
      CountItemMoved(std::nullopt, folder);
    } else {
      // The columns as stored before: a column this save leaves alone is not
      // set again, so its indexes are not rewritten, and the change event
      // names only the filter columns that did change.
      std::vector<SqlValue> before;
      bool dataChanged = true;
      const uint8_t* oldProps = nullptr;
      size_t oldPropsSize = 0;
      Bytes readProps;
      if (known && known->data == blob) {
        // The same item data: every column taken from it is as stored. (A
        // save that changed only user properties, as an id cleared on the
        // way to Deleted Items, needs no read of the row.)
        dataChanged = false;
        before = after;
        before[kLastModColumn] = SqlValue(known->lastMod);
        before[kFolderColumn] = SqlValue(state.folderId);
        before[kClassColumn] = SqlValue(int64_t{known->cls});
        oldProps = known->props.data();
        oldPropsSize = known->props.size();
      } else {
        Stmt old = db.Prepare(
            "SELECT message_class, subject, full_name, start_time, end_time, last_mod, creation, received,"
            " folder_id, class, global_id, props, data FROM items WHERE id = ?");
        old.Bind(1, id);
        if (!old.Step()) throw Error("item " + ItemEntryID(id) + " no longer exists in profile " + path_);
        for (int i = 0; i < static_cast<int>(after.size()); ++i) {
          if (old.IsNull(i))
            before.emplace_back();
          else if (i < 3)
            before.emplace_back(old.Text(i));
          else if (i == 10) {
            const auto* p = static_cast<const uint8_t*>(old.BlobData(i));
            before.emplace_back(std::vector<uint8_t>(p, p + old.BlobSize(i)));
          } else
            before.emplace_back(old.Int(i));
        }
        const auto* p = static_cast<const uint8_t*>(old.BlobData(11));
        readProps.assign(p, p + old.BlobSize(11));
        oldProps = readProps.data();
        oldPropsSize = readProps.size();
        // A save that changed only user properties leaves the item data as it is.
        const size_t oldDataSize = old.BlobSize(12);
        dataChanged = oldDataSize != blob.size() || std::memcmp(old.BlobData(12), blob.data(), oldDataSize) != 0;
      }
      const bool propsChanged = oldPropsSize != propsBlob.size() ||
                                (oldPropsSize != 0 && std::memcmp(oldProps, propsBlob.data(), oldPropsSize) != 0);
      if (propsChanged && !indexedNames_.empty())
        IndexUserProps(id, IndexedValues(known ? known->props : readProps, id), IndexedValues(state.userProps));
      std::vector<size_t> set;
      for (size_t i = 0; i < after.size(); ++i) {
        if (before[i] == after[i]) continue;
        if (i < static_cast<size_t>(kItemColumnCount)) changed |= 1u << i;
        set.push_back(i);
      }
      // Every save stamps the row, even one within the same second that
      // changed nothing in it.
      if (set.empty() && !dataChanged && !propsChanged) set.push_back(kLastModColumn);
      // The statement for this set of columns, written once.
      uint32_t shape = (dataChanged ? 1u : 0u) | (propsChanged ? 2u : 0u);
      for (size_t i : set) shape |= 4u << i;
      static std::unordered_map<uint32_t, std::string> statements;
      std::string& sql = statements[shape];
      if (sql.empty()) {
        auto assign = [&](const char* column) {
          sql += std::string(sql.empty() ? "UPDATE items SET " : ", ") + column + " = ?";
        };
        if (dataChanged) assign("data");
        if (propsChanged) assign("props");
        for (size_t i : set) assign(kColumns[i]);
        sql += " WHERE id = ?";
      }
      Stmt s = db.Prepare(sql);
      int n = 1;
      if (dataChanged) s.BindBlobView(n++, blob);
      if (propsChanged) s.BindView(n++, propsColumn);
      for (size_t i : set) s.BindView(n++, after[i]);
      s.Bind(n, id);
      WriteStep(s);
      if (const auto* from = std::get_if<int64_t>(&before[kFolderColumn]); from && *from != folder)
        CountItemMoved(*from, folder);
    }
    ords = WriteParts(state, id, inserting);
    if (inserting) {
      QueueEvent(EventKind::Add, folder, id);
    } else if (folder != state.folderId) {
      QueueEvent(EventKind::Remove, state.folderId, id);
      QueueEvent(EventKind::Add, folder, id);
    } else {
      QueueEvent(EventKind::Change, folder, id, changed);
    }
  });
  PartsStored(state, ords);
  state.stored = ItemState::StoredRow{writes_, std::move(blob), std::move(propsBlob), state.cls, now.Seconds()};
  state.id = id;
  state.folderId = folder;
  state.props["LastModificationTime"] = now;
  state.dirty = false;
  state.loaded = true;
}

int64_t StoreCore::CopyItem(const ItemState& state, std::optional<int64_t> toFolder) {
  ItemState copy = state;
  copy.id = 0;
  copy.reservedId = 0;
  copy.master.reset();
  // The copy's parts are its own: the source's handles must not see them.
  copy.userProps = CopyParts(state.userProps);
  copy.attachments = CopyParts(state.attachments);
  copy.storedAttachmentOrds.clear();
  copy.recipients.clear();
  for (const auto& r : state.recipients) copy.recipients.push_back(std::make_shared<RecipientData>(*r));
  if (toFolder) copy.folderId = *toFolder;
  SaveItem(copy);
  return copy.id;
}

void StoreCore::MoveItem(ItemState& state, int64_t destination) {
  GetFolder(destination);
  if (destination == state.folderId) return;
  const Date now = Now();
  Write([&] {
    itemCounts_.clear();
    Stmt s = Db().Prepare("UPDATE items SET folder_id = ?, last_mod = ? WHERE id = ?");
    s.Bind(1, destination).Bind(2, now.Seconds()).Bind(3, state.id);
    WriteStep(s);
    QueueEvent(EventKind::Remove, state.folderId, state.id);
    QueueEvent(EventKind::Add, destination, state.id);
  });
  state.folderId = destination;
  if (state.loaded) state.props["LastModificationTime"] = now;
}

void StoreCore::KeepItemIdsUnused() {
  Stmt s = Db().Prepare("INSERT OR REPLACE INTO meta(key, value) VALUES('item_next', ?)");
  s.Bind(1, std::to_string(nextItemId_));
  WriteStep(s);
}

void StoreCore::RemoveItem(ItemState& state) {
  Write([&] {
    itemCounts_.clear();
    KeepItemIdsUnused();
    if (!indexedNames_.empty()) UnindexItem(state.id);
    for (const char* sql : {"DELETE FROM attachments WHERE item_id = ?", "DELETE FROM items WHERE id = ?"}) {
      Stmt s = Db().Prepare(sql);
      s.Bind(1, state.id);
      WriteStep(s);
    }
    QueueEvent(EventKind::Remove, state.folderId, state.id);
  });
  state.removed = true;
}

bool StoreCore::IsCurrent(const ItemQuery& q, uint64_t at) const {
  auto it = folderStamps_.find(q.folderId);
  if (it == folderStamps_.end()) return true;
  if (it->second.members > at) return false;
  const uint32_t columns = q.cond.columns | ColumnBit(q.sortColumn);
  for (int i = 0; i < kItemColumnCount; ++i)
    if ((columns & (1u << i)) && it->second.columns[static_cast<size_t>(i)] > at) return false;
  return true;
}

const std::vector<int64_t>& StoreCore::ListIds(ItemQuery& q) {
  if (q.listed && IsCurrent(q, q.stamp)) return q.ids;
  std::string sql = "SELECT id FROM items WHERE folder_id = ?";
  if (!q.cond.sql.empty()) sql += " AND " + q.cond.sql;
  sql += " ORDER BY ";
  if (!q.sortColumn.empty()) sql += q.sortColumn + (q.descending ? " DESC, " : ", ");
  sql += "id";
  Stmt s = Db().Prepare(sql);
  s.Bind(1, q.folderId);
  for (size_t i = 0; i < q.cond.binds.size(); ++i) s.Bind(static_cast<int>(i) + 2, q.cond.binds[i]);
  q.ids.clear();
  while (s.Step()) q.ids.push_back(s.Int(0));
  q.listed = true;
  q.stamp = stamp_;
  return q.ids;
}

void StoreCore::CountItemMoved(std::optional<int64_t> from, int64_t to) {
  if (from)
    if (auto it = itemCounts_.find(*from); it != itemCounts_.end()) --it->second;
  if (auto it = itemCounts_.find(to); it != itemCounts_.end()) ++it->second;
}

int StoreCore::CountIds(ItemQuery& q) {
  if (q.listed && IsCurrent(q, q.stamp)) return static_cast<int>(q.ids.size());
  if (q.counted && IsCurrent(q, q.countStamp)) return q.count;
  // A whole folder's count is kept: the receiver's log names the counts of
  // three folders, one of which (Deleted Items) only grows.
  const bool wholeFolder = q.cond.sql.empty();
  if (wholeFolder)
    if (auto it = itemCounts_.find(q.folderId); it != itemCounts_.end()) return static_cast<int>(it->second);
  std::string sql = "SELECT COUNT(*) FROM items WHERE folder_id = ?";
  if (!q.cond.sql.empty()) sql += " AND " + q.cond.sql;
  Stmt s = Db().Prepare(sql);
  s.Bind(1, q.folderId);
  for (size_t i = 0; i < q.cond.binds.size(); ++i) s.Bind(static_cast<int>(i) + 2, q.cond.binds[i]);
  s.Step();
  q.count = static_cast<int>(s.Int(0));
  q.countStamp = stamp_;
  q.counted = true;
  if (wholeFolder) itemCounts_[q.folderId] = q.count;
  return q.count;
}

std::vector<int64_t> StoreCore::FindByUserProperty(std::optional<int64_t> folderId, const std::string& name,
                                                   const std::string& value,
                                                   const std::optional<std::string>& messageClass) {
  const std::string nameLower = Lower(name);
  std::vector<int64_t> ids;
  // message_class compares without regard to letter case (COLLATE NOCASE).
  const size_t filters = (folderId ? 1 : 0) | (messageClass ? 2 : 0);
  static const std::array<std::string, 4> kWhere = [] {
    std::array<std::string, 4> w;
    for (size_t f = 0; f < w.size(); ++f)
      w[f] = std::string(f & 1 ? " AND i.folder_id = ?" : "") + (f & 2 ? " AND i.message_class = ?" : "");
    return w;
  }();
  const std::string& where = kWhere[filters];
  auto bindFilters = [&](Stmt& s, int first) {
    if (folderId) s.Bind(first++, *folderId);
    if (messageClass) s.Bind(first, *messageClass);
  };
  if (value.empty()) {
    Stmt s = Db().Prepare("SELECT i.id, i.props FROM items i WHERE i.props IS NOT NULL" + where + " ORDER BY i.id");
    bindFilters(s, 1);
    while (s.Step()) {
      for (const auto& p : DecodeUserProps(s.BlobData(1), s.BlobSize(1), EntryIdPlace(*this, s.Int(0)))) {
        if (p->value.empty() && Lower(p->name) == nameLower) {
          ids.push_back(s.Int(0));
          break;
        }
      }
    }
    return ids;
  }
  if (!indexedNames_.contains(nameLower)) AddIndexedName(nameLower);
  // The name and value are compared too: two pairs may share a key. A search
  // that reads the items' rows for its filters takes the first one whole.
  const bool joined = !where.empty();
  static const std::array<std::string, 4> kSearch = [] {
    std::array<std::string, 4> q;
    q[0] = "SELECT item_id FROM user_index WHERE key = ? AND name_lower = ? AND value = ? ORDER BY item_id";
    for (size_t f = 1; f < q.size(); ++f)
      q[f] = "SELECT ui.item_id, i.folder_id, i.class, i.data, i.last_mod, i.props,"
             " EXISTS(SELECT 1 FROM attachments WHERE item_id = i.id)"
             " FROM user_index ui JOIN items i ON i.id = ui.item_id"
             " WHERE ui.key = ? AND ui.name_lower = ? AND ui.value = ?" +
             kWhere[f] + " ORDER BY ui.item_id";
    return q;
  }();
  Stmt s = Db().Prepare(kSearch[filters]);
  s.Bind(1, IndexKey(nameLower, value)).BindTextView(2, nameLower).BindTextView(3, value);
  bindFilters(s, 4);
  foundRow_.id = 0;
  while (s.Step()) {
    ids.push_back(s.Int(0));
    if (!joined || ids.size() != 1) continue;
    FoundRow& r = foundRow_;
    r.folderId = s.Int(1);
    r.cls = s.Int(2);
    const auto* data = static_cast<const uint8_t*>(s.BlobData(3));
    r.data.assign(data, data + s.BlobSize(3));
    r.lastMod = s.IsNull(4) ? std::nullopt : std::optional<int64_t>(s.Int(4));
    const auto* props = static_cast<const uint8_t*>(s.BlobData(5));
    r.props.assign(props, props + s.BlobSize(5));
    r.hasAttachments = s.Int(6) != 0;
  }
  if (joined && ids.size() == 1) {
    foundRow_.id = ids.front();
    foundRow_.writes = writes_;
  }
  lastFound_ = ids;
  lastFoundAt_ = writes_;
  return ids;
}

void StoreCore::AddIndexRow(IndexRows& rows, std::string_view name, std::string_view value) const {
  if (value.empty()) return;
  // The indexed names are few (and lowercase): the property's name is
  // compared with them, not lowercased into a copy first.
  for (const std::string& nameLower : indexedNames_) {
    if (EqualsNoCase(name, nameLower)) {
      rows.emplace_back(nameLower, value);
      return;
    }
  }
}

StoreCore::IndexRows StoreCore::IndexedValues(const UserProps& props) const {
  IndexRows out;
  for (const auto& p : props) AddIndexRow(out, p->name, p->value);
  return out;
}

StoreCore::IndexRows StoreCore::IndexedValues(const Bytes& props, int64_t id) const {
  IndexRows out;
  ForEachUserProp(props.data(), props.size(), EntryIdPlace(*this, id),
                  [&](std::string_view name, std::string_view value, int64_t) { AddIndexRow(out, name, value); });
  return out;
}

void StoreCore::IndexUserProps(int64_t id, const IndexRows& was, const IndexRows& is) {
  for (const auto& row : was) {
    if (std::find(is.begin(), is.end(), row) != is.end()) continue;
    Stmt s = Db().Prepare("DELETE FROM user_index WHERE key = ? AND item_id = ? AND name_lower = ?");
    s.Bind(1, IndexKey(row.first, row.second)).Bind(2, id).BindTextView(3, row.first);
    WriteStep(s);
  }
  for (const auto& row : is) {
    if (std::find(was.begin(), was.end(), row) != was.end()) continue;
    Stmt s = Db().Prepare("INSERT INTO user_index(key, item_id, name_lower, value) VALUES(?, ?, ?, ?)");
    s.Bind(1, IndexKey(row.first, row.second)).Bind(2, id).BindTextView(3, row.first).BindTextView(4, row.second);
    WriteStep(s);
  }
}

void StoreCore::UnindexItem(int64_t id) {
  Stmt s = Db().Prepare("SELECT props FROM items WHERE id = ?");
  s.Bind(1, id);
  if (!s.Step()) return;
  const auto* p = static_cast<const uint8_t*>(s.BlobData(0));
  const Bytes props(p, p + s.BlobSize(0));
  IndexUserProps(id, IndexedValues(props, id), {});
}

void StoreCore::AddIndexedName(const std::string& nameLower) {
  Write([&] {
    SqliteDb& db = Db();
    Stmt add = db.Prepare("INSERT INTO user_index_names(name_lower) VALUES(?)");
    add.Bind(1, nameLower);
    WriteStep(add);
    IndexItems({nameLower});
  });
  indexedNames_.insert(nameLower);
}

void StoreCore::IndexItems(const std::set<std::string, std::less<>>& names) {
  if (names.empty()) return;
  SqliteDb& db = Db();
  Stmt scan = db.Prepare("SELECT id, props FROM items WHERE props IS NOT NULL");
  while (scan.Step()) {
    const int64_t id = scan.Int(0);
    std::set<std::string, std::less<>> done;  // the first value of a name counts
    for (const auto& p : DecodeUserProps(scan.BlobData(1), scan.BlobSize(1), EntryIdPlace(*this, id))) {
      if (p->value.empty()) continue;
      const std::string nameLower = Lower(p->name);
      if (!names.contains(nameLower) || !done.insert(nameLower).second) continue;
      Stmt ins = db.Prepare("INSERT INTO user_index(key, item_id, name_lower, value) VALUES(?, ?, ?, ?)");
      ins.Bind(1, IndexKey(nameLower, p->value)).Bind(2, id).Bind(3, nameLower).Bind(4, p->value);
      WriteStep(ins);
    }
  }
}

std::optional<int64_t> StoreCore::FindByGlobalObjectID(int64_t folderId, const Bytes& id) {
  Stmt s = Db().Prepare("SELECT id FROM items WHERE global_id = ? AND folder_id = ? AND class = ? ORDER BY id");
  s.Bind(1, SqlValue(id)).Bind(2, folderId).Bind(3, int64_t{olAppointment});
  if (s.Step()) return s.Int(0);
  return std::nullopt;
}

// --- events -----------------------------------------------------------------

Subscription StoreCore::Subscribe(int64_t folderId, EventKind kind, std::function<void(int64_t)> handler) {
  Subscription id = nextSubscription_++;
  handlers_.push_back({id, folderId, kind, std::move(handler)});
  return id;
}

Subscription StoreCore::SubscribeNewMail(std::function<void()> handler) {
  Subscription id = nextSubscription_++;
  newMailHandlers_[id] = std::move(handler);
  return id;
}

void StoreCore::Unsubscribe(Subscription id) {
  std::erase_if(handlers_, [id](const Handler& h) { return h.id == id; });
  newMailHandlers_.erase(id);
}

void StoreCore::Deliver(EventKind kind, int64_t folderId, int64_t itemId) {
  if (!db_) return;
  std::vector<Subscription> targets;
  for (const auto& h : handlers_)
    if (h.folderId == folderId && h.kind == kind) targets.push_back(h.id);
  // A handler may unsubscribe others (or itself): look each one up again.
  for (Subscription id : targets) {
    auto it = std::find_if(handlers_.begin(), handlers_.end(), [id](const Handler& h) { return h.id == id; });
    if (it == handlers_.end()) continue;
    auto fn = it->fn;
    fn(itemId);
  }
}

void StoreCore::NotifyNewMail() {
  if (!poster_) return;
  std::weak_ptr<StoreCore> weak = weak_from_this();
  poster_([weak] {
    auto core = weak.lock();
    if (!core || !core->db_) return;
    auto handlers = core->newMailHandlers_;
    for (auto& [id, fn] : handlers)
      if (core->newMailHandlers_.count(id)) fn();
  });
}

// --- profile values ---------------------------------------------------------

std::string StoreCore::Meta(const std::string& key) {
  Stmt s = Db().Prepare("SELECT value FROM meta WHERE key = ?");
  s.Bind(1, key);
  if (!s.Step()) {
    if (key == "store_uid" || key == "root" || key.rfind("folder.", 0) == 0)
      throw Error("profile value " + key + " is missing");
    return "";
  }
  return s.Text(0);
}

void StoreCore::SetMeta(const std::string& key, const std::string& value) {
  Write([&] {
    Stmt s = Db().Prepare("INSERT OR REPLACE INTO meta(key, value) VALUES(?, ?)");
    s.Bind(1, key).Bind(2, value);
    WriteStep(s);
  });
}

Date StoreCore::Now() const {
  if (clock_) return clock_();
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return Date::FromParts(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
}

}  // namespace platform::detail
