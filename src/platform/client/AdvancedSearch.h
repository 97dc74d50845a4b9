#pragma once
// AdvancedSearch: the client's search component for folders named by path,
// as a search over the store. A search names its scope as the folder path
// in single quotes ("'\Personal Folders\Contacts\Work'"), a restriction in
// the filter language of Items, and a tag naming the search; the results
// are the scope folder's items that match, in a sort order that can be
// changed while they are held.
#include <optional>
#include <string>

#include "platform/store/Items.h"
#include "platform/store/MailSession.h"

namespace platform {

class AdvancedSearch {
 public:
  // The session must outlive the search.
  explicit AdvancedSearch(MailSession& session) : session_(session) {}

  // Runs the search to its end and holds the results. The scope's path is
  // taken from the store root down, by folder names, the root's own name
  // first. Throws platform::Error naming the scope when no folder has that
  // path or the quotes are missing, and the filter's error for a bad
  // restriction; the earlier results are dropped either way.
  void SyncSearch(const std::string& scope, const std::string& restriction, const std::string& tag);
  bool HasResults() const { return results_.has_value(); }
  const std::string& Tag() const { return tag_; }
  // The results (REQUIRES: HasResults(); throws platform::Error otherwise).
  Items& Results();
  // Re-sorts the held results: "Field" or "[Field]", optionally followed by
  // " desc" or " asc" (any case). Without results nothing happens.
  void Sort(const std::string& sortText);
  void Release();

 private:
  MailSession& session_;
  std::optional<Items> results_;
  std::string tag_;
};

}  // namespace platform
