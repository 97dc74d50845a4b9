#include "platform/Digest.h"

#include <nettle/sha2.h>

namespace platform::Digest {

namespace {

std::string Hex(const uint8_t* data, size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    out += kDigits[data[i] >> 4];
    out += kDigits[data[i] & 15];
  }
  return out;
}

std::string Sha256(const uint8_t* data, size_t size) {
  sha256_ctx ctx;
  sha256_init(&ctx);
  sha256_update(&ctx, size, data);
  uint8_t digest[SHA256_DIGEST_SIZE];
  sha256_digest(&ctx, SHA256_DIGEST_SIZE, digest);
  return Hex(digest, SHA256_DIGEST_SIZE);
}

}  // namespace

std::string Sha256Hex(std::string_view bytes) {
  return Sha256(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

std::string Sha256Hex(const std::vector<uint8_t>& bytes) { return Sha256(bytes.data(), bytes.size()); }

}  // namespace platform::Digest
