// The entry checks of keys, addresses and names, on the hostile texts that
// were found to get through before.
#include <gtest/gtest.h>

#include <string>

#include "groups/mAddress.h"
#include "groups/mInput.h"

TEST(InputCheck, KeysHaveExactlyTheGeneratorsShape) {
  EXPECT_TRUE(mInput::IsKey("64522606-20060213141359"));
  for (const char* bad : {"", "64522606-2006021314135", "64522606-200602131413599", "94522606-20060213141359",
                          "64522606_20060213141359", "64522606-2006021314135x", "6452260;-20060213141359"})
    EXPECT_FALSE(mInput::IsKey(bad)) << bad;
}

TEST(InputCheck, AnAddressIsOneDeliverableAddress) {
  for (const char* good : {"bob@example.org", "b.o-b+x@mail.example.co", "o'neil@ex-ample.org"})
    EXPECT_TRUE(mAddress::IsAddress(good)) << good;
  const std::string huge = std::string(10000, 'a') + "@example.org";
  for (const std::string& bad :
       {std::string("eve@example.com;spy@evil.example"), std::string("..@"), std::string("bob\n@example.org"),
        huge, std::string("bob@example.org "), std::string("../../evil@x.com"), std::string("noatsign"),
        std::string("a@b@example.org"), std::string("bob@localhost"), std::string("bob@-x.org"),
        std::string("Bob@Example.org"), std::string("bob@example.org/room")})
    EXPECT_FALSE(mAddress::IsAddress(bad)) << bad.substr(0, 60);
  EXPECT_EQ(mAddress::NormaliseAddress(" \tBob@Example.ORG \n"), "bob@example.org");
  EXPECT_TRUE(mAddress::IsMemberAddress("alice@example.org/room"));
  EXPECT_FALSE(mAddress::IsMemberAddress("alice@example.org/"));
  EXPECT_FALSE(mAddress::IsMemberAddress("alice@example.org/a;b"));
  EXPECT_FALSE(mAddress::IsMemberAddress("noatsign/room"));
}

TEST(InputCheck, StoredNamesAreEscapedForTheTerminal) {
  EXPECT_EQ(mInput::EscapeForTerminal("Team \x1b[2J\\x"), "Team \\x1B[2J\\\\x");
  EXPECT_EQ(mInput::EscapeForTerminal(std::string("a\0b", 3)), "a\\x00b");
  EXPECT_EQ(mInput::EscapeForTerminal("Zoë"), "Zoë");
  EXPECT_EQ(mInput::CleanName(std::string(300, 'x')).size(), mInput::kMaxNameLength);
  EXPECT_EQ(mInput::CleanName(std::string(255, 'x') + "ë"), std::string(255, 'x')) << "cut on a character boundary";
}
