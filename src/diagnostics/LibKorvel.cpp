#include "diagnostics/LibKorvel.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {

// Handles are 1-based indexes into this list; a folder keeps its handle for
// the life of the process.
std::vector<std::string>& Folders() {
  static std::vector<std::string> folders;
  return folders;
}

std::string Stamp() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm tm{};
  localtime_r(&now, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
  return buf;
}

bool AppendLine(const std::filesystem::path& file, const std::string& line) {
  std::ofstream out(file, std::ios::app | std::ios::binary);
  if (!out) return false;
  out << line << '\n';
  return static_cast<bool>(out);
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
  auto& folders = Folders();
  for (size_t i = 0; i < folders.size(); ++i)
    if (folders[i] == appDataFolder) return static_cast<long>(i + 1);
  folders.push_back(appDataFolder);
  return static_cast<long>(folders.size());
}

std::string LibKorvelFolder(long handle) {
  const auto& folders = Folders();
  if (handle < 1 || static_cast<size_t>(handle) > folders.size()) return {};
  return folders[static_cast<size_t>(handle - 1)];
}

long LibKorvelInit(const std::string& appDataFolder) {
  const long handle = LibKorvelOpen(appDataFolder);
  if (handle == 0) return 0;
  std::error_code ec;
  std::filesystem::create_directories(appDataFolder, ec);
  if (!AppendLine(std::filesystem::path(appDataFolder) / "zentab.log", ":Start: " + Stamp())) return 0;
  return handle;
}

bool LibKorvelLogMsg(long handle, const std::string& text, long code, const std::string& source, int kind,
                     int level) {
  try {
    const std::string folder = LibKorvelFolder(handle);
    if (folder.empty()) return false;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    std::string line = Stamp() + " " + KindName(kind) + " " + std::to_string(level) + " ";
    if (!source.empty()) line += source + ": ";
    line += text;
    if (code != 0) line += " (" + std::to_string(code) + ")";
    bool ok = AppendLine(std::filesystem::path(folder) / "zentab.log", line);
    if (kind == 3) ok = AppendLine(std::filesystem::path(folder) / "zentab.err", line) && ok;
    return ok;
  } catch (...) {
    return false;
  }
}
