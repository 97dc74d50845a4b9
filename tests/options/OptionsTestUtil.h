#pragma once
// Shared fixture of the option tests: a real registry in a temporary home and
// a file-sink debug writer whose entries the tests read back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "diagnostics/CDebug.h"
#include "platform/Registry.h"

class RegistryTest : public ::testing::Test {
 protected:
  RegistryTest() {
    static int n = 0;
    home = std::filesystem::temp_directory_path() /
           ("zentabo-opt-" + std::to_string(getpid()) + "-" + std::to_string(++n));
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home);
    reg = std::make_unique<platform::Registry>(home);
    debug = std::make_unique<CDebug>(home.string(), "");
    debug->UseSupportLog(false);
    SetGlobalDebug(debug.get());
  }
  ~RegistryTest() override {
    SetGlobalDebug(nullptr);
    reg.reset();
    std::filesystem::remove_all(home);
  }

  // Entries written to the debug log so far (without the time stamps).
  std::vector<std::string> LogEntries() const {
    std::vector<std::string> out;
    std::ifstream in(home / "addin.log");
    std::string line;
    while (std::getline(in, line)) out.push_back(line.substr(line.find(' ', line.find(' ') + 1) + 1));
    return out;
  }
  bool Logged(const std::string& text) const {
    for (const std::string& e : LogEntries())
      if (e.find(text) != std::string::npos) return true;
    return false;
  }

  std::filesystem::path home;
  std::unique_ptr<platform::Registry> reg;
  std::unique_ptr<CDebug> debug;
};
