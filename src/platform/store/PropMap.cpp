#include "platform/store/PropMap.h"

#include <algorithm>
#include <stdexcept>

#include "platform/NameIndex.h"

namespace platform::detail {

size_t PropNumber(std::string_view name) {
  static const NameIndex index(kPropNames);
  return index.Find(name).value_or(kPropNames.size());
}

const std::array<uint8_t, kPropNames.size()>& PropMap::Ranks() {
  static const std::array<uint8_t, kPropNames.size()> ranks = [] {
    std::array<uint8_t, kPropNames.size()> order{};
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<uint8_t>(i);
    std::sort(order.begin(), order.end(), [](uint8_t a, uint8_t b) { return kPropNames[a] < kPropNames[b]; });
    std::array<uint8_t, kPropNames.size()> r{};
    for (size_t i = 0; i < order.size(); ++i) r[order[i]] = static_cast<uint8_t>(i);
    return r;
  }();
  return ranks;
}

const PropMap::Known* PropMap::FindKnown(size_t number) const {
  for (const Known& k : known_)
    if (k.number == number) return &k;
  return nullptr;
}

const PropValue* PropMap::FindNumber(size_t number) const {
  const Known* k = FindKnown(number);
  return k ? &k->value : nullptr;
}

const PropValue* PropMap::Find(std::string_view name) const {
  const size_t number = PropNumber(name);
  if (number < kPropNames.size()) {
    const Known* k = FindKnown(number);
    return k ? &k->value : nullptr;
  }
  auto it = std::lower_bound(other_.begin(), other_.end(), name,
                             [](const auto& e, std::string_view n) { return e.first < n; });
  return it != other_.end() && it->first == name ? &it->second : nullptr;
}

PropValue* PropMap::Find(std::string_view name) {
  return const_cast<PropValue*>(static_cast<const PropMap&>(*this).Find(name));
}

const PropValue& PropMap::at(std::string_view name) const {
  const PropValue* v = Find(name);
  if (!v) throw std::out_of_range("no stored property " + std::string(name));
  return *v;
}

PropValue& PropMap::ByNumber(size_t number) {
  if (const Known* k = FindKnown(number)) return const_cast<Known*>(k)->value;
  // Fewer allocations as a new item's values are set one by one.
  if (known_.capacity() == 0) known_.reserve(16);
  known_.push_back({static_cast<uint16_t>(number), PropValue()});
  return known_.back().value;
}

PropValue& PropMap::operator[](std::string_view name) {
  const size_t number = PropNumber(name);
  if (number < kPropNames.size()) return ByNumber(number);
  auto it = std::lower_bound(other_.begin(), other_.end(), name,
                             [](const auto& e, std::string_view n) { return e.first < n; });
  if (it == other_.end() || it->first != name) it = other_.emplace(it, std::string(name), PropValue());
  return it->second;
}

void PropMap::Erase(std::string_view name) {
  const size_t number = PropNumber(name);
  if (number < kPropNames.size()) {
    std::erase_if(known_, [&](const Known& k) { return k.number == number; });
    return;
  }
  std::erase_if(other_, [&](const auto& e) { return e.first == name; });
}

bool operator==(const PropMap& a, const PropMap& b) {
  if (a.known_.size() != b.known_.size() || a.other_ != b.other_) return false;
  for (const PropMap::Known& k : a.known_) {
    const PropMap::Known* o = b.FindKnown(k.number);
    if (!o || !(o->value == k.value)) return false;
  }
  return true;
}

}  // namespace platform::detail
