#pragma once
// mAppointmentContacts: the contacts a meeting request carries. When the user
// sends a meeting request, the contacts linked to its appointment are written
// into the request's body as one marked line; when a request arrives, that
// line is taken out again and the receiver's matching contacts (created when
// missing) are linked to the request. A contact that stands for a virtual
// member is matched by its "VestrandVirtualEmail" property instead of its
// e-mail address. Every operation logs its failures with its own source
// name and returns its neutral result.
#include <string>

#include "platform/store/Item.h"

namespace mAppointmentContacts {

// The marker that starts the contacts line of a request's body.
inline constexpr const char* kContactsMarker = "ZTB_Contacts_Attached = ";
inline constexpr const char* kVirtualEmail = "VestrandVirtualEmail";

// The send hook's part: for a meeting request whose appointment has linked
// contacts, appends CR LF, the marker and the contacts text to the request's
// body and saves it. Other items, and requests without contacts, are left
// as they are.
void OnItemSend(platform::Item& item);

// The new-mail part: for a received meeting request with a contacts line,
// removes the line (with the line break before it) from the body and links
// the contacts it names to the request, then saves the request.
void AppointmentContacts_OnNewMail(platform::Item& item);

// "name;address;name;address..." for every linked contact in link order:
// its FullName, and its virtual address when it has one, else its
// Email1Address. "" without links; a contact that cannot be read is skipped.
std::string GetAppointmentContactsStr(const platform::Item& appointment);

// Links the contacts of such a text to the item (in memory; the caller
// saves): an address with "/" is a virtual member's, any other an ordinary
// contact's. A trailing name without address is ignored.
void SetAppointmentContactsStr(platform::Item& appointment, const std::string& text);

// Links the contact of the default Contacts folder with that full name and
// virtual address, creating it when there is none.
void AddVirtContactToAppointment(platform::Item& appointment, const std::string& address, const std::string& name);

// Links the contact with that full name and Email1Address, creating it when
// there is none.
void AddContactToAppointment(platform::Item& appointment, const std::string& address, const std::string& name);

// The contact's virtual address ("" when it has none) / writes it, adding
// the property as text when missing (in memory; the caller saves).
std::string GetVirtualEmail(const platform::Item& contact);
void SetVirtualEmail(platform::Item& contact, const std::string& address);

}  // namespace mAppointmentContacts
