#include "platform/redemption/MapiProps.h"

#include <cctype>
#include <cstdio>
#include <string_view>
#include <vector>

#include "platform/Error.h"
#include "platform/Text.h"
#include "platform/store/UserProperties.h"

namespace Redemption {
namespace {

constexpr long kFirstNamedId = 0x8000;

// What a named property stands for on a store item.
enum class NamedKind { GlobalObjectId, UserProperty, Unbacked };

struct NamedProp {
  std::string guid;  // upper case
  long lid = 0;      // numeric name, when `name` is empty
  std::string name;  // string name (public strings)
  NamedKind kind = NamedKind::Unbacked;
};

std::vector<NamedProp>& NamedProps() {
  static std::vector<NamedProp> props;
  return props;
}

std::string UpperAscii(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// Meeting ids 3 (global object id) and 0x23 (the id without instance date)
// are the one global object id the store keeps per meeting.
NamedKind KindOf(const std::string& guid, long lid, const std::string& name) {
  if (guid == PSETID_Meeting && name.empty() && (lid == 3 || lid == 0x23)) return NamedKind::GlobalObjectId;
  if (guid == PS_PUBLIC_STRINGS && !name.empty()) return NamedKind::UserProperty;
  return NamedKind::Unbacked;
}

long Resolve(const std::string& propSetGuid, long lid, const std::string& name, bool create) {
  auto& props = NamedProps();
  // The set ids are kept upper-case; a search (the add-in's, by its user
  // properties' names, for every received item) needs no upper-case copy.
  for (size_t i = 0; i < props.size(); ++i) {
    const NamedProp& p = props[i];
    if (p.lid == lid && platform::EqualsNoCase(p.name, name) && platform::EqualsNoCase(p.guid, propSetGuid)) {
      return (kFirstNamedId + static_cast<long>(i)) << 16;
    }
  }
  const std::string guid = UpperAscii(propSetGuid);
  const NamedKind kind = KindOf(guid, lid, name);
  // Names the store backs exist already; others only when asked to create.
  if (kind == NamedKind::Unbacked && !create) return 0;
  props.push_back({guid, lid, name, kind});
  return (kFirstNamedId + static_cast<long>(props.size() - 1)) << 16;
}

long IdOf(long tag) { return (tag >> 16) & 0xFFFF; }
long TypeOf(long tag) { return tag & 0xFFFF; }

const NamedProp& NamedOf(long tag) {
  const long index = IdOf(tag) - kFirstNamedId;
  const auto& props = NamedProps();
  if (index < 0 || index >= static_cast<long>(props.size())) {
    char text[64];
    std::snprintf(text, sizeof text, "unknown named property tag 0x%08lX", tag & 0xFFFFFFFFL);
    throw platform::Error(text);
  }
  return props[static_cast<size_t>(index)];
}

// Fixed tags and the item property each stands for.
struct FixedProp {
  long id;
  const char* property;
};
constexpr FixedProp kFixed[] = {
    {0x0017, "Importance"},        {0x001A, "MessageClass"},       {0x0036, "Sensitivity"},
    {0x0037, "Subject"},           {0x0039, "SentOn"},             {0x0C1A, "SenderName"},
    {0x0C1F, "SenderEmailAddress"}, {0x0E04, "To"},                {0x0E06, "ReceivedTime"},
    {0x1000, "Body"},              {0x3007, "CreationTime"},       {0x3008, "LastModificationTime"},
};
constexpr long kEntryId = 0x0FFF;

const char* FixedProperty(long tag) {
  for (const FixedProp& f : kFixed) {
    if (f.id == IdOf(tag)) return f.property;
  }
  return nullptr;
}

[[noreturn]] void UnknownTag(long tag) {
  char text[64];
  std::snprintf(text, sizeof text, "unsupported property tag 0x%08lX", tag & 0xFFFFFFFFL);
  throw platform::Error(text);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

long ResolveNamedProp(const std::string& propSetGuid, long id, bool create) {
  return Resolve(propSetGuid, id, "", create);
}

long ResolveNamedProp(const std::string& propSetGuid, const std::string& name, bool create) {
  if (name.empty()) throw platform::Error("GetIDsFromNames: empty property name");
  return Resolve(propSetGuid, 0, name, create);
}

std::string UserPropertyName(long tag) {
  const long index = IdOf(tag) - kFirstNamedId;
  const auto& props = NamedProps();
  if (index < 0 || index >= static_cast<long>(props.size())) return "";
  const NamedProp& p = props[static_cast<size_t>(index)];
  return p.kind == NamedKind::UserProperty ? p.name : "";
}

platform::PropValue ReadProp(const platform::Item& item, long tag) {
  if (!item) throw platform::Error("HrGetOneProp: the item is Nothing");
  if (IdOf(tag) >= kFirstNamedId) {
    const NamedProp& p = NamedOf(tag);
    switch (p.kind) {
      case NamedKind::GlobalObjectId: {
        platform::Bytes id = item.GlobalObjectID();
        if (id.empty()) return std::monostate{};
        return id;
      }
      case NamedKind::UserProperty: {
        platform::UserProperty prop = item.UserProperties().Find(p.name);
        if (!prop) return std::monostate{};
        return prop.Value();
      }
      case NamedKind::Unbacked:
        return std::monostate{};
    }
  }
  if (IdOf(tag) == kEntryId) {
    const std::string id = item.EntryID();
    if (id.empty()) return std::monostate{};
    return EntryIdBytes(id);
  }
  if (IdOf(tag) == 0x0E04) return item.To();
  const char* property = FixedProperty(tag);
  if (property == nullptr) UnknownTag(tag);
  if (!platform::Item::IsKnownProperty(item.Class(), property)) return std::monostate{};
  return item.Get(property);
}

void WriteProp(platform::Item& item, long tag, const platform::PropValue& value) {
  if (!item) throw platform::Error("HrSetOneProp: the item is Nothing");
  if (IdOf(tag) >= kFirstNamedId) {
    const NamedProp& p = NamedOf(tag);
    switch (p.kind) {
      case NamedKind::GlobalObjectId:
        if (!std::holds_alternative<platform::Bytes>(value)) {
          throw platform::Error("HrSetOneProp: the global object id takes bytes");
        }
        item.SetGlobalObjectID(std::get<platform::Bytes>(value));
        return;
      case NamedKind::UserProperty:
        if (!std::holds_alternative<std::string>(value)) {
          throw platform::Error("HrSetOneProp: user property '" + p.name + "' takes text");
        }
        item.UserProperties().Add(p.name).SetValue(std::get<std::string>(value));
        return;
      case NamedKind::Unbacked:
        UnknownTag(tag);
    }
  }
  const char* property = FixedProperty(tag);
  if (property == nullptr) UnknownTag(tag);
  if (TypeOf(tag) == PT_STRING8 || TypeOf(tag) == PT_UNICODE) {
    if (!std::holds_alternative<std::string>(value)) {
      throw platform::Error(std::string("HrSetOneProp: '") + property + "' takes text");
    }
  }
  item.Set(property, value);
}

platform::Bytes EntryIdBytes(const std::string& entryId) {
  // Every search's row is an entry id read this way: one pass, no growing.
  if (entryId.empty() || entryId.size() % 2 != 0) return platform::Bytes(entryId.begin(), entryId.end());
  platform::Bytes bytes(entryId.size() / 2);
  for (size_t i = 0; i < bytes.size(); ++i) {
    const int high = HexDigit(entryId[2 * i]);
    const int low = HexDigit(entryId[2 * i + 1]);
    if (high < 0 || low < 0) return platform::Bytes(entryId.begin(), entryId.end());
    bytes[i] = static_cast<uint8_t>(high * 16 + low);
  }
  return bytes;
}

std::string HexOf(const platform::Bytes& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text(bytes.size() * 2, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) {
    text[2 * i] = kDigits[bytes[i] >> 4];
    text[2 * i + 1] = kDigits[bytes[i] & 0x0F];
  }
  return text;
}

}  // namespace Redemption
