#include "platform/mail/ProfileOutbox.h"

#include "platform/Error.h"
#include "platform/mail/MimeCodec.h"
#include "platform/store/MailSession.h"

namespace platform {

ProfileOutbox::ProfileOutbox(MailSession& session, Transport& transport)
    : m_session(session), m_transport(transport), m_queue(session, "Outbox") {}

bool ProfileOutbox::Holding() const { return m_session.InWrite(); }

void ProfileOutbox::Queue(const MailMessage& message) {
  if (message.messageId.empty()) throw Error("mail outbox: mail '" + message.subject + "' has no Message-ID");
  m_queue.Put(message.messageId, MimeCodec::EncodeQueued(message));
  m_mayHold = true;
}

int ProfileOutbox::SendQueued() {
  if (m_sending || m_session.InWrite()) return 0;
  m_sending = true;
  int sent = 0;
  try {
    for (const ProfileQueue::Record& r : m_queue.All()) {
      m_transport.Send(MimeCodec::DecodeQueued(r.second));
      m_queue.Remove(r.first);
      ++sent;
    }
    m_mayHold = false;
  } catch (...) {
    m_sending = false;
    throw;
  }
  m_sending = false;
  return sent;
}

std::vector<MailMessage> ProfileOutbox::Queued() const {
  std::vector<MailMessage> mails;
  for (const ProfileQueue::Record& r : m_queue.All()) mails.push_back(MimeCodec::DecodeQueued(r.second));
  return mails;
}

}  // namespace platform
