#include <gtest/gtest.h>

#include "platform/Date.h"
#include "platform/Error.h"

using platform::Date;

namespace {

Date D(int y, int m, int d, int h = 0, int n = 0, int s = 0) { return Date::FromParts(y, m, d, h, n, s); }

TEST(DateTest, ZeroDateAndOleDays) {
  EXPECT_EQ(Date(), D(1899, 12, 30));
  EXPECT_DOUBLE_EQ(D(1899, 12, 31, 12).ToOle(), 1.5);
  EXPECT_EQ(Date::FromOle(1.5), D(1899, 12, 31, 12));
  // Before the zero date the whole part counts back, the fraction forward.
  EXPECT_EQ(Date::FromOle(-1.25), D(1899, 12, 29, 6));
  EXPECT_DOUBLE_EQ(D(1899, 12, 29, 6).ToOle(), -1.25);
  EXPECT_EQ(Date::FromOle(38761.5924), D(2006, 2, 13, 14, 13, 3));
  const Date d = D(2006, 2, 13, 14, 13, 59);
  EXPECT_EQ(Date::FromOle(d.ToOle()), d);
}

TEST(DateTest, FieldsAndWeekday) {
  const Date d = D(2006, 2, 13, 14, 13, 59);
  EXPECT_EQ(d.Year(), 2006);
  EXPECT_EQ(d.Month(), 2);
  EXPECT_EQ(d.Day(), 13);
  EXPECT_EQ(d.Hour(), 14);
  EXPECT_EQ(d.Minute(), 13);
  EXPECT_EQ(d.Second(), 59);
  EXPECT_EQ(d.DateOnly(), D(2006, 2, 13));
  EXPECT_EQ(d.TimeOfDaySeconds(), 14 * 3600 + 13 * 60 + 59);
  EXPECT_EQ(d.Weekday(), 2);                  // Monday
  EXPECT_EQ(Date().Weekday(), 7);             // Saturday
  EXPECT_EQ(D(1899, 12, 31).Weekday(), 1);    // Sunday
  EXPECT_EQ(D(1899, 12, 24).Weekday(), 1);    // before the zero date too
  EXPECT_EQ(D(2000, 2, 29, 23, 59).Weekday(), 3);
  const Date before = D(1899, 12, 29, 6);
  EXPECT_EQ(before.Day(), 29);
  EXPECT_EQ(before.Hour(), 6);
}

TEST(DateTest, InvalidPartsThrow) {
  EXPECT_THROW(D(2006, 2, 29), platform::Error);
  EXPECT_THROW(D(2006, 13, 1), platform::Error);
  EXPECT_THROW(D(2006, 1, 1, 24), platform::Error);
  EXPECT_NO_THROW(D(2000, 2, 29));
  EXPECT_THROW(D(1900, 2, 29), platform::Error);
}

struct AddCase {
  Date from;
  const char* interval;
  int64_t count;
  Date expected;
};

TEST(DateTest, AddTable) {
  const AddCase cases[] = {
      {D(2006, 1, 31), "m", 1, D(2006, 2, 28)},
      {D(2004, 1, 31, 10, 30), "m", 1, D(2004, 2, 29, 10, 30)},
      {D(2006, 3, 31), "m", -1, D(2006, 2, 28)},
      {D(2006, 5, 31), "m", -1, D(2006, 4, 30)},
      {D(2006, 12, 15), "m", 1, D(2007, 1, 15)},
      {D(2006, 1, 15), "m", -13, D(2004, 12, 15)},
      {D(2004, 2, 29), "yyyy", 1, D(2005, 2, 28)},
      {D(2004, 2, 29), "yyyy", 4, D(2008, 2, 29)},
      {D(2006, 12, 31), "d", 1, D(2007, 1, 1)},
      {D(2007, 1, 1), "d", -1, D(2006, 12, 31)},
      {D(2006, 12, 25), "ww", 2, D(2007, 1, 8)},
      {D(2006, 2, 13, 23), "h", 25, D(2006, 2, 15)},
      {D(2006, 2, 13), "n", -1, D(2006, 2, 12, 23, 59)},
      {D(2006, 2, 13), "s", 86399, D(2006, 2, 13, 23, 59, 59)},
      {D(2006, 2, 13), "D", 1, D(2006, 2, 14)},  // intervals ignore case
  };
  for (const AddCase& c : cases)
    EXPECT_EQ(c.from.Add(c.interval, c.count), c.expected)
        << c.from.ToIso() << " + " << c.count << " " << c.interval << " gave "
        << c.from.Add(c.interval, c.count).ToIso();
  EXPECT_THROW(Date().Add("x", 1), platform::Error);
}

struct DiffCase {
  Date from;
  Date to;
  const char* interval;
  int64_t expected;
};

TEST(DateTest, DiffCountsBoundariesCrossed) {
  const DiffCase cases[] = {
      {D(2006, 12, 31, 23, 59), D(2007, 1, 1, 0, 1), "d", 1},
      {D(2006, 12, 31, 23, 59), D(2007, 1, 1, 0, 1), "m", 1},
      {D(2006, 12, 31, 23, 59), D(2007, 1, 1, 0, 1), "yyyy", 1},
      {D(2006, 1, 1), D(2006, 12, 31), "yyyy", 0},
      {D(2006, 1, 31), D(2006, 2, 1), "m", 1},
      {D(2006, 1, 1), D(2006, 1, 31), "m", 0},
      {D(2006, 3, 15), D(2005, 11, 15), "m", -4},
      {D(2006, 12, 30), D(2006, 12, 31), "ww", 1},  // Saturday -> Sunday
      {D(2006, 12, 31), D(2007, 1, 6), "ww", 0},    // Sunday -> Saturday
      {D(2006, 12, 31), D(2007, 1, 7), "ww", 1},    // Sunday -> Sunday
      {D(2007, 1, 7), D(2006, 12, 30), "ww", -2},
      {D(2006, 12, 25), D(2007, 1, 8), "ww", 2},
      {D(2006, 12, 25), D(2006, 12, 31), "w", 0},
      {D(2006, 12, 25), D(2007, 1, 8), "w", 2},
      {D(2006, 2, 13, 1, 59), D(2006, 2, 13, 2, 0), "h", 1},
      {D(2006, 2, 13, 1, 0), D(2006, 2, 13, 1, 59), "h", 0},
      {D(2006, 2, 13, 1, 0, 59), D(2006, 2, 13, 1, 1, 0), "n", 1},
      {D(2006, 2, 13), D(2006, 2, 12, 23, 59, 30), "s", -30},
      {D(2004, 2, 28), D(2004, 3, 1), "d", 2},  // leap year
      {D(2006, 2, 28), D(2006, 3, 1), "d", 1},
      {D(1899, 12, 29, 23), D(1899, 12, 30, 1), "d", 1},
  };
  for (const DiffCase& c : cases)
    EXPECT_EQ(c.from.Diff(c.interval, c.to), c.expected)
        << c.interval << " from " << c.from.ToIso() << " to " << c.to.ToIso();
  EXPECT_THROW(Date().Diff("q2", Date()), platform::Error);
}

TEST(DateTest, ShortTextAndIso) {
  EXPECT_EQ(D(2006, 2, 13, 14, 13, 59).ToShortText(), "02/13/2006 02:13 PM");
  EXPECT_EQ(D(2006, 2, 13).ToShortText(), "02/13/2006 12:00 AM");
  EXPECT_EQ(D(2006, 2, 13, 12).ToShortText(), "02/13/2006 12:00 PM");
  EXPECT_EQ(D(2006, 2, 13, 23, 59).ToShortText(), "02/13/2006 11:59 PM");
  EXPECT_EQ(D(2006, 2, 13, 14, 13, 59).ToIso(), "2006-02-13 14:13:59");
}

TEST(DateTest, ParseRoundTripsAndForms) {
  for (int minutes = 0; minutes < 24 * 60; minutes += 7) {
    const Date d = D(2007, 12, 31).Add("n", minutes);
    EXPECT_EQ(Date::Parse(d.ToShortText()), d) << d.ToShortText();
    EXPECT_EQ(Date::Parse(d.ToIso()), d) << d.ToIso();
  }
  EXPECT_EQ(Date::Parse("2/3/2006"), D(2006, 2, 3));
  EXPECT_EQ(Date::Parse(" 2006-02-13 "), D(2006, 2, 13));
  EXPECT_EQ(Date::Parse("2006-02-13T14:13:59"), D(2006, 2, 13, 14, 13, 59));
  EXPECT_EQ(Date::Parse("20060213 14:13:59"), D(2006, 2, 13, 14, 13, 59));
  EXPECT_EQ(Date::Parse("02/13/2006 14:13"), D(2006, 2, 13, 14, 13));
  EXPECT_EQ(Date::Parse("02/13/2006 2:13:05 pm"), D(2006, 2, 13, 14, 13, 5));
  for (const char* bad : {"", "abc", "13/45/2006", "2006-02-30", "02/13/06", "02/13/2006 13:00 PM",
                          "02/13/2006 10:00 XM", "2006-02-13 10", "2006-02-13x"})
    EXPECT_THROW(Date::Parse(bad), platform::Error) << bad;
}

}  // namespace
