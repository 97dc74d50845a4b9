#pragma once
// ItemCodec: the binary form in which an item's property bag, recipients,
// links and recurrence (with its exceptions) are kept in one column of the
// items table (internal to the store). User properties and attachments have
// tables of their own.
#include <string>

#include "platform/store/ItemState.h"

namespace platform::detail {

// Encodes the parts of `state` named above.
Bytes EncodeItem(const ItemState& state);
// Fills those parts of `state` from `blob`; throws platform::Error naming
// `where` when the blob is malformed.
void DecodeItem(const void* blob, size_t size, ItemState& state, const std::string& where);

}  // namespace platform::detail
