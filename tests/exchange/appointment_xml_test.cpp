// Appointments through the document on real items of a profile: what the
// writer puts in (golden files pin every element, its order and encoding),
// what the reader makes of it (round trips, across time zones too), the
// private blanking, the version-bound elements, attachments through the
// items' zip, series with their exceptions, and bad values in a document.
//
// ZENTABO_UPDATE_GOLDEN=1 rewrites the golden files from the current output.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include <pugixml.hpp>

#include "exchange/CXmlAppointments.h"
#include "exchange/mAppointmentXml.h"
#include "exchange/mReceiveAppointments.h"
#include "exchange/mSendAppointments.h"
#include "exchange/mZip.h"
#include "platform/Error.h"
#include "platform/store/Attachments.h"
#include "platform/store/RecurrencePattern.h"
#include "platform/store/UserProperties.h"
#include "support/ProfileFixture.h"

namespace {

using platform::Date;
using platform::Item;

constexpr int kBerlin = -60;   // universal = local + bias
constexpr int kNewYork = 300;

class AppointmentXmlTest : public testing_support::ProfileFixture {
 protected:
  AppointmentXmlTest() {
    wenv.strOutlookMajor = "10";
    wenv.nBias = kBerlin;
    wenv.pSystem = system.get();
    wenv.NewAttachmentID = [this] { return "1234567" + std::to_string(++keys) + "-20261205093000"; };
    renv.nBias = kBerlin;
    renv.pSystem = system.get();
  }

  std::string DocPath() const { return (dir.Path() / "SyncSndItems.xml").string(); }
  std::string ZipPath() const { return (dir.Path() / "SyncSndItemsAttaches.zip").string(); }

  static mAppointmentXml::ItemHeader Header() {
    mAppointmentXml::ItemHeader h;
    h.strItemID = "64522606-20261205093000";
    h.strOwner = "bob@example.org";
    h.strGroups = "Team;Board";
    h.strShamMet = "0";
    h.dLastMod = Date::FromParts(2026, 12, 5, 9, 30, 0);
    return h;
  }

  // One document with the item in "added", saved.
  void Write(const Item& item, const std::string& prefix = "") {
    CXmlAppointments xml(DocPath());
    xml.Create();
    xml.SetCurNode(CXmlAppointments::ntAdded);
    ASSERT_TRUE(xml.CreateItem());
    ASSERT_TRUE(mAppointmentXml::WriteItemHeader(xml, Header(), wenv.nBias));
    ASSERT_TRUE(mSendAppointments::WriteAppointment1(xml, prefix, item, ZipPath(), wenv));
    EXPECT_EQ(xml.StackItems(), 0);
    ASSERT_TRUE(xml.Save());
  }

  // A new item of the shared folder filled from the document's first added item.
  Item Read(const std::string& prefix = "") {
    CXmlAppointments xml(DocPath());
    EXPECT_TRUE(xml.Load());
    xml.SetCurNode(CXmlAppointments::ntAdded);
    xml.SetCurItem(1);
    Item copy = NewAppointment(Shared(), "");
    EXPECT_TRUE(mReceiveAppointments::ProcessAppointment1(xml, prefix, copy, ZipPath(), renv));
    EXPECT_EQ(xml.StackItems(), 0);
    return session->GetItemFromID(copy.EntryID());
  }

  // The first added item's elements (name, text), top level only.
  std::vector<std::pair<std::string, std::string>> Elements() const {
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_file(DocPath().c_str(), pugi::parse_default & ~pugi::parse_eol));
    std::vector<std::pair<std::string, std::string>> out;
    for (pugi::xml_node e : doc.child("appointments").child("added").child("item").children())
      out.emplace_back(e.name(), e.text().get());
    return out;
  }
  std::string Element(const std::string& name) const {
    for (const auto& [n, v] : Elements())
      if (n == name) return v;
    ADD_FAILURE() << "no element " << name;
    return "";
  }
  bool HasElement(const std::string& name) const {
    for (const auto& e : Elements())
      if (e.first == name) return true;
    return false;
  }

  // The saved document indented, for the golden files.
  std::string Indented() const {
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_file(DocPath().c_str(), pugi::parse_default & ~pugi::parse_eol));
    std::ostringstream out;
    doc.save(out, "  ", pugi::format_indent);
    return out.str();
  }
  void ExpectGolden(const std::string& name) const {
    const std::filesystem::path golden = std::filesystem::path(ZENTABO_SOURCE_DIR) / "tests/exchange/golden" / name;
    const std::string actual = Indented();
    if (const char* update = std::getenv("ZENTABO_UPDATE_GOLDEN"); update && std::string(update) == "1") {
      platform::FileUtil::WriteFile(golden, actual);
      return;
    }
    ASSERT_TRUE(platform::FileUtil::Exists(golden)) << golden;
    EXPECT_EQ(actual, platform::FileUtil::ReadFile(golden)) << "differs from " << golden;
  }

  // An appointment with every property the document carries set away from its default.
  Item Everything() {
    Item item = NewAppointment(Calendar(), "[Bob Builder] Budget review");
    item.SetStart(Date::FromParts(2026, 12, 7, 10, 0));
    item.SetEnd(Date::FromParts(2026, 12, 7, 11, 30));
    item.SetLocation("Room 4");
    item.SetCategories("Finance,Q4");
    item.Set("Companies", std::string("Korvel"));
    item.SetBusyStatus(1);
    item.SetImportance(2);
    item.Set("Mileage", std::string("12 km"));
    item.Set("ConferenceServerAllowExternal", true);
    item.Set("ConferenceServerPassword", std::string("pw"));
    item.Set("NetMeetingAutoStart", true);
    item.Set("NetMeetingDocPathName", std::string("C:\\docs\\agenda.doc"));
    item.Set("NetMeetingOrganizerAlias", std::string("bobby"));
    item.Set("NetMeetingServer", std::string("nm.example.org"));
    item.Set("NetMeetingType", int64_t{1});
    item.Set("NetShowURL", std::string("http://show.example.org/x?a=1&b=2"));
    item.Set("NoAging", true);
    item.Set("ResponseRequested", true);
    item.Set("ReplyTime", Date::FromParts(2026, 12, 6, 17, 0));
    item.Set("IsOnlineMeeting", true);
    item.Set("InternetCodepage", int64_t{1252});
    item.Set("MarkForDownload", int64_t{1});
    item.Set("Contacts", std::string("Carol Cole"));
    item.Set("RequiredAttendees", std::string("carol@example.org"));
    item.Set("OptionalAttendees", std::string("dave@example.org"));
    item.Set("Resources", std::string("room4@example.org"));
    item.SetBillingInformation("<ztb>old</ztb>");
    item.SetBody("Agenda:\r\n1. Numbers & <totals>\r\n");
    item.Attachments().AddData("minutes.txt", {'m', 'i', 'n', '\0', 0xff});
    item.Attachments().Add("/srv/share/plan.pdf", platform::olByReference, 1, "Plan");
    item.Attachments().AddData("note.msg", {'m', 's', 'g'});
    item.Save();
    return item;
  }

  // A weekly all-day series of five with one changed and one deleted occurrence.
  Item AllDaySeries() {
    Item item = NewAppointment(Calendar(), "Offsite");
    item.SetAllDayEvent(true);
    item.SetStart(Date::FromParts(2026, 12, 7));
    item.SetEnd(Date::FromParts(2026, 12, 8));
    item.SetBusyStatus(3);
    item.UserProperties().Add("VestrandItemID").SetValue("64522606-20261205093000");
    item.UserProperties().Add("VestrandOwnerAddress").SetValue("bob@example.org");
    item.UserProperties().Add("VestrandGroups").SetValue("Team");
    item.GetRecurrencePattern().SetOccurrences(5);
    item.Save();
    Item changed = item.GetOccurrence(Date::FromParts(2026, 12, 14));
    changed.SetSubject("Offsite (moved)");
    changed.SetStart(Date::FromParts(2026, 12, 15));
    changed.SetEnd(Date::FromParts(2026, 12, 16));
    changed.Save();
    item.GetOccurrence(Date::FromParts(2026, 12, 21)).Delete();
    return session->GetItemFromID(item.EntryID());
  }

  mSendAppointments::WriteEnv wenv;
  mReceiveAppointments::ReadEnv renv;
  int keys = 0;
};

TEST_F(AppointmentXmlTest, GoldenTimedItemWithAttachments) {
  Write(Everything(), "[Bob Builder] ");
  ExpectGolden("timed_item.xml");
  EXPECT_EQ(mZip::GetNumFilesInZip(ZipPath()), 2) << "by-value files only";
}

TEST_F(AppointmentXmlTest, GoldenAllDaySeriesWithExceptionsUnderVersion9) {
  wenv.strOutlookMajor = "9";
  Write(AllDaySeries());
  ExpectGolden("allday_series.xml");
}

TEST_F(AppointmentXmlTest, ElementOrderWithoutTheVersionBoundElements) {
  wenv.strOutlookMajor = "11";
  Write(NewAppointment(Calendar(), "Plain"));
  std::vector<std::string> names;
  for (const auto& e : Elements()) names.push_back(e.first);
  EXPECT_EQ(names,
            (std::vector<std::string>{
                "VestrandItemID", "VestrandOwnerAddress", "VestrandGroups", "VestrandShamMeeting",
                "VestrandShamMeetingRecips", "VestrandShamMeetingUID", "LastModificationTime", "AllDayEvent",
                "BillingInformation", "BusyStatus", "Categories", "Companies", "ConferenceServerAllowExternal",
                "ConferenceServerPassword", "Duration", "End", "IsRecurring", "Importance", "isOnlineMeeting",
                "Location", "MeetingStatus", "Mileage", "NetMeetingAutoStart", "NetMeetingDocPathName",
                "NetMeetingOrganizerAlias", "NetMeetingServer", "NetMeetingType", "NetShowURL", "NoAging",
                "OptionalAttendees", "ReplyTime", "RequiredAttendees", "Resources", "ResponseRequested",
                "Sensitivity", "Start", "Subject", "Contacts", "Attachments", "RecDayOfMonth", "RecDayOfWeekMask",
                "RecInterval", "RecMonthOfYear", "RecNoEndDate", "RecOccurrences", "RecPatternEndDate",
                "RecPatternStartDate", "RecRecurrenceType", "RecInstance", "RecExceptions", "Body"}));
  for (const auto& [name, value] : Elements())
    if (name.rfind("Rec", 0) == 0) {
      EXPECT_EQ(value, "") << name << ": a single item has no pattern";
    }
  EXPECT_EQ(Element("IsRecurring"), "0");
}

TEST_F(AppointmentXmlTest, VersionBoundElements) {
  Item item = NewAppointment(Calendar(), "Plain");
  item.Set("InternetCodepage", int64_t{65001});
  item.Set("MarkForDownload", int64_t{2});
  item.Save();
  struct Case {
    std::string major, codepage, mark;
    bool present;
  };
  for (const Case& c : std::vector<Case>{{"10", "65001", "2", true}, {"9", "0", "", true}, {"11", "", "", false},
                                         {"", "", "", false}}) {
    wenv.strOutlookMajor = c.major;
    Write(item);
    EXPECT_EQ(HasElement("InternetCodepage"), c.present) << c.major;
    EXPECT_EQ(HasElement("MarkForDownload"), c.present) << c.major;
    if (c.present) {
      EXPECT_EQ(Element("InternetCodepage"), c.codepage);
      EXPECT_EQ(Element("MarkForDownload"), c.mark);
    }
    Item copy = Read();
    EXPECT_EQ(copy.Subject(), "Plain") << c.major << ": reads like any other";
    EXPECT_EQ(copy.GetInt("InternetCodepage"), NewAppointment(Shared(), "").GetInt("InternetCodepage"))
        << "never applied";
  }
}

TEST_F(AppointmentXmlTest, PrivateItemTravelsBlanked) {
  Item item = Everything();
  item.SetSensitivity(2);
  item.SetBusyStatus(3);
  item.Save();
  Write(item, "[Bob Builder] ");
  for (const char* blank : {"Subject", "Location", "Categories", "Companies", "Body"})
    EXPECT_EQ(Element(blank), "") << blank;
  EXPECT_EQ(Element("BusyStatus"), "2");
  EXPECT_EQ(Element("Importance"), "1");
  EXPECT_EQ(Element("Sensitivity"), "2");
  EXPECT_EQ(Element("Mileage"), "12 km") << "only the listed details are blanked";

  Item copy = Read("[Bob Builder] ");
  EXPECT_EQ(copy.Subject(), "[Bob Builder] ");
  EXPECT_EQ(copy.Body(), "");
  EXPECT_EQ(copy.BusyStatus(), 2);
  EXPECT_EQ(copy.Sensitivity(), 2);
}

TEST_F(AppointmentXmlTest, RoundTripCarriesEveryAppliedProperty) {
  Item item = Everything();
  Write(item, "[Bob Builder] ");
  Item copy = Read("[Bob Builder] ");

  EXPECT_EQ(copy.Subject(), "[Bob Builder] Budget review");
  for (const char* name : {"Location", "Categories", "Companies", "Mileage", "ConferenceServerPassword",
                           "NetMeetingDocPathName", "NetMeetingServer", "NetShowURL", "Contacts", "Body",
                           "Resources"})
    EXPECT_EQ(copy.GetText(name), item.GetText(name)) << name;
  for (const char* name : {"BusyStatus", "Importance", "Sensitivity", "NetMeetingType", "Duration"})
    EXPECT_EQ(copy.GetInt(name), item.GetInt(name)) << name;
  for (const char* name : {"ConferenceServerAllowExternal", "NetMeetingAutoStart", "NoAging", "ResponseRequested",
                           "IsOnlineMeeting", "AllDayEvent"})
    EXPECT_EQ(copy.GetBool(name), item.GetBool(name)) << name;
  for (const char* name : {"Start", "End", "ReplyTime"}) EXPECT_EQ(copy.GetDate(name), item.GetDate(name)) << name;
  // Travelling values that the receiver leaves alone.
  EXPECT_EQ(copy.BillingInformation(), "");
  EXPECT_EQ(copy.GetText("RequiredAttendees"), "");
  EXPECT_EQ(copy.GetText("OptionalAttendees"), "");
  EXPECT_EQ(copy.GetText("NetMeetingOrganizerAlias"), "");
  EXPECT_EQ(copy.GetInt("MarkForDownload"), 0);

  platform::Attachments atts = copy.Attachments();
  ASSERT_EQ(atts.Count(), 3);
  EXPECT_EQ(atts.Item(1).FileName(), "minutes.txt");
  EXPECT_EQ(atts.Item(1).Type(), platform::olByValue);
  EXPECT_EQ(atts.Item(1).Data(), (platform::Bytes{'m', 'i', 'n', '\0', 0xff})) << "bytes travel unchanged";
  EXPECT_EQ(atts.Item(2).Type(), platform::olByReference);
  EXPECT_EQ(atts.Item(2).PathName(), "/srv/share/plan.pdf");
  EXPECT_EQ(atts.Item(2).DisplayName(), "Plan");
  EXPECT_EQ(atts.Item(3).FileName(), "note.msg");
  EXPECT_EQ(atts.Item(3).Data(), (platform::Bytes{'m', 's', 'g'}));
}

TEST_F(AppointmentXmlTest, TimesAreShiftedToUniversalAndBackButAllDayStaysLocal) {
  Item timed = NewAppointment(Calendar(), "Call");
  timed.SetStart(Date::FromParts(2026, 12, 7, 10, 0));
  timed.SetDuration(30);
  timed.Save();
  Write(timed);
  EXPECT_EQ(Element("Start"), "20261207 09:00:00") << "Berlin 10:00 is 09:00 universal";
  EXPECT_EQ(Element("End"), "20261207 09:30:00");
  EXPECT_EQ(Element("LastModificationTime"), "20261205 08:30:00");
  renv.nBias = kNewYork;
  Item there = Read();
  EXPECT_EQ(there.Start(), Date::FromParts(2026, 12, 7, 4, 0)) << "and 04:00 in New York";
  EXPECT_EQ(there.Duration(), 30);

  Item allDay = NewAppointment(Calendar(), "Holiday");
  allDay.SetAllDayEvent(true);
  allDay.SetStart(Date::FromParts(2026, 12, 24));
  allDay.SetEnd(Date::FromParts(2026, 12, 25));
  allDay.Save();
  Write(allDay);
  EXPECT_EQ(Element("Start"), "20261224 00:00:00");
  EXPECT_EQ(Element("End"), "20261225 00:00:00");
  EXPECT_EQ(Element("LastModificationTime"), "20261205 08:30:00") << "the modification time is always shifted";
  Item allDayThere = Read();
  EXPECT_TRUE(allDayThere.AllDayEvent());
  EXPECT_EQ(allDayThere.Start(), Date::FromParts(2026, 12, 24)) << "midnight wherever it is read";
  EXPECT_EQ(allDayThere.End(), Date::FromParts(2026, 12, 25));
}

TEST_F(AppointmentXmlTest, MessageAttachmentsLeftOutWhenTheOptionSaysSo) {
  wenv.bIgnoreMsgAttaches = true;
  Write(Everything());
  EXPECT_TRUE(Logged("Skipping *.msg attachment('note.msg')"));
  EXPECT_EQ(mZip::GetNumFilesInZip(ZipPath()), 1);
  EXPECT_EQ(Read().Attachments().Count(), 2);

  // A receiver with the option on leaves out what a sender without it sent.
  wenv.bIgnoreMsgAttaches = false;
  std::filesystem::remove(ZipPath());
  Write(Everything());
  renv.bIgnoreMsgAttaches = true;
  EXPECT_EQ(Read().Attachments().Count(), 2);
}

TEST_F(AppointmentXmlTest, SeriesWithExceptionsRoundTrip) {
  Item series = AllDaySeries();
  Write(series);
  EXPECT_EQ(Element("RecPatternStartDate"), "20261207 00:00:00");
  EXPECT_EQ(Element("RecOccurrences"), "5");

  renv.nBias = kNewYork;
  Item copy = Read();
  ASSERT_TRUE(copy.IsRecurring());
  platform::RecurrencePattern p = copy.GetRecurrencePattern();
  EXPECT_EQ(p.RecurrenceType(), platform::olRecursWeekly);
  EXPECT_EQ(p.Occurrences(), 5);
  EXPECT_EQ(p.PatternEndDate(), Date::FromParts(2027, 1, 4));
  EXPECT_EQ(p.OccurrenceStarts(Date::FromParts(2026, 12, 1), Date::FromParts(2027, 2, 1)),
            (std::vector<Date>{Date::FromParts(2026, 12, 7), Date::FromParts(2026, 12, 14),
                               Date::FromParts(2026, 12, 28), Date::FromParts(2027, 1, 4)}));
  Item moved = copy.GetOccurrence(Date::FromParts(2026, 12, 14));
  EXPECT_EQ(moved.Subject(), "Offsite (moved)");
  EXPECT_EQ(moved.Start(), Date::FromParts(2026, 12, 15));
  EXPECT_THROW(copy.GetOccurrence(Date::FromParts(2026, 12, 21)), platform::Error);
}

TEST_F(AppointmentXmlTest, TimedSeriesExceptionsFindTheirOccurrenceAcrossZones) {
  Item series = NewAppointment(Calendar(), "Standup");
  series.SetStart(Date::FromParts(2026, 12, 7, 9, 0));
  series.SetDuration(15);
  platform::RecurrencePattern p = series.GetRecurrencePattern();
  p.SetRecurrenceType(platform::olRecursDaily);
  p.SetDayOfWeekMask(0);  // every day, not every weekday
  p.SetOccurrences(3);
  series.Save();
  Item changed = series.GetOccurrence(Date::FromParts(2026, 12, 8, 9, 0));
  changed.SetSubject("Standup (long)");
  changed.SetDuration(60);
  changed.Save();
  Write(session->GetItemFromID(series.EntryID()));

  // Berlin's 09:00 is New York's 03:00: the series and its exception move together.
  renv.nBias = kNewYork;
  Item copy = Read();
  EXPECT_EQ(copy.Start(), Date::FromParts(2026, 12, 7, 3, 0));
  Item back = copy.GetOccurrence(Date::FromParts(2026, 12, 8, 3, 0));
  EXPECT_EQ(back.Subject(), "Standup (long)");
  EXPECT_EQ(back.Duration(), 60);
  EXPECT_EQ(copy.GetOccurrence(Date::FromParts(2026, 12, 9, 3, 0)).Subject(), "Standup");
}

struct PatternCase {
  const char* name;
  platform::OlRecurrenceType type;
  int interval, mask, dayOfMonth, monthOfYear, instance, occurrences;
  bool noEnd;
};

class RecurrenceRoundTrip : public AppointmentXmlTest, public ::testing::WithParamInterface<PatternCase> {};

TEST_P(RecurrenceRoundTrip, PatternSurvives) {
  const PatternCase& c = GetParam();
  Item item = NewAppointment(Calendar(), c.name);
  item.SetStart(Date::FromParts(2026, 12, 1, 8, 0));
  item.SetDuration(45);
  platform::RecurrencePattern p = item.GetRecurrencePattern();
  p.SetRecurrenceType(c.type);
  if (c.interval) p.SetInterval(c.interval);
  p.SetDayOfWeekMask(c.mask);
  if (c.dayOfMonth) p.SetDayOfMonth(c.dayOfMonth);
  if (c.monthOfYear) p.SetMonthOfYear(c.monthOfYear);
  if (c.instance) p.SetInstance(c.instance);
  if (c.noEnd)
    p.SetNoEndDate(true);
  else
    p.SetOccurrences(c.occurrences);
  item.Save();
  Write(item);

  platform::RecurrencePattern sent = session->GetItemFromID(item.EntryID()).GetRecurrencePattern();
  platform::RecurrencePattern got = Read().GetRecurrencePattern();
  EXPECT_EQ(got.RecurrenceType(), sent.RecurrenceType());
  EXPECT_EQ(got.Interval(), sent.Interval());
  EXPECT_EQ(got.NoEndDate(), sent.NoEndDate());
  EXPECT_EQ(got.PatternStartDate(), sent.PatternStartDate());
  const Date from = Date::FromParts(2026, 11, 1);
  const Date to = Date::FromParts(2031, 1, 1);
  EXPECT_EQ(got.OccurrenceStarts(from, to, 50), sent.OccurrenceStarts(from, to, 50));
}

INSTANTIATE_TEST_SUITE_P(
    EveryType, RecurrenceRoundTrip,
    ::testing::Values(PatternCase{"daily", platform::olRecursDaily, 2, 0, 0, 0, 0, 4, false},
                      PatternCase{"weekdays", platform::olRecursDaily, 0, 62, 0, 0, 0, 10, false},
                      PatternCase{"weekly", platform::olRecursWeekly, 1, platform::olMonday | platform::olThursday,
                                  0, 0, 0, 6, false},
                      PatternCase{"monthly", platform::olRecursMonthly, 1, 0, 15, 0, 0, 0, true},
                      PatternCase{"monthnth", platform::olRecursMonthNth, 2, platform::olTuesday, 0, 0, 2, 4, false},
                      PatternCase{"yearly", platform::olRecursYearly, 0, 0, 5, 3, 0, 2, false},
                      PatternCase{"yearnth", platform::olRecursYearNth, 0, platform::olFriday, 0, 11, 5, 0, true}),
    [](const ::testing::TestParamInfo<PatternCase>& info) { return std::string(info.param.name); });

TEST_F(AppointmentXmlTest, BadValuesAreSkippedAndTheRestApplied) {
  Write(Everything());
  // Spoil single values of the saved document as a foreign sender might.
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_file(DocPath().c_str(), pugi::parse_default & ~pugi::parse_eol));
  pugi::xml_node item = doc.child("appointments").child("added").child("item");
  item.child("Start").text().set("2026-12-07 10:00");
  item.child("Importance").text().set("high");
  pugi::xml_node atts = item.child("Attachments");
  atts.first_child().child("Type").text().set("5");
  atts.first_child().next_sibling().next_sibling().child("ID").text().set("99999999-20261205093000");
  ASSERT_TRUE(doc.save_file(DocPath().c_str(), "", pugi::format_raw));

  Item copy = Read();
  EXPECT_TRUE(Logged("Len(\"2026-12-07 10:00\") <> 17"));
  EXPECT_TRUE(Logged("Importance is no number: 'high'"));
  EXPECT_TRUE(Logged("Invalid Attachment Type - 5"));
  EXPECT_TRUE(Logged("Cant Extract 'note.msg'"));
  EXPECT_EQ(copy.Subject(), "[Bob Builder] Budget review") << "no prefix given, nothing stripped";
  EXPECT_EQ(copy.Duration(), 90);
  EXPECT_EQ(copy.Importance(), NewAppointment(Shared(), "").Importance()) << "left at its default";
  EXPECT_EQ(copy.Body(), "Agenda:\r\n1. Numbers & <totals>\r\n");
  ASSERT_EQ(copy.Attachments().Count(), 1);
  EXPECT_EQ(copy.Attachments().Item(1).DisplayName(), "Plan");
}

TEST_F(AppointmentXmlTest, NothingIsNoItem) {
  CXmlAppointments xml(DocPath());
  xml.Create();
  xml.SetCurNode(CXmlAppointments::ntAdded);
  xml.CreateItem();
  EXPECT_FALSE(mSendAppointments::WriteAppointment1(xml, "", Item(), ZipPath(), wenv));
  Item nothing;
  EXPECT_FALSE(mReceiveAppointments::ProcessAppointment1(xml, "", nothing, ZipPath(), renv));
}

TEST_F(AppointmentXmlTest, HeaderReadsBackByName) {
  Write(NewAppointment(Calendar(), "Plain"));
  CXmlAppointments xml(DocPath());
  ASSERT_TRUE(xml.Load());
  EXPECT_TRUE(xml.HasItem("64522606-20261205093000", "BOB@example.org", CXmlAppointments::ntAdded));
  xml.SetCurNode(CXmlAppointments::ntAdded);
  xml.SetCurItem(1);
  mAppointmentXml::ItemHeader h = mAppointmentXml::ReadItemHeader(xml, kBerlin);
  EXPECT_EQ(h.strItemID, Header().strItemID);
  EXPECT_EQ(h.strOwner, Header().strOwner);
  EXPECT_EQ(h.strGroups, "Team;Board");
  EXPECT_EQ(h.strShamMet, "0");
  EXPECT_EQ(h.dLastMod, Header().dLastMod);
}

}  // namespace

namespace {

TEST_F(AppointmentXmlTest, AnItemThatCannotBeSavedIsReportedWithItsValues) {
  Item item = NewAppointment(Calendar(), "Call");
  item.SetStart(Date::FromParts(2026, 12, 7, 10, 0));
  item.SetDuration(30);
  item.Save();
  Write(item);
  renv.SaveItem = [](Item&) { throw platform::Error("the store is full"); };
  CXmlAppointments xml(DocPath());
  ASSERT_TRUE(xml.Load());
  xml.SetCurNode(CXmlAppointments::ntAdded);
  xml.SetCurItem(1);
  Item copy = NewAppointment(Shared(), "");
  EXPECT_FALSE(mReceiveAppointments::ProcessAppointment1(xml, "[Bob] ", copy, ZipPath(), renv));
  EXPECT_TRUE(Logged("Unable to save item\r\nErr.Description = the store is full\r\nSubject = [Bob] Call\r\n"
                     "Start = 2026-12-07 10:00:00\r\nDuration = 30"));
  EXPECT_EQ(Shared().Items().Count(), 0);
}

}  // namespace

namespace {

TEST_F(AppointmentXmlTest, AnExceptionTravelsWithItsOwnAttachments) {
  Item series = NewAppointment(Calendar(), "Review");
  series.SetStart(Date::FromParts(2026, 12, 7, 14, 0));
  series.SetDuration(60);
  series.GetRecurrencePattern().SetOccurrences(3);
  series.Attachments().AddData("agenda.txt", {'a'});
  series.Save();
  Item changed = series.GetOccurrence(Date::FromParts(2026, 12, 14, 14, 0));
  changed.Attachments().Remove(1);
  changed.Attachments().AddData("moved.txt", {'m', 'v'});
  changed.Save();
  Write(session->GetItemFromID(series.EntryID()));

  Item copy = Read();
  ASSERT_EQ(copy.Attachments().Count(), 1);
  EXPECT_EQ(copy.Attachments().Item(1).FileName(), "agenda.txt");
  platform::Attachments own = copy.GetOccurrence(Date::FromParts(2026, 12, 14, 14, 0)).Attachments();
  ASSERT_EQ(own.Count(), 1);
  EXPECT_EQ(own.Item(1).FileName(), "moved.txt");
  EXPECT_EQ(own.Item(1).Data(), (platform::Bytes{'m', 'v'}));
  EXPECT_EQ(copy.GetOccurrence(Date::FromParts(2026, 12, 21, 14, 0)).Attachments().Item(1).FileName(), "agenda.txt");
}

}  // namespace
