#include "platform/redemption/SafeItems.h"

#include "platform/redemption/Library.h"
#include "platform/redemption/MapiProps.h"
#include "platform/Error.h"
#include "platform/store/Attachments.h"
#include "platform/store/Links.h"

namespace Redemption {
namespace {

// The store keeps the attendee lists and the "To" line as texts derived from
// the recipients of one type; reading and writing them goes through there.
std::string ReadList(const platform::Item& item, const char* name) { return item.GetText(name); }

void WriteList(platform::Item item, const char* name, const std::string& text) { item.Set(name, text); }

}  // namespace

// --- SafeItem ---------------------------------------------------------------

// The wrappers pass their own class names, which are known: only the
// registration can be missing, and it is asked for first.
SafeItem::SafeItem(const char* progId) {
  if (!IsRegistered()) CheckClass(progId);
}

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

SafeMailItem::SafeMailItem(const RDOSession& session) : SafeItem(kSafeMailItem), m_pSession(&session) {}

std::string SafeMailItem::To() const {
  return ReadList(Checked("To"), "To");
}

void SafeMailItem::To(const std::string& recipients) {
  WriteList(Checked("To"), "To", recipients);
}

platform::Attachment SafeMailItem::AttachmentsAdd(const std::string& path, const std::string& displayName) {
  return Checked("Attachments").Attachments().Add(path, platform::olByValue, 1, displayName);
}

void SafeMailItem::Send() {
  platform::Item mail = Checked("Send");
  if (!m_pSession) throw platform::Error("SafeMailItem.Send: the wrapper was created without a session");
  if (mail.Recipients().Count() == 0) throw platform::Error("SafeMailItem.Send: the mail has no recipient");
  mail.Save();
  m_pSession->Send(mail);
}

// --- SafeAppointmentItem ----------------------------------------------------

SafeAppointmentItem::SafeAppointmentItem() : SafeItem(kSafeAppointmentItem) {}

std::string SafeAppointmentItem::RequiredAttendees() const {
  return ReadList(Checked("RequiredAttendees"), "RequiredAttendees");
}

void SafeAppointmentItem::RequiredAttendees(const std::string& text) {
  WriteList(Checked("RequiredAttendees"), "RequiredAttendees", text);
}

std::string SafeAppointmentItem::OptionalAttendees() const {
  return ReadList(Checked("OptionalAttendees"), "OptionalAttendees");
}

void SafeAppointmentItem::OptionalAttendees(const std::string& text) {
  WriteList(Checked("OptionalAttendees"), "OptionalAttendees", text);
}

std::string SafeAppointmentItem::Resources() const {
  return ReadList(Checked("Resources"), "Resources");
}

void SafeAppointmentItem::Resources(const std::string& text) {
  WriteList(Checked("Resources"), "Resources", text);
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
