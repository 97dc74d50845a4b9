#pragma once
// How MAPI property tags map onto the mail store's items: the fixed tags the
// add-in reads (message class, subject, body, sender, entry id, times) and
// the named properties that MAPIUtils::GetIDsFromNames hands out (the
// meeting's global object ids, and the public-strings names, which are the
// items' user properties). Shared by the safe items, MAPIUtils and MAPITable.
// A tag is id << 16 | type; a named property's id is 0x8000 or above.
#include <cstdint>
#include <string>

#include "platform/store/Item.h"
#include "platform/store/StoreTypes.h"

namespace Redemption {

// Property types (the low word of a tag).
inline constexpr long PT_LONG = 0x0003;
inline constexpr long PT_BOOLEAN = 0x000B;
inline constexpr long PT_STRING8 = 0x001E;
inline constexpr long PT_UNICODE = 0x001F;
inline constexpr long PT_SYSTIME = 0x0040;
inline constexpr long PT_BINARY = 0x0102;

// Property sets of the named properties the add-in asks for.
inline constexpr const char* PSETID_Meeting = "{6ED8DA90-450B-101B-98DA-00AA003F1305}";
inline constexpr const char* PS_PUBLIC_STRINGS = "{00020329-0000-0000-C000-000000000046}";

// Resolves a named property to its tag with type 0 (id << 16); 0 when the
// name is unknown and `create` is false. The same name always gives the same
// id for the life of the process. GUIDs are compared without regard to case.
long ResolveNamedProp(const std::string& propSetGuid, long id, bool create);
long ResolveNamedProp(const std::string& propSetGuid, const std::string& name, bool create);

// The name of the user property that the named tag stands for; "" for
// any other tag.
std::string UserPropertyName(long tag);

// Reads the property `tag` of the item: monostate when the item has no such
// value. Throws platform::Error for a tag this layer does not know.
platform::PropValue ReadProp(const platform::Item& item, long tag);
// Writes it in memory (the caller saves). Throws platform::Error for a tag
// that cannot be written or a value of the wrong type.
void WriteProp(platform::Item& item, long tag, const platform::PropValue& value);

// The bytes of an entry id as PR_ENTRYID carries them, and back: a hex entry
// id travels as its bytes, so that the hex text of PR_ENTRYID opens the item.
platform::Bytes EntryIdBytes(const std::string& entryId);
// Upper-case hex, two digits per byte.
std::string HexOf(const platform::Bytes& bytes);

}  // namespace Redemption
