#pragma once
// CExplorerWrapper: the add-in's hold on one explorer window. It hooks the
// window's events and reports them by name to the explorers list; a window
// opened while the add-in runs waits for its first activation before it is
// reported, so that its menu is made on a window that is on screen. It also
// keeps the objects that belong to the window (its menu, under "Menu").
#include <any>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/client/Explorers.h"

class CExplorerWrapper : public std::enable_shared_from_this<CExplorerWrapper> {
 public:
  // The list's EventFromExplorer: the event's name and this wrapper.
  using Reporter = std::function<void(const std::string& name, CExplorerWrapper& wrapper)>;

  CExplorerWrapper(platform::Explorers& explorers, Reporter report);
  ~CExplorerWrapper();
  CExplorerWrapper(const CExplorerWrapper&) = delete;
  CExplorerWrapper& operator=(const CExplorerWrapper&) = delete;

  // Hooks the window and reports "OnExplorer".
  void Init(const platform::Explorer& explorer);
  // Hooks the window and waits: its first Activate runs Init.
  void InitWaitActivate(const platform::Explorer& explorer);
  bool WaitingActivateEvent() const { return m_bWaiting; }
  const platform::Explorer& GetObject() const { return m_explorer; }
  // Unhooks the window (harmless twice).
  void Done();

  // The window's objects by key; a key given again replaces its object.
  void AddAssociatedObject(const std::string& key, std::any object);
  // The object under key; an empty any when there is none.
  std::any GetAssociatedObject(const std::string& key) const;
  void RemoveAssociatedObject(const std::string& key);

 private:
  void Hook(const platform::Explorer& explorer);
  void OnEvent(platform::ExplorerEvent e);

  platform::Explorers& m_explorers;
  Reporter m_report;
  platform::Explorer m_explorer;
  int m_subscription = 0;
  bool m_bWaiting = false;
  std::map<std::string, std::any> m_objects;
};
