#pragma once
// KeyedCollection: an insertion-ordered collection whose items may carry a
// text key, as the Basic collection behaves: 1-based indices, keys compared
// without regard to (ASCII) case, a duplicate key refused. Lookup by index
// and by key is O(1); removal is O(n).
#include <concepts>
#include <cstddef>
#include <iterator>
#include <memory>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/Error.h"

namespace platform {

template <typename T>
class KeyedCollection {
  struct Entry {
    std::string key;
    T item;
  };
  using Entries = std::vector<std::unique_ptr<Entry>>;

 public:
  // Iterates the items (T&) in insertion order.
  template <typename E, typename V>
  class BasicIterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using pointer = V*;
    using reference = V&;
    BasicIterator() = default;
    explicit BasicIterator(E it) : it_(it) {}
    V& operator*() const { return (*it_)->item; }
    V* operator->() const { return &(*it_)->item; }
    BasicIterator& operator++() { ++it_; return *this; }
    BasicIterator operator++(int) { BasicIterator r = *this; ++it_; return r; }
    bool operator==(const BasicIterator& o) const { return it_ == o.it_; }
    bool operator!=(const BasicIterator& o) const { return it_ != o.it_; }
    // The key of the current item ("" for an item added without one).
    const std::string& key() const { return (*it_)->key; }

   private:
    E it_{};
  };
  using iterator = BasicIterator<typename Entries::iterator, T>;
  using const_iterator = BasicIterator<typename Entries::const_iterator, const T>;

  // Appends an item. key "" adds it without a key. Throws platform::Error
  // (number 457, as the collection reports it) when the key is already used.
  T& Add(T item, const std::string& key = "") {
    std::string folded = Fold(key);
    if (!key.empty() && index_.count(folded))
      throw Error("This key is already associated with an element of this collection: " + key, 457);
    entries_.push_back(std::make_unique<Entry>(Entry{key, std::move(item)}));
    Entry* e = entries_.back().get();
    if (!key.empty()) index_.emplace(std::move(folded), e);
    return e->item;
  }

  // The item at a 1-based index (any integer type). Throws platform::Error
  // (9) when out of range.
  template <std::integral I>
  T& Item(I index) { return At(ToIndex(index)).item; }
  template <std::integral I>
  const T& Item(I index) const { return At(ToIndex(index)).item; }
  // The item with the key. Throws platform::Error (5) when there is none.
  T& Item(const std::string& key) { return ByKey(key).item; }
  const T& Item(const std::string& key) const { return ByKey(key).item; }
  T& Item(const char* key) { return ByKey(key).item; }
  const T& Item(const char* key) const { return ByKey(key).item; }
  // The item with the key, or nullptr.
  T* Find(const std::string& key) {
    auto it = index_.find(Fold(key));
    return it == index_.end() ? nullptr : &it->second->item;
  }
  const T* Find(const std::string& key) const {
    auto it = index_.find(Fold(key));
    return it == index_.end() ? nullptr : &it->second->item;
  }
  bool Exists(const std::string& key) const { return index_.count(Fold(key)) != 0; }
  // The key of the item at a 1-based index ("" when it has none).
  template <std::integral I>
  const std::string& KeyAt(I index) const { return At(ToIndex(index)).key; }
  // The 1-based index of the item with the key; 0 when there is none.
  size_t IndexOf(const std::string& key) const {
    auto it = index_.find(Fold(key));
    if (it == index_.end()) return 0;
    for (size_t i = 0; i < entries_.size(); ++i)
      if (entries_[i].get() == it->second) return i + 1;
    return 0;
  }

  // Removes the item with the key. Throws platform::Error (5) when missing.
  void Remove(const std::string& key) {
    size_t i = IndexOf(key);
    if (i == 0) throw Error("Invalid procedure call or argument: no element with key " + key, 5);
    RemoveAt(i);
  }
  void Remove(const char* key) { Remove(std::string(key)); }
  // Removes the item at a 1-based index. Throws platform::Error (9) when out of range.
  template <std::integral I>
  void Remove(I index) { RemoveAt(ToIndex(index)); }

  size_t Count() const { return entries_.size(); }
  bool Empty() const { return entries_.empty(); }
  void Clear() {
    index_.clear();
    entries_.clear();
  }

  iterator begin() { return iterator(entries_.begin()); }
  iterator end() { return iterator(entries_.end()); }
  const_iterator begin() const { return const_iterator(entries_.begin()); }
  const_iterator end() const { return const_iterator(entries_.end()); }

 private:
  static std::string Fold(const std::string& key) {
    std::string s = key;
    for (char& c : s)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
  }
  template <typename I>
  static size_t ToIndex(I index) {
    if constexpr (std::is_signed_v<I>)
      if (index < 0) return 0;
    return static_cast<size_t>(index);
  }
  void RemoveAt(size_t index) {
    Entry& e = At(index);
    if (!e.key.empty()) index_.erase(Fold(e.key));
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index - 1));
  }
  Entry& At(size_t index) const {
    if (index < 1 || index > entries_.size())
      throw Error("Subscript out of range: index " + std::to_string(index) + " of " +
                      std::to_string(entries_.size()),
                  9);
    return *entries_[index - 1];
  }
  Entry& ByKey(const std::string& key) const {
    auto it = index_.find(Fold(key));
    if (it == index_.end())
      throw Error("Invalid procedure call or argument: no element with key " + key, 5);
    return *it->second;
  }

  Entries entries_;
  std::unordered_map<std::string, Entry*> index_;
};

}  // namespace platform
