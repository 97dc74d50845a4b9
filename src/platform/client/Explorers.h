#pragma once
// Explorers: the client's main windows (headless: an id, a caption, the
// folder shown and the items selected). Opening, activating, switching
// folders, selecting and closing drive the add-in's explorer handlers; every
// event is raised synchronously, as the client raises its own.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/store/Folder.h"
#include "platform/store/Item.h"

namespace platform {

// One explorer window, by value; the collection keeps its state.
struct Explorer {
  int id = 0;
  std::string caption;
};

// The events of one explorer window.
enum class ExplorerEvent { Activate, Close, FolderSwitch, SelectionChange };

class Explorers {
 public:
  using NewExplorerHandler = std::function<void(const Explorer&)>;
  using EventHandler = std::function<void(const Explorer&, ExplorerEvent)>;

  // Opens a window: NewExplorer is raised, then, with `activate`, the
  // window's first Activate (a window opened behind the others is activated
  // later by Activate).
  Explorer Open(const std::string& caption = "Inbox", bool activate = true);
  // Raises the window's Activate. Unknown ids are ignored, as below.
  void Activate(int id);
  // Shows `folder` in the window and raises FolderSwitch; the selection
  // empties (without SelectionChange, as the client does).
  void SwitchFolder(int id, const Folder& folder);
  // Selects `items` and raises SelectionChange.
  void Select(int id, std::vector<Item> items);
  // Raises the window's Close, then removes it.
  void Close(int id);
  // Closes every window, oldest first.
  void CloseAll();

  const std::vector<Explorer>& List() const { return open_; }
  size_t Count() const { return open_.size(); }
  // The folder shown (Nothing until a switch) and the selection of a window;
  // empty for unknown ids.
  Folder CurrentFolder(int id) const;
  std::vector<Item> Selection(int id) const;

  // NewExplorer of the collection.
  int OnNewExplorer(NewExplorerHandler h);
  // The events of one window; the subscription ends with Unsubscribe, not
  // with the window.
  int OnExplorerEvent(int explorerId, EventHandler h);
  void Unsubscribe(int subscription);

 private:
  struct View {
    Folder folder;
    std::vector<Item> selection;
  };
  void Raise(int id, ExplorerEvent e);

  std::vector<Explorer> open_;
  std::map<int, View> views_;
  int nextExplorer_ = 1;
  int nextSub_ = 1;
  std::map<int, NewExplorerHandler> newHandlers_;
  std::map<int, std::pair<int, EventHandler>> eventHandlers_;
};

}  // namespace platform
