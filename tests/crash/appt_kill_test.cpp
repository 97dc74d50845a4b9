// kill -9 while appointments travel: alice shares her appointments with bob
// and carol in "Team". Whether a run dies while she adds an appointment or
// while she synchronises (bob's mails waiting for her, some delivered twice,
// her own changes waiting to go), after a restart every change reaches every
// member exactly once: each of her items is in each member's shared folder
// once, under its item id and with its subject and times, and each of bob's
// is in hers once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <set>

#include "host/HostSession.h"
#include "platform/Registry.h"
#include "platform/store/Folder.h"
#include "platform/store/Folders.h"
#include "platform/store/Items.h"
#include "platform/store/MailSession.h"
#include "support/KillHarness.h"
#include "support/TempHome.h"
#include "sync/mAppointments.h"

namespace fs = std::filesystem;
using crash_test::KillHarness;
using crash_test::Outcome;
using testing_support::TempDir;

namespace {

uint32_t Seed() {
  const char* s = std::getenv("ZENTABO_KILL_SEED");
  return s ? static_cast<uint32_t>(std::strtoul(s, nullptr, 10)) : 20261207u;
}

// "YYYY-MM-DD" `days` after today: inside the window of dates the members share.
std::string Day(int days) {
  std::time_t t = std::time(nullptr) + static_cast<std::time_t>(days) * 86400;
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", std::localtime(&t));
  return text;
}

// One appointment as a folder holds it.
struct Appt {
  std::string subject;  // without the owner prefix of a shared copy
  std::string start;
  std::string end;
  bool operator==(const Appt&) const = default;
};

// A folder's appointments by item id; `doubles` lists the ids held twice.
struct Folder {
  std::string problem;  // "" when the profile opens and checks out
  std::map<std::string, Appt> byId;
  std::vector<std::string> doubles;
  int unshared = 0;  // calendar items without an item id
};

Folder ReadFolder(const fs::path& home, bool shared) {
  Folder f;
  platform::Registry reg(home);
  try {
    platform::MailSession s = platform::MailSession::Open(host::HostValue(reg, "Profile"));
    if (const std::string check = s.CheckIntegrity(); check != "ok") f.problem = check;
    platform::Folder folder = s.GetDefaultFolder(platform::olFolderCalendar);
    if (shared) {
      platform::Folders sub = folder.Folders();
      folder = {};
      for (int i = 1; i <= sub.Count(); ++i)
        if (sub.Item(i).Name() == "Zentabo") folder = sub.Item(i);
      if (!folder) return f;
    }
    for (const platform::Item& item : folder.Items().All()) {
      const std::string id = mAppointments::GetUserProperty(item, mAppointments::kItemID);
      if (id.empty()) {
        ++f.unshared;
        continue;
      }
      std::string subject = item.Subject();
      if (shared && subject.rfind("[", 0) == 0 && subject.find("] ") != std::string::npos)
        subject.erase(0, subject.find("] ") + 2);
      const Appt a{subject, item.Start().ToIso(), item.End().ToIso()};
      if (!f.byId.emplace(id, a).second) f.doubles.push_back(id + " (" + subject + ")");
    }
  } catch (const std::exception& e) {
    f.problem = e.what();
  }
  return f;
}

// The calendar items of `owner` whose subject starts with `prefix`.
std::map<std::string, Appt> Own(const Folder& calendar, const std::string& prefix) {
  std::map<std::string, Appt> own;
  for (const auto& [id, a] : calendar.byId)
    if (a.subject.rfind(prefix, 0) == 0) own.emplace(id, a);
  return own;
}

// The shared copies of the items whose subject starts with `prefix`.
std::map<std::string, Appt> CopiesOf(const Folder& shared, const std::string& prefix) {
  return Own(shared, prefix);
}

class ApptKillTest : public ::testing::Test {
 protected:
  TempDir dir;
  fs::path work = dir.Path() / "work";
  fs::path saved = dir.Path() / "saved";
  fs::path postOffice = work / "postoffice";
  KillHarness harness{ZENTABO_BINARY, Seed()};

  fs::path Home(const std::string& who) const { return work / who; }
  std::vector<std::string> Args(const std::string& who, std::vector<std::string> args) const {
    args.insert(args.begin(), {"--home", Home(who).string(), "--answer", "yes"});
    return args;
  }
  // Runs a command to its end; it must succeed.
  void Z(const std::string& who, const std::vector<std::string>& args) {
    const Outcome o = harness.Run(Args(who, args));
    ASSERT_EQ(o.exitCode, 0) << who << " " << args.front() << ": " << o.err;
  }
  void Add(const std::string& who, const std::string& subject, int day, const std::string& time) {
    Z(who, {"appt", "add", "--subject", subject, "--start", Day(day) + " " + time, "--minutes", "45", "--groups",
            "Team"});
  }
  void SyncAll(const std::vector<std::string>& who) {
    for (const std::string& w : who) Z(w, {"sync"});
  }

  // alice, bob and carol, with alice's group "Team" active at all three.
  void MakeTeam() {
    for (const std::string who : {"alice", "bob", "carol"}) {
      const Outcome o = harness.Run({"profile", "init", "--home", Home(who).string(), "--name", who, "--email",
                                     who + "@example.com", "--postoffice", postOffice.string()});
      ASSERT_EQ(o.exitCode, 0) << o.err;
    }
    Z("alice", {"group", "create", "Team"});
    Z("alice", {"member", "add", "Team", "bob@example.com", "--name", "bob"});
    Z("alice", {"member", "add", "Team", "carol@example.com", "--name", "carol"});
    SyncAll({"bob", "carol", "alice", "bob", "carol"});
  }
  void Save() { fs::copy(work, saved, fs::copy_options::recursive); }
  void Restore() {
    fs::remove_all(work);
    fs::copy(saved, work, fs::copy_options::recursive);
  }

  // Each of `owner`'s items (by subject prefix) is in `member`'s shared
  // folder once, with its content, and no other copy of his is there.
  void ExpectReached(const std::string& owner, const std::string& prefix, const std::string& member) {
    SCOPED_TRACE(owner + "'s items at " + member);
    const Folder calendar = ReadFolder(Home(owner), false);
    const Folder shared = ReadFolder(Home(member), true);
    EXPECT_EQ(shared.problem, "");
    EXPECT_TRUE(shared.doubles.empty()) << shared.doubles.front();
    EXPECT_EQ(CopiesOf(shared, prefix), Own(calendar, prefix));
  }
};

TEST_F(ApptKillTest, AnAppointmentAddKilledAnywhereReachesEveryMemberOnce) {
  MakeTeam();
  if (HasFatalFailure()) return;
  // Two changes already wait to be sent (kept in the profile and, after the
  // clean shutdown, in the work files too).
  Add("alice", "Alice 1", 1, "09:00");
  Add("alice", "Alice 2", 2, "10:00");
  Save();

  KillHarness::Loop loop;
  loop.tries = 5;
  loop.restore = [&] { Restore(); };
  loop.command = Args("alice", {"appt", "add", "--subject", "Alice 3", "--start", Day(3) + " 11:00", "--minutes",
                                "30", "--groups", "Team"});
  loop.watch = {(Home("alice") / "Profiles").string(), postOffice.string()};
  loop.afterWhole = [&] {
    ASSERT_EQ(Own(ReadFolder(Home("alice"), false), "Alice").size(), 3u);
  };
  loop.afterKill = [&](const Outcome&) {
    const Folder calendar = ReadFolder(Home("alice"), false);
    EXPECT_EQ(calendar.problem, "");
    EXPECT_TRUE(calendar.doubles.empty());
  };
  // The restart offers the local synchronisation a killed run calls for
  // (answered yes); what it finds goes with the next exchange.
  loop.recovery = Args("alice", {"sync"});
  loop.afterRecovery = [&](const Outcome&) {
    SyncAll({"alice", "bob", "carol"});
    const Folder calendar = ReadFolder(Home("alice"), false);
    EXPECT_EQ(calendar.unshared, 0);
    const size_t n = Own(calendar, "Alice").size();
    EXPECT_TRUE(n == 2 || n == 3) << n;
    ExpectReached("alice", "Alice", "bob");
    ExpectReached("alice", "Alice", "carol");
  };
  EXPECT_GT(harness.RunLoop(loop), 0);
}

TEST_F(ApptKillTest, ASyncKilledWithMailsWaitingAndSomeDeliveredTwiceAppliesAndSendsEachOnce) {
  MakeTeam();
  if (HasFatalFailure()) return;
  Add("alice", "Alice 1", 1, "09:00");
  Add("alice", "Alice 2", 1, "13:00");
  Add("alice", "Alice 3", 2, "08:30");
  // Bob's changes travel in several mails (the second add sends what the
  // first left at its shutdown), waiting in alice's mailbox; two of them
  // arrive twice (the same message under another file name).
  Add("bob", "Bob 1", 1, "15:00");
  Z("bob", {"sync"});
  Add("bob", "Bob 2", 2, "16:00");
  Add("bob", "Bob 3", 4, "17:00");
  Z("bob", {"sync"});
  if (HasFatalFailure()) return;
  const fs::path aliceNew = postOffice / "alice@example.com" / "new";
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(aliceNew)) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  ASSERT_GE(files.size(), 2u);
  for (const fs::path& f : {files.front(), files.back()})
    fs::copy_file(f, aliceNew / (f.filename().string() + "9.copy"));
  Save();

  KillHarness::Loop loop;
  loop.tries = 5;
  loop.restore = [&] { Restore(); };
  loop.command = Args("alice", {"sync"});
  loop.watch = {(Home("alice") / "Profiles").string(), postOffice.string()};
  loop.afterWhole = [&] {
    ASSERT_EQ(CopiesOf(ReadFolder(Home("alice"), true), "Bob").size(), 3u);
  };
  loop.afterKill = [&](const Outcome&) {
    const Folder shared = ReadFolder(Home("alice"), true);
    EXPECT_EQ(shared.problem, "");
    EXPECT_TRUE(shared.doubles.empty()) << shared.doubles.front();
  };
  loop.recovery = Args("alice", {"sync"});
  loop.afterRecovery = [&](const Outcome&) {
    SyncAll({"alice", "bob", "carol"});
    ASSERT_EQ(Own(ReadFolder(Home("alice"), false), "Alice").size(), 3u);
    ExpectReached("bob", "Bob", "alice");
    ExpectReached("bob", "Bob", "carol");
    ExpectReached("alice", "Alice", "bob");
    ExpectReached("alice", "Alice", "carol");
    EXPECT_TRUE(fs::is_empty(aliceNew));
  };
  EXPECT_GT(harness.RunLoop(loop), 0);
}

}  // namespace
