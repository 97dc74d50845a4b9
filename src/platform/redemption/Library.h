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
// Objects that reach the mail profile (the current user, sending, the
// address book) are created with the add-in's logged-on session
// (RDOSession.h); nothing here is tied to one profile per process.
#include <string>
#include <string_view>

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
std::string_view CanonicalProgID(std::string_view progId);

// Proves that the class can be created. Throws platform::Error (number
// kClassNotRegistered, text naming the identifier) when the library is not
// registered or does not provide the class.
void CheckClass(std::string_view progId);

}  // namespace Redemption
