#include "platform/Zip.h"

#include <zip.h>

#include <memory>

#include "platform/Error.h"
#include "platform/FileUtil.h"

namespace platform::Zip {

namespace {

struct ArchiveCloser {
  void operator()(zip_t* z) const { zip_discard(z); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;

struct FileCloser {
  void operator()(zip_file_t* f) const { zip_fclose(f); }
};

std::string ErrorText(int code) {
  zip_error_t error;
  zip_error_init_with_code(&error, code);
  std::string text = zip_error_strerror(&error);
  zip_error_fini(&error);
  return text;
}

[[noreturn]] void Fail(const std::string& what, const fs::path& archive, int code) {
  throw Error(what + " '" + archive.string() + "': " + ErrorText(code), code);
}

Archive OpenForReading(const fs::path& archive) {
  int error = 0;
  zip_t* z = zip_open(archive.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
  if (!z) Fail("Cannot open archive", archive, error ? error : ZIP_ER_OPEN);
  return Archive(z);
}

}  // namespace

void AddFile(const fs::path& archive, const fs::path& file, const std::string& entryName, int level) {
  int error = 0;
  Archive z(zip_open(archive.c_str(), ZIP_CREATE, &error));
  if (!z) Fail("Cannot open archive", archive, error ? error : ZIP_ER_OPEN);
  zip_source_t* source = zip_source_file(z.get(), file.c_str(), 0, 0);
  if (!source) throw Error("Cannot read '" + file.string() + "': " + zip_strerror(z.get()));
  const zip_int64_t index = zip_file_add(z.get(), entryName.c_str(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
  if (index < 0) {
    zip_source_free(source);
    throw Error("Cannot add '" + entryName + "' to '" + archive.string() + "': " + zip_strerror(z.get()));
  }
  zip_set_file_compression(z.get(), static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE,
                           static_cast<zip_uint32_t>(level));
  if (zip_close(z.get()) != 0) Fail("Cannot write archive", archive, zip_error_code_zip(zip_get_error(z.get())));
  z.release();  // closed
}

std::vector<Entry> Entries(const fs::path& archive) {
  Archive z = OpenForReading(archive);
  std::vector<Entry> entries;
  const zip_int64_t count = zip_get_num_entries(z.get(), 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(z.get(), static_cast<zip_uint64_t>(i), 0, &stat) != 0)
      Fail("Cannot list archive", archive, zip_error_code_zip(zip_get_error(z.get())));
    Entry e;
    e.name = stat.name ? stat.name : "";
    e.sizeKnown = (stat.valid & ZIP_STAT_SIZE) != 0;
    e.size = e.sizeKnown ? stat.size : 0;
    entries.push_back(std::move(e));
  }
  return entries;
}

bool Extract(const fs::path& archive, const std::string& entryName, const fs::path& target, uint64_t limit) {
  Archive z = OpenForReading(archive);
  const zip_int64_t index = zip_name_locate(z.get(), entryName.c_str(), 0);
  if (index < 0) Fail("No entry '" + entryName + "' in archive", archive, ZIP_ER_NOENT);
  std::unique_ptr<zip_file_t, FileCloser> file(zip_fopen_index(z.get(), static_cast<zip_uint64_t>(index), 0));
  if (!file) Fail("Cannot read archive", archive, zip_error_code_zip(zip_get_error(z.get())));
  try {
    FileUtil::WriteFile(target, "");
    std::string buffer(1 << 16, '\0');
    uint64_t total = 0;
    for (;;) {
      const zip_int64_t n = zip_fread(file.get(), buffer.data(), buffer.size());
      if (n < 0) Fail("Cannot read archive", archive, zip_error_code_zip(zip_file_get_error(file.get())));
      if (n == 0) break;
      total += static_cast<uint64_t>(n);
      if (total > limit) {
        // The declared size lied: stop before the disk fills up.
        FileUtil::Delete(target);
        return false;
      }
      FileUtil::AppendFile(target, buffer.substr(0, static_cast<size_t>(n)));
    }
    return true;
  } catch (...) {
    try {
      FileUtil::Delete(target);
    } catch (...) {
      // The first failure is the one worth reporting.
    }
    throw;
  }
}

}  // namespace platform::Zip
