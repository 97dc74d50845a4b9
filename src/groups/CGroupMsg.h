#pragma once
// CGroupMsg: one group message, the unit of the group-management protocol.
// On the sending side it implements IGroupMsgSender: each Send… operation
// fills a message of its type, works out the recipients and hands the text
// to the mail envelope (one mail per message). On the receiving side
// ReciveMail fills the fields from a found group-message mail (ParseText does
// the same for a bare text).
//
// Text form: CRLF-separated lines "name = value"; the header lines
// "msg.version", "msg.time" and "msg.type" come first, then the type's
// parameters in a fixed order (ComposeText writes exactly what ParseText
// reads back).
#include <memory>
#include <string>
#include <vector>

#include "groups/CGroup.h"
#include "groups/IGroupMsgSender.h"
#include "platform/store/Item.h"

namespace mMain {
struct MailEnv;
}

// Message type numbers (13 is not used).
enum : int {
  MSG_ADD_REQUEST = 1,
  MSG_ADD_REPLAY = 2,
  MSG_ADD_CONFIRMATION = 3,
  MSG_BROADCAST_ADD = 4,
  MSG_MODIFY_REQUEST = 5,
  MSG_MODIFY_REPLAY = 6,
  MSG_MODIFY_CONFIRMATION = 7,
  MSG_BROADCAST_MODIFY = 8,
  MSG_ABORT = 9,
  MSG_BROADCAST_REMOVE = 10,
  MSG_BROADCAST_MODIFY_ORDER = 11,
  MSG_BROADCAST_EMAILCHANGE = 12,
  MSG_UPDATE_MEMBERGROUPS = 14,
  MSG_BROADCAST_UPDATE_MEMBERGROUPS = 15,
  MSG_BROADCAST_MODIFIEDSHARE = 16,
  MSG_BROADCAST_MODIFIEDNAME = 17,
};

class CGroupMsg : public IGroupMsgSender {
 public:
  // A message that can only be read (ReciveMail, ParseText); its Send…
  // operations log an error and send nothing.
  CGroupMsg() = default;
  // A message object that sends through the envelope. REQUIRES: env outlives
  // the object.
  explicit CGroupMsg(const mMain::MailEnv& env) : m_pEnv(&env) {}

  // --- fields of a received (or composed) message -------------------------
  int m_nMajor = 0;
  int m_nMinor = 0;
  std::string m_strSendTime;
  int m_nMsgType = 0;
  std::string m_strGroupKey;
  std::string m_strGroupName;
  std::string m_strSenderKey;
  std::string m_strSenderName;
  std::string m_strSenderEmail;
  int m_nSenderRole = ROLE_MEMBER;
  std::string m_strManagerKey;
  std::string m_strManagerName;
  std::string m_strManagerEmail;
  bool m_bManagerShare = false;
  std::string m_strMemberKey;
  std::string m_strMemberName;
  std::string m_strMemberEmail;
  std::string m_strMemberEmailOwner;
  int m_nMemberRole = ROLE_MEMBER;
  bool m_bMemberShare = false;
  std::string m_strActionKey;
  int m_nMemberNewRole = ROLE_MEMBER;
  std::string m_strMemberNewName;
  bool m_bMemberNewShare = false;
  std::string m_strMemberEmailOld;
  std::string m_strMemberEmailNew;
  bool m_bAccept = false;
  std::vector<MemberPtr> m_colMembers;
  std::vector<GroupPtr> m_colGroups;
  std::string m_sGroupsToRemove;
  std::string m_sGroupsToIgnore;
  std::vector<std::string> m_colRecipKeys;
  std::vector<std::string> m_colRecipients;

  // The type text of this message ("msg.add.request"); "False" when unknown.
  std::string GetMessageName() const;

  // --- sending (IGroupMsgSender) -------------------------------------------
  void SendBroadcastModifiedShare(const CMember& oMember, const CGroup& oGroup,
                                  const std::vector<std::string>& reachedKeys) override;
  void SendBroadcastChangeEmail(const CGroups& oGroups, const std::string& strOldEmail,
                                const std::string& strNewEmail,
                                const std::vector<std::string>& reachedEmails) override;
  // Fills this object from a group-message mail. bDeleteMail comes in true
  // and is cleared only when the mail must stay in the Inbox (it comes from
  // an unsupported version range). False when the mail cannot be read or any
  // line is malformed (every failure logged).
  bool ReciveMail(const platform::Item& oMail, bool& bDeleteMail);
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

  // --- text form -------------------------------------------------------------
  // Parses a whole message text (lines trimmed, empty lines skipped, one pair
  // of enclosing double quotes removed from names and values). False when a
  // line does not split into exactly two parts at "=" or SetParam rejects it.
  bool ParseText(const std::string& text);
  // Sets one parameter from its text form (name compared without regard to
  // case). False, logged, for an unknown name or a value that does not
  // convert.
  bool SetParam(const std::string& name, const std::string& value);
  // The whole text of this message: header lines, type line, the type's
  // parameters. Empty for an unknown type (logged).
  std::string ComposeText() const;

  // "msg.add.request" ... for a type number; "False" (logged) otherwise.
  static std::string Msg2Str(int nMsgType);
  // The number of a type text (case-insensitive); false (logged) when unknown.
  static bool Str2Msg(const std::string& text, int& nMsgType);
  // The version text this release sends: major and minor joined by ".".
  static std::string VersionText();
  // The 18-character UTC sending-time text "yyyyMMdd.HHmmssfff" of the env's
  // clock, kept strictly increasing within the process so that messages sent
  // in one millisecond still sort in sending order.
  static std::string TimeText(const mMain::MailEnv& env);

 private:
  // The type's parameters (everything after the header lines).
  std::string ParamsText() const;
  // Sends `out` (a composed message) to the recipients; nothing when there
  // are none.
  void SendMails(const std::vector<std::string>& collRecipients, CGroupMsg& out);
  void SendSingle(const std::string& strEmail, CGroupMsg& out);
  // Broadcast by key: fills out.m_colRecipKeys, sends to the shared members
  // not yet reached.
  void BroadcastByKey(CGroupMsg& out, const CGroup& oGroup, const CMember& oSubject,
                      const std::vector<std::string>& reachedKeys, bool bIncludeSubject, bool bSendToUnshared);
  // The envelope this object sends through; nullptr for a read-only message.
  const mMain::MailEnv* m_pEnv = nullptr;
  // Where group-member lines go while parsing; see SetParam.
  MemberPtr m_lastMember;
};
