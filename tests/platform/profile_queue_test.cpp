// ProfileQueue and ProfileOutbox: records and mails kept in the profile
// exist exactly when the store batch that made them committed, survive a
// reopen, and a mail of a batch leaves after the commit under one Message-ID
// however often it is handed to the transport.
#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "platform/Error.h"
#include "platform/mail/MailDelivery.h"
#include "platform/mail/PostOfficeTransport.h"
#include "platform/mail/ProfileOutbox.h"
#include "platform/store/Folder.h"
#include "platform/store/Items.h"
#include "platform/store/ProfileQueue.h"
#include "platform/store/Recipients.h"
#include "platform/store/StoreWriteHook.h"
#include "support/FaultyTransport.h"
#include "support/TempHome.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

class ProfileQueueTest : public ::testing::Test {
 protected:
  ProfileQueueTest() { m_session.SetCurrentUser("Alice", "alice@example.org"); }
  std::vector<ProfileQueue::Record> Records(const std::string& name = "Q") {
    return ProfileQueue(m_session, name).All();
  }
  void Reopen() {
    m_session.Close();
    m_session = MailSession::Open(Path());
  }
  std::string Path() const { return (m_dir.Path() / "profile.db").string(); }

  testing_support::TempDir m_dir;
  MailSession m_session = MailSession::Open(Path());
};

using RecordList = std::vector<ProfileQueue::Record>;

TEST_F(ProfileQueueTest, KeepsFirstPutOrderAndNamesApartAcrossAReopen) {
  ProfileQueue q(m_session, "Q");
  q.Put("b", "1");
  q.Put("a", "2");
  q.Put("c", std::string("bin\0ary\n", 8));
  q.Put("b", "3");  // a new value keeps its place
  ProfileQueue(m_session, "Other").Put("a", "x");
  EXPECT_TRUE(q.Remove("a"));
  EXPECT_FALSE(q.Remove("a"));
  q.Put("a", "4");  // back in, at the end
  Reopen();
  EXPECT_EQ(Records(), (RecordList{{"b", "3"}, {"c", std::string("bin\0ary\n", 8)}, {"a", "4"}}));
  EXPECT_EQ(Records("Other"), (RecordList{{"a", "x"}}));
  ProfileQueue again(m_session, "Q");
  EXPECT_TRUE(again.Contains("c"));
  again.Clear();
  EXPECT_EQ(again.Count(), 0);
  EXPECT_EQ(Records("Other").size(), 1u);
}

TEST_F(ProfileQueueTest, ChangesCommitAndRollBackWithTheirBatch) {
  ProfileQueue q(m_session, "Q");
  q.Put("kept", "0");
  Item item = m_session.GetDefaultFolder(olFolderCalendar).Items().Add(olAppointmentItem);
  EXPECT_THROW(m_session.Batch([&] {
    item.SetSubject("half");
    item.Save();
    q.Put("new", "1");
    q.Remove("kept");
    throw Error("the batch fails");
  }),
               Error);
  EXPECT_EQ(Records(), (RecordList{{"kept", "0"}}));
  EXPECT_EQ(m_session.GetDefaultFolder(olFolderCalendar).Items().Count(), 0);
  m_session.Batch([&] {
    q.Put("new", "1");
    q.Clear();
    q.Put("last", "2");
  });
  Reopen();
  EXPECT_EQ(Records(), (RecordList{{"last", "2"}}));
}

class ProfileOutboxTest : public ProfileQueueTest {
 protected:
  ProfileOutboxTest() {
    m_session.SetCommitListener([this] {
      try {
        if (m_outbox->MayHoldMail()) m_outbox->SendQueued();
      } catch (const Error&) {  // stays queued for the next try
      }
    });
  }
  void SendMail(const std::string& subject) {
    Item mail = m_session.GetDefaultFolder(olFolderOutbox).Items().Add(olMailItem);
    mail.SetSubject(subject);
    mail.Recipients().Add("bob@example.org");
    m_delivery->Send(mail);
  }
  std::vector<MailMessage> Arrived() { return m_po.Fetch("bob@example.org").messages; }
  // A new start on the profile as the last run left it.
  void Restart() {
    m_delivery.reset();
    m_outbox.reset();
    m_session.SetCommitListener({});
    Reopen();
    m_outbox = std::make_unique<ProfileOutbox>(m_session, m_faulty);
    m_delivery = std::make_unique<MailDelivery>(m_session, m_faulty, m_clock, nullptr, m_outbox.get());
  }

  VirtualClock m_clock;
  PostOfficeTransport m_po{m_dir.Path() / "po"};
  testing_support::FaultyTransport m_faulty{m_po};
  std::unique_ptr<ProfileOutbox> m_outbox = std::make_unique<ProfileOutbox>(m_session, m_faulty);
  std::unique_ptr<MailDelivery> m_delivery =
      std::make_unique<MailDelivery>(m_session, m_faulty, m_clock, nullptr, m_outbox.get());
};

TEST_F(ProfileOutboxTest, MailOfABatchLeavesAfterItsCommitOrNotAtAll) {
  SendMail("direct");
  EXPECT_THROW(m_session.Batch([&] {
    SendMail("undone");
    throw Error("the batch fails");
  }),
               Error);
  m_session.Batch([&] {
    SendMail("one");
    SendMail("two");
    EXPECT_EQ(m_outbox->Count(), 2);
    EXPECT_EQ(Arrived().size(), 1u) << "nothing leaves before the commit";
  });
  const std::vector<MailMessage> got = Arrived();
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].subject, "direct");
  EXPECT_EQ(got[1].subject, "one");
  EXPECT_EQ(got[2].subject, "two");
  EXPECT_EQ(m_outbox->Count(), 0);
  EXPECT_EQ(m_session.GetDefaultFolder(olFolderSentMail).Items().Count(), 3) << "the undone mail is not filed";
}

TEST_F(ProfileOutboxTest, ADirectSendIsQueuedAndFiledInOneWrite) {
  // The store refuses every write but the queue's: the filing fails, so the
  // queued message must go with it.
  struct AllButTheQueue : StoreWriteHook {
    bool armed = false;
    void BeforeWrite(std::string_view statement) override {
      if (armed && statement.find("queued") == std::string_view::npos) throw Error("injected store failure");
    }
  };
  auto hook = std::make_shared<AllButTheQueue>();
  m_session.SetWriteHook(hook);
  Item mail = m_session.GetDefaultFolder(olFolderOutbox).Items().Add(olMailItem);
  mail.SetSubject("kept whole");
  mail.Recipients().Add("bob@example.org");
  mail.Save();
  hook->armed = true;
  EXPECT_THROW(m_delivery->Send(mail), Error);
  hook->armed = false;
  EXPECT_EQ(m_outbox->Count(), 0);
  EXPECT_TRUE(Arrived().empty());
  EXPECT_EQ(m_session.GetDefaultFolder(olFolderOutbox).Items().Count(), 1) << "left unsent where it was";

  // A transport that refuses it: filed and queued, it leaves at the next try.
  m_faulty.FailNextSends(1);
  Item mailAgain = m_session.GetDefaultFolder(olFolderOutbox).Items().All().at(0);
  Item filed = m_delivery->Send(mailAgain);
  EXPECT_EQ(filed.Parent().EntryID(), m_session.GetDefaultFolder(olFolderSentMail).EntryID());
  EXPECT_EQ(m_outbox->Count(), 1);
  EXPECT_TRUE(Arrived().empty());
  EXPECT_EQ(m_outbox->SendQueued(), 1);
  EXPECT_EQ(Arrived().size(), 1u);
}

TEST_F(ProfileOutboxTest, AMailLeftByAKilledRunGoesAtTheNextStartUnderItsMessageId) {
  m_faulty.FailNextSends(1);
  m_session.Batch([&] { SendMail("answer"); });  // the transport refuses: it stays queued
  ASSERT_EQ(m_outbox->Count(), 1);
  const std::string id = m_outbox->Queued().at(0).messageId;
  m_session.SetCommitListener({});  // the run ends here: nothing more is sent
  // Sent, then killed before it left the queue: the profile as it was.
  const fs::path before = m_dir.Path() / "before.db";
  m_session.Close();
  fs::copy_file(Path(), before);
  m_session = MailSession::Open(Path());
  Restart();
  EXPECT_EQ(m_outbox->SendQueued(), 1);
  m_delivery.reset();
  m_outbox.reset();
  m_session.Close();
  fs::copy_file(before, Path(), fs::copy_options::overwrite_existing);
  m_session = MailSession::Open(Path());
  Restart();
  EXPECT_EQ(m_outbox->SendQueued(), 1);
  EXPECT_EQ(m_outbox->SendQueued(), 0);
  const std::vector<MailMessage> got = Arrived();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].messageId, id);
  EXPECT_EQ(got[1].messageId, id) << "a receiver recognises the second copy";
}

}  // namespace
}  // namespace platform
