// mZip: zip attachments and the file utilities, on real files in a temporary
// folder. Archives with hostile entries are built with libzip directly.
#include <gtest/gtest.h>
#include <utime.h>
#include <zip.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "diagnostics/CDebug.h"
#include "exchange/mZip.h"

namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteBytes(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string RandomBytes(size_t n, unsigned seed) {
  std::mt19937 random(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(random());
  return s;
}

// An archive holding one entry under exactly the given name.
void MakeRawZip(const fs::path& archive, const std::string& entryName, const std::string& bytes) {
  int error = 0;
  zip_t* z = zip_open(archive.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(z, nullptr);
  zip_source_t* s = zip_source_buffer(z, bytes.data(), bytes.size(), 0);
  ASSERT_GE(zip_file_add(z, entryName.c_str(), s, ZIP_FL_ENC_UTF_8), 0);
  ASSERT_EQ(zip_close(z), 0);
}

// Rewrites the uncompressed size that the local and central headers declare.
void PatchDeclaredSize(const fs::path& archive, uint32_t size) {
  std::string bytes = ReadBytes(archive);
  auto put = [&](size_t at) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((size >> (8 * i)) & 0xff);
  };
  size_t local = bytes.find("PK\x03\x04");
  size_t central = bytes.find("PK\x01\x02");
  ASSERT_NE(local, std::string::npos);
  ASSERT_NE(central, std::string::npos);
  put(local + 22);
  put(central + 24);
  WriteBytes(archive, bytes);
}

class Zip : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device rd;
    m_dir = fs::temp_directory_path() / ("zentabo-zip-" + std::to_string(rd()));
    fs::create_directories(m_dir / "dest");
    fs::create_directories(m_dir / "temp");
    m_debug = std::make_unique<CDebug>(m_dir.string(), (m_dir / "appdata").string());
    m_debug->UseSupportLog(false);
    SetGlobalDebug(m_debug.get());
  }
  void TearDown() override {
    SetGlobalDebug(nullptr);
    mZip::SetExtractLimit(mZip::kDefaultExtractLimit);
    fs::remove_all(m_dir);
  }
  std::string Path(const std::string& name) const { return (m_dir / name).string(); }
  std::string Dest() const { return (m_dir / "dest").string(); }
  std::string Temp() const { return (m_dir / "temp").string(); }
  std::string Log() const { return ReadBytes(m_dir / "addin.log"); }
  // Everything below the test folder except the log and the inputs named.
  size_t FilesIn(const fs::path& dir) const {
    size_t n = 0;
    for (const auto& e : fs::recursive_directory_iterator(dir)) n += e.is_regular_file() ? 1 : 0;
    return n;
  }

  fs::path m_dir;
  std::unique_ptr<CDebug> m_debug;
};

TEST_F(Zip, RoundTripOfTwoFiles) {
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  const std::string blob = RandomBytes(300000, 7);
  WriteBytes(m_dir / "SyncSndItems.xml", all);
  WriteBytes(m_dir / "64522606-20060213141359", blob);

  ASSERT_TRUE(mZip::ZipFile(Path("AttachFile.zip"), Path("SyncSndItems.xml")));
  ASSERT_TRUE(mZip::ZipFile(Path("AttachFile.zip"), Path("64522606-20060213141359")));
  // Adding a file of the same name again replaces its entry.
  ASSERT_TRUE(mZip::ZipFile(Path("AttachFile.zip"), Path("SyncSndItems.xml")));
  EXPECT_EQ(mZip::GetNumFilesInZip(Path("AttachFile.zip")), 2);
  EXPECT_EQ(mZip::GetFileNameInZip(Path("AttachFile.zip")), "SyncSndItems.xml");

  ASSERT_TRUE(mZip::UnZipFile(Path("AttachFile.zip"), Dest(), "SyncRcvItems.xml"));
  EXPECT_TRUE(ReadBytes(m_dir / "dest" / "SyncRcvItems.xml") == all);
  EXPECT_FALSE(fs::exists(m_dir / "dest" / "tmp"));

  ASSERT_TRUE(mZip::ExtractFileFromZIP(Path("AttachFile.zip"), "64522606-20060213141359", Dest(), "", Temp()));
  EXPECT_TRUE(ReadBytes(m_dir / "dest" / "64522606-20060213141359") == blob);
  ASSERT_TRUE(mZip::ExtractFileFromZIP(Path("AttachFile.zip"), "SyncSndItems.xml", Dest(), "renamed.xml", Temp()));
  EXPECT_TRUE(ReadBytes(m_dir / "dest" / "renamed.xml") == all);
  EXPECT_TRUE(fs::is_empty(m_dir / "temp")) << "scratch folders must be removed";
}

TEST_F(Zip, EntriesAreDeflatedUnderBareNames) {
  WriteBytes(m_dir / "doc.xml", std::string(100000, 'a'));
  ASSERT_TRUE(mZip::ZipFile(Path("a.zip"), Path("doc.xml")));
  int error = 0;
  zip_t* z = zip_open(Path("a.zip").c_str(), ZIP_RDONLY, &error);
  ASSERT_NE(z, nullptr);
  zip_stat_t st;
  ASSERT_EQ(zip_stat_index(z, 0, 0, &st), 0);
  EXPECT_STREQ(st.name, "doc.xml");
  EXPECT_EQ(st.comp_method, ZIP_CM_DEFLATE);
  EXPECT_LT(st.comp_size, 1000u);
  zip_discard(z);
}

TEST_F(Zip, UnZipReplacesAnExistingDestination) {
  WriteBytes(m_dir / "doc.xml", "new content");
  WriteBytes(m_dir / "dest" / "SyncRcvItems.xml", "old content that is longer");
  ASSERT_TRUE(mZip::ZipFile(Path("a.zip"), Path("doc.xml")));
  ASSERT_TRUE(mZip::UnZipFile(Path("a.zip"), Dest(), "SyncRcvItems.xml"));
  EXPECT_EQ(ReadBytes(m_dir / "dest" / "SyncRcvItems.xml"), "new content");
}

TEST_F(Zip, EmptyMissingAndCorruptArchivesGiveNeutralResults) {
  WriteBytes(m_dir / "empty.zip", std::string("PK\x05\x06", 4) + std::string(18, '\0'));
  WriteBytes(m_dir / "garbage.zip", RandomBytes(5000, 3));
  WriteBytes(m_dir / "doc.xml", RandomBytes(50000, 4));
  ASSERT_TRUE(mZip::ZipFile(Path("good.zip"), Path("doc.xml")));
  std::string good = ReadBytes(m_dir / "good.zip");
  WriteBytes(m_dir / "truncated.zip", good.substr(0, good.size() / 2));
  std::string flipped = good;
  flipped[good.size() / 3] ^= 0x55;  // inside the compressed data: the CRC check catches it
  WriteBytes(m_dir / "flipped.zip", flipped);
  WriteBytes(m_dir / "dest" / "keep.xml", "untouched");

  for (std::string name : {"empty.zip", "missing.zip", "garbage.zip", "truncated.zip", "flipped.zip"}) {
    SCOPED_TRACE(name);
    if (name != "flipped.zip") {
      EXPECT_EQ(mZip::GetNumFilesInZip(Path(name)), 0);
      EXPECT_EQ(mZip::GetFileNameInZip(Path(name)), "");
    }
    EXPECT_FALSE(mZip::UnZipFile(Path(name), Dest(), "keep.xml"));
    EXPECT_FALSE(mZip::ExtractFileFromZIP(Path(name), "doc.xml", Dest(), "keep.xml", Temp()));
    EXPECT_EQ(ReadBytes(m_dir / "dest" / "keep.xml"), "untouched");
    EXPECT_EQ(FilesIn(m_dir / "dest"), 1u);
  }
  EXPECT_TRUE(fs::is_empty(m_dir / "temp"));
  EXPECT_FALSE(mZip::ExtractFileFromZIP(Path("good.zip"), "", Dest(), "x", Temp()));
  EXPECT_FALSE(mZip::ExtractFileFromZIP(Path("good.zip"), "absent.xml", Dest(), "", Temp()));
  EXPECT_NE(Log().find("ZipError = "), std::string::npos);
}

TEST_F(Zip, EntriesThatAreNotBareNamesAreRefused) {
  for (std::string entry : {"../x", "..", "sub/x", "/etc/x", "..\\x", "c:x", "a/../../x"}) {
    SCOPED_TRACE(entry);
    MakeRawZip(m_dir / "evil.zip", entry, "payload");
    EXPECT_FALSE(mZip::UnZipFile(Path("evil.zip"), Dest(), "out.xml"));
    EXPECT_FALSE(mZip::ExtractFileFromZIP(Path("evil.zip"), entry, Dest(), "", Temp()));
    EXPECT_FALSE(mZip::ExtractFileFromZIP(Path("evil.zip"), entry, Dest(), "out.xml", Temp()));
    EXPECT_NE(Log().find("Refused entry '" + entry + "'"), std::string::npos) << Log();
  }
  // Only the inputs exist: nothing landed in, beside or above the destination.
  EXPECT_EQ(FilesIn(m_dir / "dest"), 0u);
  EXPECT_TRUE(fs::is_empty(m_dir / "temp"));
  EXPECT_FALSE(fs::exists(m_dir / "x"));
  EXPECT_FALSE(fs::exists(m_dir / "dest" / "sub"));

  // A bad destination name is refused as well.
  MakeRawZip(m_dir / "fine.zip", "fine.xml", "payload");
  EXPECT_FALSE(mZip::UnZipFile(Path("fine.zip"), Dest(), "../out.xml"));
  EXPECT_FALSE(mZip::ExtractFileFromZIP(Path("fine.zip"), "fine.xml", Dest(), "../out.xml", Temp()));
  EXPECT_FALSE(fs::exists(m_dir / "out.xml"));
}

TEST_F(Zip, BombIsCappedByDeclaredSizeAndWhileReading) {
  mZip::SetExtractLimit(1 << 20);
  WriteBytes(m_dir / "big.bin", std::string((1 << 20) + 1, '\0'));
  ASSERT_TRUE(mZip::ZipFile(Path("bomb.zip"), Path("big.bin")));
  EXPECT_FALSE(mZip::UnZipFile(Path("bomb.zip"), Dest(), "out.bin"));
  EXPECT_FALSE(mZip::ExtractFileFromZIP(Path("bomb.zip"), "big.bin", Dest(), "", Temp()));
  EXPECT_NE(Log().find("more than the limit"), std::string::npos);

  // The same entry claiming to be small must still stop at the limit.
  MakeRawZip(m_dir / "liar.zip", "big.bin", std::string(4 << 20, '\0'));
  PatchDeclaredSize(m_dir / "liar.zip", 1000);
  EXPECT_FALSE(mZip::UnZipFile(Path("liar.zip"), Dest(), "out.bin"));
  EXPECT_FALSE(mZip::ExtractFileFromZIP(Path("liar.zip"), "big.bin", Dest(), "", Temp()));
  EXPECT_NE(Log().find("it unpacks to more than the limit"), std::string::npos);
  EXPECT_EQ(FilesIn(m_dir / "dest"), 0u);
  EXPECT_TRUE(fs::is_empty(m_dir / "temp"));

  // At the limit exactly, extraction works.
  WriteBytes(m_dir / "edge.bin", std::string(1 << 20, 'e'));
  ASSERT_TRUE(mZip::ZipFile(Path("edge.zip"), Path("edge.bin")));
  EXPECT_TRUE(mZip::UnZipFile(Path("edge.zip"), Dest(), "edge.bin"));
}

TEST_F(Zip, FileUtilities) {
  WriteBytes(m_dir / "empty.txt", "");
  WriteBytes(m_dir / "full.txt", "x");
  EXPECT_TRUE(mZip::FileExists(Path("full.txt")));
  EXPECT_FALSE(mZip::FileExists(Path("missing.txt")));
  EXPECT_FALSE(mZip::FileExists(Dest()));
  EXPECT_TRUE(mZip::IsFileEmpty(Path("empty.txt")));
  EXPECT_FALSE(mZip::IsFileEmpty(Path("full.txt")));
  EXPECT_FALSE(mZip::IsFileEmpty(Path("missing.txt")));

  EXPECT_TRUE(mZip::CreateFolderPath(Path("a\\b/c\\d")));
  EXPECT_TRUE(fs::is_directory(m_dir / "a" / "b" / "c" / "d"));
  EXPECT_TRUE(mZip::CreateFolderPath(Path("a/b")));  // existing is fine
  EXPECT_FALSE(mZip::CreateFolderPath(Path("full.txt/sub")));

  std::string t1 = mZip::GetUniqueTempFileName(Temp());
  std::string t2 = mZip::GetUniqueTempFileName(Temp());
  EXPECT_NE(t1, t2);
  EXPECT_TRUE(fs::path(t1).filename().string().starts_with("ZTB"));
  EXPECT_TRUE(mZip::FileExists(t1) && mZip::IsFileEmpty(t1));
  EXPECT_EQ(mZip::GetUniqueTempFileName(Path("no/such/folder")), "");

  struct utimbuf times {};
  times.actime = times.modtime = 1139840039;  // 2006-02-13 14:13:59 UTC
  ASSERT_EQ(utime(Path("full.txt").c_str(), &times), 0);
  std::tm local{};
  localtime_r(&times.modtime, &local);
  platform::Date modified = mZip::GetFileLastModificationTime(Path("full.txt"));
  EXPECT_EQ(modified.Year(), local.tm_year + 1900);
  EXPECT_EQ(modified.Hour(), local.tm_hour);
  EXPECT_EQ(modified.Second(), 59);
  EXPECT_TRUE(mZip::GetFileLastModificationTime(Path("missing.txt")).IsZero());
}

}  // namespace
