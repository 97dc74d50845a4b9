// Receiving appointment mails: copies made, replaced and removed in the
// shared folder as the members' mails say, the user's own items edited by
// a member who may, full lists, and every kind of bad mail refused with its
// message and nothing changed.
#include <gtest/gtest.h>

#include <map>

#include "appt_world.h"
#include "exchange/mAppointmentXml.h"
#include "exchange/mReceiveAppointments.h"
#include "exchange/mSendAppointments.h"
#include "options/mOptions.h"
#include "platform/ScriptedPrompt.h"
#include "platform/Zip.h"
#include "platform/store/StoreWriteHook.h"
#include "platform/store/Attachments.h"
#include "sync/mAppointments.h"

namespace {

using platform::Date;
using platform::Item;

const Date kMonday = Date::FromParts(2026, 12, 7, 10, 0);

class ReceiveTest : public ApptWorldTest {
 protected:
  // Sends h's queue to everyone who receives it.
  void Send(ApptHome& h) {
    h.Use();
    std::string recipients;
    mSendAppointments::SendAppointments("", recipients);
  }
  // Picks up and reads h's mails; true when there were some.
  bool Receive(ApptHome& h) {
    h.u.delivery->PickUp();
    h.Use();
    std::vector<Item> mails;
    std::vector<Item> groupMails;
    mMain::FindMagicMails(h.u.mail, h.ctx.fldInbox, groupMails, mails);
    return mReceiveAppointments::ReceiveAppointments(mails);
  }
  // The subjects in h's shared folder, sorted.
  static std::vector<std::string> Copies(const ApptHome& h) {
    std::vector<std::string> out;
    for (const Item& i : h.Shared()) out.push_back(i.Subject());
    std::sort(out.begin(), out.end());
    return out;
  }
  static std::string Prop(const Item& item, const char* name) { return mAppointments::GetUserProperty(item, name); }

  std::string AliceAdds(const std::string& subject, const std::string& id, Date start = kMonday) {
    alice->Use();
    Item item = alice->NewAppointment(subject, start);
    alice->Queue("Added", item, id);
    return item.EntryID();
  }
};

TEST_F(ReceiveTest, CopiesAreMadeReplacedAndRemoved) {
  const std::string lunch = AliceAdds("Lunch", "11111111-20261205093000");
  AliceAdds("Review", "22222222-20261205093000");
  Send(*alice);
  ASSERT_TRUE(Receive(*bob));
  EXPECT_EQ(Copies(*bob), (std::vector<std::string>{"[Alice Able] Lunch", "[Alice Able] Review"}));
  EXPECT_EQ(bob->Inbox().size(), 0u) << "the mail is deleted once read";
  EXPECT_EQ(bob->events, std::vector<std::string>{"Appointments"});
  Item copy = mReceiveAppointments::FindItem(bob->ctx.fldZentab, "11111111-20261205093000");
  ASSERT_TRUE(copy);
  EXPECT_EQ(Prop(copy, mAppointments::kOwnerAddress), "alice@example.org");
  EXPECT_EQ(Prop(copy, mAppointments::kGroups), "Team");
  EXPECT_EQ(copy.Start(), kMonday);
  EXPECT_NE(copy.BillingInformation().find("<ztb>" + copy.EntryID() + ";alice@example.org;"), std::string::npos);
  copy.SetReminderSet(true);
  copy.SetReminderMinutesBeforeStart(42);
  copy.Save();

  // A change replaces the copy (keeping Bob's reminder); a removal deletes it.
  alice->Use();
  Item item = alice->u.session->GetItemFromID(lunch);
  item.SetSubject("Long lunch");
  item.Save();
  alice->Queue("Changed", item, "11111111-20261205093000");
  alice->Queue("Removed", Item(), "22222222-20261205093000");
  Send(*alice);
  bob->events.clear();
  ASSERT_TRUE(Receive(*bob));
  EXPECT_EQ(Copies(*bob), std::vector<std::string>{"[Alice Able] Long lunch"});
  Item replaced = mReceiveAppointments::FindItem(bob->ctx.fldZentab, "11111111-20261205093000");
  EXPECT_FALSE(replaced.IsSame(copy)) << "never edited in place";
  EXPECT_TRUE(replaced.ReminderSet());
  EXPECT_EQ(replaced.ReminderMinutesBeforeStart(), 42);
  EXPECT_EQ(bob->events, std::vector<std::string>{"Appointments"});
}

// Counts the store's data-changing statements by their leading words.
class StatementCount : public platform::StoreWriteHook {
 public:
  void BeforeWrite(std::string_view statement) override {
    for (const char* kind : {"INSERT INTO items", "UPDATE items"})
      if (statement.substr(0, std::string_view(kind).size()) == kind) ++counts[kind];
  }
  std::map<std::string, int> counts;
};

TEST_F(ReceiveTest, AChangeMovesTheOldCopyAwayAndWritesTheNewOneWithItsBlockInOneInsert) {
  alice->Use();
  Item item = alice->NewAppointment("Lunch", kMonday);
  alice->Queue("Added", item, "11111111-20261205093000");
  Send(*alice);
  ASSERT_TRUE(Receive(*bob));
  Item old = mReceiveAppointments::FindItem(bob->ctx.fldZentab, "11111111-20261205093000");
  ASSERT_TRUE(old);
  alice->Use();
  item.SetSubject("Long lunch");
  item.Save();
  alice->Queue("Changed", item, "11111111-20261205093000");
  Send(*alice);
  bob->u.delivery->PickUp();
  auto count = std::make_shared<StatementCount>();
  bob->u.session->SetWriteHook(count);
  ASSERT_TRUE(Receive(*bob));
  bob->u.session->SetWriteHook(nullptr);
  // The mail's read flag, the mail and the old copy to Deleted Items; the new copy.
  EXPECT_EQ(count->counts, (std::map<std::string, int>{{"INSERT INTO items", 1}, {"UPDATE items", 3}}));
  Item fresh = mReceiveAppointments::FindItem(bob->ctx.fldZentab, "11111111-20261205093000");
  ASSERT_TRUE(fresh);
  EXPECT_EQ(fresh.Subject(), "[Alice Able] Long lunch");
  EXPECT_NE(fresh.EntryID(), old.EntryID());
  EXPECT_NE(fresh.BillingInformation().find("<ztb>" + fresh.EntryID() + ";alice@example.org;"), std::string::npos);
  EXPECT_TRUE(fresh.Saved());
}

TEST_F(ReceiveTest, UnknownChangesAreCreatedAndUnknownRemovalsChangeNothing) {
  alice->Use();
  alice->Queue("Changed", alice->NewAppointment("Late news", kMonday), "11111111-20261205093000");
  alice->Queue("Removed", Item(), "99999999-20261205093000");
  Send(*alice);
  Receive(*bob);
  EXPECT_EQ(Copies(*bob), std::vector<std::string>{"[Alice Able] Late news"});
}

TEST_F(ReceiveTest, TheReceivedVersionReplacesAnUnsentLocalChange) {
  AliceAdds("Lunch", "11111111-20261205093000");
  Send(*alice);
  Receive(*bob);
  bob->ctx.colPending.Add("Changed", "x", "11111111-20261205093000", "alice@example.org", "Team", "0", "",
                          Date(), "");
  alice->Use();
  alice->Queue("Changed", alice->NewAppointment("Lunch moved", kMonday), "11111111-20261205093000");
  Send(*alice);
  Receive(*bob);
  EXPECT_EQ(bob->ctx.colPending.Count(), 0u);
}

TEST_F(ReceiveTest, MyItemEditedByAMemberFollowsInMyCalendarAndIsSentOn) {
  // Bob holds a copy of Alice's item and changes it; Alice's calendar follows.
  const std::string id = "11111111-20261205093000";
  alice->Use();
  Item mine = alice->NewAppointment("Planning", kMonday);
  mAppointments::SetUserProperty(mine, mAppointments::kItemID, id, true);
  Item myCopy = mAppointments::CopyItem(mine, alice->ctx.fldZentab);
  alice->Queue("Added", mine, id);
  Send(*alice);
  Receive(*bob);

  bob->Use();
  Item bobs = mReceiveAppointments::FindItem(bob->ctx.fldZentab, id);
  ASSERT_TRUE(bobs);
  bobs.SetSubject("[Alice Able] Planning (room 2)");
  bobs.Save();
  bob->ctx.colPending.Add("Changed", bobs.EntryID(), id, "alice@example.org", "Team", "0", "", Date(), "");
  std::string toAlice = "alice@example.org";
  mSendAppointments::SendAppointments("", toAlice);
  ASSERT_TRUE(Receive(*alice));

  std::vector<std::string> calendar;
  for (const Item& i : alice->ctx.fldCalendar.Items().All()) calendar.push_back(i.Subject());
  EXPECT_EQ(calendar, std::vector<std::string>{"Planning (room 2)"}) << "no owner prefix on my own item";
  EXPECT_EQ(Copies(*alice), std::vector<std::string>{"Planning (room 2)"});
  ASSERT_EQ(alice->ctx.colPending.Count(), 1u) << "sent on to the others";
  EXPECT_EQ(alice->ctx.colPending.begin()->m_strAction, "Changed");
}

TEST_F(ReceiveTest, AMemberOutsideTheItemsGroupsMayNotEditMyItem) {
  // Carol claims a change of Alice's item shared with "Board", a group
  // Carol is not in.
  const std::string id = "11111111-20261205093000";
  carol->Use();
  Item forged = carol->NewAppointment("Takeover", kMonday);
  carol->ctx.colPending.Add("Changed", forged.EntryID(), id, "alice@example.org", "Board", "0", "", Date(), "");
  std::string toAlice = "alice@example.org";
  mSendAppointments::SendAppointments("", toAlice);
  Receive(*alice);
  EXPECT_TRUE(log.Logged("Rejecting Received Item from carol@example.org with groups = Board"));
  EXPECT_EQ(alice->SharedCount(), 0);
  EXPECT_EQ(alice->ctx.fldCalendar.Items().Count(), 0);
}

TEST_F(ReceiveTest, SyncModes) {
  struct Case {
    const char* name;
    std::string sender, owner, sham, recips;
    int mode;
    const char* warning;
  };
  const std::string me = "me@x.org";
  const std::vector<Case> cases = {
      {"my plain item", "s@x.org", "ME@x.org", "0", "", 1, nullptr},
      {"my meeting, sender not invited", "s@x.org", me, "1", "me@x.org;o@x.org", 1, nullptr},
      {"my meeting, sender invited", "s@x.org", me, "1", "me@x.org; S@x.org", -1, nullptr},
      {"my meeting without me", "s@x.org", me, "1", "o@x.org", -1,
       "Current user is owner of meeting and not in recipients.Owner : <me@x.org> , Recipients : <o@x.org>."},
      {"sender's plain item", "s@x.org", "s@x.org", "", "", 0, nullptr},
      {"sender's meeting, me invited", "s@x.org", "s@x.org", "3", "s@x.org;me@x.org", -1, nullptr},
      {"sender's meeting, me not", "s@x.org", "s@x.org", "3", "s@x.org;o@x.org", 0, nullptr},
      {"sender's meeting without him", "s@x.org", "s@x.org", "3", "o@x.org", -1,
       "Sender user is owner of meeting and not in recipients.Sender : <s@x.org> , Recipients : <o@x.org>."},
      {"third owner's item", "s@x.org", "o@x.org", "0", "", 0, nullptr},
      {"third owner's meeting", "s@x.org", "o@x.org", "1", "o@x.org", 0, nullptr},
      {"third owner's meeting without him", "s@x.org", "o@x.org", "1", "s@x.org", -1,
       "owner of meeting not in recipients.Owner : <o@x.org> , Recipients : <s@x.org>."},
  };
  for (const Case& c : cases) {
    log.Clear();
    EXPECT_EQ(mReceiveAppointments::GetSyncMode(c.sender, me, c.owner, c.sham, c.recips), c.mode) << c.name;
    if (c.warning) {
      EXPECT_TRUE(log.Logged(c.warning)) << c.name;
    }
  }
}

TEST_F(ReceiveTest, WhoMayEditMyItem) {
  Team(*alice, {alice.get(), carol.get()}, "Other");
  struct Case {
    std::string sender, groups;
    bool allowed;
    const char* logged;
  };
  for (const Case& c : std::vector<Case>{
           {"bob@example.org", "", true, nullptr},
           {"BOB@example.org", "(All Groups)", true, nullptr},
           {"mallory@example.org", "(All Groups)", false, "Rejecting Received Item from mallory@example.org"},
           {"bob@example.org", "(Null Group)", false, "Decline my appointment from (bob@example.org) with NULL_GROUP"},
           {"bob@example.org", "Other", false, "Rejecting Received Item from bob@example.org with groups = Other"},
           {"carol@example.org", "Other", true, nullptr},
           {"bob@example.org", "Other;Team", true, nullptr},
           {"bob@example.org", "(All Groups);Other", false, "Invalid ItemGroups - (All Groups);Other"},
           {"bob@example.org", "Gone", false, nullptr},
       }) {
    log.Clear();
    EXPECT_EQ(mReceiveAppointments::SenderCanEditMyItem(*alice->u.groups, c.sender, c.groups), c.allowed)
        << c.sender << " " << c.groups;
    if (c.logged) {
      EXPECT_TRUE(log.Logged(c.logged)) << c.logged;
    }
  }
}

TEST_F(ReceiveTest, AFullListRemovesTheCopiesItDoesNotName) {
  AliceAdds("Kept", "11111111-20261205093000");
  AliceAdds("Dropped", "22222222-20261205093000");
  Send(*alice);
  Receive(*bob);
  ASSERT_EQ(bob->SharedCount(), 2);

  alice->Use();
  alice->Queue("Changed", alice->NewAppointment("Kept", kMonday), "11111111-20261205093000");
  std::string recipients;
  mSendAppointments::SendAppointments("Respond", recipients);
  Receive(*bob);
  EXPECT_EQ(Copies(*bob), std::vector<std::string>{"[Alice Able] Kept"});

  alice->Use();
  alice->Queue("Changed", alice->NewAppointment("Kept", kMonday), "11111111-20261205093000");
  mSendAppointments::SendAppointments("Request", recipients);
  Receive(*bob);
  EXPECT_TRUE(log.Logged("SyncAll Respond was disabled"));
}

TEST_F(ReceiveTest, ProgressShowsTheSenderAndTheSections) {
  mOptions::g_Options().ShowProgressBarOnReceiving = true;
  AliceAdds("Lunch", "11111111-20261205093000");
  alice->Queue("Removed", Item(), "22222222-20261205093000");
  Send(*alice);
  Receive(*bob);
  mOptions::g_Options().ShowProgressBarOnReceiving = false;
  const auto& shown = bob->u.prompt.Progresses();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NE(shown[0].caption.find("Alice Able (alice@example.org)"), std::string::npos) << shown[0].caption;
  EXPECT_EQ(shown[0].texts, (std::vector<std::string>{"LID_PROCESSING_NEW_ITEMS", "LID_PROCESSING_REMOVED_ITEMS"}));
  EXPECT_EQ(shown[0].percents, (std::vector<int>{50, 100}));
  EXPECT_FALSE(shown[0].open);
}

// --- bad mails ---------------------------------------------------------------

// One appointment mail put straight into the Inbox.
struct BadMail {
  const char* name = "";
  std::string logged;               // the text the refusal logs
  std::string sender = "alice@example.org";
  std::string min = "2.60.0000", max = "3.99.9999";
  std::string action, synchTime = "20261205 08:30:00";
  // The first attachment's file name and content ("" name: no attachment);
  // the content is the zipped document unless given.
  std::string attachName = "AttachFile.zip";
  std::string document = "good";
  bool stays = false;  // left unread in the Inbox
};

class BadMailTest : public ReceiveTest, public ::testing::WithParamInterface<BadMail> {
 protected:
  std::filesystem::path Scratch() const { return world.root / "scratch"; }

  // A document of one added item of `owner`.
  std::string Document(const std::string& owner, const std::string& extra = "") {
    CXmlAppointments xml((Scratch() / "doc.xml").string());
    xml.Create();
    xml.SetCurNode(CXmlAppointments::ntAdded);
    xml.CreateItem();
    mAppointmentXml::ItemHeader h;
    h.strItemID = "11111111-20261205093000";
    h.strOwner = owner;
    h.strGroups = "Team";
    h.dLastMod = kMonday;
    mAppointmentXml::WriteItemHeader(xml, h, 0);
    xml.WriteItemProp("Subject", "Smuggled");
    xml.WriteItemProp("Start", "20261207 09:00:00");
    xml.WriteItemProp("End", "20261207 10:00:00");
    std::ostringstream out;
    xml.CurNode().root().print(out, "", pugi::format_raw);
    std::string text = out.str();
    if (!extra.empty()) text.insert(text.find("</added>"), extra);
    return text;
  }
  platform::Bytes Zip(const std::string& entry, const std::string& content) {
    std::filesystem::create_directories(Scratch());
    const auto file = Scratch() / "entry";
    const auto zip = Scratch() / "mail.zip";
    std::filesystem::remove(zip);
    platform::FileUtil::WriteFile(file, content);
    platform::Zip::AddFile(zip, file, entry, 6);
    const std::string bytes = platform::FileUtil::ReadFile(zip);
    return platform::Bytes(bytes.begin(), bytes.end());
  }
  platform::Bytes Attachment(const BadMail& m) {
    if (m.document == "good") return Zip("SyncSndItems.xml", Document("alice@example.org"));
    if (m.document == "stranger") return Zip("SyncSndItems.xml", Document("mallory@example.org"));
    if (m.document == "misplaced") return Zip("SyncSndItems.xml", Document("dave@example.org", "<thing/>"));
    if (m.document == "empty") return Zip("SyncSndItems.xml", "");
    if (m.document == "malformed") return Zip("SyncSndItems.xml", "<appointments><added>");
    if (m.document == "escaping") return Zip("../SyncRcvItems.xml", Document("alice@example.org"));
    if (m.document == "huge") return Zip("SyncSndItems.xml", std::string(64 << 10, ' ') + Document("alice@example.org"));
    return platform::Bytes(m.document.begin(), m.document.end());
  }
  void Put(const BadMail& m) {
    Item mail = bob->ctx.fldInbox.Items().Add(platform::olMailItem);
    mail.SetSubject(mEnvelope::kAppointmentMarker);
    mail.Set("SenderEmailAddress", m.sender);
    std::string body = "Zentabo\r\n\r\nAction:" + m.action + "\r\nAppVersion:3.01.0459\r\n";
    if (!m.min.empty()) body += "CompatibilityVersionMin:" + m.min + "\r\n";
    if (!m.max.empty()) body += "CompatibilityVersionMax:" + m.max + "\r\n";
    body += "SenderAddress:" + m.sender + "\r\nSynchRange:102212\r\n";
    if (!m.synchTime.empty()) body += "SynchTime:" + m.synchTime;
    mail.SetBody(body);
    if (!m.attachName.empty()) mail.Attachments().AddData(m.attachName, Attachment(m));
    mail.SetUnRead(true);
    mail.Save();
  }
};

TEST_P(BadMailTest, IsRefusedWithItsMessageAndChangesNothing) {
  const BadMail& m = GetParam();
  const uint64_t limit = mZip::SetExtractLimit(32 << 10);
  bob->Use();
  Put(m);
  Receive(*bob);
  mZip::SetExtractLimit(limit);
  EXPECT_TRUE(log.Logged(m.logged)) << m.name << "\n" << log.Text();
  EXPECT_EQ(bob->SharedCount(), 0) << m.name;
  EXPECT_EQ(bob->ctx.fldCalendar.Items().Count(), 0) << m.name;
  EXPECT_TRUE(bob->events.empty()) << m.name;
  EXPECT_EQ(bob->Inbox().size(), m.stays ? 1u : 0u) << m.name;
  if (m.stays) {
    EXPECT_TRUE(bob->Inbox()[0].UnRead());
  }
}

BadMail Make(const char* name, std::string logged, std::function<void(BadMail&)> change = {}) {
  BadMail m;
  m.name = name;
  m.logged = std::move(logged);
  if (change) change(m);
  return m;
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, BadMailTest,
    ::testing::Values(
        Make("unsupported_version", "Ignore mail from unsupported version range [4.00.0000, 4.99.9999]",
             [](BadMail& m) {
               m.min = "4.00.0000";
               m.max = "4.99.9999";
               m.stays = true;
             }),
        Make("non_member", "Sender <mallory@example.org> is not member of any group.",
             [](BadMail& m) { m.sender = "mallory@example.org"; }),
        Make("from_me", "Sender mail address is equal to current user address, <BOB@example.org>",
             [](BadMail& m) { m.sender = "BOB@example.org"; }),
        Make("no_attachment", "No attached file.", [](BadMail& m) { m.attachName = ""; }),
        Make("wrong_extension", "Incorrect format of the attached file <AttachFile.xml>.",
             [](BadMail& m) { m.attachName = "AttachFile.xml"; }),
        Make("corrupt_zip", "UnZipFile function return an error.", [](BadMail& m) { m.document = "PK not a zip"; }),
        Make("escaping_entry", "UnZipFile function return an error.", [](BadMail& m) { m.document = "escaping"; }),
        Make("past_the_cap", "UnZipFile function return an error.", [](BadMail& m) { m.document = "huge"; }),
        Make("empty_document", "SyncRcvItems.xml file is an empty.", [](BadMail& m) { m.document = "empty"; }),
        Make("malformed_document", "SyncRcvItems.xml file has not valid format.",
             [](BadMail& m) { m.document = "malformed"; }),
        Make("full_list_without_time", "Synchronization time is not defined.",
             [](BadMail& m) {
               m.action = "Respond";
               m.synchTime = "";
             }),
        Make("unknown_full_list", "Not valid action.", [](BadMail& m) { m.action = "Gimme"; }),
        Make("owner_no_member", "Owner <mallory@example.org> is not member of any group.",
             [](BadMail& m) { m.document = "stranger"; }),
        Make("element_out_of_place", "Unexpected element <thing> in section <added>.",
             [](BadMail& m) { m.document = "misplaced"; })),
    [](const ::testing::TestParamInfo<BadMail>& info) { return std::string(info.param.name); });

TEST_F(BadMailTest, ALowerCaseZm9AndAMissingVersionWindowAreAccepted) {
  BadMail m = Make("old", "");
  m.attachName = "AttachFile.zm9";
  m.min = m.max = "";
  bob->Use();
  Put(m);
  Receive(*bob);
  EXPECT_TRUE(log.Logged("mail from <= 2.60 version"));
  EXPECT_EQ(Copies(*bob), std::vector<std::string>{"[Alice Able] Smuggled"});
}

}  // namespace
