#pragma once
// The folder-sharing engine's item and folder objects as its extension sees
// them: a folder by entry id and store id, an item by entry id with its
// folder and store. They are plain values; an item object stays valid when
// the item itself can no longer be opened (a removal for good).
#include <memory>
#include <string>

namespace platform::loomcast {

class LoomcastFolder {
 public:
  LoomcastFolder() = default;  // no folder
  // A folder as an event names it (no watch attached).
  LoomcastFolder(std::string entryId, std::string storeId)
      : m_entryId(std::move(entryId)), m_storeId(std::move(storeId)) {}

  std::string EntryID() const { return m_entryId; }
  std::string StoreID() const { return m_storeId; }
  // The engine's id of a folder it handles: its entry id; "" for a folder
  // object that the engine could not make (unknown folder, no extension).
  std::string FolderID() const { return m_entryId; }

  // Internal: a watched folder keeps its watch alive through its handles;
  // the folder stops raising events when the last handle is gone.
  LoomcastFolder(std::string entryId, std::string storeId, std::shared_ptr<const void> watch)
      : m_entryId(std::move(entryId)), m_storeId(std::move(storeId)), m_watch(std::move(watch)) {}
  bool IsWatching() const { return m_watch != nullptr; }

 private:
  std::string m_entryId;
  std::string m_storeId;
  std::shared_ptr<const void> m_watch;
};

class LoomcastItem {
 public:
  LoomcastItem(std::string entryId, LoomcastFolder folder)
      : m_entryId(std::move(entryId)), m_folder(std::move(folder)) {}

  std::string EntryID() const { return m_entryId; }
  std::string StoreID() const { return m_folder.StoreID(); }
  const LoomcastFolder& Folder() const { return m_folder; }

 private:
  std::string m_entryId;
  LoomcastFolder m_folder;
};

}  // namespace platform::loomcast
