#include "diagnostics/mReduceLog.h"

#include "diagnostics/CDebug.h"
#include "platform/FileUtil.h"

namespace fs = std::filesystem;
namespace FileUtil = platform::FileUtil;

namespace mReduceLog {

bool ReduceFile(const std::string& path, std::uintmax_t limit, const std::string& marker) {
  try {
    if (!FileUtil::Exists(path)) return false;
    const std::uintmax_t size = FileUtil::Size(path);
    if (size <= limit) return false;
    // Only the part after the cut point is read: the rest is dropped anyway.
    std::string kept = FileUtil::ReadFileFrom(path, size - limit / 2);
    const size_t found = kept.find(marker);
    if (found != std::string::npos) kept.erase(0, found + (marker == "\n" ? 1 : 0));
    const std::string tmp = path + "1";
    FileUtil::WriteFile(tmp, kept);
    FileUtil::Delete(path);
    FileUtil::Rename(tmp, path);
    return true;
  } catch (...) {
    g_Debug().OutError("mReduceLog.ReduceFile");
    return false;
  }
}

void ReduceLog(const std::string& appDataFolder) {
  ReduceFile((fs::path(appDataFolder) / "zentab.log").string(), kLogLimit, ":Start:");
  ReduceFile((fs::path(appDataFolder) / "zentab.err").string(), kErrLimit, "\n");
}

}  // namespace mReduceLog
