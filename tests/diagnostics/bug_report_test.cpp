// The support report: its text, its attachments, its mail and the .eml file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "addin/Connect.h"
#include "diagnostics/mBugReport.h"
#include "groups/CGroups.h"
#include "platform/FileUtil.h"
#include "platform/mail/MailFile.h"
#include "platform/mail/MimeCodec.h"
#include "platform/store/Attachments.h"
#include "platform/store/Folder.h"
#include "platform/store/Items.h"
#include "platform/store/Recipients.h"
#include "platform/Text.h"
#include "platform/client/AddinRegistry.h"
#include "support/TempHome.h"

using testing_support::TempDir;
using testing_support::TempHome;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> Lines(const std::string& text) { return platform::Split(text, "\r\n"); }

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

void Write(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

// A running add-in of alice with the report's environment as the add-in builds it.
struct ReportHome {
  TempDir dir;
  TempHome alice{dir.Path(), "alice", "alice@example.com"};
  host::HostSession& s = alice.Open();
  ReportHome() { EXPECT_EQ(s.Start(), Connect::State::Running); }
  fs::path Install() { return s.Sys().InstallDir(); }
  mBugReport::Env Env() {
    mBugReport::Env env;
    env.reg = &s.Reg();
    env.sys = &s.Sys();
    env.storeId = s.AddIn().StoreId();
    env.version = s.AddIn().GetVersion();
    env.clientVersion = s.App().Version();
    env.addinFile = platform::System::ProgramFile();
    env.groupsApp = "Zentabo";
    env.groupsRoot = env.storeId + "\\Groups";
    return env;
  }
};

}  // namespace

TEST(BugReport, TextDescribesTheInstallationInOrder) {
  ReportHome h;
  const std::vector<std::string> lines = Lines(mBugReport::BuildReport(h.Env()).text);
  ASSERT_GT(lines.size(), 30u);
  EXPECT_EQ(lines[0], "Zentabo version: 3.01.0459");
  EXPECT_EQ(lines[1].rfind("ZentaboOcx version: ", 0), 0u);
  EXPECT_EQ(lines[2].rfind("ZTBAdvSearch.dll version: ", 0), 0u);
  EXPECT_EQ(lines[3].rfind("Zentabo path: ", 0), 0u);
  EXPECT_NE(lines[4].find(" Win version:"), std::string::npos);
  EXPECT_EQ(lines[5], "Outlook version: 11.0.5608");
  EXPECT_EQ(lines[6].rfind("IE version: ", 0), 0u);
  EXPECT_EQ(lines[7], "User Name: alice");
  EXPECT_EQ(lines[8], "User Address: alice@example.com");
  // The options as stored, in the report's order.
  EXPECT_EQ(lines[9], "AutoLSynchDate: ");
  EXPECT_EQ(lines[10], "AutoGSynchEnable: yes");
  EXPECT_EQ(lines[11], "AutoGSynchPeriod: 5");
  EXPECT_EQ(lines[25], "VCtlMems: ");
  EXPECT_EQ(lines[26], "Uses COMAddIns :");
  // The home is installed as the installer does it: registered, loaded at start.
  EXPECT_EQ(lines[27], "ProgID: Zentabo.Connect");
  EXPECT_EQ(lines[29], "Connect: True");
  EXPECT_FALSE(Has(lines, "Zentabo is not set"));
  EXPECT_FALSE(Has(lines, "Zentabo folder does not exist"));
  EXPECT_FALSE(Has(lines, "Zentabo.dll does not exist"));
}

TEST(BugReport, LogFilesAreListedWhenMissingOrEmptyAndAttachedWithContent) {
  ReportHome h;
  {
    const mBugReport::Report r = mBugReport::BuildReport(h.Env());
    const auto lines = Lines(r.text);
    for (const char* l : {"CustomEvents.log not found.", "Errors.log log not found.", "GErrors.Log not found.",
                          "ZTBAdvSearch.Log not found."})
      EXPECT_TRUE(Has(lines, l)) << l;
    EXPECT_TRUE(r.attachments.empty());
  }
  Write(h.Install() / "CustomEvents.log", "");
  Write(h.Install() / "Errors.log", "an error\n");
  Write(h.Install() / "addin.log", "");
  {
    const mBugReport::Report r = mBugReport::BuildReport(h.Env());
    const auto lines = Lines(r.text);
    EXPECT_TRUE(Has(lines, "CustomEvents.log is empty."));
    EXPECT_FALSE(Has(lines, "Errors.log log not found."));
    EXPECT_TRUE(Has(lines, "addin.log is empty."));
    EXPECT_EQ(r.attachments, (std::vector<fs::path>{h.Install() / "Errors.log"}));
  }
  Write(h.Install() / "addin.log", "a line\n");
  EXPECT_EQ(mBugReport::BuildReport(h.Env()).attachments.back(), h.Install() / "addin.log");
}

TEST(BugReport, GroupsSectionRendersTheStore) {
  ReportHome h;
  auto endOf = [](const std::vector<std::string>& lines) {
    return std::vector<std::string>(std::find(lines.begin(), lines.end(), "<groups>"), lines.end());
  };
  EXPECT_EQ(endOf(Lines(mBugReport::BuildReport(h.Env()).text)), (std::vector<std::string>{"<groups>", "</groups>"}));

  CGroups& groups = *h.s.AddIn().Groups();
  GroupPtr team = groups.CreateMyGroup("Team");
  groups.Add(team);
  ASSERT_TRUE(groups.Save());
  const std::vector<std::string> tail = endOf(Lines(mBugReport::BuildReport(h.Env()).text));
  ASSERT_EQ(tail.size(), 6u);
  EXPECT_EQ(tail[1], "    <group Key = \"" + team->strKey + "\" Name = \"Team\">");
  EXPECT_EQ(tail[2].rfind("        <member Name = \"alice\" Email = \"alice@example.com\" EmailOwner = \"\" Key = \"", 0),
            0u);
  for (const char* field : {" Role = ", " MySelf = \"1\"", " ActionKey = ", " NewRole = ", " Wait = ", " Action = ",
                            " SubAction = ", " Share = "})
    EXPECT_NE(tail[2].find(field), std::string::npos) << field;
  EXPECT_EQ(tail[3], "        </member>");
  EXPECT_EQ(tail[4], "    </group>");
  EXPECT_EQ(tail[5], "</groups>");
}

TEST(BugReport, FailedChecksEachGiveTheirLine) {
  ReportHome h;
  mBugReport::Env env = h.Env();
  env.addinFile = h.Install() / "missing.bin";
  env.SharedFolderExists = [] { return false; };
  env.SafeItemsRegistered = [] { return false; };
  env.AdvSearchRegistered = [] { return false; };
  const auto lines = Lines(mBugReport::BuildReport(env).text);
  for (const char* l : {"Zentabo folder does not exist", "Redemption is not registrated", "Zentabo.dll does not exist",
                        "ZTBAdvSearch.dll is not registrated"})
    EXPECT_TRUE(Has(lines, l)) << l;
  // A check that throws is logged and the report goes on.
  env.SharedFolderExists = []() -> bool { throw std::runtime_error("folder lookup failed"); };
  const auto again = Lines(mBugReport::BuildReport(env).text);
  EXPECT_EQ(again.back(), "</groups>");
  EXPECT_NE(h.alice.ErrLog().find("mBugReport.isFolderExist()"), std::string::npos);
}

TEST(BugReport, MailWaitsInDraftsAndItsEmlCarriesTextAndLogs) {
  ReportHome h;
  Write(h.Install() / "Errors.log", "an error\n");
  Connect& c = h.s.AddIn();
  platform::Item mail = c.BugReport();
  ASSERT_TRUE(mail);
  EXPECT_EQ(mail.Parent().EntryID(), h.s.Session().GetDefaultFolder(platform::olFolderDrafts).EntryID());
  EXPECT_EQ(mail.Subject(), "Zentabo Bug Report (Zentabo AddIn)");
  EXPECT_EQ(mail.Importance(), 2);
  EXPECT_EQ(mail.Recipients().Item(1).Address(), mBugReport::kSupportAddress);
  EXPECT_EQ(mail.Body().rfind("\r\n\r\n\r\n---- Please type bug description above this line.\r\nThank you ----\r\n\r\n"
                              "Zentabo version: ",
                              0),
            0u);
  // The support library's files first (the run wrote its log), then the report's.
  std::vector<std::string> names;
  for (int i = 1; i <= mail.Attachments().Count(); ++i) names.push_back(mail.Attachments().Item(i).FileName());
  EXPECT_EQ(names.back(), "Errors.log");
  EXPECT_NE(std::find(names.begin(), names.end(), "zentab.log"), names.end());
  EXPECT_EQ(h.s.Session().GetDefaultFolder(platform::olFolderOutbox).Items().Count(), 0);  // never sent

  const fs::path eml = h.dir.Path() / "report.eml";
  platform::SaveMailAsEml(h.s.Session(), mail, eml, h.alice.Clock().Now());
  const std::string bytes = platform::FileUtil::ReadFile(eml);
  EXPECT_NE(bytes.find("X-Unsent: 1\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("Importance: high\r\n"), std::string::npos);
  const platform::MailMessage back = platform::MimeCodec::Decode(bytes);
  EXPECT_EQ(back.subject, "Zentabo Bug Report (Zentabo AddIn)");
  EXPECT_NE(back.body.find("User Address: alice@example.com"), std::string::npos);
  ASSERT_EQ(back.attachments.size(), names.size());
  EXPECT_EQ(back.attachments.back().bytes, "an error\n");
}

// The add-in's registration with the client decides whether the client
// loads it at its start; the report's check looks for the key in the user's
// and the machine's hive.
TEST(BugReport, RegistrationDecidesTheLoadAndTheNotSetLine) {
  namespace AR = platform::AddinRegistry;
  const std::string key = std::string(AR::kAddinsKey) + "\\Zentabo.Connect";
  struct Case {
    const char* what;
    std::function<void(platform::Registry&)> change;
    bool loads;
    bool notSet;
  };
  auto drop = [key](platform::Registry& reg) { ASSERT_EQ(reg.DeleteKey(platform::HKEY_CURRENT_USER, key), 0); };
  auto machine = [](uint32_t behavior) {
    return [behavior](platform::Registry& reg) {
      AR::Register(reg, platform::HKEY_LOCAL_MACHINE, "Zentabo.Connect", "Zentabo", "machine-wide", behavior);
    };
  };
  auto user = [](uint32_t behavior) {
    return [behavior](platform::Registry& reg) {
      AR::Register(reg, platform::HKEY_CURRENT_USER, "Zentabo.Connect", "Zentabo", "per user", behavior);
    };
  };
  const Case cases[] = {
      {"as installed", [](platform::Registry&) {}, true, false},
      {"no key anywhere", drop, false, true},
      {"the machine's key only", [&](platform::Registry& reg) { drop(reg); machine(3)(reg); }, true, false},
      {"switched off by the user", user(2), false, false},
      {"the user's key wins over the machine's", [&](platform::Registry& reg) { machine(3)(reg); user(0)(reg); },
       false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    TempHome alice{dir.Path(), "alice", "alice@example.com"};
    {
      platform::Registry reg(alice.Home());
      c.change(reg);
    }
    host::HostSession& s = alice.Open();
    EXPECT_EQ(s.Start(), c.loads ? Connect::State::Running : Connect::State::Unloaded);
    // Loaded by hand, the add-in reports on its installation all the same.
    EXPECT_EQ(s.LoadAddIn(), Connect::State::Running);
    const platform::Item mail = s.AddIn().BugReport();
    ASSERT_TRUE(mail);
    EXPECT_EQ(Has(Lines(mail.Body()), "Zentabo is not set"), c.notSet);
  }
}
