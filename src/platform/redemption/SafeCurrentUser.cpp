#include "platform/redemption/SafeCurrentUser.h"

#include "platform/Error.h"
#include "platform/redemption/Library.h"

namespace Redemption {

SafeCurrentUser::SafeCurrentUser(const RDOSession& session) : m_session(session) { CheckClass(kSafeCurrentUser); }

std::string SafeCurrentUser::Name() const {
  if (m_bCleanedUp) throw platform::Error("SafeCurrentUser: used after cleanup");
  return m_session.Profile().CurrentUserName();
}

std::string SafeCurrentUser::Address() const {
  if (m_bCleanedUp) throw platform::Error("SafeCurrentUser: used after cleanup");
  return m_session.Profile().CurrentUserAddress();
}

void SafeCurrentUser::cleanup() { m_bCleanedUp = true; }

}  // namespace Redemption
