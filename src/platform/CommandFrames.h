#pragma once
// CommandFrames: the framing of the local command socket. A client sends one
// request frame; the server answers with output frames (the command's
// standard output and error, in the order written) and ends with one exit
// frame carrying the exit code. A frame is one type byte, the payload's
// length as four bytes, most significant first, and the payload.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

enum class FrameType : char { Request = 'q', Out = 'o', Err = 'e', Exit = 'x' };

struct Frame {
  FrameType type = FrameType::Request;
  std::string payload;
};

// The longest request a server reads; longer ones are refused unread.
inline constexpr size_t kMaxRequestBytes = 1 << 20;
inline constexpr size_t kFrameHeaderBytes = 5;

// The bytes of one frame.
std::string EncodeFrame(FrameType type, const std::string& payload);
// The bytes of an exit frame.
std::string EncodeExitFrame(int exitCode);
// The exit code an exit frame carries. Throws platform::Error when the
// payload is not four bytes.
int DecodeExitCode(const std::string& payload);
// The line a too-long request is refused with.
std::string TooLongRequestMessage(size_t bytes);

// Takes the bytes of a stream as they arrive and hands out whole frames.
class FrameReader {
 public:
  // Adds received bytes.
  void Feed(const char* data, size_t size);
  // The next whole frame, removed from the buffer; nullopt while its bytes
  // have not all arrived. Throws platform::Error on an unknown type byte.
  std::optional<Frame> Next();
  // The payload length the waiting frame's header announces, once its
  // header has arrived (lets a reader refuse a frame before taking it in).
  std::optional<size_t> AnnouncedLength() const;
  // Bytes received and not yet handed out.
  size_t Buffered() const { return buffer_.size(); }

 private:
  std::string buffer_;
};

}  // namespace platform
