// The timer host on the virtual clock: one-shot restarts, the periodic
// exchange, the safe timer around nested pumps and the start-up follow-up.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "addin/frmShablon.h"
#include "diagnostics/CDebug.h"
#include "support/TempHome.h"

namespace {

// Records what the form calls, with the virtual time, and answers its
// questions from plain fields.
struct Harness : ITimerHost {
  platform::VirtualClock clock{platform::Date::FromParts(2026, 12, 5, 9, 0, 0)};
  platform::EventLoop loop{clock};
  std::vector<std::pair<std::string, int64_t>> calls;  // what ran, and when
  long period = 5;
  bool autoSynch = true;
  bool fastSynch = true;
  bool folderCreated = false, firstRun = false, needLocalSync = false, answerYes = false, receivers = false;
  std::function<void()> duringFastSync;
  std::unique_ptr<frmShablon> form;

  Harness() { form = std::make_unique<frmShablon>(loop, *this); }

  void Rec(const char* what) { calls.emplace_back(what, clock.MonotonicMs()); }
  void Syncronize(bool) override { Rec("Syncronize"); }
  void OnNewMails() override { Rec("OnNewMails"); }
  void LocalSynchronization() override {
    Rec("LocalSynchronization");
    needLocalSync = false;
  }
  void FastLocalSynchronization() override {
    Rec("FastLocalSynchronization");
    if (duringFastSync) duringFastSync();
  }
  void DeleteFolders() override { Rec("DeleteFolders"); }
  void OnSafeTimer() override { Rec("OnSafeTimer"); }
  bool FolderCreatedThisStart() override { return folderCreated; }
  bool FirstRunOnStore() override { return firstRun; }
  bool HasReceivers() override { return receivers; }
  bool NeedLocalSync() override { return needLocalSync; }
  void SetNeedLocalSync() override { needLocalSync = true; }
  void ShowNeedGlobalSync() override { Rec("frmNeedGlobalSync"); }
  bool AskNeedLocalSync() override {
    Rec("frmNeedLocalSync");
    return answerYes;
  }
  bool AutoGSynchEnable() override { return autoSynch; }
  long AutoGSynchPeriod() override { return period; }
  bool FastSynchOn() override { return fastSynch; }
  bool LogEvents() override { return false; }
  int Count(const std::string& what) const {
    int n = 0;
    for (auto& c : calls) n += c.first == what;
    return n;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> v;
    for (auto& c : calls) v.push_back(c.first);
    return v;
  }
};

}  // namespace

TEST(frmShablon, BurstOfNewMailsGivesOneRunAfterTheLast) {
  Harness h;
  for (int i = 0; i < 10; ++i) {
    h.form->RestartNewMailsTimer();
    h.loop.RunFor(500);
  }
  EXPECT_EQ(h.Count("OnNewMails"), 0);
  int64_t last = h.clock.MonotonicMs() - 500;
  h.loop.RunFor(5000);
  ASSERT_EQ(h.Count("OnNewMails"), 1);
  EXPECT_EQ(h.calls[0].second - last, 1905);
}

TEST(frmShablon, ExchangeRunsEveryPeriodMinutes) {
  Harness h;
  h.period = 2;
  h.form->StartTimers(false);
  h.loop.RunFor(6 * 60000 + 10);
  std::vector<int64_t> at;
  for (auto& c : h.calls)
    if (c.first == "Syncronize") at.push_back(c.second);
  EXPECT_EQ(at, (std::vector<int64_t>{120000, 240000, 360000}));

  Harness off;
  off.autoSynch = false;
  off.form->StartTimers(false);
  off.loop.RunFor(11 * 60000);
  EXPECT_EQ(off.Count("Syncronize"), 0);
}

TEST(frmShablon, SafeTimerWaitsForThePumpToEnd) {
  Harness h;
  bool firedInPump = false;
  h.loop.Post([&] {
    h.form->SafeTimerDoCmd(0);
    h.clock.Advance(10);
  });
  // The pump runs the posted start while the pump flag is up.
  h.loop.Post([&] { firedInPump = h.Count("OnSafeTimer") > 0; });
  h.form->SafeDoEvents();
  h.form->SafeDoEvents();
  EXPECT_FALSE(firedInPump);
  EXPECT_TRUE(h.form->IsTimerEnabled("tmrSafeTimer"));
  h.loop.RunFor(5);
  EXPECT_EQ(h.Count("OnSafeTimer"), 1);
}

TEST(frmShablon, InvalidSafeTimerCommandOnlyLogs) {
  testing_support::TempDir dir;
  CDebug debug((dir.Path() / "install").string(), (dir.Path() / "appdata").string());
  SetGlobalDebug(&debug);
  Harness h;
  h.form->SafeTimerDoCmd(7);
  EXPECT_FALSE(h.form->IsTimerEnabled("tmrSafeTimer"));
  SetGlobalDebug(nullptr);
  std::ifstream in(dir.Path() / "appdata" / "zentab.err");
  std::stringstream s;
  s << in.rdbuf();
  EXPECT_NE(s.str().find("Invalid command = 7"), std::string::npos);
}

TEST(frmShablon, StartUpFollowUp) {
  {
    Harness created;  // the folder was created now: synchronise without asking
    created.folderCreated = true;
    created.receivers = true;
    created.form->StartTimers(false);
    created.loop.RunFor(600);
    EXPECT_EQ(created.Names(),
              (std::vector<std::string>{"LocalSynchronization", "frmNeedGlobalSync", "OnNewMails"}));
  }
  {
    Harness firstOnStore;  // the folder existed: ask, and No keeps the question for next time
    firstOnStore.firstRun = true;
    firstOnStore.form->StartTimers(false);
    firstOnStore.loop.RunFor(600);
    EXPECT_EQ(firstOnStore.Names(), (std::vector<std::string>{"frmNeedLocalSync", "OnNewMails"}));
    EXPECT_TRUE(firstOnStore.needLocalSync);
  }
  {
    Harness yes;
    yes.needLocalSync = true;
    yes.answerYes = true;
    yes.form->StartTimers(false);
    yes.loop.RunFor(499);
    EXPECT_TRUE(yes.calls.empty());
    yes.loop.RunFor(1);
    EXPECT_EQ(yes.Names(), (std::vector<std::string>{"frmNeedLocalSync", "LocalSynchronization", "OnNewMails"}));
  }
}

TEST(frmShablon, KillTimersStopsEverything) {
  Harness h;
  h.form->StartTimers(false);
  h.form->RestartNewMailsTimer();
  h.form->KillTimers();
  h.form->KillTimers();
  h.loop.RunFor(10 * 60000);
  EXPECT_TRUE(h.calls.empty());
}

TEST(frmShablon, APumpInsideAPumpRestoresTheOuterState) {
  Harness h;
  std::vector<bool> seen;
  h.loop.Post([&] {
    seen.push_back(h.form->InSafeDoEvents());
    h.loop.Post([&] { h.form->SafeTimerDoCmd(0); });  // started inside the inner pump
    h.form->SafeDoEvents();
    seen.push_back(h.form->InSafeDoEvents());  // back in the outer pump
  });
  h.form->SafeDoEvents();
  EXPECT_EQ(seen, (std::vector<bool>{true, true}));
  EXPECT_FALSE(h.form->InSafeDoEvents());
  // The safe timer held back in the pumps runs once they have both ended.
  h.loop.RunFor(5);
  EXPECT_EQ(h.Count("OnSafeTimer"), 1);
}

TEST(frmShablon, FastSynchronisationFollowsItsSwitchAndPausesWhileItRuns) {
  Harness h;
  std::vector<bool> enabledDuringRun;
  h.duringFastSync = [&] { enabledDuringRun.push_back(h.form->IsTimerEnabled("fastSynchTimer")); };
  h.form->StartTimers(false);
  EXPECT_FALSE(h.form->IsTimerEnabled("fastSynchTimer"));
  h.form->ApplyOptions();
  EXPECT_TRUE(h.form->IsTimerEnabled("fastSynchTimer"));
  h.loop.RunFor(60000);
  EXPECT_EQ(h.Count("FastLocalSynchronization"), 1);
  EXPECT_EQ(enabledDuringRun, std::vector<bool>{false}) << "a long run cannot start again meanwhile";
  EXPECT_TRUE(h.form->IsTimerEnabled("fastSynchTimer"));

  // Switched off in the options: the timer stops...
  h.fastSynch = false;
  h.form->ApplyOptions();
  EXPECT_FALSE(h.form->IsTimerEnabled("fastSynchTimer"));
  h.loop.RunFor(5 * 60000);
  EXPECT_EQ(h.Count("FastLocalSynchronization"), 1);
  // ...and a tick that finds the switch off does nothing.
  h.form->SetFastSynchEnabled(true);
  h.loop.RunFor(60000);
  EXPECT_EQ(h.Count("FastLocalSynchronization"), 1);
}
