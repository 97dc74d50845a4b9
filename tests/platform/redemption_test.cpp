// The safe-item library on a real profile: the registration switch, the
// content search the magic-mail discovery relies on, named properties and
// raw values, the safe wrappers' reads, writes and sending.
#include <cstdlib>

#include "platform/redemption/Library.h"
#include "platform/redemption/MAPITable.h"
#include "platform/redemption/MAPIUtils.h"
#include "platform/redemption/MapiProps.h"
#include "platform/redemption/RDOSession.h"
#include "platform/redemption/SafeCurrentUser.h"
#include "platform/redemption/SafeItems.h"
#include "platform/redemption_fixture.h"
#include "platform/Error.h"
#include "platform/ScriptedPrompt.h"
#include "platform/store/Recipients.h"
#include "platform/store/UserProperties.h"

using namespace Redemption;

namespace {

// Every creatable class, each tried the way its callers create it.
void CreateEach(const std::string& progId, platform::MailSession& profile, const RDOSession& rdo) {
  if (progId == kSafeMailItem) SafeMailItem{rdo};
  else if (progId == kSafeAppointmentItem) SafeAppointmentItem();
  else if (progId == kSafeMeetingItem) SafeMeetingItem();
  else if (progId == kSafeContactItem) SafeContactItem();
  else if (progId == kSafeCurrentUser) SafeCurrentUser{rdo};
  else if (progId == kMAPIUtils) MAPIUtils{rdo};
  else if (progId == kMAPITable) MAPITable();
  else if (progId == kRDOSession) RDOSession{profile, {}};
}

const char* const kAll[] = {kSafeMailItem, kSafeAppointmentItem, kSafeMeetingItem, kSafeContactItem,
                            kSafeCurrentUser, kMAPIUtils, kMAPITable, kRDOSession};

}  // namespace

TEST_F(SafeItemsStoreTest, UnregisteredLibraryRefusesEveryClass) {
  SetRegistered(false);
  for (const char* progId : kAll) {
    try {
      CreateEach(progId, *session, *rdo);
      ADD_FAILURE() << progId << " was created while the library is not registered";
    } catch (const platform::Error& e) {
      EXPECT_EQ(e.number(), kClassNotRegistered) << progId;
    }
  }
  SetRegistered(true);
  for (const char* progId : kAll) EXPECT_NO_THROW(CreateEach(progId, *session, *rdo)) << progId;
}

TEST(RedemptionLibraryTest, EnvironmentSwitchDecidesUntilOverridden) {
  struct Case {
    const char* value;  // nullptr: unset
    bool registered;
  };
  const Case cases[] = {{nullptr, true}, {"", true}, {"0", true}, {"1", false}, {"yes", false}};
  for (const Case& c : cases) {
    if (c.value) setenv("ZENTABO_NO_SAFEITEMS", c.value, 1);
    else unsetenv("ZENTABO_NO_SAFEITEMS");
    ResetRegistration();
    EXPECT_EQ(IsRegistered(), c.registered) << (c.value ? c.value : "(unset)");
  }
  SetRegistered(true);  // an explicit switch wins over the environment
  EXPECT_TRUE(IsRegistered());
  unsetenv("ZENTABO_NO_SAFEITEMS");
  ResetRegistration();
}

TEST(RedemptionLibraryTest, ProgramIdentifiersMatchWithoutCase) {
  EXPECT_EQ(CanonicalProgID("Redemption.MapiUtils"), "Redemption.MAPIUtils");
  EXPECT_EQ(CanonicalProgID("REDEMPTION.SAFEMAILITEM"), "Redemption.SafeMailItem");
  EXPECT_EQ(CanonicalProgID("Redemption.Nothing"), "");
  SetRegistered(true);
  EXPECT_NO_THROW(CheckClass("redemption.mapiutils"));
  EXPECT_THROW(CheckClass("Redemption.Unknown"), platform::Error);
  ResetRegistration();
}

TEST(RedemptionLibraryTest, HrArrayToStringIsUpperCaseHex) {
  EXPECT_EQ(MAPIUtils::HrArrayToString(platform::Bytes{0x00, 0x0A, 0xAB, 0xFF}), "000AABFF");
  EXPECT_EQ(MAPIUtils::HrArrayToString(platform::Bytes{}), "");
  EXPECT_THROW(MAPIUtils::HrArrayToString(platform::PropValue{std::string("0A")}), platform::Error);
}

// --- the content search of the magic-mail discovery ---------------------------

class MAPITableTest : public SafeItemsStoreTest {
 protected:
  // Runs the discovery's restriction: message class equal, subject contains
  // the marker in any case; returns the subjects of the items the hex entry
  // ids of the rows open.
  std::vector<std::string> Search(const std::string& messageClass, const std::string& marker) {
    platform::Folder inbox = Default(platform::olFolderInbox);
    MAPITable table;
    table.Item(inbox.Items());
    table.Filter().Clear();
    Restriction& all = table.Filter().SetKind(RES_AND);
    Restriction& cls = all.Add(RES_PROPERTY);
    cls.ulPropTag = PR_MESSAGE_CLASS;
    cls.relop = RELOP_EQ;
    cls.lpProp = messageClass;
    Restriction& subject = all.Add(RES_CONTENT);
    subject.ulPropTag = PR_SUBJECT;
    subject.ulFuzzyLevel = FL_SUBSTRING | FL_IGNORECASE;
    subject.lpProp = marker;
    table.Columns({PR_ENTRYID, PR_SUBJECT});
    table.Filter().Restrict();
    table.GoToFirst();
    std::vector<std::string> found;
    for (auto row = table.GetRow(); !row.empty(); row = table.GetRow()) {
      const std::string id = MAPIUtils::HrArrayToString(row[0]);
      platform::Item item = session->GetItemFromID(id, inbox.StoreID());
      EXPECT_EQ(item.Subject(), std::get<std::string>(row[1]));
      found.push_back(item.Subject());
    }
    return found;
  }
};

TEST_F(MAPITableTest, ContentRestrictionFindsSubstringInAnyCase) {
  platform::Folder inbox = Default(platform::olFolderInbox);
  const std::string marker = "ZTBAppointment 64522606-20060213141359";
  Save(inbox, platform::olMailItem, marker);
  Save(inbox, platform::olMailItem, "RE: ztbappointment 64522606-20060213141359");
  Save(inbox, platform::olMailItem, "ZTBAppointment 64522606-20020930162039");  // the earlier marker
  Save(inbox, platform::olMailItem, "lunch");
  platform::Item other = Save(inbox, platform::olMailItem, marker + " (report)");
  other.Set("MessageClass", std::string("IPM.Note.Report"));
  other.Save();

  const std::vector<std::string> found = Search("IPM.Note", marker);
  EXPECT_EQ(found, (std::vector<std::string>{marker, "RE: ztbappointment 64522606-20060213141359"}));
  EXPECT_TRUE(Search("IPM.Note", "no such marker").empty());
}

TEST_F(MAPITableTest, UserPropertySearchByNamedProperty) {
  platform::Folder calendar = Default(platform::olFolderCalendar);
  platform::Item a = Save(calendar, platform::olAppointmentItem, "a");
  platform::Item b = Save(calendar, platform::olAppointmentItem, "b");
  b.UserProperties().Add("VestrandReferID").SetValue("00FF11");
  b.Save();
  a.UserProperties().Add("VestrandReferID").SetValue("00FF12");
  a.Save();

  MAPIUtils utils(*rdo);
  const long id = utils.GetIDsFromNames(a, PS_PUBLIC_STRINGS, "VestrandReferID", false);
  ASSERT_NE(id, 0);
  EXPECT_EQ(utils.GetIDsFromNames(b, "{00020329-0000-0000-c000-000000000046}", "vestrandreferid", false), id);

  MAPITable table;
  table.Item(calendar.Items());
  Restriction& all = table.Filter().SetKind(RES_AND);
  Restriction& cls = all.Add(RES_PROPERTY);
  cls.ulPropTag = PR_MESSAGE_CLASS;
  cls.lpProp = std::string("IPM.Appointment");
  Restriction& refer = all.Add(RES_PROPERTY);
  refer.ulPropTag = id | PT_STRING8;
  refer.lpProp = std::string("00FF11");
  table.Columns({PR_ENTRYID});
  table.GoToFirst();
  ASSERT_TRUE(table.FindFirst(true));
  auto row = table.GetRow();
  ASSERT_EQ(row.size(), 1u);
  EXPECT_TRUE(session->GetItemFromID(utils.HrArrayToString(row[0])).IsSame(b));
  EXPECT_FALSE(table.FindFirst(true));  // nothing after b
}

TEST_F(MAPITableTest, UserPropertySearchThroughTheIndexComparesLikeTheScan) {
  platform::Folder calendar = Default(platform::olFolderCalendar);
  platform::Folder shared = calendar.Folders().Add("Zentabo", platform::olFolderCalendar);
  auto add = [&](platform::Folder folder, const std::string& subject, const std::string& id) {
    platform::Item item = Save(folder, platform::olAppointmentItem, subject);
    item.UserProperties().Add("VestrandItemID").SetValue(id);
    item.Save();
  };
  add(calendar, "a", "Key-1");
  add(calendar, "b", "key-1");
  add(calendar, "c", "key-2");
  add(shared, "d", "key-1");
  Save(calendar, platform::olAppointmentItem, "no id");
  MAPIUtils utils(*rdo);
  const long tag =
      utils.GetIDsFromNames(calendar.Items().Item(1), PS_PUBLIC_STRINGS, "VestrandItemID", false) | PT_STRING8;

  // AND with the class is searched through the index; a lone term under OR
  // reads every row. Both find the same rows, letter case ignored.
  for (long kind : {RES_AND, RES_OR}) {
    MAPITable table;
    table.Item(calendar.Items());
    Restriction& root = table.Filter().SetKind(kind);
    if (kind == RES_AND) {
      Restriction& cls = root.Add(RES_PROPERTY);
      cls.ulPropTag = PR_MESSAGE_CLASS;
      cls.lpProp = std::string("IPM.Appointment");
    }
    Restriction& id = root.Add(RES_PROPERTY);
    id.ulPropTag = tag;
    id.lpProp = std::string("KEY-1");
    EXPECT_EQ(root.IndexedTerm() != nullptr, kind == RES_AND);
    table.Columns({PR_SUBJECT});
    table.Filter().Restrict();
    std::vector<std::string> subjects;
    for (auto row = table.GetRow(); !row.empty(); row = table.GetRow()) subjects.push_back(std::get<std::string>(row[0]));
    EXPECT_EQ(subjects, (std::vector<std::string>{"a", "b"})) << "kind " << kind;
  }
}

TEST_F(MAPITableTest, TheIndexAnswersAnIdAmongAClassAndReadsOtherTermsFromTheItems) {
  platform::Folder calendar = Default(platform::olFolderCalendar);
  auto add = [&](const std::string& subject, const std::string& messageClass, const std::string& id) {
    platform::Item item = Save(calendar, platform::olAppointmentItem, subject);
    item.Set("MessageClass", messageClass);
    item.UserProperties().Add("VestrandItemID").SetValue(id);
    item.Save();
  };
  add("a", "IPM.Appointment", "Key-1");
  add("b", "IPM.Appointment.Copy", "key-1");
  add("c", "IPM.Appointment", "key-2");
  MAPIUtils utils(*rdo);
  const long tag =
      utils.GetIDsFromNames(calendar.Items().Item(1), PS_PUBLIC_STRINGS, "VestrandItemID", false) | PT_STRING8;
  struct Case {
    std::vector<std::string> classes;
    const char* subjectContains;  // nullptr: no such term
    bool answeredByIndex;
    std::vector<std::string> found;
  };
  const std::vector<Case> cases = {
      {{"ipm.appointment"}, nullptr, true, {"a"}},
      {{"IPM.Appointment.Copy"}, nullptr, true, {"b"}},
      {{}, nullptr, true, {"a", "b"}},
      {{"IPM.Appointment"}, "b", false, {}},
      {{"IPM.Appointment.Copy"}, "b", false, {"b"}},
      {{"IPM.Appointment", "IPM.Appointment.Copy"}, nullptr, false, {}},
  };
  for (const Case& c : cases) {
    MAPITable table;
    table.Item(calendar.Items());
    Restriction& root = table.Filter().SetKind(RES_AND);
    for (const std::string& messageClass : c.classes) {
      Restriction& cls = root.Add(RES_PROPERTY);
      cls.ulPropTag = PR_MESSAGE_CLASS;
      cls.lpProp = messageClass;
    }
    Restriction& id = root.Add(RES_PROPERTY);
    id.ulPropTag = tag;
    id.lpProp = std::string("KEY-1");
    if (c.subjectContains) {
      Restriction& subject = root.Add(RES_CONTENT);
      subject.ulPropTag = PR_SUBJECT;
      subject.ulFuzzyLevel = FL_SUBSTRING;
      subject.lpProp = std::string(c.subjectContains);
    }
    std::optional<std::string> messageClass;
    ASSERT_NE(root.IndexedTerm(), nullptr);
    EXPECT_EQ(root.AnsweredByIndex(*root.IndexedTerm(), messageClass), c.answeredByIndex);
    table.Columns({PR_SUBJECT});
    table.Filter().Restrict();
    std::vector<std::string> subjects;
    for (auto row = table.GetRow(); !row.empty(); row = table.GetRow()) subjects.push_back(std::get<std::string>(row[0]));
    EXPECT_EQ(subjects, c.found) << c.classes.size() << " classes, subject term " << (c.subjectContains != nullptr);
  }

  // The search by user property lists what the table restricted to the id
  // and one class lists, as items.
  auto subjectsOf = [](const std::vector<platform::Item>& items) {
    std::vector<std::string> subjects;
    for (const platform::Item& item : items) subjects.push_back(item.Subject());
    return subjects;
  };
  EXPECT_EQ(subjectsOf(FindByUserProperty(calendar.Items(), tag, "KEY-1", "ipm.appointment")),
            std::vector<std::string>{"a"});
  EXPECT_EQ(subjectsOf(FindByUserProperty(calendar.Items(), tag, "key-2", "IPM.Appointment.Copy")),
            std::vector<std::string>{});
  EXPECT_THROW(FindByUserProperty(calendar.Items(), PR_SUBJECT, "a", "IPM.Appointment"), platform::Error);
  SetRegistered(false);
  try {
    FindByUserProperty(calendar.Items(), tag, "key-1", "IPM.Appointment");
    ADD_FAILURE() << "searched while the library is not registered";
  } catch (const platform::Error& e) {
    EXPECT_EQ(e.number(), kClassNotRegistered);
  }
  SetRegistered(true);
}

TEST_F(MAPITableTest, PropertyRelationsAndMissingValues) {
  platform::Folder calendar = Default(platform::olFolderCalendar);
  for (const char* s : {"[Ann] x", "[Ann]!", "[Ann] ", "[Anna] y", "[Bob] z"}) Save(calendar, platform::olAppointmentItem, s);
  struct Case {
    long relop;
    std::string value;
    size_t rows;
  };
  const Case cases[] = {{RELOP_GE, "[Ann] ", 5}, {RELOP_LT, "[Ann]!", 2}, {RELOP_EQ, "[ann] x", 1},
                        {RELOP_NE, "[Ann] x", 4}, {RELOP_GT, "[Bob] z", 0}, {RELOP_LE, "[Ann] x", 2}};
  for (const Case& c : cases) {
    MAPITable table;
    table.Item(calendar.Items());
    Restriction& r = table.Filter().SetKind(RES_PROPERTY);
    r.ulPropTag = PR_SUBJECT;
    r.relop = c.relop;
    r.lpProp = c.value;
    table.Filter().Restrict();
    EXPECT_EQ(table.RowCount(), static_cast<int>(c.rows)) << "relop " << c.relop << " " << c.value;
  }
  // A user property nobody has: no row matches it, its negation matches all.
  MAPIUtils utils(*rdo);
  MAPITable table;
  table.Item(calendar.Items());
  Restriction& no = table.Filter().SetKind(RES_NOT);
  Restriction& has = no.Add(RES_PROPERTY);
  has.ulPropTag = utils.GetIDsFromNames(calendar.Items().Item(1), PS_PUBLIC_STRINGS, "Missing", false) | PT_STRING8;
  has.lpProp = std::string("x");
  table.Filter().Restrict();
  EXPECT_EQ(table.RowCount(), 5);
  table.Filter().Clear();
  EXPECT_EQ(table.RowCount(), 5);
}

// --- named properties and raw values -----------------------------------------

TEST_F(SafeItemsStoreTest, MeetingIdThroughNamedPropertyIsBytes) {
  platform::Item meeting = Save(Default(platform::olFolderCalendar), platform::olAppointmentItem, "m");
  meeting.SetMeetingStatus(platform::olMeeting);
  meeting.SetGlobalObjectID({0x04, 0x00, 0x00, 0xE0, 0x7F});
  meeting.Save();

  MAPIUtils utils(*rdo);
  const long id = utils.GetIDsFromNames(meeting, PSETID_Meeting, 3, false);
  ASSERT_NE(id, 0);
  const platform::PropValue uid = utils.HrGetOneProp(meeting, id + PT_BINARY);
  ASSERT_TRUE(std::holds_alternative<platform::Bytes>(uid));
  EXPECT_EQ(utils.HrArrayToString(uid), "040000E07F");
  EXPECT_NE(utils.GetIDsFromNames(meeting, PSETID_Meeting, 0x23, false), id);
  // A plain appointment has no meeting id.
  platform::Item plain = Save(Default(platform::olFolderCalendar), platform::olAppointmentItem, "p");
  EXPECT_TRUE(std::holds_alternative<std::monostate>(utils.HrGetOneProp(plain, id + PT_BINARY)));
  // Unknown property sets resolve only when created.
  EXPECT_EQ(utils.GetIDsFromNames(plain, "{11111111-2222-3333-4444-555555555555}", 7, false), 0);
  EXPECT_NE(utils.GetIDsFromNames(plain, "{11111111-2222-3333-4444-555555555555}", 7, true), 0);
}

TEST_F(SafeItemsStoreTest, HrSetOnePropWritesAndSaves) {
  platform::Item item = Save(Default(platform::olFolderCalendar), platform::olAppointmentItem, "old");
  MAPIUtils utils(*rdo);
  utils.HrSetOneProp(item, PR_SUBJECT, std::string("new"), true);
  const long refer = utils.GetIDsFromNames(item, PS_PUBLIC_STRINGS, "VestrandReferID", true) | PT_STRING8;
  utils.HrSetOneProp(item, refer, std::string("ABC"), true);
  platform::Item reread = session->GetItemFromID(item.EntryID());
  EXPECT_EQ(reread.Subject(), "new");
  EXPECT_EQ(std::get<std::string>(utils.HrGetOneProp(reread, refer)), "ABC");
  EXPECT_THROW(utils.HrSetOneProp(item, PR_SUBJECT, int64_t{5}, false), platform::Error);
  EXPECT_THROW(utils.HrGetOneProp(item, 0x12340003), platform::Error);
}

// --- the safe wrappers ----------------------------------------------------------

TEST_F(SafeItemsStoreTest, SafeMailItemSendsWithRecipientsAndAttachments) {
  platform::Item mail = Default(platform::olFolderOutbox).Items().Add(platform::olMailItem);
  mail.SetSubject("ZTBGroup 64522606-20020930162039");
  const std::filesystem::path file = home / "Attach.txt";
  std::ofstream(file) << "text\r\n";

  SafeMailItem reader;
  reader.Item(Default(platform::olFolderOutbox).Items().Add(platform::olMailItem));
  reader.To("ann@example.org");
  EXPECT_THROW(reader.Send(), platform::Error);  // a wrapper without a session reads only

  SafeMailItem safe(*rdo);
  EXPECT_THROW(safe.Send(), platform::Error);  // no item set yet
  safe.Item(mail);
  EXPECT_THROW(safe.Send(), platform::Error);  // no recipient
  safe.To("ann@example.org; bob@example.org");
  safe.AttachmentsAdd(file.string(), "ZTB");
  safe.Send();

  ASSERT_EQ(sent.size(), 1u);
  EXPECT_FALSE(sent[0].EntryID().empty());
  platform::Recipients to = sent[0].Recipients();
  ASSERT_EQ(to.Count(), 2);
  EXPECT_EQ(to.Item(1).Address(), "ann@example.org");
  EXPECT_EQ(to.Item(2).Type(), platform::olTo);
  EXPECT_EQ(sent[0].Attachments().Item(1).DisplayName(), "ZTB");

  RDOSession mute(*session, {});
  mute.Logon();
  SafeMailItem muted(mute);
  muted.Item(mail);
  EXPECT_THROW(muted.Send(), platform::Error);  // a profile that cannot send
}

TEST_F(SafeItemsStoreTest, SafeMailItemFieldsGiveTheSender) {
  platform::Item mail = Default(platform::olFolderInbox).Items().Add(platform::olMailItem);
  mail.Set("SenderEmailAddress", std::string("Ann@Example.org"));
  mail.Set("SenderName", std::string("Ann"));
  mail.Save();
  SafeMailItem safe;
  safe.Item(mail);
  EXPECT_EQ(std::get<std::string>(safe.Fields(PR_SENDER_EMAIL_ADDRESS)), "Ann@Example.org");
  EXPECT_EQ(std::get<std::string>(safe.Fields(PR_SENDER_NAME)), "Ann");
}

TEST_F(SafeItemsStoreTest, SafeAppointmentItemBodyAndAttendees) {
  platform::Item appt = Save(Default(platform::olFolderCalendar), platform::olAppointmentItem, "meet");
  SafeAppointmentItem safe;
  safe.Item(appt);
  safe.Body("line 1\r\nline 2");
  safe.RequiredAttendees("ann@example.org;bob@example.org");
  safe.Resources("room@example.org");
  appt.Save();

  platform::Item reread = session->GetItemFromID(appt.EntryID());
  SafeAppointmentItem again;
  again.Item(reread);
  EXPECT_EQ(again.Body(), "line 1\r\nline 2");
  EXPECT_NE(again.RequiredAttendees().find("bob@example.org"), std::string::npos);
  EXPECT_EQ(again.RequiredAttendees().find("room@example.org"), std::string::npos);
  EXPECT_NE(again.Resources().find("room@example.org"), std::string::npos);
  int required = 0;
  for (int i = 1; i <= again.Recipients().Count(); ++i) required += again.Recipients().Item(i).Type() == platform::olRequired;
  EXPECT_EQ(required, 2);
}

TEST_F(SafeItemsStoreTest, SafeContactAndCurrentUser) {
  platform::Item contact = Default(platform::olFolderContacts).Items().Add(platform::olContactItem);
  contact.Set("FullName", std::string("Ann Smith"));
  SafeContactItem safe;
  safe.Item(contact);
  safe.Email1Address("ann@example.org");
  contact.Save();
  EXPECT_EQ(safe.Email1Address(), "ann@example.org");
  EXPECT_EQ(safe.FullName(), "Ann Smith");

  // The address book resolves the contact by name and a typed address as is.
  platform::ScriptedPrompt prompt;
  prompt.QueueForm(platform::IDOK, {{"Organizer", "ann smith; carl@example.org; nobody"}});
  MAPIUtils utils(*rdo);
  auto chosen = utils.AddressBook(prompt, "Choice", {"Organizer"});
  ASSERT_EQ(chosen.size(), 2u);
  EXPECT_EQ(chosen[0].entry.Address, "ann@example.org");
  EXPECT_EQ(utils.GetAddressEntryFromID(chosen[0].entry.ID).Name, "Ann Smith");
  EXPECT_EQ(utils.GetAddressEntryFromID(chosen[1].entry.ID).Address, "carl@example.org");
  // Without a session the utilities cannot reach the profile.
  EXPECT_THROW(MAPIUtils().GetAddressEntryFromID(chosen[0].entry.ID), platform::Error);

  session->SetCurrentUser("Me Myself", "Me@Example.org");
  SafeCurrentUser user(*rdo);
  EXPECT_EQ(user.Name(), "Me Myself");
  EXPECT_EQ(user.Address(), "Me@Example.org");
  user.cleanup();
  EXPECT_THROW(user.Name(), platform::Error);
}

TEST_F(SafeItemsStoreTest, RDOSessionNeedsTheProfile) {
  platform::Item item = Save(Default(platform::olFolderCalendar), platform::olAppointmentItem, "x");
  RDOSession fresh(*session, {});
  EXPECT_THROW(fresh.GetMessageFromID(item.EntryID()), platform::Error);  // not logged on
  EXPECT_THROW(SafeCurrentUser(fresh).Name(), platform::Error);
  EXPECT_THROW(fresh.Logon("Other profile"), platform::Error);
  fresh.Logon();
  EXPECT_TRUE(fresh.GetMessageFromID(item.EntryID(), item.Parent().StoreID()).IsSame(item));
  EXPECT_TRUE(fresh.GetFolderFromID(item.Parent().EntryID()).IsSame(item.Parent()));
  fresh.Logoff();
  EXPECT_THROW(fresh.GetFolderFromID(item.Parent().EntryID()), platform::Error);
}
