#include "diagnostics/LibKorvel.h"

#include <memory>
#include <vector>

#include "platform/Clock.h"
#include "platform/LogFile.h"

namespace fs = std::filesystem;

namespace {

struct Log {
  std::string folder;
  const platform::Clock* clock;  // stamps the entries
  // Kept open for the life of the process.
  std::unique_ptr<platform::LogFile> log;  // zentab.log
  std::unique_ptr<platform::LogFile> err;  // zentab.err
};

const platform::Clock& SystemClock() {
  static const platform::RealClock clock;
  return clock;
}

// Handles are 1-based indexes into this list; a folder keeps its handle for
// the life of the process.
std::vector<Log>& Logs() {
  static std::vector<Log> logs;
  return logs;
}

Log* Find(long handle) {
  auto& logs = Logs();
  if (handle < 1 || static_cast<size_t>(handle) > logs.size()) return nullptr;
  return &logs[static_cast<size_t>(handle - 1)];
}

// Appends one line; false when the folder or the file cannot be written.
bool AppendLine(platform::LogFile& file, const std::string& line) {
  try {
    file.Append(line + "\n");
    return true;
  } catch (...) {
    return false;
  }
}

const char* KindName(int kind) {
  switch (kind) {
    case 2: return "WARN ";
    case 3: return "ERROR";
    default: return "INFO ";
  }
}

}  // namespace

long LibKorvelOpen(const std::string& appDataFolder) {
  if (appDataFolder.empty()) return 0;
  auto& logs = Logs();
  for (size_t i = 0; i < logs.size(); ++i)
    if (logs[i].folder == appDataFolder) return static_cast<long>(i + 1);
  logs.push_back({appDataFolder, &SystemClock(),
                  std::make_unique<platform::LogFile>(fs::path(appDataFolder) / "zentab.log"),
                  std::make_unique<platform::LogFile>(fs::path(appDataFolder) / "zentab.err")});
  return static_cast<long>(logs.size());
}

std::string LibKorvelFolder(long handle) {
  const Log* log = Find(handle);
  return log ? log->folder : std::string();
}

void LibKorvelSetClock(long handle, const platform::Clock* clock) {
  if (handle < 1 || static_cast<size_t>(handle) > Logs().size()) return;
  Logs()[static_cast<size_t>(handle - 1)].clock = clock ? clock : &SystemClock();
}

long LibKorvelInit(const std::string& appDataFolder) {
  const long handle = LibKorvelOpen(appDataFolder);
  if (handle == 0) return 0;
  Log& log = *Find(handle);
  if (!AppendLine(*log.log, ":Start: " + log.clock->Now().ToIso())) return 0;
  return handle;
}

bool LibKorvelLogMsg(long handle, const std::string& text, long code, const std::string& source, int kind,
                     int level) {
  try {
    Log* log = Find(handle);
    if (!log) return false;
    std::string line = log->clock->Now().ToIso() + " " + KindName(kind) + " " + std::to_string(level) + " ";
    if (!source.empty()) line += source + ": ";
    line += text;
    if (code != 0) line += " (" + std::to_string(code) + ")";
    bool ok = AppendLine(*log->log, line);
    if (kind == 3) ok = AppendLine(*log->err, line) && ok;
    return ok;
  } catch (...) {
    return false;
  }
}
