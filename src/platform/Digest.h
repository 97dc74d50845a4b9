#pragma once
// Digest: the SHA-256 digest of bytes (through nettle), as the lower-case
// hex text that sha256sum prints, so that the host can show which file an
// item carries and a test can compare it with the file on disk.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform::Digest {

std::string Sha256Hex(std::string_view bytes);
std::string Sha256Hex(const std::vector<uint8_t>& bytes);

}  // namespace platform::Digest
