#pragma once
// mOwnerItems: the item side of a member's new display name or address. The
// items of other members (copies in the shared folder, and items the user
// keeps for them in his calendar) carry their owner's address in the
// property "VestrandOwnerAddress" and his display name as the subject prefix
// "[name] "; these walks rewrite them in one folder.
#include <functional>
#include <map>
#include <string>

#include "platform/store/Folder.h"

inline constexpr const char* kOwnerAddressProp = "VestrandOwnerAddress";

// "[" + name + "] ".
std::string MakeOwnerPrefix(const std::string& strName);
// The subject without a leading prefix (unchanged when it does not start with it).
std::string StripOwnerSubject(const std::string& strSubject, const std::string& strPrefix);

// For every appointment ("IPM.Appointment") of the folder owned by strEmail
// (case-insensitive): strips "[old] " from the subject, puts "[new] " in
// front and saves. doEvents (may be empty) runs between items. Returns the
// number of items saved; an item that cannot be saved is logged and skipped.
int UpdateOwnerSubjectsInFolder(const platform::Folder& folder, const std::string& strEmail,
                                const std::string& strOldName, const std::string& strNewName,
                                const std::function<void()>& doEvents);

// For every appointment of the folder whose owner address is a key of
// mapping (lower case): sets the owner address to the mapped value and
// saves. Returns the number of items saved.
int ChangeOwnerAddressesInFolder(const platform::Folder& folder, const std::map<std::string, std::string>& mapping,
                                 const std::function<void()>& doEvents);
