#pragma once
// MailFile: a mail item of the profile as a message of its own - the
// message it would travel as, and that message written as a standard .eml
// file (RFC 5322 with CRLF line endings) that any mail program opens.
#include <filesystem>

#include "platform/Date.h"
#include "platform/mail/MailMessage.h"
#include "platform/store/Item.h"
#include "platform/store/MailSession.h"

namespace platform {

// The message of a mail item from the profile's current user: Subject, Body,
// To/CC/BCC recipients, attachments (by value; a by-reference attachment
// carries the referenced file's bytes), a fresh Message-ID, `sent` as its
// date. Throws platform::Error when the item is no mail, has no To or CC
// recipient, the profile has no current-user address, or a referenced file
// cannot be read.
MailMessage MessageOfItem(const MailSession& session, const Item& mail, Date sent);

// Writes the mail item to `file` as an unsent message (marked "X-Unsent: 1",
// so mail programs open it as a draft to edit and send), with its importance
// as the "Importance" and "X-Priority" header fields when it is not normal.
// The file appears whole or not at all. Throws platform::Error as
// MessageOfItem does, or when the file cannot be written.
void SaveMailAsEml(const MailSession& session, const Item& mail, const std::filesystem::path& file, Date sent);

}  // namespace platform
