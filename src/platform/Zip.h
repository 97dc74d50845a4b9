#pragma once
// Zip: standard zip archives on disk, read and written by entry name. The
// add-in packs and unpacks its mail attachments through it; what an entry
// may be called and how large it may grow is the caller's rule, checked on
// the Entry and the limit given here.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace platform::Zip {

namespace fs = std::filesystem;

// Adds the bytes of `file` as the entry `entryName` (replacing an entry of
// that name), creating the archive when missing; deflate at `level` (1-9).
// Throws platform::Error naming the file or the archive; the archive is
// then left as it was.
void AddFile(const fs::path& archive, const fs::path& file, const std::string& entryName, int level);

// One entry as the archive declares it.
struct Entry {
  std::string name;
  bool sizeKnown = false;
  uint64_t size = 0;  // uncompressed, as declared (it may lie)
};

// The entries in archive order. Throws platform::Error (number: the zip
// library's error code) when the archive cannot be opened or is damaged.
std::vector<Entry> Entries(const fs::path& archive);

// Writes the bytes of the entry `entryName` to `target` (replacing it).
// Returns false, with nothing left at `target`, as soon as more than
// `limit` bytes come out (whatever the entry declared). Throws
// platform::Error (number: the zip library's error code where it has one)
// when the archive, the entry or the target cannot be read or written;
// nothing is left at `target` then either.
bool Extract(const fs::path& archive, const std::string& entryName, const fs::path& target, uint64_t limit);

}  // namespace platform::Zip
