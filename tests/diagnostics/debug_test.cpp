#include "diagnostics/CDebug.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "diagnostics/LibKorvel.h"
#include "diagnostics/mReduceLog.h"
#include "platform/Clock.h"
#include "platform/Error.h"

namespace fs = std::filesystem;

namespace {

class TempDir {
 public:
  TempDir() {
    static int n = 0;
    path_ = fs::temp_directory_path() / ("zentabo-diag-" + std::to_string(getpid()) + "-" + std::to_string(++n));
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~TempDir() { fs::remove_all(path_); }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The entry texts of addin.log, without the date-time stamp and its space.
std::vector<std::string> FileEntries(const fs::path& folder) {
  std::vector<std::string> out;
  std::ifstream in(folder / "addin.log");
  std::string line;
  while (std::getline(in, line)) {
    const size_t sp = line.find(' ', line.find(' ') + 1);  // "dd.mm.yyyy hh:mm:ss "
    out.push_back(line.substr(sp + 1));
  }
  return out;
}

class FileSinkTest : public ::testing::Test {
 protected:
  FileSinkTest() : debug(dir.path().string(), (dir.path() / "appdata").string()) { debug.UseSupportLog(false); }
  std::vector<std::string> Entries() const { return FileEntries(dir.path()); }
  TempDir dir;
  CDebug debug;
};

TEST_F(FileSinkTest, ErrorEntriesHaveTheirLineForms) {
  debug.Assert(true, "mX.P", "a > b");
  EXPECT_TRUE(Entries().empty());
  debug.Assert(false, "mX.P", "a > b");
  debug.OutCustomError("mX.Q", "bad thing");
  debug.OutWarning("mX.R", "careful");
  try {
    throw platform::Error("disk gone", 53);
  } catch (...) {
    debug.OutError("mAppointments.CopyItem");
  }
  try {
    throw std::runtime_error("plain");
  } catch (...) {
    debug.OutError("mX.S");
  }
  debug.OutError("mX.T");
  errno = 2;
  debug.OutLastDllError("mX.U");
  EXPECT_EQ(errno, 0);
  const std::vector<std::string> want = {
      "ERROR - ASSERT FAILED: mX.P\ta > b = FALSE",
      "Error(custom) : mX.Q\tbad thing",
      "Warning : mX.R\tcareful",
      "Error(53) : mAppointments.CopyItem\tdisk gone",
      "Error(0) : mX.S\tplain",
      "Error(0) : mX.T\t",
      "DllError(2) : mX.U",
  };
  EXPECT_EQ(Entries(), want);
}

TEST_F(FileSinkTest, OutCallQuotesNonNumericArguments) {
  debug.OutCall("mGroups.AddNewMember", "Team A", 5);
  debug.OutCall("Connect.Init");
  debug.OutCall("mX.P", std::string("x"), 2.5, true);
  const std::vector<std::string> want = {"Call mGroups.AddNewMember('Team A', 5)", "Call Connect.Init()",
                                         "Call mX.P('x', 2.5, 'True')"};
  EXPECT_EQ(Entries(), want);
}

TEST_F(FileSinkTest, DetailLevelsGateTheFileSink) {
  struct Case {
    long level;
    std::vector<std::string> want;
  };
  for (const Case& c : {Case{2, {"out a 1", "out2 c"}}, Case{1, {"out a 1", "out1 b"}}, Case{3, {"out a 1"}}}) {
    fs::remove(dir.path() / "addin.log");
    debug.DebugLevel(c.level);
    debug.Out("out", "a", 1);
    debug.Out1("out1", "b");
    debug.Out2("out2", "c");
    EXPECT_EQ(Entries(), c.want) << "DebugLevel " << c.level;
  }
}

TEST_F(FileSinkTest, AnArgumentListIsJoinedLikeSeparateValues) {
  const std::vector<CDebugArg> args = {CDebugArg("a"), CDebugArg(2), CDebugArg("c")};
  debug.Out(args);
  EXPECT_EQ(Entries(), std::vector<std::string>{"a 2 c"});
}

TEST_F(FileSinkTest, IndentFollowsPushAndPop) {
  debug.PushTab();
  debug.PushTab();
  debug.Out("two");
  debug.PopTab();
  debug.Out("one");
  debug.PopTab();
  debug.PopTab();  // below zero stays at zero
  debug.Out("zero");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"  two", " one", "zero"}));
}

TEST_F(FileSinkTest, TimersNestUpToTenAndWarnBeyond) {
  debug.DebugLevel(2);  // lets the Out2 timing lines through
  for (int i = 0; i < 11; ++i) debug.StartTimer();
  std::vector<std::string> entries = Entries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0], "Warning CDebug.StartTimer can't run");
  for (int i = 0; i < 10; ++i) debug.EndTimer("t" + std::to_string(i));
  debug.EndTimer("extra");
  entries = Entries();
  ASSERT_EQ(entries.size(), 12u);
  for (int i = 0; i < 10; ++i) {
    const std::string prefix = "  t" + std::to_string(i) + " timing : ";
    ASSERT_EQ(entries[1 + i].rfind(prefix, 0), 0u) << entries[1 + i];
    const float elapsed = std::stof(entries[1 + i].substr(prefix.size()));
    EXPECT_GE(elapsed, 0.0f);
    EXPECT_LT(elapsed, 5.0f);
  }
  EXPECT_EQ(entries[11], "Warning: CDebug::EndTimer can't run");
}

TEST_F(FileSinkTest, TimingsAndStampsFollowThePlatformClock) {
  platform::VirtualClock clock(platform::Date::FromParts(2006, 2, 13, 23, 59, 59));
  debug.SetClock(&clock);
  debug.DebugLevel(2);
  debug.StartTimer();
  clock.Advance(1500);
  debug.EndTimer("short");
  debug.StartTimer();
  clock.SetNow(platform::Date::FromParts(2006, 2, 14, 0, 0, 2));  // over midnight
  debug.EndTimer("midnight");
  std::ifstream in(dir.path() / "addin.log");
  std::string first;
  std::getline(in, first);
  EXPECT_EQ(first, "2006-02-14 00:00:00   short timing : 1.5");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"  short timing : 1.5", "  midnight timing : 2"}));
}

TEST(CDebugLifecycle, DestroyingWithRunningTimerWarns) {
  TempDir dir;
  {
    CDebug debug(dir.path().string(), "");
    debug.UseSupportLog(false);
    debug.StartTimer();
  }
  EXPECT_EQ(FileEntries(dir.path()), std::vector<std::string>{"Warning - CDebug.m_TimerCount <> 0!"});
}

TEST(CDebugLifecycle, OversizedAddinLogIsDroppedAtCreation) {
  for (std::uintmax_t size : {std::uintmax_t{1024000}, std::uintmax_t{1024001}}) {
    TempDir dir;
    {
      std::ofstream out(dir.path() / "addin.log", std::ios::binary);
      out << std::string(size, 'x');
    }
    CDebug debug(dir.path().string(), "");
    EXPECT_EQ(fs::exists(dir.path() / "addin.log"), size < 1024001) << size;
  }
}

TEST(CDebugSprintf, FormatsAndWarnsAboutMismatches) {
  TempDir dir;
  CDebug debug(dir.path().string(), "");
  debug.UseSupportLog(false);
  EXPECT_EQ(debug.sprintf("file '%s' line %d", {CDebugArg("a.lng"), CDebugArg(7)}), "file 'a.lng' line 7");
  EXPECT_EQ(debug.sprintf("a\\tb\\nc\\\"", {}), "a\tb\r\nc\"");
  EXPECT_TRUE(FileEntries(dir.path()).empty());

  EXPECT_EQ(debug.sprintf("%s", {CDebugArg(12)}), "12");
  EXPECT_EQ(debug.sprintf("%d", {CDebugArg("zz")}), "zz");
  EXPECT_EQ(debug.sprintf("%x", {}), "%x");
  EXPECT_EQ(debug.sprintf("\\q", {}), "\\q");
  const std::vector<std::string> want = {
      "Warning : CDebug.sprintf('%s')\tValue for %s is of type 3 (Long)",
      "Warning : CDebug.sprintf('%d')\tValue for %d is not numeric: 'zz'",
      "Warning : CDebug.sprintf('%x')\tInvalid format specificator(%x)",
      "Warning : CDebug.sprintf('\\q')\tInvalid format specificator '\\q",
  };
  EXPECT_EQ(FileEntries(dir.path()), want);
}

TEST(CDebugSupportSink, EntriesGoToZentabLogAndErrorsAlsoToZentabErr) {
  TempDir dir;
  const fs::path appData = dir.path() / "Korvel" / "Zentabo";
  ASSERT_NE(LibKorvelInit(appData.string()), 0);
  CDebug debug(dir.path().string(), appData.string());
  debug.Out("hello", 1);
  debug.OutWarning("mX.W", "warned");
  debug.OutCustomError("mX.E", "failed");
  debug.OutCall("mX.C", 3);
  const std::string log = ReadAll(appData / "zentab.log");
  const std::string err = ReadAll(appData / "zentab.err");
  EXPECT_EQ(log.rfind(":Start:", 0), 0u);
  for (const char* text : {"hello 1", "mX.W: warned", "mX.E: failed", "Call mX.C(3)"})
    EXPECT_NE(log.find(text), std::string::npos) << text;
  EXPECT_NE(err.find("mX.E: failed"), std::string::npos);
  EXPECT_EQ(err.find("warned"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir.path() / "addin.log"));
}

TEST(CDebugSupportSink, EntriesAndTheRunMarkerCarryTheWritersClock) {
  TempDir dir;
  const fs::path appData = dir.path() / "Korvel" / "Zentabo";
  platform::VirtualClock clock(platform::Date::FromParts(2030, 7, 1, 12, 30, 0));
  {
    CDebug debug(dir.path().string(), appData.string());
    debug.SetClock(&clock);
    ASSERT_NE(LibKorvelInit(appData.string()), 0);
    debug.OutWarning("mX.W", "at noon");
  }
  const std::string log = ReadAll(appData / "zentab.log");
  EXPECT_EQ(log.rfind(":Start: 2030-07-01 12:30:00\n", 0), 0u) << log;
  EXPECT_NE(log.find("2030-07-01 12:30:00 WARN  1 mX.W: at noon"), std::string::npos) << log;
}

TEST(CDebugGlobal, StandInAndInstalledWriter) {
  TempDir dir;
  CDebug mine(dir.path().string(), "");
  mine.UseSupportLog(false);
  CDebug& standIn = g_Debug();
  SetGlobalDebug(&mine);
  EXPECT_EQ(&g_Debug(), &mine);
  g_Debug().Out("via global");
  SetGlobalDebug(nullptr);
  EXPECT_EQ(&g_Debug(), &standIn);
  EXPECT_EQ(FileEntries(dir.path()), std::vector<std::string>{"via global"});
  // The stand-in has no folders: what it is given is written nowhere.
  EXPECT_EQ(standIn.InstallFolder(), "");
  EXPECT_EQ(standIn.AppDataFolder(), "");
}

class ReduceLogTest : public ::testing::Test {
 protected:
  fs::path Write(const std::string& name, const std::string& content) {
    const fs::path p = dir.path() / name;
    std::ofstream(p, std::ios::binary) << content;
    return p;
  }
  TempDir dir;
};

TEST_F(ReduceLogTest, ZentabLogIsCutAtTheFirstStartMarkerAfterTheCutPoint) {
  const size_t size = 2000000, cut = size - 524288;
  std::string content(size, 'a');
  content.replace(cut - 50, 7, ":Start:");  // before the cut point: ignored
  content.replace(cut + 100, 7, ":Start:");
  Write("zentab.log", content);
  mReduceLog::ReduceLog(dir.path().string());
  EXPECT_EQ(ReadAll(dir.path() / "zentab.log"), content.substr(cut + 100));
  EXPECT_FALSE(fs::exists(dir.path() / "zentab.log1"));
}

TEST_F(ReduceLogTest, MarkerSplitOverReadBlocksIsFound) {
  const size_t size = 0x100001, cut = size - 0x80000;
  std::string content(size, 'a');
  content.replace(cut + 253, 7, ":Start:");  // straddles the first 256-byte block
  Write("zentab.log", content);
  mReduceLog::ReduceLog(dir.path().string());
  EXPECT_EQ(ReadAll(dir.path() / "zentab.log"), content.substr(cut + 253));
}

TEST_F(ReduceLogTest, WithoutMarkerTheNewestHalfLimitIsKept) {
  const std::string content(1500000, 'b');
  Write("zentab.log", content);
  mReduceLog::ReduceLog(dir.path().string());
  EXPECT_EQ(fs::file_size(dir.path() / "zentab.log"), 524288u);
}

TEST_F(ReduceLogTest, ZentabErrIsCutAfterTheFirstLineFeed) {
  const size_t size = 200000, cut = size - 65536;
  std::string content(size, 'e');
  content[cut + 10] = '\n';
  Write("zentab.err", content);
  mReduceLog::ReduceLog(dir.path().string());
  EXPECT_EQ(ReadAll(dir.path() / "zentab.err"), content.substr(cut + 11));
}

TEST_F(ReduceLogTest, FilesWithinTheirLimitsStay) {
  const std::string log(0x100000, 'l'), err(0x20000, 'e');
  Write("zentab.log", log);
  Write("zentab.err", err);
  mReduceLog::ReduceLog(dir.path().string());
  EXPECT_EQ(fs::file_size(dir.path() / "zentab.log"), log.size());
  EXPECT_EQ(fs::file_size(dir.path() / "zentab.err"), err.size());
}

}  // namespace
