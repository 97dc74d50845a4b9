// The envelope on a real profile: discovery of magic mails in the Inbox by
// both strategies, and what a group or appointment mail looks like when it
// leaves.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "platform/redemption/Library.h"
#include "platform/redemption/RDOSession.h"
#include "lang/CLang.h"
#include "platform/Clock.h"
#include "diagnostics/CDebug.h"
#include "exchange/mMain.h"
#include "exchange/mZip.h"
#include "options/CWinReg.h"
#include "platform/Error.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "platform/store/Attachments.h"
#include "platform/store/Items.h"
#include "platform/store/Recipients.h"
#include "platform/store/MailSession.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class EnvelopeTest : public ::testing::Test {
 protected:
  EnvelopeTest() {
    static int n = 0;
    home = fs::temp_directory_path() / ("zentabo-envelope-" + std::to_string(getpid()) + "-" + std::to_string(++n));
    fs::remove_all(home);
    fs::create_directories(home / "install");
    debug = std::make_unique<CDebug>(home.string(), "");
    debug->UseSupportLog(false);
    debug->DebugLevel(2);
    SetGlobalDebug(debug.get());
    registry = std::make_unique<platform::Registry>(home);
    system = std::make_unique<platform::System>(home, home / "install");
    session = std::make_unique<platform::MailSession>(platform::MailSession::Open((home / "profile.db").string()));
    session->SetCurrentUser("Alice", "alice@example.org");
    Redemption::SetRegistered(true);
    rdo = std::make_unique<Redemption::RDOSession>(*session, [this](const platform::Item& mail) { sent.push_back(mail); });
    rdo->Logon();
    lang = std::make_unique<CLang>(system->InstallDir().string());
    env = std::make_unique<mMain::MailEnv>(*rdo, *system, *registry, clock, *lang);
  }
  ~EnvelopeTest() override {
    env.reset();
    rdo.reset();
    Redemption::ResetRegistration();
    session.reset();
    registry.reset();
    SetGlobalDebug(nullptr);
    debug.reset();
    std::error_code ec;
    fs::remove_all(home, ec);
  }

  platform::Folder Inbox() const { return session->GetDefaultFolder(platform::olFolderInbox); }

  platform::Item Put(platform::OlItemType type, const std::string& subject) {
    platform::Item item = Inbox().Items().Add(type);
    item.SetSubject(subject);
    item.Save();
    return item;
  }

  static std::vector<std::string> Subjects(const std::vector<platform::Item>& items) {
    std::vector<std::string> out;
    for (const platform::Item& i : items) out.push_back(i.Subject());
    return out;
  }

  bool Logged(const std::string& text) const { return ReadFile(home / "addin.log").find(text) != std::string::npos; }

  void SetSimpleMagicRestrict(const std::string& value) {
    CWinReg reg(*registry);
    ASSERT_TRUE(reg.InitForWrite(CWinReg::HKEY_CURRENT_USER, "SOFTWARE\\Korvel\\Zentabo", true));
    ASSERT_TRUE(reg.SetStringValue("SimpleMagicRestrict", value));
  }

  fs::path home;
  std::unique_ptr<CDebug> debug;
  std::unique_ptr<platform::Registry> registry;
  std::unique_ptr<platform::System> system;
  std::unique_ptr<platform::MailSession> session;
  std::vector<platform::Item> sent;
  std::unique_ptr<Redemption::RDOSession> rdo;
  platform::RealClock clock;
  std::unique_ptr<CLang> lang;
  std::unique_ptr<mMain::MailEnv> env;
};

TEST_F(EnvelopeTest, BothDiscoveryStrategies) {
  Put(platform::olMailItem, "RE: ZTBAppointment 64522606-20060213141359");
  Put(platform::olMailItem, "ZTBGroup 64522606-20020930162039");
  Put(platform::olMailItem, "ZTBAppointment 64522606-20020930162039");
  Put(platform::olMailItem, "ZTBAppointment 64522606-20060213141359");
  Put(platform::olMailItem, "Lunch?");
  Put(platform::olAppointmentItem, "ZTBGroup 64522606-20020930162039");  // not a mail

  std::vector<platform::Item> groups;
  std::vector<platform::Item> appointments;
  mMain::FindMagicMails(*env, Inbox(), groups, appointments);
  EXPECT_TRUE(Logged("USE_REDEMPTION_3_4"));
  EXPECT_EQ(Subjects(groups), std::vector<std::string>{"ZTBGroup 64522606-20020930162039"});
  // Current marker first (a reply's subject merely contains it), then the earlier one.
  EXPECT_EQ(Subjects(appointments),
            (std::vector<std::string>{"RE: ZTBAppointment 64522606-20060213141359",
                                      "ZTBAppointment 64522606-20060213141359",
                                      "ZTBAppointment 64522606-20020930162039"}));

  // Any value but "1" keeps the substring search.
  SetSimpleMagicRestrict("yes");
  mMain::FindMagicMails(*env, Inbox(), groups, appointments);
  EXPECT_EQ(appointments.size(), 3u);

  SetSimpleMagicRestrict("1");
  mMain::FindMagicMails(*env, Inbox(), groups, appointments);
  EXPECT_TRUE(Logged("SimpleMagicRestrict"));
  EXPECT_EQ(Subjects(groups), std::vector<std::string>{"ZTBGroup 64522606-20020930162039"});
  // The subject must equal a marker; results come in folder order.
  EXPECT_EQ(Subjects(appointments), (std::vector<std::string>{"ZTBAppointment 64522606-20020930162039",
                                                              "ZTBAppointment 64522606-20060213141359"}));
  for (const platform::Item& a : appointments) EXPECT_NE(a.Subject().rfind("RE:", 0), 0u);
}

TEST_F(EnvelopeTest, DiscoveryInAnEmptyFolder) {
  std::vector<platform::Item> groups{Put(platform::olMailItem, "stale")};
  std::vector<platform::Item> appointments;
  mMain::FindMagicMails(*env, session->GetDefaultFolder(platform::olFolderSentMail), groups, appointments);
  EXPECT_TRUE(groups.empty());
  EXPECT_TRUE(appointments.empty());
}

TEST_F(EnvelopeTest, GroupMailCarriesTheTextAsAttachment) {
  ASSERT_TRUE(mMain::SendGroupMail(*env, {"bob@example.org", "carol@example.org"}, "msg.version = 3.1\r\nmsg.type = msg.abort"));
  ASSERT_EQ(sent.size(), 1u);
  const platform::Item& mail = sent[0];
  EXPECT_EQ(mail.Subject(), "ZTBGroup 64522606-20020930162039");
  EXPECT_EQ(mail.MessageClass(), "IPM.Note");
  ASSERT_EQ(mail.Recipients().Count(), 2);
  EXPECT_NE(mail.To().find("carol@example.org"), std::string::npos);
  EXPECT_EQ(mail.Body(), "LID_MAGIC_BODY\r\n\r\nCompatibilityVersionMin:2.60.0000\r\nCompatibilityVersionMax:3.99.9999\r\n");
  ASSERT_EQ(mail.Attachments().Count(), 1);
  const platform::Attachment a = mail.Attachments().Item(1);
  EXPECT_EQ(a.FileName(), "Attach.txt");
  EXPECT_EQ(a.DisplayName(), "ZTB");
  EXPECT_EQ(std::string(a.Data().begin(), a.Data().end()), "msg.version = 3.1\r\nmsg.type = msg.abort\r\n");
  EXPECT_FALSE(fs::exists(system->TempDir() / "Attach.txt"));

  // Its header reads back through the safe wrapper.
  const std::vector<std::string> lines = mMain::ReadHeader(mail);
  EXPECT_EQ(mEnvelope::GetStrFromSplit(lines, "CompatibilityVersionMax", true), "3.99.9999");
}

TEST_F(EnvelopeTest, AppointmentMailZipsTheDocumentAndCleansUp) {
  mOptions::g_Options().BackUnit = 1;
  mOptions::g_Options().BackCount = 2;
  mOptions::g_Options().ForwardUnit = 2;
  mOptions::g_Options().ForwardCount = 12;
  const fs::path xml = home / "install" / "SyncSndItems.xml";
  const fs::path itemsZip = home / "install" / "SyncSndItemsAttaches.zip";
  std::ofstream(xml) << "<appointments><added/><changed/><removed/></appointments>";
  std::ofstream(home / "note.txt") << "attached";
  ASSERT_TRUE(mZip::ZipFile(itemsZip.string(), (home / "note.txt").string()));

  ASSERT_TRUE(mMain::SendXml(*env, xml.string(), "bob@example.org", "", itemsZip.string()));
  ASSERT_EQ(sent.size(), 1u);
  const platform::Item& mail = sent[0];
  EXPECT_EQ(mail.Subject(), "ZTBAppointment 64522606-20060213141359");
  const std::vector<std::string> lines = mEnvelope::SplitHeader(mail.Body());
  EXPECT_EQ(mEnvelope::GetStrFromSplit(lines, "Action", false), "");
  EXPECT_EQ(mEnvelope::GetStrFromSplit(lines, "AppVersion", false), "3.01.0459");
  EXPECT_EQ(mEnvelope::GetStrFromSplit(lines, "SenderAddress", false), "alice@example.org");
  EXPECT_EQ(mEnvelope::GetStrFromSplit(lines, "SynchRange", false), "102212");
  EXPECT_EQ(mEnvelope::GetStrFromSplit(lines, "SynchTime", false).size(), 17u);
  ASSERT_EQ(mail.Attachments().Count(), 2);
  EXPECT_EQ(mail.Attachments().Item(1).FileName(), "AttachFile.zip");
  EXPECT_EQ(mail.Attachments().Item(2).DisplayName(), "ItemsAttachments");
  EXPECT_FALSE(fs::exists(xml));
  EXPECT_FALSE(fs::exists(home / "install" / "AttachFile.zip"));
  EXPECT_TRUE(fs::exists(itemsZip));  // the caller's to delete

  // A document that cannot be zipped sends nothing.
  EXPECT_FALSE(mMain::SendXml(*env, (home / "install" / "missing.xml").string(), "bob@example.org", "", ""));
  EXPECT_TRUE(Logged("Error in zip file"));
  EXPECT_EQ(sent.size(), 1u);
}

TEST_F(EnvelopeTest, AFailedSendKeepsTheDocument) {
  const fs::path xml = home / "install" / "SyncSndItems.xml";
  std::ofstream(xml) << "<appointments><added/><changed/><removed/></appointments>";
  Redemption::RDOSession failing(*session, [](const platform::Item&) { throw platform::Error("post office gone"); });
  failing.Logon();
  const mMain::MailEnv failingEnv(failing, *system, *registry, clock, *lang);
  EXPECT_FALSE(mMain::SendXml(failingEnv, xml.string(), "bob@example.org", "", ""));
  EXPECT_TRUE(fs::exists(xml)) << "its items are still to be sent";
  EXPECT_FALSE(fs::exists(home / "install" / "AttachFile.zip"));
}

TEST_F(EnvelopeTest, BadDateTextIsLoggedWithItsLength) {
  EXPECT_TRUE(mEnvelope::CStr2Date("abc").IsZero());
  EXPECT_TRUE(Logged("Len(\"abc\") <> 17"));
  EXPECT_TRUE(mEnvelope::CStr2Date("2006021314:13:59").IsZero());
  EXPECT_TRUE(Logged("Len(\"2006021314:13:59\") <> 17"));
}

}  // namespace
