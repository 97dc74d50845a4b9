#include "options/CWinReg.h"

#include "OptionsTestUtil.h"

namespace {

constexpr const char* kKey = "Software\\Korvel\\Zentabo\\Test";

class CWinRegTest : public RegistryTest {
 protected:
  // A key open for writing at kKey (created).
  std::unique_ptr<CWinReg> Open() {
    auto r = std::make_unique<CWinReg>(*reg);
    EXPECT_TRUE(r->InitForWrite(CWinReg::HKEY_CURRENT_USER, kKey, true));
    return r;
  }
};

TEST_F(CWinRegTest, TextReadsBackUpTo255Characters) {
  auto r = Open();
  ASSERT_TRUE(r->SetStringValue("t255", std::string(255, 'a')));
  ASSERT_TRUE(r->SetStringValue("t256", std::string(256, 'b')));
  EXPECT_EQ(r->GetStringValue("t255"), std::string(255, 'a'));
  EXPECT_EQ(r->GetStringValue("t256"), "");
  // The limit counts characters, not bytes: 255 two-byte and four-byte
  // characters read back, one more does not.
  struct Case {
    std::string character;
    size_t count;
    bool readsBack;
  };
  for (const Case& c : {Case{"\xC3\xA9", 255, true}, Case{"\xF0\x9F\x93\x85", 255, true},
                        Case{"\xC3\xA9", 256, false}, Case{"a\xC3\xA9", 127, true}}) {
    std::string text;
    for (size_t i = 0; i < c.count; ++i) text += c.character;
    ASSERT_TRUE(r->SetStringValue("u", text));
    EXPECT_EQ(r->GetStringValue("u"), c.readsBack ? text : "") << c.count << " x " << c.character.size() << " bytes";
  }
  EXPECT_EQ(r->GetStringValue("missing"), "");
  ASSERT_EQ(reg->SetString(r->Handle(), "exp", "%TEMP%\\x", platform::REG_EXPAND_SZ), platform::ERROR_SUCCESS);
  EXPECT_EQ(r->GetStringValue("exp"), "%TEMP%\\x");  // not expanded
  ASSERT_TRUE(r->SetNumberValue("n", 3));
  EXPECT_EQ(r->GetStringValue("n"), "");
}

TEST_F(CWinRegTest, TextIsStoredWithoutTerminatingZero) {
  auto r = Open();
  ASSERT_TRUE(r->SetStringValue("t", "abc"));
  uint32_t type = 0;
  std::string data;
  ASSERT_EQ(reg->QueryValue(r->Handle(), "t", &type, &data), platform::ERROR_SUCCESS);
  EXPECT_EQ(type, platform::REG_SZ);
  EXPECT_EQ(data, "abc");
}

TEST_F(CWinRegTest, YesNoConvention) {
  auto r = Open();
  const std::vector<std::pair<std::string, bool>> cases = {
      {"yes", true}, {"YES", true}, {"Yes", true}, {"no", false}, {"true", false}, {"1", false}, {"", false}};
  for (const auto& [text, want] : cases) {
    ASSERT_TRUE(r->SetStringValue("v", text));
    EXPECT_EQ(r->GetYesNoValue("v"), want) << text;
  }
  EXPECT_FALSE(r->GetYesNoValue("missing"));
  ASSERT_TRUE(r->SetYesNoValue("b", true));
  EXPECT_EQ(r->GetStringValue("b"), "yes");
  ASSERT_TRUE(r->SetYesNoValue("b", false));
  EXPECT_EQ(r->GetStringValue("b"), "no");
}

TEST_F(CWinRegTest, NumbersAndTheirDefaults) {
  auto r = Open();
  ASSERT_TRUE(r->SetNumberValue("n", -5));
  ASSERT_TRUE(r->SetStringValue("s", "12"));
  EXPECT_EQ(r->GetNumberValue("n", 9), -5);
  EXPECT_EQ(r->GetNumberValue("s", 9), 9);
  EXPECT_EQ(r->GetNumberValue("missing", 9), 9);
  CWinReg closed(*reg);
  EXPECT_EQ(closed.GetNumberValue("n", 9), 0);
  EXPECT_EQ(closed.GetStringValue("s"), "");
  EXPECT_FALSE(closed.SetStringValue("s", "x"));
  EXPECT_TRUE(closed.CloseKey());
}

TEST_F(CWinRegTest, OpeningRespectsCreateAndAccess) {
  CWinReg r(*reg);
  EXPECT_FALSE(r.InitForRead(CWinReg::HKEY_CURRENT_USER, "Software\\Nope"));
  EXPECT_FALSE(r.IsOpen());
  EXPECT_FALSE(r.InitForWrite(CWinReg::HKEY_CURRENT_USER, "Software\\Nope", false));
  EXPECT_TRUE(r.InitForWrite(CWinReg::HKEY_CURRENT_USER, "Software\\Nope", true));
  EXPECT_TRUE(r.SetStringValue("a", "b"));
  CWinReg ro(*reg);
  ASSERT_TRUE(ro.InitForRead(CWinReg::HKEY_CURRENT_USER, "SOFTWARE\\NOPE"));  // names ignore case
  EXPECT_EQ(ro.GetStringValue("A"), "b");
  EXPECT_FALSE(ro.SetStringValue("a", "c"));  // read access only
  EXPECT_TRUE(r.FlushKey());
}

TEST_F(CWinRegTest, EnumerationAndRecursiveDeletion) {
  auto r = Open();
  ASSERT_TRUE(r->SetStringValue("v1", "x"));
  ASSERT_TRUE(r->SetNumberValue("v2", 1));
  for (const char* path : {"A\\B\\C", "A\\B2", "D"}) {
    CWinReg sub(*reg);
    ASSERT_TRUE(sub.InitForWrite(r->Handle(), path, true));
  }
  EXPECT_EQ(r->Values(0), "v1");
  EXPECT_EQ(r->Values(1), "v2");
  EXPECT_EQ(r->Values(2), "");
  EXPECT_EQ(r->Keys(0), "A");
  EXPECT_EQ(r->Keys(1), "D");
  EXPECT_EQ(r->Keys(2), "");

  EXPECT_FALSE(r->DeleteKey("A"));  // has subkeys
  EXPECT_TRUE(r->DeleteKeyRec("A"));
  EXPECT_EQ(r->Keys(0), "D");
  EXPECT_FALSE(r->DeleteKeyRec("A"));  // gone

  {
    CWinReg sub(*reg);
    ASSERT_TRUE(sub.InitForWrite(r->Handle(), "D\\E\\F", true));
  }
  r->DeleteAllKeys();
  EXPECT_EQ(r->Keys(0), "");
  EXPECT_EQ(r->GetStringValue("v1"), "x");  // the key's values stay
}

}  // namespace
