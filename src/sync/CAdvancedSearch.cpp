#include "sync/CAdvancedSearch.h"

#include "diagnostics/CDebug.h"

bool CAdvancedSearch::SyncSearch(const std::string& scope, const std::string& restriction, const std::string& tag) {
  try {
    m_search.SyncSearch(scope, restriction, tag);
    return true;
  } catch (...) {
    g_Debug().OutError("CAdvancedSearch.SyncSearch");
    return false;
  }
}

bool CAdvancedSearch::Sort(const std::string& sortText) {
  try {
    m_search.Sort(sortText);
    return true;
  } catch (...) {
    g_Debug().OutError("CAdvancedSearch.Sort");
    return false;
  }
}
