#pragma once
// "Redemption.RDOSession": a session of the library logged on to the mail
// profile the add-in runs in. The add-in keeps one for its whole life and
// hands it to every library object that reaches the profile (the current
// user, sending mail, the address book); it opens messages and folders by
// entry id through it.
#include <functional>
#include <string>

#include "platform/store/Folder.h"
#include "platform/store/Item.h"
#include "platform/store/MailSession.h"

namespace Redemption {

// Hands one saved mail to the profile's outgoing transport.
using MailSender = std::function<void(const platform::Item& mail)>;

class RDOSession {
 public:
  // A session on `profile` (which must outlive it) that sends through
  // `sender` (empty: the profile cannot send). Throws platform::Error (class
  // not registered) when the library is off.
  RDOSession(platform::MailSession& profile, MailSender sender);

  // Logs on to the profile given at construction: an empty profile name
  // means that one; any other name throws platform::Error. The password is
  // not checked.
  void Logon(const std::string& profileName = "", const std::string& password = "");
  bool LoggedOn() const { return m_bLoggedOn; }
  // Ends the session; harmless when not logged on.
  void Logoff() { m_bLoggedOn = false; }

  // The message or folder with that entry id (storeId "" or the profile's
  // store id). Throw platform::Error when not logged on or nothing matches.
  platform::Item GetMessageFromID(const std::string& entryId, const std::string& storeId = "") const;
  platform::Folder GetFolderFromID(const std::string& entryId, const std::string& storeId = "") const;

  // The logged-on profile. Throws platform::Error when not logged on.
  platform::MailSession& Profile() const;
  // Hands a saved mail to the profile's transport. Throws platform::Error
  // when not logged on or the profile cannot send (and whatever the
  // transport throws).
  void Send(const platform::Item& mail) const;

 private:
  void CheckLoggedOn(const char* member) const;

  platform::MailSession& m_profile;
  MailSender m_sender;
  bool m_bLoggedOn = false;
};

}  // namespace Redemption
