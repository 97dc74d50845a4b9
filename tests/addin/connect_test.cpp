// Start-up, shutdown and the connection's own operations, on real homes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "addin/Connect.h"
#include "addin/frmShablon.h"
#include "platform/redemption/Library.h"
#include "groups/CGroups.h"
#include "lang/CLang.h"
#include "options/COptions.h"
#include "options/CWinReg.h"
#include "options/mOptions.h"
#include "platform/store/MailSession.h"
#include "support/TempHome.h"

using testing_support::TempDir;
using testing_support::TempHome;

namespace {

// Positions of `needles` in `text`, each searched after the previous one;
// false when one is missing or out of order.
bool InOrder(const std::string& text, const std::vector<std::string>& needles) {
  size_t pos = 0;
  for (const auto& n : needles) {
    size_t p = text.find(n, pos);
    if (p == std::string::npos) {
      ADD_FAILURE() << "missing or out of order: " << n;
      return false;
    }
    pos = p + n.size();
  }
  return true;
}

size_t Count(const std::string& text, const std::string& needle) {
  size_t n = 0;
  for (size_t p = text.find(needle); p != std::string::npos; p = text.find(needle, p + 1)) ++n;
  return n;
}

void SetUserInRegistry(platform::Registry& reg, const std::string& storeId, const std::string& name,
                       const std::string& address) {
  CWinReg r(reg);
  ASSERT_TRUE(r.InitForWrite(platform::HKEY_CURRENT_USER, "SOFTWARE\\Korvel\\Zentabo\\" + storeId, true));
  r.SetStringValue("CurUserName", name);
  r.SetStringValue("CurUserAddress", address);
}

// Starts the add-in of `home` and gives its user a saved group "Team".
void StartWithTeam(TempHome& home) {
  auto& s = home.Open();
  ASSERT_EQ(s.Start(), Connect::State::Running);
  CGroups& groups = *s.AddIn().Groups();
  groups.Add(groups.CreateMyGroup("Team"));
  ASSERT_TRUE(groups.Save());
}

}  // namespace

TEST(Connect, StartsAndShutsDownInOrder) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  auto& s = alice.Open();
  EXPECT_EQ(s.Start(), Connect::State::Running);
  EXPECT_EQ(s.AddIn().GetCurrentUserAddress(), "alice@example.com");
  EXPECT_TRUE(s.AddIn().g_fldZentab());
  std::string storeId = s.AddIn().StoreId();
  s.Stop();
  EXPECT_EQ(s.AddIn().GetState(), Connect::State::Closed);
  // Done again (the client may send begin-shutdown and disconnection) is harmless.
  s.AddIn().Done(true);
  s.AddIn().OnDisconnection();
  std::string log = alice.Log();
  EXPECT_TRUE(InOrder(log, {":Start:", "IDTExtensibility2_OnConnection", "m_oExplorers_OnExplorer -> First Explorer",
                            "Connect.Init", "BEFORE StartTimers(bQuickStartClicked)", "Connect.Done( full )"}));
  EXPECT_EQ(Count(log, "Connect.Done("), 1u);
  // The option defaults were written under the store's key.
  std::string v;
  EXPECT_TRUE(mOptions::GetOptionText(s.Reg(), storeId, "AutoGSynchPeriod", v));
  platform::HKEY key = 0;
  EXPECT_EQ(s.Reg().OpenKey(platform::HKEY_CURRENT_USER, mOptions::OptionsKey(storeId), platform::KEY_READ, &key),
            platform::ERROR_SUCCESS);
}

TEST(Connect, LastExplorerClosedThenNewOneRunsInitAgainWithTheGroupsQuestion) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  StartWithTeam(alice);
  auto& s = alice.S();
  std::string storeId = s.AddIn().StoreId();

  s.App().GetExplorers().CloseAll();
  EXPECT_EQ(s.AddIn().GetState(), Connect::State::Waiting);
  EXPECT_EQ(s.AddIn().Groups(), nullptr);
  // Another address for this store: the stored groups no longer belong to the user.
  SetUserInRegistry(s.Reg(), storeId, "Alice", "alice@other.example.com");
  alice.Prompt().QueueResult(platform::IDOK);
  alice.Prompt().QueueResult(platform::IDNO);
  s.App().GetExplorers().Open();
  std::string log = alice.Log();
  EXPECT_TRUE(InOrder(log, {"Connect.Done( wait new explorer )", "m_oExplorers_OnExplorer -> First Explorer",
                            "Connect.Init"}));
  EXPECT_EQ(Count(log, "Connect.Init"), 2u);
  // The question about invalid groups, default No; No leaves the add-in inert.
  const auto& shown = alice.Prompt().Shown();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back().buttons, platform::Buttons::YesNo);
  EXPECT_EQ(shown.back().defaultButton, platform::DefaultButton::Second);
  EXPECT_EQ(s.AddIn().GetState(), Connect::State::Inert);
}

TEST(Connect, InvalidGroupsClearedOnYes) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  {
    StartWithTeam(alice);
    auto& s = alice.S();
    SetUserInRegistry(s.Reg(), s.AddIn().StoreId(), "Alice", "alice@new.example.com");
    alice.Close();
  }
  alice.Prompt().QueueResult(platform::IDOK);  // the model's own message about the foreign address
  alice.Prompt().QueueResult(platform::IDYES);
  auto& s = alice.Open();
  ASSERT_EQ(s.Start(), Connect::State::Running);
  EXPECT_EQ(s.AddIn().GetCurrentUserAddress(), "alice@new.example.com");
  EXPECT_EQ(s.AddIn().Groups()->Count(), 0);
}

TEST(Connect, OutlookVersions) {
  struct Row {
    const char* version;
    const char* expected;
  };
  for (const Row& r : {Row{"9.0.0.1234", "9"}, Row{"11.0.5608", "10"}, Row{"10", "10"}, Row{"12.0.4518", "10"},
                       Row{"8.5", ""}, Row{"", ""}, Row{"abc.1", ""}})
    EXPECT_EQ(Connect::ParseOutlookVersion(r.version), r.expected) << r.version;

  TempDir dir;
  TempHome old(dir.Path(), "old", "old@example.com", "8.5");
  auto& s = old.Open();
  EXPECT_EQ(s.Start(), Connect::State::Inert);
  EXPECT_NE(old.ErrLog().find("OutlookVersion is 8.5"), std::string::npos);
  // An inert add-in ignores explorers.
  s.App().GetExplorers().Open();
  EXPECT_EQ(s.AddIn().GetState(), Connect::State::Inert);
}

TEST(Connect, MissingSafeItemLibraryLeavesTheAddInInert) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  Redemption::SetRegistered(false);
  auto& s = alice.Open();
  EXPECT_EQ(s.Start(), Connect::State::Inert);
  Redemption::ResetRegistration();
  EXPECT_NE(alice.ErrLog().find("Redemption is not registered."), std::string::npos);
  EXPECT_EQ(alice.Log().find("Connect.Init"), std::string::npos);
}

// A profile whose user address is no address (a new home never gets one:
// the profile's mail client can be set up so all the same).
static void SetProfileAddress(const TempHome& home, const std::string& address) {
  platform::MailSession session =
      platform::MailSession::Open((home.Home() / "Profiles" / "Default.db").string());
  session.SetCurrentUser("carol", address);
}

TEST(Connect, InvalidUserAddressAsksAndStoresTheTypedOneInLowerCase) {
  TempDir dir;
  TempHome carol(dir.Path(), "carol", "carol@example.com");
  SetProfileAddress(carol, "not-an-address");
  carol.Prompt().QueueForm(platform::IDOK, {{"Name", " Carol "}, {"Email", " Carol@Example.COM "}});
  auto& s = carol.Open();
  EXPECT_EQ(s.Start(), Connect::State::Running);
  EXPECT_EQ(s.AddIn().GetCurrentUserAddress(), "carol@example.com");
  EXPECT_EQ(s.AddIn().GetCurrentUserName(), "Carol");
  ASSERT_FALSE(carol.Prompt().Shown().empty());
  EXPECT_EQ(carol.Prompt().Shown().front().text, "frmCurUser");
}

TEST(Connect, InvalidUserAddressUnattendedEndsInert) {
  TempDir dir;
  TempHome carol(dir.Path(), "carol", "carol@example.com");
  SetProfileAddress(carol, "carol@");
  auto& s = carol.Open();
  EXPECT_EQ(s.Start(), Connect::State::Inert);
  EXPECT_FALSE(s.AddIn().UserLoaded());
  EXPECT_NE(carol.ErrLog().find("Can`t load current user."), std::string::npos);
  // The dialog came, the address was refused once, then the repeat counted as Cancel.
  size_t forms = 0, messages = 0;
  for (const auto& p : carol.Prompt().Shown()) {
    forms += p.kind == platform::PromptKind::Form;
    messages += p.kind == platform::PromptKind::MessageBox;
  }
  EXPECT_EQ(forms, 2u);
  EXPECT_EQ(messages, 1u);
}

TEST(Connect, StoredAddressWithCapitalsIsUsedAsStored) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  {
    auto& s = alice.Open();
    s.Start();
    SetUserInRegistry(s.Reg(), s.AddIn().StoreId(), "Alice", "Alice@Example.com");
    alice.Close();
  }
  auto& s = alice.Open();
  s.Start();
  EXPECT_EQ(s.AddIn().GetCurrentUserAddress(), "Alice@Example.com");
}

TEST(Connect, LanguageFallsBackToEnglishOnce) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  {
    platform::Registry reg(alice.Home());
    CWinReg r(reg);
    ASSERT_TRUE(r.InitForWrite(platform::HKEY_CURRENT_USER, "SOFTWARE\\Korvel\\Zentabo", true));
    r.SetStringValue("lang", (alice.Home() / "missing.lng").string());
  }
  auto& s = alice.Open();
  ASSERT_EQ(s.Start(), Connect::State::Running);
  EXPECT_NE(alice.ErrLog().find("cant load '" + (alice.Home() / "missing.lng").string() + "' lang file"),
            std::string::npos);
  EXPECT_NE(alice.Log().find("try to load '"), std::string::npos);
  EXPECT_NE(s.AddIn().Text("LID_SYNCH_COMPLETE"), "LID_SYNCH_COMPLETE");
}

TEST(Connect, CustomEventsAndHtmlIds) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  auto& s = alice.Open();
  ASSERT_EQ(s.Start(), Connect::State::Running);
  std::vector<Connect::PageEvent> seen;
  s.AddIn().SubscribePage([&](Connect::PageEvent e, const std::string&, std::string*) { seen.push_back(e); });
  s.AddIn().RaiseCustomEvent("Groups");
  s.AddIn().RaiseCustomEvent("groups");  // names are compared exactly
  s.AddIn().RaiseCustomEvent("Appointments");
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], Connect::PageEvent::OnChangeGroups);
  EXPECT_EQ(seen[1], Connect::PageEvent::OnChangeAppointments);
  EXPECT_NE(alice.ErrLog().find("invalid event name - groups"), std::string::npos);

  std::string a = s.AddIn().GetHtmlID(), b = s.AddIn().GetHtmlID();
  ASSERT_EQ(a.size(), 23u);
  EXPECT_EQ(a.substr(8), "-20261205090000");
  EXPECT_EQ(a.substr(8), b.substr(8));
  EXPECT_NE(a.substr(0, 8), b.substr(0, 8));
  for (char c : a.substr(0, 8)) EXPECT_TRUE(c >= '0' && c <= '8');
}

TEST(Connect, EmailAddressRule) {
  struct Row {
    const char* text;
    bool ok;
  };
  for (const Row& r : {Row{"a@b.c", true}, Row{"alice@example.com", true}, Row{"first.last@example.com", true},
                       Row{"@example.com", false}, Row{"alice@.com", false}, Row{"alice@example.", false},
                       Row{"alice.example@com", false}, Row{"alice", false}, Row{"", false}})
    EXPECT_EQ(Connect::isEmailAddress(r.text), r.ok) << r.text;
}

TEST(Connect, CheckRights) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  auto& s = alice.Open();
  ASSERT_EQ(s.Start(), Connect::State::Running);
  CGroups& groups = *s.AddIn().Groups();
  // "Team": alice manages it, bob active, carol still pending.
  GroupPtr team = groups.CreateMyGroup("Team");
  team->Add2("Bob", "bob@example.com", ROLE_MEMBER, true);
  MemberPtr carol = team->Add2("Carol", "carol@example.com", ROLE_MEMBER, true);
  carol->nAction = ACTION_ADDING;
  groups.Add(team);
  // "Club": alice is a plain member there, dave the manager.
  GroupPtr club = groups.CreateMyGroup("Club");
  club->GetMySelf()->nRole = ROLE_MEMBER;
  club->Add2("Dave", "dave@example.com", ROLE_MANAGER, true);
  groups.Add(club);

  Connect& c = s.AddIn();
  struct Row {
    const char* owner;
    const char* groups;
    bool ok;
  };
  for (const Row& r : {Row{"", "", true}, Row{"alice@example.com", "Team", true},
                       Row{"ALICE@example.com", "Nowhere;Team", true}, Row{"bob@example.com", "(Null Group)", false},
                       Row{"bob@example.com", "(All Groups)", true}, Row{"bob@example.com", "Team", true},
                       Row{"carol@example.com", "Team", false}, Row{"dave@example.com", "Club", false},
                       Row{"dave@example.com", "(All Groups)", false}, Row{"bob@example.com", "Team;Club", false},
                       Row{"bob@example.com", "Missing", false}})
    EXPECT_EQ(c.CheckRights(r.owner, r.groups), r.ok) << r.owner << " / " << r.groups;
  // An own item in a group whose membership is still pending is refused.
  club->GetMySelf()->nAction = ACTION_ADDING;
  EXPECT_FALSE(c.CheckRights("alice@example.com", "Club"));
}

TEST(Connect, PageOperationsOnGroups) {
  TempDir dir;
  TempHome alice(dir.Path(), "Alice", "alice@example.com");
  auto& s = alice.Open();
  ASSERT_EQ(s.Start(), Connect::State::Running);
  Connect& c = s.AddIn();
  int groupsEvents = 0;
  c.SubscribePage([&](Connect::PageEvent e, const std::string&, std::string*) {
    groupsEvents += e == Connect::PageEvent::OnChangeGroups;
  });

  // NewGroup asks for the name, trims it, and refuses a taken or reserved one.
  alice.Prompt().QueueText("  Team  ");
  c.NewGroup("");
  ASSERT_NE(c.Groups()->FindByName("Team"), nullptr);
  EXPECT_EQ(alice.Prompt().Shown().back().text, "Please enter the name of the new group:");
  EXPECT_EQ(groupsEvents, 1);
  alice.Prompt().QueueText("Team");
  c.NewGroup("");
  alice.Prompt().QueueText("(All Groups)");
  c.NewGroup("");
  EXPECT_EQ(c.Groups()->Count(), 1);

  GroupPtr team = c.Groups()->FindByName("Team");
  team->Add2("Bob", "bob@example.com", ROLE_MEMBER, false);  // unshared: a member at once
  c.Groups()->Save();
  std::vector<std::string> rows = c.GetGroupsCollection();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].substr(0, rows[0].find(';')), "(All Groups)");
  EXPECT_NE(rows[0].find(";alice@example.com;1;1"), std::string::npos);
  EXPECT_EQ(rows[2].substr(0, rows[2].find(';')), "Team");

  // Removing: the question names "member" or "me", one group or all; No keeps him.
  std::string bob = "bob@example.com", all = "(All Groups)", name = "Team", me = "alice@example.com";
  EXPECT_TRUE(c.CanDeleteMember(bob, name));
  alice.Prompt().QueueResult(platform::IDNO);
  c.DeleteMember(bob, all);
  EXPECT_EQ(alice.Prompt().Shown().back().text, "Do you really want to remove this member from all groups?");
  EXPECT_EQ(alice.Prompt().Shown().back().buttons, platform::Buttons::YesNoCancel);
  EXPECT_NE(team->FindByEmail(bob), nullptr);
  alice.Prompt().QueueResult(platform::IDYES);
  c.DeleteMember(bob, name);
  EXPECT_EQ(c.Groups()->FindByName("Team")->FindByEmail(bob), nullptr);
  std::string nobody = "nobody@example.com";
  EXPECT_FALSE(c.CanDeleteMember(nobody, all));
  EXPECT_NE(alice.Log().find("nobody@example.com  - not exist in no one group"), std::string::npos);
  alice.Prompt().QueueResult(platform::IDCANCEL);
  c.DeleteMember(me, name);
  EXPECT_EQ(alice.Prompt().Shown().back().text, "Do you really want to leave this group?");
  EXPECT_EQ(c.Groups()->Count(), 1);
}

// --- the support log, the language, the options and the user's form --------

namespace {

std::string FieldOf(const platform::PromptRecord& shown, const std::string& name) {
  for (const auto& [field, value] : shown.fields)
    if (field == name) return value;
  return "<no field " + name + ">";
}

void SetProductNumber(platform::Registry& reg, const std::string& name, int32_t value) {
  CWinReg r(reg);
  ASSERT_TRUE(r.InitForWrite(platform::HKEY_CURRENT_USER, COptions::kRegPath, true));
  ASSERT_TRUE(r.SetNumberValue(name, value));
}

}  // namespace

TEST(Connect, StartTrimsAnOverlongLogBeforeMarkingItsRun) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  const std::filesystem::path log = alice.Home() / "AppData/Roaming/Korvel/Zentabo/zentab.log";
  std::filesystem::create_directories(log.parent_path());
  {
    // An earlier run's marker at the start only: none after the cut point.
    std::ofstream out(log, std::ios::binary);
    out << ":Start: an earlier run\n";
    const std::string line = std::string(99, 'x') + "\n";
    for (int i = 0; i < 20000; ++i) out << line;
  }
  ASSERT_EQ(alice.Open().Start(), Connect::State::Running);
  const std::string text = alice.Log();
  // The newest half of the limit is kept, then this run's entries follow.
  EXPECT_GT(text.size(), 0x100000u / 2);
  EXPECT_LT(text.size(), 0x100000u / 2 + 64 * 1024);
  EXPECT_EQ(Count(text, ":Start:"), 1u);
  EXPECT_EQ(text.find(":Start: an earlier run"), std::string::npos);
}

TEST(Connect, LanguageFallsBackToTheDefaultFileWhenTheChosenOneFails) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  auto& s = alice.Open();
  // The chosen file has the default file's name but lies elsewhere and is missing.
  CWinReg r(s.Reg());
  ASSERT_TRUE(r.InitForWrite(platform::HKEY_CURRENT_USER, COptions::kRegPath, true));
  ASSERT_TRUE(r.SetStringValue("lang", (dir.Path() / "elsewhere" / "english.lng").string()));
  ASSERT_EQ(s.Start(), Connect::State::Running);
  EXPECT_EQ(s.AddIn().Lang()->Filename(), (s.Sys().InstallDir() / "english.lng").string());
  EXPECT_NE(alice.Log().find("try to load '" + (s.Sys().InstallDir() / "english.lng").string() + "' lang file"),
            std::string::npos);
}

TEST(Connect, SwitchesReadOnceKeepTheirValueForTheRun) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  auto& s = alice.Open();
  ASSERT_EQ(s.Start(), Connect::State::Running);
  frmShablon& timers = *s.AddIn().Timers();
  timers.SafeDoEvents();  // reads LogEvents (default: events are logged)
  const size_t logged = Count(alice.Log(), "DoEvents Before");
  ASSERT_GT(logged, 0u);
  SetProductNumber(s.Reg(), "LogEvents", 0);
  timers.SafeDoEvents();
  EXPECT_EQ(Count(alice.Log(), "DoEvents Before"), logged + 1);
}

TEST(Connect, ShutdownForgetsTheRunsOptions) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  auto& s = alice.Open();
  ASSERT_EQ(s.Start(), Connect::State::Running);
  ASSERT_EQ(mOptions::g_Options().AutoGSynchPeriod, 5);
  ASSERT_TRUE(mOptions::g_Options().HardDeletion);
  s.Stop();
  // A later start whose load fails must not find this run's values.
  EXPECT_EQ(mOptions::g_Options().AutoGSynchPeriod, 0);
  EXPECT_FALSE(mOptions::g_Options().HardDeletion);
}

TEST(Connect, CurrentUserFormShowsTheLanguagesTexts) {
  TempDir dir;
  TempHome carol(dir.Path(), "carol", "carol@example.com");
  SetProfileAddress(carol, "not-an-address");
  const std::filesystem::path lng = carol.Home() / "Program Files/Korvel/Zentabo/english.lng";
  std::string text;
  {
    std::ifstream in(lng, std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(in), {});
  }
  for (auto [from, to] : {std::pair<std::string, std::string>{"\"Your name and e-mail\"", "\"Wer sind Sie?\""},
                          {"\"Please enter your name and e-mail address:\"", "\"Name und Adresse bitte:\""}}) {
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
  }
  std::ofstream(lng, std::ios::binary | std::ios::trunc) << text;
  carol.Prompt().QueueForm(platform::IDOK, {{"Name", "Carol"}, {"Email", "carol@example.com"}});
  ASSERT_EQ(carol.Open().Start(), Connect::State::Running);
  ASSERT_FALSE(carol.Prompt().Shown().empty());
  const platform::PromptRecord& form = carol.Prompt().Shown().front();
  EXPECT_EQ(form.text, "frmCurUser");
  EXPECT_EQ(FieldOf(form, "Title"), "Wer sind Sie?");
  EXPECT_EQ(FieldOf(form, "Prompt"), "Name und Adresse bitte:");
}
