#pragma once
// MailDelivery: the glue between the mail store and a Transport. Sending
// turns a mail item into a MailMessage, hands it to the transport and files
// the item in Sent Items; picking up turns every waiting message into an
// unread mail item in the Inbox. The store queues the Inbox's item-added
// events on save; raising the client's new-mail event is the caller's
// (MailSession::NotifyNewMail) once PickUp reports arrivals.
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/mail/MailMessage.h"
#include "platform/mail/MailOutbox.h"
#include "platform/mail/ProfileOutbox.h"
#include "platform/mail/Transport.h"
#include "platform/store/Item.h"
#include "platform/store/MailSession.h"

namespace platform {

class MailDelivery {
 public:
  // All must outlive this object. The clock stamps SentOn and
  // ReceivedTime. With an outbox, mails sent while its registry batch is
  // open are queued there instead of handed to the transport; with a
  // profile outbox, so are mails sent while a store batch is open (the
  // registry's batch comes first when both are).
  MailDelivery(MailSession& session, Transport& transport, const Clock& clock, MailOutbox* outbox = nullptr,
               ProfileOutbox* profileOutbox = nullptr);

  // Sends a mail item or a meeting request (saved or not) from the profile's
  // current user, under a new Message-ID: its Subject, Body, To/CC/BCC
  // recipients and attachments (by value; a by-reference attachment sends
  // the referenced file's bytes). The item gets SentOn, SenderEmailAddress,
  // SenderName and UnRead = false and is moved into Sent Items; returns the
  // moved item. With a profile outbox the message is queued there in the
  // same store write that files the item (so a kill leaves both or
  // neither), and leaves when the outbox sends its queue after the commit:
  // a transport that refuses it then keeps it queued, not unsent. Without
  // one, the transport takes it first (or the registry outbox queues it).
  // Throws platform::Error when the item is neither, has no To or CC
  // recipient, the profile has no current-user address, a referenced file
  // cannot be read, the store refuses the write, or (without a profile
  // outbox) the transport fails; the item is then left unsent where it was.
  Item Send(const Item& mail);

  struct PickUpResult {
    int arrived = 0;                    // mail items created in the Inbox
    std::vector<std::string> problems;  // one line per message not stored
  };
  // Fetches every message waiting for `address` ("" = the current user's)
  // and stores each as an unread mail item in the Inbox (Subject, Body,
  // SenderEmailAddress, SenderName, To/CC recipients, SentOn, ReceivedTime,
  // attachments by value with file and display names, InternetMessageID),
  // in arrival order. A message carrying a meeting's calendar part
  // (MeetingCalendar) becomes a meeting request item instead, with the
  // meeting's fields and its attendees as recipients. A message is acknowledged to the transport only after
  // its item committed, and a message whose Message-ID the profile has
  // received before is acknowledged without storing it again. When the
  // store refuses an item, that message and all after it stay with the
  // transport for the next pick-up and the failure is listed in `problems`,
  // as are messages the transport could not read.
  // Throws platform::Error when there is no address or the transport cannot
  // be read.
  PickUpResult PickUp(const std::string& address = "");

  // The message that Send hands to the transport (exposed for tests and for
  // tools that show an item as it would travel).
  MailMessage ToMessage(const Item& mail) const;

 private:
  Item StoreInInbox(const MailMessage& message);
  // Stamps the sent item and moves it into Sent Items.
  Item FileSent(const Item& mail, const MailMessage& message);
  // Writes the received message's fields on a new Inbox item and saves it;
  // `calendar`: the meeting's part, which is not attached again.
  void FillReceived(Item& item, const MailMessage& message, const MailAttachment* calendar);

  MailSession& m_session;
  Transport& m_transport;
  const Clock& m_clock;
  MailOutbox* m_outbox;
  ProfileOutbox* m_profileOutbox;
};

}  // namespace platform
