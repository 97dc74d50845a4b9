#include "platform/store/Recipients.h"

#include "platform/Error.h"
#include "platform/store/ItemState.h"

namespace platform {

Recipient::Recipient(std::shared_ptr<detail::ItemState> item, std::shared_ptr<detail::RecipientData> data)
    : item_(std::move(item)), data_(std::move(data)) {}

std::string Recipient::Address() const { return data_->address; }
std::string Recipient::Name() const { return data_->name.empty() ? data_->address : data_->name; }
int Recipient::Type() const { return data_->type; }
bool Recipient::Resolve() { return true; }

void Recipient::SetAddress(const std::string& v) {
  data_->address = v;
  item_->dirty = true;
}
void Recipient::SetName(const std::string& v) {
  data_->name = v;
  item_->dirty = true;
}
void Recipient::SetType(int v) {
  data_->type = v;
  item_->dirty = true;
}
void Recipient::Delete() {
  if (std::erase(item_->recipients, data_)) item_->dirty = true;
}

Recipients::Recipients(std::shared_ptr<detail::ItemState> item) : item_(std::move(item)) {}

int Recipients::Count() const { return static_cast<int>(item_->recipients.size()); }

Recipient Recipients::Item(int index) const {
  if (index < 1 || index > Count())
    throw Error("recipient index " + std::to_string(index) + " out of range 1.." + std::to_string(Count()));
  return Recipient(item_, item_->recipients[static_cast<size_t>(index - 1)]);
}

Recipient Recipients::Add(const std::string& address, const std::string& name, int type) {
  auto r = std::make_shared<detail::RecipientData>();
  r->address = address;
  r->name = name;
  r->type = type;
  item_->recipients.push_back(r);
  item_->dirty = true;
  return Recipient(item_, r);
}

void Recipients::Remove(int index) { Item(index).Delete(); }

}  // namespace platform
