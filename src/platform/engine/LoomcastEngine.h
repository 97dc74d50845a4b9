#pragma once
// LoomcastEngine: the folder-sharing engine of the desktop. The add-in
// registers its extension (ILoomcastExt) and asks for folder objects of the
// folders it wants watched; each watched folder (that folder only, not its
// subfolders) then raises added, changed and deleted events with the item's
// entry id, its folder's entry id and its store id:
// - the first save of an item, a copy, an item moved in, a mail delivered to
//   the Inbox, a sent mail landing in Sent Items: added;
// - every later save: changed (a saved occurrence or exception: its series);
// - a move out (Delete outside Deleted Items moves) and a removal for good:
//   deleted, also when the item can no longer be opened.
// The store posts every event to the event loop after its write commits, in
// write order, so the extension is called on the loop's thread, never inside
// Save, Move or Delete.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/EventLoop.h"
#include "platform/Registry.h"
#include "platform/engine/ILoomcastExt.h"
#include "platform/engine/LoomcastDatabase.h"
#include "platform/engine/LoomcastItem.h"
#include "platform/engine/LoomcastSettings.h"
#include "platform/store/MailSession.h"

namespace platform::loomcast {

class LoomcastEngine {
 public:
  // All three must outlive the engine.
  LoomcastEngine(MailSession& session, EventLoop& loop, Registry& reg);
  // Stops every watch; events still queued are not delivered.
  ~LoomcastEngine();
  LoomcastEngine(const LoomcastEngine&) = delete;
  LoomcastEngine& operator=(const LoomcastEngine&) = delete;

  // The engine's first member: registers the extension (not owned; it must
  // stay valid until it is replaced or the engine ends; nullptr detaches).
  // Asks it for DatabasePath and ProductCode, opens (or creates) that
  // database and reads the settings key of the product code. Throws
  // platform::Error naming the file when the database cannot be used; the
  // previous registration then stays.
  void SetExtension(ILoomcastExt* ext);
  ILoomcastExt* Extension() const;

  // A folder object for the folder with that entry id in the store with that
  // store id. While any copy of the object lives, the folder raises events to
  // the extension; asking again for a watched folder returns the same watch.
  // Without an extension, for another store or an unknown folder the object
  // has an empty FolderID() and watches nothing.
  LoomcastFolder GetFolder(const std::string& folderEntryId, const std::string& storeId);

  // The registration's files and settings ("" / defaults before SetExtension).
  const std::string& DatabasePath() const { return m_databasePath; }
  const std::string& ProductCode() const { return m_productCode; }
  const LoomcastSettings& Settings() const { return m_settings; }
  LoomcastDatabase* Database() const { return m_db.get(); }

  // Events handed to the extension so far, and those it did not handle
  // (IgnoreEvent left false).
  uint64_t EventsDelivered() const;
  uint64_t EventsNotHandled() const;

  // --- test hooks -----------------------------------------------------------
  // Makes a change as the user would, outside the add-in (through the store,
  // with nothing announced beforehand), then delivers its events.
  void AsUser(const std::function<void()>& change);
  // Delivers every posted message (item events and what their handlers post
  // in turn) without firing timers; returns how many messages ran.
  size_t DrainEvents();

  struct Hub;

 private:
  void Log(const std::string& line) const;

  MailSession& m_session;
  EventLoop& m_loop;
  Registry& m_reg;
  std::shared_ptr<Hub> m_hub;
  std::map<std::string, std::weak_ptr<const void>> m_watches;
  std::unique_ptr<LoomcastDatabase> m_db;
  std::string m_databasePath;
  std::string m_productCode;
  LoomcastSettings m_settings;
};

}  // namespace platform::loomcast
