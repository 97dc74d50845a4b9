// A file written in pieces holds exactly the pieces in order, whatever their
// sizes against the writer's buffer, and failures name the file.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/Error.h"
#include "platform/FileUtil.h"
#include "platform/FileWriter.h"

namespace fs = std::filesystem;
using platform::FileWriter;

namespace {

class FileWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("zentabo_filewriter_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(FileWriterTest, PiecesOfAnySizeLandInOrderOverAnEarlierFile) {
  // Sizes around the 64 KiB buffer: many small pieces crossing it, one
  // exactly filling it, one far larger, and empty ones.
  const std::vector<std::vector<size_t>> plans = {
      {}, {0, 1, 0}, std::vector<size_t>(5000, 37), {65536, 1}, {10, 300000, 10}, {65535, 2, 65536}};
  for (const auto& plan : plans) {
    const fs::path file = dir_ / "doc.xml";
    platform::FileUtil::WriteFile(file, std::string(500000, 'x'));  // a longer earlier file is replaced
    std::string want;
    FileWriter out(file);
    for (size_t size : plan) {
      std::string piece(size, '\0');
      for (size_t i = 0; i < size; ++i) piece[i] = static_cast<char>('a' + (want.size() + i) % 26);
      out.Write(piece.data(), piece.size());
      want += piece;
    }
    out.Close();
    EXPECT_EQ(platform::FileUtil::ReadFile(file), want) << plan.size() << " pieces";
  }
}

TEST_F(FileWriterTest, FailuresNameTheFile) {
  const fs::path missing = dir_ / "no such folder" / "doc.xml";
  try {
    FileWriter out(missing);
    FAIL() << "a file in a missing folder was opened";
  } catch (const platform::Error& e) {
    EXPECT_NE(std::string(e.what()).find(missing.string()), std::string::npos) << e.what();
  }
  FileWriter out(dir_ / "doc.xml");
  out.Write("abc", 3);
  out.Close();
  EXPECT_THROW(out.Write("d", 1), platform::Error) << "a closed writer takes nothing more";
  EXPECT_EQ(platform::FileUtil::ReadFile(dir_ / "doc.xml"), "abc");
}

}  // namespace
