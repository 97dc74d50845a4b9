#include "platform/redemption/RDOSession.h"

#include <utility>

#include "platform/Error.h"
#include "platform/redemption/Library.h"

namespace Redemption {

RDOSession::RDOSession(platform::MailSession& profile, MailSender sender)
    : m_profile(profile), m_sender(std::move(sender)) {
  CheckClass(kRDOSession);
}

void RDOSession::Logon(const std::string& profileName, const std::string& /*password*/) {
  if (!profileName.empty()) throw platform::Error("RDOSession.Logon: unknown profile '" + profileName + "'");
  m_bLoggedOn = true;
}

void RDOSession::CheckLoggedOn(const char* member) const {
  if (!m_bLoggedOn) throw platform::Error(std::string("RDOSession.") + member + ": not logged on");
}

platform::Item RDOSession::GetMessageFromID(const std::string& entryId, const std::string& storeId) const {
  CheckLoggedOn("GetMessageFromID");
  return m_profile.GetItemFromID(entryId, storeId);
}

platform::Folder RDOSession::GetFolderFromID(const std::string& entryId, const std::string& storeId) const {
  CheckLoggedOn("GetFolderFromID");
  return m_profile.GetFolderFromID(entryId, storeId);
}

platform::MailSession& RDOSession::Profile() const {
  CheckLoggedOn("Profile");
  return m_profile;
}

void RDOSession::Send(const platform::Item& mail) const {
  CheckLoggedOn("Send");
  if (!m_sender) throw platform::Error("RDOSession.Send: the mail profile has no transport");
  m_sender(mail);
}

}  // namespace Redemption
