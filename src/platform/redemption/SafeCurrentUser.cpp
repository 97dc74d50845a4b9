#include "platform/redemption/SafeCurrentUser.h"

#include "platform/redemption/Library.h"
#include "platform/Error.h"

namespace Redemption {

SafeCurrentUser::SafeCurrentUser() { CheckClass(kSafeCurrentUser); }

std::string SafeCurrentUser::Name() const {
  if (m_bCleanedUp) throw platform::Error("SafeCurrentUser: used after cleanup");
  return ProfileSession().CurrentUserName();
}

std::string SafeCurrentUser::Address() const {
  if (m_bCleanedUp) throw platform::Error("SafeCurrentUser: used after cleanup");
  return ProfileSession().CurrentUserAddress();
}

void SafeCurrentUser::cleanup() { m_bCleanedUp = true; }

}  // namespace Redemption
