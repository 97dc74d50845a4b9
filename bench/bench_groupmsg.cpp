// Processing one batch of 1,000 group-message mails: discovery in the Inbox,
// reading each mail's attachment, ordering, applying, deleting every mail and
// saving the groups once. The messages are renames of one member that name
// every member as reached, so nothing is passed on and only the receiving
// side is measured.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/redemption/Library.h"
#include "platform/redemption/RDOSession.h"
#include "lang/CLang.h"
#include "platform/Clock.h"
#include "diagnostics/CDebug.h"
#include "exchange/mMain.h"
#include "groups/CGroups.h"
#include "groups/mProcessMsg.h"
#include "platform/Registry.h"
#include "platform/SettingsStore.h"
#include "platform/System.h"
#include "platform/UnattendedPrompt.h"
#include "platform/store/Attachments.h"
#include "platform/store/Items.h"
#include "platform/store/MailSession.h"

namespace fs = std::filesystem;

namespace {

constexpr int kBatch = 1000;

std::string RenameText(int i) {
  char time[32];
  std::snprintf(time, sizeof time, "20060213.14%04d%03d", kBatch - i, i % 1000);  // reverse of arrival
  return std::string("msg.version = 3.1\r\nmsg.time = ") + time +
         "\r\nmsg.type = msg.broadcast.modifiedname\r\ngroup.key = 64522606-20060213141359\r\n"
         "member.key = 22222222-20060213141359\r\nmember.newname = Carol " +
         std::to_string(i) +
         "\r\nrecipient.key = 01234567-20060213141359\r\nrecipient.key = 11111111-20060213141359\r\n"
         "recipient.key = 22222222-20060213141359\r\n";
}

void BM_ProcessGroupMailBatch(benchmark::State& state) {
  const fs::path home = fs::temp_directory_path() / ("zentabo-bench-groupmsg-" + std::to_string(getpid()));
  fs::remove_all(home);
  fs::create_directories(home);
  CDebug debug(home.string(), "");
  debug.UseSupportLog(false);
  SetGlobalDebug(&debug);
  {
    platform::Registry registry(home);
    platform::SettingsStore settings(registry);
    platform::System system(home, home);
    platform::MailSession session = platform::MailSession::Open((home / "profile.db").string());
    session.SetCurrentUser("Bob", "bob@example.org");
    Redemption::SetRegistered(true);
    Redemption::RDOSession rdo(session, [](const platform::Item&) {});
    rdo.Logon();
    platform::UnattendedPrompt prompt;
    platform::RealClock clock;
    CLang lang(system.InstallDir().string());

    mMain::MailEnv mail(rdo, system, registry, clock, lang);
    CGroupsEnv genv;
    genv.strCurEmail = "bob@example.org";
    genv.strCurName = "Bob";
    genv.pStore = &settings;
    genv.strStoreKey = session.StoreKey();
    genv.pPrompt = &prompt;
    CGroups groups(genv);
    auto team = std::make_shared<CGroup>();
    team->strKey = "64522606-20060213141359";
    team->strName = "Team";
    const char* members[][3] = {{"01234567-20060213141359", "Alice", "alice@example.org"},
                                {"11111111-20060213141359", "Bob", "bob@example.org"},
                                {"22222222-20060213141359", "Carol", "carol@example.org"}};
    for (const auto& m : members) {
      auto member = std::make_shared<CMember>();
      member->strKey = m[0];
      member->strName = m[1];
      member->strEmail = m[2];
      member->bShare = true;
      member->IsMySelf = std::string(m[1]) == "Bob";
      member->nRole = std::string(m[1]) == "Alice" ? ROLE_MANAGER : ROLE_MEMBER;
      team->Add(member);
    }
    groups.Add(team);
    mOptions::Options options;
    mProcessMsg::ProcessEnv penv(groups, mail, options);

    const platform::Folder inbox = session.GetDefaultFolder(platform::olFolderInbox);
    for (auto _ : state) {
      state.PauseTiming();
      for (int i = 0; i < kBatch; ++i) {
        platform::Item item = inbox.Items().Add(platform::olMailItem);
        item.SetSubject(mEnvelope::kGroupMarker);
        item.SetBody("Group message\r\n\r\nCompatibilityVersionMin:2.60.0000\r\nCompatibilityVersionMax:3.99.9999\r\n");
        const std::string text = RenameText(i);
        item.Attachments().AddData("Attach.txt", platform::Bytes(text.begin(), text.end()), 1, "ZTB");
        item.Save();
      }
      state.ResumeTiming();
      const bool changed = mProcessMsg::OnNewMails(penv);
      benchmark::DoNotOptimize(changed);
      state.PauseTiming();
      if (inbox.Items().Count() != 0 || team->Find("22222222-20060213141359")->strName != "Carol 0")
        state.SkipWithError("the batch was not processed completely");
      state.ResumeTiming();
    }
    state.counters["mails"] = kBatch;
  }
  SetGlobalDebug(nullptr);
  fs::remove_all(home);
}

BENCHMARK(BM_ProcessGroupMailBatch)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
