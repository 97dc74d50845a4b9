// Sending the pending queue: one mail for the whole batch to every receiver,
// what is left out and when nothing goes at all.
#include <gtest/gtest.h>

#include "appt_world.h"
#include "exchange/mSendAppointments.h"
#include "platform/store/Attachments.h"
#include "platform/store/Recipients.h"

namespace {

using platform::Date;

const Date kMonday = Date::FromParts(2026, 12, 7, 10, 0);

class SendTest : public ApptWorldTest {
 protected:
  // What Bob and Carol picked up.
  std::vector<platform::Item> PickUp(ApptHome& h) {
    h.u.delivery->PickUp();
    return h.Inbox();
  }
  std::filesystem::path Scratch() const { return world.root / "scratch"; }
};

TEST_F(SendTest, NothingQueuedSendsNothing) {
  alice->Use();
  std::string recipients;
  EXPECT_TRUE(mSendAppointments::SendAppointments("", recipients));
  EXPECT_EQ(alice->u.SentCount(), 0);
  EXPECT_EQ(recipients, "") << "the groups were not even asked";
}

TEST_F(SendTest, NobodyToReceiveDropsTheQueue) {
  alice->u.groups->Clear();
  alice->Use();
  alice->Queue("Added", alice->NewAppointment("Lunch", kMonday), "11111111-20261205093000");
  std::string recipients;
  EXPECT_TRUE(mSendAppointments::SendAppointments("", recipients));
  EXPECT_EQ(alice->u.SentCount(), 0);
  EXPECT_EQ(alice->ctx.colPending.Count(), 0u);
}

TEST_F(SendTest, TheWholeQueueTravelsAsOneMailToEveryReceiver) {
  alice->Use();
  platform::Item added = alice->NewAppointment("Lunch", kMonday);
  platform::Item changed = alice->NewAppointment("[Alice Able] Review", kMonday.Add("d", 1));
  alice->Queue("Added", added, "11111111-20261205093000");
  alice->Queue("Changed", changed, "22222222-20261205093000");
  alice->Queue("Removed", platform::Item(), "33333333-20261205093000");
  std::string recipients;
  ASSERT_TRUE(mSendAppointments::SendAppointments("", recipients));
  EXPECT_EQ(recipients, "bob@example.org;carol@example.org");
  EXPECT_EQ(alice->ctx.colPending.Count(), 0u);
  EXPECT_EQ(alice->u.SentCount(), 1);
  for (const char* left : {"SyncSndItems.xml", "SyncSndItemsAttaches.zip", "AttachFile.zip"})
    EXPECT_FALSE(platform::FileUtil::Exists(alice->u.system->InstallDir() / left)) << left;

  for (ApptHome* h : {bob.get(), carol.get()}) {
    std::vector<platform::Item> mails = PickUp(*h);
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].Subject(), mEnvelope::kAppointmentMarker);
    EXPECT_EQ(mails[0].Attachments().Count(), 1) << "no attachments: no items' zip";
  }
  CXmlAppointments xml("");
  ASSERT_TRUE(ReadMailDocument(bob->Inbox()[0], Scratch(), xml));
  EXPECT_TRUE(xml.HasItem("11111111-20261205093000", "alice@example.org", CXmlAppointments::ntAdded));
  EXPECT_TRUE(xml.HasItem("22222222-20261205093000", "alice@example.org", CXmlAppointments::ntChanged));
  EXPECT_TRUE(xml.HasItem("33333333-20261205093000", "alice@example.org", CXmlAppointments::ntRemoved));
  xml.SetCurNode(CXmlAppointments::ntChanged);
  xml.SetCurItem(1);
  EXPECT_EQ(xml.ReadItemPropS("Subject"), "Review") << "the owner prefix stays at home";
  xml.SetCurNode(CXmlAppointments::ntRemoved);
  xml.SetCurItem(1);
  EXPECT_EQ(xml.GetItemsCount(), 1);
  EXPECT_FALSE(xml.ItemPropSExists("Subject", recipients)) << "a removal carries its header only";
}

TEST_F(SendTest, RecordsThatCannotBeWrittenAreSkippedAndTheRestSent) {
  alice->Use();
  platform::Item gone = alice->NewAppointment("Gone", kMonday);
  alice->Queue("Changed", gone, "11111111-20261205093000");
  gone.Delete();
  alice->u.session->GetItemFromID(gone.EntryID()).Delete();  // from Deleted Items too
  alice->Queue("Moved", alice->NewAppointment("Odd", kMonday), "22222222-20261205093000");
  alice->Queue("Added", alice->NewAppointment("Fine", kMonday), "33333333-20261205093000");
  std::string recipients = "carol@example.org";
  mSendAppointments::SendAppointments("", recipients);
  EXPECT_TRUE(log.Logged("Item is Nothing."));
  EXPECT_TRUE(log.Logged("Invalid action - Moved."));
  std::vector<platform::Item> mails = PickUp(*carol);
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_TRUE(PickUp(*bob).empty()) << "explicit recipients only";
  CXmlAppointments xml("");
  ASSERT_TRUE(ReadMailDocument(mails[0], Scratch(), xml));
  EXPECT_TRUE(xml.HasItem("33333333-20261205093000", "", CXmlAppointments::ntAdded));
  xml.SetCurNode(CXmlAppointments::ntChanged);
  EXPECT_EQ(xml.GetItemsCount(), 0);
}

TEST_F(SendTest, AttachmentsTravelInTheItemsZipUnderFreshIdentifiers) {
  alice->Use();
  platform::Item a = alice->NewAppointment("Plans", kMonday);
  a.Attachments().AddData("plan.txt", {'p', 'l', 'a', 'n'});
  a.Save();
  platform::Item b = alice->NewAppointment("More plans", kMonday);
  b.Attachments().AddData("plan.txt", {'m', 'o', 'r', 'e'});
  b.Save();
  alice->Queue("Added", a, "11111111-20261205093000");
  alice->Queue("Added", b, "22222222-20261205093000");
  std::string recipients;
  mSendAppointments::SendAppointments("", recipients);
  std::vector<platform::Item> mails = PickUp(*bob);
  ASSERT_EQ(mails.size(), 1u);
  ASSERT_EQ(mails[0].Attachments().Count(), 2);
  EXPECT_EQ(mails[0].Attachments().Item(2).DisplayName(), "ItemsAttachments");
  const std::string zip = (world.root / "items.zip").string();
  mails[0].Attachments().Item(2).SaveAsFile(zip);
  EXPECT_EQ(mZip::GetNumFilesInZip(zip), 2) << "one entry per attachment, none replacing another";
}

TEST_F(SendTest, ALongQueueWritesTheDocumentEachChangeWouldWriteAlone) {
  // More changes than one read of the store takes, with the records that
  // are skipped spread over them: gone items, a mail, an unknown action.
  alice->Use();
  platform::Item mail = alice->ctx.fldInbox.Items().Add(platform::olMailItem);
  mail.Save();
  alice->u.session->Batch([&] {
    for (int i = 0; i < 600; ++i) {
      const std::string id = std::to_string(10000000 + i) + "-20261205093000";
      const char* action = i % 5 == 0 ? "Added" : i % 7 == 0 ? "Removed" : "Changed";
      if (i == 255 || i == 256 || i == 599) {
        alice->Queue("Changed", platform::Item(), id);
        continue;
      }
      if (i == 300) {
        alice->Queue("Changed", mail, id);
        continue;
      }
      platform::Item item = alice->NewAppointment((i % 2 ? "[Alice Able] Item " : "Item ") + std::to_string(i),
                                                  kMonday.Add("h", i));
      if (i % 97 == 1) {
        item.Attachments().AddData("a.txt", {'a'});
        item.Save();
      }
      alice->Queue(i == 400 ? "Moved" : action, item, id);
    }
  });
  auto write = [&](const char* name, bool oneByOne) {
    int next = 0;
    mSendAppointments::WriteEnv env;
    env.nBias = alice->ctx.nBias;
    env.strOutlookMajor = alice->ctx.strOutlookMajor;
    env.pSystem = alice->ctx.pSystem;
    env.NewAttachmentID = [&next] { return "att" + std::to_string(++next); };
    const std::string path = (world.root / name).string();
    CXmlAppointments xml(path);
    xml.Create();
    const std::string zip = path + ".zip";
    if (oneByOne)
      for (const CAppointment& change : alice->ctx.colPending) mSendAppointments::WriteAppointment(xml, change, zip, env);
    else
      mSendAppointments::WriteAppointments(xml, alice->ctx.colPending, zip, env);
    EXPECT_TRUE(xml.Save());
    return platform::FileUtil::ReadFile(path);
  };
  const std::string together = write("together.xml", false);
  const std::string alone = write("alone.xml", true);
  EXPECT_EQ(together, alone);
  EXPECT_NE(together.find("<Subject>Item 597</Subject>"), std::string::npos) << "prefixes removed to the end";
}

TEST_F(SendTest, AttachmentIdentifiersNeverRepeat) {
  mSendAppointments::AttachmentIDs ids;
  std::set<std::string> seen;
  for (int i = 0; i < 2000; ++i) EXPECT_TRUE(seen.insert(ids.Next()).second);
}

}  // namespace
