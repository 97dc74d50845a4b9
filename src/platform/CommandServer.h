#pragma once
// CommandServer: takes commands over a local socket in the user's home and
// runs them on the event loop, one at a time. A client sends one request
// (see CommandFrames.h); the handler runs it with two streams whose output
// goes back to the client as it is written, and the server ends the answer
// with the handler's exit code. Only the owner reaches the socket: it lies
// in a folder of mode 0700 and is itself of mode 0600.
#include <filesystem>
#include <functional>
#include <map>
#include <ostream>
#include <string>

#include "platform/CommandFrames.h"
#include "platform/EventLoop.h"

namespace platform {

class CommandServer {
 public:
  // Runs one request; returns the exit code. Exceptions count as exit 1,
  // their message written to err.
  using Handler = std::function<int(const std::string& request, std::ostream& out, std::ostream& err)>;

  // Serves socketPath on loop (both outlive the server): creates the folder
  // (mode 0700), removes a socket left by a server that was killed, and
  // puts the new socket in place only once it listens, so that a client
  // never finds a socket nobody answers. Throws platform::Error when a
  // server answers there already, or the socket cannot be made.
  CommandServer(EventLoop& loop, const std::filesystem::path& socketPath, Handler handler);
  // Stops listening, drops the connections waiting and removes the socket.
  ~CommandServer();
  CommandServer(const CommandServer&) = delete;
  CommandServer& operator=(const CommandServer&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // Requests run to their end so far.
  size_t Served() const { return served_; }

 private:
  struct Connection {
    WatchId watch = 0;
    FrameReader reader;
  };
  void Accept();
  void Read(int fd);
  void Close(int fd);
  // Runs a whole request with every watch of the server paused, so that a
  // handler pumping the loop never starts a second command inside itself.
  void Serve(int fd, const std::string& request);
  void PauseWatches(bool paused);

  EventLoop& loop_;
  std::filesystem::path path_;
  Handler handler_;
  int listenFd_ = -1;
  WatchId listenWatch_ = 0;
  std::map<int, Connection> connections_;
  size_t served_ = 0;
  ino_t inode_ = 0;
};

}  // namespace platform
