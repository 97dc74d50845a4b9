#include "sync/COutlookItems.h"

#include "diagnostics/CDebug.h"
#include "platform/Error.h"
#include "platform/Text.h"
#include "platform/store/MailSession.h"

COutlookItems::COutlookItems(platform::MailSession& session, Events events)
    : m_session(session), m_owner(std::move(events)) {}

bool COutlookItems::Init(const platform::Folder& folder, const std::string& restriction, const std::string& sort,
                         const std::string& advancedSort, bool descending) {
  try {
    Done();
    if (!folder) throw platform::Error("Argument is nothing");
    m_folder = folder;
    m_strRestrict = restriction;
    m_strSort = sort;
    m_strAdvancedSort = advancedSort;
    m_bDescending = descending;
    m_nFilter = FILTER_RESTRICT;
    m_search = std::make_unique<CAdvancedSearch>(m_session);
    StartEvents();
    g_Debug().Out("COutlookItems, \r\nUSE_EVENTS = ", true);
    return true;
  } catch (...) {
    g_Debug().OutError("COutlookItems.Init");
    return false;
  }
}

void COutlookItems::Done() {
  try {
    StopEvents();
    m_items.reset();
    if (m_search) m_search->Release();
    m_search.reset();
    m_folder = {};
  } catch (...) {
    g_Debug().OutError("COutlookItems.Done");
  }
}

void COutlookItems::StartEvents() {
  try {
    StopEvents();
    m_eventSource = m_folder;
    if (!m_eventSource) return;
    m_addSub = m_eventSource.OnItemAdd([this](const platform::Item& i) { m_events_ItemAdd(i); });
    m_changeSub = m_eventSource.OnItemChange([this](const platform::Item& i) { m_events_ItemChange(i); });
    m_removeSub = m_eventSource.OnItemRemove([this] { m_events_ItemRemove(); });
  } catch (...) {
    g_Debug().OutError("COutlookItems.StartEvents");
  }
}

void COutlookItems::StopEvents() {
  if (m_eventSource) {
    for (platform::Subscription s : {m_addSub, m_changeSub, m_removeSub})
      if (s) m_eventSource.Unsubscribe(s);
  }
  m_eventSource = {};
  m_addSub = m_changeSub = m_removeSub = 0;
}

std::optional<platform::Items> COutlookItems::GetItems() {
  try {
    if (m_nFilter != FILTER_RESTRICT) {
      g_Debug().OutCustomError("CoutlookItems.GetItems",
                               "to use this function you need m_nFilter to be equal 'FILTER_RESTRICT'");
      return std::nullopt;
    }
    platform::Items items = m_folder.Items();
    if (!platform::Trim(m_strRestrict).empty()) items = items.Restrict(m_strRestrict);
    if (!m_strSort.empty()) items.Sort(m_strSort, m_bDescending);
    return items;
  } catch (...) {
    g_Debug().OutError("CoutlookItems.GetItems");
    return std::nullopt;
  }
}

void COutlookItems::LoadItems() {
  try {
    m_items = GetItems();
  } catch (...) {
    g_Debug().OutError("COutlookItems.LoadItems");
  }
}

void COutlookItems::UnLoadItems() {
  try {
    m_items.reset();
  } catch (...) {
    g_Debug().OutError("COutlookItems.UnLoadItems");
  }
}

void COutlookItems::Reload() {
  if (m_items) m_items = GetItems();
}

void COutlookItems::EndAdvanced() {
  if (m_nFilter != FILTER_ADVANCED) return;
  if (m_search) m_search->Release();
  UnLoadItems();
  m_nFilter = FILTER_RESTRICT;
}

void COutlookItems::SetAdvancedRestrict(const std::string& restriction) {
  try {
    m_strAdvancedRestrict = restriction;
    m_items.reset();
    m_nFilter = FILTER_ADVANCED;
    if (m_search) m_search->Release();
    const platform::Folder root = m_session.GetDefaultFolder(platform::olFolderInbox).Parent();
    if (root.EntryID() == m_folder.EntryID()) {
      g_Debug().OutCustomError("CoutlookItems.AdvancedRestrict", "m_folder is personal folder!");
      return;
    }
    // The path by names, from the store's root down to the folder.
    std::string path;
    for (platform::Folder f = m_folder; f; f = f.Parent()) path = "\\" + f.Name() + path;
    g_Debug().Out("AdvancedRestrict, Scope = '" + path + "'");
    if (m_search && m_search->SyncSearch("'" + path + "'", restriction, kSearchTag) && !m_strAdvancedSort.empty())
      m_search->Sort(m_strAdvancedSort);
  } catch (...) {
    g_Debug().OutError("CoutlookItems.AdvancedRestrict");
  }
}

void COutlookItems::SetAdvancedSort(const std::string& sortText) {
  m_strAdvancedSort = sortText;
  if (m_search && m_search->HasResults()) m_search->Sort(sortText);
}

void COutlookItems::SetRestrict(const std::string& restriction) {
  EndAdvanced();
  m_strRestrict = restriction;
  Reload();
}

void COutlookItems::SetSort(const std::string& field) {
  m_strSort = field;
  Reload();
}

void COutlookItems::SetSortDescending(bool descending) {
  m_bDescending = descending;
  Reload();
}

platform::Item COutlookItems::NewItem() {
  try {
    return m_folder.Items().Add(m_folder.DefaultItemType());
  } catch (...) {
    g_Debug().OutError("COutlookItems.NewItem");
    return {};
  }
}

int COutlookItems::Count() {
  try {
    if (m_nFilter == FILTER_ADVANCED) return m_search && m_search->HasResults() ? m_search->Results().Count() : 0;
    return m_items ? m_items->Count() : 0;
  } catch (...) {
    g_Debug().OutError("COutlookItems.Count");
    return 0;
  }
}

platform::Item COutlookItems::Item(int index) {
  try {
    if (index < 1 || index > Count()) return {};
    if (m_nFilter == FILTER_ADVANCED) return m_search->Results().Item(index);
    return m_items->Item(index);
  } catch (...) {
    g_Debug().OutError("COutlookItems.Item");
    return {};
  }
}

void COutlookItems::m_events_ItemAdd(const platform::Item& item) {
  try {
    g_Debug().Out("COutlookItems.OnItemAdd");
    Reload();
    if (m_owner.ItemAdd) m_owner.ItemAdd(item);
  } catch (...) {
    g_Debug().OutError("COutlookItems.m_events_ItemAdd");
  }
}

void COutlookItems::m_events_ItemChange(const platform::Item& item) {
  try {
    g_Debug().Out("COutlookItems.OnItemChange");
    Reload();
    if (m_owner.ItemChange) m_owner.ItemChange(item);
  } catch (...) {
    g_Debug().OutError("COutlookItems.m_events_ItemChange");
  }
}

void COutlookItems::m_events_ItemRemove() {
  try {
    g_Debug().Out("COutlookItems.OnItemRemove");
    Reload();
    if (m_owner.ItemRemove) m_owner.ItemRemove();
  } catch (...) {
    g_Debug().OutError("COutlookItems.m_events_ItemRemove");
  }
}
