// The folder-sharing engine on a real profile: which events each kind of
// write raises in the watched folders, when they arrive, and the engine's
// database and settings.
#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Error.h"
#include "platform/EventLoop.h"
#include "platform/Registry.h"
#include "platform/engine/LoomcastEngine.h"
#include "platform/mail/MailDelivery.h"
#include "platform/mail/PostOfficeTransport.h"
#include "platform/store/Folders.h"
#include "platform/store/Items.h"
#include "platform/store/Recipients.h"
#include "platform/store/RecurrencePattern.h"
#include "support/TempHome.h"

namespace platform::loomcast {
namespace {

namespace fs = std::filesystem;

struct Event {
  std::string kind;    // "add", "change", "delete"
  std::string folder;  // the folder's name
  std::string entryId;
  bool operator==(const Event&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Event& e) {
  return os << e.kind << "(" << e.folder << ", " << e.entryId << ")";
}

// Records every call; handles every item event (IgnoreEvent = true).
class RecordingExt : public ILoomcastExt {
 public:
  RecordingExt(MailSession& session, std::string dbPath) : m_session(session), m_dbPath(std::move(dbPath)) {}

  void onItemAdded(const LoomcastItem& item, bool& ignore) override { Record("add", item, ignore); }
  void onItemChanged(const LoomcastItem& item, bool& ignore) override { Record("change", item, ignore); }
  void onItemDeleted(const LoomcastItem& item, bool& ignore) override { Record("delete", item, ignore); }
  void onFolderReceived(const LoomcastFolder&, const std::string&) override {}
  void onItemReceived(const LoomcastItem&, const std::string&, bool& ignore) override { ignore = true; }
  void onItemResend(const LoomcastItem&, const std::string&, bool& ignore) override { ignore = true; }
  void onPostprocess(const std::string&, const std::string&) override {}
  void DatabasePath(std::string& path) override { path = m_dbPath; }
  void ProductCode(std::string& code) override { code = "ZTB-PRODUCT-1"; }

  std::vector<Event> events;
  std::vector<std::string> storeIds;
  std::function<void(const Event&)> onEvent;

 private:
  void Record(const char* kind, const LoomcastItem& item, bool& ignore) {
    ignore = true;
    Event e{kind, m_session.GetFolderFromID(item.Folder().EntryID(), item.StoreID()).Name(), item.EntryID()};
    events.push_back(e);
    storeIds.push_back(item.StoreID());
    if (onEvent) onEvent(e);
  }
  MailSession& m_session;
  std::string m_dbPath;
};

// Public: the table of guarded writes below drives the fixture from lambdas.
class EngineTest : public ::testing::Test {
 public:
  EngineTest()
      : m_reg(m_dir.Path()),
        m_session(MailSession::Open((m_dir.Path() / "profile.db").string(),
                                    [this](std::function<void()> fn) { m_loop.Post(std::move(fn)); })),
        m_engine(m_session, m_loop, m_reg),
        m_ext(m_session, (m_dir.Path() / "AppData" / "loomcast.mdb").string()) {
    fs::create_directories(m_dir.Path() / "AppData");
    m_session.SetCurrentUser("Alice", "alice@example.org");
    m_zentab = Calendar().Folders().Add("Zentabo", olFolderCalendar);
    m_engine.SetExtension(&m_ext);
    for (const Folder& f : {Calendar(), m_zentab, Default(olFolderInbox), Default(olFolderSentMail),
                            Default(olFolderDeletedItems)})
      m_watched.push_back(m_engine.GetFolder(f.EntryID(), f.StoreID()));
    m_engine.DrainEvents();
  }

  Folder Default(OlDefaultFolders type) { return m_session.GetDefaultFolder(type); }
  Folder Calendar() { return Default(olFolderCalendar); }
  Item NewAppointment(const Folder& folder, const std::string& subject) {
    Item item = folder.Items().Add(olAppointmentItem);
    item.SetSubject(subject);
    item.Save();
    return item;
  }
  // The events of everything done so far, then forgotten.
  std::vector<Event> Take() {
    m_engine.DrainEvents();
    std::vector<Event> out;
    out.swap(m_ext.events);
    return out;
  }

  testing_support::TempDir m_dir;
  VirtualClock m_clock;
  EventLoop m_loop{m_clock};
  Registry m_reg;
  MailSession m_session;
  LoomcastEngine m_engine;
  RecordingExt m_ext;
  Folder m_zentab;
  std::vector<LoomcastFolder> m_watched;
};

// Each write the add-in guards against its own events, with the events the
// guard must expect for it.
TEST_F(EngineTest, GuardedWritesRaiseTheEventsTheirGuardsCount) {
  struct Case {
    const char* name;
    std::function<std::vector<Event>(EngineTest&)> run;  // does the write, returns the expected events
  };
  const std::vector<Case> cases = {
      {"ItemSave of a new item: one add",
       [](EngineTest& t) {
         Item item = t.NewAppointment(t.Calendar(), "new");
         return std::vector<Event>{{"add", "Calendar", item.EntryID()}};
       }},
      {"ItemSave of a saved item: one change",
       [](EngineTest& t) {
         Item item = t.NewAppointment(t.Calendar(), "old");
         t.Take();
         item.SetLocation("room 2");
         item.Save();
         return std::vector<Event>{{"change", "Calendar", item.EntryID()}};
       }},
      {"ItemSave of an occurrence, then of the exception it became: one change of the series each",
       [](EngineTest& t) {
         Item series = t.NewAppointment(t.Calendar(), "weekly");
         series.GetRecurrencePattern().SetOccurrences(5);
         series.Save();
         t.Take();
         Item occ = series.GetOccurrence(series.Start().Add("ww", 1));
         occ.SetLocation("elsewhere");
         occ.Save();
         occ.SetLocation("back");
         occ.Save();
         return std::vector<Event>{{"change", "Calendar", series.EntryID()},
                                   {"change", "Calendar", series.EntryID()}};
       }},
      {"deleting one occurrence: one change of the series",
       [](EngineTest& t) {
         Item series = t.NewAppointment(t.Calendar(), "weekly");
         series.GetRecurrencePattern();
         series.Save();
         t.Take();
         series.GetOccurrence(series.Start().Add("ww", 2)).Delete();
         return std::vector<Event>{{"change", "Calendar", series.EntryID()}};
       }},
      {"ItemCopyMove(RDO), the safe-item session's CopyTo: one add in the destination only",
       [](EngineTest& t) {
         Item item = t.NewAppointment(t.Calendar(), "shared");
         t.Take();
         Item copy = item.CopyTo(t.m_zentab);
         return std::vector<Event>{{"add", "Zentabo", copy.EntryID()}};
       }},
      {"ItemCopyMove(TempCopiedItem) and (MoviedItem): the temporary copy comes and goes, one add in the "
       "destination",
       [](EngineTest& t) {
         Item item = t.NewAppointment(t.Calendar(), "shared");
         t.Take();
         Item temp = item.Copy();
         Item moved = temp.Move(t.m_zentab);
         return std::vector<Event>{{"add", "Calendar", temp.EntryID()},
                                   {"delete", "Calendar", temp.EntryID()},
                                   {"add", "Zentabo", moved.EntryID()}};
       }},
      {"ItemDelete outside Deleted Items (ItemDelete, ItemDelete1): a delete here, an add in Deleted Items",
       [](EngineTest& t) {
         Item item = t.NewAppointment(t.m_zentab, "gone");
         t.Take();
         const std::string id = item.EntryID();
         item.Delete();
         return std::vector<Event>{{"delete", "Zentabo", id}, {"add", "Deleted Items", id}};
       }},
      {"ItemDelete inside Deleted Items, for good: one delete",
       [](EngineTest& t) {
         Item item = t.NewAppointment(t.Calendar(), "gone");
         item.Delete();
         t.Take();
         const std::string id = item.EntryID();
         item.Delete();
         return std::vector<Event>{{"delete", "Deleted Items", id}};
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Take();
    const std::vector<Event> expected = c.run(*this);
    EXPECT_EQ(Take(), expected);
  }
}

TEST_F(EngineTest, EventsArriveAfterTheWriteInWriteOrderWithTheirIds) {
  Item a = Calendar().Items().Add(olAppointmentItem);
  m_ext.onEvent = [&](const Event&) { EXPECT_TRUE(a.Saved()); };
  a.Save();
  Item b = NewAppointment(m_zentab, "b");
  a.SetSubject("a2");
  a.Save();
  b.Move(Calendar());
  EXPECT_TRUE(m_ext.events.empty());  // nothing inside the writes
  EXPECT_EQ(Take(), (std::vector<Event>{{"add", "Calendar", a.EntryID()},
                                        {"add", "Zentabo", b.EntryID()},
                                        {"change", "Calendar", a.EntryID()},
                                        {"delete", "Zentabo", b.EntryID()},
                                        {"add", "Calendar", b.EntryID()}}));
  for (const std::string& s : m_ext.storeIds) EXPECT_EQ(s, m_session.StoreID());
  EXPECT_EQ(m_engine.EventsNotHandled(), 0u);
}

TEST_F(EngineTest, RemovalForGoodIsReportedForAnItemThatNoLongerOpens) {
  Item item = NewAppointment(Calendar(), "x");
  item.Delete();
  Take();
  const std::string id = item.EntryID();
  std::optional<bool> opened;
  m_ext.onEvent = [&](const Event&) {
    try {
      m_session.GetItemFromID(id).Subject();
      opened = true;
    } catch (const Error&) {
      opened = false;
    }
  };
  m_engine.AsUser([&] { item.Delete(); });
  EXPECT_EQ(m_ext.events, (std::vector<Event>{{"delete", "Deleted Items", id}}));
  EXPECT_EQ(opened, false);
}

TEST_F(EngineTest, SubfoldersAndUnwatchedFoldersStaySilent) {
  Folder member = m_zentab.Folders().Add("Bob (bob@example.org)", olFolderCalendar);
  Item item = NewAppointment(member, "in a member folder");
  NewAppointment(Default(olFolderContacts).Folders().Add("Sub", olFolderCalendar), "elsewhere");
  item.SetSubject("changed");
  item.Save();
  EXPECT_TRUE(Take().empty());
  // An item moved out of a subfolder into a watched folder is an add there.
  item.Move(m_zentab);
  EXPECT_EQ(Take(), (std::vector<Event>{{"add", "Zentabo", item.EntryID()}}));
}

TEST_F(EngineTest, MailDeliveredToTheInboxAndSentMailInSentItemsAreAdds) {
  PostOfficeTransport po(m_dir.Path() / "postoffice");
  MailDelivery delivery(m_session, po, m_clock);
  Item mail = Default(olFolderOutbox).Items().Add(olMailItem);
  mail.SetSubject("hello");
  mail.Recipients().Add("alice@example.org");
  Item sent = delivery.Send(mail);
  ASSERT_EQ(delivery.PickUp().arrived, 1);
  const std::vector<Event> events = Take();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0], (Event{"add", "Sent Items", sent.EntryID()}));
  EXPECT_EQ(events[1].kind, "add");
  EXPECT_EQ(events[1].folder, "Inbox");
}

TEST_F(EngineTest, FolderObjectsWatchWhileHeld) {
  Folder other = Calendar().Folders().Add("Other", olFolderCalendar);
  EXPECT_EQ(m_engine.GetFolder(other.EntryID(), "0000BAD0").FolderID(), "");      // another store
  EXPECT_EQ(m_engine.GetFolder("00000000FFFF", m_session.StoreID()).FolderID(), "");  // no such folder
  {
    LoomcastFolder f1 = m_engine.GetFolder(other.EntryID(), other.StoreID());
    LoomcastFolder f2 = m_engine.GetFolder(other.EntryID(), other.StoreID());
    EXPECT_EQ(f1.FolderID(), other.EntryID());
    NewAppointment(other, "once");
    EXPECT_EQ(Take().size(), 1u);  // asked twice, watched once
  }
  NewAppointment(other, "released");
  EXPECT_TRUE(Take().empty());
  // Released watches stop; the others go on, and a detached extension hears nothing.
  m_watched.clear();
  NewAppointment(Calendar(), "unwatched");
  EXPECT_TRUE(Take().empty());
  LoomcastFolder again = m_engine.GetFolder(Calendar().EntryID(), m_session.StoreID());
  m_engine.SetExtension(nullptr);
  NewAppointment(Calendar(), "detached");
  EXPECT_TRUE(Take().empty());
  EXPECT_EQ(m_engine.GetFolder(Calendar().EntryID(), m_session.StoreID()).FolderID(), "");
}

TEST_F(EngineTest, DatabaseAndSettingsFollowTheExtension) {
  EXPECT_TRUE(fs::exists(m_engine.DatabasePath()));
  EXPECT_EQ(m_engine.Database()->ProductCode(), "ZTB-PRODUCT-1");
  EXPECT_EQ(m_engine.Database()->Folders().size(), 5u);
  EXPECT_TRUE(m_engine.Settings().bResumeJobs);
  EXPECT_EQ(m_engine.Settings().strLogs, "");

  // The add-in writes the engine's settings key; the next registration reads it.
  const fs::path log = m_dir.Path() / "AppData" / "loomcast.log";
  HKEY h = 0;
  ASSERT_EQ(m_reg.CreateKey(HKEY_CURRENT_USER, SettingsKey("ZTB-PRODUCT-1"), KEY_ALL_ACCESS, &h), ERROR_SUCCESS);
  m_reg.SetDword(h, "ResumeJobs", 0);
  m_reg.SetString(h, "Logs", log.string());
  m_reg.CloseKey(h);
  m_engine.SetExtension(&m_ext);
  EXPECT_FALSE(m_engine.Settings().bResumeJobs);
  EXPECT_TRUE(fs::exists(log));

  // A file that is no engine database is refused and kept; the old registration stays.
  const fs::path foreign = m_dir.Path() / "foreign.mdb";
  std::ofstream(foreign) << "not a database at all, but some bytes a user left here";
  RecordingExt other(m_session, foreign.string());
  EXPECT_THROW(m_engine.SetExtension(&other), Error);
  EXPECT_EQ(m_engine.Extension(), &m_ext);
  std::ifstream in(foreign);
  std::string first;
  std::getline(in, first);
  EXPECT_EQ(first.substr(0, 3), "not");
}

TEST_F(EngineTest, ShellFoldersNameTheApplicationDataFolder) {
  System sys(m_dir.Path(), m_dir.Path() / "install");
  EXPECT_EQ(ShellAppData(m_reg), "");
  RegisterShellFolders(m_reg, sys);
  EXPECT_EQ(ShellAppData(m_reg), sys.AppData().string());
}

// The safe timer empties the add-in's ignore list; it must never run between
// a write and the delivery of that write's events, or the write's own events
// would be taken for the user's. Checked on the real clock with a timer that
// is due again and again while writes happen.
TEST(EngineRealClock, ADueTimerWaitsForTheEventsOfAWrite) {
  testing_support::TempDir dir;
  RealClock clock;
  EventLoop loop(clock);
  Registry reg(dir.Path());
  MailSession session = MailSession::Open((dir.Path() / "profile.db").string(),
                                          [&](std::function<void()> fn) { loop.Post(std::move(fn)); });
  LoomcastEngine engine(session, loop, reg);
  RecordingExt ext(session, (dir.Path() / "loomcast.mdb").string());
  engine.SetExtension(&ext);
  Folder calendar = session.GetDefaultFolder(olFolderCalendar);
  LoomcastFolder watched = engine.GetFolder(calendar.EntryID(), calendar.StoreID());

  int writes = 0;
  int ticks = 0;
  int ticksBetween = 0;
  Item item = calendar.Items().Add(olAppointmentItem);
  item.Save();
  loop.DrainMessages();
  ext.events.clear();
  loop.AddTimer(
      1, [&] {
        for (int i = 0; i < 3; ++i) {  // a burst of writes, each slower than the safe timer's interval
          item.SetLocation("room " + std::to_string(++writes));
          item.Save();
          const int64_t until = clock.MonotonicMs() + 2;
          while (clock.MonotonicMs() < until) {
          }
        }
      },
      true);
  loop.AddTimer(
      1, [&] {
        ++ticks;
        if (ext.events.size() != static_cast<size_t>(writes)) ++ticksBetween;
      },
      true);
  EXPECT_TRUE(loop.RunUntil([&] { return ticks >= 20 && writes >= 30; }, 20000));
  loop.DrainMessages();
  EXPECT_EQ(ext.events.size(), static_cast<size_t>(writes));
  EXPECT_EQ(ticksBetween, 0);
}

}  // namespace
}  // namespace platform::loomcast
