#include "platform/client/AddinRegistry.h"

#include "platform/Error.h"

namespace platform::AddinRegistry {

namespace {

std::string KeyOf(const std::string& progId) { return std::string(kAddinsKey) + "\\" + progId; }

// The number a value holds: a DWORD, or a text of decimal digits; -1 for
// anything else.
int64_t Number(uint32_t type, const std::string& data) {
  if (type == REG_DWORD && data.size() == 4) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(data[static_cast<size_t>(i)]);
    return v;
  }
  if (type != REG_SZ || data.empty() || data.size() > 9 || data.find_first_not_of("0123456789") != std::string::npos)
    return -1;
  return std::stoll(data);
}

}  // namespace

void Register(Registry& reg, HKEY root, const std::string& progId, const std::string& friendlyName,
              const std::string& description, uint32_t loadBehavior) {
  HKEY key = 0;
  if (reg.CreateKey(root, KeyOf(progId), KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
    throw Error("cannot register the add-in " + progId + " in the registry of " + reg.Folder().string());
  long rc = reg.SetDword(key, "LoadBehavior", loadBehavior);
  if (rc == ERROR_SUCCESS) rc = reg.SetString(key, "FriendlyName", friendlyName);
  if (rc == ERROR_SUCCESS) rc = reg.SetString(key, "Description", description);
  reg.CloseKey(key);
  if (rc != ERROR_SUCCESS)
    throw Error("cannot write the registration of the add-in " + progId + " (error " + std::to_string(rc) + ")");
}

int64_t LoadBehavior(Registry& reg, const std::string& progId) {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    HKEY key = 0;
    if (reg.OpenKey(root, KeyOf(progId), KEY_READ, &key) != ERROR_SUCCESS) continue;
    uint32_t type = 0;
    std::string data;
    const long rc = reg.QueryValue(key, "LoadBehavior", &type, &data);
    reg.CloseKey(key);
    const int64_t n = rc == ERROR_SUCCESS ? Number(type, data) : -1;
    return n < 0 ? 0 : n;
  }
  return -1;
}

bool LoadsAtStartup(Registry& reg, const std::string& progId) {
  const int64_t b = LoadBehavior(reg, progId);
  return b >= 0 && (b & (kConnected | kLoadAtStartup)) == (kConnected | kLoadAtStartup);
}

}  // namespace platform::AddinRegistry
