// The envelope's text forms: date-time, version, SynchRange, header lines.
#include <gtest/gtest.h>

#include "exchange/mEnvelope.h"

using platform::Date;

TEST(EnvelopeDate, WritesAndReadsTheSeventeenCharacterForm) {
  const Date d = Date::FromParts(2006, 2, 13, 14, 13, 59);
  EXPECT_EQ(mEnvelope::Date2CStr(d), "20060213 14:13:59");
  EXPECT_EQ(mEnvelope::CStr2Date("20060213 14:13:59"), d);
  EXPECT_EQ(mEnvelope::Date2CStr(Date::FromParts(1999, 12, 31, 0, 0, 1)), "19991231 00:00:01");
  // Every field zero-padded, the zero date and a three-digit year included.
  EXPECT_EQ(mEnvelope::Date2CStr(Date()), "18991230 00:00:00");
  EXPECT_EQ(mEnvelope::Date2CStr(Date::FromParts(999, 1, 2, 3, 4, 5)), "09990102 03:04:05");
  EXPECT_EQ(mEnvelope::Date2CStr(Date::FromParts(2026, 10, 31, 23, 59, 58)), "20261031 23:59:58");
  // Separators are not checked, only positions.
  EXPECT_EQ(mEnvelope::CStr2Date("20060213x14x13x59"), d);
}

TEST(EnvelopeDate, BadTextGivesTheZeroDate) {
  for (const char* text : {"20060213 14:13:5", "2006021314:13:59", "", "abc", "2006021x 14:13:59", "20061313 14:13:59"})
    EXPECT_TRUE(mEnvelope::CStr2Date(text).IsZero()) << text;
}

TEST(EnvelopeVersion, ComparesThreeNumericParts) {
  EXPECT_EQ(mEnvelope::GetAppVersion(), "3.01.0459");
  struct Case { const char* a; const char* b; int expected; };
  const Case cases[] = {
      {"3.01.0459", "3.99.9999", -1}, {"3.01.0459", "2.60.0000", 1}, {"3.1.459", "3.01.0459", 0},
      {"3.01.0459", "3.01.0460", -1}, {"4", "3.99.9999", 1},         {"3.01", "3.01.0000", 0},
      {"10.0.0", "9.99.9999", 1},
  };
  for (const Case& c : cases) EXPECT_EQ(mEnvelope::CompareVersions(c.a, c.b), c.expected) << c.a << " vs " << c.b;
  EXPECT_TRUE(mEnvelope::IsVersionInWindow("2.60.0000", "3.99.9999"));
  EXPECT_TRUE(mEnvelope::IsVersionInWindow("3.01.0459", "3.01.0459"));
  EXPECT_FALSE(mEnvelope::IsVersionInWindow("3.02.0000", "3.99.9999"));
  EXPECT_FALSE(mEnvelope::IsVersionInWindow("2.00.0000", "3.00.9999"));
}

TEST(EnvelopeAddress, SameAddressIgnoresCaseOnly) {
  EXPECT_TRUE(mEnvelope::SameAddress("Bob@Example.org", "bob@example.org"));
  EXPECT_FALSE(mEnvelope::SameAddress(" bob@example.org", "bob@example.org"));
  EXPECT_FALSE(mEnvelope::SameAddress("bob@example.org", "bob@example.or"));
}

TEST(EnvelopeHeader, AppointmentBodyReadsBack) {
  const std::string body =
      mEnvelope::BuildAppointmentBody("This mail belongs to the calendar.", "", "alice@example.org", "102212",
                                  "20060213 14:13:59");
  EXPECT_EQ(body.substr(body.size() - 27), "SynchTime:20060213 14:13:59");
  const auto lines = mEnvelope::SplitHeader(body);
  EXPECT_EQ(mEnvelope::GetStrFromSplit(lines, "Action", true), "");
  EXPECT_EQ(mEnvelope::GetStrFromSplit(lines, "AppVersion", true), "3.01.0459");
  EXPECT_EQ(mEnvelope::GetStrFromSplit(lines, "CompatibilityVersionMin", true), "2.60.0000");
  EXPECT_EQ(mEnvelope::GetStrFromSplit(lines, "CompatibilityVersionMax", true), "3.99.9999");
  EXPECT_EQ(mEnvelope::GetStrFromSplit(lines, "SenderAddress", true), "alice@example.org");
  EXPECT_EQ(mEnvelope::GetStrFromSplit(lines, "SynchRange", true), "102212");
  // The value keeps its inner colons: only the first one separates.
  EXPECT_EQ(mEnvelope::GetStrFromSplit(lines, "SynchTime", true), "20060213 14:13:59");
}

TEST(EnvelopeHeader, ToleratesBlankLinesAndTrailingBlanks) {
  const std::string body =
      "Intro text \r\n\r\n\r\n  Action:Request  \r\n\r\nSenderAddress: bob@example.org \r\nsynchrange:1\r\nSynchRange:102212";
  const auto lines = mEnvelope::SplitHeader(body);
  for (const std::string& line : lines) EXPECT_FALSE(line.empty());
  EXPECT_EQ(mEnvelope::GetStrFromSplit(lines, "Action", false), "Request");
  EXPECT_EQ(mEnvelope::GetStrFromSplit(lines, "SenderAddress", false), "bob@example.org");
  // Keys are case-sensitive: the lower-case line does not match.
  EXPECT_EQ(mEnvelope::GetStrFromSplit(lines, "SynchRange", false), "102212");
  EXPECT_EQ(mEnvelope::GetStrFromSplit(lines, "Missing", true), "");
}

TEST(EnvelopeHeader, GroupBodyCarriesTheVersionWindow) {
  const auto lines = mEnvelope::SplitHeader(mEnvelope::BuildGroupBody("Group message"));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], "CompatibilityVersionMin:2.60.0000");
  EXPECT_EQ(lines[2], "CompatibilityVersionMax:3.99.9999");
}
