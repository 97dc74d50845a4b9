#pragma once
// "Redemption.RDOSession": a session of the library logged on to the mail
// profile the add-in runs in; the add-in keeps one for its whole life and
// opens messages and folders by entry id through it.
#include <string>

#include "platform/store/Folder.h"
#include "platform/store/Item.h"

namespace Redemption {

class RDOSession {
 public:
  // Throws platform::Error (class not registered) when the library is off.
  RDOSession();

  // Logs on to the profile the process runs (Library.h). An empty
  // profile name means the current profile; any other name, or no profile
  // at all, throws platform::Error. The password is not checked.
  void Logon(const std::string& profileName = "", const std::string& password = "");
  bool LoggedOn() const { return m_bLoggedOn; }
  // Ends the session; harmless when not logged on.
  void Logoff() { m_bLoggedOn = false; }

  // The message or folder with that entry id (storeId "" or the profile's
  // store id). Throw platform::Error when not logged on or nothing matches.
  platform::Item GetMessageFromID(const std::string& entryId, const std::string& storeId = "") const;
  platform::Folder GetFolderFromID(const std::string& entryId, const std::string& storeId = "") const;

 private:
  void CheckLoggedOn(const char* member) const;

  bool m_bLoggedOn = false;
};

}  // namespace Redemption
