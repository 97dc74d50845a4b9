#include "platform/mail/MailDelivery.h"

#include "platform/Error.h"
#include "platform/FileUtil.h"
#include "platform/Text.h"
#include "platform/mail/MimeCodec.h"
#include "platform/store/Attachments.h"
#include "platform/store/Folder.h"
#include "platform/store/Items.h"
#include "platform/store/Recipients.h"

namespace platform {

MailDelivery::MailDelivery(MailSession& session, Transport& transport, const Clock& clock, MailOutbox* outbox)
    : m_session(session), m_transport(transport), m_clock(clock), m_outbox(outbox) {}

MailMessage MailDelivery::ToMessage(const Item& mail) const {
  if (!mail || mail.Class() != olMail)
    throw Error("mail: only mail items can be sent (item '" + (mail ? mail.Subject() : std::string()) + "')");
  MailMessage message;
  message.from.address = m_session.CurrentUserAddress();
  message.from.name = m_session.CurrentUserName();
  if (message.from.address.empty())
    throw Error("mail: profile '" + m_session.Path() + "' has no current user address to send from");
  message.subject = mail.Subject();
  message.body = mail.Body();
  message.sent = m_clock.Now();
  // Fixed here, so that every copy of this mail carries the same id and a
  // receiver recognises a second copy.
  message.messageId = MimeCodec::NewMessageId();

  Recipients recipients = mail.Recipients();
  for (int i = 1; i <= recipients.Count(); ++i) {
    Recipient r = recipients.Item(i);
    MailAddress a{Trim(r.Address()), r.Name() == r.Address() ? "" : r.Name()};
    if (a.address.empty()) continue;
    if (r.Type() == olCC) {
      message.cc.push_back(a);
    } else if (r.Type() == olBCC) {
      message.bcc.push_back(a);
    } else {
      message.to.push_back(a);
    }
  }
  if (message.to.empty() && message.cc.empty())
    throw Error("mail: mail '" + message.subject + "' has no To or CC recipient");

  Attachments attachments = mail.Attachments();
  for (int i = 1; i <= attachments.Count(); ++i) {
    Attachment a = attachments.Item(i);
    MailAttachment out;
    out.fileName = a.FileName();
    out.displayName = a.DisplayName();
    if (a.Type() == olByReference) {
      out.bytes = FileUtil::ReadFile(a.PathName());
    } else {
      const Bytes& data = a.Data();
      out.bytes.assign(data.begin(), data.end());
    }
    message.attachments.push_back(std::move(out));
  }
  return message;
}

Item MailDelivery::Send(const Item& mail) {
  MailMessage message = ToMessage(mail);
  if (m_outbox && m_outbox->Holding())
    m_outbox->Queue(message);
  else
    m_transport.Send(message);

  Item sent = mail;
  sent.Set("SentOn", message.sent);
  sent.Set("SenderEmailAddress", message.from.address);
  sent.Set("SenderName", message.from.name.empty() ? message.from.address : message.from.name);
  sent.SetUnRead(false);
  return sent.Move(m_session.GetDefaultFolder(olFolderSentMail));
}

Item MailDelivery::StoreInInbox(const MailMessage& message) {
  Item item = m_session.GetDefaultFolder(olFolderInbox).Items().Add(olMailItem);
  item.SetSubject(message.subject);
  item.SetBody(message.body);
  item.Set("SenderEmailAddress", message.from.address);
  item.Set("SenderName", message.from.name.empty() ? message.from.address : message.from.name);
  item.Set("InternetMessageID", message.messageId);
  Recipients recipients = item.Recipients();
  for (const auto& a : message.to) recipients.Add(a.address, a.name, olTo);
  for (const auto& a : message.cc) recipients.Add(a.address, a.name, olCC);
  Date received = m_clock.Now();
  item.Set("ReceivedTime", received);
  item.Set("SentOn", message.sent.IsZero() ? received : message.sent);
  item.SetUnRead(true);
  Attachments attachments = item.Attachments();
  for (const auto& a : message.attachments) {
    attachments.AddData(a.fileName, Bytes(a.bytes.begin(), a.bytes.end()), 1, a.displayName);
  }
  item.Save();
  return item;
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
