// PostOfficeTransport: Maildir delivery and pick-up on a real temporary folder,
// and the fault-injecting wrapper around it.
#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "platform/Error.h"
#include "support/FaultyTransport.h"
#include "platform/mail/MimeCodec.h"
#include "platform/mail/PostOfficeTransport.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

class MailPostOffice : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device rd;
    m_dir = fs::temp_directory_path() / ("zentabo-po-" + std::to_string(rd()));
    fs::create_directories(m_dir);
  }
  void TearDown() override { fs::remove_all(m_dir); }

  static MailMessage Message(const std::string& subject, std::vector<std::string> to = {"bob@example.org"}) {
    MailMessage m;
    m.from = {"alice@example.org", "Alice"};
    for (auto& a : to) m.to.push_back({a, ""});
    m.subject = subject;
    m.body = "body of " + subject;
    return m;
  }
  static std::vector<std::string> Subjects(const FetchResult& r) {
    std::vector<std::string> out;
    for (const auto& m : r.messages) out.push_back(m.subject);
    return out;
  }
  static size_t Count(const fs::path& dir) {
    if (!fs::exists(dir)) return 0;
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
  }

  fs::path m_dir;
};

TEST_F(MailPostOffice, DeliveryLandsInNewAndLeavesOnlyWhenAcknowledged) {
  PostOfficeTransport po(m_dir / "po");
  po.Send(Message("first"));
  po.Send(Message("second"));

  fs::path box = m_dir / "po" / "bob@example.org";
  EXPECT_EQ(Count(box / "tmp"), 0u);
  EXPECT_EQ(Count(box / "new"), 2u);

  FetchResult r = po.Fetch("bob@example.org");
  EXPECT_EQ(Subjects(r), (std::vector<std::string>{"first", "second"}));
  EXPECT_TRUE(r.rejected.empty());
  // Read but not taken: a receiver that dies now finds them again.
  EXPECT_EQ(Count(box / "new"), 2u);
  EXPECT_EQ(Subjects(po.Fetch("bob@example.org")), (std::vector<std::string>{"first", "second"}));
  for (const auto& receipt : r.receipts) po.Acknowledge("bob@example.org", receipt);
  EXPECT_EQ(Count(box / "new"), 0u);
  ASSERT_EQ(Count(box / "cur"), 2u);
  for (const auto& e : fs::directory_iterator(box / "cur")) {
    EXPECT_TRUE(e.path().filename().string().ends_with(":2,S")) << e.path();
  }
  EXPECT_TRUE(po.Fetch("bob@example.org").messages.empty());
}

TEST_F(MailPostOffice, AddressesAreFoldedToLowerCaseAndDeliveredOnce) {
  PostOfficeTransport po(m_dir / "po");
  MailMessage m = Message("hello", {"Bob@Example.ORG", "carol@example.org"});
  m.cc = {{"BOB@example.org", "Bob again"}};
  po.Send(m);

  EXPECT_TRUE(fs::is_directory(m_dir / "po" / "bob@example.org" / "new"));
  EXPECT_EQ(po.Fetch("BOB@EXAMPLE.ORG").messages.size(), 1u);
  EXPECT_EQ(po.Fetch("carol@example.org").messages.size(), 1u);
  EXPECT_TRUE(po.Fetch("nobody@example.org").messages.empty());
}

TEST_F(MailPostOffice, TwoHomesShareOnePostOffice) {
  // Each home opens the shared folder on its own, as two host processes do.
  PostOfficeTransport alice(m_dir / "shared");
  PostOfficeTransport bob(m_dir / "shared");
  MailMessage toBob = Message("to bob");
  toBob.attachments = {{"Attach.txt", "ZTB", "msg.type = msg.add.request\r\n", ""}};
  alice.Send(toBob);
  MailMessage toAlice = Message("to alice", {"alice@example.org"});
  toAlice.from = {"bob@example.org", "Bob"};
  bob.Send(toAlice);

  FetchResult atBob = bob.Fetch("bob@example.org");
  ASSERT_EQ(atBob.messages.size(), 1u);
  EXPECT_EQ(atBob.messages[0].from.address, "alice@example.org");
  EXPECT_EQ(atBob.messages[0].attachments, toBob.attachments);
  bob.Acknowledge("bob@example.org", atBob.receipts[0]);
  EXPECT_EQ(Subjects(alice.Fetch("alice@example.org")), std::vector<std::string>{"to alice"});
  // The other home reading the same mailbox finds nothing left to take.
  EXPECT_TRUE(alice.Fetch("bob@example.org").messages.empty());

  // Both homes writing to one mailbox in quick turns: nothing collides or
  // gets lost, and the order of sending holds.
  std::vector<std::string> sent;
  for (int i = 0; i < 20; ++i) {
    sent.push_back("turn " + std::to_string(i));
    (i % 2 ? bob : alice).Send(Message(sent.back(), {"carol@example.org"}));
  }
  EXPECT_EQ(Subjects(alice.Fetch("carol@example.org")), sent);
}

TEST_F(MailPostOffice, BlindCopyIsDeliveredButNotWritten) {
  PostOfficeTransport po(m_dir / "po");
  MailMessage m = Message("secret");
  m.bcc = {{"dave@example.org", "Dave"}};
  po.Send(m);
  FetchResult atDave = po.Fetch("dave@example.org");
  ASSERT_EQ(atDave.messages.size(), 1u);
  EXPECT_TRUE(atDave.messages[0].bcc.empty());
  fs::path cur = m_dir / "po" / "bob@example.org" / "new";
  for (const auto& e : fs::directory_iterator(cur)) {
    std::ifstream in(e.path());
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.find("dave"), std::string::npos);
  }
}

TEST_F(MailPostOffice, UnacknowledgedMessagesAreOfferedAgainInTheirPlace) {
  PostOfficeTransport po(m_dir / "po");
  for (auto s : {"a", "b", "c"}) po.Send(Message(s));
  FetchResult first = po.Fetch("bob@example.org");
  ASSERT_EQ(first.receipts.size(), 3u);
  po.Acknowledge("bob@example.org", first.receipts[0]);
  po.Send(Message("d"));
  FetchResult second = po.Fetch("bob@example.org");
  EXPECT_EQ(Subjects(second), (std::vector<std::string>{"b", "c", "d"}));

  po.Acknowledge("bob@example.org", second.receipts[0]);
  EXPECT_THROW(po.Acknowledge("bob@example.org", second.receipts[0]), Error);  // already taken
  EXPECT_THROW(po.Acknowledge("bob@example.org", "../../x"), Error);
  EXPECT_THROW(po.Acknowledge("bob@example.org", "nonsense"), Error);
}

TEST_F(MailPostOffice, ManyMessagesComeBackInDeliveryOrder) {
  PostOfficeTransport po(m_dir / "po");
  std::vector<std::string> sent;
  for (int i = 0; i < 50; ++i) {
    sent.push_back("message " + std::to_string(i));
    po.Send(Message(sent.back()));
  }
  EXPECT_EQ(Subjects(po.Fetch("bob@example.org")), sent);
}

TEST_F(MailPostOffice, UnreadableMessageIsSetAsideAndReported) {
  PostOfficeTransport po(m_dir / "po");
  po.Send(Message("good one"));
  po.Deliver("bob@example.org", "\x01\x02 this is not a mail");
  po.Send(Message("good two"));
  // A file dropped straight into new/ by a foreign writer, CRLF and not MIME.
  {
    std::ofstream f(m_dir / "po" / "bob@example.org" / "new" / "9999999999.foreign", std::ios::binary);
    f << "From: x@example.org\r\nTo: bob@example.org\r\nSubject: plain\r\n\r\ntext\r\n";
  }

  FetchResult r = po.Fetch("bob@example.org");
  EXPECT_EQ(Subjects(r), (std::vector<std::string>{"good one", "good two", "plain"}));
  ASSERT_EQ(r.rejected.size(), 1u);
  EXPECT_NE(r.rejected[0].find("/bad/"), std::string::npos) << r.rejected[0];
  EXPECT_EQ(Count(m_dir / "po" / "bob@example.org" / "bad"), 1u);
  EXPECT_TRUE(po.Fetch("bob@example.org").rejected.empty());
}

// A message of `depth` multiparts each nested in the one before.
std::string NestedMessage(int depth) {
  std::string head = "From: x@example.org\nTo: bob@example.org\nSubject: nested\nMIME-Version: 1.0\n";
  std::string text = head;
  for (int i = 0; i < depth; ++i)
    text += "Content-Type: multipart/mixed; boundary=\"b" + std::to_string(i) + "\"\n\n--b" + std::to_string(i) + "\n";
  text += "Content-Type: text/plain\n\ninner\n";
  for (int i = depth; i-- > 0;) text += "--b" + std::to_string(i) + "--\n";
  return text;
}

TEST_F(MailPostOffice, HostileStructureIsQuarantinedBeforeParsingAndTheRestGoesOn) {
  PostOfficeTransport po(m_dir / "po");
  po.Deliver("bob@example.org", NestedMessage(4000));
  po.Send(Message("normal"));
  std::string wide = "From: x@example.org\nTo: bob@example.org\nSubject: wide\nMIME-Version: 1.0\n"
                     "Content-Type: multipart/mixed; boundary=w\n\n";
  for (int i = 0; i < 1500; ++i) wide += "--w\nContent-Type: text/plain\n\npart\n";
  wide += "--w--\n";
  po.Deliver("bob@example.org", wide);
  po.Deliver("bob@example.org", NestedMessage(5));  // an ordinary depth reads fine

  FetchResult r = po.Fetch("bob@example.org");
  EXPECT_EQ(Subjects(r), (std::vector<std::string>{"normal", "nested"}));
  ASSERT_EQ(r.rejected.size(), 2u);
  EXPECT_NE(r.rejected[0].find("deeper than"), std::string::npos) << r.rejected[0];
  EXPECT_NE(r.rejected[1].find("MIME parts"), std::string::npos) << r.rejected[1];
  EXPECT_EQ(Count(m_dir / "po" / "bob@example.org" / "bad"), 2u);
}

TEST_F(MailPostOffice, BadAddressDeliversNothing) {
  PostOfficeTransport po(m_dir / "po");
  for (std::string bad : {"../evil@example.org", "a/b@example.org", ".hidden@example.org"}) {
    EXPECT_THROW(po.Send(Message("x", {"bob@example.org", bad})), Error) << bad;
    EXPECT_THROW(po.Fetch(bad), Error) << bad;
  }
  EXPECT_TRUE(po.Fetch("bob@example.org").messages.empty());
  EXPECT_FALSE(fs::exists(m_dir / "evil@example.org"));
}

TEST_F(MailPostOffice, FaultyWrapperDropsDuplicatesFailsAndReorders) {
  PostOfficeTransport po(m_dir / "po");
  testing_support::FaultyTransport faulty(po);

  faulty.DropNextSends(1);
  faulty.Send(Message("lost"));
  faulty.DuplicateNextSends(1);
  faulty.Send(Message("twice"));
  faulty.FailNextSends(1);
  EXPECT_THROW(faulty.Send(Message("refused")), Error);
  faulty.Send(Message("last"));
  EXPECT_EQ(faulty.Dropped(), 1);

  faulty.ReverseFetches(true);
  EXPECT_EQ(Subjects(faulty.Fetch("bob@example.org")), (std::vector<std::string>{"last", "twice", "twice"}));
}

}  // namespace
}  // namespace platform
