#pragma once
// NameIndex: a fixed set of names, each with its position, looked up by
// exact spelling. Made for the tables that are searched for every property
// or element read (tens of times per item): names of one length are few, so
// a lookup compares a handful of bytes where a hash table hashes the whole
// name first.
#include <array>
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace platform {

class NameIndex {
 public:
  // REQUIRES: the names outlive the index (string literals do).
  template <typename Range>
  explicit NameIndex(const Range& names) {
    size_t position = 0;
    for (std::string_view name : names) {
      if (name.size() < byLength_.size()) byLength_[name.size()].push_back({name, position});
      ++position;
    }
  }

  // The position of `name` among the names given, or nothing.
  std::optional<size_t> Find(std::string_view name) const {
    if (name.size() >= byLength_.size()) return std::nullopt;
    for (const Entry& e : byLength_[name.size()])
      if (e.name == name) return e.position;
    return std::nullopt;
  }

 private:
  struct Entry {
    std::string_view name;
    size_t position;
  };
  // Names of 64 bytes or more are not kept: none of the tables has one.
  std::array<std::vector<Entry>, 64> byLength_;
};

}  // namespace platform
