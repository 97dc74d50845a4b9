#include "platform/redemption/RDOSession.h"

#include "platform/redemption/Library.h"
#include "platform/Error.h"
#include "platform/store/MailSession.h"

namespace Redemption {

RDOSession::RDOSession() { CheckClass(kRDOSession); }

void RDOSession::Logon(const std::string& profileName, const std::string& /*password*/) {
  if (!profileName.empty()) throw platform::Error("RDOSession.Logon: unknown profile '" + profileName + "'");
  ProfileSession();  // throws when the process has no profile
  m_bLoggedOn = true;
}

void RDOSession::CheckLoggedOn(const char* member) const {
  if (!m_bLoggedOn) throw platform::Error(std::string("RDOSession.") + member + ": not logged on");
}

platform::Item RDOSession::GetMessageFromID(const std::string& entryId, const std::string& storeId) const {
  CheckLoggedOn("GetMessageFromID");
  return ProfileSession().GetItemFromID(entryId, storeId);
}

platform::Folder RDOSession::GetFolderFromID(const std::string& entryId, const std::string& storeId) const {
  CheckLoggedOn("GetFolderFromID");
  return ProfileSession().GetFolderFromID(entryId, storeId);
}

}  // namespace Redemption
