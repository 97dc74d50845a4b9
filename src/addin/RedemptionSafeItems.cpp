#include "addin/RedemptionSafeItems.h"

#include <vector>

#include "addin/RedemptionLibrary.h"
#include "addin/RedemptionMapiProps.h"
#include "platform/Error.h"
#include "platform/store/Attachments.h"
#include "platform/store/Links.h"

namespace Redemption {
namespace {

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

// The non-empty trimmed parts of a ";"-separated list.
std::vector<std::string> SplitAddresses(const std::string& text) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(';', start);
    if (end == std::string::npos) end = text.size();
    std::string part = Trim(text.substr(start, end - start));
    if (!part.empty()) parts.push_back(part);
    start = end + 1;
  }
  return parts;
}

std::string JoinOfType(const platform::Recipients& recipients, int type, const char* separator) {
  std::string text;
  for (int i = 1; i <= recipients.Count(); ++i) {
    platform::Recipient r = recipients.Item(i);
    if (r.Type() != type) continue;
    if (!text.empty()) text += separator;
    text += r.Address();
  }
  return text;
}

void ReplaceOfType(platform::Recipients recipients, int type, const std::string& text) {
  for (int i = recipients.Count(); i >= 1; --i) {
    if (recipients.Item(i).Type() == type) recipients.Remove(i);
  }
  for (const std::string& address : SplitAddresses(text)) recipients.Add(address, "", type);
}

}  // namespace

// --- SafeItem ---------------------------------------------------------------

SafeItem::SafeItem(const char* progId) { CheckClass(progId); }

void SafeItem::Item(const platform::Item& item) {
  if (!item) throw platform::Error("Safe item: Item cannot be set to Nothing");
  m_item = item;
}

const platform::Item& SafeItem::Checked(const char* member) const {
  if (!m_item) throw platform::Error(std::string("Safe item: ") + member + " used before Item was set");
  return m_item;
}

std::string SafeItem::Body() const { return Checked("Body").Body(); }

void SafeItem::Body(const std::string& text) {
  platform::Item item = Checked("Body");
  item.SetBody(text);
}

platform::Recipients SafeItem::Recipients() const { return Checked("Recipients").Recipients(); }

platform::PropValue SafeItem::Fields(long propTag) const { return ReadProp(Checked("Fields"), propTag); }

// --- SafeMailItem -----------------------------------------------------------

SafeMailItem::SafeMailItem() : SafeItem(kSafeMailItem) {}

std::string SafeMailItem::To() const {
  return JoinOfType(Checked("To").Recipients(), platform::olTo, ";");
}

void SafeMailItem::To(const std::string& recipients) {
  ReplaceOfType(Checked("To").Recipients(), platform::olTo, recipients);
}

platform::Attachment SafeMailItem::AttachmentsAdd(const std::string& path, const std::string& displayName) {
  return Checked("Attachments").Attachments().Add(path, platform::olByValue, 1, displayName);
}

void SafeMailItem::Send() {
  platform::Item mail = Checked("Send");
  if (mail.Recipients().Count() == 0) throw platform::Error("SafeMailItem.Send: the mail has no recipient");
  mail.Save();
  SendThroughProfile(mail);
}

// --- SafeAppointmentItem ----------------------------------------------------

SafeAppointmentItem::SafeAppointmentItem() : SafeItem(kSafeAppointmentItem) {}

std::string SafeAppointmentItem::RequiredAttendees() const {
  return JoinOfType(Checked("RequiredAttendees").Recipients(), platform::olRequired, "; ");
}

void SafeAppointmentItem::RequiredAttendees(const std::string& text) {
  ReplaceOfType(Checked("RequiredAttendees").Recipients(), platform::olRequired, text);
}

std::string SafeAppointmentItem::OptionalAttendees() const {
  return JoinOfType(Checked("OptionalAttendees").Recipients(), platform::olOptional, "; ");
}

void SafeAppointmentItem::OptionalAttendees(const std::string& text) {
  ReplaceOfType(Checked("OptionalAttendees").Recipients(), platform::olOptional, text);
}

std::string SafeAppointmentItem::Resources() const {
  return JoinOfType(Checked("Resources").Recipients(), platform::olResource, "; ");
}

void SafeAppointmentItem::Resources(const std::string& text) {
  ReplaceOfType(Checked("Resources").Recipients(), platform::olResource, text);
}

// --- SafeMeetingItem, SafeContactItem ----------------------------------------

SafeMeetingItem::SafeMeetingItem() : SafeItem(kSafeMeetingItem) {}

SafeContactItem::SafeContactItem() : SafeItem(kSafeContactItem) {}

std::string SafeContactItem::Email1Address() const { return Checked("Email1Address").Email1Address(); }

void SafeContactItem::Email1Address(const std::string& address) {
  platform::Item item = Checked("Email1Address");
  item.Set("Email1Address", address);
}

std::string SafeContactItem::FullName() const { return Checked("FullName").FullName(); }

platform::Links SafeContactItem::Links() const { return Checked("Links").Links(); }

}  // namespace Redemption
