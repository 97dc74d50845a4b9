// Batches and failure paths of the registry journal: what a crash or a
// failed write leaves behind.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/Error.h"
#include "platform/FileUtil.h"
#include "platform/Registry.h"
#include "platform/SettingsStore.h"
#include "support/TempHome.h"

namespace fs = std::filesystem;
using namespace platform;

namespace {

const char* const kApp = "Zentabo";

class RegistryBatchTest : public ::testing::Test {
 protected:
  // The registry files as a kill -9 at this instant leaves them.
  fs::path CrashCopy(const std::string& name) {
    const fs::path other = dir_.Path() / name;
    fs::create_directories(other);
    fs::copy(home_ / ".registry", other / ".registry");
    return other;
  }
  static std::string Get(const fs::path& home, const std::string& section, const std::string& key) {
    Registry reg(home);
    return SettingsStore(reg).GetSetting(kApp, section, key, "<missing>");
  }

  testing_support::TempDir dir_;
  fs::path home_ = dir_.Path() / "home";
};

TEST_F(RegistryBatchTest, CrashLeavesAllOfABatchOrNone) {
  Registry reg(home_);
  SettingsStore store(reg);
  store.SaveSetting(kApp, "G", "Keys", "old");
  {
    RegistryBatch batch(reg);
    store.DeleteSetting(kApp, "G");
    store.SaveSetting(kApp, "G", "Keys", "new");
    store.SaveSetting(kApp, "G\\g1", "Name", "Team");
    // Reads inside the batch see its changes; the disk does not yet.
    EXPECT_EQ(store.GetSetting(kApp, "G", "Keys"), "new");
    const fs::path during = CrashCopy("during");
    EXPECT_EQ(Get(during, "G", "Keys"), "old");
    EXPECT_EQ(Get(during, "G\\g1", "Name"), "<missing>");
    batch.Commit();
  }
  const fs::path after = CrashCopy("after");
  EXPECT_EQ(Get(after, "G", "Keys"), "new");
  EXPECT_EQ(Get(after, "G\\g1", "Name"), "Team");
}

TEST_F(RegistryBatchTest, BatchCutShortInTheJournalIsDroppedAndLaterWritesKept) {
  {
    Registry reg(home_);
    SettingsStore(reg).SaveSetting(kApp, "S", "A", "1");
    const fs::path crashed = CrashCopy("crashed");
    // A crash in the middle of writing a batch: its begin line and one
    // record reached the journal, its commit line did not.
    std::ofstream(crashed / ".registry" / "HKCU.journal", std::ios::app)
        << "B\nV\tSoftware\\VB and VBA Program Settings\\Zentabo\\S\tA\t1\t2\n";
    Registry again(crashed);
    SettingsStore store(again);
    EXPECT_EQ(store.GetSetting(kApp, "S", "A"), "1");
    store.SaveSetting(kApp, "S", "B", "later");
  }
  const fs::path crashed = dir_.Path() / "crashed";
  EXPECT_EQ(Get(crashed, "S", "A"), "1");
  EXPECT_EQ(Get(crashed, "S", "B"), "later");
}

TEST_F(RegistryBatchTest, NestedBatchesCommitOnceAndAnInnerAbortDropsAll) {
  Registry reg(home_);
  SettingsStore store(reg);
  store.SaveSetting(kApp, "S", "A", "0");
  HKEY open = 0;
  ASSERT_EQ(reg.OpenKey(HKEY_CURRENT_USER, SettingsStore::SectionPath(kApp, "S"), KEY_ALL_ACCESS, &open),
            ERROR_SUCCESS);
  {
    RegistryBatch outer(reg);
    store.SaveSetting(kApp, "S", "A", "1");
    {
      RegistryBatch inner(reg);
      store.SaveSetting(kApp, "S", "B", "2");
      inner.Commit();
    }
    EXPECT_EQ(Get(CrashCopy("inner"), "S", "B"), "<missing>");
    outer.Commit();
  }
  EXPECT_EQ(Get(CrashCopy("outer"), "S", "B"), "2");

  reg.BeginBatch();
  store.DeleteSetting(kApp, "S");
  reg.BeginBatch();
  store.SaveSetting(kApp, "T", "X", "x");
  reg.AbortBatch();
  EXPECT_THROW(reg.CommitBatch(), Error);
  // Everything since the outer begin is undone, and a handle opened before
  // the batch works again on its key.
  EXPECT_EQ(store.GetSetting(kApp, "S", "A"), "1");
  EXPECT_EQ(store.GetSetting(kApp, "T", "X", "none"), "none");
  EXPECT_EQ(reg.SetString(open, "C", "3"), ERROR_SUCCESS);
  EXPECT_EQ(store.GetSetting(kApp, "S", "C"), "3");
  reg.CloseKey(open);
}

// Writes fail once the journal reaches its current size (the file size limit
// makes write(2) answer EFBIG).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit lim = saved_;
    lim.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &lim);
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }

 private:
  rlimit saved_{};
};

TEST_F(RegistryBatchTest, AWriteThatFailsChangesNothingInMemory) {
  Registry reg(home_);
  SettingsStore store(reg);
  store.SaveSetting(kApp, "S", "A", "1");
  const auto size = fs::file_size(home_ / ".registry" / "HKCU.journal");
  {
    FileSizeLimit limit(size);
    EXPECT_THROW(store.SaveSetting(kApp, "S", "A", "2"), Error);
    EXPECT_EQ(store.GetSetting(kApp, "S", "A"), "1");

    reg.BeginBatch();
    store.SaveSetting(kApp, "S", "A", "3");
    store.SaveSetting(kApp, "S2", "B", "4");
    EXPECT_THROW(reg.CommitBatch(), Error);
    EXPECT_FALSE(reg.InBatch());
    EXPECT_EQ(store.GetSetting(kApp, "S", "A"), "1");
    EXPECT_EQ(store.GetSetting(kApp, "S2", "B", "none"), "none");
  }
  EXPECT_EQ(fs::file_size(home_ / ".registry" / "HKCU.journal"), size);
  store.SaveSetting(kApp, "S", "A", "5");
  EXPECT_EQ(Get(CrashCopy("after"), "S", "A"), "5");
}

TEST_F(RegistryBatchTest, FailedFoldLosesNoRecord) {
  {
    Registry reg(home_);
    SettingsStore store(reg);
    store.SaveSetting(kApp, "S", "A", "1");
    reg.Flush();
    store.SaveSetting(kApp, "S", "B", "2");
    // The hive file cannot be replaced: the fold fails, the journal stays.
    fs::create_directories(home_ / ".registry" / "HKCU.hive.tmp" / "blocker");
    EXPECT_THROW(reg.Flush(), Error);
    store.SaveSetting(kApp, "S", "C", "3");
    fs::remove_all(home_ / ".registry" / "HKCU.hive.tmp");
    reg.Flush();
    store.SaveSetting(kApp, "S", "D", "4");
    const fs::path crashed = CrashCopy("crashed");
    for (const char* key : {"A", "B", "C", "D"}) EXPECT_NE(Get(crashed, "S", key), "<missing>") << key;
  }
  for (const char* key : {"A", "B", "C", "D"}) EXPECT_NE(Get(home_, "S", key), "<missing>") << key;
}

}  // namespace
