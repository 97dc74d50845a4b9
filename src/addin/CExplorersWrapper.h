#pragma once
// CExplorersWrapper: the list of the client's explorer windows as the
// add-in follows them. It reports the windows open at start-up and every
// new one (a new one once it is first activated), telling whether it is the
// first the add-in runs on, forwards their folder switches and selection
// changes, and reports when the last one has closed.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "addin/CExplorerWrapper.h"

class CExplorersWrapper : public std::enable_shared_from_this<CExplorersWrapper> {
 public:
  struct Events {
    // A window is ready; first unless another window of the list already is.
    std::function<void(const platform::Explorer&, bool first, bool waitingActivate)> OnExplorer;
    // The last window of the list closed.
    std::function<void()> OnCloseAllExplorers;
    std::function<void(const platform::Explorer&)> OnExplorerSelectionChange;
    std::function<void(const platform::Explorer&)> OnExplorerFolderSwitch;
  };

  explicit CExplorersWrapper(Events events) : m_events(std::move(events)) {}
  ~CExplorersWrapper();
  CExplorersWrapper(const CExplorersWrapper&) = delete;
  CExplorersWrapper& operator=(const CExplorersWrapper&) = delete;

  // Hooks the collection for new windows and reports every window open now.
  // The collection must outlive the hook (Done(true) ends it).
  void Init(platform::Explorers& explorers);
  // A wrapper's report: "OnExplorer", "Close", "SelectionChange",
  // "FolderSwitch"; any other name is logged as an error.
  void EventFromExplorer(const std::string& name, CExplorerWrapper& wrapper);
  int Count() const { return static_cast<int>(m_list.size()); }
  // 1-based; nullptr out of range.
  CExplorerWrapper* Item(int index) const;
  // The wrapper of that window; nullptr when the list has none.
  CExplorerWrapper* Find(int explorerId) const;
  // Drops every window. full also unhooks the collection; otherwise the
  // next new window starts a new list (and is first).
  void Done(bool full);

 private:
  std::shared_ptr<CExplorerWrapper> NewWrapper();
  void OnNewExplorer(const platform::Explorer& explorer);

  Events m_events;
  platform::Explorers* m_explorers = nullptr;
  int m_newSub = 0;
  std::vector<std::shared_ptr<CExplorerWrapper>> m_list;
};
