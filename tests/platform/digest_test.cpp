// SHA-256 digests as sha256sum prints them.
#include <gtest/gtest.h>

#include "platform/Digest.h"

namespace {

TEST(DigestTest, Sha256MatchesKnownDigests) {
  struct Case {
    std::string input;
    std::string hex;
  };
  const Case cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {std::string("\0\xff", 2), "06eb7d6a69ee19e5fbdf749018d3d2abfa04bcbd1365db312eb86dc7169389b8"},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::Digest::Sha256Hex(c.input), c.hex) << c.input.size();
  EXPECT_EQ(platform::Digest::Sha256Hex(std::vector<uint8_t>{'a', 'b', 'c'}), cases[1].hex);
}

}  // namespace
