#pragma once
// Folder: a cheap handle to one folder of the mail store (the store root, a
// default folder or a user folder). Folder data is read from the store at
// each access, so every handle sees renames and moves at once.
//
// Item events: handlers registered on a folder are called for items added
// to, changed in and removed from it — never inside the write: the store
// hands each event to the session's poster after the transaction commits,
// in write order. A handler reads the item as it is at delivery; an item
// removed for good in the meantime throws platform::Error when read.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/store/StoreTypes.h"

namespace platform {

namespace detail {
class StoreCore;
}  // namespace detail

class Folders;
class Items;
class Item;

using ItemEventHandler = std::function<void(const Item&)>;
using ItemRemoveHandler = std::function<void()>;
using Subscription = uint64_t;

class Folder {
 public:
  Folder() = default;  // Nothing
  explicit operator bool() const { return id_ != 0; }
  bool IsSame(const Folder& other) const { return id_ == other.id_ && core_ == other.core_; }

  std::string EntryID() const;
  std::string StoreID() const;
  std::string Name() const;
  // Throws platform::Error when a sibling of that name exists.
  void SetName(const std::string& name);
  // The parent folder; Nothing for the store root.
  Folder Parent() const;
  platform::Folders Folders() const;
  platform::Items Items() const;
  OlItemType DefaultItemType() const;
  // "\" + each folder name from the store root down to this folder:
  // "\Personal Folders\Calendar\Zentabo".
  std::string FolderPath() const;
  std::string WebViewURL() const;
  void SetWebViewURL(const std::string& url);
  bool WebViewOn() const;
  void SetWebViewOn(bool on);

  // Outside Deleted Items: moves the folder (with its items and subfolders)
  // into Deleted Items. Inside it: removes it and everything below for good.
  // The store root and the default folders cannot be deleted (throws).
  void Delete();
  // Moves the folder under `destination`. Throws platform::Error when the
  // destination is this folder or lies below it, or holds a folder of the
  // same name.
  void MoveTo(const Folder& destination);

  Subscription OnItemAdd(ItemEventHandler handler);
  Subscription OnItemChange(ItemEventHandler handler);
  Subscription OnItemRemove(ItemRemoveHandler handler);
  // Stops one subscription; events already posted but not yet delivered are
  // not delivered to it.
  void Unsubscribe(Subscription id);

  Folder(std::shared_ptr<detail::StoreCore> core, int64_t id);
  int64_t Id() const { return id_; }
  const std::shared_ptr<detail::StoreCore>& Core() const { return core_; }

 private:
  std::shared_ptr<detail::StoreCore> core_;
  int64_t id_ = 0;
};

}  // namespace platform
