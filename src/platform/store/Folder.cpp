#include "platform/store/Folder.h"

#include "platform/Error.h"
#include "platform/store/Folders.h"
#include "platform/store/Item.h"
#include "platform/store/Items.h"
#include "platform/store/StoreCore.h"

namespace platform {

namespace {

void Need(const std::shared_ptr<detail::StoreCore>& core) {
  if (!core) throw Error("the folder is Nothing");
}

// Wraps a handler so that it gets a fresh handle of the item; the store is
// held weakly, since the store keeps the handler.
std::function<void(int64_t)> ForItems(const std::shared_ptr<detail::StoreCore>& core, ItemEventHandler handler) {
  std::weak_ptr<detail::StoreCore> weak = core;
  return [weak, handler = std::move(handler)](int64_t id) {
    if (auto c = weak.lock()) handler(Item(c, c->StateFor(id, false)));
  };
}

}  // namespace

Folder::Folder(std::shared_ptr<detail::StoreCore> core, int64_t id) : core_(std::move(core)), id_(id) {}

std::string Folder::EntryID() const {
  Need(core_);
  return core_->FolderEntryID(id_);
}
std::string Folder::StoreID() const {
  Need(core_);
  return core_->StoreID();
}
std::string Folder::Name() const {
  Need(core_);
  return core_->GetFolder(id_).name;
}

void Folder::SetName(const std::string& name) {
  Need(core_);
  detail::FolderRow row = core_->GetFolder(id_);
  if (row.name == name) return;
  if (name.empty()) throw Error("a folder name must not be empty");
  if (row.parentId != 0 && Folder(core_, row.parentId).Folders().Find(name))
    throw Error("folder \"" + name + "\" exists already in " + core_->GetFolder(row.parentId).name);
  row.name = name;
  core_->UpdateFolder(row);
}

Folder Folder::Parent() const {
  Need(core_);
  const int64_t parent = core_->GetFolder(id_).parentId;
  return parent == 0 ? Folder() : Folder(core_, parent);
}

Folders Folder::Folders() const {
  Need(core_);
  return platform::Folders(core_, id_);
}

Items Folder::Items() const {
  Need(core_);
  core_->GetFolder(id_);
  auto q = std::make_shared<detail::ItemQuery>();
  q->folderId = id_;
  return platform::Items(core_, q);
}

OlItemType Folder::DefaultItemType() const {
  Need(core_);
  return static_cast<OlItemType>(core_->GetFolder(id_).defaultItemType);
}

std::string Folder::FolderPath() const {
  Need(core_);
  std::string path;
  for (int64_t cur = id_; cur != 0;) {
    detail::FolderRow row = core_->GetFolder(cur);
    path = "\\" + row.name + path;
    cur = row.parentId;
  }
  return path;
}

std::string Folder::WebViewURL() const {
  Need(core_);
  return core_->GetFolder(id_).webViewUrl;
}
void Folder::SetWebViewURL(const std::string& url) {
  Need(core_);
  detail::FolderRow row = core_->GetFolder(id_);
  row.webViewUrl = url;
  core_->UpdateFolder(row);
}
bool Folder::WebViewOn() const {
  Need(core_);
  return core_->GetFolder(id_).webViewOn;
}
void Folder::SetWebViewOn(bool on) {
  Need(core_);
  detail::FolderRow row = core_->GetFolder(id_);
  row.webViewOn = on;
  core_->UpdateFolder(row);
}

void Folder::Delete() {
  Need(core_);
  core_->DeleteFolder(id_);
}

void Folder::MoveTo(const Folder& destination) {
  Need(core_);
  if (!destination || destination.core_ != core_) throw Error("MoveTo needs a folder of the same profile");
  core_->MoveFolder(id_, destination.id_);
}

Subscription Folder::OnItemAdd(ItemEventHandler handler) {
  Need(core_);
  return core_->Subscribe(id_, detail::EventKind::Add, ForItems(core_, std::move(handler)));
}
Subscription Folder::OnItemChange(ItemEventHandler handler) {
  Need(core_);
  return core_->Subscribe(id_, detail::EventKind::Change, ForItems(core_, std::move(handler)));
}
Subscription Folder::OnItemRemove(ItemRemoveHandler handler) {
  Need(core_);
  return core_->Subscribe(id_, detail::EventKind::Remove, [handler = std::move(handler)](int64_t) { handler(); });
}
void Folder::Unsubscribe(Subscription id) {
  Need(core_);
  core_->Unsubscribe(id);
}

}  // namespace platform
