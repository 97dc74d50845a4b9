#pragma once
// mInput: the checks applied to keys and names where they enter the add-in
// from outside (group messages, a restored backup, the host's commands, a
// new profile); addresses are mAddress's. Everything stored is joined by ";",
// so a value that passes here cannot split a stored list.
#include <string>
#include <string_view>

namespace mInput {

// Exactly the generator's shape: eight digits 0..8, "-", fourteen digits
// ("64522606-20060213141359").
bool IsKey(std::string_view text);

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
