#pragma once
// HostService: the add-in kept running on a home for as long as the user is
// logged on, as the mail client keeps it, and the way commands reach it.
// While it runs, the commands that open the profile do not open it again:
// they go over the home's command socket and run on the service's event
// loop, through the same command code, printing and ending as if they had
// run in their own process.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/Commands.h"

namespace host {

// Runs a command line (the arguments after the program's name) on the
// running host. main's parser and dispatcher, so that a command sent to the
// host takes the very path it takes in its own process.
using CommandExecutor = std::function<int(const std::vector<std::string>& args, AttachedHost& host)>;

// What a client sends: where it runs and how questions are answered, and
// its command line.
struct HostRequest {
  std::string cwd;
  std::string answer;  // yes, no, default or ask
  bool noSafeItems = false;
  std::vector<std::string> args;
};

std::string EncodeRequest(const HostRequest& r);
// Throws platform::Error on bytes that are no request.
HostRequest DecodeRequest(const std::string& bytes);

// <home>/.run/host.sock: the socket of the host running on that home.
std::filesystem::path CommandSocketPath(const std::filesystem::path& home);

// Runs the add-in on g.home until SIGTERM or SIGINT (or `seconds`, when not
// negative), picking up mail as it arrives and serving the commands sent to
// its socket. Stops in order: the socket removed, the add-in shut down
// (timers killed, Done), the profile closed. Returns the exit code.
int Run(const GlobalOptions& g, int seconds, const CommandExecutor& execute);

// Sends the command line to the host running on g.home and relays its
// output and exit code; nullopt when no host runs there (the command then
// runs in this process, as without a host).
std::optional<int> RunOnRunningHost(const GlobalOptions& g, const std::vector<std::string>& args);

}  // namespace host
