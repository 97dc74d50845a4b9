// The local command socket: its framing, and a server on a real loop met by
// clients that behave and clients that do not. The clients here are raw
// sockets driven from the test's one thread: they connect (the listen queue
// takes them), write, and read once the loop has served them.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/CommandClient.h"
#include "platform/CommandFrames.h"
#include "platform/CommandServer.h"
#include "platform/Error.h"
#include "platform/EventLoop.h"
#include "platform/LocalSocket.h"
#include "platform/SignalPipe.h"
#include "support/TempHome.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

TEST(CommandFrames, WholeFramesComeOutHoweverTheBytesArrive) {
  const std::string big(70000, 'x');
  const std::string stream = EncodeFrame(FrameType::Out, "hello") + EncodeFrame(FrameType::Err, "") +
                             EncodeFrame(FrameType::Out, big) + EncodeExitFrame(3);
  for (size_t chunk : {size_t{1}, size_t{4}, size_t{5}, size_t{4096}, stream.size()}) {
    SCOPED_TRACE(chunk);
    FrameReader r;
    std::vector<Frame> got;
    for (size_t at = 0; at < stream.size(); at += chunk) {
      r.Feed(stream.data() + at, std::min(chunk, stream.size() - at));
      while (auto f = r.Next()) got.push_back(*f);
    }
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0].payload, "hello");
    EXPECT_EQ(got[1].type, FrameType::Err);
    EXPECT_EQ(got[1].payload, "");
    EXPECT_EQ(got[2].payload, big);
    EXPECT_EQ(got[3].type, FrameType::Exit);
    EXPECT_EQ(DecodeExitCode(got[3].payload), 3);
    EXPECT_EQ(r.Buffered(), 0u);
  }
}

TEST(CommandFrames, LengthIsKnownFromTheHeaderAndBadInputIsRefused) {
  FrameReader r;
  const std::string f = EncodeFrame(FrameType::Request, std::string(300, 'a'));
  r.Feed(f.data(), 4);
  EXPECT_FALSE(r.AnnouncedLength());
  r.Feed(f.data() + 4, 1);
  EXPECT_EQ(r.AnnouncedLength(), 300u);
  EXPECT_FALSE(r.Next());

  FrameReader bad;
  bad.Feed("Z\0\0\0\0", 5);
  EXPECT_THROW(bad.Next(), Error);
  EXPECT_THROW(DecodeExitCode("abc"), Error);
  for (int code : {0, 1, 2, 255}) EXPECT_EQ(DecodeExitCode(EncodeExitFrame(code).substr(5)), code);
}

// A server on a real loop in a temporary home. The handler records what it
// ran, echoes the request to out and answers with exit code 7.
class CommandServerTest : public ::testing::Test {
 protected:
  fs::path Socket() const { return dir_.Path() / ".run" / "host.sock"; }

  void Start(CommandServer::Handler handler = {}) {
    if (!handler)
      handler = [this](const std::string& req, std::ostream& out, std::ostream& err) {
        ran_.push_back(req);
        out << "out:" << req;
        err << "err:" << req;
        return 7;
      };
    server_ = std::make_unique<CommandServer>(loop_, Socket(), handler);
  }

  int Connect() {
    const int fd = ConnectLocal(Socket());
    EXPECT_GE(fd, 0) << std::strerror(errno);
    return fd;
  }

  // Runs the loop until `n` requests have been served (at most 5 s).
  void ServeUntil(size_t n) {
    loop_.RunUntil([&] { return server_->Served() >= n; }, 5000);
    ASSERT_GE(server_->Served(), n);
  }

  // The exit code the server answered on fd with; -1 when it sent none.
  static int ExitCode(int fd) {
    std::vector<Frame> a = Answer(fd);
    return a.empty() || a.back().type != FrameType::Exit ? -1 : DecodeExitCode(a.back().payload);
  }

  // Reads everything the server answered on fd, until it closed it.
  static std::vector<Frame> Answer(int fd) {
    FrameReader r;
    char buf[4096];
    ssize_t n;
    while ((n = ::recv(fd, buf, sizeof(buf), 0)) > 0) r.Feed(buf, static_cast<size_t>(n));
    ::close(fd);
    std::vector<Frame> frames;
    while (auto f = r.Next()) frames.push_back(*f);
    return frames;
  }

  testing_support::TempDir dir_;
  RealClock clock_;
  EventLoop loop_{clock_};
  std::unique_ptr<CommandServer> server_;
  std::vector<std::string> ran_;
};

TEST_F(CommandServerTest, AnswersWithOutputAndExitCodeOnlyTheOwnerCanReach) {
  Start();
  struct stat st {};
  ASSERT_EQ(::stat(Socket().parent_path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  ASSERT_EQ(::stat(Socket().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  const int fd = Connect();
  ASSERT_TRUE(SendAll(fd, EncodeFrame(FrameType::Request, "status")));
  ServeUntil(1);
  std::vector<Frame> a = Answer(fd);
  ASSERT_EQ(a.size(), 3u);
  EXPECT_EQ(a[0].type, FrameType::Out);
  EXPECT_EQ(a[0].payload, "out:status");
  EXPECT_EQ(a[1].payload, "err:status");
  EXPECT_EQ(DecodeExitCode(a[2].payload), 7);
}

TEST_F(CommandServerTest, ClientsThatMisbehaveNeitherRunNorStopTheServer) {
  Start();
  // Half a request, then gone: nothing runs.
  int fd = Connect();
  const std::string req = EncodeFrame(FrameType::Request, "member add G x@y");
  SendAll(fd, req.substr(0, 8));
  ::close(fd);
  // A request announcing more than the limit: refused before it is read.
  const int tooLong = Connect();
  std::string header = EncodeFrame(FrameType::Request, "");
  header[1] = '\x7f';  // 2 GiB announced
  SendAll(tooLong, header);
  // Not a request at all.
  const int wrongType = Connect();
  SendAll(wrongType, EncodeFrame(FrameType::Out, "hello"));
  // A good one after them is served as usual.
  const int good = Connect();
  SendAll(good, EncodeFrame(FrameType::Request, "status"));
  ServeUntil(1);
  loop_.RunFor(100);  // whatever the others still wait for

  std::vector<Frame> refused = Answer(tooLong);
  ASSERT_EQ(refused.size(), 2u);
  EXPECT_NE(refused[0].payload.find("longer than the 1048576 bytes"), std::string::npos) << refused[0].payload;
  EXPECT_EQ(DecodeExitCode(refused[1].payload), 2);
  std::vector<Frame> wrong = Answer(wrongType);
  ASSERT_EQ(wrong.size(), 2u);
  EXPECT_EQ(DecodeExitCode(wrong[1].payload), 2);
  EXPECT_EQ(ran_, std::vector<std::string>{"status"});
  EXPECT_EQ(ExitCode(good), 7);
}

TEST_F(CommandServerTest, ClientGoneMidCommandLetsTheCommandFinish) {
  int fd = -1;
  bool finished = false;
  Start([&](const std::string&, std::ostream& out, std::ostream&) {
    if (fd < 0) return 0;
    ::close(fd);  // the first client gives up while its command runs
    fd = -1;
    for (int i = 0; i < 2000; ++i) out << std::string(1000, 'x') << std::flush;
    finished = true;
    return 0;
  });
  fd = Connect();
  SendAll(fd, EncodeFrame(FrameType::Request, "appt import big.json"));
  ServeUntil(1);
  EXPECT_TRUE(finished);
  // The server goes on serving.
  const int next = Connect();
  SendAll(next, EncodeFrame(FrameType::Request, "status"));
  ServeUntil(2);
  EXPECT_EQ(ExitCode(next), 0);
}

TEST_F(CommandServerTest, AHandlerPumpingTheLoopNeverStartsASecondCommand) {
  int depth = 0, deepest = 0;
  Start([&](const std::string&, std::ostream&, std::ostream&) {
    deepest = std::max(deepest, ++depth);
    loop_.RunFor(50);  // as a command settles the add-in's work
    --depth;
    return 0;
  });
  std::vector<int> fds;
  for (int i = 0; i < 5; ++i) {
    fds.push_back(Connect());
    SendAll(fds.back(), EncodeFrame(FrameType::Request, "sync"));
  }
  ServeUntil(5);
  EXPECT_EQ(deepest, 1);
  for (int fd : fds) EXPECT_EQ(ExitCode(fd), 0);
}

TEST_F(CommandServerTest, StaleSocketIsReplacedALiveOneIsNot) {
  // What a killed server leaves: a socket file nobody listens on.
  fs::create_directories(Socket().parent_path());
  {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    SocketAddress addr(Socket());
    ASSERT_EQ(::bind(fd, addr.Get(), addr.Size()), 0);
    ::close(fd);
  }
  std::ostringstream out, err;
  EXPECT_FALSE(CommandClient::Run(Socket(), "status", out, err)) << "a stale socket is no server";
  Start();
  EXPECT_THROW(CommandServer(loop_, Socket(), {}), Error);
  server_.reset();
  EXPECT_FALSE(fs::exists(Socket()));
  EXPECT_FALSE(CommandClient::Run(Socket(), "status", out, err));
}

TEST_F(CommandServerTest, ClientRefusesTooLongRequestsItself) {
  Start();
  std::ostringstream out, err;
  EXPECT_EQ(CommandClient::Run(Socket(), std::string(kMaxRequestBytes + 1, 'a'), out, err), 2);
  EXPECT_NE(err.str().find("refused"), std::string::npos);
  EXPECT_TRUE(ran_.empty());
}

TEST(CommandServerPath, DeepHomesWork) {
  testing_support::TempDir dir;
  const fs::path deep = dir.Path() / std::string(60, 'd') / std::string(60, 'e') / ".run" / "host.sock";
  fs::create_directories(deep.parent_path().parent_path());
  RealClock clock;
  EventLoop loop(clock);
  CommandServer server(loop, deep, [](const std::string&, std::ostream& out, std::ostream&) {
    out << "deep";
    return 0;
  });
  const int fd = ConnectLocal(deep);
  ASSERT_GE(fd, 0);
  SendAll(fd, EncodeFrame(FrameType::Request, "status"));
  loop.RunUntil([&] { return server.Served() == 1; }, 5000);
  char buf[64];
  EXPECT_GT(::recv(fd, buf, sizeof(buf), 0), 0);
  ::close(fd);
}

TEST(SignalPipe, StopSignalsRunTheirListenerOnTheLoop) {
  VirtualClock clock;
  EventLoop loop(clock);
  std::vector<int> got;
  int ticks = 0;
  loop.AddTimer(1000, [&] { ++ticks; }, true);
  {
    SignalPipe pipe(loop, [&](int signo) {
      got.push_back(signo);
      loop.Stop();
    });
    ::raise(SIGTERM);
    ::raise(SIGINT);
    EXPECT_TRUE(got.empty()) << "nothing runs inside the handler";
    loop.RunFor(60000);
    EXPECT_THROW(SignalPipe(loop, {}), Error);
  }
  EXPECT_EQ(got, (std::vector<int>{SIGTERM, SIGINT}));
  EXPECT_EQ(ticks, 0) << "the signals are read before time jumps on";
}

}  // namespace
