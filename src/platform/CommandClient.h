#pragma once
// CommandClient: hands one command to the server on a local socket (see
// CommandServer.h) and relays its answer, so that the calling program prints
// what the command printed and ends with its exit code.
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

namespace platform {

class CommandClient {
 public:
  // Sends request to the server at socketPath and writes the command's
  // output to out and err as it arrives. Returns the command's exit code,
  // or nullopt when no server answers there (no socket, or one left by a
  // server that was killed: the next server removes it). A request longer
  // than kMaxRequestBytes is refused here with exit code 2, as the server
  // would. Throws platform::Error when the server breaks off before the end.
  static std::optional<int> Run(const std::filesystem::path& socketPath, const std::string& request,
                                std::ostream& out, std::ostream& err);
};

}  // namespace platform
