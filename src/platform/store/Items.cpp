#include "platform/store/Items.h"

#include <unordered_set>

#include "platform/Error.h"
#include "platform/store/ItemFilter.h"
#include "platform/store/StoreCore.h"

namespace platform {

namespace {

OlObjectClass ClassOf(OlItemType type) {
  switch (type) {
    case olMailItem: return olMail;
    case olAppointmentItem: return olAppointment;
    case olContactItem: return olContact;
  }
  throw Error("item type " + std::to_string(static_cast<int>(type)) + " is not supported");
}

// A restriction's condition: this collection's own and the new one, both held.
detail::SqlCondition Combine(const detail::SqlCondition& a, detail::SqlCondition b) {
  if (a.sql.empty()) return b;
  detail::SqlCondition out;
  out.sql = a.sql + " AND " + b.sql;
  out.binds = a.binds;
  out.binds.insert(out.binds.end(), b.binds.begin(), b.binds.end());
  out.columns = a.columns | b.columns;
  return out;
}

}  // namespace

Items::Items(std::shared_ptr<detail::StoreCore> core, std::shared_ptr<detail::ItemQuery> query)
    : core_(std::move(core)), query_(std::move(query)) {}

int Items::Count() const { return core_->CountIds(*query_); }

Item Items::Item(int index) const {
  const std::vector<int64_t>& ids = core_->ListIds(*query_);
  if (index < 1 || index > static_cast<int>(ids.size()))
    throw Error("item index " + std::to_string(index) + " out of range 1.." + std::to_string(ids.size()));
  return platform::Item(core_, core_->StateFor(ids[static_cast<size_t>(index - 1)], false));
}

std::vector<Item> Items::All() const {
  std::vector<platform::Item> out;
  for (int64_t id : core_->ListIds(*query_)) out.emplace_back(core_, core_->StateFor(id, false));
  return out;
}

Item Items::Add(OlItemType type) const { return AddOfClass(ClassOf(type)); }

Item Items::AddOfClass(OlObjectClass cls) const {
  core_->GetFolder(query_->folderId);
  return platform::Item(core_, core_->NewItemState(query_->folderId, cls));
}

Items Items::Restrict(const std::string& filter) const {
  auto q = std::make_shared<detail::ItemQuery>();
  q->folderId = query_->folderId;
  q->cond = Combine(query_->cond, detail::CompileFilter(filter));
  q->sortColumn = query_->sortColumn;
  q->descending = query_->descending;
  return Items(core_, q);
}

void Items::Sort(const std::string& field, bool descending) {
  query_->sortColumn = detail::SortColumn(field);
  query_->descending = descending;
  query_->listed = false;
}

std::vector<Item> Items::FindByUserProperty(const std::string& name, const std::string& value,
                                            const std::optional<std::string>& messageClass) const {
  std::vector<int64_t> ids = core_->FindByUserProperty(query_->folderId, name, value, messageClass);
  if (!query_->cond.sql.empty() && !ids.empty()) {
    // A restricted collection keeps only the found items it lists itself.
    const std::vector<int64_t>& listed = core_->ListIds(*query_);
    const std::unordered_set<int64_t> mine(listed.begin(), listed.end());
    std::erase_if(ids, [&](int64_t id) { return !mine.contains(id); });
  }
  std::vector<platform::Item> out;
  for (int64_t id : ids) out.emplace_back(core_, core_->StateFor(id, false));
  return out;
}

Item Items::Find(const std::string& filter) {
  findQuery_ = Restrict(filter).query_;
  findPos_ = 0;
  return FindNext();
}

Item Items::FindNext() {
  if (!findQuery_) throw Error("FindNext needs a Find first");
  const std::vector<int64_t>& ids = core_->ListIds(*findQuery_);
  if (findPos_ >= static_cast<int>(ids.size())) return platform::Item();
  return platform::Item(core_, core_->StateFor(ids[static_cast<size_t>(findPos_++)], false));
}

}  // namespace platform
