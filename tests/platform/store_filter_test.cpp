// Items.Restrict: every filter shape the add-in builds, errors that name the
// field or the position, sorting and the live collection.
#include <algorithm>
#include <set>

#include "platform/Error.h"
#include "platform/store/Folders.h"
#include "platform/store/Items.h"
#include "store_test_support.h"

using platform::Date;
using platform::Item;

namespace store_test {
namespace {

class FilterTest : public StoreTest {
 protected:
  FilterTest() {
    inbox_ = S().GetDefaultFolder(platform::olFolderInbox);
    auto mail = [&](const std::string& subject, const std::string& cls) {
      Item m = inbox_.Items().AddOfClass(platform::olMail);
      m.SetSubject(subject);
      m.Set("MessageClass", cls);
      m.Save();
    };
    mail("ZTBGroup 64522606-20020930162039", "IPM.Note");
    mail("ztbgroup 64522606-20020930162039", "ipm.note");  // the client compares without case
    mail("ZTBAppointment 64522606-20060213141359", "IPM.Note");
    mail("ZTBGroup 64522606-20020930162039", "IPM.Schedule.Meeting.Request");
    mail("Re: ZTBGroup 64522606-20020930162039", "IPM.Note");

    shared_ = Calendar().Folders().Add("Zentabo", platform::olFolderCalendar);
    auto appt = [&](const std::string& subject, Date start, Date modified) {
      now_ = modified;
      Item a = shared_.Items().Add(platform::olAppointmentItem);
      a.SetSubject(subject);
      a.SetStart(start);
      a.SetDuration(60);
      a.Save();
    };
    appt("[Ann] Lunch", Date::FromParts(2026, 12, 7, 12, 0), Date::FromParts(2026, 12, 5, 10, 29, 59));
    appt("[Ann] Review", Date::FromParts(2026, 12, 8, 9, 0), Date::FromParts(2026, 12, 5, 10, 30, 0));
    appt("[Anna] Sport", Date::FromParts(2026, 12, 9, 18, 0), Date::FromParts(2026, 12, 5, 10, 45, 0));
    appt("[Bob] Call", Date::FromParts(2026, 12, 10, 8, 0), Date::FromParts(2026, 12, 5, 11, 0, 0));
    appt("Own item", Date::FromParts(2026, 12, 11, 8, 0), Date::FromParts(2026, 12, 5, 11, 30, 0));

    contacts_ = S().GetDefaultFolder(platform::olFolderContacts);
    for (const char* name : {"Bob Brown", "bob brown", "Bobby Brown"}) {
      Item c = contacts_.Items().Add(platform::olContactItem);
      c.Set("FullName", std::string(name));
      c.Save();
    }
  }

  static std::multiset<std::string> Subjects(const platform::Items& items, const char* field = "Subject") {
    std::multiset<std::string> out;
    for (const Item& i : items.All()) out.insert(i.GetText(field));
    return out;
  }

  platform::Folder inbox_, shared_, contacts_;
};

TEST_F(FilterTest, MagicMailFiltersMatchTheMarkersExactlyIgnoringCase) {
  auto groups = inbox_.Items().Restrict(
      "[MessageClass] = \"IPM.Note\" And ([Subject] = \"ZTBGroup 64522606-20020930162039\" Or "
      "[Subject] = \"ZTBGroup 64522606-20020930162039\")");
  EXPECT_EQ(Subjects(groups), (std::multiset<std::string>{"ZTBGroup 64522606-20020930162039",
                                                          "ztbgroup 64522606-20020930162039"}));
  auto appts = inbox_.Items().Restrict(
      "[MessageClass] = \"IPM.Note\" And ([Subject] = \"ZTBAppointment 64522606-20060213141359\" Or "
      "[Subject] = \"ZTBAppointment 64522606-20020930162039\")");
  EXPECT_EQ(appts.Count(), 1);
}

TEST_F(FilterTest, ShapesOfTheAddIn) {
  struct Case {
    const char* filter;
    std::multiset<std::string> subjects;
  };
  const Date last = Date::FromParts(2026, 12, 5, 10, 30, 0);
  const Date now = Date::FromParts(2026, 12, 5, 11, 0, 0);
  const std::string fast = "[MessageClass] = \"IPM.Appointment\" And [LastModificationTime] >= \"" +
                           last.ToShortText() + "\" And [LastModificationTime] <= \"" + now.ToShortText() + "\"";
  const std::vector<Case> cases = {
      // The fast local synchronisation: a minute-precision range.
      {fast.c_str(), {"[Ann] Review", "[Anna] Sport", "[Bob] Call"}},
      {"[LastModificationTime] > '12/05/2026 10:30 AM'", {"[Anna] Sport", "[Bob] Call", "Own item"}},
      // A member's items by subject prefix: not less than "[Ann] ", less than "[Ann]!".
      {"[Subject] >= '[Ann] ' And [Subject] < '[Ann]!' And [MessageClass] = 'IPM.Appointment'",
       {"[Ann] Lunch", "[Ann] Review"}},
      {"[Start] >= '12/08/2026' And [End] <= '12/10/2026 09:00 AM'", {"[Ann] Review", "[Anna] Sport", "[Bob] Call"}},
      {"Not [Subject] = 'own ITEM'", {"[Ann] Lunch", "[Ann] Review", "[Anna] Sport", "[Bob] Call"}},
      {"[Subject] <> 'Own item' and not ([Subject] < '[B')", {"[Bob] Call"}},
      {"([Start] < '12/08/2026') OR ([Start] > '12/10/2026')", {"[Ann] Lunch", "[Bob] Call", "Own item"}},
      {"[Subject] = 'it''s'", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(Subjects(shared_.Items().Restrict(c.filter)), c.subjects) << c.filter;

  auto byName = contacts_.Items().Restrict("[FullName] = \"Bob Brown\"");
  EXPECT_EQ(Subjects(byName, "FullName"), (std::multiset<std::string>{"Bob Brown", "bob brown"}));
}

TEST_F(FilterTest, ErrorsNameTheFieldOrThePosition) {
  struct Case {
    const char* filter;
    const char* mention;
  };
  const std::vector<Case> cases = {
      {"[Subjekt] = 'x'", "[Subjekt]"},
      {"[Subject] = 'x' And", "position 20"},
      {"[Subject] == 'x'", "position 12"},
      {"[Subject] = x", "position 13"},
      {"([Subject] = 'x'", "')' expected"},
      {"[Subject] = 'x", "unterminated"},
      {"[Start] > 'yesterday'", "[Start]"},
      {"", "empty filter"},
  };
  for (const auto& c : cases) {
    try {
      shared_.Items().Restrict(c.filter);
      ADD_FAILURE() << "no error for " << c.filter;
    } catch (const platform::Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.mention), std::string::npos) << c.filter << " -> " << e.what();
    }
  }
}

TEST_F(FilterTest, SortRestrictAndLiveCount) {
  auto items = shared_.Items();
  items.Sort("[Start]", true);
  EXPECT_EQ(items.Item(1).Subject(), "Own item");
  EXPECT_EQ(items.Item(5).Subject(), "[Ann] Lunch");
  auto restricted = items.Restrict("[Subject] < 'O'");
  EXPECT_EQ(restricted.Item(1).Subject(), "[Bob] Call");  // the sort is kept
  auto twice = restricted.Restrict("[Subject] >= '[Anna'");
  EXPECT_EQ(twice.Count(), 2);
  EXPECT_THROW(items.Item(0), platform::Error);
  EXPECT_THROW(items.Item(6), platform::Error);
  EXPECT_THROW(items.Sort("Mileage"), platform::Error);

  Item extra = shared_.Items().Add(platform::olAppointmentItem);
  extra.SetSubject("[Ann] Extra");
  extra.Save();
  EXPECT_EQ(items.Count(), 6);
  EXPECT_EQ(twice.Count(), 2);
  EXPECT_EQ(restricted.Count(), 5);
  // A change moves an item out of a restriction and within a sort.
  Item sport = twice.Item(2);
  ASSERT_EQ(sport.Subject(), "[Anna] Sport");
  sport.SetSubject("[Ann] Sport");
  sport.SetStart(Date::FromParts(2027, 1, 1, 9, 0));
  sport.Save();
  EXPECT_EQ(twice.Count(), 1);
  EXPECT_EQ(items.Item(1).Subject(), "[Ann] Sport");
  EXPECT_EQ(shared_.Items().Count(), 6);

  auto search = shared_.Items();
  std::set<std::string> seen;
  for (Item f = search.Find("[Subject] >= '[Ann] ' And [Subject] < '[Ann]!'"); f; f = search.FindNext())
    seen.insert(f.Subject());
  EXPECT_EQ(seen, (std::set<std::string>{"[Ann] Lunch", "[Ann] Review", "[Ann] Extra", "[Ann] Sport"}));
}

}  // namespace
}  // namespace store_test
