#pragma once
// "Redemption.SafeCurrentUser": the display name and e-mail address of the
// user logged on to the mail profile, read without a security prompt.
#include <string>

#include "platform/redemption/RDOSession.h"

namespace Redemption {

class SafeCurrentUser {
 public:
  // Reads the user of `session`'s profile; the session must outlive the
  // object. Throws platform::Error (class not registered) when the library
  // is off.
  explicit SafeCurrentUser(const RDOSession& session);

  // The profile's user name and address as the profile keeps them ("" when
  // not set). Throw platform::Error when the session is not logged on or
  // after cleanup.
  std::string Name() const;
  std::string Address() const;
  // Releases the object's hold on the profile; later reads throw.
  void cleanup();

 private:
  const RDOSession& m_session;
  bool m_bCleanedUp = false;
};

}  // namespace Redemption
