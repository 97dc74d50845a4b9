// Zip archives on disk: entries added, listed and extracted, with the limit
// that stops an entry which unpacks to more than it may.
#include <gtest/gtest.h>

#include "platform/Error.h"
#include "platform/FileUtil.h"
#include "platform/Zip.h"
#include "support/TempHome.h"

namespace {

namespace FileUtil = platform::FileUtil;
namespace Zip = platform::Zip;

TEST(ZipArchive, AddListExtractAndLimit) {
  testing_support::TempDir dir;
  const auto archive = dir.Path() / "a.zip";
  FileUtil::WriteFile(dir.Path() / "doc.xml", "<doc/>");
  FileUtil::WriteFile(dir.Path() / "big.bin", std::string(100000, 'x'));
  Zip::AddFile(archive, dir.Path() / "doc.xml", "doc.xml", 6);
  Zip::AddFile(archive, dir.Path() / "big.bin", "big.bin", 6);
  Zip::AddFile(archive, dir.Path() / "doc.xml", "doc.xml", 6);  // replaces, does not add

  const std::vector<Zip::Entry> entries = Zip::Entries(archive);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "doc.xml");
  EXPECT_TRUE(entries[1].sizeKnown);
  EXPECT_EQ(entries[1].size, 100000u);

  EXPECT_TRUE(Zip::Extract(archive, "doc.xml", dir.Path() / "out.xml", 6));
  EXPECT_EQ(FileUtil::ReadFile(dir.Path() / "out.xml"), "<doc/>");
  // More bytes than the limit: refused, nothing left behind.
  EXPECT_FALSE(Zip::Extract(archive, "big.bin", dir.Path() / "out.bin", 65536));
  EXPECT_FALSE(FileUtil::Exists(dir.Path() / "out.bin"));

  EXPECT_THROW(Zip::Extract(archive, "absent", dir.Path() / "x", 10), platform::Error);
  EXPECT_THROW(Zip::Entries(dir.Path() / "doc.xml"), platform::Error);  // no archive
  EXPECT_THROW(Zip::AddFile(archive, dir.Path() / "missing", "m", 6), platform::Error);
  EXPECT_EQ(Zip::Entries(archive).size(), 2u);  // the failed add changed nothing
}

}  // namespace
