#pragma once
// PostOfficeTransport: the embedded mail system. A post office is one folder
// shared by the homes of one machine; it holds a standard Maildir per address
// at "<post office>/<address in lower case>/" (tmp/, new/, cur/). Delivery
// writes into tmp/ and renames into new/, so a reader never sees half a
// message; a message stays in new/ until the receiver acknowledges it, which
// renames it into cur/ with the seen flag (":2,S"). Messages that cannot be
// parsed, or whose size or MIME structure is beyond what is read safely, are
// moved to "bad/" beside cur/.
#include <filesystem>
#include <string>

#include "platform/mail/Transport.h"

namespace platform {

class PostOfficeTransport : public Transport {
 public:
  // root: the post office folder; created (with its parents) when missing.
  // Throws platform::Error when it cannot be created.
  explicit PostOfficeTransport(std::filesystem::path root);

  void Send(const MailMessage& message) override;
  FetchResult Fetch(const std::string& address) override;
  // Moves the message from new/ into cur/.
  void Acknowledge(const std::string& address, const std::string& receipt) override;
  // A file in new/ (messages that will turn out unreadable count too).
  bool HasWaiting(const std::string& address) override;

  // Writes already encoded message bytes (LF line endings) into the mailbox of
  // `address`, creating the Maildir on demand. Returns the path in new/.
  // Throws platform::Error naming the file on a write or rename failure.
  std::filesystem::path Deliver(const std::string& address, const std::string& bytes);

  // The Maildir of `address`: root / address in lower case. Throws
  // platform::Error for an address that cannot name a folder (empty, a path
  // separator, a leading dot, control characters).
  std::filesystem::path MailboxPath(const std::string& address) const;

  const std::filesystem::path& Root() const { return m_root; }

 private:
  static std::string UniqueName();

  std::filesystem::path m_root;
};

}  // namespace platform
