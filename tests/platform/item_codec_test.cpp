// The stored form of an item's data and user properties: what is written
// comes back whole, data written by earlier versions still reads, and
// damaged bytes are reported instead of read past.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/Error.h"
#include "platform/store/ItemCodec.h"

namespace {

using platform::Bytes;
using platform::Date;
using namespace platform::detail;

std::shared_ptr<UserPropData> UserProp(const std::string& name, const std::string& value) {
  auto p = std::make_shared<UserPropData>();
  p->name = name;
  p->value = value;
  return p;
}

ItemState Series() {
  ItemState s;
  s.props["Subject"] = std::string("Team meeting \xC3\xA9t\xC3\xA9");
  s.props["Body"] = std::string("line 1\r\nline 2\0tail", 19);
  s.props["BusyStatus"] = int64_t{2};
  s.props["Importance"] = int64_t{-1};
  s.props["ReminderMinutesBeforeStart"] = int64_t{1} << 40;
  s.props["AllDayEvent"] = false;
  s.props["ReminderSet"] = true;
  s.props["Start"] = Date::FromParts(2026, 12, 7, 9, 30, 0);
  s.props["ReplyTime"] = Date::FromSeconds(-11644473600);  // 1601-01-01, the "no date" of the client
  s.props["GlobalObjectID"] = Bytes{0, 1, 2, 0xFF, 0};
  s.props["Mileage"] = std::string();
  s.props["X-Unknown-To-This-Version"] = 2.5;  // a name without a number
  s.props["CreationTime"] = std::monostate();
  s.props["LastModificationTime"] = Date::FromParts(2026, 12, 6, 8, 0, 0);
  auto r = std::make_shared<RecipientData>();
  r->address = "bob@example.org";
  r->name = "Bob Brown";
  r->type = 1;
  s.recipients.push_back(r);
  s.links.push_back(platform::Link{"00000000ABCD", "Carol"});
  RecurrenceData rec;
  rec.type = platform::olRecursWeekly;
  rec.interval = 2;
  rec.dayOfWeekMask = 4;
  rec.noEndDate = false;
  rec.occurrences = 10;
  rec.patternStart = Date::FromParts(2026, 12, 7, 0, 0, 0);
  rec.patternEnd = Date::FromParts(2027, 4, 26, 0, 0, 0);
  rec.startSeconds = 9 * 3600 + 1800;
  rec.durationMinutes = 45;
  ExceptionData deleted;
  deleted.originalDate = Date::FromParts(2026, 12, 21, 9, 30, 0);
  deleted.deleted = true;
  rec.exceptions.push_back(deleted);
  ExceptionData changed;
  changed.originalDate = Date::FromParts(2027, 1, 4, 9, 30, 0);
  changed.props["Subject"] = std::string("Moved once");
  changed.props["Start"] = Date::FromParts(2027, 1, 4, 14, 0, 0);
  changed.ownParts = true;
  changed.userProps.push_back(UserProp("VestrandItemID", "42"));
  auto a = std::make_shared<AttachmentData>();
  a->displayName = "agenda.txt";
  a->fileName = "agenda.txt";
  a->type = platform::olByValue;
  a->data = Bytes{'a', 0, 'b'};
  a->size = 3;
  changed.attachments.push_back(a);
  rec.exceptions.push_back(changed);
  s.recurrence = rec;
  return s;
}

TEST(ItemCodecTest, WhatIsWrittenComesBackWhole) {
  const ItemState s = Series();
  ItemState back;
  const Bytes blob = EncodeItem(s);
  DecodeItem(blob.data(), blob.size(), back, "test");

  PropMap expected = s.props;
  expected.Erase("LastModificationTime");  // the row keeps it in a column
  EXPECT_EQ(back.props, expected);
  ASSERT_EQ(back.recipients.size(), 1u);
  EXPECT_EQ(back.recipients[0]->address, "bob@example.org");
  EXPECT_EQ(back.recipients[0]->name, "Bob Brown");
  EXPECT_EQ(back.recipients[0]->type, 1);
  ASSERT_EQ(back.links.size(), 1u);
  EXPECT_EQ(back.links[0].EntryID, "00000000ABCD");
  ASSERT_TRUE(back.recurrence);
  const RecurrenceData& r = *back.recurrence;
  EXPECT_EQ(r.interval, 2);
  EXPECT_EQ(r.dayOfWeekMask, 4);
  EXPECT_FALSE(r.noEndDate);
  EXPECT_EQ(r.occurrences, 10);
  EXPECT_EQ(r.patternEnd, s.recurrence->patternEnd);
  EXPECT_EQ(r.startSeconds, 9 * 3600 + 1800);
  EXPECT_EQ(r.durationMinutes, 45);
  ASSERT_EQ(r.exceptions.size(), 2u);
  EXPECT_TRUE(r.exceptions[0].deleted);
  EXPECT_FALSE(r.exceptions[0].ownParts);
  const ExceptionData& e = r.exceptions[1];
  EXPECT_EQ(e.originalDate, s.recurrence->exceptions[1].originalDate);
  EXPECT_EQ(e.props, s.recurrence->exceptions[1].props);
  ASSERT_TRUE(e.ownParts);
  ASSERT_EQ(e.userProps.size(), 1u);
  EXPECT_EQ(e.userProps[0]->value, "42");
  ASSERT_EQ(e.attachments.size(), 1u);
  EXPECT_EQ(e.attachments[0]->data, (Bytes{'a', 0, 'b'}));

  // Encoding what was read gives the same bytes: a save of an unchanged
  // item finds its data unchanged.
  EXPECT_EQ(EncodeItem(back), blob);
}

TEST(ItemCodecTest, UserPropertiesKeepTheirOrderAndAnEmptyListHasNoBytes) {
  EXPECT_TRUE(EncodeUserProps({}).empty());
  EXPECT_TRUE(DecodeUserProps(nullptr, 0, "test").empty());
  const std::vector<std::shared_ptr<UserPropData>> props = {
      UserProp("VestrandItemID", "10000000-20260105080000"), UserProp("VestrandGroups", "Team;Other"),
      UserProp("Empty", "")};
  const Bytes blob = EncodeUserProps(props);
  const auto back = DecodeUserProps(blob.data(), blob.size(), "test");
  ASSERT_EQ(back.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(back[i]->name, props[i]->name);
    EXPECT_EQ(back[i]->value, props[i]->value);
  }
}

// Earlier versions wrote every count, length and integer in 8 bytes and
// every property name as text.
class Legacy {
 public:
  Legacy& U8(uint8_t v) {
    out.push_back(v);
    return *this;
  }
  Legacy& I64(int64_t v) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(static_cast<uint64_t>(v) >> (8 * i)));
    return *this;
  }
  Legacy& Str(const std::string& s) {
    I64(static_cast<int64_t>(s.size()));
    out.insert(out.end(), s.begin(), s.end());
    return *this;
  }
  Bytes out;
};

TEST(ItemCodecTest, DataOfEarlierVersionsStillReads) {
  Legacy v2;
  v2.U8(2).I64(3);                              // version, three properties
  v2.Str("BusyStatus").U8(2).I64(3);            // an integer
  v2.Str("Start").U8(5).I64(1796549400);        // a date
  v2.Str("Subject").U8(1).Str("Planning");      // a text
  v2.I64(1).Str("bob@example.org").Str("Bob").I64(2);  // one recipient
  v2.I64(0);                                    // no links
  v2.U8(1);                                     // a recurrence
  for (int64_t v : {1, 1, 2, 0, 0, 0, 1, 0, 1796515200, 1796515200, 34200, 30}) v2.I64(v);
  v2.I64(1).I64(1797120000).U8(1).I64(0).U8(0);  // one deleted occurrence, no parts of its own
  ItemState s;
  DecodeItem(v2.out.data(), v2.out.size(), s, "test");
  EXPECT_EQ(s.props.at("Subject"), platform::PropValue(std::string("Planning")));
  EXPECT_EQ(s.props.at("BusyStatus"), platform::PropValue(int64_t{3}));
  EXPECT_EQ(s.props.at("Start"), platform::PropValue(Date::FromSeconds(1796549400)));
  ASSERT_EQ(s.recipients.size(), 1u);
  EXPECT_EQ(s.recipients[0]->name, "Bob");
  ASSERT_TRUE(s.recurrence);
  EXPECT_EQ(s.recurrence->startSeconds, 34200);
  ASSERT_EQ(s.recurrence->exceptions.size(), 1u);
  EXPECT_TRUE(s.recurrence->exceptions[0].deleted);

  Legacy user;
  user.I64(2).Str("VestrandItemID").Str("7").I64(1).Str("VestrandGroups").Str("Team").I64(1);
  const auto props = DecodeUserProps(user.out.data(), user.out.size(), "test");
  ASSERT_EQ(props.size(), 2u);
  EXPECT_EQ(props[0]->name, "VestrandItemID");
  EXPECT_EQ(props[1]->value, "Team");
}

TEST(ItemCodecTest, DamagedBytesAreReportedNotReadPast) {
  const Bytes blob = EncodeItem(Series());
  for (size_t n = 0; n < blob.size(); ++n) {
    ItemState s;
    EXPECT_THROW(DecodeItem(blob.data(), n, s, "item 1"), platform::Error) << "cut after " << n << " bytes";
  }
  Bytes longer = blob;
  longer.push_back(0);
  ItemState s;
  EXPECT_THROW(DecodeItem(longer.data(), longer.size(), s, "item 1"), platform::Error);

  Bytes newer = blob;
  newer[0] = 9;  // a version this program does not know
  EXPECT_THROW(DecodeItem(newer.data(), newer.size(), s, "item 1"), platform::Error);

  // One property whose name number is past the known names.
  const Bytes unknownCode = {3, 1, 200, 1, 0, 0, 0, 0};
  try {
    DecodeItem(unknownCode.data(), unknownCode.size(), s, "item 00000000AB");
    FAIL() << "an unknown name number was read";
  } catch (const platform::Error& e) {
    EXPECT_NE(std::string(e.what()).find("damaged item data in item 00000000AB"), std::string::npos);
  }

  const Bytes props = EncodeUserProps({UserProp("VestrandItemID", "7")});
  for (size_t n = 1; n < props.size(); ++n)
    EXPECT_THROW(DecodeUserProps(props.data(), n, "item 1"), platform::Error) << "cut after " << n << " bytes";
}

}  // namespace
