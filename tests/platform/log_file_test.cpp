// The log file kept open across lines: every line reaches the file at its
// path, also after the file was removed or replaced behind the open handle.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "platform/Error.h"
#include "platform/FileUtil.h"
#include "platform/LogFile.h"

namespace fs = std::filesystem;
using platform::LogFile;
namespace FileUtil = platform::FileUtil;

namespace {

class LogFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("zentabo_logfile_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(LogFileTest, LinesLandAtThePathWhateverHappenedToTheFileBehindIt) {
  struct Case {
    const char* what;
    void (*disturb)(const fs::path& file);
    const char* want;  // the file's text after "one", the disturbance, "two"
  };
  const Case cases[] = {
      {"nothing", [](const fs::path&) {}, "one\ntwo\n"},
      {"removed", [](const fs::path& f) { FileUtil::Delete(f); }, "two\n"},
      {"replaced by a rename (a trim)",
       [](const fs::path& f) {
         FileUtil::WriteFile(f.string() + "1", "kept\n");
         FileUtil::Rename(f.string() + "1", f);
       },
       "kept\ntwo\n"},
      {"its folder removed", [](const fs::path& f) { fs::remove_all(f.parent_path()); }, "two\n"},
  };
  for (const Case& c : cases) {
    const fs::path file = dir_ / c.what / "deeper" / "x.log";
    LogFile log(file);
    log.Append("one\n");
    c.disturb(file);
    log.Append("two\n");
    EXPECT_EQ(FileUtil::ReadFile(file), c.want) << c.what;
  }
}

TEST_F(LogFileTest, AppendsAfterTextOfEarlierRunsAndReopensAfterClose) {
  const fs::path file = dir_ / "x.log";
  FileUtil::MakeDirs(dir_);
  FileUtil::WriteFile(file, "earlier\n");
  LogFile log(file);
  log.Append("a\n");
  log.Close();
  FileUtil::AppendFile(file, "other\n");
  log.Append("b\n");
  EXPECT_EQ(FileUtil::ReadFile(file), "earlier\na\nother\nb\n");
}

TEST_F(LogFileTest, AnUnwritablePathThrowsNamingIt) {
  FileUtil::MakeDirs(dir_);
  FileUtil::WriteFile(dir_ / "plain", "");
  LogFile log(dir_ / "plain" / "x.log");  // a file where the folder should be
  try {
    log.Append("line\n");
    FAIL() << "no error";
  } catch (const platform::Error& e) {
    EXPECT_NE(std::string(e.what()).find("plain/x.log"), std::string::npos) << e.what();
  }
}

}  // namespace
