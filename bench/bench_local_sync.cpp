// Local synchronisation of a large calendar with nothing to repair: 50,000
// shared calendar items and their 50,000 copies, every link and billing
// block in place. The pass is timed beside its floor, a bare scan reading
// the item id of every row of both folders, in the same run; the counter
// "ratio" is pass / floor (the target is 2 or less). And the pass that
// shares a calendar of 10,000 items never shared (a shared folder just
// created), its repairs committed in batches.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "groups/CGroups.h"
#include "platform/Date.h"
#include "platform/store/Folder.h"
#include "platform/store/Folders.h"
#include "platform/store/Items.h"
#include "platform/store/MailSession.h"
#include "platform/store/StoreCore.h"
#include "sync/CSyncContext.h"
#include "sync/mAppointments.h"
#include "sync/mLocalSync.h"

namespace {

using platform::Date;
using platform::MailSession;

constexpr int kItems = 50000;
const std::string kMe = "alice@example.org";
const Date kBase = Date::FromParts(2026, 1, 1, 8, 0, 0);
constexpr const char* kFilter = "[MessageClass] = \"IPM.Appointment\"";

// A profile holding kItems calendar items shared with "Team", each with its
// linked copy in the shared folder, as the add-in leaves them; built once in
// one transaction.
class SharedCalendar {
 public:
  SharedCalendar() {
    char tmpl[] = "/tmp/bench_localsync_XXXXXX";
    m_dir = mkdtemp(tmpl);
    MailSession s = MailSession::Open(m_dir + "/profile.db");
    platform::Folder cal = s.GetDefaultFolder(platform::olFolderCalendar);
    platform::Folder zentab = cal.Folders().Add("Zentabo", platform::olFolderCalendar);
    s.Core()->Write([&] {
      for (int i = 0; i < kItems; ++i) {
        platform::Item item = cal.Items().Add(platform::olAppointmentItem);
        item.SetSubject("Appointment " + std::to_string(i));
        item.SetStart(Date::FromSeconds(kBase.Seconds() + int64_t{i} * 3600));
        item.SetDuration(30);
        const std::string id = std::to_string(10000000 + i) + "-20260101080000";
        mAppointments::SetUserProperty(item, mAppointments::kOwnerAddress, kMe, false);
        mAppointments::SetUserProperty(item, mAppointments::kItemID, id, false);
        mAppointments::SetUserProperty(item, mAppointments::kGroups, "Team", false);
        mAppointments::SetUserProperty(item, mAppointments::kShamMeeting, "0", false);
        item.Save();
        platform::Item copy = item.CopyTo(zentab);
        mAppointments::SetUserProperty(item, mAppointments::kReferID, copy.EntryID(), false);
        mAppointments::SetUserProperty(copy, mAppointments::kReferID, item.EntryID(), false);
        mAppointments::SetBillInfo(item, kMe, "0", "Team", "", ",");
        mAppointments::SetBillInfo(copy, kMe, "0", "Team", "", ",");
      }
    });
  }
  ~SharedCalendar() { std::filesystem::remove_all(m_dir); }
  std::string Path() const { return m_dir + "/profile.db"; }

 private:
  std::string m_dir;
};

double Seconds(std::chrono::steady_clock::time_point from) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

// The floor: every row of both folders listed and its item id read.
size_t ScanRows(const platform::Folder& cal, const platform::Folder& zentab) {
  size_t chars = 0;
  for (const platform::Folder& f : {cal, zentab})
    for (const platform::Item& item : f.Items().Restrict(kFilter).All())
      chars += mAppointments::GetUserProperty(item, mAppointments::kItemID).size();
  return chars;
}

void BM_LocalSyncNothingChanged50000(benchmark::State& state) {
  static SharedCalendar profile;
  MailSession s = MailSession::Open(profile.Path());
  CGroupsEnv genv;
  genv.strCurEmail = kMe;
  CGroups groups(genv);
  groups.Add(groups.CreateMyGroup("Team"));

  CSyncContext ctx;
  ctx.pSession = &s;
  ctx.pGroups = &groups;
  ctx.strMe = kMe;
  ctx.strOutlookMajor = "10";
  ctx.fldCalendar = s.GetDefaultFolder(platform::olFolderCalendar);
  ctx.fldZentab = ctx.fldCalendar.Folders().Item("Zentabo");
  ctx.fldDeletedItems = s.GetDefaultFolder(platform::olFolderDeletedItems);
  SetGlobalSync(&ctx);

  double floor = 0, pass = 0;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(ScanRows(ctx.fldCalendar, ctx.fldZentab));
    floor += Seconds(t0);
    t0 = std::chrono::steady_clock::now();
    const bool completed = mAppointments::LocalSynchronization();
    const double took = Seconds(t0);
    pass += took;
    state.SetIterationTime(took);
    if (!completed || ctx.colPending.Count() != 0) state.SkipWithError("the pass found something to repair");
  }
  SetGlobalSync(nullptr);
  state.counters["floor_ms"] = floor * 1000 / state.iterations();
  state.counters["ratio"] = pass / floor;
}
BENCHMARK(BM_LocalSyncNothingChanged50000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// Sharing a calendar of 10,000 items that was never shared: the clean pass
// of a shared folder just created.
void BM_LocalSyncShareAll10000(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    char tmpl[] = "/tmp/bench_localsync_XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    {
      MailSession s = MailSession::Open(dir + "/profile.db");
      platform::Folder cal = s.GetDefaultFolder(platform::olFolderCalendar);
      s.Batch([&] {
        for (int i = 0; i < 10000; ++i) {
          platform::Item item = cal.Items().Add(platform::olAppointmentItem);
          item.SetSubject("Appointment " + std::to_string(i));
          item.SetStart(Date::FromSeconds(kBase.Seconds() + int64_t{i} * 3600));
          item.Save();
        }
      });
      CGroupsEnv genv;
      genv.strCurEmail = kMe;
      CGroups groups(genv);
      CSyncContext ctx;
      ctx.pSession = &s;
      ctx.pGroups = &groups;
      ctx.strMe = kMe;
      ctx.strOutlookMajor = "10";
      ctx.fldCalendar = cal;
      ctx.fldZentab = cal.Folders().Add("Zentabo", platform::olFolderCalendar);
      ctx.bCleanMode = true;
      SetGlobalSync(&ctx);
      state.ResumeTiming();
      if (!mAppointments::LocalSynchronization()) state.SkipWithError("not completed");
      state.PauseTiming();
      SetGlobalSync(nullptr);
    }
    std::filesystem::remove_all(dir);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_LocalSyncShareAll10000)->Unit(benchmark::kMillisecond)->Iterations(1);
}  // namespace
