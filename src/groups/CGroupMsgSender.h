#pragma once
// CGroupMsgSender: the sending side of the group protocol. Each Send…
// operation fills a CGroupMsg of its type, works out the recipients and
// hands the text to the mail envelope (one mail per message), all through
// one guarded send that stamps the version and the sending time and logs
// any failure under the operation's name.
#include <functional>
#include <string>
#include <vector>

#include "groups/CGroupMsg.h"
#include "groups/IGroupMsgSender.h"

namespace mMain {
struct MailEnv;
}

class CGroupMsgSender : public IGroupMsgSender {
 public:
  // Sends through `env`. REQUIRES: env outlives the object.
  explicit CGroupMsgSender(const mMain::MailEnv& env) : m_env(env) {}

  void SendBroadcastModifiedShare(const CMember& oMember, const CGroup& oGroup,
                                  const std::vector<std::string>& reachedKeys) override;
  void SendBroadcastChangeEmail(const CGroups& oGroups, const std::string& strOldEmail,
                                const std::string& strNewEmail,
                                const std::vector<std::string>& reachedEmails) override;
  void SendAddRequest(const CGroup& oGroup, const CMember& oMember) override;
  void SendAddReplay(const std::string& strEmail, const std::string& strActionKey, bool bAccept) override;
  void SendAddConfirmation(const std::string& strEmail, const CGroup& oGroup, const CMember& oNewMember,
                           const std::string& strActionKey) override;
  void SendBroadcastAdd(const CMember& oMember, const CGroup& oGroup,
                        const std::vector<std::string>& reachedKeys) override;
  void SendModifyRequest(const CGroup& oGroup, const CMember& oMember, int nNewRole) override;
  void SendModifyReplay(const std::string& strEmail, const std::string& strActionKey, bool bAccept) override;
  void SendModifyConfirmation(const CMember& oMember) override;
  void SendBroadcastModifyName(const CMember& oMember, const CGroup& oGroup,
                               const std::vector<std::string>& reachedKeys) override;
  void SendBroadcastModifyOrder(const CMember& oMember, const CGroup& oGroup,
                                const std::vector<std::string>& reachedKeys) override;
  void SendBroadcastModify(const CMember& oMember, const CGroup& oGroup,
                           const std::vector<std::string>& reachedKeys) override;
  void SendBroadcastRemove(const CMember& oMember, const CGroup& oGroup,
                           const std::vector<std::string>& reachedKeys) override;
  void SendAbort(const CMember& oMember) override;
  void SendBroadcastUpdateMemeberGroups(const CGroups& oGroups, const std::string& strEmail,
                                        const std::string& sGroupsToIgnore,
                                        const std::vector<std::string>& reachedEmails) override;
  void SendUpdateMemberGroups(const std::string& strEmail, const CGroups& oGroups,
                              const std::string& sGroupsToIgnore, const std::string& sGroupsToRemove) override;

  // The sending-time text for now on the env's clock: UTC with milliseconds,
  // kept strictly increasing within the process so that messages sent in
  // one millisecond still sort in sending order.
  static std::string NextSendTime(const mMain::MailEnv& env);

 private:
  // Fills the message's fields and returns its recipients.
  using Fill = std::function<std::vector<std::string>(CGroupMsg& out)>;
  // The one send: a message of `type` filled by `fill`, stamped and sent to
  // the recipients (nothing without any); failures logged under `source`.
  void Send(const char* source, int type, const Fill& fill);
  // Broadcast by key: fills out.m_colRecipKeys and returns the shared
  // members not yet reached.
  static std::vector<std::string> BroadcastByKey(CGroupMsg& out, const CGroup& oGroup, const CMember& oSubject,
                                                 const std::vector<std::string>& reachedKeys, bool bIncludeSubject,
                                                 bool bSendToUnshared);
  // A broadcast by key about oMember of oGroup: the keys, what `set` adds,
  // and the recipients BroadcastByKey gives.
  void BroadcastAbout(const char* source, int type, const CMember& oMember, const CGroup& oGroup,
                      const std::vector<std::string>& reachedKeys, bool bIncludeSubject, bool bSendToUnshared,
                      const std::function<void(CGroupMsg& out)>& set);

  const mMain::MailEnv& m_env;
};
