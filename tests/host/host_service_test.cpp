// Commands sent to a running host: what travels over the socket, and the
// command code run on a running add-in (a session of the test's own) rather
// than on one it opens itself.
#include <gtest/gtest.h>

#include <sstream>

#include "groups/CGroups.h"
#include "host/CommandRun.h"
#include "host/Commands.h"
#include "host/HostService.h"
#include "host/PromptSwitch.h"
#include "platform/Error.h"
#include "support/TempHome.h"

namespace {

TEST(HostRequest, EveryFieldSurvivesTheTrip) {
  const std::vector<host::HostRequest> cases = {
      {"/home/u", "yes", false, {"--home", "/h", "status"}},
      {"/a b/c", "ask", true, {"appt", "add", "--subject", "two words", "--body", "line 1\nline 2", "--location", ""}},
      {"/", "default", false, {}},
      {"/tmp", "no", false, {"member", "rename", "Team", "bob@example.com", "Bj\xc3\xb6rn"}},
  };
  for (const host::HostRequest& want : cases) {
    host::HostRequest got = host::DecodeRequest(host::EncodeRequest(want));
    EXPECT_EQ(got.cwd, want.cwd);
    EXPECT_EQ(got.answer, want.answer);
    EXPECT_EQ(got.noSafeItems, want.noSafeItems);
    EXPECT_EQ(got.args, want.args);
  }
}

TEST(HostRequest, OtherBytesAreRefused) {
  for (const std::string& bytes : {std::string(), std::string("status"), std::string("zentabo-command-1\0/", 19),
                                   std::string("zentabo-command-0\0/\0yes\0" "0\0status", 32)})
    EXPECT_THROW(host::DecodeRequest(bytes), platform::Error) << bytes;
}

// A running add-in as the host keeps it: a session opened on a prompt switch.
class AttachedCommandTest : public ::testing::Test {
 protected:
  AttachedCommandTest() : home_(root_.Path(), "bob", "bob@example.com") {
    session_ = std::make_unique<host::HostSession>(home_.Home(), prompts_, &clock_);
    session_->Start();
    attached_ = std::make_unique<host::AttachedHost>(host::AttachedHost{*session_, prompts_, "yes"});
    g_.home = home_.Home().string();
    g_.answer = "yes";
    g_.host = attached_.get();
  }
  ~AttachedCommandTest() override { session_->Stop(); }

  testing_support::TempDir root_;
  testing_support::TempHome home_;
  platform::VirtualClock clock_{platform::Date::FromParts(2026, 12, 5, 9, 0, 0)};
  platform::ScriptedPrompt hostPrompt_;
  host::PromptSwitch prompts_{hostPrompt_};
  std::unique_ptr<host::HostSession> session_;
  std::unique_ptr<host::AttachedHost> attached_;
  host::GlobalOptions g_;
};

TEST_F(AttachedCommandTest, CommandsActOnTheRunningAddInAndLeaveItRunning) {
  testing::internal::CaptureStdout();
  EXPECT_EQ(host::GroupCreate(g_, "Club"), 0);
  EXPECT_EQ(host::MemberAdd(g_, host::MemberArgs{"Club", "carol@example.com", "Carol", "member", "", false}), 0);
  EXPECT_EQ(host::MemberList(g_, "Nope"), 1);  // a refusal, the host unharmed
  EXPECT_EQ(host::Options(g_, "AutoGSynchPeriod", "3", true), 0);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("created group \"Club\""), std::string::npos) << out;

  EXPECT_EQ(session_->AddIn().GetState(), Connect::State::Running);
  GroupPtr club = session_->AddIn().Groups()->FindByName("Club");
  ASSERT_TRUE(club);
  EXPECT_TRUE(club->FindByEmail("carol@example.com"));
  // Between commands the host's own prompt answers again.
  hostPrompt_.QueueResult(platform::IDYES);
  EXPECT_EQ(prompts_.MessageBox("still there?", "Zentabo", platform::Buttons::YesNo), platform::IDYES);
  EXPECT_EQ(hostPrompt_.Remaining(), 0u);
}

TEST_F(AttachedCommandTest, TheCommandsPromptAnswersWhileItRuns) {
  hostPrompt_.ClearRecords();  // what the start asked
  {
    host::Running r(g_);
    EXPECT_EQ(&r.S(), session_.get());
    // The command's prompt (--answer yes) answers, not the host's.
    EXPECT_EQ(prompts_.MessageBox("Accept?", "Zentabo", platform::Buttons::YesNo), platform::IDYES);
    EXPECT_TRUE(hostPrompt_.Shown().empty());
  }
  EXPECT_EQ(session_->AddIn().GetState(), Connect::State::Running) << "the command left the add-in running";
}

}  // namespace
