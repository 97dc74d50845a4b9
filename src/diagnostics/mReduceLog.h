#pragma once
// mReduceLog: start-up trimming of the support library's log files, so that
// zentab.log and zentab.err never grow without bound. The newest half of a
// file that has grown past its limit is kept, cut at the start of a run
// (zentab.log) or at a line start (zentab.err).
#include <cstdint>
#include <string>

namespace mReduceLog {

constexpr std::uintmax_t kLogLimit = 0x100000;  // zentab.log
constexpr std::uintmax_t kErrLimit = 0x20000;   // zentab.err

// Trims one file when it is larger than `limit`: the text from the cut point
// (size - limit/2, moved forward to the first `marker` found from there, or to
// the character after the first line feed when `marker` is "\n") to the end
// replaces the file. Returns true when the file was trimmed; false when it is
// missing, small enough, or cannot be rewritten (logged).
bool ReduceFile(const std::string& path, std::uintmax_t limit, const std::string& marker);

// Trims zentab.log (cut at ":Start:") and zentab.err (cut at a line start) in
// the support library's folder `appDataFolder`. Never throws.
void ReduceLog(const std::string& appDataFolder);

}  // namespace mReduceLog
