#include "platform/CommandFrames.h"

#include "platform/Error.h"

namespace platform {

namespace {

void PutLength(std::string& out, uint32_t n) {
  out.push_back(static_cast<char>((n >> 24) & 0xff));
  out.push_back(static_cast<char>((n >> 16) & 0xff));
  out.push_back(static_cast<char>((n >> 8) & 0xff));
  out.push_back(static_cast<char>(n & 0xff));
}

uint32_t GetLength(const std::string& in, size_t at) {
  uint32_t n = 0;
  for (size_t i = 0; i < 4; ++i) n = (n << 8) | static_cast<unsigned char>(in[at + i]);
  return n;
}

bool KnownType(char c) {
  return c == static_cast<char>(FrameType::Request) || c == static_cast<char>(FrameType::Out) ||
         c == static_cast<char>(FrameType::Err) || c == static_cast<char>(FrameType::Exit);
}

}  // namespace

std::string EncodeFrame(FrameType type, const std::string& payload) {
  if (payload.size() > UINT32_MAX) throw Error("a frame of " + std::to_string(payload.size()) + " bytes is too long");
  std::string out;
  out.reserve(kFrameHeaderBytes + payload.size());
  out.push_back(static_cast<char>(type));
  PutLength(out, static_cast<uint32_t>(payload.size()));
  out += payload;
  return out;
}

std::string EncodeExitFrame(int exitCode) {
  std::string code;
  PutLength(code, static_cast<uint32_t>(exitCode));
  return EncodeFrame(FrameType::Exit, code);
}

int DecodeExitCode(const std::string& payload) {
  if (payload.size() != 4) throw Error("an exit frame of " + std::to_string(payload.size()) + " bytes, not 4");
  return static_cast<int>(GetLength(payload, 0));
}

std::string TooLongRequestMessage(size_t bytes) {
  return "zentabo: a command of " + std::to_string(bytes) + " bytes is longer than the " +
         std::to_string(kMaxRequestBytes) + " bytes the running host takes; refused\n";
}

void FrameReader::Feed(const char* data, size_t size) { buffer_.append(data, size); }

std::optional<size_t> FrameReader::AnnouncedLength() const {
  if (buffer_.size() < kFrameHeaderBytes) return std::nullopt;
  return GetLength(buffer_, 1);
}

std::optional<Frame> FrameReader::Next() {
  if (buffer_.empty()) return std::nullopt;
  if (!KnownType(buffer_[0]))
    throw Error("a frame of unknown type " + std::to_string(static_cast<unsigned char>(buffer_[0])));
  std::optional<size_t> length = AnnouncedLength();
  if (!length || buffer_.size() < kFrameHeaderBytes + *length) return std::nullopt;
  Frame f;
  f.type = static_cast<FrameType>(buffer_[0]);
  f.payload = buffer_.substr(kFrameHeaderBytes, *length);
  buffer_.erase(0, kFrameHeaderBytes + *length);
  return f;
}

}  // namespace platform
