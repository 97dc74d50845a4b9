#pragma once
// ItemProperties: the table of the item properties the store knows — their
// canonical names, value kinds, defaults and whether callers may set them
// (internal to the store).
#include <string>
#include <string_view>

#include "platform/store/ItemState.h"
#include "platform/store/StoreTypes.h"

namespace platform::detail {

enum class PropKind { Text, Int, Bool, Double, Date, Bytes };

// Properties computed from other state rather than held in the bag.
enum class PropSource { Stored, EntryID, Class, Duration, RecurrenceState, IsRecurring,
                        Saved, RecipientsOfType };

struct PropInfo {
  const char* name;
  PropKind kind;
  PropSource source = PropSource::Stored;
  bool readOnly = false;
  int recipientType = 0;  // for PropSource::RecipientsOfType
};

// The property of that name (case-insensitive), or nullptr.
const PropInfo* FindProperty(std::string_view name);
// The number under which an item's property bag holds the property.
// REQUIRES: `info` comes from FindProperty.
size_t StoredNumber(const PropInfo& info);
// The value an item holds for a property it never set.
PropValue DefaultValue(const PropInfo& info, OlObjectClass cls);
// The stored value of a Stored property, or its default.
PropValue StoredOrDefault(const PropMap& props, const PropInfo& info, OlObjectClass cls);
// "IPM.Appointment", "IPM.Note", ... for a class.
std::string DefaultMessageClass(OlObjectClass cls);
// Throws platform::Error naming the property unless `value` fits its kind;
// returns the value converted (an integer given for a double).
PropValue CheckKind(const PropInfo& info, PropValue value);

}  // namespace platform::detail
