// The profile as a whole: folders, the profile lock, damaged and foreign
// files, item events after the write, and writes that fail half-way.
#include <sqlite3.h>

#include <fstream>
#include <iterator>

#include "platform/Clock.h"
#include "platform/Error.h"
#include "platform/EventLoop.h"
#include "platform/store/Attachments.h"
#include "platform/store/Folders.h"
#include "platform/store/Items.h"
#include "platform/store/UserProperties.h"
#include "store_test_support.h"

using platform::Date;
using platform::Folder;
using platform::Item;

namespace store_test {
namespace {

using ProfileTest = StoreTest;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string OpenError(const std::string& path) {
  try {
    platform::MailSession::Open(path);
  } catch (const platform::Error& e) {
    return e.what();
  }
  return "";
}

TEST_F(ProfileTest, DefaultFoldersUnderTheRoot) {
  struct Case {
    platform::OlDefaultFolders type;
    const char* name;
    platform::OlItemType itemType;
  };
  const Case cases[] = {
      {platform::olFolderInbox, "Inbox", platform::olMailItem},
      {platform::olFolderOutbox, "Outbox", platform::olMailItem},
      {platform::olFolderSentMail, "Sent Items", platform::olMailItem},
      {platform::olFolderDeletedItems, "Deleted Items", platform::olMailItem},
      {platform::olFolderCalendar, "Calendar", platform::olAppointmentItem},
      {platform::olFolderContacts, "Contacts", platform::olContactItem},
      {platform::olFolderDrafts, "Drafts", platform::olMailItem},
  };
  Folder root = S().GetRootFolder();
  EXPECT_EQ(root.EntryID(), S().StoreKey());
  EXPECT_FALSE(root.Parent());
  EXPECT_EQ(root.Folders().Count(), 7);
  for (const auto& c : cases) {
    Folder f = S().GetDefaultFolder(c.type);
    EXPECT_EQ(f.Name(), c.name);
    EXPECT_EQ(f.DefaultItemType(), c.itemType) << c.name;
    EXPECT_TRUE(f.Parent().IsSame(root));
    EXPECT_EQ(f.FolderPath(), std::string("\\Personal Folders\\") + c.name);
    EXPECT_TRUE(S().GetFolderFromID(f.EntryID(), S().StoreID()).IsSame(f));
  }
  EXPECT_THROW(S().GetDefaultFolder(static_cast<platform::OlDefaultFolders>(13)), platform::Error);
  EXPECT_THROW(S().GetItemFromID("00"), platform::Error);
  EXPECT_THROW(S().GetFolderFromID(root.EntryID(), "other store"), platform::Error);
  const std::string key = S().StoreKey();
  Reopen();
  EXPECT_EQ(S().StoreKey(), key);
}

TEST_F(ProfileTest, FoldersAddFindMoveDeleteAndKeepTheirSettings) {
  Folder zentab = S().GetRootFolder().Folders().Add("Zentabo", platform::olFolderCalendar);
  EXPECT_THROW(S().GetRootFolder().Folders().Add("Zentabo"), platform::Error);
  zentab.MoveTo(Calendar());
  EXPECT_EQ(zentab.FolderPath(), "\\Personal Folders\\Calendar\\Zentabo");
  EXPECT_THROW(Calendar().MoveTo(zentab), platform::Error);  // a default folder stays
  Folder member = zentab.Folders().Add("Ann (ann@example.com)", platform::olFolderCalendar);
  EXPECT_THROW(zentab.MoveTo(member), platform::Error);       // not below itself
  zentab.SetWebViewURL("file:/opt/zentabo/htmls/ZentabGrid.html");
  zentab.SetWebViewOn(true);
  Item it = member.Items().Add(platform::olAppointmentItem);
  it.Save();

  member.Delete();
  Folder deleted = S().GetDefaultFolder(platform::olFolderDeletedItems);
  Folder inDeleted = deleted.Folders().Item("Ann (ann@example.com)");
  EXPECT_EQ(inDeleted.Items().Count(), 1);
  // A second folder of the same name waits beside the first one.
  zentab.Folders().Add("Ann (ann@example.com)").Delete();
  EXPECT_EQ(deleted.Folders().Count(), 2);
  inDeleted.Delete();  // for good, with its items
  EXPECT_EQ(deleted.Folders().Count(), 1);
  EXPECT_THROW(S().GetItemFromID(it.EntryID()), platform::Error);
  EXPECT_THROW(S().GetDefaultFolder(platform::olFolderInbox).Delete(), platform::Error);

  S().SetCurrentUser("Ann Smith", "ann@example.com");
  Reopen();
  Folder back = Calendar().Folders().Item("Zentabo");
  EXPECT_EQ(back.WebViewURL(), "file:/opt/zentabo/htmls/ZentabGrid.html");
  EXPECT_TRUE(back.WebViewOn());
  EXPECT_EQ(S().CurrentUserName(), "Ann Smith");
  EXPECT_EQ(S().CurrentUserAddress(), "ann@example.com");
}

TEST_F(ProfileTest, SecondOpenerIsRefusedUntilTheFirstCloses) {
  const std::string message = OpenError(path_);
  EXPECT_NE(message.find(path_), std::string::npos) << message;
  EXPECT_NE(message.find("is in use by another process"), std::string::npos) << message;
  // The holder is unharmed.
  Calendar().Items().Add(platform::olAppointmentItem).Save();
  session_.reset();
  EXPECT_EQ(OpenError(path_), "");
  Open();
  EXPECT_EQ(Calendar().Items().Count(), 1);
}

TEST_F(ProfileTest, DamagedOrForeignFilesAreRefusedUntouched) {
  const std::string garbage = dir_ + "/garbage.db";
  std::ofstream(garbage, std::ios::binary) << std::string(20000, '\x5A') << "not a database";
  const std::string before = Slurp(garbage);
  std::string message = OpenError(garbage);
  EXPECT_NE(message.find(garbage), std::string::npos) << message;
  EXPECT_EQ(Slurp(garbage), before);

  const std::string foreign = dir_ + "/foreign.db";
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(foreign.c_str(), &db), SQLITE_OK);
  sqlite3_exec(db, "CREATE TABLE t(x); INSERT INTO t VALUES(1);", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  const std::string foreignBefore = Slurp(foreign);
  message = OpenError(foreign);
  EXPECT_NE(message.find(foreign), std::string::npos) << message;
  EXPECT_NE(message.find("no profile database"), std::string::npos) << message;
  EXPECT_EQ(Slurp(foreign), foreignBefore);
}

TEST_F(ProfileTest, EventsComeAfterTheWriteInOrderPerFolder) {
  Folder shared = Calendar().Folders().Add("Zentabo", platform::olFolderCalendar);
  std::vector<std::string> log;
  auto watch = [&](Folder f, const std::string& tag) {
    f.OnItemAdd([&log, tag](const Item& i) { log.push_back(tag + " add " + i.Subject()); });
    f.OnItemChange([&log, tag](const Item& i) { log.push_back(tag + " change " + i.Subject()); });
    f.OnItemRemove([&log, tag] { log.push_back(tag + " remove"); });
  };
  watch(Calendar(), "cal");
  watch(shared, "zen");
  watch(S().GetDefaultFolder(platform::olFolderDeletedItems), "del");

  Item a = Calendar().Items().Add(platform::olAppointmentItem);
  a.SetSubject("A");
  a.Save();
  EXPECT_TRUE(log.empty());  // nothing inside the write
  EXPECT_EQ(posted_.size(), 1u);
  a.SetSubject("A2");
  a.Save();
  a.Move(shared);
  a.Delete();
  Drain();
  // Handlers read the item as it is when the event is delivered.
  const std::vector<std::string> expected = {"cal add A2", "cal change A2", "cal remove",
                                             "zen add A2", "zen remove",    "del add A2"};
  EXPECT_EQ(log, expected);

  // A write that fails posts nothing.
  struct FailAll : platform::StoreWriteHook {
    void BeforeWrite(std::string_view) override { throw platform::Error("disk full"); }
  };
  S().SetWriteHook(std::make_shared<FailAll>());
  Item b = Calendar().Items().Add(platform::olAppointmentItem);
  EXPECT_THROW(b.Save(), platform::Error);
  EXPECT_TRUE(posted_.empty());
}

TEST_F(ProfileTest, UnsubscribedHandlersAndNewMail) {
  int adds = 0;
  int newMail = 0;
  Folder inbox = S().GetDefaultFolder(platform::olFolderInbox);
  auto sub = inbox.OnItemAdd([&](const Item&) { ++adds; });
  S().OnNewMail([&] { ++newMail; });
  Item m = inbox.Items().Add(platform::olMailItem);
  m.Save();
  inbox.Unsubscribe(sub);  // before delivery: the posted event finds no handler
  S().NotifyNewMail();
  EXPECT_EQ(newMail, 0);
  Drain();
  EXPECT_EQ(adds, 0);
  EXPECT_EQ(newMail, 1);
}

TEST(StoreEventLoopTest, TheEventLoopDeliversAfterTheWrite) {
  char tmpl[] = "/tmp/store_loop_XXXXXX";
  const std::string dir = mkdtemp(tmpl);
  platform::VirtualClock clock;
  platform::EventLoop loop(clock);
  {
    auto s = platform::MailSession::Open(dir + "/p.db", [&loop](std::function<void()> fn) { loop.Post(fn); });
    Folder inbox = s.GetDefaultFolder(platform::olFolderInbox);
    std::vector<std::string> seen;
    inbox.OnItemAdd([&](const Item& i) {
      // Writing from a handler is allowed: its own events come later.
      seen.push_back(i.Subject());
      if (i.Subject() == "first") {
        Item reply = inbox.Items().Add(platform::olMailItem);
        reply.SetSubject("from handler");
        reply.Save();
      }
    });
    Item m = inbox.Items().Add(platform::olMailItem);
    m.SetSubject("first");
    m.Save();
    EXPECT_EQ(loop.PendingMessages(), 1u);
    EXPECT_TRUE(seen.empty());
    loop.PumpPending();
    loop.PumpPending();
    EXPECT_EQ(seen, (std::vector<std::string>{"first", "from handler"}));
  }
  std::filesystem::remove_all(dir);
}

// Fails the Nth data-changing statement.
class FailNth : public platform::StoreWriteHook {
 public:
  explicit FailNth(int n) : n_(n) {}
  void BeforeWrite(std::string_view) override {
    if (++count_ == n_) throw platform::Error("write " + std::to_string(n_) + " failed");
  }
  int count_ = 0;

 private:
  int n_;
};

TEST_F(ProfileTest, AFailedSaveLeavesNothingHalfWritten) {
  const std::string file = dir_ + "/a.txt";
  std::ofstream(file) << "attachment";
  Item old = Calendar().Items().Add(platform::olAppointmentItem);
  old.SetSubject("old");
  old.UserProperties().Add("VestrandItemID").SetValue("old-id");
  old.Save();
  ASSERT_EQ(S().FindByUserProperty("VestrandItemID", "old-id").size(), 1u);  // the name is indexed from now on
  Drain();

  // The save of a new item takes: the row, the index row of its id, one attachment.
  auto probe = std::make_shared<FailNth>(0);
  S().SetWriteHook(probe);
  {
    Item counted = Calendar().Items().Add(platform::olAppointmentItem);
    counted.UserProperties().Add("P1");
    counted.UserProperties().Add("P2");
    counted.Attachments().Add(file);
    counted.Save();
    counted.Delete();
    counted.Delete();
  }
  const int statements = probe->count_;
  ASSERT_GE(statements, 3);
  Drain();

  for (int n = 1; n <= 3; ++n) {
    S().SetWriteHook(std::make_shared<FailNth>(n));
    Item item = Calendar().Items().Add(platform::olAppointmentItem);
    item.SetSubject("new");
    item.UserProperties().Add("VestrandItemID").SetValue("new-id");
    item.UserProperties().Add("P2");
    item.Attachments().Add(file);
    EXPECT_THROW(item.Save(), platform::Error) << n;
    EXPECT_FALSE(item.Saved());
    EXPECT_EQ(item.EntryID(), "");

    // An update of a stored item (the row, the old id's index row out and
    // the new one's in) fails the same way.
    old.SetSubject("changed");
    old.UserProperties().Find("VestrandItemID").SetValue("changed-id");
    S().SetWriteHook(std::make_shared<FailNth>(n));
    EXPECT_THROW(old.Save(), platform::Error) << n;
    EXPECT_TRUE(posted_.empty());
  }
  S().SetWriteHook(nullptr);
  Reopen();
  EXPECT_EQ(Calendar().Items().Count(), 1);
  EXPECT_TRUE(S().FindByUserProperty("VestrandItemID", "new-id").empty());
  EXPECT_TRUE(S().FindByUserProperty("VestrandItemID", "changed-id").empty());
  Item back = S().GetItemFromID(old.EntryID());
  EXPECT_EQ(back.Subject(), "old");
  EXPECT_EQ(back.UserProperties().Find("VestrandItemID").Value(), "old-id");
}

TEST_F(ProfileTest, AFailedMoveOrDeleteKeepsTheItemWhereItWas) {
  Item a = Calendar().Items().Add(platform::olAppointmentItem);
  a.Save();
  S().SetWriteHook(std::make_shared<FailNth>(1));
  EXPECT_THROW(a.Delete(), platform::Error);
  S().SetWriteHook(std::make_shared<FailNth>(1));
  EXPECT_THROW(a.Move(S().GetDefaultFolder(platform::olFolderInbox)), platform::Error);
  S().SetWriteHook(nullptr);
  Reopen();
  EXPECT_EQ(Calendar().Items().Count(), 1);
}

}  // namespace
}  // namespace store_test
