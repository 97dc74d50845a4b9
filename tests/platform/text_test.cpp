#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Text.h"

namespace {

using Parts = std::vector<std::string>;

TEST(TextTest, LowerAndEqualsNoCaseFoldAsciiOnly) {
  EXPECT_EQ(platform::Lower(""), "");
  EXPECT_EQ(platform::Lower("Bob@Example.ORG 1-Z[]"), "bob@example.org 1-z[]");
  // Bytes of UTF-8 letters stay as they are: "Ä" is not folded to "ä".
  EXPECT_EQ(platform::Lower("\xC3\x84"), "\xC3\x84");
  EXPECT_TRUE(platform::EqualsNoCase("", ""));
  EXPECT_TRUE(platform::EqualsNoCase("Bob@Example.org", "bOB@eXAMPLE.ORG"));
  EXPECT_FALSE(platform::EqualsNoCase("bob", "bob "));
  EXPECT_FALSE(platform::EqualsNoCase("bob", ""));
  EXPECT_FALSE(platform::EqualsNoCase("\xC3\x84", "\xC3\xA4"));
  // '@' and '`' sit next to the letters and must not be folded onto them.
  EXPECT_FALSE(platform::EqualsNoCase("@", "`"));
}

TEST(TextTest, TrimRemovesOnlyTheGivenCharacters) {
  struct Case {
    std::string text;
    std::string_view chars;
    std::string want;
  };
  const Case cases[] = {
      {"", platform::kBlanks, ""},
      {" \t\r\n ", platform::kBlanks, ""},
      {"\t a b \r\n", platform::kBlanks, "a b"},
      {"a", platform::kBlanks, "a"},
      {"\va\f", platform::kBlanks, "\va\f"},
      {"\v a \f", platform::kWhiteSpace, "a"},
      {"  ", platform::kSpaces, ""},
      {" \ta\t ", platform::kSpaces, "\ta\t"},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::Trim(c.text, c.chars), c.want) << "'" << c.text << "'";
  EXPECT_EQ(platform::Trim(" x "), "x");
}

TEST(TextTest, SplitKeepsEmptyPartsAndJoinUndoesIt) {
  struct Case {
    std::string text;
    std::string sep;
    Parts want;
  };
  const Case cases[] = {
      {"", ";", {}},
      {"a", ";", {"a"}},
      {";", ";", {"", ""}},
      {";a;", ";", {"", "a", ""}},
      {"a;;b", ";", {"a", "", "b"}},
      {" a ; b ", ";", {" a ", " b "}},
      {"1.2.3", ".", {"1", "2", "3"}},
      {"k: v\r\nx\r\n", "\r\n", {"k: v", "x", ""}},
      {"a\r\nb", "\n", {"a\r", "b"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::Split(c.text, c.sep), c.want) << "'" << c.text << "'";
    EXPECT_EQ(platform::Join(c.want, c.sep), c.text) << "'" << c.text << "'";
  }
  EXPECT_EQ(platform::Split("a;b", ';'), (Parts{"a", "b"}));
  EXPECT_EQ(platform::Join({}, ";"), "");
  // The one list Split cannot give back: a single empty part joins to "".
  EXPECT_EQ(platform::Join({""}, ";"), "");
}

TEST(TextTest, ParseIntTakesWholeNumbersOnly) {
  struct Case {
    std::string text;
    bool ok;
    int want;
  };
  const Case cases[] = {
      {"0", true, 0},          {" 42 ", true, 42},         {"+7", true, 7},
      {"-15", true, -15},      {"2147483647", true, 2147483647},
      {"", false, 0},          {"   ", false, 0},          {"-", false, 0},
      {"+", false, 0},         {"1.5", false, 0},          {"1 2", false, 0},
      {"12a", false, 0},       {"\t3", false, 0},          {"2147483648", false, 0},
      {"-2147483648", false, 0},
  };
  for (const Case& c : cases) {
    int n = -99;
    EXPECT_EQ(platform::ParseInt(c.text, n), c.ok) << "'" << c.text << "'";
    EXPECT_EQ(n, c.ok ? c.want : -99) << "'" << c.text << "'";
  }
}

}  // namespace
