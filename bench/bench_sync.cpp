// The add-in's handling of a burst of the user's new calendar items: each is
// given its identity, copied to the shared folder and queued for sending,
// through the real sharing engine. Beside it, the floor: the same number of
// plain saves of new items.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <memory>

#include "diagnostics/CDebug.h"
#include "options/mOptions.h"
#include "platform/Clock.h"
#include "platform/EventLoop.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "platform/engine/LoomcastEngine.h"
#include "platform/redemption/Library.h"
#include "platform/redemption/RDOSession.h"
#include "platform/store/Folders.h"
#include "platform/store/Items.h"
#include "platform/store/MailSession.h"
#include "sync/CJournal.h"
#include "sync/CLoomcastEvents.h"
#include "sync/CSyncContext.h"

namespace {

// A fresh temporary folder, removed with its contents at the end.
struct ScratchDir {
  std::filesystem::path path;
  ScratchDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "zentabo-bench-sync-XXXXXX").string();
    path = mkdtemp(tmpl.data());
  }
  ~ScratchDir() { std::filesystem::remove_all(path); }
  const std::filesystem::path& Path() const { return path; }
};

struct World {
  ScratchDir dir;
  platform::VirtualClock clock{platform::Date::FromParts(2026, 12, 5, 9, 0)};
  platform::EventLoop loop{clock};
  platform::System system{dir.Path() / "home", dir.Path() / "install"};
  platform::Registry registry{dir.Path() / "home"};
  platform::MailSession session = platform::MailSession::Open(
      (dir.Path() / "profile.db").string(), [this](std::function<void()> fn) { loop.Post(std::move(fn)); });
  std::unique_ptr<Redemption::RDOSession> rdo;
  std::unique_ptr<platform::loomcast::LoomcastEngine> engine;
  std::unique_ptr<CLoomcastEvents> events;
  CJournal journal;
  CSyncContext ctx;

  World() {
    Redemption::SetRegistered(true);
    rdo = std::make_unique<Redemption::RDOSession>(session, Redemption::MailSender());
    rdo->Logon();
    engine = std::make_unique<platform::loomcast::LoomcastEngine>(session, loop, registry);
    platform::Folder calendar = session.GetDefaultFolder(platform::olFolderCalendar);
    ctx.pSession = &session;
    ctx.pRdo = rdo.get();
    ctx.pSystem = &system;
    ctx.strMe = "alice@example.org";
    ctx.strOutlookMajor = "10";
    ctx.fldCalendar = calendar;
    ctx.fldZentab = calendar.Folders().Add("Zentabo", platform::olFolderCalendar);
    ctx.fldInbox = session.GetDefaultFolder(platform::olFolderInbox);
    ctx.fldSentItems = session.GetDefaultFolder(platform::olFolderSentMail);
    ctx.fldDeletedItems = session.GetDefaultFolder(platform::olFolderDeletedItems);
    ctx.dSyncStart = platform::Date::FromParts(2026, 12, 1);
    ctx.dSyncEnd = platform::Date::FromParts(2027, 2, 1);
    ctx.pJournal = &journal;
    ctx.Post = [this](std::function<void()> fn) { loop.Post(std::move(fn)); };
    SetGlobalSync(&ctx);
    mOptions::g_Options() = {};
    events = std::make_unique<CLoomcastEvents>(*engine, registry, system, CLoomcastEvents::LogSwitches{});
    engine->SetExtension(events.get());
    ctx.pEvents = events.get();
    events->InitFolderHandlers();
    loop.DrainMessages();
  }
  ~World() {
    SetGlobalSync(nullptr);
    engine->SetExtension(nullptr);
    Redemption::ResetRegistration();
  }
  // `n` new appointments saved in one transaction, as an import does.
  void AddAppointments(int n) {
    platform::Items items = ctx.fldCalendar.Items();
    session.Batch([&] {
      for (int i = 0; i < n; ++i) {
        platform::Item item = items.Add(platform::olAppointmentItem);
        item.SetSubject("Appointment " + std::to_string(i));
        item.SetStart(platform::Date::FromParts(2026, 12, 10, 10, 0));
        item.SetEnd(platform::Date::FromParts(2026, 12, 10, 11, 0));
        item.Save();
      }
    });
  }
};

void BM_ShareNewCalendarItems(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    World w;
    w.AddAppointments(n);
    state.ResumeTiming();
    w.loop.DrainMessages();
    state.PauseTiming();
    if (w.ctx.colPending.Count() != static_cast<size_t>(n)) state.SkipWithError("not every item was queued");
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ShareNewCalendarItems)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

// The floor: as many new items saved in one transaction.
void BM_ShareNewCalendarItemsFloor(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    World w;
    w.engine->SetExtension(nullptr);
    state.ResumeTiming();
    w.AddAppointments(n);
  }
}
BENCHMARK(BM_ShareNewCalendarItemsFloor)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
