#pragma once
// FileWriter: a file written front to back in pieces (a large document
// saved as its serialiser produces it), so that no copy of the whole text
// is ever held in memory.
#include <cstddef>
#include <filesystem>
#include <string>

namespace platform {

class FileWriter {
 public:
  // Creates the file, or empties an existing one. Throws platform::Error
  // naming the path when it cannot be opened for writing.
  explicit FileWriter(std::filesystem::path path);
  // Closes the file without reporting errors: a writer dropped before
  // Close (its caller failed) leaves what reached the file so far.
  ~FileWriter();
  FileWriter(const FileWriter&) = delete;
  FileWriter& operator=(const FileWriter&) = delete;

  // Appends the bytes after those written before (buffered). Throws
  // platform::Error naming the path when they cannot be written.
  void Write(const void* data, size_t size);
  // Writes what is buffered and closes the file; the bytes are in the
  // kernel's copy of the file once it returns. Throws platform::Error naming
  // the path when they cannot be written. Further writes throw.
  void Close();

 private:
  void Flush();

  std::filesystem::path path_;
  int fd_ = -1;
  std::string buffer_;
};

}  // namespace platform
