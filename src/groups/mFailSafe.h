#pragma once
// mFailSafe: the safety nets for data that exists only on this computer:
// the user's backup of all groups to an XML file of his choice and its
// restore, with the file dialogs of the explorer menu's backup and restore
// commands; and the appointment changes still waiting to be sent when the
// add-in stops, kept in work files and sent at the next start so that no
// change is lost from one run to the next.
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

// The file dialogs' filter of group backups.
inline constexpr const char* kBackupFilter = "Zentabo groups (*.xml)|*.xml|All files (*.*)|*.*";

// The backup command: asks for the file to write (save-file dialog) and,
// for a non-empty (trimmed) answer, stores the groups. True when written.
bool BackupGroupsCommand(CGroups& groups);
// The restore command: asks for the file to read (open-file dialog, no
// preset name) and, for a non-empty (trimmed) answer, restores from it.
// The caller raises the event "Groups" afterwards in either case. True when
// the groups were replaced.
bool RestoreGroupsCommand(CGroups& groups);

// The work files of unsent changes, in the folder "Temp" of the add-in's
// working folder, named after the store key so that the profiles of one
// computer keep theirs apart: <key>SaveItems.xml (an appointment document)
// and <key>SaveItemsAttaches.zip (the items' attachments).
std::string FSItemsPath(const std::string& workFolder, const std::string& storeKey);
std::string FSAttachesPath(const std::string& workFolder, const std::string& storeKey);

// At shutdown: writes the installed context's pending changes to the work
// files. Nothing is written when none are pending or nobody receives
// appointments. The document appears complete or not at all. Never throws
// (logged, "mFailSafe.FSStore").
void FSStore();

// At start-up: sends the changes a previous run left in the work files as
// one appointment mail to the receivers (when there are any and the
// document loads and holds items), then removes the work files and the
// folder "Temp" when it is empty. The saved changes travel in that mail
// only: the records of the profile's pending queue that the document
// carries are removed in the same store batch as the mail is sent, and
// work files whose mail went already (a run killed before removing them)
// are removed unsent. Never throws (logged, "mFailSafe.FSRestore").
void FSRestore();
