#include "exchange/mZip.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "diagnostics/CDebug.h"
#include "platform/Error.h"
#include "platform/FileUtil.h"
#include "platform/Zip.h"

namespace mZip {

namespace {

namespace fs = std::filesystem;
namespace FileUtil = platform::FileUtil;

uint64_t g_extractLimit = kDefaultExtractLimit;

// Deflate level for new entries: the zip library's default (9) is markedly
// slower for almost no gain on XML and office files.
constexpr int kCompressionLevel = 6;

// Result codes of an extraction besides the zip library's own (positive)
// error codes.
constexpr int kRefusedName = -1;
constexpr int kTooLarge = -2;
constexpr int kFailed = -3;
constexpr int kNoEntry = -4;

// An entry or destination name must stay inside its folder: no separators,
// no drive, no "..", no control characters.
bool IsBareName(const std::string& name) {
  if (name.empty() || name == "." || name.find("..") != std::string::npos) return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    return c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < ' ';
  });
}

int CodeOf(const platform::Error& e) { return e.number() > 0 ? static_cast<int>(e.number()) : kFailed; }

// Moves a file, copying when source and target lie on different file systems.
void MoveFile(const fs::path& from, const fs::path& to) {
  try {
    FileUtil::Rename(from, to);
  } catch (const platform::Error&) {
    FileUtil::Copy(from, to);
    FileUtil::Delete(from);
  }
}

// Removes an empty scratch folder; one that still holds files is kept.
void RemoveIfEmpty(const fs::path& folder) {
  try {
    if (FileUtil::ListDir(folder).empty()) FileUtil::Delete(folder);
  } catch (...) {
    g_Debug().OutError("mZip.RemoveIfEmpty");
  }
}

// Extracts one entry (by name, or the first when entryName is null) into
// scratchFolder under its entry name; `extracted` receives the file's path.
// Returns 0, a zip library error code, or one of the codes above. Refusals
// are logged here with `source`; a partly written file is removed.
int ExtractEntry(const std::string& archivePath, const std::string* entryName, const fs::path& scratchFolder,
                 const std::string& source, fs::path& extracted) {
  std::vector<platform::Zip::Entry> entries;
  try {
    entries = platform::Zip::Entries(archivePath);
  } catch (const platform::Error& e) {
    return CodeOf(e);
  }
  const auto entry = entryName ? std::find_if(entries.begin(), entries.end(),
                                              [&](const platform::Zip::Entry& e) { return e.name == *entryName; })
                               : entries.begin();
  if (entry == entries.end()) return kNoEntry;

  const std::string& name = entry->name;
  if (!IsBareName(name)) {
    g_Debug().OutWarning(source, "Refused entry '" + name + "' of '" + archivePath + "': not a bare file name");
    return kRefusedName;
  }
  if (entry->sizeKnown && entry->size > g_extractLimit) {
    g_Debug().OutWarning(source, "Refused entry '" + name + "' of '" + archivePath + "': it declares " +
                                     std::to_string(entry->size) + " bytes, more than the limit of " +
                                     std::to_string(g_extractLimit));
    return kTooLarge;
  }
  extracted = scratchFolder / name;
  try {
    if (!platform::Zip::Extract(archivePath, name, extracted, g_extractLimit)) {
      g_Debug().OutWarning(source, "Refused entry '" + name + "' of '" + archivePath +
                                       "': it unpacks to more than the limit of " + std::to_string(g_extractLimit) +
                                       " bytes");
      return kTooLarge;
    }
  } catch (const platform::Error& e) {
    return CodeOf(e);
  }
  return 0;
}

}  // namespace

bool ZipFile(const std::string& archivePath, const std::string& filePath) {
  try {
    if (!FileExists(filePath)) {
      g_Debug().OutWarning("mZip.ZipFile", "File not found: '" + filePath + "'");
      return false;
    }
    platform::Zip::AddFile(archivePath, filePath, fs::path(filePath).filename().string(), kCompressionLevel);
    return true;
  } catch (const platform::Error& e) {
    g_Debug().OutWarning("ZipFile", "ZipError = " + std::to_string(CodeOf(e)) + " (" + e.what() + ")");
    return false;
  } catch (...) {
    g_Debug().OutError("mZip.ZipFile");
    return false;
  }
}

std::string GetFileNameInZip(const std::string& archivePath) {
  try {
    const std::vector<platform::Zip::Entry> entries = platform::Zip::Entries(archivePath);
    return entries.empty() ? "" : entries.front().name;
  } catch (...) {
    g_Debug().OutError("mZip.GetFileNameInZip");
    return "";
  }
}

long GetNumFilesInZip(const std::string& archivePath) {
  try {
    return static_cast<long>(platform::Zip::Entries(archivePath).size());
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
      RemoveIfEmpty(scratch);  // the folder may hold older files
      return false;
    }
    const fs::path target = fs::path(destFolder) / destFileName;
    FileUtil::Delete(target);
    MoveFile(extracted, target);
    RemoveIfEmpty(scratch);
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
      try {
        FileUtil::DeleteTree(scratch);
      } catch (...) {
        g_Debug().OutError("mZip.ExtractFileFromZIP");
      }
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
    return FileUtil::CreateUniqueFile(tempFolder, "ZTB").string();
  } catch (...) {
    g_Debug().OutError("mZip.GetUniqueTempFileName");
    return "";
  }
}

platform::Date GetFileLastModificationTime(const std::string& path) {
  try {
    return FileUtil::LocalModificationTime(path);
  } catch (...) {
    g_Debug().OutError("mZip.GetFileLastModificationTime");
    return platform::Date();
  }
}

}  // namespace mZip
