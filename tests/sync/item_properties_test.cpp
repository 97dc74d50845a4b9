// The add-in's item properties on real items of a profile: user properties,
// the "Vestrand" clean-up, the meeting UID and the grid's billing block.
#include <gtest/gtest.h>

#include "platform/store/Attachments.h"
#include "platform/store/RecurrencePattern.h"
#include "platform/store/UserProperties.h"
#include "support/ProfileFixture.h"
#include "sync/mAppointments.h"

namespace {

using namespace mAppointments;

class ItemPropertiesTest : public testing_support::ProfileFixture {
 protected:
  platform::Item Saved(const std::string& subject) {
    platform::Item item = NewAppointment(Calendar(), subject);
    item.Save();
    return item;
  }
  static std::vector<std::string> Names(const platform::Item& item) {
    std::vector<std::string> out;
    platform::UserProperties props = item.UserProperties();
    for (int i = 1; i <= props.Count(); ++i) out.push_back(props.Item(i).Name());
    return out;
  }
};

TEST_F(ItemPropertiesTest, MissingPropertiesAndItemsReadEmpty) {
  platform::Item item = Saved("Lunch");
  EXPECT_EQ(GetUserProperty(platform::Item(), kItemID), "");
  EXPECT_EQ(GetUserProperty(item, kItemID), "");
  EXPECT_FALSE(HasUserProperty(item, kItemID));
  EXPECT_FALSE(HasUserProperty(platform::Item(), kItemID));
  EXPECT_FALSE(Logged("Error")) << "a missing property is no failure";
}

TEST_F(ItemPropertiesTest, SetUserPropertyWritesOnlyChangesAndSavesOnRequest) {
  platform::Item item = Saved("Lunch");
  SetUserProperty(item, kItemID, "12345678-20261205093000", false);
  EXPECT_FALSE(item.Saved()) << "without the flag the change waits for the caller's save";
  SetUserProperty(item, kGroups, "Team", true);
  EXPECT_TRUE(item.Saved());

  platform::Item again = session->GetItemFromID(item.EntryID());
  EXPECT_EQ(GetUserProperty(again, "vestranditemid"), "12345678-20261205093000") << "names match in any case";
  EXPECT_EQ(GetUserProperty(again, kGroups), "Team");

  // The same value is no change; the save flag still saves what else is pending.
  SetUserProperty(again, kGroups, "Team", false);
  EXPECT_TRUE(again.Saved());
  again.SetLocation("Room 1");
  SetUserProperty(again, kGroups, "Team", true);
  EXPECT_TRUE(again.Saved());
  EXPECT_EQ(session->GetItemFromID(item.EntryID()).Location(), "Room 1");
}

TEST_F(ItemPropertiesTest, DeleteVestrandPropsRemovesExactlyThePrefixedOnes) {
  platform::Item item = NewAppointment(Calendar(), "Lunch");
  for (const char* name : {"VestrandItemID", "VestrandOwnerAddress", "vestrandLower", "MyVestrand", "Other",
                           "VestrandGroups", "VestrandReferID"})
    item.UserProperties().Add(name).SetValue("x");
  item.Save();
  DeleteVestrandProps(item, true);
  EXPECT_TRUE(item.Saved());
  EXPECT_EQ(Names(session->GetItemFromID(item.EntryID())),
            (std::vector<std::string>{"vestrandLower", "MyVestrand", "Other"}));
}

TEST_F(ItemPropertiesTest, MeetingUidIsTheGlobalIdInUpperHex) {
  platform::Item plain = Saved("Plain");
  // A plain appointment is answered before the library is asked: with the
  // library off there is no class error, only the note.
  Redemption::SetRegistered(false);
  EXPECT_EQ(GetMeetingUID(plain, true), "");
  EXPECT_TRUE(Logged("mAppointments.GetMeetingUID\tnot meeting"));
  EXPECT_FALSE(Logged("Redemption.MAPIUtils"));
  Redemption::SetRegistered(true);

  platform::Item meeting = NewAppointment(Calendar(), "Review");
  meeting.SetMeetingStatus(platform::olMeeting);
  meeting.SetGlobalObjectID({0x04, 0x00, 0x00, 0x00, 0x82, 0xE0, 0x0a, 0xff});
  meeting.Save();
  EXPECT_EQ(GetMeetingUID(meeting, true), "0400000082E00AFF");
}

TEST_F(ItemPropertiesTest, BillInfoBlockCarriesGroupsCategoriesAndDisplayedAttachments) {
  system->SetListSeparator(";");
  platform::Item item = NewAppointment(Calendar(), "Lunch");
  item.SetCategories("Red;Blue");
  item.Attachments().AddData("a.txt", {'a'});
  item.Attachments().AddData("hidden.txt", {'h'}, 0);
  item.Attachments().AddData("b.txt", {'b'});
  item.Save();

  SetBillInfo(item, "bob@example.org", "3", "Team;Board", "Red;Blue", GetListSeparator(system.get()));
  EXPECT_TRUE(item.Saved());
  EXPECT_EQ(session->GetItemFromID(item.EntryID()).BillingInformation(),
            "<ztb>" + item.EntryID() + ";bob@example.org;3;0;Team\r\nBoard;Red,Blue;2</ztb>");
  EXPECT_FALSE(Logged("olItem.Categories <> strCategories"));

  SetBillInfo(item, "bob@example.org", "0", "Team", "Green", ",");
  EXPECT_TRUE(Logged("olItem.Categories <> strCategories"));
  EXPECT_EQ(item.BillingInformation(), "<ztb>" + item.EntryID() + ";bob@example.org;0;0;Team;Green;2</ztb>");
}

TEST_F(ItemPropertiesTest, BillInfoOfASeriesNamesItsRecurrenceState) {
  platform::Item item = NewAppointment(Calendar(), "Standup");
  item.SetStart(platform::Date::FromParts(2026, 12, 7, 9, 0));
  item.GetRecurrencePattern();
  item.Save();
  SetBillInfo(item, "alice@example.org", "", "(All Groups)", "", ",");
  EXPECT_EQ(item.BillingInformation(), "<ztb>" + item.EntryID() + ";alice@example.org;;1;(All Groups);;0</ztb>");
}

TEST_F(ItemPropertiesTest, ListSeparatorFallsBackToCommaWithoutASystem) {
  EXPECT_EQ(GetListSeparator(system.get()), ",");
  EXPECT_FALSE(Logged("GetListSeparator"));
  EXPECT_EQ(GetListSeparator(nullptr), ",");
  EXPECT_TRUE(Logged("GetListSeparator"));
}

TEST_F(ItemPropertiesTest, ShamValues) {
  for (const auto& [value, sham] : std::vector<std::pair<std::string, bool>>{
           {"", false}, {"0", false}, {"abc", false}, {"1", true}, {"3", true}, {" 5 ", true}})
    EXPECT_EQ(IsShamValue(value), sham) << "'" << value << "'";
}

TEST_F(ItemPropertiesTest, ItemFromIdIsNothingForUnknownIds) {
  platform::Item item = Saved("Lunch");
  EXPECT_TRUE(GetItemFromID(*session, item.EntryID()).IsSame(item));
  EXPECT_FALSE(GetItemFromID(*session, ""));
  EXPECT_FALSE(GetItemFromID(*session, "00FF"));
}

}  // namespace
