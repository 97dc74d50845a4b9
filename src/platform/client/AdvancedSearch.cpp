#include "platform/client/AdvancedSearch.h"

#include "platform/Error.h"
#include "platform/Text.h"
#include "platform/store/Folders.h"

namespace platform {

void AdvancedSearch::SyncSearch(const std::string& scope, const std::string& restriction, const std::string& tag) {
  Release();
  const std::string path = Trim(scope);
  if (path.size() < 2 || path.front() != '\'' || path.back() != '\'')
    throw Error("the search scope " + scope + " is no quoted folder path");
  std::vector<std::string> names = Split(path.substr(1, path.size() - 2), '\\');
  if (!names.empty() && names.front().empty()) names.erase(names.begin());
  Folder folder = session_.GetRootFolder();
  if (names.empty() || names.front() != folder.Name()) throw Error("no folder " + scope + " to search");
  for (size_t i = 1; i < names.size(); ++i) {
    folder = folder.Folders().Find(names[i]);
    if (!folder) throw Error("no folder " + scope + " to search");
  }
  Items items = folder.Items();
  results_ = Trim(restriction).empty() ? items : items.Restrict(restriction);
  tag_ = tag;
}

Items& AdvancedSearch::Results() {
  if (!results_) throw Error("the search holds no results");
  return *results_;
}

void AdvancedSearch::Sort(const std::string& sortText) {
  if (!results_) return;
  std::string field = Trim(sortText);
  bool descending = false;
  const size_t blank = field.find_last_of(' ');
  if (blank != std::string::npos) {
    const std::string order = Lower(field.substr(blank + 1));
    if (order == "desc" || order == "asc") {
      descending = order == "desc";
      field = Trim(field.substr(0, blank));
    }
  }
  if (field.empty()) return;
  results_->Sort(field, descending);
}

void AdvancedSearch::Release() {
  results_.reset();
  tag_.clear();
}

}  // namespace platform
