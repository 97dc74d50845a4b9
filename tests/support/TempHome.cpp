#include "support/TempHome.h"

#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace testing_support {

TempDir::TempDir() {
  std::random_device rd;
  path_ = fs::temp_directory_path() / ("zentabo-test-" + std::to_string(rd()) + std::to_string(rd()));
  fs::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

TempHome::TempHome(const fs::path& root, const std::string& name, const std::string& email,
                   const std::string& clientVersion)
    : home_(root / name) {
  host::InitOptions o;
  o.home = home_;
  o.name = name;
  o.email = email;
  o.postOffice = root / "postoffice";
  o.clientVersion = clientVersion;
  o.dataDir = ZENTABO_SOURCE_DIR;
  host::InitHome(o);
}

host::HostSession& TempHome::Open() {
  session_ = std::make_unique<host::HostSession>(home_, prompt_, &clock_);
  return *session_;
}

void TempHome::Close() { session_.reset(); }

static std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string TempHome::Log() const { return ReadAll(home_ / "AppData/Roaming/Korvel/Zentabo/zentab.log"); }
std::string TempHome::ErrLog() const { return ReadAll(home_ / "AppData/Roaming/Korvel/Zentabo/zentab.err"); }

}  // namespace testing_support
