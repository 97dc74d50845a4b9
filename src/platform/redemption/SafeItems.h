#pragma once
// The safe item wrappers: objects set onto a mail-client item that read and
// write its protected parts (body, recipients, attendee lists, sender fields,
// a contact's address) and send mail, without the client's security prompt.
// Each wrapper is created for one use and dropped right afterwards; creating
// one throws platform::Error (class not registered) when the library is
// switched off (Library.h). Every member throws platform::Error on
// failure (no item set, a store error); callers catch and log.
#include <string>

#include "platform/redemption/RDOSession.h"
#include "platform/store/Attachments.h"
#include "platform/store/Item.h"
#include "platform/store/Links.h"
#include "platform/store/Recipients.h"
#include "platform/store/StoreTypes.h"

namespace Redemption {

// Property tags the wrappers' Fields answer (MAPI tag = id << 16 | type).
inline constexpr long PR_MESSAGE_CLASS = 0x001A001E;
inline constexpr long PR_SUBJECT = 0x0037001E;
inline constexpr long PR_SENDER_NAME = 0x0C1A001E;
inline constexpr long PR_SENDER_EMAIL_ADDRESS = 0x0C1F001E;
inline constexpr long PR_DISPLAY_TO = 0x0E04001E;
inline constexpr long PR_BODY = 0x1000001E;
inline constexpr long PR_ENTRYID = 0x0FFF0102;

// The members every safe item shares.
class SafeItem {
 public:
  virtual ~SafeItem() = default;

  // Sets the item the wrapper works on (a handle; the wrapper does not own
  // the stored item). Throws platform::Error for Nothing.
  void Item(const platform::Item& item);
  // The item set last; Nothing before the first Item(item).
  const platform::Item& Item() const { return m_item; }

  // The item's body text; writing changes the item in memory, the caller saves.
  std::string Body() const;
  void Body(const std::string& text);

  // The item's recipients (a handle onto the item's collection).
  platform::Recipients Recipients() const;

  // One MAPI property of the item by tag, read (see MAPIUtils::HrGetOneProp
  // for the tags answered). Missing values read as monostate.
  platform::PropValue Fields(long propTag) const;

 protected:
  explicit SafeItem(const char* progId);
  // The item, or throws platform::Error naming `member` when none is set.
  const platform::Item& Checked(const char* member) const;

 private:
  platform::Item m_item;
};

// "Redemption.SafeMailItem": sends a mail and reads its sender.
class SafeMailItem : public SafeItem {
 public:
  // A wrapper that reads and changes mails but cannot send them.
  SafeMailItem();
  // A wrapper that also sends, through `session` (which must outlive it).
  explicit SafeMailItem(const RDOSession& session);

  // The "To" line as the store derives it from the recipients of type To;
  // writing replaces them with the addresses of a ";"-separated text.
  std::string To() const;
  void To(const std::string& recipients);

  // Attaches the file at `path` (copied now) under `displayName` ("" keeps
  // the file name). Throws platform::Error naming the path when unreadable.
  platform::Attachment AttachmentsAdd(const std::string& path, const std::string& displayName = "");

  // Saves the mail and sends it through the session's transport without
  // asking. Throws platform::Error when the wrapper has no session, the mail
  // has no recipient or the profile cannot send.
  void Send();

 private:
  const RDOSession* m_pSession = nullptr;  // none: a reading wrapper
};

// "Redemption.SafeAppointmentItem": body and attendee lists of an appointment.
class SafeAppointmentItem : public SafeItem {
 public:
  SafeAppointmentItem();

  // The attendee lists as the store derives them from the recipients of one
  // type (required, optional, resource); writing replaces the recipients of
  // that type with the addresses of a ";"-separated text.
  std::string RequiredAttendees() const;
  void RequiredAttendees(const std::string& text);
  std::string OptionalAttendees() const;
  void OptionalAttendees(const std::string& text);
  std::string Resources() const;
  void Resources(const std::string& text);
};

// "Redemption.SafeMeetingItem": the body of a meeting request.
class SafeMeetingItem : public SafeItem {
 public:
  SafeMeetingItem();
};

// "Redemption.SafeContactItem": a contact's address, name and links.
class SafeContactItem : public SafeItem {
 public:
  SafeContactItem();

  std::string Email1Address() const;
  // Changes the contact in memory; the caller saves.
  void Email1Address(const std::string& address);
  std::string FullName() const;
  platform::Links Links() const;
};

}  // namespace Redemption
