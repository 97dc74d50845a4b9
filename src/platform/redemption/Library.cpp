#include "platform/redemption/Library.h"

#include <array>
#include <cstdlib>
#include <optional>

#include "platform/redemption/MapiProps.h"
#include "platform/Error.h"
#include "platform/Text.h"

namespace Redemption {
namespace {

// nullopt: not decided yet, read the environment at the next query.
std::optional<bool>& Registered() {
  static std::optional<bool> registered;
  return registered;
}

bool RegisteredFromEnvironment() {
  const char* off = std::getenv("ZENTABO_NO_SAFEITEMS");
  return off == nullptr || *off == '\0' || std::string(off) == "0";
}

}  // namespace

bool IsRegistered() {
  if (!Registered()) Registered() = RegisteredFromEnvironment();
  return *Registered();
}

void SetRegistered(bool registered) { Registered() = registered; }

void ResetRegistration() { Registered().reset(); }

std::string_view CanonicalProgID(std::string_view progId) {
  static const std::array<const char*, 8> kClasses = {
      kSafeMailItem, kSafeAppointmentItem, kSafeMeetingItem, kSafeContactItem,
      kSafeCurrentUser, kMAPIUtils, kMAPITable, kRDOSession};
  // The program's own calls spell the names as given: those match at once.
  for (const char* name : kClasses) {
    if (progId == name) return name;
  }
  for (const char* name : kClasses) {
    if (platform::EqualsNoCase(progId, name)) return name;
  }
  return "";
}

void CheckClass(std::string_view progId) {
  if (!IsRegistered() || CanonicalProgID(progId).empty()) {
    throw platform::Error("Class not registered: '" + std::string(progId) + "'", kClassNotRegistered);
  }
}

}  // namespace Redemption
