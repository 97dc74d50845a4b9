#pragma once
// LibKorvel: the support library's log, kept beside the add-in. It appends
// entries to zentab.log in its folder (…/Korvel/Zentabo under the user's
// application data folder) and copies errors to zentab.err as well. Each run
// begins with a ":Start:" marker line, which the start-up trimming of the log
// (mReduceLog) uses as its cut point.
#include <string>

namespace platform {
class Clock;
}

// Opens the log in `appDataFolder` (created when missing) and writes the
// ":Start:" marker line of a new run. Returns the handle for LibKorvelLogMsg;
// the same folder always yields the same handle. Returns 0 when the folder
// cannot be created.
long LibKorvelInit(const std::string& appDataFolder);

// Returns the handle of `appDataFolder` without writing a marker (0 on an
// empty folder name). The folder is created on the first entry.
long LibKorvelOpen(const std::string& appDataFolder);

// The folder a handle stands for; empty for an unknown handle.
std::string LibKorvelFolder(long handle);

// The clock that stamps the handle's entries from now on (nullptr: the
// system clock, the default). The clock must outlive its use here: set it
// back to nullptr before it goes. Unknown handles are ignored.
void LibKorvelSetClock(long handle, const platform::Clock* clock);

// Appends one entry. kind: 1 information, 2 warning, 3 error (errors go to
// zentab.err too); level: detail level 1 to 3. Returns false when the entry
// could not be written (unknown handle, unwritable file); never throws.
bool LibKorvelLogMsg(long handle, const std::string& text, long code, const std::string& source, int kind,
                     int level);
