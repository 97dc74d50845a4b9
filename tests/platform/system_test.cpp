#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "platform/Error.h"
#include "platform/FileUtil.h"
#include "platform/System.h"

namespace fs = std::filesystem;
using namespace platform;

namespace {

class SystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = fs::temp_directory_path() /
            ("zentabo_sys_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(home_);
  }
  void TearDown() override { fs::remove_all(home_); }
  fs::path home_;
};

// Sets TZ for one scope.
class ScopedTz {
 public:
  explicit ScopedTz(const char* tz) {
    if (const char* old = getenv("TZ")) old_ = old, had_ = true;
    setenv("TZ", tz, 1);
  }
  ~ScopedTz() {
    if (had_)
      setenv("TZ", old_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  std::string old_;
  bool had_ = false;
};

TEST_F(SystemTest, TimeZoneBiasIsTheStandardOne) {
  const struct {
    const char* tz;
    int bias;
  } cases[] = {{"Europe/Berlin", -60}, {"America/New_York", 300}, {"Australia/Sydney", -600},
               {"Asia/Kolkata", -330}, {"UTC", 0}};
  for (const auto& c : cases) {
    ScopedTz tz(c.tz);
    EXPECT_EQ(System::TimeZoneBias(), c.bias) << c.tz;
  }
}

TEST_F(SystemTest, FoldersTempNamesAndVersion) {
  System sys(home_, home_ / "install");
  EXPECT_TRUE(fs::is_directory(home_ / "Temp"));
  EXPECT_EQ(sys.AppData(), home_ / "AppData" / "Roaming");
  EXPECT_TRUE(fs::is_directory(sys.AppData()));
  std::set<fs::path> names;
  for (int i = 0; i < 20; ++i) {
    const fs::path p = sys.UniqueTempFileName();
    EXPECT_TRUE(fs::exists(p));
    EXPECT_EQ(p.parent_path(), sys.TempDir());
    EXPECT_EQ(p.filename().string().substr(0, 3), "ZTB");
    EXPECT_EQ(p.extension(), ".tmp");
    names.insert(p);
  }
  EXPECT_EQ(names.size(), 20u);
  const fs::path folder = sys.UniqueTempFolder();
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_NE(folder, sys.UniqueTempFolder());

  EXPECT_EQ(sys.ListSeparator(), ",");
  sys.SetListSeparator(";");
  EXPECT_EQ(sys.ListSeparator(), ";");
  EXPECT_EQ(System::ProductVersion(), "3.1.459");
  EXPECT_EQ(sys.FileVersion(home_ / "install" / "ZentabGridLib.ocx"), "");
  FileUtil::MakeDirs(home_ / "install");
  FileUtil::WriteFile(home_ / "install" / "ZentabGridLib.ocx", "x");
  EXPECT_EQ(sys.FileVersion(home_ / "install" / "ZentabGridLib.ocx"), "3.1.459");
}

TEST_F(SystemTest, FileHelpers) {
  FileUtil::MakeDirs(home_ / "a" / "b");
  const fs::path f = home_ / "a" / "data.bin";
  const std::string bytes("zip\0data\r\n", 10);
  FileUtil::WriteFile(f, bytes);
  EXPECT_EQ(FileUtil::ReadFile(f), bytes);
  EXPECT_EQ(FileUtil::Size(f), 10u);
  FileUtil::AppendFile(f, "++");
  EXPECT_EQ(FileUtil::Size(f), 12u);
  FileUtil::AtomicWriteFile(f, "new");
  EXPECT_EQ(FileUtil::ReadFile(f), "new");
  EXPECT_FALSE(fs::exists(home_ / "a" / "data.bin.tmp"));
  FileUtil::Copy(f, home_ / "a" / "copy.bin");
  FileUtil::Rename(home_ / "a" / "copy.bin", home_ / "a" / "b" / "moved.bin");
  EXPECT_EQ(FileUtil::ListDir(home_ / "a"), (std::vector<std::string>{"b", "data.bin"}));
  EXPECT_EQ(FileUtil::ReadFile(home_ / "a" / "b" / "moved.bin"), "new");
  EXPECT_TRUE(FileUtil::Delete(f));
  EXPECT_FALSE(FileUtil::Delete(f));
  EXPECT_FALSE(FileUtil::Exists(f));
  try {
    FileUtil::ReadFile(f);
    FAIL() << "missing file read";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find(f.string()), std::string::npos) << e.what();
  }
  EXPECT_THROW(FileUtil::ListDir(home_ / "missing"), Error);
  EXPECT_EQ(FileUtil::DeleteTree(home_ / "a"), 3u);

  // Read at its size, whole and from an offset; and a file whose size the
  // system does not tell beforehand is read to its end all the same.
  std::string big(300000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('a' + i % 23);
  FileUtil::WriteFile(home_ / "big.bin", big);
  EXPECT_EQ(FileUtil::ReadFile(home_ / "big.bin"), big);
  EXPECT_EQ(FileUtil::ReadFileFrom(home_ / "big.bin", 1000), big.substr(1000));
  const std::string status = FileUtil::ReadFile("/proc/self/status");
  EXPECT_NE(status.find("Name:"), std::string::npos);
  EXPECT_EQ(status.back(), '\n');
  // The same as a block.
  const auto asText = [](const FileUtil::FileBlock& b) { return std::string(b.data.get(), b.size); };
  EXPECT_EQ(asText(FileUtil::ReadFileBlock(home_ / "big.bin")), big);
  const std::string again = asText(FileUtil::ReadFileBlock("/proc/self/status"));
  EXPECT_NE(again.find("Name:"), std::string::npos);
  EXPECT_EQ(again.back(), '\n');
  FileUtil::WriteFile(home_ / "empty.bin", "");
  EXPECT_EQ(FileUtil::ReadFileBlock(home_ / "empty.bin").size, 0u);
  EXPECT_THROW(FileUtil::ReadFileBlock(home_ / "missing.bin"), Error);
}

}  // namespace
