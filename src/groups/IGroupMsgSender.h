#pragma once
// IGroupMsgSender: the sending side of the group-message object (CGroupMsg).
// The group model calls these operations when a change of a group must reach
// the other members; what goes into each message and how it travels is the
// group-message object's business, so the model knows nothing of message
// text or mail. Each operation sends at most one mail and reports failures
// to the debug log itself; none throws.
//
// "reached" lists name the member keys (broadcasts by key) or addresses
// (broadcasts by address) that a broadcast has already reached; the model
// passes them empty when it starts a broadcast, the processing of received
// messages passes the received lists on.
#include <string>
#include <vector>

class CGroup;
class CGroups;
class CMember;

class IGroupMsgSender {
 public:
  virtual ~IGroupMsgSender() = default;

  // "msg.broadcast.modifiedshare": the member's sharing was switched (its
  // bShare holds the new value); sent to the member too when it was just
  // switched off.
  virtual void SendBroadcastModifiedShare(const CMember& oMember, const CGroup& oGroup,
                                          const std::vector<std::string>& reachedKeys) = 0;
  // "msg.broadcast.emailchange": a member's address changed, to every shared,
  // added, real member of all groups not reached yet.
  virtual void SendBroadcastChangeEmail(const CGroups& oGroups, const std::string& strOldEmail,
                                        const std::string& strNewEmail,
                                        const std::vector<std::string>& reachedEmails) = 0;
  // "msg.add.request" to the member being added (or whose sharing is being
  // switched on); carries its strActionKey.
  virtual void SendAddRequest(const CGroup& oGroup, const CMember& oMember) = 0;
  // "msg.add.replay" to the requester: the answer to a request.
  virtual void SendAddReplay(const std::string& strEmail, const std::string& strActionKey, bool bAccept) = 0;
  // "msg.add.confirmation" to the member who accepted, with the rest of the
  // group's member list.
  virtual void SendAddConfirmation(const std::string& strEmail, const CGroup& oGroup, const CMember& oNewMember,
                                   const std::string& strActionKey) = 0;
  // "msg.broadcast.add": the member joined the group.
  virtual void SendBroadcastAdd(const CMember& oMember, const CGroup& oGroup,
                                const std::vector<std::string>& reachedKeys) = 0;
  // "msg.modify.request" (a format the add-in does not send itself).
  virtual void SendModifyRequest(const CGroup& oGroup, const CMember& oMember, int nNewRole) = 0;
  // "msg.modify.replay" (format only).
  virtual void SendModifyReplay(const std::string& strEmail, const std::string& strActionKey, bool bAccept) = 0;
  // "msg.modify.confirmation" (format only).
  virtual void SendModifyConfirmation(const CMember& oMember) = 0;
  // "msg.broadcast.modifiedname": the member's strName changed.
  virtual void SendBroadcastModifyName(const CMember& oMember, const CGroup& oGroup,
                                       const std::vector<std::string>& reachedKeys) = 0;
  // "msg.broadcast.modify.order": the member's nRole changed.
  virtual void SendBroadcastModifyOrder(const CMember& oMember, const CGroup& oGroup,
                                        const std::vector<std::string>& reachedKeys) = 0;
  // "msg.broadcast.modify" (format only).
  virtual void SendBroadcastModify(const CMember& oMember, const CGroup& oGroup,
                                   const std::vector<std::string>& reachedKeys) = 0;
  // "msg.broadcast.remove": the member left or was removed.
  virtual void SendBroadcastRemove(const CMember& oMember, const CGroup& oGroup,
                                   const std::vector<std::string>& reachedKeys) = 0;
  // "msg.abort" to the member: its pending change (strActionKey) is withdrawn.
  virtual void SendAbort(const CMember& oMember) = 0;
  // "msg.broadcast.update.membergroups" (format only).
  virtual void SendBroadcastUpdateMemeberGroups(const CGroups& oGroups, const std::string& strEmail,
                                                const std::string& sGroupsToIgnore,
                                                const std::vector<std::string>& reachedEmails) = 0;
  // "msg.update.membergroups" (format only): the groups holding strEmail, to
  // that address.
  virtual void SendUpdateMemberGroups(const std::string& strEmail, const CGroups& oGroups,
                                      const std::string& sGroupsToIgnore, const std::string& sGroupsToRemove) = 0;
};
