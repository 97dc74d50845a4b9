#pragma once
// Items: the items of one folder, optionally restricted by a filter and
// sorted. The collection is live: Count and Item see every committed write,
// and only item ids are listed — an Item is loaded when it is first read.
//
// Filter language (Restrict/Find): comparisons "[Field] op 'value'" with op
// one of = <> < > <= >=, values in single or double quotes, joined with And,
// Or, Not and parentheses (keywords in any case). Fields: MessageClass,
// Subject, FullName (texts, compared without regard to case), Start, End,
// LastModificationTime, CreationTime, ReceivedTime (dates, the value parsed
// with Date::Parse, e.g. '12/05/2026 10:30 AM'). Letter case is ignored for
// ASCII letters only. An unknown field or a syntax error throws
// platform::Error naming the field or the position.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/store/Item.h"
#include "platform/store/StoreTypes.h"

namespace platform {

namespace detail {
class StoreCore;
struct ItemQuery;
}  // namespace detail

class Items {
 public:
  int Count() const;
  // 1-based as in the client. REQUIRES: 1 <= index <= Count(); throws
  // platform::Error otherwise.
  platform::Item Item(int index) const;
  // Every item in collection order (handles only; nothing is loaded).
  std::vector<platform::Item> All() const;
  // A new, unsaved item for the folder (its class from the type); it enters
  // the folder at Save.
  platform::Item Add(OlItemType type) const;
  // As Add(type) but with an exact class, e.g. olMeetingRequest (transport).
  platform::Item AddOfClass(OlObjectClass cls) const;
  // A new collection of the items matching `filter` (combined with And with
  // this collection's own filter), keeping this collection's sort.
  Items Restrict(const std::string& filter) const;
  // Orders this collection by `field` ("[Start]" or "Start"; any field of
  // the filter language, plus "Subject"-like texts). Throws platform::Error
  // for a field it cannot sort by.
  void Sort(const std::string& field, bool descending = false);
  // The items of this collection whose user property `name` has `value`
  // (compared as MailSession::FindByUserProperty does), found through the
  // store's index; ordered by entry id creation. With `messageClass`, only
  // the items of that message class (ASCII case ignored).
  std::vector<platform::Item> FindByUserProperty(const std::string& name, const std::string& value,
                                                 const std::optional<std::string>& messageClass = std::nullopt) const;
  // The first item matching `filter` (Nothing when none); FindNext continues
  // after the last one found.
  platform::Item Find(const std::string& filter);
  platform::Item FindNext();

  Items(std::shared_ptr<detail::StoreCore> core, std::shared_ptr<detail::ItemQuery> query);

 private:
  std::shared_ptr<detail::StoreCore> core_;
  std::shared_ptr<detail::ItemQuery> query_;
  std::shared_ptr<detail::ItemQuery> findQuery_;
  int findPos_ = 0;
};

}  // namespace platform
