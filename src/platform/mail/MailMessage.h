#pragma once
// MailMessage: one mail as it travels between homes, independent of how it is
// written on the wire (MimeCodec) and of how it is carried (Transport). Plain
// value type; texts are UTF-8 and the body keeps the client's CRLF line breaks.
#include <map>
#include <string>
#include <vector>

#include "platform/Date.h"

namespace platform {

struct MailAddress {
  std::string address;  // "user@example.org"; compared without regard to case
  std::string name;     // display name; may be empty

  friend bool operator==(const MailAddress&, const MailAddress&) = default;
};

struct MailAttachment {
  std::string fileName;     // bare file name, never empty once encoded
  std::string displayName;  // what the client shows; empty means the file name
  std::string bytes;        // the content, byte for byte
  // "type/subtype" of the part; empty means application/octet-stream.
  std::string mediaType;

  friend bool operator==(const MailAttachment&, const MailAttachment&) = default;
};

struct MailMessage {
  MailAddress from;
  std::vector<MailAddress> to;
  std::vector<MailAddress> cc;
  std::vector<MailAddress> bcc;  // delivered to, never written into the message
  std::string subject;
  std::string body;       // plain text, lines separated by CRLF
  Date sent;              // local time the sender sent it; zero when unknown
  std::string messageId;  // "left@right" without angle brackets; empty: the codec makes one
  std::vector<MailAttachment> attachments;
  // Header fields the fields above do not cover, by name as written
  // ("X-Priority"); unfolded values, written as given (keep them ASCII).
  // Decoding collects every such field.
  std::map<std::string, std::string> headers;
};

}  // namespace platform
