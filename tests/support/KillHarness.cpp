#include "support/KillHarness.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace crash_test {

namespace {

using Clock = std::chrono::steady_clock;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A fingerprint of everything below the paths: names, sizes, times.
size_t Fingerprint(const std::vector<std::string>& paths) {
  namespace fs = std::filesystem;
  size_t h = 0;
  std::error_code ec;
  auto mix = [&](size_t v) { h = h * 1000003u ^ v; };
  for (const std::string& p : paths) {
    for (fs::recursive_directory_iterator it(p, ec), end; !ec && it != end; it.increment(ec)) {
      mix(std::hash<std::string>()(it->path().string()));
      if (it->is_regular_file(ec)) {
        mix(static_cast<size_t>(it->file_size(ec)));
        mix(static_cast<size_t>(it->last_write_time(ec).time_since_epoch().count()));
      }
    }
  }
  return h;
}

}  // namespace

KillHarness::KillHarness(std::string program, uint32_t seed)
    : program_(std::move(program)), seed_(seed), random_(seed) {}

std::chrono::microseconds KillHarness::Instant(std::chrono::microseconds upTo) {
  std::uniform_int_distribution<int64_t> d(0, std::max<int64_t>(upTo.count() - 1, 0));
  return std::chrono::microseconds(d(random_));
}

Outcome KillHarness::Run(const std::vector<std::string>& args) { return RunAndKill(args, Trigger{}); }

Outcome KillHarness::RunAndKill(const std::vector<std::string>& args, Trigger trigger,
                                const std::vector<std::string>& watch,
                                std::vector<std::chrono::microseconds>* changes) {
  const bool watching = !watch.empty();
  size_t last = watching ? Fingerprint(watch) : 0;
  int seen = 0;
  auto armed = Clock::now();
  char errPath[] = "/tmp/zentabo-kill-XXXXXX";
  const int errFd = ::mkstemp(errPath);
  Outcome out;
  const auto start = Clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(errFd, 2);
    const int devnull = ::open("/dev/null", O_WRONLY);
    ::dup2(devnull, 1);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program_.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(program_.c_str(), argv.data());
    ::_exit(127);
  }
  int status = 0;
  for (;;) {
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid) break;
    if (trigger.delay != std::chrono::microseconds::max() && seen >= trigger.afterChanges &&
        Clock::now() - armed >= trigger.delay) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      break;
    }
    if (watching) {
      const size_t now = Fingerprint(watch);
      if (now != last) {
        if (++seen == trigger.afterChanges) armed = Clock::now();
        if (changes) changes->push_back(std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start));
      }
      last = now;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  out.ran = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
  out.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  out.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  ::close(errFd);
  out.err = ReadAll(errPath);
  ::unlink(errPath);
  return out;
}

int KillHarness::RunLoop(const Loop& loop) {
  loop.restore();
  std::vector<std::chrono::microseconds> changes;
  const Outcome whole = RunAndKill(loop.command, Trigger{}, loop.watch, &changes);
  EXPECT_EQ(whole.exitCode, 0) << whole.err;
  if (loop.afterWhole) loop.afterWhole();
  if (::testing::Test::HasFatalFailure()) return 0;
  int killed = 0;
  for (int attempt = 1; attempt <= loop.tries; ++attempt) {
    loop.restore();
    // Without watched changes: anywhere in the run; with them: up to 3 ms
    // after one of them (a change is seen only at the next look).
    Trigger at;
    if (changes.empty()) {
      at.delay = Instant(whole.ran);
    } else {
      std::uniform_int_distribution<int> pick(1, static_cast<int>(changes.size()));
      at.afterChanges = pick(random_);
      at.delay = Instant(std::chrono::milliseconds(3));
    }
    const std::string where = "change " + std::to_string(at.afterChanges) + " of " +
                              std::to_string(changes.size()) + " + " + std::to_string(at.delay.count()) + " us";
    SCOPED_TRACE("seed " + std::to_string(seed_) + ", try " + std::to_string(attempt) + ", kill at " + where);
    const Outcome cut = RunAndKill(loop.command, at, loop.watch);
    if (cut.killed) ++killed;
    std::printf("  try %d: kill at %s: %s\n", attempt, where.c_str(), cut.killed ? "killed" : "had ended");
    loop.afterKill(cut);
    const Outcome recovery = Run(loop.recovery);
    EXPECT_EQ(recovery.exitCode, 0) << recovery.err;
    loop.afterRecovery(recovery);
    if (::testing::Test::HasFatalFailure()) break;
  }
  std::printf("kill -9 (seed %u): %d of %d runs cut short; an undisturbed run takes %lld ms\n", seed_, killed,
              loop.tries, static_cast<long long>(whole.ran.count() / 1000));
  return killed;
}

}  // namespace crash_test
