#pragma once
// Shared fixture of the safe-item and folder tests: a real mail profile and
// registry in a temporary home, a logged-on session of the safe-item
// library on it, and a file-sink debug writer whose entries the tests read back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/redemption/Library.h"
#include "platform/redemption/RDOSession.h"
#include "diagnostics/CDebug.h"
#include "platform/Registry.h"
#include "platform/store/Folders.h"
#include "platform/store/Items.h"
#include "platform/store/MailSession.h"

class SafeItemsStoreTest : public ::testing::Test {
 protected:
  SafeItemsStoreTest() {
    static int n = 0;
    home = std::filesystem::temp_directory_path() /
           ("zentabo-safe-" + std::to_string(getpid()) + "-" + std::to_string(++n));
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home);
    debug = std::make_unique<CDebug>(home.string(), "");
    debug->UseSupportLog(false);
    SetGlobalDebug(debug.get());
    reg = std::make_unique<platform::Registry>(home);
    session = std::make_unique<platform::MailSession>(platform::MailSession::Open((home / "profile.db").string()));
    Redemption::SetRegistered(true);
    rdo = std::make_unique<Redemption::RDOSession>(*session, [this](const platform::Item& mail) { sent.push_back(mail); });
    rdo->Logon();
  }
  ~SafeItemsStoreTest() override {
    rdo.reset();
    Redemption::ResetRegistration();
    session.reset();
    reg.reset();
    SetGlobalDebug(nullptr);
    debug.reset();
    std::filesystem::remove_all(home);
  }

  platform::Folder Default(platform::OlDefaultFolders type) const { return session->GetDefaultFolder(type); }

  // A saved item of `type` in `folder` with the subject.
  platform::Item Save(const platform::Folder& folder, platform::OlItemType type, const std::string& subject) {
    platform::Item item = folder.Items().Add(type);
    item.SetSubject(subject);
    item.Save();
    return item;
  }

  bool Logged(const std::string& text) const {
    std::ifstream in(home / "addin.log");
    std::string line;
    while (std::getline(in, line)) {
      if (line.find(text) != std::string::npos) return true;
    }
    return false;
  }

  std::filesystem::path home;
  std::unique_ptr<CDebug> debug;
  std::unique_ptr<platform::Registry> reg;
  std::unique_ptr<platform::MailSession> session;
  std::unique_ptr<Redemption::RDOSession> rdo;  // logged on; sends into `sent`
  std::vector<platform::Item> sent;
};
