#include "platform/System.h"

#include <sys/utsname.h>

#include <algorithm>
#include <cctype>

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

#include "platform/Error.h"
#include "platform/FileUtil.h"

namespace platform {
namespace {

// The offset east of UTC in seconds and the daylight flag of a local noon.
void OffsetOf(int year, int month, long* gmtoff, int* isdst) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = 15;
  tm.tm_hour = 12;
  tm.tm_isdst = -1;
  const time_t t = std::mktime(&tm);
  std::tm local{};
  localtime_r(&t, &local);
  *gmtoff = local.tm_gmtoff;
  *isdst = local.tm_isdst;
}

}  // namespace

System::System(const std::filesystem::path& home, const std::filesystem::path& installDir)
    : home_(home), installDir_(installDir) {
  FileUtil::MakeDirs(home_);
  FileUtil::MakeDirs(TempDir());
}

std::filesystem::path System::AppData() const {
  const std::filesystem::path path = home_ / "AppData" / "Roaming";
  FileUtil::MakeDirs(path);
  return path;
}

std::filesystem::path System::TempDir() const { return home_ / "Temp"; }

std::filesystem::path System::UniqueTempFileName(const std::string& prefix) const {
  std::string pattern = (TempDir() / (prefix + "XXXXXX.tmp")).string();
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  const int fd = ::mkstemps(buf.data(), 4);
  if (fd < 0)
    throw Error("Cannot create a temporary file in '" + TempDir().string() + "': " + std::strerror(errno), errno);
  ::close(fd);
  return std::filesystem::path(buf.data());
}

std::filesystem::path System::UniqueTempFolder(const std::string& prefix) const {
  std::string pattern = (TempDir() / (prefix + "XXXXXX")).string();
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (!::mkdtemp(buf.data()))
    throw Error("Cannot create a temporary folder in '" + TempDir().string() + "': " + std::strerror(errno),
                errno);
  return std::filesystem::path(buf.data());
}

int System::TimeZoneBias() {
  // The standard (non-daylight) offset: whichever of January and July is not
  // in daylight-saving time, so the southern hemisphere is right as well.
  ::tzset();
  std::tm now{};
  const time_t t = std::time(nullptr);
  localtime_r(&t, &now);
  const int year = now.tm_year + 1900;
  long janOff = 0, julOff = 0;
  int janDst = 0, julDst = 0;
  OffsetOf(year, 1, &janOff, &janDst);
  OffsetOf(year, 7, &julOff, &julDst);
  long standard;
  if (janDst <= 0 && julDst > 0)
    standard = janOff;
  else if (julDst <= 0 && janDst > 0)
    standard = julOff;
  else
    standard = janOff < julOff ? janOff : julOff;
  return static_cast<int>(-standard / 60);
}

std::string System::FileVersion(const std::filesystem::path& file) const {
  return FileUtil::Exists(file) ? ProductVersion() : "";
}

System::OsVersion System::GetOsVersion() {
  OsVersion v;
  struct utsname u {};
  if (::uname(&u) != 0) return v;
  v.platformName = u.sysname;
  // "6.1.0-18-amd64": numbers up to the second point, the rest is the build.
  const std::string release = u.release;
  size_t pos = 0;
  auto number = [&](int& out) {
    size_t end = pos;
    while (end < release.size() && std::isdigit(static_cast<unsigned char>(release[end]))) ++end;
    if (end == pos) return false;
    out = std::stoi(release.substr(pos, std::min<size_t>(end - pos, 6)));
    pos = end;
    return true;
  };
  if (number(v.major) && pos < release.size() && release[pos] == '.') {
    ++pos;
    number(v.minor);
  }
  if (pos < release.size() && release[pos] == '.') ++pos;
  v.build = release.substr(pos);
  return v;
}

std::filesystem::path System::ProgramFile() {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : p;
}

std::string System::ProductVersion() {
  return std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
         std::to_string(kVersionBuild);
}

}  // namespace platform
