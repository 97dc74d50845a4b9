#include "platform/redemption/MAPIUtils.h"

#include "platform/redemption/Library.h"
#include "platform/redemption/MapiProps.h"
#include "platform/Error.h"
#include "platform/Text.h"
#include "platform/store/Folder.h"
#include "platform/store/Items.h"
#include "platform/store/MailSession.h"

namespace Redemption {
namespace {

constexpr const char* kSmtpPrefix = "SMTP:";

AddressEntry EntryOfContact(const platform::Item& contact) {
  return {contact.EntryID(), contact.FullName(), contact.Email1Address(), "SMTP"};
}

// A contact whose full name or address equals `text` (without case), or an
// entry for a bare address; nullopt-like empty ID when neither.
AddressEntry Lookup(const platform::MailSession& profile, const std::string& text) {
  platform::Folder contacts = profile.GetDefaultFolder(platform::olFolderContacts);
  for (const platform::Item& item : contacts.Items().All()) {
    if (item.Class() != platform::olContact) continue;
    if (platform::EqualsNoCase(item.FullName(), text) || platform::EqualsNoCase(item.Email1Address(), text)) {
      return EntryOfContact(item);
    }
  }
  if (text.find('@') != std::string::npos) return {kSmtpPrefix + text, text, text, "SMTP"};
  return {};
}

}  // namespace

MAPIUtils::MAPIUtils() { CheckClass(kMAPIUtils); }

MAPIUtils::MAPIUtils(const RDOSession& session) : m_pSession(&session) { CheckClass(kMAPIUtils); }

platform::MailSession& MAPIUtils::Profile(const char* member) const {
  if (!m_pSession) throw platform::Error(std::string("MAPIUtils.") + member + ": made without a session");
  return m_pSession->Profile();
}

long MAPIUtils::GetIDsFromNames(const platform::Item& item, const std::string& propSetGuid, long id,
                                bool create) {
  if (!item) throw platform::Error("GetIDsFromNames: the item is Nothing");
  return ResolveNamedProp(propSetGuid, id, create);
}

long MAPIUtils::GetIDsFromNames(const platform::Item& item, const std::string& propSetGuid,
                                const std::string& name, bool create) {
  if (!item) throw platform::Error("GetIDsFromNames: the item is Nothing");
  return ResolveNamedProp(propSetGuid, name, create);
}

platform::PropValue MAPIUtils::HrGetOneProp(const platform::Item& item, long propTag) {
  return ReadProp(item, propTag);
}

void MAPIUtils::HrSetOneProp(platform::Item item, long propTag, const platform::PropValue& value, bool save) {
  WriteProp(item, propTag, value);
  if (save) item.Save();
}

std::string MAPIUtils::HrArrayToString(const platform::Bytes& bytes) { return HexOf(bytes); }

std::string MAPIUtils::HrArrayToString(const platform::PropValue& value) {
  if (!std::holds_alternative<platform::Bytes>(value)) {
    throw platform::Error("HrArrayToString: the value is no byte array");
  }
  return HexOf(std::get<platform::Bytes>(value));
}

AddressEntry MAPIUtils::GetAddressEntryFromID(const std::string& entryId) {
  if (entryId.rfind(kSmtpPrefix, 0) == 0) {
    const std::string address = entryId.substr(std::string(kSmtpPrefix).size());
    return {entryId, address, address, "SMTP"};
  }
  platform::Item item = Profile("GetAddressEntryFromID").GetItemFromID(entryId);
  if (item.Class() != platform::olContact) {
    throw platform::Error("GetAddressEntryFromID: '" + entryId + "' is no address entry");
  }
  return EntryOfContact(item);
}

std::vector<AddressBookChoice> MAPIUtils::AddressBook(platform::Prompt& prompt, const std::string& title,
                                                      const std::vector<std::string>& wellLabels) {
  const platform::MailSession& profile = Profile("AddressBook");
  platform::FormRequest form;
  form.name = "AddressBook";
  form.buttons = platform::Buttons::OKCancel;
  form.Set("Title", title);
  for (const std::string& label : wellLabels) form.Set(label, "");
  std::vector<AddressBookChoice> chosen;
  if (prompt.ShowForm(form) != platform::IDOK) return chosen;
  for (size_t well = 0; well < wellLabels.size(); ++well) {
    const std::string text = form.Get(wellLabels[well]);
    size_t start = 0;
    while (start <= text.size()) {
      size_t end = text.find(';', start);
      if (end == std::string::npos) end = text.size();
      const std::string part = platform::Trim(text.substr(start, end - start));
      if (!part.empty()) {
        AddressEntry entry = Lookup(profile, part);
        if (!entry.ID.empty()) chosen.push_back({static_cast<int>(well + 1), entry});
      }
      start = end + 1;
    }
  }
  return chosen;
}

}  // namespace Redemption
