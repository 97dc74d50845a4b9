#include "platform/mail/MailDelivery.h"

#include "platform/Error.h"
#include "platform/FileUtil.h"
#include "platform/Text.h"
#include "platform/mail/MailFile.h"
#include "platform/mail/MeetingCalendar.h"
#include "platform/mail/MimeCodec.h"
#include "platform/store/Attachments.h"
#include "platform/store/Folder.h"
#include "platform/store/Items.h"
#include "platform/store/Recipients.h"

namespace platform {

MailDelivery::MailDelivery(MailSession& session, Transport& transport, const Clock& clock, MailOutbox* outbox,
                           ProfileOutbox* profileOutbox)
    : m_session(session), m_transport(transport), m_clock(clock), m_outbox(outbox), m_profileOutbox(profileOutbox) {}

MailMessage MailDelivery::ToMessage(const Item& mail) const { return MessageOfItem(m_session, mail, m_clock.Now()); }

Item MailDelivery::Send(const Item& mail) {
  MailMessage message = ToMessage(mail);
  if (m_outbox && m_outbox->Holding()) {
    m_outbox->Queue(message);
    return FileSent(mail, message);
  }
  if (m_profileOutbox) {
    // Queued and filed in one store write: a kill between the two can
    // neither lose the mail nor send it twice. The queue goes to the
    // transport once the write has committed.
    Item sent;
    m_session.Batch([&] {
      m_profileOutbox->Queue(message);
      sent = FileSent(mail, message);
    });
    return sent;
  }
  m_transport.Send(message);
  return FileSent(mail, message);
}

Item MailDelivery::FileSent(const Item& mail, const MailMessage& message) {
  Item sent = mail;
  sent.Set("SentOn", message.sent);
  sent.Set("SenderEmailAddress", message.from.address);
  sent.Set("SenderName", message.from.name.empty() ? message.from.address : message.from.name);
  sent.SetUnRead(false);
  return sent.Move(m_session.GetDefaultFolder(olFolderSentMail));
}

Item MailDelivery::StoreInInbox(const MailMessage& message) {
  Folder inbox = m_session.GetDefaultFolder(olFolderInbox);
  // A message with a meeting's calendar part is a meeting request; one whose
  // part cannot be read stays an ordinary mail with the part attached.
  const MailAttachment* calendar = nullptr;
  for (const auto& a : message.attachments)
    if (a.mediaType == MeetingCalendar::kMediaType && a.fileName == MeetingCalendar::kFileName) calendar = &a;
  if (calendar) {
    Item request = inbox.Items().AddOfClass(olMeetingRequest);
    try {
      MeetingCalendar::Read(calendar->bytes, request);
      FillReceived(request, message, calendar);
      return request;
    } catch (const Error&) {
      calendar = nullptr;
    }
  }
  Item item = inbox.Items().Add(olMailItem);
  FillReceived(item, message, nullptr);
  return item;
}

void MailDelivery::FillReceived(Item& item, const MailMessage& message, const MailAttachment* calendar) {
  item.SetSubject(message.subject);
  item.SetBody(message.body);
  item.Set("SenderEmailAddress", message.from.address);
  item.Set("SenderName", message.from.name.empty() ? message.from.address : message.from.name);
  item.Set("InternetMessageID", message.messageId);
  // A request's recipients are its attendees, read from the calendar part.
  Recipients recipients = item.Recipients();
  if (!calendar) {
    for (const auto& a : message.to) recipients.Add(a.address, a.name, olTo);
    for (const auto& a : message.cc) recipients.Add(a.address, a.name, olCC);
  }
  Date received = m_clock.Now();
  item.Set("ReceivedTime", received);
  item.Set("SentOn", message.sent.IsZero() ? received : message.sent);
  item.SetUnRead(true);
  Attachments attachments = item.Attachments();
  for (const auto& a : message.attachments) {
    if (&a == calendar) continue;
    attachments.AddData(a.fileName, Bytes(a.bytes.begin(), a.bytes.end()), 1, a.displayName);
  }
  item.Save();
}

MailDelivery::PickUpResult MailDelivery::PickUp(const std::string& address) {
  const std::string mailbox = address.empty() ? m_session.CurrentUserAddress() : address;
  if (mailbox.empty())
    throw Error("mail: profile '" + m_session.Path() + "' has no current user address to pick up mail for");

  PickUpResult result;
  FetchResult fetched = m_transport.Fetch(mailbox);
  result.problems = fetched.rejected;
  for (size_t i = 0; i < fetched.messages.size(); ++i) {
    const MailMessage& message = fetched.messages[i];
    try {
      // The message leaves the mailbox only after its Inbox item committed;
      // one picked up again after a crash between the two is recognised by
      // its id and not stored twice.
      if (m_session.ReceiveOnce(message.messageId, [&] { StoreInInbox(message); })) ++result.arrived;
      m_transport.Acknowledge(mailbox, fetched.receipts[i]);
    } catch (const std::exception& e) {
      // Keep the order of arrival: this message and every later one wait
      // for the next pick-up.
      result.problems.push_back("mail '" + message.subject + "' from " + message.from.address +
                                " not stored, left for the next pick-up: " + e.what());
      break;
    }
  }
  return result;
}

}  // namespace platform
