#pragma once
// CAdvancedSearch: the add-in's hold on the client's search component: a
// synchronous search of one folder, named by its path, with a restriction
// and a tag; its results can be re-sorted and released. Failures are logged
// and leave no results.
#include <string>

#include "platform/client/AdvancedSearch.h"

class CAdvancedSearch {
 public:
  // The session must outlive the object.
  explicit CAdvancedSearch(platform::MailSession& session) : m_search(session) {}

  // scope: the folder path in single quotes. False (logged) when the search
  // failed; the earlier results are gone either way.
  bool SyncSearch(const std::string& scope, const std::string& restriction, const std::string& tag);
  bool HasResults() const { return m_search.HasResults(); }
  // The results (REQUIRES: HasResults()).
  platform::Items& Results() { return m_search.Results(); }
  // Re-sorts the results ("Field" or "[Field]", then " desc" or " asc");
  // false (logged) for a field the results cannot be sorted by.
  bool Sort(const std::string& sortText);
  void Release() { m_search.Release(); }

 private:
  platform::AdvancedSearch m_search;
};
