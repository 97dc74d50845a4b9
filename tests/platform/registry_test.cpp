#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/Error.h"
#include "platform/FileUtil.h"
#include "platform/Registry.h"
#include "platform/SettingsStore.h"

namespace fs = std::filesystem;
using namespace platform;

namespace {

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = fs::temp_directory_path() /
            ("zentabo_reg_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(home_);
    fs::create_directories(home_);
  }
  void TearDown() override { fs::remove_all(home_); }

  static HKEY Create(Registry& reg, const std::string& path, uint32_t access = KEY_ALL_ACCESS) {
    HKEY h = 0;
    EXPECT_EQ(reg.CreateKey(HKEY_CURRENT_USER, path, access, &h), ERROR_SUCCESS) << path;
    return h;
  }
  static std::string Text(Registry& reg, HKEY key, const std::string& name) {
    uint32_t type = REG_NONE;
    std::string data;
    if (reg.QueryValue(key, name, &type, &data) != ERROR_SUCCESS) return "<missing>";
    return data;
  }
  static std::vector<std::string> Keys(Registry& reg, HKEY key) {
    std::vector<std::string> names;
    std::string name;
    for (uint32_t i = 0; reg.EnumKey(key, i, &name) == ERROR_SUCCESS; ++i) names.push_back(name);
    return names;
  }
  static std::vector<std::string> Values(Registry& reg, HKEY key) {
    std::vector<std::string> names;
    std::string name;
    for (uint32_t i = 0; reg.EnumValue(key, i, &name) == ERROR_SUCCESS; ++i) names.push_back(name);
    return names;
  }
  // A copy of the registry files as a crash would leave them.
  fs::path CrashCopy(const std::string& name = "crash") { return CrashCopyOf(home_, name); }
  fs::path CrashCopyOf(const fs::path& from, const std::string& name = "crash2") {
    const fs::path other = home_ / name;
    fs::remove_all(other);
    fs::create_directories(other);
    fs::copy(from / ".registry", other / ".registry");
    return other;
  }

  fs::path home_;
};

TEST_F(RegistryTest, NamesIgnoreCaseButKeepIt) {
  Registry reg(home_);
  HKEY k = Create(reg, "Software\\Korvel\\Zentabo");
  ASSERT_EQ(reg.SetString(k, "CurUserName", "Anna"), ERROR_SUCCESS);
  ASSERT_EQ(reg.SetString(k, "CURUSERNAME", "Bert"), ERROR_SUCCESS);
  EXPECT_EQ(Values(reg, k), std::vector<std::string>{"CurUserName"});
  EXPECT_EQ(Text(reg, k, "curusername"), "Bert");

  HKEY again = 0;
  ASSERT_EQ(reg.OpenKey(HKEY_CURRENT_USER, "SOFTWARE\\korvel\\ZENTABO", KEY_READ, &again), ERROR_SUCCESS);
  EXPECT_EQ(Text(reg, again, "CurUserName"), "Bert");
  HKEY parent = 0;
  ASSERT_EQ(reg.OpenKey(HKEY_CURRENT_USER, "software\\KORVEL", KEY_READ, &parent), ERROR_SUCCESS);
  EXPECT_EQ(Keys(reg, parent), std::vector<std::string>{"Zentabo"});
  uint32_t disposition = 0;
  HKEY created = 0;
  ASSERT_EQ(reg.CreateKey(HKEY_CURRENT_USER, "SOFTWARE\\KORVEL\\zentabo", KEY_ALL_ACCESS, &created, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, 2u);
  EXPECT_EQ(Keys(reg, parent), std::vector<std::string>{"Zentabo"});
  for (HKEY h : {k, again, parent, created}) EXPECT_EQ(reg.CloseKey(h), ERROR_SUCCESS);
  EXPECT_EQ(reg.CloseKey(k), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, TypesSizesAndMissingValues) {
  Registry reg(home_);
  HKEY k = Create(reg, "A");
  ASSERT_EQ(reg.SetString(k, "Path", "%TEMP%\\x", REG_EXPAND_SZ), ERROR_SUCCESS);
  ASSERT_EQ(reg.SetDword(k, "Period", 0x01020304u), ERROR_SUCCESS);
  ASSERT_EQ(reg.SetString(k, "", "default"), ERROR_SUCCESS);
  EXPECT_EQ(reg.SetValue(k, "Bad", REG_DWORD, "abc"), ERROR_INVALID_PARAMETER);

  uint32_t type = 0;
  std::string data;
  ASSERT_EQ(reg.QueryValue(k, "path", &type, &data), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_EXPAND_SZ);
  EXPECT_EQ(data, "%TEMP%\\x");  // not expanded
  ASSERT_EQ(reg.QueryValue(k, "Period", &type, &data), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(data, std::string("\x04\x03\x02\x01", 4));
  EXPECT_EQ(Text(reg, k, ""), "default");
  EXPECT_EQ(reg.QueryValue(k, "Nope", &type, &data), ERROR_FILE_NOT_FOUND);

  // A 256-byte text does not fit a 255-byte buffer; one of 255 does.
  ASSERT_EQ(reg.SetString(k, "Long", std::string(256, 'x')), ERROR_SUCCESS);
  ASSERT_EQ(reg.SetString(k, "Fits", std::string(255, 'y')), ERROR_SUCCESS);
  size_t size = 0;
  data = "untouched";
  EXPECT_EQ(reg.QueryValue(k, "Long", &type, &data, 255, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 256u);
  EXPECT_EQ(data, "untouched");
  EXPECT_EQ(reg.QueryValue(k, "Fits", &type, &data, 255, &size), ERROR_SUCCESS);
  EXPECT_EQ(data.size(), 255u);
}

TEST_F(RegistryTest, EnumerationOrderAndEnd) {
  Registry reg(home_);
  HKEY k = Create(reg, "E");
  for (const char* sub : {"b", "A", "c"}) reg.CloseKey(Create(reg, std::string("E\\") + sub));
  for (const char* v : {"zeta", "Alpha", "mid"}) reg.SetString(k, v, v);
  EXPECT_EQ(Keys(reg, k), (std::vector<std::string>{"A", "b", "c"}));
  EXPECT_EQ(Values(reg, k), (std::vector<std::string>{"zeta", "Alpha", "mid"}));
  std::string name;
  EXPECT_EQ(reg.EnumKey(k, 3, &name), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(reg.EnumValue(k, 3, &name), ERROR_NO_MORE_ITEMS);
  ASSERT_EQ(reg.DeleteValue(k, "ALPHA"), ERROR_SUCCESS);
  EXPECT_EQ(Values(reg, k), (std::vector<std::string>{"zeta", "mid"}));
  EXPECT_EQ(reg.DeleteValue(k, "Alpha"), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, DeleteRulesAndAccess) {
  Registry reg(home_);
  HKEY top = Create(reg, "T");
  HKEY child = Create(reg, "T\\Child");
  reg.CloseKey(Create(reg, "T\\Child\\Grand"));

  EXPECT_EQ(reg.DeleteKey(top, "Child"), ERROR_ACCESS_DENIED);  // has a subkey
  EXPECT_EQ(reg.DeleteKey(top, "Missing"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(reg.DeleteKey(top, "child\\GRAND"), ERROR_SUCCESS);
  EXPECT_EQ(reg.DeleteKey(top, "Child"), ERROR_SUCCESS);
  HKEY gone = 123;
  EXPECT_EQ(reg.OpenKey(HKEY_CURRENT_USER, "T\\Child", KEY_READ, &gone), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(gone, 0u);
  // A handle on a deleted key stays valid to close but answers "key deleted".
  EXPECT_EQ(reg.SetString(child, "x", "y"), ERROR_KEY_DELETED);
  EXPECT_EQ(reg.CloseKey(child), ERROR_SUCCESS);

  HKEY readOnly = 0;
  ASSERT_EQ(reg.OpenKey(HKEY_CURRENT_USER, "T", KEY_READ, &readOnly), ERROR_SUCCESS);
  EXPECT_EQ(reg.SetString(readOnly, "x", "y"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(reg.CreateKey(readOnly, "New", KEY_ALL_ACCESS, &gone), ERROR_ACCESS_DENIED);
  EXPECT_EQ(reg.OpenKey(HKEY_CLASSES_ROOT, "x", KEY_READ, &gone), ERROR_INVALID_HANDLE);

  // The hives are separate.
  HKEY lm = 0;
  ASSERT_EQ(reg.CreateKey(HKEY_LOCAL_MACHINE, "T", KEY_ALL_ACCESS, &lm), ERROR_SUCCESS);
  reg.SetString(lm, "Machine", "1");
  EXPECT_EQ(Text(reg, top, "Machine"), "<missing>");
}

TEST_F(RegistryTest, ReopenAfterWriteAndAfterCrash) {
  {
    Registry reg(home_);
    HKEY k = Create(reg, "Software\\Korvel\\Zentabo\\Options");
    reg.SetString(k, "AutoAcceptValue", "Accept\tTab\nLine%");
    reg.SetDword(k, "BackUnit", 2);
    reg.CloseKey(Create(reg, "Software\\Empty"));
    HKEY lm = 0;
    reg.CreateKey(HKEY_LOCAL_MACHINE, "Software\\Korvel", KEY_ALL_ACCESS, &lm);
    reg.SetString(lm, "Lang", "english.lng");

    // A crash now: only the journal holds the changes.
    Registry crashed(CrashCopy());
    HKEY c = 0;
    ASSERT_EQ(crashed.OpenKey(HKEY_CURRENT_USER, "software\\korvel\\zentabo\\options", KEY_READ, &c),
              ERROR_SUCCESS);
    EXPECT_EQ(Text(crashed, c, "AutoAcceptValue"), "Accept\tTab\nLine%");
  }
  Registry reg(home_);
  HKEY k = 0;
  ASSERT_EQ(reg.OpenKey(HKEY_CURRENT_USER, "Software\\Korvel\\Zentabo\\Options", KEY_READ, &k), ERROR_SUCCESS);
  EXPECT_EQ(Text(reg, k, "AutoAcceptValue"), "Accept\tTab\nLine%");
  EXPECT_EQ(Text(reg, k, "BackUnit"), std::string("\x02\0\0\0", 4));
  HKEY empty = 0;
  EXPECT_EQ(reg.OpenKey(HKEY_CURRENT_USER, "Software\\Empty", KEY_READ, &empty), ERROR_SUCCESS);
  HKEY lm = 0;
  ASSERT_EQ(reg.OpenKey(HKEY_LOCAL_MACHINE, "Software\\Korvel", KEY_READ, &lm), ERROR_SUCCESS);
  EXPECT_EQ(Text(reg, lm, "Lang"), "english.lng");
}

TEST_F(RegistryTest, TornJournalLineIsDroppedAndEarlierContentKept) {
  Registry reg(home_);
  HKEY k = Create(reg, "K");
  reg.SetString(k, "Kept", "1");
  const fs::path crash = CrashCopy();
  {
    std::ofstream journal(crash / ".registry" / "HKCU.journal", std::ios::app | std::ios::binary);
    journal << "V\tK\tTorn\t1\tpartial";  // no line break: the append was cut off
  }
  {
    Registry reopened(crash);
    HKEY c = 0;
    ASSERT_EQ(reopened.OpenKey(HKEY_CURRENT_USER, "K", KEY_ALL_ACCESS, &c), ERROR_SUCCESS);
    EXPECT_EQ(Text(reopened, c, "Kept"), "1");
    EXPECT_EQ(Text(reopened, c, "Torn"), "<missing>");
    reopened.SetString(c, "After", "2");  // appends after the repaired journal
    Registry second(CrashCopyOf(crash));
    HKEY s = 0;
    ASSERT_EQ(second.OpenKey(HKEY_CURRENT_USER, "K", KEY_READ, &s), ERROR_SUCCESS);
    EXPECT_EQ(Text(second, s, "After"), "2");
  }
}

TEST_F(RegistryTest, StaleJournalOfAnOlderGenerationIsNotReplayed) {
  const fs::path journal = home_ / ".registry" / "HKCU.journal";
  const fs::path saved = home_ / "old.journal";
  {
    Registry reg(home_);
    HKEY k = Create(reg, "K");
    reg.SetString(k, "A", "1");
    fs::copy_file(journal, saved);  // still holds "A = 1"
    ASSERT_EQ(reg.FlushKey(k), ERROR_SUCCESS);
    reg.DeleteValue(k, "A");
    reg.Flush();
  }
  // A crash between writing the hive file and resetting the journal leaves
  // an older journal beside a newer hive file.
  fs::copy_file(saved, journal, fs::copy_options::overwrite_existing);
  Registry reg(home_);
  HKEY k = 0;
  ASSERT_EQ(reg.OpenKey(HKEY_CURRENT_USER, "K", KEY_READ, &k), ERROR_SUCCESS);
  EXPECT_EQ(Text(reg, k, "A"), "<missing>");
}

TEST_F(RegistryTest, CorruptHiveNamesTheFile) {
  { Registry reg(home_); reg.CloseKey(Create(reg, "K")); }
  const fs::path hive = home_ / ".registry" / "HKCU.hive";
  ASSERT_TRUE(fs::exists(hive));
  const std::string good = FileUtil::ReadFile(hive);
  for (const std::string& bad : {std::string("garbage\n"), good.substr(0, good.size() - 4),
                                 good + "V\tK\n"}) {
    FileUtil::WriteFile(hive, bad);
    try {
      Registry reg(home_);
      ADD_FAILURE() << "no error for: " << bad;
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(hive.string()), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("corrupt"), std::string::npos) << e.what();
    }
  }
}

TEST_F(RegistryTest, OneRegistryPerHome) {
  auto first = std::make_unique<Registry>(home_);
  try {
    Registry second(home_);
    ADD_FAILURE() << "second registry opened";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 32);
  }
  first.reset();
  EXPECT_NO_THROW(Registry again(home_));
}

TEST_F(RegistryTest, SettingsStoreSectionsAndKeys) {
  Registry reg(home_);
  SettingsStore store(reg);
  EXPECT_EQ(store.GetSetting("Zentabo", "S1\\Groups", "Keys", "none"), "none");
  store.SaveSetting("Zentabo", "S1\\Groups", "Keys", "g1;g2");
  store.SaveSetting("Zentabo", "S1\\Groups", "ShowAs", "Anna;anna@x.org");
  store.SaveSetting("Zentabo", "S1\\Groups\\g1", "Name", "Team");
  store.SaveSetting("Zentabo", "S1\\Groups\\g1\\m1", "Email", "anna@x.org");
  EXPECT_EQ(store.GetSetting("zentabo", "s1\\GROUPS", "KEYS"), "g1;g2");
  EXPECT_EQ(store.GetAllSettings("Zentabo", "S1\\Groups"),
            (std::vector<std::pair<std::string, std::string>>{{"Keys", "g1;g2"}, {"ShowAs", "Anna;anna@x.org"}}));
  EXPECT_TRUE(store.GetAllSettings("Zentabo", "Nope").empty());

  // The store lives in the user's hive under the classic settings key.
  HKEY k = 0;
  ASSERT_EQ(reg.OpenKey(HKEY_CURRENT_USER, "Software\\VB and VBA Program Settings\\Zentabo\\S1\\Groups\\g1",
                        KEY_READ, &k),
            ERROR_SUCCESS);
  EXPECT_EQ(Text(reg, k, "Name"), "Team");
  reg.CloseKey(k);

  EXPECT_TRUE(store.DeleteSetting("Zentabo", "S1\\Groups", "ShowAs"));
  EXPECT_FALSE(store.DeleteSetting("Zentabo", "S1\\Groups", "ShowAs"));
  EXPECT_EQ(store.GetSetting("Zentabo", "S1\\Groups", "ShowAs"), "");
  // Deleting a section removes the sections below it.
  EXPECT_TRUE(store.DeleteSetting("Zentabo", "S1\\Groups"));
  EXPECT_EQ(store.GetSetting("Zentabo", "S1\\Groups\\g1\\m1", "Email", "gone"), "gone");
  EXPECT_FALSE(store.DeleteSetting("Zentabo", "S1\\Groups"));
  store.SaveSetting("Zentabo", "S2", "Kept", "yes");
}

TEST_F(RegistryTest, SettingsSurviveReopen) {
  {
    Registry reg(home_);
    SettingsStore(reg).SaveSetting("Zentabo", "S2", "Kept", "yes");
  }
  Registry reg(home_);
  EXPECT_EQ(SettingsStore(reg).GetSetting("Zentabo", "S2", "Kept"), "yes");
}

}  // namespace
