#include "diagnostics/mReduceLog.h"

#include <filesystem>
#include <fstream>

#include "diagnostics/CDebug.h"

namespace fs = std::filesystem;

namespace mReduceLog {

namespace {

// Offset of the first `marker` at or after `from`, reading 256 bytes at a
// time; a marker split over two blocks is still found. -1 when absent.
std::intmax_t FindFrom(std::ifstream& in, std::uintmax_t from, const std::string& marker) {
  constexpr size_t kBlock = 256;
  in.clear();
  in.seekg(static_cast<std::streamoff>(from));
  std::string carry;
  std::uintmax_t carryStart = from;
  char buf[kBlock];
  while (in) {
    in.read(buf, kBlock);
    const std::streamsize got = in.gcount();
    if (got <= 0) break;
    carry.append(buf, static_cast<size_t>(got));
    const size_t pos = carry.find(marker);
    if (pos != std::string::npos) return static_cast<std::intmax_t>(carryStart + pos);
    // Keep the tail that could be the start of a marker split over blocks.
    const size_t keep = marker.size() > 1 ? marker.size() - 1 : 0;
    if (carry.size() > keep) {
      carryStart += carry.size() - keep;
      carry.erase(0, carry.size() - keep);
    }
  }
  return -1;
}

}  // namespace

bool ReduceFile(const std::string& path, std::uintmax_t limit, const std::string& marker) {
  try {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec || size <= limit) return false;
    std::uintmax_t cut = size - limit / 2;
    const std::string tmp = path + "1";
    {
      std::ifstream in(path, std::ios::binary);
      if (!in) return false;
      const std::intmax_t found = FindFrom(in, cut, marker);
      if (found >= 0) cut = static_cast<std::uintmax_t>(found) + (marker == "\n" ? 1 : 0);
      std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
      if (!out) return false;
      in.clear();
      in.seekg(static_cast<std::streamoff>(cut));
      char buf[1024];
      while (in) {
        in.read(buf, sizeof buf);
        if (in.gcount() > 0) out.write(buf, in.gcount());
      }
      if (!out) return false;
    }
    fs::remove(path);
    fs::rename(tmp, path);
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
