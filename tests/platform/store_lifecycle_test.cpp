// The profile file's life: creation, older and newer layouts, an empty
// file, the clean-shutdown marker, received mails recognised by id and the
// bounded write-ahead log.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/Error.h"
#include "platform/store/Folder.h"
#include "platform/store/Folders.h"
#include "platform/store/Item.h"
#include "platform/store/Items.h"
#include "platform/store/MailSession.h"
#include "platform/store/ProfileQueue.h"
#include "platform/store/UserProperties.h"
#include "support/TempHome.h"

namespace fs = std::filesystem;
using namespace platform;

namespace {

class StoreLifecycleTest : public ::testing::Test {
 protected:
  // Runs SQL on the profile file as another program would.
  void RawSql(const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
    char* err = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err), SQLITE_OK) << (err ? err : "");
    sqlite3_free(err);
    sqlite3_close(db);
  }
  std::string ErrorOf(const std::function<void()>& fn) {
    try {
      fn();
    } catch (const Error& e) {
      return e.what();
    }
    return "<no error>";
  }

  // Versions 1 to 4 kept each user property in a row of its own, indexed
  // by name and value.
  void UserPropsAsInVersion4() {
    RawSql("ALTER TABLE items DROP COLUMN props; DROP TABLE user_index; DROP TABLE user_index_names;"
           "CREATE TABLE user_props(item_id INTEGER NOT NULL, ord INTEGER NOT NULL, name TEXT NOT NULL,"
           " name_lower TEXT NOT NULL, type INTEGER NOT NULL, value TEXT NOT NULL,"
           " PRIMARY KEY(item_id, ord)) WITHOUT ROWID;"
           "CREATE INDEX user_props_value ON user_props(name_lower, value COLLATE NOCASE);"
           "PRAGMA user_version=4;");
  }

  testing_support::TempDir dir_;
  std::string path_ = (dir_.Path() / "profile.db").string();
};

TEST_F(StoreLifecycleTest, CreationLeavesOneCompleteFileAndAnEmptyFileIsRefused) {
  std::string key;
  {
    MailSession s = MailSession::Open(path_);
    key = s.StoreKey();
  }
  EXPECT_FALSE(fs::exists(path_ + ".new"));
  EXPECT_EQ(MailSession::Open(path_).StoreKey(), key);

  // A leftover of a creation cut short does not disturb the next one.
  const std::string other = (dir_.Path() / "other.db").string();
  std::ofstream(other + ".new") << "half";
  EXPECT_NO_THROW(MailSession::Open(other));

  fs::resize_file(path_, 0);
  EXPECT_NE(ErrorOf([&] { MailSession::Open(path_); }).find("empty file"), std::string::npos);
  EXPECT_EQ(fs::file_size(path_), 0u);  // left for the user to restore
}

TEST_F(StoreLifecycleTest, OlderLayoutIsUpgradedAndNewerRefused) {
  std::string entryId;
  {
    MailSession s = MailSession::Open(path_);
    Item mail = s.GetDefaultFolder(olFolderInbox).Items().Add(olMailItem);
    mail.SetSubject("kept");
    mail.Save();
    entryId = mail.EntryID();
  }
  // The first layout had no record of received mails and no queues.
  UserPropsAsInVersion4();
  RawSql("DROP TABLE received; DROP TABLE queued; PRAGMA user_version=1;");
  {
    MailSession s = MailSession::Open(path_);
    EXPECT_EQ(s.GetItemFromID(entryId).Subject(), "kept");
    EXPECT_TRUE(s.ReceiveOnce("id-1@x", [] {}));
    EXPECT_TRUE(s.WasReceived("id-1@x"));
    ProfileQueue q(s, "Q");
    q.Put("k", "v");
    EXPECT_EQ(q.Count(), 1);
  }
  RawSql("PRAGMA user_version=99;");
  EXPECT_NE(ErrorOf([&] { MailSession::Open(path_); }).find("newer version"), std::string::npos);
}

TEST_F(StoreLifecycleTest, ProfileWithoutDraftsGetsTheFolderOnceAtOpening) {
  { MailSession::Open(path_); }
  // The layout of version 2: no Drafts folder, no queue table.
  UserPropsAsInVersion4();
  RawSql("DELETE FROM folders WHERE name = 'Drafts'; DELETE FROM meta WHERE key = 'folder.16'; "
         "DROP TABLE queued; PRAGMA user_version=2;");
  std::string id;
  {
    MailSession s = MailSession::Open(path_);
    Folder drafts = s.GetDefaultFolder(olFolderDrafts);
    EXPECT_EQ(drafts.Name(), "Drafts");
    EXPECT_EQ(drafts.Parent().EntryID(), s.GetRootFolder().EntryID());
    id = drafts.EntryID();
  }
  MailSession s = MailSession::Open(path_);
  EXPECT_EQ(s.GetDefaultFolder(olFolderDrafts).EntryID(), id);
  Folders top = s.GetRootFolder().Folders();
  int named = 0;
  for (int i = 1; i <= top.Count(); ++i) named += top.Item(i).Name() == "Drafts";
  EXPECT_EQ(named, 1);
}

TEST_F(StoreLifecycleTest, UserPropertiesOfAnOlderProfileMoveIntoTheirItemsAndAreFound) {
  std::string withProps, without;
  {
    MailSession s = MailSession::Open(path_);
    Items calendar = s.GetDefaultFolder(olFolderCalendar).Items();
    Item a = calendar.Add(olAppointmentItem);
    a.Save();
    Item b = calendar.Add(olAppointmentItem);
    b.Save();
    withProps = a.EntryID();
    without = b.EntryID();
  }
  UserPropsAsInVersion4();
  // Rows out of their order in the table; the item id of the first item is 1.
  RawSql("INSERT INTO user_props VALUES(1, 3, 'VestrandGroups', 'vestrandgroups', 1, 'Team');"
         "INSERT INTO user_props VALUES(1, 1, 'VestrandItemID', 'vestranditemid', 1, 'Key-1');"
         "INSERT INTO user_props VALUES(1, 2, 'Count', 'count', 3, '');");
  {
    MailSession s = MailSession::Open(path_);
    Item a = s.GetItemFromID(withProps);
    ASSERT_EQ(a.UserProperties().Count(), 3);
    EXPECT_EQ(a.UserProperties().Item(1).Name(), "VestrandItemID");
    EXPECT_EQ(a.UserProperties().Item(2).Type(), olNumber);
    EXPECT_EQ(a.UserProperties().Item(3).Value(), "Team");
    EXPECT_EQ(s.GetItemFromID(without).UserProperties().Count(), 0);
    auto found = s.FindByUserProperty("VESTRANDITEMID", "key-1");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].EntryID(), withProps);
    EXPECT_EQ(s.FindByUserProperty("Count", "").size(), 1u);
    EXPECT_TRUE(s.FindByUserProperty("VestrandGroups", "Key-1").empty());
  }
  // Upgraded once: the next opening finds the same.
  MailSession s = MailSession::Open(path_);
  EXPECT_EQ(s.FindByUserProperty("VestrandGroups", "team").size(), 1u);
}

TEST_F(StoreLifecycleTest, TheIndexOfAnOlderProfileIsRebuiltAndFollowsWrites) {
  std::string first, second;
  {
    MailSession s = MailSession::Open(path_);
    Items calendar = s.GetDefaultFolder(olFolderCalendar).Items();
    auto add = [&](const std::string& id, const std::string& groups) {
      Item it = calendar.Add(olAppointmentItem);
      it.UserProperties().Add("VestrandItemID").SetValue(id);
      it.UserProperties().Add("VestrandGroups").SetValue(groups);
      it.Save();
      return it.EntryID();
    };
    first = add("Key-1", "Team");
    second = add("key-2", "Team");
    ASSERT_EQ(s.FindByUserProperty("VestrandItemID", "key-1").size(), 1u);  // the name is indexed from now on
  }
  // Version 6 kept the index rows under the name and the value themselves.
  RawSql("DROP TABLE user_index;"
         "CREATE TABLE user_index(name_lower TEXT NOT NULL, value TEXT NOT NULL COLLATE NOCASE,"
         " item_id INTEGER NOT NULL, PRIMARY KEY(name_lower, value, item_id)) WITHOUT ROWID;"
         "PRAGMA user_version=6;");
  {
    MailSession s = MailSession::Open(path_);
    auto found = s.FindByUserProperty("VESTRANDITEMID", "KEY-1");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].EntryID(), first);
    Item moved = s.GetItemFromID(second);
    moved.UserProperties().Find("VestrandItemID").SetValue("key-3");
    moved.Save();
    EXPECT_TRUE(s.FindByUserProperty("VestrandItemID", "key-2").empty());
    EXPECT_EQ(s.FindByUserProperty("VestrandItemID", "key-3").size(), 1u);
  }
  MailSession s = MailSession::Open(path_);
  EXPECT_EQ(s.FindByUserProperty("VestrandGroups", "team").size(), 2u);
  EXPECT_EQ(s.FindByUserProperty("VestrandItemID", "key-3").size(), 1u);
}

TEST_F(StoreLifecycleTest, UncleanEndIsReportedUntilAcknowledged) {
  { EXPECT_FALSE(MailSession::Open(path_).LastRunEndedUncleanly()); }
  { EXPECT_FALSE(MailSession::Open(path_).LastRunEndedUncleanly()); }
  // A session that never closed: its marker stays set in the file.
  RawSql("UPDATE meta SET value = '1' WHERE key = 'running';");
  // A session that only looks and closes cleanly does not hide it.
  { EXPECT_TRUE(MailSession::Open(path_).LastRunEndedUncleanly()); }
  {
    MailSession s = MailSession::Open(path_);
    EXPECT_TRUE(s.LastRunEndedUncleanly());
    s.AcknowledgeUncleanEnd();
    EXPECT_FALSE(s.LastRunEndedUncleanly());
  }
  { EXPECT_FALSE(MailSession::Open(path_).LastRunEndedUncleanly()); }
  // The next kill is reported afresh.
  RawSql("UPDATE meta SET value = '1' WHERE key = 'running';");
  EXPECT_TRUE(MailSession::Open(path_).LastRunEndedUncleanly());
}

TEST_F(StoreLifecycleTest, ReceiveOnceStoresAMessageIdOnlyOnce) {
  MailSession s = MailSession::Open(path_);
  Items inbox = s.GetDefaultFolder(olFolderInbox).Items();
  auto store = [&] {
    Item mail = inbox.Add(olMailItem);
    mail.SetSubject("hello");
    mail.Save();
  };
  EXPECT_TRUE(s.ReceiveOnce("a@x", store));
  EXPECT_FALSE(s.ReceiveOnce("a@x", store));
  EXPECT_TRUE(s.ReceiveOnce("", store));  // no id: nothing to recognise it by
  EXPECT_TRUE(s.ReceiveOnce("", store));
  EXPECT_EQ(inbox.Count(), 3);

  // A failing store records nothing: the mail is taken again later.
  EXPECT_THROW(s.ReceiveOnce("b@x", [] { throw Error("disk full"); }), Error);
  EXPECT_FALSE(s.WasReceived("b@x"));
  EXPECT_TRUE(s.ReceiveOnce("b@x", store));
}

TEST_F(StoreLifecycleTest, WriteAheadLogStaysBounded) {
  MailSession s = MailSession::Open(path_);
  Items inbox = s.GetDefaultFolder(olFolderInbox).Items();
  const std::string big(64 * 1024, 'x');
  for (int i = 0; i < 300; ++i) {
    Item mail = inbox.Add(olMailItem);
    mail.SetBody(big);
    mail.Save();
  }
  // About 20 MB went through the log; it is folded in and cut back.
  EXPECT_LT(fs::file_size(path_ + "-wal"), 12u * 1024 * 1024);
  s.Close();
  EXPECT_FALSE(fs::exists(path_ + "-wal") && fs::file_size(path_ + "-wal") > 0);
}

}  // namespace
