// The explorer menu, the ribbon and the page operations that the menu
// reaches, on real homes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "addin/CExplorerMenu.h"
#include "addin/Connect.h"
#include "groups/CGroups.h"
#include "groups/mFailSafe.h"
#include "lang/CLang.h"
#include "options/COptions.h"
#include "options/CWinReg.h"
#include "platform/store/Folder.h"
#include "platform/store/Item.h"
#include "platform/store/Items.h"
#include "support/TempHome.h"

using testing_support::TempDir;
using testing_support::TempHome;
using Cmd = CExplorerMenu::Command;

namespace {

void SetProductNumber(platform::Registry& reg, const std::string& subKey, const std::string& name, long value) {
  CWinReg r(reg);
  ASSERT_TRUE(r.InitForWrite(platform::HKEY_CURRENT_USER, subKey, true));
  r.SetNumberValue(name, static_cast<int32_t>(value));
}

void SetText(platform::Registry& reg, const std::string& key, const std::string& name, const std::string& value) {
  CWinReg r(reg);
  ASSERT_TRUE(r.InitForWrite(platform::HKEY_CURRENT_USER, key, true));
  r.SetStringValue(name, value);
}

CExplorerMenu& FirstMenu(host::HostSession& s) {
  CExplorerMenu* m = s.AddIn().Menu(s.App().GetExplorers().List().front().id);
  EXPECT_NE(m, nullptr);
  return *m;
}

std::vector<std::string> Names(const CExplorerMenu& m) {
  std::vector<std::string> out;
  for (const auto& c : m.Controls()) out.push_back(c.name);
  return out;
}

}  // namespace

TEST(ExplorerMenu, EnabledStatesFollowTheAddInsState) {
  struct Row {
    CExplorerMenu::State state;
    std::vector<Cmd> enabled;
  };
  const std::vector<Cmd> always = {Cmd::Help, Cmd::BugReport, Cmd::About, Cmd::Lang, Cmd::Debug};
  auto plus = [&](std::vector<Cmd> more) {
    more.insert(more.end(), always.begin(), always.end());
    return more;
  };
  const std::vector<Cmd> changing = {Cmd::Synchronize, Cmd::Groups, Cmd::AddNewMember, Cmd::Backup, Cmd::Restore};
  std::vector<Cmd> all = plus({Cmd::Zentab, Cmd::Options});
  all.insert(all.end(), changing.begin(), changing.end());
  std::vector<Cmd> noFolder = plus({Cmd::Options});
  noFolder.insert(noFolder.end(), changing.begin(), changing.end());
  const std::vector<Row> rows = {
      {{false, false, false}, always},                       // not started, inert or shut down
      {{false, true, false}, always},                        // a folder alone does not make commands work
      {{true, true, false}, all},                            // running
      {{true, false, false}, noFolder},                      // running without its shared folder
      {{true, true, true}, plus({Cmd::Zentab, Cmd::Options})},  // inside a synchronisation
  };
  const Cmd every[] = {Cmd::Zentab, Cmd::Synchronize, Cmd::Groups, Cmd::AddNewMember, Cmd::Backup, Cmd::Restore,
                       Cmd::Options, Cmd::Help, Cmd::BugReport, Cmd::About, Cmd::Lang, Cmd::Debug};
  for (size_t i = 0; i < rows.size(); ++i)
    for (Cmd c : every) {
      const bool expected = std::find(rows[i].enabled.begin(), rows[i].enabled.end(), c) != rows[i].enabled.end();
      EXPECT_EQ(CExplorerMenu::Enabled(c, rows[i].state), expected) << "row " << i << " command " << int(c);
    }
}

TEST(ExplorerMenu, RunningAddInShowsTenCommandsInOrderAndTheDebugCommandOnlyWithItsSwitch) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  auto& s = alice.Open();
  ASSERT_EQ(s.Start(), Connect::State::Running);
  CExplorerMenu& m = FirstMenu(s);
  const std::vector<std::string> ten = {"mcbMenuSynchronize", "mcbMenuGroups", "mcbMenuAddNewMember", "mcbMenuBackup",
                                        "mcbMenuRestore",     "mcbMenuOptions", "mcbMenuHelp",        "mcbMenuBugReport",
                                        "mcbMenuAbout",       "mcbMenuLang"};
  EXPECT_EQ(Names(m), ten);
  // Separators before Groups, Backup, Options and Help.
  std::vector<std::string> grouped;
  for (const auto& c : m.Controls())
    if (c.beginGroup) grouped.push_back(c.name);
  EXPECT_EQ(grouped, (std::vector<std::string>{"mcbMenuGroups", "mcbMenuBackup", "mcbMenuOptions", "mcbMenuHelp"}));
  for (const auto& c : m.Controls()) EXPECT_TRUE(c.enabled) << c.name;
  EXPECT_EQ(m.Find("mcbMenuSynchronize")->caption, "&Synchronize");
  EXPECT_EQ(m.PopupCaption(), "Zentabo");
  s.Stop();
  alice.Close();

  SetProductNumber(alice.Open().Reg(), COptions::kRegPath, "DebugButton", 1);
  ASSERT_EQ(alice.S().Start(), Connect::State::Running);
  std::vector<std::string> eleven = ten;
  eleven.push_back("mcbMenuDebug");
  EXPECT_EQ(Names(FirstMenu(alice.S())), eleven);
  EXPECT_EQ(FirstMenu(alice.S()).Controls().back().caption, "Debug");
}

TEST(ExplorerMenu, IconsAreMaskedUnlessTheSwitchIsNumericallyZero) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  auto& s = alice.Open();
  struct Row {
    const char* value;  // nullptr: missing
    bool transparent;
  };
  for (const Row& r : {Row{nullptr, true}, Row{"", true}, Row{"1", true}, Row{"0", false}, Row{"0.0", false},
                       Row{"x", true}}) {
    if (r.value) SetText(s.Reg(), "Software\\Korvel", "ZTBUseTransparentIcons", r.value);
    EXPECT_EQ(CExplorerMenu::UseTransparentIcons(s.Reg()), r.transparent) << (r.value ? r.value : "(missing)");
  }
  SetText(s.Reg(), "Software\\Korvel", "ZTBUseTransparentIcons", "0");
  ASSERT_EQ(s.Start(), Connect::State::Running);
  const auto* sync = FirstMenu(s).Find("mcbMenuSynchronize");
  EXPECT_TRUE(sync->pastedFace);
  EXPECT_EQ(sync->picture, "SYNC_PINK");
  EXPECT_EQ(sync->mask, "");
  // Entries without an icon get none either way.
  EXPECT_EQ(FirstMenu(s).Find("mcbMenuBackup")->picture, "");
}

TEST(ExplorerMenu, BarPositionSurvivesARestartAndEveryExplorerHasItsOwnMenu) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  auto& s = alice.Open();
  ASSERT_EQ(s.Start(), Connect::State::Running);
  const platform::Explorer second = s.App().GetExplorers().Open("Calendar");
  ASSERT_NE(s.AddIn().Menu(second.id), nullptr);
  EXPECT_NE(s.AddIn().Menu(second.id), &FirstMenu(s));
  // Every bar stores its place when its window goes: the last one closed wins.
  const CExplorerMenu::Position moved{120, 48, 2, 1};
  s.AddIn().Menu(second.id)->MoveBar({5, 5, 1, 0});
  s.App().GetExplorers().Close(second.id);
  FirstMenu(s).MoveBar(moved);
  EXPECT_EQ(s.AddIn().Menu(second.id), nullptr);
  s.Stop();
  alice.Close();

  ASSERT_EQ(alice.Open().Start(), Connect::State::Running);
  EXPECT_EQ(FirstMenu(alice.S()).BarPosition(), moved);
}

TEST(ExplorerMenu, LanguageChangeRelabelsEveryOpenMenuInPlace) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  auto& s = alice.Open();
  std::ofstream(s.Sys().InstallDir() / "testish.lng", std::ios::binary)
      << "[version]\nversion = \"3.01.0459\"\nlang = \"Testish\"\n[Testish]\ntexts = \"main\"\nforms = \"\"\n"
         "[Testish.main]\nLID_TOOLBAR = \"Zentabo T\"\nLID_TOOLBAR_SYNC = \"S&ync now\"\n";
  ASSERT_EQ(s.Start(), Connect::State::Running);
  const platform::Explorer second = s.App().GetExplorers().Open("Calendar");
  CExplorerMenu* menus[] = {&FirstMenu(s), s.AddIn().Menu(second.id)};

  ASSERT_TRUE(s.AddIn().ChooseLanguage("testish"));
  for (CExplorerMenu* m : menus) {
    EXPECT_EQ(m, s.AddIn().Menu(m->ExplorerId()));  // the same bar, relabelled
    EXPECT_EQ(m->PopupCaption(), "Zentabo T");
    EXPECT_EQ(m->Find("mcbMenuSynchronize")->caption, "S&ync now");
  }
  CWinReg reg(s.Reg());
  ASSERT_TRUE(reg.InitForRead(platform::HKEY_CURRENT_USER, COptions::kRegPath));
  EXPECT_NE(reg.GetStringValue("lang").find("testish.lng"), std::string::npos);
  // An unknown language changes nothing.
  EXPECT_FALSE(s.AddIn().ChooseLanguage("Klingon"));
  EXPECT_EQ(menus[0]->PopupCaption(), "Zentabo T");
}

TEST(ExplorerMenu, RestoreCancelledDoesNothingAndRestoreDoneTellsThePage) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  auto& s = alice.Open();
  ASSERT_EQ(s.Start(), Connect::State::Running);
  Connect& c = s.AddIn();
  c.Groups()->Add(c.Groups()->CreateMyGroup("Team"));
  ASSERT_TRUE(c.Groups()->Save());
  const std::string backup = (dir.Path() / "groups.xml").string();
  ASSERT_TRUE(StoreGroups(*c.Groups(), backup));
  int groupEvents = 0;
  c.SubscribePage([&](Connect::PageEvent e, const std::string&, std::string*) {
    groupEvents += e == Connect::PageEvent::OnChangeGroups;
  });

  alice.Prompt().QueueText("");  // the open-file dialog cancelled
  FirstMenu(s).mcbMenuRestore_Click();
  EXPECT_EQ(groupEvents, 0);
  EXPECT_EQ(c.Groups()->Count(), 1);

  alice.Prompt().QueueText(backup);
  FirstMenu(s).mcbMenuRestore_Click();
  EXPECT_EQ(groupEvents, 1);
  EXPECT_NE(c.Groups()->FindByName("Team"), nullptr);

  // Refresh tells the page about both.
  int appointmentEvents = 0;
  c.SubscribePage([&](Connect::PageEvent e, const std::string&, std::string*) {
    appointmentEvents += e == Connect::PageEvent::OnChangeAppointments;
  });
  EXPECT_TRUE(FirstMenu(s).Click("mcbMenuRefresh"));
  EXPECT_EQ(groupEvents, 2);
  EXPECT_EQ(appointmentEvents, 1);
  // The Zentab button shows the shared folder.
  EXPECT_TRUE(FirstMenu(s).Click("tcbZentab"));
  EXPECT_EQ(FirstMenu(s).CurrentFolder(), c.g_fldZentab().EntryID());
  EXPECT_FALSE(FirstMenu(s).Click("mcbMenuNoSuchThing"));
}

TEST(ExplorerMenu, MissingExplorerBuildsNothingAndIsLogged) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  auto& s = alice.Open();
  ASSERT_EQ(s.Start(), Connect::State::Running);
  CExplorerMenu m(s.AddIn(), s.Reg(), -1);
  EXPECT_FALSE(m.Create(nullptr, false));
  EXPECT_FALSE(m.Built());
  EXPECT_NE(alice.ErrLog().find("oExplorer Is Nothing"), std::string::npos);
}

TEST(Ribbon, CustomUiOnlyForTheAppointmentWindow) {
  const std::string ui = Connect::GetCustomUI("Microsoft.Outlook.Appointment");
  for (const char* part : {"onLoad=\"Ribbon_OnLoad\"", "idMso=\"TabAppointment\"", "id=\"Korvel.ZTB\"",
                           "label=\"Zentab\"", "getVisible=\"Button_GetVisible\"",
                           "insertAfterMso=\"GroupAppointmentOptions\"", "id=\"Korvel.ZTB.btnGroups\"", "label=\"Group\"",
                           "screentip=\"Create Groups appointment\"", "onAction=\"Button_Action\""})
    EXPECT_NE(ui.find(part), std::string::npos) << part;
  EXPECT_EQ(Connect::GetCustomUI("Microsoft.Outlook.Mail.Read"), "");
  EXPECT_EQ(Connect::GetCustomUI("microsoft.outlook.appointment"), "");
}

TEST(Ribbon, GroupButtonShowsForCalendarItemsAndShowsTheItemGroupsDialog) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  auto& s = alice.Open();
  ASSERT_EQ(s.Start(), Connect::State::Running);
  Connect& c = s.AddIn();
  auto appointmentIn = [](platform::Folder f, bool save) {
    platform::Item it = f.Items().Add(platform::olAppointmentItem);
    it.SetSubject("x");
    if (save) it.Save();
    return it;
  };
  platform::Folder inbox = s.Session().GetDefaultFolder(platform::olFolderInbox);
  platform::Item mail = inbox.Items().Add(platform::olMailItem);
  mail.Save();
  platform::Item misplaced = appointmentIn(c.fldCalendar(), true);
  misplaced = misplaced.Move(inbox);
  struct Row {
    const char* what;
    platform::Item item;
    bool visible;
  };
  const std::vector<Row> rows = {
      {"new appointment", appointmentIn(c.fldCalendar(), false), true},
      {"saved in the calendar", appointmentIn(c.fldCalendar(), true), true},
      {"in the shared folder", appointmentIn(c.g_fldZentab(), true), true},
      {"appointment in a mail folder", misplaced, false},
      {"mail", mail, false},
      {"no item", platform::Item(), false},
  };
  for (const Row& r : rows) EXPECT_EQ(c.Button_GetVisible({"Korvel.ZTB", r.item}), r.visible) << r.what;

  auto ribbon = std::make_shared<Connect::RibbonUI>();
  c.Ribbon_OnLoad(ribbon);
  EXPECT_EQ(c.Ribbon(), ribbon.get());
  std::string acted;
  c.GetHooks().ShowItemGroups = [&](Connect&, platform::Item& item) { acted = item.Subject(); };
  Connect::RibbonControl control{"Korvel.ZTB.btnGroups", rows[1].item};
  c.Button_Action(control);
  EXPECT_EQ(acted, "x");
}

TEST(PageOperations, PrintPreviewFallsBackToPrintAndLogsWhatIsMissing) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  auto& s = alice.Open();
  ASSERT_EQ(s.Start(), Connect::State::Running);
  // A client whose menu lacks both commands.
  s.App().AddMenuCommand("Print Preview", {});
  s.AddIn().PrintPreview();
  EXPECT_NE(alice.ErrLog().find("cant find printpreview button in menu"), std::string::npos);
  EXPECT_NE(alice.ErrLog().find("cant find print button in menu"), std::string::npos);

  int printed = 0;
  s.App().AddMenuCommand("Print", [&] { ++printed; });
  s.AddIn().PrintPreview();
  EXPECT_EQ(printed, 1);
  int previews = 0;
  s.App().AddMenuCommand("Print Preview", [&] { ++previews; });
  s.AddIn().PrintPreview();
  EXPECT_EQ(previews, 1);
  EXPECT_EQ(printed, 1);
}

TEST(PageOperations, NewMemberAsksThePageForItsGroupAndOpensItsDialog) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  auto& s = alice.Open();
  ASSERT_EQ(s.Start(), Connect::State::Running);
  Connect& c = s.AddIn();
  c.Groups()->Add(c.Groups()->CreateMyGroup("Team"));
  ASSERT_TRUE(c.Groups()->Save());
  c.SubscribePage([](Connect::PageEvent e, const std::string& id, std::string* byRef) {
    if (e == Connect::PageEvent::GetCurGroup && id == "page-1") *byRef = "Team";
  });
  alice.Prompt().QueueText("");  // the address book cancelled
  c.NewMember("page-1");
  EXPECT_NE(alice.Log().find("NewMember, Group = Team"), std::string::npos);
  EXPECT_FALSE(alice.Prompt().Shown().empty());
  EXPECT_EQ(c.Groups()->FindByName("Team")->Members().size(), 1u);
}
