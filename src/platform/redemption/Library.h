#pragma once
// The safe-item library as a whole: which classes it provides (by program
// identifier, matched without regard to case) and whether it is registered in
// this process. Every object of the library checks its class here when it is
// created, so switching the library off makes each creation fail the way an
// unregistered class does, and the connection's start-up test leaves the
// add-in inert.
//
// The switch starts from the environment: a non-empty ZENTABO_NO_SAFEITEMS
// other than "0" means "not registered". SetRegistered overrides it (the
// host's --no-safeitems flag uses it).
//
// The library works on the process's mail profile: the logged-on session and
// the way the profile sends mail, installed by the profile's owner (the host)
// with SetProfile before the add-in starts.
#include <functional>
#include <string>

#include "platform/store/Item.h"
#include "platform/store/MailSession.h"

namespace Redemption {

inline constexpr const char* kSafeMailItem = "Redemption.SafeMailItem";
inline constexpr const char* kSafeAppointmentItem = "Redemption.SafeAppointmentItem";
inline constexpr const char* kSafeMeetingItem = "Redemption.SafeMeetingItem";
inline constexpr const char* kSafeContactItem = "Redemption.SafeContactItem";
inline constexpr const char* kSafeCurrentUser = "Redemption.SafeCurrentUser";
inline constexpr const char* kMAPIUtils = "Redemption.MAPIUtils";
inline constexpr const char* kMAPITable = "Redemption.MAPITable";
inline constexpr const char* kRDOSession = "Redemption.RDOSession";

// The error number an unregistered class reports: 0x80040154 (class not
// registered) read as a signed 32-bit result code.
inline constexpr long kClassNotRegistered = -2147221164L;

// Whether the library is registered in this process (see the header comment).
bool IsRegistered();
// Registers (true) or unregisters (false) the library for this process.
void SetRegistered(bool registered);
// Forgets SetRegistered and reads the environment again at the next query.
void ResetRegistration();

// The canonical spelling of a program identifier of the library ("redemption.mapiutils"
// gives "Redemption.MAPIUtils"); empty when the library has no such class.
std::string CanonicalProgID(const std::string& progId);

// Proves that the class can be created. Throws platform::Error (number
// kClassNotRegistered, text naming the identifier) when the library is not
// registered or does not provide the class.
void CheckClass(const std::string& progId);

// Hands one saved mail to the profile's outgoing transport.
using MailSender = std::function<void(const platform::Item& mail)>;

// Installs the profile (nullptr and an empty sender: none). The session must
// outlive its use by the library.
void SetProfile(platform::MailSession* session, MailSender sender);
// The installed session; throws platform::Error when there is none.
platform::MailSession& ProfileSession();
// Sends through the installed sender; throws platform::Error when none is
// installed (and whatever the sender throws).
void SendThroughProfile(const platform::Item& mail);

}  // namespace Redemption
