#pragma once
// Links: the contacts an item is linked to (the item's "Contacts"), kept as
// the contact's entry id and name so that the contact need not be open.
#include <memory>
#include <string>

namespace platform {

namespace detail {
struct ItemState;
}  // namespace detail

class Item;

struct Link {
  std::string EntryID;
  std::string Name;
};

class Links {
 public:
  explicit Links(std::shared_ptr<detail::ItemState> item);
  int Count() const;
  // REQUIRES: 1 <= index <= Count(); throws platform::Error otherwise.
  Link Item(int index) const;
  // Links a saved contact (its EntryID and FullName). Throws platform::Error
  // when the item is no saved contact.
  void Add(const platform::Item& contact);
  void Add(const Link& link);
  // REQUIRES: 1 <= index <= Count(); throws platform::Error otherwise.
  void Remove(int index);

 private:
  std::shared_ptr<detail::ItemState> item_;
};

}  // namespace platform
