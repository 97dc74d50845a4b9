#pragma once
// Registry: the per-user registry of the emulated desktop, a tree of keys with
// typed values, reached through handles and Win32-style result codes so that
// the add-in's registry wrapper maps one to one onto it. Two hives exist,
// HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE, each kept in a file of the user
// home. Key and value names are compared without regard to case and keep the
// case they were created with. Single-threaded.
//
// Durability: every change is appended to the hive's journal file before the
// tree in memory changes, so a change that a call reported is never lost by a
// crash of the process, and a change whose record could not be written never
// shows. Writes between BeginBatch and CommitBatch form one batch: the journal
// holds them between a begin and a commit line and the next open replays
// only complete batches, so a crash leaves all of a batch or none of it.
// The journal is folded into the hive file by Flush, by the destructor and
// when it grows long, by writing a temporary file, syncing it and renaming it
// over the old one; a fold that fails leaves the journal in charge, so it
// loses no record.
//
// fsync policy: single records are written to the journal with write(2) and
// not synced: they survive a crash of the process (kill -9) but not of the
// machine. A batch commit syncs the journal (fdatasync), and Flush and every
// fold sync the hive file and its folder, so committed batches and flushed
// hives also survive a power failure.
//
// Results are Win32 result codes; only a failure to write the journal or the
// hive file to disk throws (platform::Error naming the file).
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace platform {

// A key handle: a predefined root (the HKEY_* constants) or a handle returned
// by OpenKey/CreateKey. 0 is never a valid handle.
using HKEY = uint32_t;

inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;  // not backed by a hive: opening fails
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;

// Result codes, as Win32 numbers them.
inline constexpr long ERROR_SUCCESS = 0;
inline constexpr long ERROR_FILE_NOT_FOUND = 2;
inline constexpr long ERROR_ACCESS_DENIED = 5;
inline constexpr long ERROR_INVALID_HANDLE = 6;
inline constexpr long ERROR_INVALID_PARAMETER = 87;
inline constexpr long ERROR_MORE_DATA = 234;
inline constexpr long ERROR_NO_MORE_ITEMS = 259;
inline constexpr long ERROR_KEY_DELETED = 1018;

// Value types.
inline constexpr uint32_t REG_NONE = 0;
inline constexpr uint32_t REG_SZ = 1;
inline constexpr uint32_t REG_EXPAND_SZ = 2;
inline constexpr uint32_t REG_BINARY = 3;
inline constexpr uint32_t REG_DWORD = 4;

// Access masks. Writing values needs KEY_SET_VALUE, creating subkeys
// KEY_CREATE_SUB_KEY; everything else is allowed on any open handle.
inline constexpr uint32_t KEY_QUERY_VALUE = 0x0001;
inline constexpr uint32_t KEY_SET_VALUE = 0x0002;
inline constexpr uint32_t KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr uint32_t KEY_READ = 0x20019;
inline constexpr uint32_t KEY_WRITE = 0x20006;
inline constexpr uint32_t KEY_ALL_ACCESS = 0xF003F;

class Registry {
 public:
  // Opens (loads) the hives kept under <home>/.registry ("HKCU.hive",
  // "HKLM.hive" and their ".journal" files); missing files mean empty hives.
  // Throws platform::Error naming the file when a hive file is unreadable or
  // corrupt. A torn last journal line (a crash while appending) is dropped.
  // Only one Registry may be open on a home at a time (also across
  // processes): a second one throws platform::Error (number 32).
  explicit Registry(const std::filesystem::path& home);
  // Folds the journals into the hive files; never throws.
  ~Registry();
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;

  // RegOpenKeyEx: opens root\subKey ("A\B\C"; empty opens root itself again).
  // ERROR_FILE_NOT_FOUND when a part of the path does not exist,
  // ERROR_INVALID_HANDLE for an unknown root. *result is 0 on failure.
  long OpenKey(HKEY root, const std::string& subKey, uint32_t access, HKEY* result);
  // RegCreateKeyEx: opens root\subKey, creating the missing parts.
  // *disposition (optional) is 1 when the key was created, 2 when it existed.
  long CreateKey(HKEY root, const std::string& subKey, uint32_t access, HKEY* result,
                 uint32_t* disposition = nullptr);
  // RegCloseKey. Closing a predefined root is a no-op.
  long CloseKey(HKEY key);

  // RegQueryValueEx. name "" is the key's default value. On success *type
  // receives the type and *data the stored bytes (texts are stored without a
  // terminating zero). When the data is longer than maxBytes, *type and
  // *size (optional) are set, *data is left alone and ERROR_MORE_DATA
  // returned. ERROR_FILE_NOT_FOUND for a missing value. Any pointer may be null.
  long QueryValue(HKEY key, const std::string& name, uint32_t* type, std::string* data,
                  size_t maxBytes = SIZE_MAX, size_t* size = nullptr);
  // RegSetValueEx: creates or replaces a value (name keeps its first case
  // only when it is new: replacing keeps the existing spelling, as Win32 does).
  // REQUIRES: data of a REG_DWORD is 4 bytes (ERROR_INVALID_PARAMETER otherwise).
  long SetValue(HKEY key, const std::string& name, uint32_t type, const std::string& data);
  // Conveniences over SetValue.
  long SetString(HKEY key, const std::string& name, const std::string& text,
                 uint32_t type = REG_SZ);
  long SetDword(HKEY key, const std::string& name, uint32_t value);
  // RegDeleteValue. ERROR_FILE_NOT_FOUND when missing.
  long DeleteValue(HKEY key, const std::string& name);

  // RegEnumValue: the index-th value's name (0-based, creation order);
  // ERROR_NO_MORE_ITEMS past the end. type is optional.
  long EnumValue(HKEY key, uint32_t index, std::string* name, uint32_t* type = nullptr);
  // RegEnumKeyEx: the index-th subkey's name (0-based, ordered by name
  // without regard to case); ERROR_NO_MORE_ITEMS past the end.
  long EnumKey(HKEY key, uint32_t index, std::string* name);

  // RegDeleteKey: deletes key\subKey, which must have no subkeys of its own
  // (ERROR_ACCESS_DENIED otherwise, as Win32 answers). Open handles on the
  // deleted key answer ERROR_KEY_DELETED afterwards.
  long DeleteKey(HKEY key, const std::string& subKey);
  // RegFlushKey: makes every change of the key's hive durable on disk.
  // Throws platform::Error naming the file when writing fails.
  long FlushKey(HKEY key);
  // Flushes both hives (see FlushKey). Inside a batch the fold waits for
  // the batch to end (the hive file never holds half a batch).
  void Flush();

  // Starts a batch: the changes up to the matching CommitBatch are written
  // to the journal together, atomically per hive. Changes show in memory at
  // once (reads inside the batch see them). Batches nest; only the
  // outermost CommitBatch writes.
  void BeginBatch();
  // Ends a batch; the outermost one writes its records (between a begin and
  // a commit line) and syncs the journal. Throws platform::Error naming the
  // journal when the records cannot be written: the batch's changes are then
  // undone in memory, and nothing of them is on disk. REQUIRES: InBatch().
  void CommitBatch();
  // Ends a batch by dropping it: the outermost one undoes every change made
  // since its BeginBatch (an inner abort dooms the whole batch, whose
  // outermost commit then throws). Never throws. REQUIRES: InBatch().
  void AbortBatch();
  bool InBatch() const { return batchDepth_ > 0; }
  // Called after every outermost CommitBatch that succeeded (for work that
  // must follow a commit, such as sending the mails the batch queued).
  // Exceptions from it propagate out of CommitBatch; the batch stays
  // committed. An empty function removes the listener.
  void SetCommitListener(std::function<void()> listener) { commitListener_ = std::move(listener); }

  // The folder holding the hive files.
  const std::filesystem::path& Folder() const;

  struct Node;
  class Hive;

 private:
  struct Handle {
    std::shared_ptr<Node> node;
    Hive* hive = nullptr;
    uint32_t access = 0;
  };
  // nullptr when the handle is unknown; *error says why.
  const Handle* Resolve(HKEY key, long* error);
  long OpenOrCreate(HKEY root, const std::string& subKey, uint32_t access, bool create,
                    HKEY* result, uint32_t* disposition);

  std::filesystem::path folder_;
  std::unique_ptr<Hive> hkcu_;
  std::unique_ptr<Hive> hklm_;
  std::map<HKEY, Handle> handles_;
  // Undoes the open batch in memory: the hives are read again from disk and
  // every open handle rebound to its key (by path).
  void Rollback();

  HKEY nextHandle_ = 0x100;
  int lockFd_ = -1;
  int batchDepth_ = 0;
  bool batchDoomed_ = false;
  std::function<void()> commitListener_;
};

// One batch as a scope: begun at construction, undone at destruction unless
// Commit ran. The registry must outlive it.
class RegistryBatch {
 public:
  explicit RegistryBatch(Registry& registry) : registry_(registry) { registry_.BeginBatch(); }
  ~RegistryBatch() {
    if (open_) registry_.AbortBatch();
  }
  RegistryBatch(const RegistryBatch&) = delete;
  RegistryBatch& operator=(const RegistryBatch&) = delete;
  // See Registry::CommitBatch. REQUIRES: called at most once.
  void Commit() {
    open_ = false;
    registry_.CommitBatch();
  }

 private:
  Registry& registry_;
  bool open_ = true;
};

}  // namespace platform
