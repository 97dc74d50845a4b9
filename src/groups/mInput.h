#pragma once
// mInput: the checks applied to keys, addresses and names where they enter
// the add-in from outside (group messages, a restored backup, the host's
// commands, a new profile). Everything stored is joined by ";" and addresses
// name post-office folders, so a value that passes here can neither split a
// stored list nor reach a second recipient or another folder.
#include <string>
#include <string_view>

namespace mInput {

// Exactly the generator's shape: eight digits 0..8, "-", fourteen digits
// ("64522606-20060213141359").
bool IsKey(std::string_view text);

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

// A display or group name fit to store and show: control characters
// (C0, DEL) become blanks, invalid UTF-8 bytes become "?", ";" (the
// separator of stored lists) becomes ",", and the result is trimmed and cut
// to kMaxNameLength bytes on a character boundary.
inline constexpr size_t kMaxNameLength = 256;
std::string CleanName(std::string_view text);

// A text for the terminal: control characters written as "\xNN" (and "\\"
// doubled), so that a stored name can never drive the terminal.
std::string EscapeForTerminal(std::string_view text);

}  // namespace mInput
