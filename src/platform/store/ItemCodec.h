#pragma once
// ItemCodec: the binary form in which an item's property bag, recipients,
// links and recurrence (with its exceptions) are kept in one column of the
// items table (internal to the store). The user properties are kept in a
// column of their own (only a few of them are indexed, see StoreCore);
// attachments have a table of their own.
#include <string>

#include "platform/store/ItemState.h"

namespace platform::detail {

// Encodes the parts of `state` named above; the property bag without its
// LastModificationTime, which the row keeps in a column.
Bytes EncodeItem(const ItemState& state);
// Fills those parts of `state` from `blob` (written by this or an earlier
// version); throws platform::Error naming `where` when the blob is malformed.
void DecodeItem(const void* blob, size_t size, ItemState& state, const std::string& where);

// The user properties in their stored order; an empty list encodes to no
// bytes (the column is then NULL).
Bytes EncodeUserProps(const std::vector<std::shared_ptr<UserPropData>>& props);
// Decodes what EncodeUserProps wrote, in this or an earlier version (no
// bytes: none); throws platform::Error naming `where` when the bytes are
// malformed.
std::vector<std::shared_ptr<UserPropData>> DecodeUserProps(const void* blob, size_t size, const std::string& where);

}  // namespace platform::detail
