// The key generator: shape, digit range and the clock part.
#include <gtest/gtest.h>

#include <set>

#include "groups/CKeyGenerator.h"
#include "platform/Clock.h"

TEST(KeyGenerator, ShapeFromClockAndRandomSource) {
  platform::VirtualClock clock(platform::Date::FromParts(2006, 2, 13, 14, 13, 59));
  double values[] = {0.0, 0.999999, 0.5, 0.12, 0.34, 0.78, 0.9, 0.2};
  int i = 0;
  CKeyGenerator gen(clock, [&] { return values[i++ % 8]; });
  EXPECT_EQ(gen.GetHtmlID(), "08413781-20060213141359");
  clock.SetNow(platform::Date::FromParts(2002, 9, 30, 6, 2, 3));
  EXPECT_EQ(gen.GetHtmlID().substr(8), "-20020930060203");
}

TEST(KeyGenerator, RandomSourceReturningOneStillGivesNoNine) {
  platform::VirtualClock clock;
  CKeyGenerator gen(clock, [] { return 1.0; });
  EXPECT_EQ(gen.GetHtmlID().substr(0, 8), "88888888");
}

TEST(KeyGenerator, BuiltInSourceNeverGivesNineAndKeysDiffer) {
  platform::VirtualClock clock(platform::Date::FromParts(2026, 12, 5, 9, 0, 0));
  CKeyGenerator gen(clock);
  std::set<std::string> seen;
  std::set<char> digits;
  for (int n = 0; n < 20000; ++n) {
    std::string key = gen.GetHtmlID();
    ASSERT_EQ(key.size(), 23u);
    ASSERT_EQ(key[8], '-');
    for (int d = 0; d < 8; ++d) {
      ASSERT_GE(key[d], '0');
      ASSERT_LE(key[d], '8');
      digits.insert(key[d]);
    }
    EXPECT_EQ(key.substr(9), "20261205090000");
    seen.insert(key);
  }
  EXPECT_EQ(digits.size(), 9u) << "every digit 0..8 occurs";
  // Eight digits of nine values repeat about once in 10,000 draws; a bulk
  // import makes that many ids in one second.
  EXPECT_EQ(seen.size(), 20000u) << "keys of one second never repeat";
}

TEST(KeyGenerator, ProcessWideGeneratorCanBeReplaced) {
  platform::VirtualClock clock(platform::Date::FromParts(2010, 1, 2, 3, 4, 5));
  CKeyGenerator gen(clock, [] { return 0.0; });
  SetGlobalKeyGenerator(&gen);
  EXPECT_EQ(NewKey(), "00000000-20100102030405");
  SetGlobalKeyGenerator(nullptr);
  EXPECT_EQ(NewKey().size(), 23u);
}
