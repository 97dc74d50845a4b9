#include "platform/client/Explorers.h"

#include <algorithm>

namespace platform {

Explorer Explorers::Open(const std::string& caption, bool activate) {
  Explorer e{nextExplorer_++, caption};
  open_.push_back(e);
  views_[e.id];
  // Copies: a handler may subscribe or unsubscribe while we iterate.
  auto handlers = newHandlers_;
  for (auto& [sid, h] : handlers)
    if (newHandlers_.count(sid)) h(e);
  if (activate) Activate(e.id);
  return e;
}

void Explorers::Raise(int id, ExplorerEvent ev) {
  auto it = std::find_if(open_.begin(), open_.end(), [id](const Explorer& e) { return e.id == id; });
  if (it == open_.end()) return;
  const Explorer e = *it;
  auto handlers = eventHandlers_;
  for (auto& [sid, h] : handlers)
    if (h.first == id && eventHandlers_.count(sid)) h.second(e, ev);
}

void Explorers::Activate(int id) { Raise(id, ExplorerEvent::Activate); }

void Explorers::SwitchFolder(int id, const Folder& folder) {
  auto v = views_.find(id);
  if (v == views_.end()) return;
  v->second.folder = folder;
  v->second.selection.clear();
  Raise(id, ExplorerEvent::FolderSwitch);
}

void Explorers::Select(int id, std::vector<Item> items) {
  auto v = views_.find(id);
  if (v == views_.end()) return;
  v->second.selection = std::move(items);
  Raise(id, ExplorerEvent::SelectionChange);
}

void Explorers::Close(int id) {
  if (!views_.count(id)) return;
  Raise(id, ExplorerEvent::Close);
  open_.erase(std::remove_if(open_.begin(), open_.end(), [id](const Explorer& e) { return e.id == id; }),
              open_.end());
  views_.erase(id);
}

void Explorers::CloseAll() {
  while (!open_.empty()) Close(open_.front().id);
}

Folder Explorers::CurrentFolder(int id) const {
  auto v = views_.find(id);
  return v == views_.end() ? Folder() : v->second.folder;
}

std::vector<Item> Explorers::Selection(int id) const {
  auto v = views_.find(id);
  return v == views_.end() ? std::vector<Item>() : v->second.selection;
}

int Explorers::OnNewExplorer(NewExplorerHandler h) {
  newHandlers_[nextSub_] = std::move(h);
  return nextSub_++;
}

int Explorers::OnExplorerEvent(int explorerId, EventHandler h) {
  eventHandlers_[nextSub_] = {explorerId, std::move(h)};
  return nextSub_++;
}

void Explorers::Unsubscribe(int subscription) {
  newHandlers_.erase(subscription);
  eventHandlers_.erase(subscription);
}

}  // namespace platform
