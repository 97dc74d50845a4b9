#pragma once
// mAddress: the shape check that every e-mail address the add-in accepts
// passes (the current user's, a new member's), shared by the connection
// class, the dialogs and the host's commands.
#include <string>

namespace mAddress {

// True when the first "@" stands after the first character, the first "."
// at or after that "@" stands more than one character after it, and at
// least one character follows that ".".
bool isEmailAddress(const std::string& text);

}  // namespace mAddress
