#pragma once
// "Redemption.MAPIUtils": MAPI-level helpers over the profile's items —
// named-property ids, raw property values by tag, the hex text of entry ids,
// address entries and the address-book dialog with its wells.
#include <string>
#include <vector>

#include "platform/Prompt.h"
#include "platform/redemption/RDOSession.h"
#include "platform/store/Item.h"
#include "platform/store/StoreTypes.h"

namespace Redemption {

// One entry of the address book: a contact of the profile's Contacts folder
// (ID = the contact's entry id) or an address typed in the dialog
// (ID = "SMTP:" + address).
struct AddressEntry {
  std::string ID;
  std::string Name;
  std::string Address;
  std::string Type = "SMTP";
};

// An entry chosen in the address book and the well (1-based) it was put in.
struct AddressBookChoice {
  int well = 1;
  AddressEntry entry;
};

class MAPIUtils {
 public:
  // Utilities over single items: the members that reach the profile (the
  // address entries and the address book) throw platform::Error.
  // Both constructors throw platform::Error (class not registered) when the
  // library is off.
  MAPIUtils();
  // Utilities over `session`'s profile as well (the session must outlive them).
  explicit MAPIUtils(const RDOSession& session);

  // The tag (type 0, that is id << 16) of a named property of the property
  // set `propSetGuid`, by numeric id or by name; 0 when it is unknown and
  // `create` is false. The meeting ids 3 and 0x23 and every public-strings
  // name (an item's user property) always resolve.
  long GetIDsFromNames(const platform::Item& item, const std::string& propSetGuid, long id, bool create);
  long GetIDsFromNames(const platform::Item& item, const std::string& propSetGuid,
                       const std::string& name, bool create);

  // The value of one property: text, number, date, or bytes for byte-array
  // tags (PR_ENTRYID, the global object id); monostate when missing. Throws
  // platform::Error for an unknown tag or a Nothing item.
  platform::PropValue HrGetOneProp(const platform::Item& item, long propTag);
  // Writes one property; `save` saves the item afterwards. Throws
  // platform::Error for a tag that cannot be written or a wrong value type.
  void HrSetOneProp(platform::Item item, long propTag, const platform::PropValue& value, bool save);

  // Upper-case hex text of a byte array, two digits per byte ("" for none).
  // The PropValue form throws platform::Error for a value that holds no bytes.
  static std::string HrArrayToString(const platform::Bytes& bytes);
  static std::string HrArrayToString(const platform::PropValue& value);

  // The entry behind an address-book id. Throws platform::Error when the id
  // names no contact and is no "SMTP:" id.
  AddressEntry GetAddressEntryFromID(const std::string& entryId);

  // Shows the address book as the modal form "AddressBook": the field
  // "Title" carries the title, and one field per well, named by its label,
  // takes the chosen entries separated by ";" (a contact's full name or
  // address, or any e-mail address). OK returns the chosen entries in well
  // order; Cancel returns none. Entries that are neither a contact nor an
  // address are skipped.
  std::vector<AddressBookChoice> AddressBook(platform::Prompt& prompt, const std::string& title,
                                             const std::vector<std::string>& wellLabels);

 private:
  // The profile of the session; throws platform::Error naming `member` when
  // the utilities were made without one.
  platform::MailSession& Profile(const char* member) const;

  const RDOSession* m_pSession = nullptr;
};

}  // namespace Redemption
