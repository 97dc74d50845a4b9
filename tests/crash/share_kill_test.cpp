// kill -9 while the add-in shares a user's new appointments: a share is made
// whole or not at all (the calendar item, its copy and their links), and a
// local synchronisation afterwards leaves every item with exactly one copy.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

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
using testing_support::TempHome;

namespace {

uint32_t Seed() {
  const char* s = std::getenv("ZENTABO_KILL_SEED");
  return s ? static_cast<uint32_t>(std::strtoul(s, nullptr, 10)) : 20261206u;
}

// The calendar and the shared folder as the next start finds them.
struct Shares {
  std::string problem;  // "" when the profile opens and checks out
  int calendar = 0;     // appointments in the calendar
  int unshared = 0;     // ... of them without an item id
  int copies = 0;       // appointments in the shared folder
  int broken = 0;       // shared items whose twin is missing or does not point back
};

Shares ReadShares(const fs::path& home) {
  using mAppointments::GetUserProperty;
  Shares st;
  platform::Registry reg(home);
  try {
    platform::MailSession s = platform::MailSession::Open(host::HostValue(reg, "Profile"));
    if (const std::string check = s.CheckIntegrity(); check != "ok") st.problem = check;
    const platform::Folder calendar = s.GetDefaultFolder(platform::olFolderCalendar);
    platform::Folder zentab;
    platform::Folders sub = calendar.Folders();
    for (int i = 1; i <= sub.Count(); ++i)
      if (sub.Item(i).Name() == "Zentabo") zentab = sub.Item(i);
    auto linked = [&](const platform::Item& item) {
      try {
        const platform::Item twin = s.GetItemFromID(GetUserProperty(item, mAppointments::kReferID));
        return GetUserProperty(twin, mAppointments::kReferID) == item.EntryID() &&
               GetUserProperty(twin, mAppointments::kItemID) == GetUserProperty(item, mAppointments::kItemID);
      } catch (...) {
        return false;
      }
    };
    for (const platform::Item& item : calendar.Items().All()) {
      ++st.calendar;
      if (GetUserProperty(item, mAppointments::kItemID).empty())
        ++st.unshared;
      else if (!linked(item))
        ++st.broken;
    }
    if (zentab)
      for (const platform::Item& item : zentab.Items().All()) {
        ++st.copies;
        if (!linked(item)) ++st.broken;
      }
  } catch (const std::exception& e) {
    st.problem = e.what();
  }
  return st;
}

}  // namespace

TEST(ShareKill, AShareIsWholeOrNotMadeAndTheLocalSyncCompletesThem) {
  TempDir dir;
  const fs::path work = dir.Path() / "work", saved = dir.Path() / "saved";
  const int n = 300;
  {
    TempHome alice(work, "alice", "alice@example.com");
    alice.Open().Start();  // the shared folder exists from the first start
  }
  {
    std::ofstream json(work / "items.json");
    json << "[";
    for (int i = 0; i < n; ++i)
      json << (i ? "," : "") << "{\"subject\":\"Item " << i << "\",\"start\":\"2026-12-" << (10 + i % 15)
           << " 10:00\",\"end\":\"2026-12-" << (10 + i % 15) << " 11:00\"}";
    json << "]";
  }
  fs::copy(work, saved, fs::copy_options::recursive);
  const fs::path home = work / "alice";

  KillHarness harness(ZENTABO_BINARY, Seed());
  KillHarness::Loop loop;
  loop.tries = 5;
  loop.restore = [&] {
    fs::remove_all(work);
    fs::copy(saved, work, fs::copy_options::recursive);
  };
  loop.command = {"--home", home.string(), "--answer", "no", "appt", "import", (work / "items.json").string()};
  loop.watch = {(home / "Profiles").string()};
  loop.afterWhole = [&] {
    const Shares st = ReadShares(home);
    ASSERT_EQ(st.problem, "");
    ASSERT_EQ(st.calendar, n);
    ASSERT_EQ(st.copies, n);
    ASSERT_EQ(st.unshared + st.broken, 0);
  };
  loop.afterKill = [&](const Outcome&) {
    const Shares st = ReadShares(home);
    EXPECT_EQ(st.problem, "");
    EXPECT_EQ(st.broken, 0) << "a half-made share";
    EXPECT_EQ(st.copies, st.calendar - st.unshared);
  };
  loop.recovery = {"--home", home.string(), "--answer", "no", "localsync"};
  loop.afterRecovery = [&](const Outcome&) {
    const Shares st = ReadShares(home);
    EXPECT_EQ(st.problem, "");
    EXPECT_TRUE(st.calendar == 0 || st.calendar == n) << "the import is one transaction";
    EXPECT_EQ(st.unshared, 0);
    EXPECT_EQ(st.broken, 0);
    EXPECT_EQ(st.copies, st.calendar);
  };
  EXPECT_GT(harness.RunLoop(loop), 0);
}
