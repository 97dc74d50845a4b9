// Mail store benchmarks: one-transaction-per-save throughput, loading,
// look-up by a user property, a LastModificationTime restriction, and the
// cost of opening a large profile (which must not grow with the item count).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "platform/Date.h"
#include "platform/store/Folder.h"
#include "platform/store/Items.h"
#include "platform/store/MailSession.h"
#include "platform/store/StoreCore.h"
#include "platform/store/UserProperties.h"

namespace {

using platform::Date;
using platform::MailSession;

std::string TempDir() {
  char tmpl[] = "/tmp/bench_store_XXXXXX";
  return mkdtemp(tmpl);
}

const Date kBase = Date::FromParts(2026, 1, 1, 8, 0, 0);

// Fills a profile with `count` appointments (one user property each, item i
// modified i minutes after kBase) inside one transaction, to set benchmarks
// up quickly; the saves themselves are those of the Save benchmark.
void Fill(MailSession& s, int count) {
  platform::Folder cal = s.GetDefaultFolder(platform::olFolderCalendar);
  int i = 0;
  s.SetClock([&i] { return Date::FromSeconds(kBase.Seconds() + int64_t{i} * 60); });
  s.Core()->Write([&] {
    for (i = 0; i < count; ++i) {
      platform::Item it = cal.Items().Add(platform::olAppointmentItem);
      it.SetSubject("Appointment " + std::to_string(i));
      it.SetStart(Date::FromSeconds(kBase.Seconds() + int64_t{i} * 3600));
      it.UserProperties().Add("VestrandItemID").SetValue("id-" + std::to_string(i));
      it.Save();
    }
  });
  s.SetClock({});
}

// Profiles shared by the benchmarks, built once per size and removed at exit.
struct Profiles {
  std::map<int, std::string> dirs;
  ~Profiles() {
    for (auto& [n, dir] : dirs) std::filesystem::remove_all(dir);
  }
  std::string PathFor(int count) {
    auto it = dirs.find(count);
    if (it == dirs.end()) {
      std::string dir = TempDir();
      MailSession s = MailSession::Open(dir + "/profile.db");
      Fill(s, count);
      it = dirs.emplace(count, dir).first;
    }
    return it->second + "/profile.db";
  }
};
Profiles& Shared() {
  static Profiles p;
  return p;
}

void BM_Save10000Appointments(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    const std::string dir = TempDir();
    {
      MailSession s = MailSession::Open(dir + "/profile.db");
      platform::Folder cal = s.GetDefaultFolder(platform::olFolderCalendar);
      state.ResumeTiming();
      for (int i = 0; i < 10000; ++i) {
        platform::Item it = cal.Items().Add(platform::olAppointmentItem);
        it.SetSubject("Appointment " + std::to_string(i));
        it.SetStart(Date::FromSeconds(kBase.Seconds() + int64_t{i} * 3600));
        it.UserProperties().Add("VestrandItemID").SetValue("id-" + std::to_string(i));
        it.Save();
      }
      state.PauseTiming();
    }
    std::filesystem::remove_all(dir);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_Save10000Appointments)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_LoadAll10000(benchmark::State& state) {
  MailSession s = MailSession::Open(Shared().PathFor(10000));
  for (auto _ : state) {
    size_t chars = 0;
    for (const platform::Item& it : s.GetDefaultFolder(platform::olFolderCalendar).Items().All())
      chars += it.Subject().size() + it.UserProperties().Count();
    benchmark::DoNotOptimize(chars);
  }
}
BENCHMARK(BM_LoadAll10000)->Unit(benchmark::kMillisecond);

void BM_FindByUserPropertyOf100000(benchmark::State& state) {
  MailSession s = MailSession::Open(Shared().PathFor(100000));
  platform::Folder cal = s.GetDefaultFolder(platform::olFolderCalendar);
  int i = 0;
  for (auto _ : state) {
    auto found = s.FindByUserProperty(cal, "VestrandItemID", "id-" + std::to_string((i++ * 7919) % 100000));
    if (found.size() != 1) state.SkipWithError("not found");
    benchmark::DoNotOptimize(found);
  }
}
BENCHMARK(BM_FindByUserPropertyOf100000)->Unit(benchmark::kMicrosecond);

void BM_RestrictLastModificationOf100000(benchmark::State& state) {
  MailSession s = MailSession::Open(Shared().PathFor(100000));
  platform::Folder cal = s.GetDefaultFolder(platform::olFolderCalendar);
  // A two-hour window: 121 items modified a minute apart.
  const Date from = kBase.Add("d", 30);
  const std::string filter = "[MessageClass] = \"IPM.Appointment\" And [LastModificationTime] >= \"" +
                             from.ToShortText() + "\" And [LastModificationTime] <= \"" +
                             from.Add("h", 2).ToShortText() + "\"";
  for (auto _ : state) {
    platform::Items items = cal.Items().Restrict(filter);
    int n = items.Count();
    if (n != 121) state.SkipWithError("wrong count");
    benchmark::DoNotOptimize(items.Item(n).EntryID());
  }
}
BENCHMARK(BM_RestrictLastModificationOf100000)->Unit(benchmark::kMicrosecond);

void BM_OpenProfile(benchmark::State& state) {
  const std::string path = Shared().PathFor(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    MailSession s = MailSession::Open(path);
    benchmark::DoNotOptimize(s.GetDefaultFolder(platform::olFolderCalendar).EntryID());
  }
}
BENCHMARK(BM_OpenProfile)->Arg(1)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace
