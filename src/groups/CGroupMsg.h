#pragma once
// CGroupMsg: one group message, the unit of the group-management protocol,
// as a plain value: its fields, its text form and its reading from a
// received mail. Sending is CGroupMsgSender's business, so a message can be
// built, parsed and compared without any mail at hand.
//
// Text form: CRLF-separated lines "name = value"; the header lines
// "msg.version" and "msg.time" come first, then "msg.type" and the type's
// parameters in a fixed order. One table of parameters drives both writing
// (ComposeText) and reading (SetParam), so the two cannot drift apart.
//
// What enters from a received text is checked: keys have the generator's
// shape, addresses are single addresses, names are cleaned of control
// characters, and a message carries at most kMaxGroups groups, kMaxMembers
// member blocks and kMaxRecipients reached-lists entries; anything else
// makes the whole message unreadable (logged).
#include <string>
#include <vector>

#include "groups/CGroup.h"
#include "platform/store/Item.h"

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

class CGroupMsg {
 public:
  // Limits of one received message (a group list, member blocks, reached
  // lists) and of its whole text; a bigger one is refused as unreadable.
  static constexpr size_t kMaxGroups = 100;
  static constexpr size_t kMaxMembers = 1000;
  static constexpr size_t kMaxRecipients = 1000;
  static constexpr size_t kMaxTextBytes = 1 << 20;

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
  // The address the carrying mail came from (lower case; empty for a
  // message not read from a mail). Not part of the text: the receiver
  // checks it against the group before the message takes effect.
  std::string m_strMailFrom;

  // The type text of this message ("msg.add.request"); "False" when unknown.
  std::string GetMessageName() const;

  // Fills this object from a group-message mail. bDeleteMail comes in true
  // and is cleared only when the mail must stay in the Inbox (it comes from
  // an unsupported version range). False when the mail cannot be read or any
  // line is malformed or refused (every failure logged).
  bool ReciveMail(const platform::Item& oMail, bool& bDeleteMail);

  // Parses a whole message text (lines trimmed, empty lines skipped, one pair
  // of enclosing double quotes removed from names and values). False when a
  // line does not split into exactly two parts at "=", SetParam rejects it,
  // or the text exceeds kMaxTextBytes.
  bool ParseText(const std::string& text);
  // Sets one parameter from its text form (name compared without regard to
  // case). False, logged, for an unknown name, a value that does not convert
  // or does not pass the entry checks, or a list over its limit.
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
  // The 18-character sending-time text "yyyyMMdd.HHmmssfff" of a UTC time
  // in milliseconds since 1970.
  static std::string TimeText(int64_t utcMs);

 private:
  // The type's parameters (everything after the header lines).
  std::string ParamsText() const;
  // Where group-member lines go while parsing; see SetParam.
  MemberPtr m_lastMember;
  size_t m_nMemberBlocks = 0;
};
