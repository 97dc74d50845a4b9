#include "platform/mail/MailFile.h"

#include "platform/Error.h"
#include "platform/FileUtil.h"
#include "platform/Text.h"
#include "platform/mail/MeetingCalendar.h"
#include "platform/mail/MimeCodec.h"
#include "platform/store/Attachments.h"
#include "platform/store/Recipients.h"

namespace platform {

MailMessage MessageOfItem(const MailSession& session, const Item& mail, Date sent) {
  if (!mail || (mail.Class() != olMail && mail.Class() != olMeetingRequest))
    throw Error("mail: only mail items and meeting requests can be sent (item '" +
                (mail ? mail.Subject() : std::string()) + "')");
  MailMessage message;
  message.from.address = session.CurrentUserAddress();
  message.from.name = session.CurrentUserName();
  if (message.from.address.empty())
    throw Error("mail: profile '" + session.Path() + "' has no current user address to send from");
  message.subject = mail.Subject();
  message.body = mail.Body();
  message.sent = sent;
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
  if (mail.Class() == olMeetingRequest) {
    MailAttachment calendar;
    calendar.fileName = calendar.displayName = MeetingCalendar::kFileName;
    calendar.mediaType = MeetingCalendar::kMediaType;
    calendar.bytes = MeetingCalendar::Write(mail, message.from.address, message.from.name);
    message.attachments.push_back(std::move(calendar));
  }
  return message;
}

void SaveMailAsEml(const MailSession& session, const Item& mail, const std::filesystem::path& file, Date sent) {
  MailMessage message = MessageOfItem(session, mail, sent);
  message.headers["X-Unsent"] = "1";
  // The client's importance: 0 low, 1 normal, 2 high.
  if (mail.Importance() == 2) {
    message.headers["Importance"] = "high";
    message.headers["X-Priority"] = "1";
  } else if (mail.Importance() == 0) {
    message.headers["Importance"] = "low";
    message.headers["X-Priority"] = "5";
  }
  FileUtil::AtomicWriteFile(file, MimeCodec::ToCrlf(MimeCodec::Encode(message)));
}

}  // namespace platform
