#include "options/mOptions.h"

#include "OptionsTestUtil.h"
#include "options/COptions.h"
#include "options/CWinReg.h"
#include "platform/Error.h"

namespace {

using platform::Date;

const Date kNow = Date::FromParts(2006, 2, 13, 14, 13, 59);

class OptionsTest : public RegistryTest {
 protected:
  // Writes values into the store's Options key before loading.
  CWinReg& Key(const std::string& storeId = "STORE1") {
    key = std::make_unique<CWinReg>(*reg);
    EXPECT_TRUE(key->InitForWrite(CWinReg::HKEY_CURRENT_USER, mOptions::OptionsKey(storeId), true));
    return *key;
  }
  mOptions::Options Load(const std::string& storeId = "STORE1", Date now = kNow) {
    key.reset();
    mOptions::Options o;
    EXPECT_TRUE(mOptions::LoadOptions(*reg, storeId, now, o));
    return o;
  }
  std::unique_ptr<CWinReg> key;
};

TEST_F(OptionsTest, FreshStoreGetsTheDefaults) {
  const mOptions::Options o = Load();
  EXPECT_TRUE(o.HardDeletion);
  EXPECT_FALSE(o.DefaultPrivate);
  EXPECT_TRUE(o.IgnoreBirthdays);
  EXPECT_TRUE(o.IgnoreHolidays);
  EXPECT_TRUE(o.IgnoreMsgAttaches);
  EXPECT_TRUE(o.ShowWelcomeDlg);
  EXPECT_TRUE(o.AutoGSynchEnable);
  EXPECT_EQ(o.AutoGSynchPeriod, 5);
  EXPECT_TRUE(o.AutoLSynchEnableNew);
  EXPECT_EQ(o.AutoLSynchPeriodNew, 2);
  EXPECT_FALSE(o.AutoLFastSynchDisable);
  EXPECT_FALSE(o.AutoAcceptEnable);
  EXPECT_EQ(o.AutoAcceptValue, "Accept");
  EXPECT_EQ((std::vector<long>{o.BackUnit, o.BackCount, o.ForwardUnit, o.ForwardCount}),
            (std::vector<long>{2, 1, 3, 1}));
  EXPECT_TRUE(o.bLocalSynchDue);  // never synchronised
  EXPECT_TRUE(Logged("Warning : SaveDefault\tSave Default Options"));

  CWinReg r(*reg);
  ASSERT_TRUE(r.InitForRead(CWinReg::HKEY_CURRENT_USER, "SOFTWARE\\Korvel\\Zentabo\\STORE1\\Options"));
  EXPECT_EQ(r.GetStringValue("HardDeletion"), "yes");
  EXPECT_EQ(r.GetStringValue("DefaultPrivate"), "");  // not part of the defaults
  EXPECT_EQ(r.GetNumberValue("ForwardUnit", 0), 3);
}

TEST_F(OptionsTest, ZeroPeriodResetsTheWholeSynchronisationGroup) {
  CWinReg& k = Key();
  k.SetNumberValue("AutoGSynchPeriod", 10);
  k.SetNumberValue("AutoLSynchPeriodNew", 0);
  k.SetYesNoValue("AutoGSynchEnable", false);
  k.SetYesNoValue("AutoLSynchEnableNew", false);
  k.SetYesNoValue("AutoLFastSynchDisable", true);
  const mOptions::Options o = Load();
  EXPECT_EQ(o.AutoGSynchPeriod, 5);
  EXPECT_EQ(o.AutoLSynchPeriodNew, 2);
  EXPECT_TRUE(o.AutoGSynchEnable);
  EXPECT_TRUE(o.AutoLSynchEnableNew);
  EXPECT_FALSE(o.AutoLFastSynchDisable);
}

TEST_F(OptionsTest, ZeroWindowValueResetsAllFourAndWindowFollows) {
  CWinReg& k = Key();
  k.SetNumberValue("BackUnit", 1);
  k.SetNumberValue("BackCount", 0);
  k.SetNumberValue("ForwardUnit", 1);
  k.SetNumberValue("ForwardCount", 30);
  const mOptions::Options o = Load();
  EXPECT_EQ((std::vector<long>{o.BackUnit, o.BackCount, o.ForwardUnit, o.ForwardCount}),
            (std::vector<long>{2, 1, 3, 1}));
  EXPECT_EQ(o.dtSynchStart, Date::FromParts(2006, 2, 6, 14, 13, 59));
  EXPECT_EQ(o.dtSynchEnd, Date::FromParts(2006, 3, 13, 14, 13, 59));
}

TEST_F(OptionsTest, LocalSynchronisationDueAfterItsPeriod) {
  struct Case {
    int daysOld;
    bool enabled;
    bool due;
  };
  for (const Case& c : {Case{3, true, true}, Case{2, true, false}, Case{-3, true, true}, Case{9, false, false}}) {
    CWinReg& k = Key();
    k.SetNumberValue("AutoGSynchPeriod", 5);
    k.SetNumberValue("AutoLSynchPeriodNew", 2);
    k.SetYesNoValue("AutoLSynchEnableNew", c.enabled);
    k.SetStringValue("AutoLSynchDate", mOptions::SynchDateText(kNow.Add("d", -c.daysOld)));
    EXPECT_EQ(Load().bLocalSynchDue, c.due) << c.daysOld << " days";
  }
}

TEST_F(OptionsTest, StoredValuesReadWithTheirConventions) {
  CWinReg& k = Key();
  k.SetStringValue("HardDeletion", "Yes");
  k.SetStringValue("DontIgnoreBirthdays", "YES");
  k.SetStringValue("DontIgnoreHolidays", "true");  // not "yes": still ignored
  k.SetYesNoValue("AutoAcceptEnable", true);
  k.DeleteValue("AutoAcceptValue");
  k.SetStringValue("AllDayCategories", std::string(256, 'c'));
  const mOptions::Options o = Load();
  EXPECT_TRUE(o.HardDeletion);
  EXPECT_FALSE(o.IgnoreBirthdays);
  EXPECT_TRUE(o.IgnoreHolidays);
  EXPECT_EQ(o.AutoAcceptValue, "Accept");
  EXPECT_EQ(o.AllDayCategories, "");
}

TEST_F(OptionsTest, SaveAndLoadRoundTripPerStore) {
  mOptions::Options o = Load("STORE1");
  o.AllDayCategories = "Holiday;Private";
  o.DefaultPrivate = true;
  o.IgnoreBirthdays = false;
  o.SendLabels = false;
  o.AutoGSynchPeriod = 17;
  o.AutoLFastSynchDisable = true;
  o.NShowMesGroups = true;
  o.NShowMesGroupsValue = "Team A;Team B";
  o.BackUnit = 1;
  o.BackCount = 10;
  o.ForwardUnit = 2;
  o.ForwardCount = 4;
  o.IgnoreMsgAttaches = false;
  o.AutoAcceptValue = "Decline";  // not written: auto-accept is off
  o.VCtlMems = "not written";
  ASSERT_TRUE(mOptions::SaveOptions(*reg, "STORE1", kNow, o));
  EXPECT_EQ(o.dtSynchStart, Date::FromParts(2006, 2, 3, 14, 13, 59));

  const mOptions::Options back = Load("STORE1");
  EXPECT_EQ(back.AllDayCategories, "Holiday;Private");
  EXPECT_TRUE(back.DefaultPrivate);
  EXPECT_FALSE(back.IgnoreBirthdays);
  EXPECT_FALSE(back.SendLabels);
  EXPECT_EQ(back.AutoGSynchPeriod, 17);
  EXPECT_TRUE(back.AutoLFastSynchDisable);
  EXPECT_TRUE(back.NShowMesGroups);
  EXPECT_EQ(back.NShowMesGroupsValue, "Team A;Team B");
  EXPECT_EQ((std::vector<long>{back.BackUnit, back.BackCount, back.ForwardUnit, back.ForwardCount}),
            (std::vector<long>{1, 10, 2, 4}));
  EXPECT_EQ(back.dtSynchEnd, Date::FromParts(2006, 3, 13, 14, 13, 59));
  EXPECT_FALSE(back.IgnoreMsgAttaches);
  EXPECT_EQ(back.AutoAcceptValue, "Accept");
  EXPECT_EQ(back.VCtlMems, "");

  const mOptions::Options other = Load("STORE2");  // a second profile keeps its own set
  EXPECT_EQ(other.AutoGSynchPeriod, 5);
  EXPECT_FALSE(other.DefaultPrivate);
}

TEST_F(OptionsTest, SaveOptionWritesByTypeAndRejectsOthers) {
  ASSERT_TRUE(mOptions::SaveOption(*reg, "S", "AutoLSynchDate", "2006-02-13 14:13:59", "String"));
  ASSERT_TRUE(mOptions::SaveOption(*reg, "S", "BackCount", "7", "Number"));
  ASSERT_TRUE(mOptions::SaveOption(*reg, "S", "NShowMesGroups", true));
  EXPECT_FALSE(mOptions::SaveOption(*reg, "S", "BackUnit", "3", "Integer"));
  EXPECT_TRUE(Logged("Error(custom) : mOptions.SaveOption\tInvalid type."));
  CWinReg r(*reg);
  ASSERT_TRUE(r.InitForRead(CWinReg::HKEY_CURRENT_USER, mOptions::OptionsKey("S")));
  EXPECT_EQ(r.GetStringValue("AutoLSynchDate"), "2006-02-13 14:13:59");
  EXPECT_EQ(r.GetNumberValue("BackCount", 0), 7);
  EXPECT_EQ(r.GetStringValue("NShowMesGroups"), "yes");
  EXPECT_EQ(r.GetNumberValue("BackUnit", -1), -1);
}

TEST_F(OptionsTest, OptionsByName) {
  std::string text;
  EXPECT_TRUE(mOptions::GetOptionText(*reg, "S", "autogsynchperiod", text));
  EXPECT_EQ(text, "5");  // default while nothing is stored
  EXPECT_TRUE(mOptions::SetOptionText(*reg, "S", "AutoGSynchPeriod", "12"));
  EXPECT_TRUE(mOptions::SetOptionText(*reg, "S", "HardDeletion", "no"));
  EXPECT_TRUE(mOptions::SetOptionText(*reg, "S", "ZipLogs", "0"));
  EXPECT_TRUE(mOptions::SetOptionText(*reg, "S", "CurUserName", "Ann"));
  EXPECT_FALSE(mOptions::SetOptionText(*reg, "S", "AutoGSynchPeriod", "often"));
  EXPECT_FALSE(mOptions::SetOptionText(*reg, "S", "HardDeletion", "maybe"));
  EXPECT_FALSE(mOptions::SetOptionText(*reg, "S", "NoSuchOption", "1"));
  EXPECT_FALSE(mOptions::GetOptionText(*reg, "S", "NoSuchOption", text));
  const std::vector<std::pair<std::string, std::string>> want = {
      {"AutoGSynchPeriod", "12"}, {"HardDeletion", "no"}, {"ZipLogs", "0"}, {"CurUserName", "Ann"},
      {"ShowHomepage", "1"},      {"DefaultPrivate", "no"}};
  for (const auto& [name, value] : want) {
    ASSERT_TRUE(mOptions::GetOptionText(*reg, "S", name, text)) << name;
    EXPECT_EQ(text, value) << name;
  }
  const mOptions::Options o = Load("S");
  EXPECT_EQ(o.AutoGSynchPeriod, 12);
  EXPECT_EQ(o.AutoLSynchPeriodNew, 2);  // the other defaults were written with the first value
  EXPECT_FALSE(o.HardDeletion);
  COptions opts(*reg, "S");
  EXPECT_EQ(opts.ZipLogs(), 0);
}

TEST_F(OptionsTest, ProductSwitches) {
  COptions opts(*reg, "S1");
  EXPECT_EQ(COptions::GetRegPath(), "Software\\Korvel\\Zentabo");
  EXPECT_EQ(opts.ShowHomepage(), 1);
  EXPECT_EQ(opts.ZipLogs(), 1);
  EXPECT_FALSE(opts.NeedLocalSync());
  opts.NeedLocalSync(true);
  EXPECT_TRUE(opts.NeedLocalSync());
  EXPECT_FALSE(COptions(*reg, "S2").NeedLocalSync());  // per store

  // LogEvents reads 7 by default; the first change starts from 15.
  EXPECT_TRUE(opts.LogEvents());
  EXPECT_TRUE(opts.LogOnlyNotIgnoredEvents());
  EXPECT_FALSE(opts.LogNotStartedEventsAsError());
  COptions fresh(*reg, "S1");
  fresh.LogOnlyAppointEvents(false);
  EXPECT_EQ(fresh.GetNumber("LogEvents", -1), 13);
  // The first object keeps what it read.
  EXPECT_TRUE(opts.LogOnlyAppointEvents());

  EXPECT_EQ(opts.DebugButton(), 0);
  COptions(*reg, "S1").DebugButton(1);
  EXPECT_EQ(opts.DebugButton(), 0);  // read once
  EXPECT_EQ(COptions(*reg, "S1").DebugButton(), 1);
}

TEST(GetDate, UnitsAndInvalidUnit) {
  const Date now = Date::FromParts(2006, 1, 31, 10, 0, 0);
  EXPECT_EQ(mOptions::GetDate(true, 3, 1, now), Date::FromParts(2006, 1, 28, 10, 0, 0));
  EXPECT_EQ(mOptions::GetDate(true, 2, 2, now), Date::FromParts(2006, 1, 17, 10, 0, 0));
  EXPECT_EQ(mOptions::GetDate(false, 1, 3, now), Date::FromParts(2006, 2, 28, 10, 0, 0));
  try {
    mOptions::GetDate(false, 1, 4, now);
    FAIL() << "unit 4 accepted";
  } catch (const platform::Error& e) {
    EXPECT_STREQ(e.what(), "nUnit is not valid : 4");
  }
}

}  // namespace
