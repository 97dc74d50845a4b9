// The options and debug settings dialogs: what they accept, refuse and write.
#include <gtest/gtest.h>

#include "addin/Connect.h"
#include "dialogs/frmDebug.h"
#include "dialogs/frmOptions.h"
#include "options/COptions.h"
#include "options/mOptions.h"
#include "platform/ScriptedPrompt.h"
#include "support/TempHome.h"

using testing_support::TempDir;
using testing_support::TempHome;

namespace {

// The defaults a fresh store loads.
mOptions::Options Defaults() {
  mOptions::Options o;
  o.AutoGSynchEnable = true;
  o.AutoGSynchPeriod = 5;
  o.AutoLSynchEnableNew = true;
  o.AutoLSynchPeriodNew = 2;
  o.AutoAcceptValue = "Accept";
  o.BackUnit = 2;
  o.BackCount = 1;
  o.ForwardUnit = 3;
  o.ForwardCount = 1;
  return o;
}

struct Saving {
  int saves = 0;
  mOptions::Options saved;
  frmOptions::Env Env(std::vector<std::string> groups = {"Team", "Board"}) {
    frmOptions::Env env;
    env.groupNames = std::move(groups);
    env.Save = [this](mOptions::Options& o) {
      ++saves;
      saved = o;
      return true;
    };
    return env;
  }
};

}  // namespace

TEST(OptionsDialog, FieldRules) {
  static const std::string kLongText(256, 'c');
  struct Row {
    std::vector<std::pair<const char*, const char*>> edits;
    bool setAccepted;  // every edit's text is a value of its field
    bool valid;        // the result may be saved
  };
  const std::vector<Row> rows = {
      {{{"AutoGSynchPeriod", "60"}}, true, true},
      {{{"AutoGSynchPeriod", "61"}}, true, false},
      {{{"AutoGSynchPeriod", "0"}}, true, false},
      {{{"AutoGSynchPeriod", "five"}}, false, true},
      {{{"AutoLSynchPeriodNew", "30"}}, true, true},
      {{{"AutoLSynchPeriodNew", "31"}}, true, false},
      {{{"BackUnit", "day"}, {"BackCount", "92"}}, true, true},
      {{{"BackUnit", "day"}, {"BackCount", "93"}}, true, false},
      {{{"BackUnit", "week"}, {"BackCount", "13"}}, true, true},
      {{{"BackUnit", "week"}, {"BackCount", "14"}}, true, false},
      {{{"BackUnit", "3"}, {"BackCount", "3"}}, true, true},
      {{{"BackUnit", "3"}, {"BackCount", "4"}}, true, false},
      {{{"ForwardUnit", "day"}, {"ForwardCount", "365"}}, true, true},
      {{{"ForwardUnit", "weeks"}, {"ForwardCount", "53"}}, true, false},
      {{{"ForwardUnit", "month"}, {"ForwardCount", "12"}}, true, true},
      {{{"ForwardCount", "0"}}, true, false},
      {{{"BackUnit", "year"}}, false, true},
      {{{"DontIgnoreHolidays", "maybe"}}, false, true},
      {{{"AutoAcceptEnable", "yes"}, {"AutoAcceptValue", "Decline"}}, true, true},
      {{{"AutoAcceptEnable", "yes"}, {"AutoAcceptValue", "Sometimes"}}, true, false},
      {{{"NShowMesGroups", "yes"}, {"NShowMesGroupsValue", "Team;Board"}}, true, true},
      {{{"NShowMesGroups", "yes"}, {"NShowMesGroupsValue", "(All Groups)"}}, true, true},
      {{{"NShowMesGroups", "yes"}, {"NShowMesGroupsValue", ""}}, true, false},
      {{{"NShowMesGroupsValue", "Team;Gone"}}, true, false},
      {{{"AllDayCategories", kLongText.c_str()}}, true, false},
      {{{"NoSuchOption", "1"}}, false, true},
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    Saving s;
    frmOptions dlg(s.Env(), Defaults());
    bool accepted = true;
    for (const auto& [field, text] : rows[i].edits) accepted = dlg.Set(field, text) && accepted;
    EXPECT_EQ(accepted, rows[i].setAccepted) << "row " << i << ": " << dlg.LastError();
    EXPECT_EQ(dlg.Validate().empty(), rows[i].valid) << "row " << i;
    EXPECT_EQ(dlg.OnOK(), rows[i].valid) << "row " << i;
    EXPECT_EQ(s.saves, rows[i].valid ? 1 : 0) << "row " << i;
  }
}

TEST(OptionsDialog, NegatedValuesShowAsStoredAndEditTheInMemoryFlag) {
  Saving s;
  mOptions::Options o = Defaults();
  o.IgnoreBirthdays = true;
  frmOptions dlg(s.Env(), o);
  EXPECT_EQ(dlg.Get("DontIgnoreBirthdays"), "no");
  ASSERT_TRUE(dlg.Set("dontignorebirthdays", "yes"));
  EXPECT_FALSE(dlg.Copy().IgnoreBirthdays);
  // A refused text leaves the field as it was.
  EXPECT_FALSE(dlg.Set("AutoGSynchPeriod", "12x"));
  EXPECT_EQ(dlg.Get("AutoGSynchPeriod"), "5");
}

TEST(OptionsDialog, ModalRunShowsReasonsThenTheFormAgainAndStopsOnARepeatedRefusal) {
  {
    platform::ScriptedPrompt prompt;
    Saving s;
    frmOptions dlg(s.Env(), Defaults());
    prompt.QueueForm(platform::IDOK, {{"AutoGSynchPeriod", "90"}});
    prompt.QueueResult(platform::IDOK);  // the message with the reason
    prompt.QueueForm(platform::IDOK, {{"AutoGSynchPeriod", "15"}});
    EXPECT_TRUE(dlg.ShowModal(prompt, nullptr));
    EXPECT_EQ(s.saved.AutoGSynchPeriod, 15);
    ASSERT_EQ(prompt.Shown().size(), 3u);
    EXPECT_NE(prompt.Shown()[1].text.find("1 to 60"), std::string::npos);
  }
  {
    platform::ScriptedPrompt prompt;
    Saving s;
    frmOptions dlg(s.Env(), Defaults());
    for (int i = 0; i < 2; ++i) {
      prompt.QueueForm(platform::IDOK, {{"AutoGSynchPeriod", "90"}});
      prompt.QueueResult(platform::IDOK);
    }
    EXPECT_FALSE(dlg.ShowModal(prompt, nullptr));
    EXPECT_EQ(s.saves, 0);
    EXPECT_EQ(prompt.Remaining(), 1u);  // the second refusal ended it without another message
  }
  {
    platform::ScriptedPrompt prompt;
    Saving s;
    frmOptions dlg(s.Env(), Defaults());
    prompt.QueueForm(platform::IDCANCEL, {{"AutoGSynchPeriod", "15"}});
    EXPECT_FALSE(dlg.ShowModal(prompt, nullptr));
    EXPECT_EQ(s.saves, 0);
  }
}

TEST(OptionsDialog, AddInWritesTheConfirmedSetAndTellsThePage) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  auto& s = alice.Open();
  ASSERT_EQ(s.Start(), Connect::State::Running);
  Connect& c = s.AddIn();
  int optionEvents = 0;
  c.SubscribePage([&](Connect::PageEvent e, const std::string&, std::string*) {
    optionEvents += e == Connect::PageEvent::onChangeOptions;
  });
  alice.Prompt().QueueForm(platform::IDOK, {{"AutoGSynchPeriod", "20"}, {"HardDeletion", "no"}});
  c.ShowOptions("");
  EXPECT_EQ(optionEvents, 1);
  EXPECT_EQ(mOptions::g_Options().AutoGSynchPeriod, 20);
  mOptions::Options stored;
  ASSERT_TRUE(mOptions::LoadOptions(s.Reg(), c.StoreId(), alice.Clock().Now(), stored));
  EXPECT_EQ(stored.AutoGSynchPeriod, 20);
  EXPECT_FALSE(stored.HardDeletion);

  // Cancel: nothing written, nothing told.
  alice.Prompt().QueueForm(platform::IDCANCEL, {{"AutoGSynchPeriod", "30"}});
  c.ShowOptions("");
  EXPECT_EQ(optionEvents, 1);
  ASSERT_TRUE(mOptions::LoadOptions(s.Reg(), c.StoreId(), alice.Clock().Now(), stored));
  EXPECT_EQ(stored.AutoGSynchPeriod, 20);
}

TEST(DebugDialog, RefusesABadLevelAndWritesTheSwitchesOnOK) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  auto& s = alice.Open();
  COptions options(s.Reg(), "store");
  CDebug debug((dir.Path() / "install").string(), "");
  frmDebug dlg(debug, options);
  EXPECT_EQ(dlg.Get("LogEvents"), "yes");  // the default bit set 7
  EXPECT_EQ(dlg.Get("LogNotStartedEventsAsError"), "no");
  EXPECT_FALSE(dlg.Set("DebugLevel", "4"));
  EXPECT_FALSE(dlg.Set("ZipLogs", "sometimes"));
  EXPECT_FALSE(dlg.Set("NoSuchSwitch", "yes"));
  ASSERT_TRUE(dlg.Set("DebugLevel", "1"));
  ASSERT_TRUE(dlg.Set("DebugButton", "yes"));
  ASSERT_TRUE(dlg.Set("LogOnlyAppointEvents", "no"));
  ASSERT_TRUE(dlg.Set("SupportLog", "no"));
  dlg.OnOK();
  EXPECT_EQ(debug.DebugLevel(), 1);
  EXPECT_FALSE(debug.UseSupportLog());
  COptions reread(s.Reg(), "store");
  EXPECT_EQ(reread.DebugButton(), 1);
  EXPECT_TRUE(reread.LogEvents());
  EXPECT_FALSE(reread.LogOnlyAppointEvents());
  EXPECT_EQ(reread.GetNumber("LogEvents", 0), 5);
}
