#pragma once
// A bare mail profile for item-level tests: a temporary folder holding a
// profile store (with a fixed modification clock), the user's System, and a
// debug writer whose file sink (addin.log) the test can read. The safe-item
// library is switched on, with a logged-on session on this profile.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "diagnostics/CDebug.h"
#include "platform/FileUtil.h"
#include "platform/System.h"
#include "platform/redemption/Library.h"
#include "platform/redemption/RDOSession.h"
#include "platform/store/Folder.h"
#include "platform/store/Folders.h"
#include "platform/store/Item.h"
#include "platform/store/Items.h"
#include "platform/store/MailSession.h"
#include "support/TempHome.h"

namespace testing_support {

class ProfileFixture : public ::testing::Test {
 protected:
  // The time every save stamps as LastModificationTime.
  static platform::Date ModTime() { return platform::Date::FromParts(2026, 12, 5, 9, 30, 0); }

  ProfileFixture() {
    std::filesystem::create_directories(dir.Path() / "install");
    debug = std::make_unique<CDebug>((dir.Path() / "install").string(), "");
    debug->UseSupportLog(false);
    debug->DebugLevel(2);
    SetGlobalDebug(debug.get());
    system = std::make_unique<platform::System>(dir.Path() / "home", dir.Path() / "install");
    session = std::make_unique<platform::MailSession>(
        platform::MailSession::Open((dir.Path() / "profile.db").string()));
    session->SetCurrentUser("Alice Able", "alice@example.org");
    session->SetClock([] { return ModTime(); });
    Redemption::SetRegistered(true);
    rdo = std::make_unique<Redemption::RDOSession>(*session, Redemption::MailSender());
    rdo->Logon();
  }
  ~ProfileFixture() override {
    rdo.reset();
    Redemption::ResetRegistration();
    session.reset();
    SetGlobalDebug(nullptr);
    debug.reset();
  }

  platform::Folder Calendar() const { return session->GetDefaultFolder(platform::olFolderCalendar); }
  // The add-in's shared folder below the calendar (created on first use).
  platform::Folder Shared() {
    if (!shared) shared = std::make_unique<platform::Folder>(Calendar().Folders().Add("Zentabo", platform::olFolderCalendar));
    return *shared;
  }
  platform::Item NewAppointment(const platform::Folder& folder, const std::string& subject) const {
    platform::Item item = folder.Items().Add(platform::olAppointmentItem);
    item.SetSubject(subject);
    return item;
  }
  // The debug writer's file sink so far.
  std::string Log() const {
    const auto path = dir.Path() / "install" / "addin.log";
    return platform::FileUtil::Exists(path) ? platform::FileUtil::ReadFile(path) : "";
  }
  bool Logged(const std::string& text) const { return Log().find(text) != std::string::npos; }

  TempDir dir;
  std::unique_ptr<CDebug> debug;
  std::unique_ptr<platform::System> system;
  std::unique_ptr<platform::MailSession> session;
  std::unique_ptr<Redemption::RDOSession> rdo;  // cannot send
  std::unique_ptr<platform::Folder> shared;
};

}  // namespace testing_support
