#pragma once
// "Redemption.SafeCurrentUser": the display name and e-mail address of the
// user logged on to the mail profile, read without a security prompt.
#include <string>

namespace Redemption {

class SafeCurrentUser {
 public:
  // Throws platform::Error (class not registered) when the library is off.
  SafeCurrentUser();

  // The profile's user name and address as the profile keeps them ("" when
  // not set). Throw platform::Error when no profile is logged on or after
  // cleanup.
  std::string Name() const;
  std::string Address() const;
  // Releases the object's hold on the profile; later reads throw.
  void cleanup();

 private:
  bool m_bCleanedUp = false;
};

}  // namespace Redemption
