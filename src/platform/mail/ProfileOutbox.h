#pragma once
// ProfileOutbox: mails whose sending belongs to a store batch. A mail sent
// while a batch of the profile is open is queued in the profile as part of
// that batch instead of handed to the transport, so that it leaves exactly
// when the batch's other writes are stored (the pending changes it carries
// are removed from their queue in the same batch): a crash before the commit
// leaves neither, a crash after it leaves both, and the mail is sent after
// the commit or, for a killed run, at the next start. A queued mail is
// removed only after the transport took it; a crash in between sends it
// again under the same Message-ID, which the receiver recognises.
#include <string>
#include <vector>

#include "platform/mail/MailMessage.h"
#include "platform/mail/Transport.h"
#include "platform/store/ProfileQueue.h"

namespace platform {

class MailSession;

class ProfileOutbox {
 public:
  // Both must outlive the outbox.
  ProfileOutbox(MailSession& session, Transport& transport);

  // True when a send now must wait for the open batch (see Queue).
  bool Holding() const;
  // Queues the message in the open batch. REQUIRES: a messageId (the id a
  // resend keeps). Throws platform::Error when the message cannot be encoded
  // or the store refuses the write.
  void Queue(const MailMessage& message);
  // Hands every queued mail to the transport, oldest first, removing each
  // after the transport took it. Returns how many were sent. Throws
  // platform::Error at the first mail the transport refuses; it and the
  // later ones stay queued. Does nothing inside a batch (its mails are not
  // committed yet) or when called again from within a send.
  int SendQueued();
  // True when mails may be waiting: something was queued since the last
  // complete SendQueued (or none ran yet). Cheap; for commit listeners.
  bool MayHoldMail() const { return m_mayHold; }
  // The mails waiting, oldest first (what the next SendQueued sends).
  std::vector<MailMessage> Queued() const;
  int Count() const { return m_queue.Count(); }

 private:
  MailSession& m_session;
  Transport& m_transport;
  ProfileQueue m_queue;
  bool m_mayHold = true;
  bool m_sending = false;
};

}  // namespace platform
