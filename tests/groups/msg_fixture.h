#pragma once
// Shared by the group-message tests: a temporary folder with a file-sink
// debug writer installed as the process-wide one, whose entries the tests
// read back to check the exact log texts.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "diagnostics/CDebug.h"

class MsgLogCapture {
 public:
  MsgLogCapture() {
    static int n = 0;
    dir = std::filesystem::temp_directory_path() /
          ("zentabo-msg-" + std::to_string(getpid()) + "-" + std::to_string(++n));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    debug = std::make_unique<CDebug>(dir.string(), "");
    debug->UseSupportLog(false);
    debug->DebugLevel(3);
    SetGlobalDebug(debug.get());
  }
  ~MsgLogCapture() {
    SetGlobalDebug(nullptr);
    debug.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  MsgLogCapture(const MsgLogCapture&) = delete;
  MsgLogCapture& operator=(const MsgLogCapture&) = delete;

  std::string Text() const {
    std::ifstream in(dir / "addin.log", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  bool Logged(const std::string& text) const { return Text().find(text) != std::string::npos; }
  void Clear() const {
    std::error_code ec;
    std::filesystem::remove(dir / "addin.log", ec);
  }

  std::filesystem::path dir;
  std::unique_ptr<CDebug> debug;
};
