#pragma once
// FileUtil: the file operations the platform and the add-in need, with one
// failure rule: anything that cannot be done throws platform::Error naming
// the path and the system's reason.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/Date.h"

namespace platform::FileUtil {

namespace fs = std::filesystem;

bool Exists(const fs::path& path);
bool IsDirectory(const fs::path& path);
// Size in bytes of a regular file. Throws when it does not exist.
uint64_t Size(const fs::path& path);
// The time the file was last written. Throws when it does not exist.
fs::file_time_type ModificationTime(const fs::path& path);
// The same as a local date-time (whole seconds).
Date LocalModificationTime(const fs::path& path);

// The whole file as bytes. Throws when it cannot be read.
std::string ReadFile(const fs::path& path);
// The bytes from `offset` to the end ("" from the end on). Throws when the
// file cannot be read.
std::string ReadFileFrom(const fs::path& path, uint64_t offset);
// The bytes of a whole file in a block that is not cleared before the read:
// a received document runs to megabytes, and clearing them first would cost
// a pass over all of them. Throws when the file cannot be read.
struct FileBlock {
  std::unique_ptr<char[]> data;
  size_t size = 0;
};
FileBlock ReadFileBlock(const fs::path& path);
// Replaces (or creates) the file with the bytes.
void WriteFile(const fs::path& path, const std::string& bytes);
// Appends the bytes, creating the file when missing.
void AppendFile(const fs::path& path, const std::string& bytes);
// Replaces the file so that readers (and a crash) see either the old or the
// new content, never a mixture: writes "<path>.tmp", syncs it, renames it
// over the path and syncs the folder.
void AtomicWriteFile(const fs::path& path, const std::string& bytes);

// Removes a file (or an empty folder). Returns false when it did not exist.
bool Delete(const fs::path& path);
// Removes a folder with everything in it; returns the number removed.
uint64_t DeleteTree(const fs::path& path);
// Renames (moves) within one file system, replacing an existing file.
void Rename(const fs::path& from, const fs::path& to);
// Copies a file, replacing an existing destination.
void Copy(const fs::path& from, const fs::path& to);
// Creates the folder and its missing parents; existing is fine.
void MakeDirs(const fs::path& path);
// Creates a new, empty, uniquely named file "<prefix>XXXXXX" in `folder`
// and returns its path. Throws when the folder is empty or not writable.
fs::path CreateUniqueFile(const fs::path& folder, const std::string& prefix);
// Names (not paths) of the entries of a folder, sorted. Throws when the
// folder cannot be read.
std::vector<std::string> ListDir(const fs::path& path);

}  // namespace platform::FileUtil
