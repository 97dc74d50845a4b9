#pragma once
// mAddress: the check that every e-mail address the add-in accepts passes
// (the current user's, a member's from a group message, a backup, a command
// or a new profile), shared by the connection class, the dialogs, the groups
// and the host. Addresses name post-office folders and are joined by ";" in
// stored lists, so one that passes can neither reach a second recipient nor
// another folder.
#include <string>
#include <string_view>

namespace mAddress {

// True when the text, trimmed and lower-cased, is one address (IsAddress):
// the check of the current user's address as typed or stored.
bool isEmailAddress(const std::string& text);

// One deliverable address, already trimmed and lower-cased: a local part of
// letters, digits and ".!#$%&'*+=?^_`{|}~-" (no leading, trailing or doubled
// "."), one "@", and a domain of at least two dot-separated labels of
// letters, digits and inner "-"; at most 254 characters.
bool IsAddress(std::string_view text);

// A member's address: one address, or a virtual member's owner address, "/"
// and a suffix of printable characters without blanks, ";", ",", "/".
bool IsMemberAddress(std::string_view text);

// Trimmed (blanks) and lower-cased: the form every address is kept in.
std::string NormaliseAddress(std::string_view text);

}  // namespace mAddress
