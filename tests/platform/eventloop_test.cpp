#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Error.h"
#include "platform/EventLoop.h"

using namespace platform;

namespace {

class EventLoopTest : public ::testing::Test {
 protected:
  VirtualClock clock_;
  EventLoop loop_{clock_};
};

TEST_F(EventLoopTest, PostedMessagesRunInOrderOnePumpAtATime) {
  std::vector<std::string> log;
  loop_.Post([&] {
    log.push_back("a");
    loop_.Post([&] { log.push_back("c"); });  // waits for the next pump
  });
  loop_.Post([&] { log.push_back("b"); });
  loop_.PumpPending();
  EXPECT_EQ(log, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(loop_.PendingMessages(), 1u);
  loop_.PumpPending();
  EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(EventLoopTest, PeriodicTimerFiresAtEachInterval) {
  std::vector<int64_t> at;
  const TimerId id = loop_.AddTimer(1000, [&] { at.push_back(clock_.MonotonicMs()); });
  loop_.RunFor(5000);
  EXPECT_TRUE(at.empty());  // created disabled
  loop_.SetEnabled(id, true);
  loop_.RunFor(3500);
  EXPECT_EQ(at, (std::vector<int64_t>{6000, 7000, 8000}));
  EXPECT_EQ(clock_.MonotonicMs(), 8500);
}

TEST_F(EventLoopTest, BurstOfRestartsYieldsOneRunAfterTheLast) {
  int runs = 0;
  int64_t ranAt = -1;
  TimerId id = 0;
  id = loop_.AddTimer(1905, [&] {
    loop_.SetEnabled(id, false);  // one-shot: stops itself first
    ++runs;
    ranAt = clock_.MonotonicMs();
  });
  for (int i = 0; i < 10; ++i) {
    loop_.Restart(id);
    loop_.RunFor(500);
  }
  loop_.RunFor(5000);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(ranAt, 4500 + 1905);
}

TEST_F(EventLoopTest, EnablingRulesAndIntervalChanges) {
  std::vector<int64_t> at;
  const TimerId id = loop_.AddTimer(1000, [&] { at.push_back(clock_.MonotonicMs()); }, true);
  loop_.RunFor(600);
  loop_.SetEnabled(id, true);  // already on: no restart
  loop_.RunFor(500);
  EXPECT_EQ(at, std::vector<int64_t>{1000});
  loop_.RunFor(600);  // t = 1700
  loop_.SetEnabled(id, false);
  loop_.SetEnabled(id, true);  // disable + enable counts the full interval again
  loop_.RunFor(900);
  EXPECT_EQ(at, std::vector<int64_t>{1000});
  loop_.RunFor(100);
  EXPECT_EQ(at, (std::vector<int64_t>{1000, 2700}));
  loop_.SetInterval(id, 50);  // on an enabled timer: restarts with the new interval
  loop_.RunFor(120);
  EXPECT_EQ(at, (std::vector<int64_t>{1000, 2700, 2750, 2800}));
  loop_.SetInterval(id, 0);  // an interval of 0 never fires
  loop_.RunFor(1000);
  EXPECT_EQ(at.size(), 4u);
  EXPECT_THROW(loop_.SetEnabled(999, true), Error);
}

TEST_F(EventLoopTest, DueTimersFireInDueOrder) {
  std::string order;
  loop_.AddTimer(300, [&] { order += "A"; }, true);
  loop_.AddTimer(100, [&] { order += "B"; }, true);
  loop_.AddTimer(200, [&] { order += "C"; }, true);
  loop_.AddTimer(200, [&] { order += "D"; }, true);
  clock_.Advance(300);  // all due at once: by due time, then creation order
  loop_.PumpPending();
  EXPECT_EQ(order, "BCDA");
}

TEST_F(EventLoopTest, HandlerDoesNotReenterThroughANestedPump) {
  int depth = 0, maxDepth = 0, runs = 0, other = 0;
  loop_.AddTimer(10, [&] { ++other; }, true);
  loop_.AddTimer(10, [&] {
    ++runs;
    maxDepth = std::max(maxDepth, ++depth);
    for (int i = 0; i < 5; ++i) {
      clock_.Advance(20);
      loop_.PumpPending();  // a long operation keeping the desktop responsive
    }
    --depth;
  }, true);
  loop_.RunFor(10);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(maxDepth, 1);
  EXPECT_GE(other, 5);  // other timers still fire inside the pump
}

TEST_F(EventLoopTest, RunUntilStopAndRemoval) {
  int ticks = 0;
  TimerId id = 0;
  id = loop_.AddTimer(100, [&] {
    if (++ticks == 3) loop_.RemoveTimer(id);  // removal inside its own handler
  }, true);
  EXPECT_TRUE(loop_.RunUntil([&] { return ticks == 3; }));
  EXPECT_EQ(clock_.MonotonicMs(), 300);
  // Nothing left that could ever happen: returns at once.
  EXPECT_FALSE(loop_.RunUntil([] { return false; }));
  EXPECT_EQ(clock_.MonotonicMs(), 300);

  loop_.AddTimer(100, [&] { loop_.Stop(); }, true);
  loop_.Run();
  EXPECT_EQ(clock_.MonotonicMs(), 400);
  EXPECT_FALSE(loop_.RunUntil([] { return false; }, 50));
  EXPECT_EQ(clock_.MonotonicMs(), 450);
}

TEST_F(EventLoopTest, PollHookRunsEachInterval) {
  int polls = 0;
  loop_.AddPollHook([&] { ++polls; }, 250);
  loop_.RunFor(1000);
  EXPECT_EQ(polls, 4);
}

TEST_F(EventLoopTest, HandlerExceptionPropagatesAndTimerStaysUsable) {
  int runs = 0;
  loop_.AddTimer(100, [&] {
    if (++runs == 1) throw Error("boom");
  }, true);
  clock_.Advance(100);
  EXPECT_THROW(loop_.PumpPending(), Error);
  loop_.RunFor(100);
  EXPECT_EQ(runs, 2);
}

TEST_F(EventLoopTest, DueTimersWaitUntilNoPostedMessageWaits) {
  std::vector<std::string> log;
  int posted = 0;
  // The first timer posts work (as a write posts its item events); the
  // second, due at the same time, must run only after that work.
  loop_.AddTimer(100, [&] {
    log.push_back("write");
    loop_.Post([&] {
      log.push_back("event");
      if (++posted == 1) loop_.Post([&] { log.push_back("follow-up"); });
    });
  }, true);
  loop_.AddTimer(100, [&] { log.push_back("tick"); }, true);
  clock_.Advance(100);
  loop_.PumpPending();
  EXPECT_EQ(log, (std::vector<std::string>{"write"}));
  loop_.PumpPending();
  EXPECT_EQ(log, (std::vector<std::string>{"write", "event"}));
  loop_.PumpPending();
  EXPECT_EQ(log, (std::vector<std::string>{"write", "event", "follow-up", "tick"}));
  // DrainMessages runs everything posted, also what it posts, and no timer.
  clock_.Advance(100);
  loop_.Post([&] { loop_.Post([&] { log.push_back("nested"); }); });
  EXPECT_EQ(loop_.DrainMessages(), 2u);
  EXPECT_EQ(log.back(), "nested");
}

TEST(ClockTest, VirtualClockTimeOfDay) {
  VirtualClock clock(Date::FromParts(2006, 2, 13, 23, 59, 59));
  clock.Advance(1500);
  EXPECT_EQ(clock.Now(), Date::FromParts(2006, 2, 14, 0, 0, 0));
  EXPECT_DOUBLE_EQ(clock.SecondsSinceMidnight(), 0.5);
  clock.SetNow(Date::FromParts(2007, 1, 1, 8));
  EXPECT_EQ(clock.Now(), Date::FromParts(2007, 1, 1, 8));
  EXPECT_EQ(clock.MonotonicMs(), 1500);
  EXPECT_THROW(clock.Advance(-1), Error);
}

TEST(ClockTest, RealClockLoopSleepsToTheTimer) {
  RealClock clock;
  EventLoop loop(clock);
  int ticks = 0;
  loop.AddTimer(10, [&] { ++ticks; }, true);
  const int64_t start = clock.MonotonicMs();
  loop.RunFor(35);
  EXPECT_GE(clock.MonotonicMs() - start, 35);
  EXPECT_GE(ticks, 1);
  EXPECT_LE(ticks, 4);
  const double s = clock.SecondsSinceMidnight();
  EXPECT_GE(s, 0.0);
  EXPECT_LT(s, 86400.0);
}

}  // namespace

namespace {

// A pipe whose read end the loop watches.
struct Pipe {
  int fds[2];
  Pipe() { EXPECT_EQ(::pipe(fds), 0); }
  ~Pipe() {
    ::close(fds[0]);
    ::close(fds[1]);
  }
  void Write() { EXPECT_EQ(::write(fds[1], "x", 1), 1); }
  void ReadOne() {
    char c;
    EXPECT_EQ(::read(fds[0], &c, 1), 1);
  }
};

TEST_F(EventLoopTest, WatchedDescriptorsRunBeforeTimeJumpsOnAndCanBePaused) {
  Pipe p;
  std::vector<std::string> log;
  loop_.AddTimer(1000, [&] { log.push_back("timer@" + std::to_string(clock_.MonotonicMs())); }, true);
  const WatchId w = loop_.WatchFd(p.fds[0], [&] {
    p.ReadOne();
    log.push_back("read@" + std::to_string(clock_.MonotonicMs()));
  });
  p.Write();
  loop_.RunFor(1500);
  EXPECT_EQ(log, (std::vector<std::string>{"read@0", "timer@1000"}));

  log.clear();
  loop_.SetWatchEnabled(w, false);
  p.Write();
  loop_.RunFor(1000);
  EXPECT_EQ(log, (std::vector<std::string>{"timer@2000"})) << "a paused watch is not read";
  loop_.SetWatchEnabled(w, true);
  loop_.RunFor(100);
  EXPECT_EQ(log.back(), "read@2500");
}

TEST_F(EventLoopTest, WatchRemovedInItsOwnHandlerAndIdleLoopWithoutWatchesEnds) {
  Pipe p;
  int runs = 0;
  WatchId w = 0;
  w = loop_.WatchFd(p.fds[0], [&] {
    ++runs;
    loop_.RemoveWatch(w);
  });
  p.Write();
  p.Write();
  // With the watch gone nothing can happen any more: RunUntil returns at once.
  EXPECT_FALSE(loop_.RunUntil([] { return false; }));
  EXPECT_EQ(runs, 1);
}

}  // namespace
