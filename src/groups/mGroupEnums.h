#pragma once
// The numbers of the member enumerations (role, wait, action, sub-action) and
// their texts as the settings store, the XML file and the group messages
// write them. Reading compares texts without regard to case; a bad value is
// written to the debug log under the converter's name.
#include <string>

enum : int { ROLE_MEMBER = 0, ROLE_ASSISTANT = 1, ROLE_MANAGER = 2 };
enum : int { WAIT_NONE = 0, WAIT_REPLAY = 1, WAIT_CONFIRMATION = 2 };
enum : int { ACTION_NONE = 0, ACTION_ADDING = 1, ACTION_MODIFYING = 2 };
enum : int { SUB_ACTION_NONE = 0, SUB_ACTION_SHARE_ON = 1 };

// "member", "assistant", "manager"; any other number gives "Error" and logs
// "invalid param - <n>" (source "Role2Str").
std::string Role2Str(int nRole);
// Case-insensitive; false (nRole untouched) and a log line "invalid param -
// <text>" (source "Str2Role") for an unknown text.
bool Str2Role(const std::string& s, int& nRole);

// "none", "replay", "confirmation"; otherwise "Error" (source "Wait2Str").
std::string Wait2Str(int nWait);
bool Str2Wait(const std::string& s, int& nWait);

// "none", "adding", "modifying"; otherwise "Error" (source "Action2Str").
std::string Action2Str(int nAction);
bool Str2Action(const std::string& s, int& nAction);

// The boolean texts of the group store and the group messages: "1" / "0".
inline std::string Bool2Str(bool b) { return b ? "1" : "0"; }
