#pragma once
// UserProperties: the named custom properties of one item, in insertion
// order, looked up by name without regard to case as the client does. The
// values are texts (the add-in only creates olText properties); they are
// indexed in the store so that MailSession::FindByUserProperty needs no scan.
#include <memory>
#include <string>

#include "platform/store/StoreTypes.h"

namespace platform {

namespace detail {
struct ItemState;
struct UserPropData;
}  // namespace detail

// One user property; a handle sharing the item's state.
class UserProperty {
 public:
  UserProperty() = default;  // Nothing
  explicit operator bool() const { return data_ != nullptr; }
  std::string Name() const;
  std::string Value() const;
  // Marks the item unsaved when the value differs.
  void SetValue(const std::string& value);
  OlUserPropertyType Type() const;
  // Removes this property from its item (on the next Save).
  void Delete();

  UserProperty(std::shared_ptr<detail::ItemState> item, std::shared_ptr<detail::UserPropData> data);

 private:
  std::shared_ptr<detail::ItemState> item_;
  std::shared_ptr<detail::UserPropData> data_;
};

class UserProperties {
 public:
  explicit UserProperties(std::shared_ptr<detail::ItemState> item);
  int Count() const;
  // REQUIRES: 1 <= index <= Count(); throws platform::Error otherwise.
  UserProperty Item(int index) const;
  // By name (case-insensitive); throws platform::Error naming it when missing.
  UserProperty Item(const std::string& name) const;
  // By name (case-insensitive); Nothing when missing.
  UserProperty Find(const std::string& name) const;
  // Appends a property with an empty value; when one of that name exists
  // already it is returned unchanged (as the client does).
  UserProperty Add(const std::string& name, OlUserPropertyType type = olText);
  // REQUIRES: 1 <= index <= Count(); throws platform::Error otherwise.
  void Remove(int index);

 private:
  std::shared_ptr<detail::ItemState> item_;
};

}  // namespace platform
