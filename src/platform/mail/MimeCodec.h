#pragma once
// MimeCodec: turns a MailMessage into an RFC 5322 / MIME message and back.
// Written messages are multipart/mixed when they carry attachments (the text
// part first, then one base64 part per attachment with its file name, its
// display name as the part's description and its media type,
// application/octet-stream unless it names another); non-ASCII header texts are encoded
// as RFC 2047 words, non-ASCII file names as RFC 2231 parameters. The MIME work
// itself is vmime's; this class only maps fields and line endings.
#include <string>
#include <string_view>

#include "platform/mail/MailMessage.h"

namespace platform {

class MimeCodec {
 public:
  // The message as stored on disk: LF line endings throughout. A message
  // without a messageId gets a fresh one; a zero `sent` date writes the
  // current time. An attachment without a file name is written as
  // "attachment<n>.dat" (n counted from 1), its display name kept.
  // Bcc recipients are checked but not written. Throws platform::Error when
  // the sender's or a recipient's address is not a valid address, or when
  // there is no To or Cc recipient.
  static std::string Encode(const MailMessage& message);

  // Limits of what Decode reads: larger messages, more parts or deeper
  // nesting are refused before the MIME parser sees them (its recursion
  // would overflow the stack on a hostile message).
  static constexpr size_t kMaxMessageBytes = 64u << 20;
  static constexpr int kMaxParts = 1000;
  static constexpr int kMaxDepth = 20;

  // Checks the size and the multipart structure (part count, nesting depth)
  // of a raw message by its boundary lines, without parsing it. Throws
  // platform::Error saying which limit the message passes.
  static void CheckStructure(std::string_view bytes);

  // A new globally unique Message-ID ("left@right", no angle brackets).
  static std::string NewMessageId();

  // Parses a message with CRLF or LF line endings, after CheckStructure. Bodies come back with CRLF
  // line breaks and converted to UTF-8; a message that is not MIME but has a
  // header is read as a plain text message. The first text/plain part that is
  // not marked as an attachment is the body; every other leaf part is an
  // attachment (a part without any file name is named "attachment<n>.dat").
  // Header texts lose leading and trailing blanks, as header parsers do.
  // Throws platform::Error when the input does not start with a header field.
  static MailMessage Decode(std::string_view bytes);

  // A message waiting in an outbox: its blind-copy addresses (which the
  // written message does not carry), one per line, an empty line, then the
  // message as Encode writes it. DecodeQueued reads it back, Bcc included;
  // it throws platform::Error when the text is no queued message.
  static std::string EncodeQueued(const MailMessage& message);
  static MailMessage DecodeQueued(std::string_view text);

  // Line-ending helpers shared with the transports. ToCrlf turns every LF not
  // preceded by CR into CRLF; ToLf turns every CRLF into LF.
  static std::string ToCrlf(std::string_view text);
  static std::string ToLf(std::string_view text);
};

}  // namespace platform
