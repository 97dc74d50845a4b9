#pragma once
// ILoomcastExt: the extension interface through which the folder-sharing
// engine calls the add-in. The engine calls it on the event loop's thread,
// one call at a time, and never inside a store write: item events are
// delivered by the loop after the write that caused them has committed.
#include <string>

#include "platform/engine/LoomcastItem.h"

namespace platform::loomcast {

class ILoomcastExt {
 public:
  virtual ~ILoomcastExt() = default;

  // An item was added to, changed in or removed from a watched folder. The
  // extension sets IgnoreEvent when it has handled the event itself (the
  // engine then does not record it for sharing). For a removal the item may
  // no longer open; its entry id and folder are still given.
  virtual void onItemAdded(const LoomcastItem& Item, bool& IgnoreEvent) = 0;
  virtual void onItemChanged(const LoomcastItem& Item, bool& IgnoreEvent) = 0;
  virtual void onItemDeleted(const LoomcastItem& Item, bool& IgnoreEvent) = 0;
  // Sharing jobs that arrive from other engines (this engine shares no
  // folders between machines, so it raises none of these itself).
  virtual void onFolderReceived(const LoomcastFolder& Folder, const std::string& JobID) = 0;
  virtual void onItemReceived(const LoomcastItem& Item, const std::string& JobID, bool& IgnoreEvent) = 0;
  virtual void onItemResend(const LoomcastItem& Item, const std::string& JobID, bool& IgnoreEvent) = 0;
  virtual void onPostprocess(const std::string& JobID, const std::string& ItemID) = 0;
  // The engine's database file; asked once when the extension is registered.
  virtual void DatabasePath(std::string& Path) = 0;
  // The product code naming the engine's settings key
  // Software\Korvel\Loomcast\1.0\<code>\Settings; asked with DatabasePath.
  virtual void ProductCode(std::string& Code) = 0;
};

}  // namespace platform::loomcast
