// Mail store benchmarks: one-transaction-per-save throughput, loading,
// look-up by a user property (directly and through the safe-item library's
// table search), a LastModificationTime restriction, the cost of opening a
// large profile (which must not grow with the item count), the Items(i)+Save
// loop over a restricted collection (which must stay linear), and the sharing
// engine's delivery of the events of many saves.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Date.h"
#include "platform/EventLoop.h"
#include "platform/Registry.h"
#include "platform/engine/LoomcastEngine.h"
#include "platform/redemption/Library.h"
#include "platform/redemption/MAPITable.h"
#include "platform/redemption/MapiProps.h"
#include "platform/redemption/SafeItems.h"
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

// The safe-item library's table search as the add-in runs it: message class
// AND a user property's value, answered through the user-property index.
void BM_MAPITableSearchOf100000(benchmark::State& state) {
  MailSession s = MailSession::Open(Shared().PathFor(100000));
  platform::Folder cal = s.GetDefaultFolder(platform::olFolderCalendar);
  Redemption::SetRegistered(true);
  const long tag = Redemption::ResolveNamedProp(Redemption::PS_PUBLIC_STRINGS, "VestrandItemID", false) |
                   Redemption::PT_STRING8;
  int i = 0;
  for (auto _ : state) {
    Redemption::MAPITable table;
    table.Item(cal.Items());
    Redemption::Restriction& root = table.Filter().SetKind(Redemption::RES_AND);
    Redemption::Restriction& cls = root.Add(Redemption::RES_PROPERTY);
    cls.ulPropTag = Redemption::PR_MESSAGE_CLASS;
    cls.lpProp = std::string("IPM.Appointment");
    Redemption::Restriction& id = root.Add(Redemption::RES_PROPERTY);
    id.ulPropTag = tag;
    id.lpProp = "id-" + std::to_string((i++ * 7919) % 100000);
    table.Columns({Redemption::PR_ENTRYID});
    table.Filter().Restrict();
    if (table.RowCount() != 1) state.SkipWithError("not found");
    benchmark::DoNotOptimize(table.GetRow());
  }
  Redemption::ResetRegistration();
}
BENCHMARK(BM_MAPITableSearchOf100000)->Unit(benchmark::kMicrosecond);

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

// The synchronisation passes walk a restricted collection by index and save
// each item; a save that does not touch the restriction's column must not
// make the collection list itself again.
void BM_RestrictedItemSaveLoop(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  MailSession s = MailSession::Open(Shared().PathFor(count));
  platform::Folder cal = s.GetDefaultFolder(platform::olFolderCalendar);
  int round = 0;
  for (auto _ : state) {
    platform::Items items = cal.Items().Restrict("[MessageClass] = \"IPM.Appointment\"");
    const std::string value = "G" + std::to_string(++round);
    for (int i = 1; i <= items.Count(); ++i) {
      platform::Item it = items.Item(i);
      it.UserProperties().Find("VestrandItemID").SetValue(value + std::to_string(i));
      it.Save();
    }
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_RestrictedItemSaveLoop)->Arg(2500)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(2);

// Counts what the engine hands over.
class CountingExt : public platform::loomcast::ILoomcastExt {
 public:
  explicit CountingExt(std::string db) : db_(std::move(db)) {}
  void onItemAdded(const platform::loomcast::LoomcastItem&, bool& ignore) override { Count(ignore); }
  void onItemChanged(const platform::loomcast::LoomcastItem&, bool& ignore) override { Count(ignore); }
  void onItemDeleted(const platform::loomcast::LoomcastItem&, bool& ignore) override { Count(ignore); }
  void onFolderReceived(const platform::loomcast::LoomcastFolder&, const std::string&) override {}
  void onItemReceived(const platform::loomcast::LoomcastItem&, const std::string&, bool&) override {}
  void onItemResend(const platform::loomcast::LoomcastItem&, const std::string&, bool&) override {}
  void onPostprocess(const std::string&, const std::string&) override {}
  void DatabasePath(std::string& path) override { path = db_; }
  void ProductCode(std::string& code) override { code = "BENCH"; }
  int events = 0;

 private:
  void Count(bool& ignore) {
    ignore = true;
    ++events;
  }
  std::string db_;
};

// 10,000 saves of calendar items (paused), then the delivery of their
// 10,000 change events to the extension through the event loop (timed).
void BM_EngineDeliver10000SaveEvents(benchmark::State& state) {
  const std::string dir = TempDir();
  {
    platform::VirtualClock clock;
    platform::EventLoop loop(clock);
    platform::Registry reg(dir);
    MailSession s = MailSession::Open(dir + "/profile.db", [&loop](std::function<void()> fn) { loop.Post(std::move(fn)); });
    platform::loomcast::LoomcastEngine engine(s, loop, reg);
    CountingExt ext(dir + "/loomcast.mdb");
    engine.SetExtension(&ext);
    platform::Folder cal = s.GetDefaultFolder(platform::olFolderCalendar);
    platform::loomcast::LoomcastFolder watched = engine.GetFolder(cal.EntryID(), cal.StoreID());
    std::vector<platform::Item> items;
    for (int i = 0; i < 100; ++i) {
      items.push_back(cal.Items().Add(platform::olAppointmentItem));
      items.back().Save();
    }
    engine.DrainEvents();
    for (auto _ : state) {
      state.PauseTiming();
      ext.events = 0;
      for (int i = 0; i < 10000; ++i) {
        platform::Item& it = items[static_cast<size_t>(i % 100)];
        it.SetLocation("room " + std::to_string(i));
        it.Save();
      }
      state.ResumeTiming();
      engine.DrainEvents();
      if (ext.events != 10000) state.SkipWithError("events lost");
    }
  }
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_EngineDeliver10000SaveEvents)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
