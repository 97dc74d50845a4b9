#pragma once
// mZip: the zip attachments of appointment mails ("AttachFile.zip" with the
// XML document, the zip of the items' own attachments) and the small file
// utilities that go with them. Archives are standard zip files whose entries
// are bare file names. Extraction is guarded because the archives come from
// other people's mail: an entry whose name is not a bare file name is refused,
// and no entry may unpack to more than the extract limit (checked against
// the declared size and again while reading). Nothing is written outside the
// destination folder and the scratch folder.
//
// Every operation logs its failures ("mZip.<operation>") and returns its
// neutral result; none throws.
#include <cstdint>
#include <string>

#include "platform/Date.h"

namespace mZip {

// Largest uncompressed entry that extraction accepts, by default.
inline constexpr uint64_t kDefaultExtractLimit = 256ull << 20;

// Adds the file to the archive under its bare file name (replacing an entry of
// that name), creating the archive when missing. Deflate level 6.
// Returns false when the file cannot be read or the archive not written.
bool ZipFile(const std::string& archivePath, const std::string& filePath);

// Name of the first entry; "" when the archive cannot be listed or is empty.
std::string GetFileNameInZip(const std::string& archivePath);

// Number of entries; 0 when the archive cannot be listed.
long GetNumFilesInZip(const std::string& archivePath);

// Extracts the first entry through the scratch folder destFolder + "/tmp" and
// leaves it as destFolder + "/" + destFileName, replacing a file of that name.
// Returns false (destination untouched) for an empty or unreadable archive,
// a refused entry or a bad destination name.
bool UnZipFile(const std::string& archivePath, const std::string& destFolder, const std::string& destFileName);

// Extracts the entry named entryName to destFolder + "/" + destFileName (empty
// destFileName: the entry name), through a fresh scratch folder in tempFolder
// (the user's temporary folder). Returns false when the entry is missing or
// refused, or the archive unreadable; the destination is then untouched.
bool ExtractFileFromZIP(const std::string& archivePath, const std::string& entryName, const std::string& destFolder,
                        const std::string& destFileName, const std::string& tempFolder);

// Sets the extract limit in bytes and returns the previous one (tests use
// small limits; the default is kDefaultExtractLimit).
uint64_t SetExtractLimit(uint64_t bytes);

// True when the path names an existing file (a folder is not a file).
bool FileExists(const std::string& path);

// True when the file exists and its size is 0; false otherwise (a missing
// file is logged).
bool IsFileEmpty(const std::string& path);

// Creates the folder and every missing parent; backslashes count as
// separators. Returns false (logged) when a folder cannot be created.
bool CreateFolderPath(const std::string& path);

// Path of a new, uniquely named, empty file "ZTB??????" in tempFolder (the
// user's temporary folder); "" (logged) on failure.
std::string GetUniqueTempFileName(const std::string& tempFolder);

// The file's last-write time as local time; the zero date (logged) when the
// file does not exist.
platform::Date GetFileLastModificationTime(const std::string& path);

}  // namespace mZip
