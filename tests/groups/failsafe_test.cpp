// The work files that carry the pending changes an add-in could not send
// from one run to the next: written at shutdown only when there are changes
// and someone to receive them, sent once at the next start, kept apart per
// profile; and the same through the add-in's own start and shutdown.
#include <gtest/gtest.h>

#include "addin/Connect.h"
#include "exchange/appt_world.h"
#include "groups/mFailSafe.h"
#include "host/HostSession.h"
#include "platform/store/Attachments.h"
#include "platform/store/ProfileQueue.h"
#include "support/TempHome.h"

namespace {

using platform::Date;

const Date kMonday = Date::FromParts(2026, 12, 7, 10, 0);

class FailSafeTest : public ApptWorldTest {
 protected:
  std::vector<platform::Item> PickUp(ApptHome& h) {
    h.u.delivery->PickUp();
    return h.Inbox();
  }
  std::filesystem::path Scratch() const { return world.root / "scratch"; }
  std::string Work() const { return alice->u.system->InstallDir().string(); }
  bool WorkFileExists() const {
    return platform::FileUtil::Exists(FSItemsPath(Work(), alice->ctx.strStoreId));
  }
};

TEST_F(FailSafeTest, NothingPendingOrNobodyToReceiveWritesNoWorkFile) {
  alice->Use();
  FSStore();
  EXPECT_FALSE(WorkFileExists());

  alice->u.groups->Clear();
  alice->Queue("Added", alice->NewAppointment("Lunch", kMonday), "11111111-20261205093000");
  FSStore();
  EXPECT_FALSE(WorkFileExists());
  FSRestore();
  EXPECT_EQ(alice->u.SentCount(), 0);
}

TEST_F(FailSafeTest, PendingChangesAreSentOnceAtTheNextStart) {
  alice->Use();
  platform::Item item = alice->NewAppointment("Lunch", kMonday);
  item.Attachments().AddData("menu.txt", {'s', 'o', 'u', 'p'});
  item.Save();
  alice->Queue("Added", item, "11111111-20261205093000");
  alice->Queue("Removed", platform::Item(), "22222222-20261205093000");
  FSStore();
  ASSERT_TRUE(WorkFileExists());
  EXPECT_NE(FSItemsPath(Work(), alice->ctx.strStoreId).find(alice->ctx.strStoreId + "SaveItems.xml"),
            std::string::npos);
  EXPECT_TRUE(platform::FileUtil::Exists(FSAttachesPath(Work(), alice->ctx.strStoreId)));
  EXPECT_EQ(alice->u.SentCount(), 0) << "nothing leaves at shutdown";

  // The next run starts with an empty queue and sends the saved batch.
  alice->ctx.colPending.RemoveAll();
  FSRestore();
  FSRestore();
  EXPECT_EQ(alice->u.SentCount(), 1);
  EXPECT_FALSE(WorkFileExists());
  EXPECT_FALSE(platform::FileUtil::Exists(Work() + "/Temp")) << "the emptied folder goes";
  std::vector<platform::Item> mails = PickUp(*bob);
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_EQ(mails[0].Attachments().Count(), 2);
  CXmlAppointments xml("");
  ASSERT_TRUE(ReadMailDocument(mails[0], Scratch(), xml));
  EXPECT_TRUE(xml.HasItem("11111111-20261205093000", "", CXmlAppointments::ntAdded));
  EXPECT_TRUE(xml.HasItem("22222222-20261205093000", "", CXmlAppointments::ntRemoved));
  EXPECT_EQ(alice->ctx.colPending.Count(), 0u) << "the saved changes are not queued again";
}

TEST_F(FailSafeTest, KeptChangesTravelOnceWhetherTheWorkFilesAreFoundAgainOrNot) {
  alice->Use();
  alice->ctx.colPending.Keep(platform::ProfileQueue(*alice->u.session, "PendingItems"));
  alice->Queue("Added", alice->NewAppointment("Lunch", kMonday), "11111111-20261205093000");
  alice->Queue("Removed", platform::Item(), "22222222-20261205093000");
  FSStore();
  const std::string items = FSItemsPath(Work(), alice->ctx.strStoreId);
  const std::string copy = Scratch().string() + "/SaveItems.xml";
  platform::FileUtil::MakeDirs(Scratch());
  platform::FileUtil::WriteFile(copy, platform::FileUtil::ReadFile(items));

  // The next start finds the changes both in the work files and in the
  // profile: they leave once, with the mail.
  FSRestore();
  EXPECT_EQ(alice->u.SentCount(), 1);
  EXPECT_EQ(alice->ctx.colPending.Count(), 0u);
  EXPECT_EQ(platform::ProfileQueue(*alice->u.session, "PendingItems").Count(), 0);
  // A run killed after that mail but before the files went finds them again.
  platform::FileUtil::MakeDirs(Work() + "/Temp");
  platform::FileUtil::WriteFile(items, platform::FileUtil::ReadFile(copy));
  FSRestore();
  EXPECT_EQ(alice->u.SentCount(), 1);
  EXPECT_FALSE(WorkFileExists());
}

TEST_F(FailSafeTest, ASavedDocumentWithoutItemsOrUnreadableIsDroppedUnsent) {
  alice->Use();
  for (const std::string& text : {std::string("<appointments><added/><changed/><removed/></appointments>"),
                                  std::string("<appointments><added>")}) {
    platform::FileUtil::MakeDirs(Work() + "/Temp");
    platform::FileUtil::WriteFile(FSItemsPath(Work(), alice->ctx.strStoreId), text);
    FSRestore();
    EXPECT_FALSE(WorkFileExists());
  }
  EXPECT_EQ(alice->u.SentCount(), 0);
}

TEST_F(FailSafeTest, ProfilesKeepTheirOwnWorkFiles) {
  alice->Use();
  alice->Queue("Added", alice->NewAppointment("Lunch", kMonday), "11111111-20261205093000");
  FSStore();
  // Another profile on the same installation finds nothing of Alice's.
  const std::string aliceKey = alice->ctx.strStoreId;
  alice->ctx.strStoreId = "00000000FEEDFACE";
  FSRestore();
  EXPECT_EQ(alice->u.SentCount(), 0);
  alice->ctx.strStoreId = aliceKey;
  EXPECT_TRUE(WorkFileExists());
}

// --- through the add-in's start and shutdown ----------------------------------

// Alice's add-in with Bob as a member of her group, sharing, and one change
// of hers pending.
void StartAliceWithAPendingChange(testing_support::TempHome& alice) {
  host::HostSession& s = alice.Open();
  ASSERT_EQ(s.Start(), Connect::State::Running);
  CGroups& groups = *s.AddIn().Groups();
  GroupPtr team = groups.CreateMyGroup("Team");
  auto bob = std::make_shared<CMember>();
  bob->strKey = "76543210-20261205093000";
  bob->strName = "Bob";
  bob->strEmail = "bob@example.com";
  bob->bShare = true;
  team->Add(bob);
  groups.Add(team);
  ASSERT_TRUE(groups.Save());
  platform::Item item = s.AddIn().fldCalendar().Items().Add(platform::olAppointmentItem);
  item.SetSubject("Lunch");
  item.SetStart(kMonday);
  item.Save();
  g_Sync()->colPending.Add("Added", item.EntryID(), "11111111-20261205093000", "alice@example.com", "Team", "0",
                           "", item.LastModificationTime(), "");
}

TEST(FailSafeConnect, AChangePendingAtShutdownLeavesOnceAtTheNextStart) {
  testing_support::TempDir dir;
  testing_support::TempHome alice(dir.Path(), "alice", "alice@example.com");
  testing_support::TempHome bob(dir.Path(), "bob", "bob@example.com");
  StartAliceWithAPendingChange(alice);
  const std::string work = alice.S().Sys().InstallDir().string();
  const std::string key = alice.S().AddIn().StoreId();
  alice.S().Stop();
  alice.Close();
  EXPECT_TRUE(platform::FileUtil::Exists(FSItemsPath(work, key)));

  for (int run = 0; run < 2; ++run) {
    host::HostSession& s = alice.Open();
    ASSERT_EQ(s.Start(), Connect::State::Running);
    s.Settle();
    s.Stop();
    alice.Close();
  }
  EXPECT_FALSE(platform::FileUtil::Exists(FSItemsPath(work, key)));
  host::HostSession& b = bob.Open();
  EXPECT_EQ(b.PickUpMail(), 1) << "sent at the first start only";
}

TEST(FailSafeConnect, NobodyToReceiveLeavesNoWorkFile) {
  testing_support::TempDir dir;
  testing_support::TempHome alice(dir.Path(), "alice", "alice@example.com");
  host::HostSession& s = alice.Open();
  ASSERT_EQ(s.Start(), Connect::State::Running);
  platform::Item item = s.AddIn().fldCalendar().Items().Add(platform::olAppointmentItem);
  item.Save();
  g_Sync()->colPending.Add("Added", item.EntryID(), "11111111-20261205093000", "alice@example.com", "", "0", "",
                           item.LastModificationTime(), "");
  const std::string work = s.Sys().InstallDir().string();
  const std::string key = s.AddIn().StoreId();
  s.Stop();
  EXPECT_FALSE(platform::FileUtil::Exists(FSItemsPath(work, key)));
}

}  // namespace
