#pragma once
// mProcessMsg: the receiving side of the group protocol. It takes the
// group-message mails found in the Inbox, reads them, orders them by sending
// time across all senders and applies each to the live groups, answering,
// confirming and passing broadcasts on as the protocol requires; then the
// groups are saved. OnNewMails is what the connection class calls from its
// new-mail handling and from Syncronize.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "exchange/mMain.h"
#include "groups/CGroupMsgSender.h"
#include "groups/CGroups.h"
#include "options/mOptions.h"
#include "platform/store/Item.h"

namespace mProcessMsg {

// What processing needs besides the groups' own environment (current user,
// prompt, language, settings store: CGroups::Env()). Every reference must
// outlive the environment.
struct ProcessEnv {
  ProcessEnv(CGroups& liveGroups, const mMain::MailEnv& mailEnv, const mOptions::Options& preferences)
      : groups(liveGroups), mail(mailEnv), options(preferences) {}

  CGroups& groups;                  // the live model
  const mMain::MailEnv& mail;       // the Inbox is read and answers and relays go out through it
  const mOptions::Options& options;  // AutoAccept…, NShowRemoveGroupsMes
  // Detailed debugging: each message's start and end are logged with the
  // item counts of the calendar, the shared folder and Deleted Items.
  bool bDetailedDebug = false;

  // Closes the two group-editing dialogs when open (their copies would be outdated).
  std::function<void()> CloseGroupDialogs;
  // The host's custom event; called with "Groups" after a batch.
  std::function<void(const std::string& strEvent)> RaiseCustomEvent;
  // Sends the local user's items to a member who has just joined strGroup
  // (or whose sharing in it was switched on: nShareGroups is then the number
  // of groups he shares).
  std::function<void(const std::string& strEmail, const std::string& strGroup, int nShareGroups)>
      SendMembersItems;
  // Refreshes the group assignment of the items after a batch.
  std::function<void()> UpdateItemsGroups;
  // The end of a processed mail; mMain::DiscardMail (marked read, deleted) when empty.
  std::function<void(platform::Item& mail)> DeleteMail;
  // The appointment mails found beside the group messages, handed on after
  // the group messages; when empty they stay in the Inbox untouched.
  std::function<void(std::vector<platform::Item>& mails)> ReceiveAppointments;
};

// The connection class's entry for OnNewMails and Syncronize: finds the magic
// mails in the profile's Inbox, processes the group messages
// (ProcessGroupMails), then hands the appointment mails to
// env.ReceiveAppointments. True when group messages were processed (the
// groups may have changed and were saved). Never throws (logged).
bool OnNewMails(ProcessEnv& env);

// The groups module's entry for a collection of group-message mails: nothing
// for an empty collection (false); otherwise closes the group dialogs,
// processes the mails (ProcessMails) and raises the event "Groups" (true).
bool ProcessGroupMails(ProcessEnv& env, const std::vector<platform::Item>& mails);

// Reads every mail (a mail read or not is deleted, except one from an
// unsupported version range, which stays unread in the Inbox), applies the
// readable messages in sending order, each under its own error handling,
// then saves the groups and refreshes the items' groups. Each mail takes
// effect once: its Message-ID is recorded as pending before it is deleted;
// the groups, the Message-IDs of the mails taken and the mails sent in
// answer are stored in one registry batch, and the answers leave after its
// commit. Mails of a batch that was never stored (a crash, or a store that
// refused: the groups are then loaded again, logged) are brought back by
// RestoreInterruptedMails; a mail whose Message-ID was taken before is only
// deleted.
void ProcessMails(ProcessEnv& env, const std::vector<platform::Item>& mails);

// Moves the group mails of a batch that was never stored (recorded as
// pending, not as taken) from Deleted Items back into the Inbox, where the
// next processing finds them. OnNewMails calls it first. Never throws (logged).
void RestoreInterruptedMails(const ProcessEnv& env);

// Orders messages by m_strSendTime (text order; equal times keep their order).
std::vector<std::unique_ptr<CGroupMsg>> SortMessages(std::vector<std::unique_ptr<CGroupMsg>> colMsgs);

// Applies one message to the live groups, sending what the protocol requires
// through oSender. False when the message's handling failed (logged); a
// message that finds nothing to act on, or that its mail's sender may not
// send (mSenderCheck, logged), is ignored and counts as handled.
bool ProcessMessage(ProcessEnv& env, const CGroupMsg& oMsg, IGroupMsgSender& oSender);

}  // namespace mProcessMsg
