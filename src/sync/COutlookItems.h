#pragma once
// COutlookItems: the item list of one folder for a form that shows it (the
// contact chooser lists contacts folders through it). It keeps the folder,
// a restriction and a sort order and loads the list either through the
// folder's own Restrict and Sort (FILTER_RESTRICT) or through the client's
// search component (a folder named by path, for folders away from the
// store's root), and passes the folder's item events on to its owner after
// bringing the loaded list up to date.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/store/Folder.h"
#include "platform/store/Item.h"
#include "platform/store/Items.h"
#include "sync/CAdvancedSearch.h"

class COutlookItems {
 public:
  enum FilterMode { FILTER_RESTRICT = 0, FILTER_ADVANCED = 1 };
  // The tag of the searches this list runs.
  static constexpr const char* kSearchTag = "6F3E064E-F855-4188-8337-4DEBE175B14E";

  // The owner's handlers of the folder's events, called after the list is
  // brought up to date.
  struct Events {
    std::function<void(const platform::Item&)> ItemAdd;
    std::function<void(const platform::Item&)> ItemChange;
    std::function<void()> ItemRemove;
  };

  // The session (for the store root and the search component) must outlive
  // the object.
  COutlookItems(platform::MailSession& session, Events events);
  ~COutlookItems() { Done(); }
  COutlookItems(const COutlookItems&) = delete;
  COutlookItems& operator=(const COutlookItems&) = delete;

  bool IsAdvancedRestrict() const { return m_nFilter == FILTER_ADVANCED; }
  const std::string& AdvancedSort() const { return m_strAdvancedSort; }
  // Stores the sort text and re-sorts held search results by it.
  void SetAdvancedSort(const std::string& sortText);
  const std::string& AdvancedRestrict() const { return m_strAdvancedRestrict; }
  // Switches to the search mode and searches the folder (by path) with the
  // restriction; the store root itself cannot be searched (logged).
  void SetAdvancedRestrict(const std::string& restriction);
  // The folder's Items become the event source; StopEvents lets them go.
  void StartEvents();
  void StopEvents();
  const platform::Folder& GetFolder() const { return m_folder; }
  // Loads or drops the list (restriction mode).
  void LoadItems();
  void UnLoadItems();
  bool IsLoaded() const { return m_items.has_value(); }
  // Stores the folder, the restriction, the sort field, the sort text of
  // searches and the order, and starts the events. False (logged) on failure.
  bool Init(const platform::Folder& folder, const std::string& restriction, const std::string& sort,
            const std::string& advancedSort, bool descending);
  // Stops the events and drops the list and the search.
  void Done();
  // A new, unsaved item of the folder's kind (it enters the folder at Save);
  // Nothing on failure (logged).
  platform::Item NewItem();
  // The list in the current mode: the loaded items, or the search's
  // results. 1-based; Nothing out of range. Count is 0 with nothing loaded.
  platform::Item Item(int index);
  int Count();
  const std::string& Restrict() const { return m_strRestrict; }
  // Switches to the restriction mode (ending a search) with a new
  // restriction; a loaded list is loaded again.
  void SetRestrict(const std::string& restriction);
  const std::string& Sort() const { return m_strSort; }
  bool SortDescending() const { return m_bDescending; }
  void SetSort(const std::string& field);
  void SetSortDescending(bool descending);

  // The folder's events.
  void m_events_ItemAdd(const platform::Item& item);
  void m_events_ItemChange(const platform::Item& item);
  void m_events_ItemRemove();

 private:
  // The folder's restricted, sorted items (restriction mode only).
  std::optional<platform::Items> GetItems();
  // Leaves the search mode: the search ends and the list is dropped.
  void EndAdvanced();
  void Reload();

  platform::MailSession& m_session;
  Events m_owner;
  platform::Folder m_folder;
  std::string m_strRestrict, m_strSort, m_strAdvancedSort, m_strAdvancedRestrict;
  bool m_bDescending = false;
  FilterMode m_nFilter = FILTER_RESTRICT;
  std::optional<platform::Items> m_items;
  std::unique_ptr<CAdvancedSearch> m_search;
  platform::Folder m_eventSource;
  platform::Subscription m_addSub = 0, m_changeSub = 0, m_removeSub = 0;
};
