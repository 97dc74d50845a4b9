// The exact-name index behind the property and element tables.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>

#include "platform/NameIndex.h"

namespace {

TEST(NameIndexTest, FindsEachNameAtItsPositionAndNothingElse) {
  constexpr std::array<std::string_view, 6> names = {"Start", "End", "Body", "Sensitivity", "Subject", ""};
  const platform::NameIndex index(names);
  for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(index.Find(names[i]), i) << names[i];
  // Names of the same length are told apart; letter case counts.
  EXPECT_FALSE(index.Find("Stare"));
  EXPECT_FALSE(index.Find("body"));
  EXPECT_FALSE(index.Find("Subjec"));
  EXPECT_FALSE(index.Find(std::string(100, 'x')));
  // The first of a name given twice keeps it.
  constexpr std::array<std::string_view, 3> twice = {"A", "B", "A"};
  EXPECT_EQ(platform::NameIndex(twice).Find("A"), 0u);
}

}  // namespace
