#include "groups/mGroupEnums.h"

#include <array>

#include "diagnostics/CDebug.h"
#include "platform/Text.h"

namespace {

using Names = std::array<const char*, 3>;

const Names kRoles = {"member", "assistant", "manager"};
const Names kWaits = {"none", "replay", "confirmation"};
const Names kActions = {"none", "adding", "modifying"};

std::string ToText(const Names& names, int n, const char* source) {
  if (n >= 0 && n < static_cast<int>(names.size())) return names[n];
  g_Debug().OutCustomError(source, "invalid param - " + std::to_string(n));
  return "Error";
}

bool FromText(const Names& names, const std::string& s, int& n, const char* source) {
  for (int i = 0; i < static_cast<int>(names.size()); ++i) {
    if (platform::EqualsNoCase(s, names[i])) {
      n = i;
      return true;
    }
  }
  g_Debug().OutCustomError(source, "invalid param - " + s);
  return false;
}

}  // namespace

std::string Role2Str(int nRole) { return ToText(kRoles, nRole, "Role2Str"); }
bool Str2Role(const std::string& s, int& nRole) { return FromText(kRoles, s, nRole, "Str2Role"); }
std::string Wait2Str(int nWait) { return ToText(kWaits, nWait, "Wait2Str"); }
bool Str2Wait(const std::string& s, int& nWait) { return FromText(kWaits, s, nWait, "Str2Wait"); }
std::string Action2Str(int nAction) { return ToText(kActions, nAction, "Action2Str"); }
bool Str2Action(const std::string& s, int& nAction) { return FromText(kActions, s, nAction, "Str2Action"); }
