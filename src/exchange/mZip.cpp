#include "exchange/mZip.h"

#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "diagnostics/CDebug.h"
#include "platform/Error.h"
#include "platform/FileUtil.h"

namespace mZip {

namespace {

namespace fs = std::filesystem;
namespace FileUtil = platform::FileUtil;

uint64_t g_extractLimit = kDefaultExtractLimit;

// Deflate level for new entries: libzip's default (9) is markedly slower for
// almost no gain on XML and office files.
constexpr zip_uint32_t kCompressionLevel = 6;

// Result codes of an extraction beyond libzip's own (positive) error codes.
constexpr int kRefusedName = -1;
constexpr int kTooLarge = -2;
constexpr int kWriteFailed = -3;

struct ArchiveCloser {
  void operator()(zip_t* z) const { zip_discard(z); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;

std::string ZipErrorText(int code) {
  zip_error_t error;
  zip_error_init_with_code(&error, code);
  std::string text = zip_error_strerror(&error);
  zip_error_fini(&error);
  return text;
}

// Opens an existing archive for reading; on failure `code` holds libzip's code.
Archive OpenForReading(const std::string& archivePath, int& code) {
  int error = 0;
  zip_t* z = zip_open(archivePath.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
  code = z ? 0 : (error ? error : ZIP_ER_OPEN);
  return Archive(z);
}

// An entry or destination name must stay inside its folder: no separators,
// no drive, no "..", no control characters.
bool IsBareName(const std::string& name) {
  if (name.empty() || name == "." || name.find("..") != std::string::npos) return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    return c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < ' ';
  });
}

fs::path ScratchPath(const std::string& tempFolder) {
  return tempFolder.empty() ? fs::temp_directory_path() : fs::path(tempFolder);
}

// Moves a file, copying when source and target lie on different file systems.
void MoveFile(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::rename(from, to, ec);
  if (!ec) return;
  FileUtil::Copy(from, to);
  FileUtil::Delete(from);
}

// Extracts one entry (by name, or the first when entryName is null) into
// scratchFolder under its entry name; `extracted` receives the file's path.
// Returns 0, a libzip error code, or one of the codes above. Refusals are
// logged here with `source`; a partly written file is removed.
int ExtractEntry(const std::string& archivePath, const std::string* entryName, const fs::path& scratchFolder,
                 const std::string& source, fs::path& extracted) {
  int code = 0;
  Archive archive = OpenForReading(archivePath, code);
  if (!archive) return code;
  zip_int64_t index = 0;
  if (entryName) {
    index = zip_name_locate(archive.get(), entryName->c_str(), 0);
    if (index < 0) return ZIP_ER_NOENT;
  } else if (zip_get_num_entries(archive.get(), 0) < 1) {
    return ZIP_ER_NOENT;
  }
  zip_stat_t stat;
  zip_stat_init(&stat);
  if (zip_stat_index(archive.get(), static_cast<zip_uint64_t>(index), 0, &stat) != 0)
    return zip_error_code_zip(zip_get_error(archive.get()));

  const std::string name = stat.name ? stat.name : "";
  if (!IsBareName(name)) {
    g_Debug().OutWarning(source, "Refused entry '" + name + "' of '" + archivePath + "': not a bare file name");
    return kRefusedName;
  }
  if ((stat.valid & ZIP_STAT_SIZE) && stat.size > g_extractLimit) {
    g_Debug().OutWarning(source, "Refused entry '" + name + "' of '" + archivePath + "': it declares " +
                                     std::to_string(stat.size) + " bytes, more than the limit of " +
                                     std::to_string(g_extractLimit));
    return kTooLarge;
  }

  zip_file_t* file = zip_fopen_index(archive.get(), static_cast<zip_uint64_t>(index), 0);
  if (!file) return zip_error_code_zip(zip_get_error(archive.get()));
  extracted = scratchFolder / name;
  std::ofstream out(extracted, std::ios::binary | std::ios::trunc);
  int result = out ? 0 : kWriteFailed;
  std::vector<char> buffer(1 << 16);
  uint64_t total = 0;
  while (result == 0) {
    zip_int64_t n = zip_fread(file, buffer.data(), buffer.size());
    if (n < 0) {
      result = zip_error_code_zip(zip_file_get_error(file));
      break;
    }
    if (n == 0) break;
    total += static_cast<uint64_t>(n);
    if (total > g_extractLimit) {
      // The declared size lied: stop before the disk fills up.
      g_Debug().OutWarning(source, "Refused entry '" + name + "' of '" + archivePath +
                                       "': it unpacks to more than the limit of " + std::to_string(g_extractLimit) +
                                       " bytes");
      result = kTooLarge;
      break;
    }
    out.write(buffer.data(), n);
    if (!out) result = kWriteFailed;
  }
  zip_fclose(file);
  out.close();
  if (result == 0 && !out) result = kWriteFailed;
  if (result != 0) {
    std::error_code ec;
    fs::remove(extracted, ec);
  }
  return result;
}

}  // namespace

bool ZipFile(const std::string& archivePath, const std::string& filePath) {
  try {
    if (!FileExists(filePath)) {
      g_Debug().OutWarning("mZip.ZipFile", "File not found: '" + filePath + "'");
      return false;
    }
    int error = 0;
    Archive archive(zip_open(archivePath.c_str(), ZIP_CREATE, &error));
    if (!archive) {
      g_Debug().OutWarning("ZipFile", "ZipError = " + std::to_string(error));
      return false;
    }
    zip_source_t* source = zip_source_file(archive.get(), filePath.c_str(), 0, 0);
    if (!source) throw platform::Error("cannot read '" + filePath + "': " + zip_strerror(archive.get()));
    const std::string entry = fs::path(filePath).filename().string();
    zip_int64_t index =
        zip_file_add(archive.get(), entry.c_str(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
    if (index < 0) {
      zip_source_free(source);
      throw platform::Error("cannot add '" + entry + "' to '" + archivePath + "': " + zip_strerror(archive.get()));
    }
    zip_set_file_compression(archive.get(), static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, kCompressionLevel);
    if (zip_close(archive.get()) != 0) {
      int code = zip_error_code_zip(zip_get_error(archive.get()));
      g_Debug().OutWarning("ZipFile", "ZipError = " + std::to_string(code));
      return false;  // `archive` discards the unwritten changes
    }
    archive.release();  // closed
    return true;
  } catch (...) {
    g_Debug().OutError("mZip.ZipFile");
    return false;
  }
}

std::string GetFileNameInZip(const std::string& archivePath) {
  try {
    int code = 0;
    Archive archive = OpenForReading(archivePath, code);
    if (!archive) throw platform::Error("cannot list '" + archivePath + "': " + ZipErrorText(code), code);
    if (zip_get_num_entries(archive.get(), 0) < 1) return "";
    const char* name = zip_get_name(archive.get(), 0, 0);
    return name ? name : "";
  } catch (...) {
    g_Debug().OutError("mZip.GetFileNameInZip");
    return "";
  }
}

long GetNumFilesInZip(const std::string& archivePath) {
  try {
    int code = 0;
    Archive archive = OpenForReading(archivePath, code);
    if (!archive) throw platform::Error("cannot list '" + archivePath + "': " + ZipErrorText(code), code);
    return static_cast<long>(zip_get_num_entries(archive.get(), 0));
  } catch (...) {
    g_Debug().OutError("mZip.GetNumFilesInZip");
    return 0;
  }
}

bool UnZipFile(const std::string& archivePath, const std::string& destFolder, const std::string& destFileName) {
  try {
    if (GetFileNameInZip(archivePath).empty()) return false;
    if (!IsBareName(destFileName)) {
      g_Debug().OutWarning("mZip.UnZipFile", "Refused destination name '" + destFileName + "'");
      return false;
    }
    const fs::path scratch = fs::path(destFolder) / "tmp";
    FileUtil::MakeDirs(scratch);
    fs::path extracted;
    int code = ExtractEntry(archivePath, nullptr, scratch, "UnZipFile", extracted);
    if (code != 0) {
      g_Debug().OutWarning("UnZipFile", "ZipError = " + std::to_string(code));
      std::error_code ec;
      fs::remove(scratch, ec);  // only when empty: the folder may hold older files
      return false;
    }
    const fs::path target = fs::path(destFolder) / destFileName;
    FileUtil::Delete(target);
    MoveFile(extracted, target);
    std::error_code ec;
    fs::remove(scratch, ec);
    return true;
  } catch (...) {
    g_Debug().OutError("mZip.UnZipFile");
    return false;
  }
}

bool ExtractFileFromZIP(const std::string& archivePath, const std::string& entryName, const std::string& destFolder,
                        const std::string& destFileName, const std::string& tempFolder) {
  fs::path scratch;
  try {
    if (entryName.empty()) return false;
    const std::string name = destFileName.empty() ? entryName : destFileName;
    if (!IsBareName(name)) {
      g_Debug().OutWarning("mZip.ExtractFileFromZIP", "Refused destination name '" + name + "'");
      return false;
    }
    const std::string unique = GetUniqueTempFileName(tempFolder);
    if (unique.empty()) return false;
    scratch = unique;
    FileUtil::Delete(scratch);
    FileUtil::MakeDirs(scratch);

    fs::path extracted;
    int code = ExtractEntry(archivePath, &entryName, scratch, "ExtractFileFromZIP", extracted);
    if (code != 0) {
      g_Debug().OutWarning("ExtractFileFromZIP", "ZipError = " + std::to_string(code));
      FileUtil::DeleteTree(scratch);
      return false;
    }
    const fs::path target = fs::path(destFolder) / name;
    FileUtil::Delete(target);
    MoveFile(extracted, target);
    FileUtil::DeleteTree(scratch);
    return true;
  } catch (...) {
    g_Debug().OutError("mZip.ExtractFileFromZIP");
    if (!scratch.empty()) {
      std::error_code ec;
      fs::remove_all(scratch, ec);
    }
    return false;
  }
}

uint64_t SetExtractLimit(uint64_t bytes) {
  uint64_t previous = g_extractLimit;
  g_extractLimit = bytes;
  return previous;
}

bool FileExists(const std::string& path) {
  try {
    return FileUtil::Exists(path) && !FileUtil::IsDirectory(path);
  } catch (...) {
    g_Debug().OutError("mZip.FileExists");
    return false;
  }
}

bool IsFileEmpty(const std::string& path) {
  try {
    return FileUtil::Size(path) == 0;
  } catch (...) {
    g_Debug().OutError("mZip.IsFileEmpty");
    return false;
  }
}

bool CreateFolderPath(const std::string& path) {
  try {
    std::string normal = path;
    std::replace(normal.begin(), normal.end(), '\\', '/');
    FileUtil::MakeDirs(normal);
    return true;
  } catch (...) {
    g_Debug().OutError("mZip.CreateFolderPath");
    return false;
  }
}

std::string GetUniqueTempFileName(const std::string& tempFolder) {
  try {
    std::string pattern = (ScratchPath(tempFolder) / "ZTBXXXXXX").string();
    int fd = ::mkstemp(pattern.data());
    if (fd < 0) throw platform::Error("cannot create a temporary file like '" + pattern + "'");
    ::close(fd);
    return pattern;
  } catch (...) {
    g_Debug().OutError("mZip.GetUniqueTempFileName");
    return "";
  }
}

platform::Date GetFileLastModificationTime(const std::string& path) {
  try {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) throw platform::Error("file not found: '" + path + "'");
    std::tm local{};
    localtime_r(&info.st_mtime, &local);
    return platform::Date::FromParts(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                                     local.tm_min, local.tm_sec);
  } catch (...) {
    g_Debug().OutError("mZip.GetFileLastModificationTime");
    return platform::Date();
  }
}

}  // namespace mZip
