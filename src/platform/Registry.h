#pragma once
// Registry: the per-user registry of the emulated desktop, a tree of keys with
// typed values, reached through handles and Win32-style result codes so that
// the add-in's registry wrapper maps one to one onto it. Two hives exist,
// HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE, each kept in a file of the user
// home. Key and value names are compared without regard to case and keep the
// case they were created with. Single-threaded.
//
// Durability: every change is appended to the hive's journal file at once (a
// crash of the process loses nothing written before it); the journal is
// folded into the hive file by Flush, by the destructor and when it grows
// long, by writing a temporary file, syncing it and renaming it over the old
// one, so a crash in the middle of a write never loses earlier content.
// Results are Win32 result codes; only a failure to write the journal or the
// hive file to disk throws (platform::Error naming the file).
#include <cstdint>
#include <filesystem>
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
  // Flushes both hives (see FlushKey).
  void Flush();

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
  HKEY nextHandle_ = 0x100;
  int lockFd_ = -1;
};

}  // namespace platform
