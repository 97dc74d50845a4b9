// Meeting requests: an organiser's meeting leaves through the client's Send
// (raising ItemSend) and arrives in the attendee's Inbox as a meeting
// request, over a real post office between two real profiles.
#include <gtest/gtest.h>

#include <random>

#include "platform/Clock.h"
#include "platform/Error.h"
#include "platform/EventLoop.h"
#include "platform/FileUtil.h"
#include "platform/Registry.h"
#include "platform/ScriptedPrompt.h"
#include "platform/System.h"
#include "platform/client/Application.h"
#include "platform/mail/MailDelivery.h"
#include "platform/mail/MeetingCalendar.h"
#include "platform/mail/MimeCodec.h"
#include "platform/mail/PostOfficeTransport.h"
#include "platform/store/Attachments.h"
#include "platform/store/Folder.h"
#include "platform/store/Items.h"
#include "platform/store/Links.h"
#include "platform/store/Recipients.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

class MeetingMailTest : public ::testing::Test {
 protected:
  MeetingMailTest()
      : m_dir(MakeDir()),
        m_loop(m_clock),
        m_po(m_dir / "postoffice"),
        m_alice(Open("alice", "Alice Able", "alice@example.org")),
        m_bob(Open("bob", "Bob Baker", "bob@example.org")),
        m_registry(m_dir / "alice"),
        m_system(m_dir / "alice", m_dir / "install"),
        m_aliceMail(m_alice, m_po, m_clock),
        m_bobMail(m_bob, m_po, m_clock),
        m_app("11.0.5608", m_alice, m_loop, m_prompt, m_registry, m_system,
              [this](const Item& mail) { m_aliceMail.Send(mail); }) {}
  ~MeetingMailTest() override {
    m_alice.Close();
    m_bob.Close();
    fs::remove_all(m_dir);
  }
  static fs::path MakeDir() {
    std::random_device rd;
    fs::path dir = fs::temp_directory_path() / ("zentabo-meeting-" + std::to_string(rd()));
    fs::create_directories(dir / "alice");
    fs::create_directories(dir / "bob");
    return dir;
  }
  MailSession Open(const std::string& home, const std::string& name, const std::string& address) {
    MailSession s = MailSession::Open((m_dir / home / "profile.db").string());
    s.SetCurrentUser(name, address);
    return s;
  }
  Item Meeting(const std::string& subject) {
    Item m = m_alice.GetDefaultFolder(olFolderCalendar).Items().Add(olAppointmentItem);
    m.SetSubject(subject);
    m.SetStart(Date::FromParts(2026, 12, 8, 13, 0));
    m.SetEnd(Date::FromParts(2026, 12, 8, 13, 45));
    m.SetMeetingStatus(olMeeting);
    m.Recipients().Add("bob@example.org", "Bob Baker", olRequired);
    return m;
  }
  std::vector<Item> BobsInbox() {
    m_bobMail.PickUp();
    return m_bob.GetDefaultFolder(olFolderInbox).Items().All();
  }

  fs::path m_dir;
  VirtualClock m_clock;
  EventLoop m_loop;
  PostOfficeTransport m_po;
  MailSession m_alice, m_bob;
  Registry m_registry;
  System m_system;
  ScriptedPrompt m_prompt;
  MailDelivery m_aliceMail, m_bobMail;
  Application m_app;
};

TEST_F(MeetingMailTest, TheMeetingArrivesAsARequestWithItsFields) {
  Item m = Meeting("Plan, budget; and \\ more \xC3\xA9t\xC3\xA9 with a subject long enough to be folded in the part");
  m.SetLocation("Salle \xC3\xA0 c\xC3\xB4t\xC3\xA9, 2nd floor");
  m.SetBody("Agenda\r\n- one\r\n");
  m.SetCategories("Blue");
  m.SetSensitivity(2);
  m.SetBusyStatus(3);
  m.SetReminderSet(true);
  m.SetReminderMinutesBeforeStart(90);
  m.Recipients().Add("carol@example.org", "", olOptional);
  ASSERT_TRUE(m_app.Send(m));

  std::vector<Item> inbox = BobsInbox();
  ASSERT_EQ(inbox.size(), 1u);
  Item r = inbox[0];
  EXPECT_EQ(r.Class(), olMeetingRequest);
  EXPECT_EQ(r.Subject(), m.Subject());
  EXPECT_EQ(r.Location(), m.Location());
  EXPECT_EQ(r.Body(), "Agenda\r\n- one\r\n");
  EXPECT_EQ(r.Categories(), "Blue");
  EXPECT_EQ(r.Start(), m.Start());
  EXPECT_EQ(r.End(), m.End());
  EXPECT_EQ(r.Sensitivity(), 2);
  EXPECT_EQ(r.BusyStatus(), 3);
  EXPECT_TRUE(r.ReminderSet());
  EXPECT_EQ(r.ReminderMinutesBeforeStart(), 90);
  EXPECT_FALSE(m.GlobalObjectID().empty());
  EXPECT_EQ(r.GlobalObjectID(), m.GlobalObjectID());
  EXPECT_EQ(r.Organizer(), "Alice Able");
  EXPECT_EQ(r.SenderEmailAddress(), "alice@example.org");
  EXPECT_EQ(r.Attachments().Count(), 0);
  ASSERT_EQ(r.Recipients().Count(), 2);
  EXPECT_EQ(r.Recipients().Item(1).Address(), "bob@example.org");
  EXPECT_EQ(r.Recipients().Item(1).Name(), "Bob Baker");
  EXPECT_EQ(r.Recipients().Item(2).Address(), "carol@example.org");

  // The organiser's request is filed in Sent Items and leads back to his meeting.
  std::vector<Item> sent = m_alice.GetDefaultFolder(olFolderSentMail).Items().All();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Class(), olMeetingRequest);
  EXPECT_TRUE(sent[0].GetAssociatedAppointment(false).IsSame(m));
  EXPECT_EQ(m_alice.GetDefaultFolder(olFolderOutbox).Items().Count(), 0);

  // Accepting makes the attendee's appointment, found again for an update.
  Item accepted = r.GetAssociatedAppointment(true);
  EXPECT_EQ(accepted.MeetingStatus(), olMeetingReceived);
  EXPECT_EQ(accepted.Subject(), m.Subject());
  EXPECT_TRUE(r.GetAssociatedAppointment(false).IsSame(accepted));
}

TEST_F(MeetingMailTest, AnAllDayMeetingStaysAllDay) {
  Item m = Meeting("Offsite");
  m.SetAllDayEvent(true);
  m.SetStart(Date::FromParts(2026, 12, 10));
  m.SetEnd(Date::FromParts(2026, 12, 12));
  ASSERT_TRUE(m_app.Send(m));
  Item r = BobsInbox().at(0);
  EXPECT_TRUE(r.AllDayEvent());
  EXPECT_EQ(r.Start(), Date::FromParts(2026, 12, 10));
  EXPECT_EQ(r.End(), Date::FromParts(2026, 12, 12));
  EXPECT_FALSE(r.ReminderSet());
}

TEST_F(MeetingMailTest, ItemSendSeesTheRequestChangesItOrCancelsIt) {
  int calls = 0;
  Subscription sub = m_app.OnItemSend([&](Item& item, bool& cancel) {
    ++calls;
    EXPECT_EQ(item.Class(), olMeetingRequest);
    if (item.Subject() == "Cancelled") cancel = true;
    item.SetBody(item.Body() + "\r\nadded by the hook");
    item.Save();
  });
  ASSERT_TRUE(m_app.Send(Meeting("Sent")));
  EXPECT_FALSE(m_app.Send(Meeting("Cancelled")));
  EXPECT_EQ(calls, 2);
  std::vector<Item> inbox = BobsInbox();
  ASSERT_EQ(inbox.size(), 1u);
  EXPECT_EQ(inbox[0].Subject(), "Sent");
  EXPECT_EQ(inbox[0].Body(), "\r\nadded by the hook");
  // The cancelled request is gone without a trace; its meeting stays.
  EXPECT_EQ(m_alice.GetDefaultFolder(olFolderOutbox).Items().Count(), 0);
  EXPECT_EQ(m_alice.GetDefaultFolder(olFolderDeletedItems).Items().Count(), 0);
  EXPECT_EQ(m_alice.GetDefaultFolder(olFolderCalendar).Items().Count(), 2);

  m_app.UnsubscribeItemSend(sub);
  ASSERT_TRUE(m_app.Send(Meeting("Unwatched")));
  EXPECT_EQ(calls, 2);
}

TEST_F(MeetingMailTest, ASendThatFailsHalfWayKeepsNothingOfIt) {
  Subscription sub = m_app.OnItemSend([&](Item& item, bool&) {
    item.SetBody("changed by the hook");
    item.Save();
    throw Error("the hook fails");
  });
  EXPECT_THROW(m_app.Send(Meeting("Broken")), Error);
  m_app.UnsubscribeItemSend(sub);
  EXPECT_EQ(m_alice.GetDefaultFolder(olFolderOutbox).Items().Count(), 0) << "no request left unsent";
  EXPECT_EQ(m_alice.GetDefaultFolder(olFolderSentMail).Items().Count(), 0);
  EXPECT_TRUE(BobsInbox().empty());
  ASSERT_TRUE(m_app.Send(Meeting("Again")));
  EXPECT_EQ(BobsInbox().size(), 1u);
}

TEST_F(MeetingMailTest, WhatCannotBeSentIsRefused) {
  Item plain = m_alice.GetDefaultFolder(olFolderCalendar).Items().Add(olAppointmentItem);
  plain.SetSubject("Plain");
  EXPECT_THROW(m_app.Send(plain), Error);
  Item lonely = Meeting("Lonely");
  lonely.Recipients().Remove(1);
  EXPECT_THROW(m_app.Send(lonely), Error);
  Item contact = m_alice.GetDefaultFolder(olFolderContacts).Items().Add(olContactItem);
  EXPECT_THROW(m_app.Send(contact), Error);
  EXPECT_EQ(m_alice.GetDefaultFolder(olFolderOutbox).Items().Count(), 0);
  EXPECT_TRUE(BobsInbox().empty());
}

TEST_F(MeetingMailTest, ARequestDeliveredTwiceLandsOnce) {
  ASSERT_TRUE(m_app.Send(Meeting("Twice")));
  // The same message once more, as a resend after a crash would deliver it.
  fs::path box = m_po.MailboxPath("bob@example.org") / "new";
  fs::path first = fs::directory_iterator(box)->path();
  m_po.Deliver("bob@example.org", FileUtil::ReadFile(first));
  EXPECT_EQ(BobsInbox().size(), 1u);
}

TEST_F(MeetingMailTest, AnUnreadableCalendarPartLeavesAnOrdinaryMail) {
  MailMessage message;
  message.from = {"alice@example.org", "Alice"};
  message.to = {{"bob@example.org", ""}};
  message.subject = "Not quite";
  message.body = "text";
  message.attachments.push_back({MeetingCalendar::kFileName, "", "BEGIN:VCALENDAR\r\nMETHOD:PUBLISH\r\n",
                                 MeetingCalendar::kMediaType});
  m_po.Send(message);
  std::vector<Item> inbox = BobsInbox();
  ASSERT_EQ(inbox.size(), 1u);
  EXPECT_EQ(inbox[0].Class(), olMail);
  EXPECT_EQ(inbox[0].Attachments().Count(), 1);
}

}  // namespace
}  // namespace platform
