#include "platform/store/UserProperties.h"

#include "platform/Error.h"
#include "platform/Text.h"
#include "platform/store/ItemState.h"

namespace platform {

UserProperty::UserProperty(std::shared_ptr<detail::ItemState> item, std::shared_ptr<detail::UserPropData> data)
    : item_(std::move(item)), data_(std::move(data)) {}

std::string UserProperty::Name() const { return data_->name; }
std::string UserProperty::Value() const { return data_->value; }
OlUserPropertyType UserProperty::Type() const { return data_->type; }

void UserProperty::SetValue(const std::string& value) {
  if (data_->value == value) return;
  data_->value = value;
  item_->dirty = true;
}

void UserProperty::Delete() {
  auto& list = item_->userProps;
  auto n = std::erase(list, data_);
  if (n) item_->dirty = true;
}

UserProperties::UserProperties(std::shared_ptr<detail::ItemState> item) : item_(std::move(item)) {}

int UserProperties::Count() const { return static_cast<int>(item_->userProps.size()); }

UserProperty UserProperties::Item(int index) const {
  if (index < 1 || index > Count())
    throw Error("user property index " + std::to_string(index) + " out of range 1.." + std::to_string(Count()));
  return UserProperty(item_, item_->userProps[static_cast<size_t>(index - 1)]);
}

UserProperty UserProperties::Item(const std::string& name) const {
  UserProperty p = Find(name);
  if (!p) throw Error("user property \"" + name + "\" does not exist");
  return p;
}

UserProperty UserProperties::Find(const std::string& name) const {
  for (const auto& p : item_->userProps)
    if (EqualsNoCase(p->name, name)) return UserProperty(item_, p);
  return UserProperty();
}

UserProperty UserProperties::Add(const std::string& name, OlUserPropertyType type) {
  if (name.empty()) throw Error("a user property needs a name");
  if (UserProperty existing = Find(name)) return existing;
  auto p = std::make_shared<detail::UserPropData>();
  p->name = name;
  p->type = type;
  // An item carries a handful: room for them at once.
  if (item_->userProps.empty()) item_->userProps.reserve(8);
  item_->userProps.push_back(p);
  item_->dirty = true;
  return UserProperty(item_, p);
}

void UserProperties::Remove(int index) { Item(index).Delete(); }

}  // namespace platform
