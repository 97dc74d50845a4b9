#include "host/HostService.h"

#include <iostream>
#include <memory>

#include "diagnostics/CDebug.h"
#include "host/CommandRun.h"
#include "platform/CommandClient.h"
#include "platform/CommandServer.h"
#include "platform/Error.h"
#include "platform/SignalPipe.h"

namespace fs = std::filesystem;

namespace host {

namespace {

constexpr const char* kRequestTag = "zentabo-command-1";

// Sends a stream's output elsewhere for as long as it lives.
class StreamRedirect {
 public:
  StreamRedirect(std::ostream& stream, std::ostream& to) : m_stream(stream), m_before(stream.rdbuf(to.rdbuf())) {}
  ~StreamRedirect() {
    m_stream.flush();
    m_stream.rdbuf(m_before);
  }

 private:
  std::ostream& m_stream;
  std::streambuf* m_before;
};

// Works in the client's folder for as long as it lives, so that the files a
// command names are the ones the user meant.
class WorkingFolder {
 public:
  explicit WorkingFolder(const std::string& folder) : m_before(fs::current_path()) {
    std::error_code ec;
    fs::current_path(folder, ec);
    if (ec) throw platform::Error("cannot work in the folder " + folder + ": " + ec.message());
  }
  ~WorkingFolder() {
    std::error_code ec;
    fs::current_path(m_before, ec);
  }

 private:
  fs::path m_before;
};

}  // namespace

std::string EncodeRequest(const HostRequest& r) {
  std::string out = kRequestTag;
  auto add = [&out](const std::string& field) {
    out.push_back('\0');
    out += field;
  };
  add(r.cwd);
  add(r.answer);
  add(r.noSafeItems ? "1" : "0");
  for (const std::string& a : r.args) add(a);
  return out;
}

HostRequest DecodeRequest(const std::string& bytes) {
  std::vector<std::string> fields;
  size_t at = 0;
  for (;;) {
    const size_t end = bytes.find('\0', at);
    fields.push_back(bytes.substr(at, end == std::string::npos ? std::string::npos : end - at));
    if (end == std::string::npos) break;
    at = end + 1;
  }
  if (fields.size() < 4 || fields[0] != kRequestTag)
    throw platform::Error("the running host got no command it knows (a client of another version?)");
  HostRequest r;
  r.cwd = fields[1];
  r.answer = fields[2];
  r.noSafeItems = fields[3] == "1";
  r.args.assign(fields.begin() + 4, fields.end());
  return r;
}

fs::path CommandSocketPath(const fs::path& home) { return fs::absolute(home) / ".run" / "host.sock"; }

int Run(const GlobalOptions& g, int seconds, const CommandExecutor& execute) {
  Running r(g);
  if (!r.Ready()) return 1;
  platform::EventLoop& loop = r.S().Loop();
  bool stopping = false;
  bool serving = false;
  // A stop during a command lets the command finish first.
  platform::SignalPipe signals(loop, [&](int signo) {
    g_Debug().Out("Host: stop on signal " + std::to_string(signo));
    stopping = true;
    if (!serving) loop.Stop();
  });
  AttachedHost attached{r.S(), r.Prompts(), ""};
  auto serve = [&](const std::string& bytes, std::ostream& out, std::ostream& err) {
    HostRequest req = DecodeRequest(bytes);
    StreamRedirect toOut(std::cout, out);
    StreamRedirect toErr(std::cerr, err);
    if (req.noSafeItems) {
      std::cerr << "zentabo: the add-in runs on this home (zentabo run): stop it to change items without it\n";
      return 1;
    }
    WorkingFolder folder(req.cwd);
    // Nobody sits at this process's terminal for the client: "ask" takes
    // the default answers, reported on the client's stderr.
    attached.answer = req.answer == "ask" || req.answer.empty() ? "default" : req.answer;
    serving = true;
    int code = 1;
    try {
      code = execute(req.args, attached);
    } catch (...) {
      serving = false;
      if (stopping) loop.Stop();
      throw;
    }
    serving = false;
    if (stopping) loop.Stop();
    return code;
  };
  platform::CommandServer server(loop, CommandSocketPath(r.S().Sys().Home()), serve);
  g_Debug().Out("Host: commands taken on " + server.Path().string());
  std::cout << "zentabo: the add-in runs; commands reach it at " << server.Path().string() << std::endl;
  const int64_t end = seconds >= 0 ? loop.clock().MonotonicMs() + int64_t{seconds} * 1000 : -1;
  while (!stopping) {
    const int64_t now = loop.clock().MonotonicMs();
    if (end >= 0 && now >= end) break;
    loop.RunFor(end >= 0 ? end - now : 60000);
  }
  return 0;
}

std::optional<int> RunOnRunningHost(const GlobalOptions& g, const std::vector<std::string>& args) {
  const fs::path socket = CommandSocketPath(g.home);
  std::error_code ec;
  if (!fs::exists(socket, ec)) return std::nullopt;
  HostRequest req;
  req.cwd = fs::current_path().string();
  req.answer = g.answer;
  req.noSafeItems = g.noSafeItems;
  req.args = args;
  return platform::CommandClient::Run(socket, EncodeRequest(req), std::cout, std::cerr);
}

}  // namespace host
