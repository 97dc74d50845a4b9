#pragma once
// LogFile: a text file that a log appends to line by line, kept open for the
// run rather than opened and closed for every line (which cost a bulk import
// a tenth of its time). Each line still reaches the file (the kernel's copy
// of it) before Append returns, so a killed process loses no line it logged.
#include <filesystem>
#include <string>

namespace platform {

class LogFile {
 public:
  // Nothing is opened until the first Append.
  explicit LogFile(std::filesystem::path path);
  ~LogFile();
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // Appends the bytes in one write at the end of the file (other writers of
  // the same file never split it), creating the file and its folder when
  // missing. A file removed or replaced since the last line (a log trimmed
  // or deleted by hand) is opened afresh, so the line lands at the path, not
  // in the old file. Throws platform::Error naming the path when it cannot
  // be written.
  void Append(const std::string& bytes);
  // Closes the file; the next Append opens it again. Never throws.
  void Close();

  const std::filesystem::path& Path() const { return path_; }

 private:
  void Open();

  std::filesystem::path path_;
  int fd_ = -1;
};

}  // namespace platform
