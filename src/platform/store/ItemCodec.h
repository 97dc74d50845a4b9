#pragma once
// ItemCodec: the binary form in which an item's property bag, recipients,
// links and recurrence (with its exceptions) are kept in one column of the
// items table (internal to the store). The user properties are kept in a
// column of their own (only a few of them are indexed, see StoreCore);
// attachments have a table of their own.
#include <functional>
#include <string>
#include <string_view>

#include "platform/store/ItemState.h"

namespace platform::detail {

// What an error names the decoded bytes by. A store names them by a
// function, called only when the bytes turn out malformed: building the
// item's entry id and the profile's path for every read cost more than the
// rest of reading a small item's user properties.
class DataPlace {
 public:
  DataPlace(const char* text) : text_(text) {}
  DataPlace(const std::string& text) : text_(text) {}
  DataPlace(std::function<std::string()> name) : name_(std::move(name)) {}
  std::string Text() const { return name_ ? name_() : std::string(text_); }

 private:
  std::string_view text_;
  std::function<std::string()> name_;
};

// Encodes the parts of `state` named above; the property bag without its
// LastModificationTime, which the row keeps in a column.
Bytes EncodeItem(const ItemState& state);
// Fills those parts of `state` from `blob` (written by this or an earlier
// version); throws platform::Error naming `where` when the blob is malformed.
void DecodeItem(const void* blob, size_t size, ItemState& state, const DataPlace& where);

// The user properties in their stored order; an empty list encodes to no
// bytes (the column is then NULL).
Bytes EncodeUserProps(const std::vector<std::shared_ptr<UserPropData>>& props);
// Decodes what EncodeUserProps wrote, in this or an earlier version (no
// bytes: none); throws platform::Error naming `where` when the bytes are
// malformed.
std::vector<std::shared_ptr<UserPropData>> DecodeUserProps(const void* blob, size_t size, const DataPlace& where);
// The same, property by property: fn(name, value, type), the texts in place
// (valid while the bytes are).
void ForEachUserProp(const void* blob, size_t size, const DataPlace& where,
                     const std::function<void(std::string_view, std::string_view, int64_t)>& fn);

}  // namespace platform::detail
