#pragma once
// AddinRegistry: the client's list of COM add-ins, kept in the registry as
// one key per add-in (its ProgID) under kAddinsKey of the user's or the
// machine's hive. An installer writes the key; the client reads it at its
// start to decide which add-ins to load.
#include <cstdint>
#include <string>

#include "platform/Registry.h"

namespace platform::AddinRegistry {

inline constexpr const char* kAddinsKey = "SOFTWARE\\Microsoft\\Office\\Outlook\\Addins";
// LoadBehavior bits: connected (1) and loaded at the client's start (2).
inline constexpr uint32_t kConnected = 1;
inline constexpr uint32_t kLoadAtStartup = 2;

// Writes the add-in's key under `root` with the values LoadBehavior (a
// DWORD), FriendlyName and Description, replacing what was there. Throws
// platform::Error when the hive cannot be written.
void Register(Registry& reg, HKEY root, const std::string& progId, const std::string& friendlyName,
              const std::string& description, uint32_t loadBehavior = kConnected | kLoadAtStartup);

// The add-in's LoadBehavior as the client takes it: from the user's key when
// there is one, else from the machine's; -1 when neither hive holds the key.
// A key without a numeric LoadBehavior counts as 0 (not loaded).
int64_t LoadBehavior(Registry& reg, const std::string& progId);

// Whether the client loads and connects the add-in at its start: both bits
// of its LoadBehavior set.
bool LoadsAtStartup(Registry& reg, const std::string& progId);

}  // namespace platform::AddinRegistry
