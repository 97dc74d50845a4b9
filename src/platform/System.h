#pragma once
// System: the environment of one emulated desktop user, rooted in a home
// folder: the shell folders, the temporary folder, the installation folder
// of the add-in, the time-zone and locale information and the version
// information of the add-in's own files.
#include <filesystem>
#include <string>

namespace platform {

// The product version of this build, "3.1.459".
inline constexpr int kVersionMajor = 3;
inline constexpr int kVersionMinor = 1;
inline constexpr int kVersionBuild = 459;

class System {
 public:
  // home: the user home (created when missing); installDir: the add-in's
  // installation folder (not created). Throws platform::Error when the home
  // or its temporary folder cannot be created.
  System(const std::filesystem::path& home, const std::filesystem::path& installDir);

  const std::filesystem::path& Home() const { return home_; }
  // <home>/AppData/Roaming (created on first call).
  std::filesystem::path AppData() const;
  const std::filesystem::path& InstallDir() const { return installDir_; }
  // <home>/Temp, created by the constructor.
  std::filesystem::path TempDir() const;

  // Creates a new, empty, uniquely named file "<prefix>XXXX.tmp" in the
  // temporary folder and returns its path. Throws platform::Error on failure.
  std::filesystem::path UniqueTempFileName(const std::string& prefix = "ZTB") const;
  // Creates a new, empty, uniquely named folder in the temporary folder.
  std::filesystem::path UniqueTempFolder(const std::string& prefix = "ZTB") const;

  // The standard time-zone bias in minutes as Windows defines it (universal
  // time = local time + bias), e.g. -60 for Europe/Berlin, 300 for
  // America/New_York. Read from the zone database (TZ honoured) each call.
  static int TimeZoneBias();

  // The user locale's list separator, "," unless set otherwise.
  const std::string& ListSeparator() const { return listSeparator_; }
  void SetListSeparator(const std::string& separator) { listSeparator_ = separator; }

  // File version "major.minor.build" of one of the add-in's own files (all
  // carry the product version); "" when the file does not exist.
  std::string FileVersion(const std::filesystem::path& file) const;
  // "3.1.459".
  static std::string ProductVersion();

  // The operating system this runs on: its name ("Linux"), the major and
  // minor number of its release and the rest of the release text as the
  // build ("6.1" and "0-18-amd64" of "6.1.0-18-amd64"). Empty / 0 when the
  // system does not say.
  struct OsVersion {
    std::string platformName;
    int major = 0;
    int minor = 0;
    std::string build;
  };
  static OsVersion GetOsVersion();
  // The running program's own file; empty when the system does not say.
  static std::filesystem::path ProgramFile();

 private:
  std::filesystem::path home_;
  std::filesystem::path installDir_;
  std::string listSeparator_ = ",";
};

}  // namespace platform
