// Items of the mail store: properties and parts survive save and reopen,
// recurrence with exceptions, and the item operations.
#include <fstream>
#include <iterator>

#include "platform/Error.h"
#include "platform/store/Attachments.h"
#include "platform/store/Folders.h"
#include "platform/store/Items.h"
#include "platform/store/Links.h"
#include "platform/store/Recipients.h"
#include "platform/store/RecurrencePattern.h"
#include "platform/store/UserProperties.h"
#include "store_test_support.h"

using platform::Bytes;
using platform::Date;
using platform::Item;
using platform::PropValue;

namespace store_test {
namespace {

using ItemsTest = StoreTest;

TEST_F(ItemsTest, EveryPropertySurvivesSaveAndReopen) {
  const Date d1 = Date::FromParts(2026, 12, 7, 9, 0, 0);
  const std::vector<std::pair<std::string, PropValue>> props = {
      {"Subject", std::string("Budget review")},
      {"Body", std::string("line one\r\nline two")},
      {"Start", d1},
      {"End", Date::FromParts(2026, 12, 7, 10, 15, 0)},
      {"AllDayEvent", true},
      {"BusyStatus", int64_t{3}},
      {"Sensitivity", int64_t{2}},
      {"Importance", int64_t{0}},
      {"Categories", std::string("Holiday, Work")},
      {"Companies", std::string("Korvel")},
      {"Location", std::string("Room 4")},
      {"Mileage", std::string("12 km")},
      {"BillingInformation", std::string("<ztb>x;y</ztb>")},
      {"MeetingStatus", int64_t{1}},
      {"ReminderSet", true},
      {"ReminderMinutesBeforeStart", int64_t{45}},
      {"UnRead", true},
      {"ReplyTime", Date::FromParts(2026, 12, 6, 8, 1, 2)},
      {"ResponseRequested", false},
      {"ConferenceServerAllowExternal", true},
      {"ConferenceServerPassword", std::string("pw")},
      {"NetMeetingAutoStart", true},
      {"NetMeetingDocPathName", std::string("/docs/a.doc")},
      {"NetMeetingOrganizerAlias", std::string("alias")},
      {"NetMeetingServer", std::string("nm.example")},
      {"NetMeetingType", int64_t{1}},
      {"NetShowURL", std::string("http://show")},
      {"NoAging", true},
      {"InternetCodepage", int64_t{65001}},
      {"MarkForDownload", int64_t{1}},
      {"IsOnlineMeeting", true},
      {"GlobalObjectID", Bytes{0x04, 0x00, 0xE0, 0xFF, 0x00, 0x7A}},
      {"Organizer", std::string("Ann Smith")},
      {"SenderEmailAddress", std::string("ann@example.com")},
      {"SenderName", std::string("Ann Smith")},
      {"ReceivedTime", Date::FromParts(2026, 12, 5, 9, 59, 0)},
      {"SentOn", Date::FromParts(2026, 12, 5, 9, 58, 0)},
      {"Contacts", std::string("Bob")},
      {"MessageClass", std::string("IPM.Appointment.Custom")},
  };
  Item item = Calendar().Items().Add(platform::olAppointmentItem);
  for (const auto& [name, value] : props) item.Set(name, value);
  EXPECT_FALSE(item.Saved());
  item.Save();
  EXPECT_TRUE(item.Saved());
  const std::string id = item.EntryID();
  ASSERT_FALSE(id.empty());

  Reopen();
  Item back = S().GetItemFromID(id);
  EXPECT_EQ(back.Class(), platform::olAppointment);
  for (const auto& [name, value] : props) {
    EXPECT_EQ(back.Get(name), value) << name;
    EXPECT_TRUE(back.Reads(name, value)) << name;
  }
  EXPECT_TRUE(back.Reads("Duration", PropValue(int64_t{75})));
  EXPECT_FALSE(back.Reads("Subject", PropValue(std::string())));
  // A property never set reads its default; a value of another kind is
  // never read.
  Item fresh = Calendar().Items().Add(platform::olAppointmentItem);
  EXPECT_TRUE(fresh.Reads("Location", PropValue(std::string())));
  EXPECT_TRUE(fresh.Reads("BusyStatus", fresh.Get("BusyStatus")));
  EXPECT_FALSE(fresh.Reads("BusyStatus", PropValue(std::string("2"))));
  EXPECT_THROW(fresh.Reads("NoSuchProperty", PropValue()), platform::Error);
  // Looked up once, a property reads and sets as by its name; a text is
  // compared with what the item holds or, never set, with the default.
  EXPECT_THROW(platform::ItemProperty("NoSuchProperty"), platform::Error);
  const platform::ItemProperty location("location"), messageClass("MessageClass"), busy("BusyStatus"),
      to("To");
  EXPECT_TRUE(fresh.ReadsText(location, ""));
  EXPECT_FALSE(fresh.ReadsText(location, "Room 1"));
  EXPECT_TRUE(fresh.ReadsText(messageClass, "IPM.Appointment"));
  EXPECT_FALSE(fresh.ReadsText(busy, "2"));
  fresh.Set(location, std::string("Room 1"));
  EXPECT_TRUE(fresh.ReadsText(location, "Room 1"));
  EXPECT_FALSE(fresh.ReadsText(location, ""));
  EXPECT_TRUE(fresh.Reads(location, PropValue(std::string("Room 1"))));
  EXPECT_EQ(fresh.Location(), "Room 1");
  fresh.Set(to, std::string("Bob Baker"));
  EXPECT_TRUE(fresh.ReadsText(to, "Bob Baker"));
  EXPECT_THROW(fresh.Set(busy, std::string("2")), platform::Error);
  EXPECT_EQ(back.Duration(), 75);
  EXPECT_EQ(back.LastModificationTime(), now_);
  EXPECT_EQ(back.CreationTime(), now_);
  EXPECT_EQ(back.EntryID(), id);
  EXPECT_TRUE(back.Parent().IsSame(Calendar()));
}

TEST_F(ItemsTest, StoreStampsTimesAndRejectsBadWrites) {
  Item item = Calendar().Items().Add(platform::olAppointmentItem);
  item.SetSubject("a");
  item.Save();
  const Date created = now_;
  now_ = now_.Add("h", 2);
  item.SetSubject("b");
  item.Save();
  EXPECT_EQ(item.CreationTime(), created);
  EXPECT_EQ(item.LastModificationTime(), now_);

  EXPECT_THROW(item.Set("LastModificationTime", now_), platform::Error);
  EXPECT_THROW(item.Set("Subject", int64_t{1}), platform::Error);
  try {
    item.Get("NoSuchProperty");
    FAIL();
  } catch (const platform::Error& e) {
    EXPECT_NE(std::string(e.what()).find("NoSuchProperty"), std::string::npos);
  }
  // Names are matched without regard to case, as the client does.
  EXPECT_EQ(item.GetText("subject"), "b");
}

TEST_F(ItemsTest, StartKeepsDurationEndAndDurationMoveTheEnd) {
  Item item = Calendar().Items().Add(platform::olAppointmentItem);
  item.SetStart(Date::FromParts(2026, 1, 1, 9, 0));
  item.SetDuration(90);
  EXPECT_EQ(item.End(), Date::FromParts(2026, 1, 1, 10, 30));
  item.SetStart(Date::FromParts(2026, 1, 2, 8, 0));
  EXPECT_EQ(item.End(), Date::FromParts(2026, 1, 2, 9, 30));
  item.SetEnd(Date::FromParts(2026, 1, 2, 12, 0));
  EXPECT_EQ(item.Duration(), 240);
}

TEST_F(ItemsTest, UserPropertiesKeepOrderAndFindIgnoresCase) {
  Item item = Calendar().Items().Add(platform::olAppointmentItem);
  auto up = item.UserProperties();
  up.Add("VestrandItemID").SetValue("64522606-20060213141359");
  up.Add("VestrandOwnerAddress").SetValue("ann@example.com");
  up.Add("vestrandGroups").SetValue("A;B");
  up.Add("Other").SetValue("x");
  // Adding an existing name returns the existing property.
  EXPECT_EQ(up.Add("VESTRANDITEMID").Value(), "64522606-20060213141359");
  up.Remove(2);
  item.Save();

  Reopen();
  Item back = S().GetItemFromID(item.EntryID());
  auto p = back.UserProperties();
  ASSERT_EQ(p.Count(), 3);
  EXPECT_EQ(p.Item(1).Name(), "VestrandItemID");
  EXPECT_EQ(p.Item(2).Name(), "vestrandGroups");
  EXPECT_EQ(p.Item(3).Name(), "Other");
  EXPECT_EQ(p.Find("VestrandGroups").Value(), "A;B");
  EXPECT_FALSE(p.Find("VestrandOwnerAddress"));
  EXPECT_THROW(p.Item("VestrandOwnerAddress"), platform::Error);
  EXPECT_THROW(p.Item(4), platform::Error);
}

TEST_F(ItemsTest, FindByUserPropertyUsesCurrentValuesAndScope) {
  auto add = [&](platform::Folder f, const std::string& value) {
    Item it = f.Items().Add(platform::olAppointmentItem);
    it.UserProperties().Add("VestrandItemID").SetValue(value);
    it.Save();
    return it;
  };
  platform::Folder shared = Calendar().Folders().Add("Zentabo", platform::olFolderCalendar);
  Item own = add(Calendar(), "id-1");
  Item copy = add(shared, "id-1");
  add(shared, "id-2");

  auto all = S().FindByUserProperty("vestranditemid", "id-1");
  ASSERT_EQ(all.size(), 2u);
  EXPECT_TRUE(all[0].IsSame(own));
  EXPECT_TRUE(all[1].IsSame(copy));
  auto inShared = S().FindByUserProperty(shared, "VestrandItemID", "id-1");
  ASSERT_EQ(inShared.size(), 1u);
  EXPECT_TRUE(inShared[0].IsSame(copy));
  // Values compare without letter case, as the filter language's texts do.
  EXPECT_EQ(S().FindByUserProperty("VestrandItemID", "ID-1").size(), 2u);
  EXPECT_TRUE(S().FindByUserProperty("VestrandItemID", "id-1 ").empty());
  auto restricted = shared.Items().Restrict("[Subject] = 'none'");
  EXPECT_TRUE(restricted.FindByUserProperty("VestrandItemID", "id-1").empty());
  ASSERT_EQ(shared.Items().FindByUserProperty("VestrandItemID", "Id-1").size(), 1u);

  copy.UserProperties().Find("VestrandItemID").SetValue("id-3");
  copy.Save();
  EXPECT_EQ(S().FindByUserProperty(shared, "VestrandItemID", "id-1").size(), 0u);
  copy.Delete();  // into Deleted Items: found there, no longer in the shared folder
  EXPECT_EQ(S().FindByUserProperty("VestrandItemID", "id-3").size(), 1u);
  EXPECT_EQ(S().FindByUserProperty(shared, "VestrandItemID", "id-3").size(), 0u);
}

TEST_F(ItemsTest, AFoundItemGoneSinceIsNotOpenedByItsEntryId) {
  platform::Folder deleted = S().GetDefaultFolder(platform::olFolderDeletedItems);
  Item it = deleted.Items().Add(platform::olAppointmentItem);
  it.UserProperties().Add("VestrandItemID").SetValue("gone");
  it.Save();
  const std::string id = it.EntryID();
  ASSERT_EQ(S().FindByUserProperty("VestrandItemID", "gone").size(), 1u);
  EXPECT_NO_THROW(S().GetItemFromID(id));
  it.Delete();  // from Deleted Items: for good
  EXPECT_THROW(S().GetItemFromID(id), platform::Error);

  // Found inside a batch that is then undone.
  std::string added;
  EXPECT_THROW(S().Batch([&] {
    Item fresh = Calendar().Items().Add(platform::olAppointmentItem);
    fresh.UserProperties().Add("VestrandItemID").SetValue("undone");
    fresh.Save();
    added = fresh.EntryID();
    ASSERT_EQ(S().FindByUserProperty("VestrandItemID", "undone").size(), 1u);
    throw platform::Error("abandon the batch");
  }),
               platform::Error);
  EXPECT_THROW(S().GetItemFromID(added), platform::Error);
}

// A save compares with the row as its handle last read or wrote it only
// while nothing was written since: here another handle wrote in between,
// and the first handle's save must still write its own item data, with the
// columns that follow it.
TEST_F(ItemsTest, ASaveAfterAnotherHandleWroteTheItemWritesItsOwnData) {
  Item a = Calendar().Items().Add(platform::olAppointmentItem);
  a.SetSubject("first");
  a.Save();
  const std::string id = a.EntryID();
  Item b = S().GetItemFromID(id);
  b.SetSubject("second");
  b.Save();
  a.UserProperties().Add("VestrandItemID").SetValue("after");
  a.Save();  // only a user property changed since a's own save
  EXPECT_EQ(S().GetItemFromID(id).Subject(), "first");
  EXPECT_EQ(Calendar().Items().Restrict("[Subject] = 'first'").Count(), 1);
  EXPECT_EQ(Calendar().Items().Restrict("[Subject] = 'second'").Count(), 0);

  // Read, then moved with a user property cleared and no write between: the
  // row moves and keeps its data and subject.
  Item c = S().GetItemFromID(id);
  ASSERT_EQ(c.Subject(), "first");
  c.UserProperties().Find("VestrandItemID").SetValue("");
  c.Delete();
  platform::Folder deleted = S().GetDefaultFolder(platform::olFolderDeletedItems);
  EXPECT_EQ(deleted.Items().Restrict("[Subject] = 'first'").Count(), 1);
  EXPECT_EQ(S().FindByUserProperty("VestrandItemID", "after").size(), 0u);
  EXPECT_EQ(S().GetItemFromID(id).UserProperties().Find("VestrandItemID").Value(), "");
}

// An item found by a search within a folder opens as stored, and after a
// write by another handle as written.
TEST_F(ItemsTest, AFoundItemOpensAsStoredAndAfterAWriteAsWritten) {
  platform::Folder shared = Calendar().Folders().Add("Zentabo", platform::olFolderCalendar);
  Item it = shared.Items().Add(platform::olAppointmentItem);
  it.SetSubject("before");
  it.UserProperties().Add("VestrandItemID").SetValue("f1");
  it.Attachments().AddData("note.txt", platform::Bytes{'h', 'i'});
  it.Save();
  const std::string id = it.EntryID();

  // A search that finds one item alone reads its row with it: every handle
  // opened before the next write takes that row.
  ASSERT_EQ(S().FindByUserProperty(shared, "VestrandItemID", "f1").size(), 1u);
  Item opened = S().GetItemFromID(id);
  Item twice = S().GetItemFromID(id);
  EXPECT_EQ(opened.Subject(), "before");
  EXPECT_EQ(opened.Attachments().Count(), 1);
  EXPECT_EQ(opened.UserProperties().Find("VestrandItemID").Value(), "f1");
  EXPECT_EQ(twice.LastModificationTime(), it.LastModificationTime());
  EXPECT_EQ(twice.Attachments().Item(1).FileName(), "note.txt");

  ASSERT_EQ(S().FindByUserProperty(shared, "VestrandItemID", "f1").size(), 1u);
  Item other = S().GetItemFromID(id);
  other.SetSubject("after");
  other.Save();
  EXPECT_EQ(S().GetItemFromID(id).Subject(), "after");

  // Found, then written by another handle before it is opened.
  auto found = shared.Items().FindByUserProperty("VestrandItemID", "f1");
  ASSERT_EQ(found.size(), 1u);
  other.SetLocation("Room 2");
  other.Save();
  EXPECT_EQ(found[0].Location(), "Room 2");
  EXPECT_EQ(found[0].Subject(), "after");
  found[0].SetSubject("last");
  found[0].Save();
  Item reread = S().GetItemFromID(id);
  EXPECT_EQ(reread.Subject(), "last");
  EXPECT_EQ(reread.Location(), "Room 2");
}

// A folder's count, once taken, is kept and followed: after each kind of
// change it equals the number of items the folder lists.
TEST_F(ItemsTest, AFoldersCountFollowsEveryChangeOfItsItems) {
  platform::Folder shared = Calendar().Folders().Add("Zentabo", platform::olFolderCalendar);
  platform::Folder deleted = S().GetDefaultFolder(platform::olFolderDeletedItems);
  auto listed = [](const platform::Folder& f) { return static_cast<int>(f.Items().All().size()); };
  auto add = [&](const platform::Folder& f) {
    Item it = f.Items().Add(platform::olAppointmentItem);
    it.Save();
    return it;
  };
  auto same = [&](const char* step) {
    for (const platform::Folder& f : {shared, deleted, Calendar()})
      EXPECT_EQ(f.Items().Count(), listed(f)) << step << " in " << f.Name();
  };
  Item a = add(shared);
  same("counted first");
  Item b = add(shared);
  same("added");
  a.UserProperties().Add("VestrandItemID").SetValue("");
  a.Delete();
  same("moved with a save");
  b.Move(Calendar());
  same("moved");
  Item stale = S().GetItemFromID(b.EntryID());
  Item(S().GetItemFromID(b.EntryID())).Move(shared);
  stale.SetSubject("saved by a handle that knew the calendar");
  stale.Save();
  same("saved by a stale handle");
  S().GetItemFromID(a.EntryID()).Delete();
  same("deleted for good");
  EXPECT_THROW(S().Batch([&] {
    add(shared);
    same("added inside a batch");
    throw platform::Error("abandon the batch");
  }),
               platform::Error);
  same("batch undone");
  shared.Delete();
  same("folder deleted");
}

TEST_F(ItemsTest, TheUserPropertyIndexFollowsEveryWriteOnceANameIsSearched) {
  auto add = [&](platform::Folder f, const char* name, const std::string& value) {
    Item it = f.Items().Add(platform::olAppointmentItem);
    it.UserProperties().Add(name).SetValue(value);
    it.Save();
    return it;
  };
  auto found = [&](const char* name, const std::string& value) {
    return S().FindByUserProperty(name, value).size();
  };
  add(Calendar(), "VestrandItemID", "k1");
  add(Calendar(), "VestrandGroups", "g");
  EXPECT_EQ(found("VestrandItemID", "K1"), 1u);  // saved before the name was indexed

  Item later = add(Calendar(), "VestrandItemID", "k2");
  platform::Folder shared = Calendar().Folders().Add("Zentabo", platform::olFolderCalendar);
  Item copy = later.CopyTo(shared);
  EXPECT_EQ(found("VestrandItemID", "k2"), 2u);
  later.UserProperties().Find("VestrandItemID").Delete();
  later.Save();
  EXPECT_EQ(found("VestrandItemID", "k2"), 1u);
  copy.Delete();
  copy.Delete();  // from Deleted Items: gone for good
  EXPECT_EQ(found("VestrandItemID", "k2"), 0u);

  platform::Folder sub = Calendar().Folders().Add("Sub", platform::olFolderCalendar);
  add(sub, "VestrandItemID", "k3");
  sub.Delete();
  S().GetDefaultFolder(platform::olFolderDeletedItems).Folders().Item("Sub").Delete();
  EXPECT_EQ(found("VestrandItemID", "k3"), 0u);

  // A name indexed inside a batch that fails is indexed again by the next search.
  EXPECT_THROW(S().Batch([&] {
    EXPECT_EQ(found("VestrandGroups", "g"), 1u);
    throw platform::Error("stop");
  }),
               platform::Error);
  EXPECT_EQ(found("VestrandGroups", "G"), 1u);
  Reopen();
  EXPECT_EQ(found("VestrandItemID", "k1"), 1u);
  EXPECT_EQ(found("VestrandGroups", "g"), 1u);
}

TEST_F(ItemsTest, AttachmentsKeepBytesAndReferences) {
  const std::string src = dir_ + "/report.bin";
  const std::string bytes("\x00\x01\xFFzip\x00tail", 9);
  std::ofstream(src, std::ios::binary) << bytes;

  Item mail = S().GetDefaultFolder(platform::olFolderOutbox).Items().Add(platform::olMailItem);
  mail.Attachments().Add(src, platform::olByValue, 1, "The report");
  mail.Attachments().Add(dir_ + "/elsewhere.doc", platform::olByReference, 0);
  mail.Recipients().Add("bob@example.com", "Bob", platform::olTo);
  mail.Recipients().Add("cc@example.com", "", platform::olCC);
  mail.Save();
  std::filesystem::remove(src);

  Reopen();
  Item back = S().GetItemFromID(mail.EntryID());
  auto att = back.Attachments();
  ASSERT_EQ(att.Count(), 2);
  EXPECT_EQ(att.Item(1).DisplayName(), "The report");
  EXPECT_EQ(att.Item(1).FileName(), "report.bin");
  EXPECT_EQ(att.Item(1).PathName(), src);
  EXPECT_EQ(att.Item(1).Type(), platform::olByValue);
  EXPECT_EQ(att.Item(1).Position(), 1);
  EXPECT_EQ(att.Item(2).Type(), platform::olByReference);
  EXPECT_EQ(att.Item(2).Position(), 0);
  EXPECT_EQ(att.Item(2).DisplayName(), "elsewhere.doc");
  const std::string out = dir_ + "/out.bin";
  att.Item(1).SaveAsFile(out);
  std::ifstream in(out, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), bytes);
  EXPECT_THROW(att.Item(2).SaveAsFile(dir_ + "/x"), platform::Error);  // the referenced file is missing

  EXPECT_EQ(back.Recipients().Count(), 2);
  EXPECT_EQ(back.Recipients().Item(2).Name(), "cc@example.com");
  EXPECT_EQ(back.To(), "Bob");
  EXPECT_EQ(back.GetText("CC"), "cc@example.com");

  try {
    back.Attachments().Add(dir_ + "/missing.txt");
    FAIL();
  } catch (const platform::Error& e) {
    EXPECT_NE(std::string(e.what()).find("missing.txt"), std::string::npos);
  }
}

TEST_F(ItemsTest, LinksAndAttendeeTextsSurviveReopen) {
  Item contact = S().GetDefaultFolder(platform::olFolderContacts).Items().Add(platform::olContactItem);
  contact.Set("FullName", std::string("Bob Brown"));
  contact.Set("Email1Address", std::string("bob@example.com"));
  contact.Save();
  Item appt = Calendar().Items().Add(platform::olAppointmentItem);
  appt.Links().Add(contact);
  appt.Set("RequiredAttendees", std::string("a@x.org; b@x.org"));
  appt.Set("Resources", std::string("room@x.org"));
  appt.Save();

  Reopen();
  Item back = S().GetItemFromID(appt.EntryID());
  ASSERT_EQ(back.Links().Count(), 1);
  EXPECT_EQ(back.Links().Item(1).Name, "Bob Brown");
  EXPECT_EQ(back.Links().Item(1).EntryID, contact.EntryID());
  EXPECT_EQ(back.GetText("RequiredAttendees"), "a@x.org; b@x.org");
  EXPECT_EQ(back.GetText("Resources"), "room@x.org");
  EXPECT_EQ(back.Recipients().Item(3).Type(), platform::olResource);
  EXPECT_THROW(back.Links().Add(back), platform::Error);  // not a contact
}

TEST_F(ItemsTest, RecurrenceWithExceptionsSurvivesReopen) {
  Item master = Calendar().Items().Add(platform::olAppointmentItem);
  master.SetSubject("Weekly");
  master.SetStart(Date::FromParts(2026, 12, 7, 9, 0));  // a Monday
  master.SetDuration(60);
  auto rp = master.GetRecurrencePattern();
  rp.SetRecurrenceType(platform::olRecursWeekly);
  rp.SetDayOfWeekMask(platform::olMonday | platform::olWednesday);
  rp.SetOccurrences(6);
  EXPECT_EQ(rp.PatternEndDate(), Date::FromParts(2026, 12, 23));
  master.Save();
  EXPECT_EQ(master.RecurrenceState(), platform::olApptMaster);

  Item occ = master.GetOccurrence(Date::FromParts(2026, 12, 9, 9, 0));
  EXPECT_EQ(occ.RecurrenceState(), platform::olApptOccurrence);
  occ.SetSubject("Moved one");
  occ.SetStart(Date::FromParts(2026, 12, 9, 14, 0));
  occ.Save();
  master.GetOccurrence(Date::FromParts(2026, 12, 14)).Delete();  // by day only

  Reopen();
  Item back = S().GetItemFromID(master.EntryID());
  EXPECT_TRUE(back.IsRecurring());
  auto p = back.GetRecurrencePattern();
  EXPECT_EQ(p.RecurrenceType(), platform::olRecursWeekly);
  EXPECT_EQ(p.DayOfWeekMask(), platform::olMonday | platform::olWednesday);
  EXPECT_EQ(p.Occurrences(), 6);
  EXPECT_FALSE(p.NoEndDate());
  EXPECT_EQ(p.PatternStartDate(), Date::FromParts(2026, 12, 7));
  EXPECT_EQ(p.StartTime().TimeOfDaySeconds(), 9 * 3600);
  EXPECT_EQ(p.Duration(), 60);
  auto ex = p.Exceptions();
  ASSERT_EQ(ex.size(), 2u);
  EXPECT_EQ(ex[0].OriginalDate(), Date::FromParts(2026, 12, 9, 9, 0));
  EXPECT_FALSE(ex[0].Deleted());
  Item changed = ex[0].AppointmentItem();
  EXPECT_EQ(changed.Subject(), "Moved one");
  EXPECT_EQ(changed.Start(), Date::FromParts(2026, 12, 9, 14, 0));
  EXPECT_EQ(changed.Duration(), 60);
  EXPECT_EQ(changed.RecurrenceState(), platform::olApptException);
  EXPECT_TRUE(ex[1].Deleted());
  EXPECT_FALSE(ex[1].AppointmentItem());
  EXPECT_THROW(back.GetOccurrence(Date::FromParts(2026, 12, 14, 9, 0)), platform::Error);
  EXPECT_THROW(back.GetOccurrence(Date::FromParts(2026, 12, 8, 9, 0)), platform::Error);  // a Tuesday

  const auto starts = p.OccurrenceStarts(Date::FromParts(2026, 12, 1), Date::FromParts(2027, 1, 1));
  std::vector<Date> expected = {Date::FromParts(2026, 12, 7, 9, 0), Date::FromParts(2026, 12, 9, 9, 0),
                                Date::FromParts(2026, 12, 16, 9, 0), Date::FromParts(2026, 12, 21, 9, 0),
                                Date::FromParts(2026, 12, 23, 9, 0)};
  EXPECT_EQ(starts, expected);

  back.ClearRecurrencePattern();
  back.Save();
  Reopen();
  EXPECT_EQ(S().GetItemFromID(master.EntryID()).RecurrenceState(), platform::olApptNotRecurring);
}

struct RuleCase {
  const char* name;
  platform::OlRecurrenceType type;
  int interval, mask, dayOfMonth, month, instance;
  Date patternStart;
  std::vector<Date> firstThree;
};

TEST_F(ItemsTest, RecurrenceRulesYieldTheClientsDates) {
  const std::vector<RuleCase> cases = {
      {"daily every 2 days", platform::olRecursDaily, 2, 0, 0, 0, 0, Date::FromParts(2026, 2, 27),
       {Date::FromParts(2026, 2, 27), Date::FromParts(2026, 3, 1), Date::FromParts(2026, 3, 3)}},
      {"every weekday", platform::olRecursDaily, 1, 62, 0, 0, 0, Date::FromParts(2026, 12, 4),
       {Date::FromParts(2026, 12, 4), Date::FromParts(2026, 12, 7), Date::FromParts(2026, 12, 8)}},
      {"every 2nd week on Friday", platform::olRecursWeekly, 2, platform::olFriday, 0, 0, 0,
       Date::FromParts(2026, 12, 1), {Date::FromParts(2026, 12, 4), Date::FromParts(2026, 12, 18),
                                      Date::FromParts(2027, 1, 1)}},
      {"monthly on the 31st clamps", platform::olRecursMonthly, 1, 0, 31, 0, 0, Date::FromParts(2026, 1, 31),
       {Date::FromParts(2026, 1, 31), Date::FromParts(2026, 2, 28), Date::FromParts(2026, 3, 31)}},
      {"last Friday of the month", platform::olRecursMonthNth, 1, platform::olFriday, 0, 0, 5,
       Date::FromParts(2026, 1, 1), {Date::FromParts(2026, 1, 30), Date::FromParts(2026, 2, 27),
                                     Date::FromParts(2026, 3, 27)}},
      {"yearly birthday", platform::olRecursYearly, 1, 0, 29, 2, 0, Date::FromParts(2024, 2, 29),
       {Date::FromParts(2024, 2, 29), Date::FromParts(2025, 2, 28), Date::FromParts(2026, 2, 28)}},
      {"second Tuesday of November", platform::olRecursYearNth, 1, platform::olTuesday, 0, 11, 2,
       Date::FromParts(2026, 1, 1), {Date::FromParts(2026, 11, 10), Date::FromParts(2027, 11, 9),
                                     Date::FromParts(2028, 11, 14)}},
  };
  for (const auto& c : cases) {
    Item item = Calendar().Items().Add(platform::olAppointmentItem);
    item.SetStart(c.patternStart);
    auto p = item.GetRecurrencePattern();
    p.SetRecurrenceType(c.type);
    p.SetInterval(c.interval);
    p.SetDayOfWeekMask(c.mask);
    p.SetDayOfMonth(c.dayOfMonth);
    p.SetMonthOfYear(c.month);
    p.SetInstance(c.instance);
    p.SetPatternStartDate(c.patternStart);
    EXPECT_EQ(p.OccurrenceStarts(c.patternStart, Date::FromParts(2030, 1, 1), 3), c.firstThree) << c.name;
    p.SetOccurrences(3);
    EXPECT_EQ(p.PatternEndDate(), c.firstThree.back()) << c.name;
    p.SetPatternEndDate(c.firstThree[1]);
    EXPECT_EQ(p.Occurrences(), 2) << c.name;
  }
}

TEST_F(ItemsTest, DeleteMovesToDeletedItemsThenRemovesForGood) {
  Item item = Calendar().Items().Add(platform::olAppointmentItem);
  item.Save();
  const std::string id = item.EntryID();
  item.Delete();
  Item moved = S().GetItemFromID(id);
  EXPECT_TRUE(moved.Parent().IsSame(S().GetDefaultFolder(platform::olFolderDeletedItems)));
  EXPECT_EQ(Calendar().Items().Count(), 0);
  moved.Delete();
  EXPECT_THROW(S().GetItemFromID(id), platform::Error);
  EXPECT_THROW(moved.Subject(), platform::Error);
  // The entry id of the newest item, removed for good, is never given out again.
  Reopen();
  Item next = Calendar().Items().Add(platform::olAppointmentItem);
  next.Save();
  EXPECT_NE(next.EntryID(), id);
  EXPECT_THROW(S().GetItemFromID(id), platform::Error);
}

TEST_F(ItemsTest, CopyMakesASavedTwinAndMoveKeepsTheEntryId) {
  Item item = Calendar().Items().Add(platform::olAppointmentItem);
  EXPECT_THROW(item.Copy(), platform::Error);  // never saved
  item.SetSubject("orig");
  item.UserProperties().Add("VestrandGroups").SetValue("G");
  item.Save();
  Item copy = item.Copy();
  EXPECT_TRUE(copy.Saved());
  EXPECT_NE(copy.EntryID(), item.EntryID());
  EXPECT_EQ(copy.Subject(), "orig");
  EXPECT_EQ(copy.UserProperties().Find("VestrandGroups").Value(), "G");
  EXPECT_EQ(Calendar().Items().Count(), 2);

  platform::Folder shared = Calendar().Folders().Add("Zentabo", platform::olFolderCalendar);
  copy.SetSubject("changed on the way");
  Item moved = copy.Move(shared);
  EXPECT_EQ(moved.EntryID(), copy.EntryID());
  Reopen();
  Item back = S().GetItemFromID(copy.EntryID());
  EXPECT_EQ(back.Subject(), "changed on the way");
  EXPECT_EQ(back.Parent().Name(), "Zentabo");
}

TEST_F(ItemsTest, MeetingRequestCreatesItsAppointmentOnce) {
  Item req = S().GetDefaultFolder(platform::olFolderInbox).Items().AddOfClass(platform::olMeetingRequest);
  EXPECT_EQ(req.MessageClass(), "IPM.Schedule.Meeting.Request");
  req.SetSubject("Planning");
  req.SetStart(Date::FromParts(2026, 12, 10, 11, 0));
  req.SetGlobalObjectID({1, 2, 3});
  req.Save();
  EXPECT_FALSE(req.GetAssociatedAppointment(false));
  Item appt = req.GetAssociatedAppointment(true);
  EXPECT_EQ(appt.Class(), platform::olAppointment);
  EXPECT_EQ(appt.MeetingStatus(), platform::olMeetingReceived);
  EXPECT_EQ(appt.Subject(), "Planning");
  EXPECT_TRUE(appt.Parent().IsSame(Calendar()));
  EXPECT_TRUE(req.GetAssociatedAppointment(true).IsSame(appt));
  EXPECT_EQ(Calendar().Items().Count(), 1);
}

TEST_F(ItemsTest, DisplayAndCloseAreRecorded) {
  Item item = Calendar().Items().Add(platform::olAppointmentItem);
  item.SetSubject("kept");
  item.Save();
  item.Display();
  EXPECT_TRUE(item.IsDisplayed());
  EXPECT_EQ(S().OpenWindowCount(), 1);
  item.SetSubject("dropped");
  item.Close(platform::olDiscard);
  EXPECT_EQ(S().OpenWindowCount(), 0);
  EXPECT_EQ(S().DisplayCount(), 1);
  EXPECT_EQ(item.Subject(), "kept");
  item.Display();
  item.SetSubject("saved");
  item.Close(platform::olSave);
  EXPECT_EQ(S().GetItemFromID(item.EntryID()).Subject(), "saved");
}

}  // namespace
}  // namespace store_test
