#pragma once
// Test support for the mail store: a profile in a fresh temporary folder, an
// event queue standing in for the event loop's Post, and a settable clock.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "platform/Date.h"
#include "platform/store/MailSession.h"

namespace store_test {

class StoreTest : public ::testing::Test {
 protected:
  StoreTest() {
    char tmpl[] = "/tmp/store_test_XXXXXX";
    dir_ = mkdtemp(tmpl);
    path_ = dir_ + "/profile.db";
    Open();
  }
  ~StoreTest() override {
    session_.reset();
    std::filesystem::remove_all(dir_);
  }

  void Open() {
    session_.emplace(platform::MailSession::Open(path_, [this](std::function<void()> fn) {
      posted_.push_back(std::move(fn));
    }));
    session_->SetClock([this] { return now_; });
  }
  void Reopen() {
    session_.reset();
    Open();
  }
  // Runs the posted events, oldest first; returns how many ran.
  int Drain() {
    int n = 0;
    while (!posted_.empty()) {
      auto fn = std::move(posted_.front());
      posted_.pop_front();
      fn();
      ++n;
    }
    return n;
  }

  platform::MailSession& S() { return *session_; }
  platform::Folder Calendar() { return S().GetDefaultFolder(platform::olFolderCalendar); }

  std::string dir_;
  std::string path_;
  std::optional<platform::MailSession> session_;
  std::deque<std::function<void()>> posted_;
  platform::Date now_ = platform::Date::FromParts(2026, 12, 5, 10, 30, 0);
};

}  // namespace store_test
