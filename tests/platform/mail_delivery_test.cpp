// MailDelivery: mail items of one profile travel through a real post office
// into the Inbox of another profile, on real SQLite stores in a temp folder.
#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "platform/Clock.h"
#include "platform/Error.h"
#include "platform/EventLoop.h"
#include "support/FaultyTransport.h"
#include "platform/mail/MailDelivery.h"
#include "platform/mail/PostOfficeTransport.h"
#include "platform/store/Attachments.h"
#include "platform/store/Folder.h"
#include "platform/store/Items.h"
#include "platform/store/Recipients.h"
#include "platform/store/StoreWriteHook.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

class FailingWrites : public StoreWriteHook {
 public:
  bool armed = false;
  void BeforeWrite(std::string_view) override {
    if (armed) throw Error("injected store failure");
  }
};

class MailDeliveryTest : public ::testing::Test {
 protected:
  MailDeliveryTest()
      : m_dir(MakeDir()),
        m_loop(m_clock),
        m_po(m_dir / "postoffice"),
        m_alice(Open("alice", "Alice", "alice@example.org")),
        m_bob(Open("bob", "Bob", "Bob@Example.org")) {}
  ~MailDeliveryTest() override {
    m_alice.Close();
    m_bob.Close();
    fs::remove_all(m_dir);
  }

  static fs::path MakeDir() {
    std::random_device rd;
    fs::path dir = fs::temp_directory_path() / ("zentabo-delivery-" + std::to_string(rd()));
    fs::create_directories(dir);
    return dir;
  }
  MailSession Open(const std::string& home, const std::string& name, const std::string& address) {
    fs::create_directories(m_dir / home);
    MailSession s = MailSession::Open((m_dir / home / "profile.db").string(),
                                      [this](std::function<void()> fn) { m_loop.Post(std::move(fn)); });
    s.SetCurrentUser(name, address);
    return s;
  }
  Item NewMail(MailSession& s, const std::string& subject) {
    Item mail = s.GetDefaultFolder(olFolderOutbox).Items().Add(olMailItem);
    mail.SetSubject(subject);
    mail.SetBody("Zentabo mail.\r\n\r\nCompatibilityVersionMin:2.60.0000\r\n");
    return mail;
  }
  static int Count(MailSession& s, OlDefaultFolders folder) { return s.GetDefaultFolder(folder).Items().Count(); }

  fs::path m_dir;
  VirtualClock m_clock;
  EventLoop m_loop;
  PostOfficeTransport m_po;
  MailSession m_alice;
  MailSession m_bob;
};

TEST_F(MailDeliveryTest, SentMailArrivesUnreadWithEverythingInTheOtherInbox) {
  const std::string zipBytes("PK\x03\x04\0\xff\r\n", 8);
  fs::path xml = m_dir / "SyncSndItems.xml";
  std::ofstream(xml, std::ios::binary) << "<xml/>";

  Item mail = NewMail(m_alice, "ZTBGroup 64522606-20020930162039");
  mail.Recipients().Add("bob@example.org", "Bob", olTo);
  mail.Recipients().Add("carol@example.org", "", olCC);
  mail.Attachments().AddData("Attach.txt", Bytes(zipBytes.begin(), zipBytes.end()), 1, "ZTB");
  mail.Attachments().Add(xml.string(), olByReference);
  mail.Save();

  MailDelivery alice(m_alice, m_po, m_clock);
  Item sent = alice.Send(mail);
  EXPECT_EQ(Count(m_alice, olFolderOutbox), 0);
  ASSERT_EQ(Count(m_alice, olFolderSentMail), 1);
  EXPECT_TRUE(sent.Parent().IsSame(m_alice.GetDefaultFolder(olFolderSentMail)));
  EXPECT_EQ(sent.SentOn(), m_clock.Now());
  EXPECT_EQ(sent.SenderEmailAddress(), "alice@example.org");

  int added = 0;
  m_bob.GetDefaultFolder(olFolderInbox).OnItemAdd([&](const Item&) { ++added; });
  m_clock.Advance(60000);
  MailDelivery bob(m_bob, m_po, m_clock);
  MailDelivery::PickUpResult r = bob.PickUp();
  EXPECT_EQ(r.arrived, 1);
  EXPECT_TRUE(r.problems.empty());
  EXPECT_EQ(added, 0) << "item events are delivered by the loop, not inside the write";
  m_loop.PumpPending();
  EXPECT_EQ(added, 1);

  ASSERT_EQ(Count(m_bob, olFolderInbox), 1);
  Item in = m_bob.GetDefaultFolder(olFolderInbox).Items().Item(1);
  EXPECT_EQ(in.Class(), olMail);
  EXPECT_EQ(in.Subject(), "ZTBGroup 64522606-20020930162039");
  EXPECT_EQ(in.Body(), mail.Body());
  EXPECT_EQ(in.SenderEmailAddress(), "alice@example.org");
  EXPECT_EQ(in.SenderName(), "Alice");
  EXPECT_TRUE(in.UnRead());
  EXPECT_EQ(in.SentOn(), sent.SentOn());
  EXPECT_EQ(in.ReceivedTime(), m_clock.Now());
  ASSERT_EQ(in.Recipients().Count(), 2);
  EXPECT_EQ(in.Recipients().Item(1).Address(), "bob@example.org");
  EXPECT_EQ(in.Recipients().Item(2).Type(), olCC);
  ASSERT_EQ(in.Attachments().Count(), 2);
  Attachment a = in.Attachments().Item(1);
  EXPECT_EQ(a.FileName(), "Attach.txt");
  EXPECT_EQ(a.DisplayName(), "ZTB");
  EXPECT_EQ(a.Type(), olByValue);
  EXPECT_EQ(std::string(a.Data().begin(), a.Data().end()), zipBytes);
  Attachment b = in.Attachments().Item(2);
  EXPECT_EQ(b.FileName(), "SyncSndItems.xml");
  EXPECT_EQ(std::string(b.Data().begin(), b.Data().end()), "<xml/>");

  EXPECT_EQ(bob.PickUp().arrived, 0);
  // The copy recipient's mailbox got its own message.
  EXPECT_EQ(m_po.Fetch("carol@example.org").messages.size(), 1u);
}

TEST_F(MailDeliveryTest, UnsavedMailCanBeSent) {
  Item mail = NewMail(m_alice, "never saved");
  mail.Recipients().Add("bob@example.org");
  MailDelivery(m_alice, m_po, m_clock).Send(mail);
  EXPECT_EQ(Count(m_alice, olFolderSentMail), 1);
  EXPECT_EQ(MailDelivery(m_bob, m_po, m_clock).PickUp("bob@example.org").arrived, 1);
}

TEST_F(MailDeliveryTest, RefusedSendLeavesTheItemUnsent) {
  testing_support::FaultyTransport faulty(m_po);
  MailDelivery alice(m_alice, faulty, m_clock);

  Item noRecipient = NewMail(m_alice, "nobody");
  noRecipient.Save();
  EXPECT_THROW(alice.Send(noRecipient), Error);

  Item failing = NewMail(m_alice, "transport down");
  failing.Recipients().Add("bob@example.org");
  failing.Save();
  faulty.FailNextSends(1);
  EXPECT_THROW(alice.Send(failing), Error);

  Item appointment = m_alice.GetDefaultFolder(olFolderCalendar).Items().Add(olAppointmentItem);
  EXPECT_THROW(alice.Send(appointment), Error);

  EXPECT_EQ(Count(m_alice, olFolderOutbox), 2);
  EXPECT_EQ(Count(m_alice, olFolderSentMail), 0);
  EXPECT_TRUE(failing.SentOn().IsZero());
  EXPECT_EQ(MailDelivery(m_bob, m_po, m_clock).PickUp().arrived, 0);

  m_alice.SetCurrentUser("Alice", "");
  EXPECT_THROW(alice.Send(failing), Error);
  EXPECT_THROW(alice.PickUp(), Error);
}

TEST_F(MailDeliveryTest, StoreFailureLeavesMessagesForTheNextPickUpInOrder) {
  MailDelivery alice(m_alice, m_po, m_clock);
  for (std::string subject : {"one", "two", "three"}) {
    Item mail = NewMail(m_alice, subject);
    mail.Recipients().Add("bob@example.org");
    alice.Send(mail);
  }
  auto hook = std::make_shared<FailingWrites>();
  m_bob.SetWriteHook(hook);
  MailDelivery bob(m_bob, m_po, m_clock);

  hook->armed = true;
  MailDelivery::PickUpResult failed = bob.PickUp();
  EXPECT_EQ(failed.arrived, 0);
  ASSERT_EQ(failed.problems.size(), 1u);
  EXPECT_NE(failed.problems[0].find("'one'"), std::string::npos) << failed.problems[0];
  EXPECT_EQ(Count(m_bob, olFolderInbox), 0);

  hook->armed = false;
  EXPECT_EQ(bob.PickUp().arrived, 3);
  Items inbox = m_bob.GetDefaultFolder(olFolderInbox).Items();
  ASSERT_EQ(inbox.Count(), 3);
  EXPECT_EQ(inbox.Item(1).Subject(), "one");
  EXPECT_EQ(inbox.Item(3).Subject(), "three");
}

TEST_F(MailDeliveryTest, UnreadableMessageIsReportedAndTheRestArrive) {
  Item mail = NewMail(m_alice, "fine");
  mail.Recipients().Add("bob@example.org");
  m_po.Deliver("bob@example.org", "garbage without any header");
  MailDelivery(m_alice, m_po, m_clock).Send(mail);

  MailDelivery::PickUpResult r = MailDelivery(m_bob, m_po, m_clock).PickUp();
  EXPECT_EQ(r.arrived, 1);
  ASSERT_EQ(r.problems.size(), 1u);
  EXPECT_NE(r.problems[0].find("not a mail message"), std::string::npos) << r.problems[0];
}

TEST_F(MailDeliveryTest, AMessageTakenAgainOrDeliveredTwiceLandsOnce) {
  testing_support::FaultyTransport faulty(m_po);
  MailDelivery alice(m_alice, faulty, m_clock);
  MailDelivery bob(m_bob, m_po, m_clock);
  faulty.DuplicateNextSends(1);
  Item mail = NewMail(m_alice, "twice");
  mail.Recipients().Add("bob@example.org");
  alice.Send(mail);
  EXPECT_EQ(bob.PickUp().arrived, 1);

  // A crash after the Inbox item committed but before the message left new/:
  // the next pick-up finds the message waiting once more.
  Item again = NewMail(m_alice, "again");
  again.Recipients().Add("bob@example.org");
  alice.Send(again);
  const fs::path box = m_dir / "postoffice" / "bob@example.org";
  ASSERT_EQ(bob.PickUp().arrived, 1);
  for (const auto& e : fs::directory_iterator(box / "cur")) {
    const std::string name = e.path().filename().string();
    fs::copy_file(e.path(), box / "new" / name.substr(0, name.size() - 4));
  }
  EXPECT_EQ(bob.PickUp().arrived, 0);
  EXPECT_EQ(Count(m_bob, olFolderInbox), 2);
  EXPECT_TRUE(fs::is_empty(box / "new"));
  Item first = m_bob.GetDefaultFolder(olFolderInbox).Items().Item(1);
  EXPECT_FALSE(first.GetText("InternetMessageID").empty());
}

}  // namespace
}  // namespace platform
