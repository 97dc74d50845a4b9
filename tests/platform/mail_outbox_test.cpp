// MailOutbox: mails sent inside a registry batch exist exactly when the
// batch does, and leave once it has committed.
#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "platform/Error.h"
#include "platform/Registry.h"
#include "support/FaultyTransport.h"
#include "platform/mail/MailDelivery.h"
#include "platform/mail/MailOutbox.h"
#include "platform/mail/PostOfficeTransport.h"
#include "platform/store/Folder.h"
#include "platform/store/Items.h"
#include "platform/store/Recipients.h"
#include "support/TempHome.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

class MailOutboxTest : public ::testing::Test {
 protected:
  MailOutboxTest() {
    m_session.SetCurrentUser("Alice", "alice@example.org");
    m_registry->SetCommitListener([this] { m_outbox->SendQueued(); });
  }
  void SendMail(const std::string& subject) {
    Item mail = m_session.GetDefaultFolder(olFolderOutbox).Items().Add(olMailItem);
    mail.SetSubject(subject);
    mail.Recipients().Add("bob@example.org");
    m_delivery.Send(mail);
  }
  std::vector<std::string> Waiting() {
    std::vector<std::string> subjects;
    for (const MailMessage& m : m_po.Fetch("bob@example.org").messages) subjects.push_back(m.subject);
    return subjects;
  }
  // A new start: the registry and the outbox opened again (the delivery
  // keeps the old outbox and must not send afterwards).
  void ReopenRegistry() {
    m_outbox.reset();
    m_registry.reset();
    m_registry = std::make_unique<Registry>(m_dir.Path());
    m_outbox = std::make_unique<MailOutbox>(*m_registry, m_faulty, "Software\\Test\\Outbox");
  }

  testing_support::TempDir m_dir;
  VirtualClock m_clock;
  PostOfficeTransport m_po{m_dir.Path() / "po"};
  testing_support::FaultyTransport m_faulty{m_po};
  MailSession m_session = MailSession::Open((m_dir.Path() / "profile.db").string());
  std::unique_ptr<Registry> m_registry = std::make_unique<Registry>(m_dir.Path());
  std::unique_ptr<MailOutbox> m_outbox =
      std::make_unique<MailOutbox>(*m_registry, m_faulty, "Software\\Test\\Outbox");
  MailDelivery m_delivery{m_session, m_faulty, m_clock, m_outbox.get()};
};

TEST_F(MailOutboxTest, MailOfABatchLeavesAtItsCommitAndNotAtAll) {
  SendMail("direct");  // outside a batch: at once
  EXPECT_EQ(Waiting(), std::vector<std::string>{"direct"});
  {
    RegistryBatch batch(*m_registry);
    SendMail("dropped");
  }
  EXPECT_EQ(m_outbox->Count(), 0);
  {
    RegistryBatch batch(*m_registry);
    SendMail("answer");
    EXPECT_EQ(m_outbox->Count(), 1);
    EXPECT_EQ(Waiting(), std::vector<std::string>{"direct"});
    batch.Commit();
  }
  EXPECT_EQ(Waiting(), (std::vector<std::string>{"direct", "answer"}));
  EXPECT_EQ(m_outbox->Count(), 0);
  // Sent Items holds every mail handed over, queued or not.
  EXPECT_EQ(m_session.GetDefaultFolder(olFolderSentMail).Items().Count(), 3);
}

TEST_F(MailOutboxTest, QueueSurvivesACrashAndAResendKeepsTheMessageId) {
  m_registry->SetCommitListener({});
  {
    RegistryBatch batch(*m_registry);
    SendMail("one");
    SendMail("two");
    batch.Commit();
  }
  ReopenRegistry();
  ASSERT_EQ(m_outbox->Count(), 2);
  m_faulty.FailNextSends(1);
  EXPECT_THROW(m_outbox->SendQueued(), Error);
  EXPECT_EQ(m_outbox->Count(), 2);
  // A crash after the mails went out but before they left the queue: the
  // next start sends them again, under the same ids.
  const fs::path before = m_dir.Path() / "before";
  fs::copy(m_dir.Path() / ".registry", before, fs::copy_options::recursive);
  EXPECT_EQ(m_outbox->SendQueued(), 2);
  m_outbox.reset();
  m_registry.reset();
  fs::remove_all(m_dir.Path() / ".registry");
  fs::copy(before, m_dir.Path() / ".registry", fs::copy_options::recursive);
  ReopenRegistry();
  EXPECT_EQ(m_outbox->SendQueued(), 2);
  const FetchResult got = m_po.Fetch("bob@example.org");
  ASSERT_EQ(got.messages.size(), 4u);
  EXPECT_EQ(got.messages[0].subject, "one");
  EXPECT_EQ(got.messages[1].subject, "two");
  EXPECT_FALSE(got.messages[0].messageId.empty());
  EXPECT_NE(got.messages[0].messageId, got.messages[1].messageId);
  EXPECT_EQ(got.messages[2].messageId, got.messages[0].messageId);
  EXPECT_EQ(got.messages[3].messageId, got.messages[1].messageId);
}

}  // namespace
}  // namespace platform
