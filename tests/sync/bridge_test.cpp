// The event bridge against the real sharing engine: the ignore list's
// counting, the journal's work for the user's changes, and the mail folders.
#include <gtest/gtest.h>

#include "options/CWinReg.h"
#include "platform/FileUtil.h"
#include "platform/store/UserProperties.h"
#include "support/SyncFixture.h"
#include "sync/mAppointments.h"

namespace {

using namespace mAppointments;

class BridgeTest : public testing_support::SyncFixture {
 protected:
  // The user changes the item once (the bridge decides what comes of it).
  void UserChange(const platform::Item& item, const std::string& location) {
    AsUser([&] {
      platform::Item now = Fresh(item);
      now.SetLocation(location);
      now.Save();
    });
  }
  // Whether the bridge took the item's events for user changes: a user's
  // change shares the item, giving it an id.
  bool IsShared(const platform::Item& item) const { return !GetUserProperty(Fresh(item), kItemID).empty(); }
};

TEST_F(BridgeTest, AnnouncedEventsAreDroppedByCountPerItemAndFolder) {
  struct Case {
    const char* name;
    std::vector<int> counts;  // IgnoreEvents calls for the item in the calendar
    int dropped;              // user saves that go unnoticed
  };
  const Case cases[] = {
      {"a save registered with count 1 drops exactly one event", {1}, 1},
      {"a copy-and-move registered with count 2 drops two", {2}, 2},
      {"registering twice adds the counts", {1, 2}, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::Item item = Appointment(Calendar(), c.name);
    events->IgnoreEvents(item.EntryID(), Calendar().EntryID(), 1, "", "add");
    Settle();
    ASSERT_FALSE(IsShared(item)) << "the announced add is dropped";
    for (size_t i = 0; i < c.counts.size(); ++i)
      events->IgnoreEvents(item.EntryID(), Calendar().EntryID(), c.counts[i], "", "reg" + std::to_string(i));
    for (int i = 0; i < c.dropped; ++i) {
      UserChange(item, "room " + std::to_string(i));
      EXPECT_FALSE(IsShared(item)) << "change " << i << " was announced";
    }
    EXPECT_EQ(events->FindIgnoreEntry(Calendar().EntryID(), item.EntryID()), nullptr) << "used up";
    UserChange(item, "the next one");
    EXPECT_TRUE(IsShared(item)) << "the next change is the user's";
  }
}

TEST_F(BridgeTest, AnEntryKeepsItsRegistrationsAndTheEventsThatUsedIt) {
  platform::Item item = Appointment(Calendar(), "x");
  Settle();
  events->IgnoreEvents(item.EntryID(), Calendar().EntryID(), 2, "", "ItemSave1");
  events->IgnoreEvents(item.EntryID(), Calendar().EntryID(), 1, "", "ItemSave1");
  UserChange(item, "a");
  const CIgnoreEntry* e = events->FindIgnoreEntry(Calendar().EntryID(), item.EntryID());
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->NumIgnoreEvents, 2);
  EXPECT_EQ(e->AddInfo, "ItemSave1, ItemSave1");
  EXPECT_EQ(e->DelInfo, ", onItemChanged(Calendar)");
}

TEST_F(BridgeTest, AnEntryForTheItemInAnotherFolderDoesNotDropItsEvent) {
  platform::Item item = Appointment(Calendar(), "other folder");
  events->IgnoreEvents(item.EntryID(), Shared().EntryID(), 1, "", "elsewhere");
  Settle();
  EXPECT_TRUE(IsShared(item));
  EXPECT_NE(events->FindIgnoreEntry(Shared().EntryID(), item.EntryID()), nullptr);
}

TEST_F(BridgeTest, ASafeTimerTickForgetsWhatNeverCame) {
  platform::Item item = Appointment(Calendar(), "tick");
  events->IgnoreEvents(item.EntryID(), Calendar().EntryID(), 1, "", "add");
  Settle();
  events->IgnoreEvents(item.EntryID(), Calendar().EntryID(), 1, "", "never comes");
  events->IgnoreEvents("some other id", Shared().EntryID(), 3, "", "never comes");
  Tick();
  EXPECT_EQ(events->IgnoreEntryCount(), 0u);
  EXPECT_TRUE(Logged("->OnSafeTimer"));
  UserChange(item, "after the tick");
  EXPECT_TRUE(IsShared(item));
}

TEST_F(BridgeTest, BadAnnouncementsAreRefusedAndUnwatchedFoldersOnlyLogged) {
  const std::string cal = Calendar().EntryID();
  EXPECT_THROW(events->IgnoreEvents("E", cal, -1), platform::Error);
  EXPECT_THROW(events->IgnoreEvents("E", cal, 1, "another store"), platform::Error);
  EXPECT_THROW(events->IgnoreEvents("E", "", 1), platform::Error);
  EXPECT_NO_THROW(events->IgnoreEvents("E", cal, 1, session->StoreID()));
  const platform::Folder outbox = Default(platform::olFolderOutbox);
  events->IgnoreEvents("E2", outbox.EntryID(), 1);
  EXPECT_EQ(events->FindIgnoreEntry(outbox.EntryID(), "E2"), nullptr);
  EXPECT_TRUE(Logged("dont recieve events from folder Outbox"));
  events->UnignoreEvents("E", cal);
  EXPECT_EQ(events->IgnoreEntryCount(), 0u);
}

// The add-in's own writes announce exactly the events they cause: after a
// user's new item is shared and its events have come, nothing is left over
// and nothing was journalled twice.
TEST_F(BridgeTest, AUserItemAddedInTheCalendarIsCopiedAndQueuedOnce) {
  platform::Item item;
  AsUser([&] { item = Appointment(Calendar(), "Dentist"); });
  ASSERT_EQ(Count(Shared()), 1u);
  platform::Item copy = Shared().Items().Item(1);
  item = Fresh(item);
  EXPECT_EQ(GetUserProperty(copy, kReferID), item.EntryID());
  EXPECT_EQ(GetUserProperty(item, kReferID), copy.EntryID());
  EXPECT_EQ(GetUserProperty(copy, kItemID), GetUserProperty(item, kItemID));
  ASSERT_EQ(ctx.colPending.Count(), 1u);
  const CAppointment& rec = *ctx.colPending.begin();
  EXPECT_EQ(rec.m_strAction, "Added");
  EXPECT_EQ(rec.m_strEntryID, item.EntryID());
  EXPECT_EQ(rec.m_strOwner, "alice@example.org");
  EXPECT_EQ(events->IgnoreEntryCount(), 0u) << "every announced event came";
  EXPECT_EQ(engine->EventsNotHandled(), 0u);
}

TEST_F(BridgeTest, ABurstOfUserChangesIsAppliedInOneRun) {
  ctx.bLogEvents = true;
  AsUser([&] {
    for (const char* subject : {"one", "two", "three"}) Appointment(Calendar(), subject);
  });
  EXPECT_EQ(Count(Shared()), 3u);
  EXPECT_EQ(ctx.colPending.Count(), 3u);
  const std::string log = Log();
  size_t runs = 0;
  for (size_t p = log.find("ProcessJournal.Start"); p != std::string::npos; p = log.find("ProcessJournal.Start", p + 1))
    ++runs;
  EXPECT_EQ(runs, 1u);
  EXPECT_EQ(journal.Count(), 0u);
}

TEST_F(BridgeTest, AUserItemAddedInTheSharedFolderGoesToTheCalendarAndIsShared) {
  platform::Item item;
  AsUser([&] { item = Appointment(Shared(), "Team lunch"); });
  ASSERT_EQ(Count(Calendar()), 1u);
  platform::Item mine = Calendar().Items().Item(1);
  EXPECT_EQ(mine.Subject(), "Team lunch");
  EXPECT_EQ(GetUserProperty(mine, kReferID), item.EntryID());
  ASSERT_EQ(ctx.colPending.Count(), 1u);
  EXPECT_EQ(ctx.colPending.begin()->m_strAction, "Added");
  EXPECT_EQ(events->IgnoreEntryCount(), 0u);
}

TEST_F(BridgeTest, AUserChangeReplacesTheCopyAndKeepsTheFirstAction) {
  platform::Item item;
  AsUser([&] { item = Appointment(Calendar(), "Dentist"); });
  const std::string id = GetUserProperty(Fresh(item), kItemID);
  UserChange(item, "Main street");
  ASSERT_EQ(Count(Shared()), 1u) << "the old copy went to Deleted Items";
  EXPECT_EQ(Shared().Items().Item(1).Location(), "Main street");
  EXPECT_EQ(GetUserProperty(Fresh(item), kItemID), id);
  ASSERT_EQ(ctx.colPending.Count(), 1u);
  EXPECT_EQ(ctx.colPending.begin()->m_strAction, "Added") << "not sent yet: still an addition";
  EXPECT_EQ(events->IgnoreEntryCount(), 0u);
}

TEST_F(BridgeTest, AUserChangeOfTheSharedCopyReachesTheCalendar) {
  platform::Item item;
  AsUser([&] { item = Appointment(Calendar(), "Dentist"); });
  ctx.colPending.RemoveAll();  // as if sent
  const std::string id = GetUserProperty(Fresh(item), kItemID);
  platform::Item copy = Shared().Items().Item(1);
  UserChange(copy, "Room 7");
  ASSERT_EQ(Count(Calendar()), 1u) << "the calendar item was replaced, not doubled";
  platform::Item mine = Calendar().Items().Item(1);
  EXPECT_EQ(mine.Location(), "Room 7");
  EXPECT_EQ(GetUserProperty(mine, kReferID), copy.EntryID());
  EXPECT_EQ(GetUserProperty(Fresh(copy), kReferID), mine.EntryID());
  EXPECT_EQ(GetUserProperty(mine, kItemID), id);
  EXPECT_EQ(GetUserProperty(Fresh(copy), kItemID), id);
  ASSERT_EQ(ctx.colPending.Count(), 1u);
  EXPECT_EQ(ctx.colPending.begin()->m_strAction, "Changed");
  EXPECT_EQ(events->IgnoreEntryCount(), 0u);
}

TEST_F(BridgeTest, ADeletedItemTakesItsCopyAlongEvenWhenDeletedForGood) {
  platform::Item moved, forGood;
  AsUser([&] {
    moved = Appointment(Calendar(), "moved to Deleted Items");
    forGood = Appointment(Calendar(), "deleted for good");
  });
  ASSERT_EQ(Count(Shared()), 2u);
  ctx.colPending.RemoveAll();  // as if sent
  AsUser([&] { Fresh(moved).Delete(); });
  EXPECT_EQ(Count(Shared()), 1u);
  AsUser([&] {
    platform::Item now = Fresh(forGood);
    now.Delete();
    now.Delete();  // out of Deleted Items too before the add-in hears of it
  });
  EXPECT_EQ(Count(Shared()), 0u);
  ASSERT_EQ(ctx.colPending.Count(), 2u);
  for (const CAppointment& rec : ctx.colPending) EXPECT_EQ(rec.m_strAction, "Removed");
}

TEST_F(BridgeTest, MagicMailsLeaveSentItemsAndDeletedItemsOnlyWithHardDeletion) {
  auto mail = [this](platform::OlDefaultFolders folder, const std::string& subject) {
    platform::Item m = Default(folder).Items().Add(platform::olMailItem);
    m.SetSubject(subject);
    m.Save();
    return m;
  };
  const platform::Folder sent = Default(platform::olFolderSentMail);
  const platform::Folder deleted = Default(platform::olFolderDeletedItems);
  AsUser([&] {
    mail(platform::olFolderSentMail, "ZTBAppointment 64522606-20060213141359 Alice");
    mail(platform::olFolderSentMail, "ZTBGroup 64522606-20020930162039 Alice");
    mail(platform::olFolderSentMail, "Hello");
  });
  EXPECT_EQ(Count(sent), 1u) << "only the user's own mail stays";
  EXPECT_EQ(Count(deleted), 2u) << "without HardDeletion they stay in Deleted Items";

  mOptions::g_Options().HardDeletion = true;
  AsUser([&] {
    mail(platform::olFolderSentMail, "ZTBAppointment 64522606-20060213141359 Alice");
    mail(platform::olFolderDeletedItems, "ZTBAppointment 64522606-20020930162039 old");
    mail(platform::olFolderDeletedItems, "not ours");
  });
  EXPECT_EQ(Count(sent), 1u);
  EXPECT_EQ(Count(deleted), 3u) << "the two kept before and the user's mail";
}

TEST_F(BridgeTest, NewInboxMailIsHandedOnThenTheNewMailTimerRestarted) {
  std::vector<std::string> seen;
  ctx.NewMailItem = [&](platform::Item& mail) { seen.push_back(mail.Subject()); };
  ctx.EnableNewMailsTimer = [&] { seen.push_back("timer"); };
  AsUser([&] {
    platform::Item m = Default(platform::olFolderInbox).Items().Add(platform::olMailItem);
    m.SetSubject("hi");
    m.Save();
  });
  EXPECT_EQ(seen, (std::vector<std::string>{"hi", "timer"}));
}

TEST_F(BridgeTest, TheEngineGetsItsDatabaseAndSettingsFromTheExtension) {
  namespace fs = std::filesystem;
  // The product key's "DatabasePath".
  auto storedPath = [this] {
    CWinReg r(*registry);
    return r.InitForRead(platform::HKEY_CURRENT_USER, "Software\\Korvel\\Zentabo") ? r.GetStringValue("DatabasePath")
                                                                                    : std::string();
  };
  const fs::path data = system->AppData() / "Korvel" / "Zentabo";
  EXPECT_EQ(storedPath(), (data / "loomcast.mdb").string());
  EXPECT_EQ(engine->DatabasePath(), storedPath());
  EXPECT_TRUE(platform::FileUtil::Exists(storedPath()));
  EXPECT_EQ(engine->ProductCode(), "Zentab");
  EXPECT_FALSE(engine->Settings().bResumeJobs);
  EXPECT_EQ(engine->Settings().strLogs, (data / "loomcast.log").string());

  // A stored path naming a file is kept; one naming none is replaced, and
  // the installed template is copied only where no database is yet.
  const fs::path elsewhere = dir.Path() / "elsewhere.mdb";
  platform::FileUtil::WriteFile(elsewhere, "");
  {
    CWinReg r(*registry);
    ASSERT_TRUE(r.InitForWrite(platform::HKEY_CURRENT_USER, "Software\\Korvel\\Zentabo", true));
    r.SetStringValue("DatabasePath", elsewhere.string());
  }
  std::string path;
  CLoomcastEvents(*engine, *registry, *system, {}).DatabasePath(path);
  EXPECT_EQ(path, elsewhere.string());

  platform::FileUtil::Delete(elsewhere);
  platform::FileUtil::Delete(data / "loomcast.mdb");
  platform::FileUtil::WriteFile(system->InstallDir() / "loomcast.mdb", "template");
  CLoomcastEvents(*engine, *registry, *system, {}).DatabasePath(path);
  EXPECT_EQ(path, (data / "loomcast.mdb").string());
  EXPECT_EQ(storedPath(), path);
  EXPECT_EQ(platform::FileUtil::ReadFile(path), "template");
  platform::FileUtil::WriteFile(path, "the engine's own");
  {
    CWinReg r(*registry);
    ASSERT_TRUE(r.InitForWrite(platform::HKEY_CURRENT_USER, "Software\\Korvel\\Zentabo", true));
    r.SetStringValue("DatabasePath", elsewhere.string());  // gone
  }
  CLoomcastEvents(*engine, *registry, *system, {}).DatabasePath(path);
  EXPECT_EQ(platform::FileUtil::ReadFile(path), "the engine's own") << "never overwritten";
  EXPECT_TRUE(Logged("DatabasePath = " + path));
}

class LoggingBridgeTest : public testing_support::SyncFixture {
 protected:
  LoggingBridgeTest() : SyncFixture(CLoomcastEvents::LogSwitches{true, true, true, true}) {}
};

TEST_F(LoggingBridgeTest, EventsAreLoggedAsDecidedAndForgottenEntriesDumpedAsErrors) {
  platform::Item item = Appointment(Calendar(), "logged");
  Settle();
  EXPECT_TRUE(Logged("ProcessEvent = True, onItemAdded, Calendar, EntryID = " + item.EntryID()));
  events->IgnoreEvents("never", Calendar().EntryID(), 1, "", "ItemSave1");
  Tick();
  EXPECT_TRUE(Logged("NotStartedEvents"));
  EXPECT_TRUE(Logged("AddInfo = ItemSave1"));
}

}  // namespace
