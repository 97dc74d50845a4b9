#pragma once
// mFailSafe: the safety nets for data that exists only on this computer.
// Here: the user's backup of all groups to an XML file of his choice and its
// restore, with the file dialogs of the explorer menu's backup and restore
// commands.
#include <string>

#include "groups/CGroups.h"

// Writes the groups to the file (an existing file is deleted first). False
// (logged, "mFailSafe.StoreGroups") on failure.
bool StoreGroups(CGroups& groups, const std::string& strPath);

// Replaces the groups by those of the file and saves them. An empty path, a
// missing file or an empty (0-byte) file does nothing. A file that is no
// group document shows "LID_FILE_LOAD_ERROR" and changes nothing; a document
// that loads but is not Valid (which shows its own message) changes nothing.
// True when the groups were replaced.
bool RestoreGroups(CGroups& groups, const std::string& strPath);

// The backup command: asks for the file to write (save-file dialog) and,
// for a non-empty (trimmed) answer, stores the groups. True when written.
bool BackupGroupsCommand(CGroups& groups);
// The restore command: asks for the file to read (open-file dialog, no
// preset name) and, for a non-empty (trimmed) answer, restores from it.
// The caller raises the event "Groups" afterwards in either case. True when
// the groups were replaced.
bool RestoreGroupsCommand(CGroups& groups);
