#pragma once
// MailOutbox: mails whose sending belongs to a registry batch. A mail sent
// while a batch is open is not handed to the transport at once but queued
// in the registry as part of that batch, so that it exists exactly when the
// batch's other changes do: a crash before the commit leaves neither, a
// crash after it leaves both, and the queue is sent on the next start.
// A queued mail is removed only after the transport took it; a crash in
// between sends it again, with the same Message-ID, which the receiver
// recognises. The queue lives under HKCU\<key>, one value per mail.
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "platform/mail/MailMessage.h"
#include "platform/mail/Transport.h"

namespace platform {

class MailOutbox {
 public:
  // Both must outlive the outbox. key: the registry key below
  // HKEY_CURRENT_USER that holds the queue.
  MailOutbox(Registry& registry, Transport& transport, std::string key);

  // True when a send now must wait for the open batch (see Queue).
  bool Holding() const { return m_registry.InBatch(); }
  // Queues the message in the open batch. REQUIRES: a messageId (the id a
  // resend keeps). Throws platform::Error when the message cannot be encoded
  // or the registry refuses the write.
  void Queue(const MailMessage& message);
  // Hands every queued mail to the transport, oldest first, removing each
  // after the transport took it. Returns how many were sent. Throws
  // platform::Error at the first mail the transport refuses; it and the
  // later ones stay queued. Does nothing inside a batch (its mails are not
  // committed yet).
  int SendQueued();
  // Number of mails waiting.
  int Count() const;
  // The mails waiting, oldest first (what the next SendQueued sends).
  std::vector<MailMessage> Queued() const;

 private:
  Registry& m_registry;
  Transport& m_transport;
  std::string m_key;
};

}  // namespace platform
