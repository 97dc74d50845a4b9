#include "platform/store/Links.h"

#include "platform/Error.h"
#include "platform/store/Item.h"
#include "platform/store/ItemState.h"

namespace platform {

Links::Links(std::shared_ptr<detail::ItemState> item) : item_(std::move(item)) {}

int Links::Count() const { return static_cast<int>(item_->links.size()); }

Link Links::Item(int index) const {
  if (index < 1 || index > Count())
    throw Error("link index " + std::to_string(index) + " out of range 1.." + std::to_string(Count()));
  return item_->links[static_cast<size_t>(index - 1)];
}

void Links::Add(const platform::Item& contact) {
  if (!contact || contact.Class() != olContact || contact.EntryID().empty())
    throw Error("only a saved contact can be linked to an item");
  Add(Link{contact.EntryID(), contact.FullName()});
}

void Links::Add(const Link& link) {
  item_->links.push_back(link);
  item_->dirty = true;
}

void Links::Remove(int index) {
  Item(index);
  item_->links.erase(item_->links.begin() + (index - 1));
  item_->dirty = true;
}

}  // namespace platform
