#pragma once
// KillHarness: runs a zentabo command as a child process and kills it with
// SIGKILL at a random instant, then lets the test check what the crash left
// behind. The instants come from a seeded generator, so a failing run is
// repeated by its seed (printed with every failure). Reusable for any
// command: the test supplies how to put the homes back, the command, and the
// checks after a kill and after the run that finishes the work.
#include <chrono>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace crash_test {

struct Outcome {
  bool killed = false;   // SIGKILL came before the program ended
  int exitCode = -1;     // the exit status when it ended on its own
  std::string err;       // what it wrote on stderr
  std::chrono::microseconds ran{0};
};

class KillHarness {
 public:
  // program: the zentabo executable.
  KillHarness(std::string program, uint32_t seed);

  // Runs the program with args to its end.
  Outcome Run(const std::vector<std::string>& args);
  // When to kill: `delay` after the `afterChanges`-th change seen below the
  // watched paths (0: after the start), so that kills land in the stretches
  // where the command writes whatever the speed of the run.
  struct Trigger {
    int afterChanges = 0;
    std::chrono::microseconds delay = std::chrono::microseconds::max();
  };
  // Runs the program with args and kills it at the trigger unless it has
  // ended before. `changes` (optional) receives the instants at which
  // anything below the watched paths was seen to change.
  Outcome RunAndKill(const std::vector<std::string>& args, Trigger trigger,
                     const std::vector<std::string>& watch = {},
                     std::vector<std::chrono::microseconds>* changes = nullptr);
  // An instant drawn uniformly from [0, upTo).
  std::chrono::microseconds Instant(std::chrono::microseconds upTo);
  uint32_t Seed() const { return seed_; }

  struct Loop {
    int tries = 5;
    // Puts every home back into its state before the command.
    std::function<void()> restore;
    std::vector<std::string> command;
    // Files and folders the command writes (registry, profile, post office):
    // kills are aimed at the moments when they change, where a crash can do
    // harm. Empty: anywhere in the run.
    std::vector<std::string> watch;
    // Checks after the undisturbed run (for example, to note its result).
    std::function<void()> afterWhole;
    // Checks after a kill; `outcome` tells whether the kill came in time.
    std::function<void(const Outcome& outcome)> afterKill;
    // The run that finishes the work after a kill (usually the same command).
    std::vector<std::string> recovery;
    // Checks after the recovery run.
    std::function<void(const Outcome& recovery)> afterRecovery;
  };
  // Measures one undisturbed run of the command (and how often its watched
  // files change), then per try: restore, run and kill a few milliseconds
  // after a randomly chosen one of those changes, check, recover, check.
  // Returns how many runs were really cut short.
  int RunLoop(const Loop& loop);

 private:
  std::string program_;
  uint32_t seed_;
  std::mt19937 random_;
};

}  // namespace crash_test
