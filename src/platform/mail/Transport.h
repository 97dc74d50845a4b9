#pragma once
// Transport: how mails leave one home and reach another. The add-in's mail
// glue (MailDelivery) talks only to this interface, so that the local post
// office can be replaced by SMTP/IMAP without touching the store side.
#include <string>
#include <vector>

#include "platform/mail/MailMessage.h"

namespace platform {

// What one Fetch took from a mailbox.
struct FetchResult {
  std::vector<MailMessage> messages;  // oldest first
  // One opaque receipt per message, in the same order, for Return.
  std::vector<std::string> receipts;
  // One line per message that could not be read or is too large or deeply
  // nested to be read safely ("<where it now lies>: <why>"); such messages
  // are kept aside, never deleted, and not offered again.
  std::vector<std::string> rejected;
};

class Transport {
 public:
  virtual ~Transport() = default;

  // Delivers the message to every To, Cc and Bcc recipient (each address once,
  // compared without regard to case). Throws platform::Error when the message
  // cannot be written or a recipient's mailbox cannot be reached; recipients
  // checked before anything is delivered, so a bad address delivers nothing;
  // a write failure part-way leaves the earlier recipients served.
  virtual void Send(const MailMessage& message) = 0;

  // Reads every message waiting for `address`, oldest first. The messages
  // stay waiting (and are offered again by the next Fetch) until the
  // receiver acknowledges them, so a receiver that dies before it has
  // stored a message loses nothing. An address nobody has written to yet has
  // no messages. Throws platform::Error when the mailbox cannot be read.
  virtual FetchResult Fetch(const std::string& address) = 0;

  // The receiver has stored the fetched message: it is taken and never
  // offered again. `receipt` comes from a Fetch's receipts. Throws
  // platform::Error when the message is no longer waiting.
  virtual void Acknowledge(const std::string& address, const std::string& receipt) = 0;

  // Whether a message may be waiting for `address`, without reading any: the
  // cheap look a mail client takes before a send/receive. The default reads
  // the mailbox.
  virtual bool HasWaiting(const std::string& address) { return !Fetch(address).messages.empty(); }
};

}  // namespace platform
