// The add-in's hooks on the client: explorer windows bringing it up and
// down, appointment windows with their buttons and first activation, and
// the send/receive detector, on real homes and the virtual clock.
#include <gtest/gtest.h>

#include <any>
#include <set>

#include "addin/CExplorersWrapper.h"
#include "addin/CInspectorHooks.h"
#include "addin/CSendRecieveDetector.h"
#include "addin/Connect.h"
#include "groups/CGroups.h"
#include "options/CWinReg.h"
#include "platform/store/Folders.h"
#include "platform/store/Items.h"
#include "support/AddInItems.h"
#include "support/TempHome.h"
#include "sync/CSyncContext.h"
#include "sync/mAppointments.h"

using testing_support::TempDir;
using testing_support::TempHome;

namespace {

using testing_support::SavedAppointment;
using testing_support::Share;

size_t Count(const std::string& text, const std::string& needle) {
  size_t n = 0;
  for (size_t p = text.find(needle); p != std::string::npos; p = text.find(needle, p + 1)) ++n;
  return n;
}

// A started home whose pending sends are counted instead of mailed.
struct CountingHome {
  TempDir dir;
  TempHome home{dir.Path(), "alice", "alice@example.com"};
  int sends = 0;

  explicit CountingHome(int accounts = 1) {
    auto& s = home.Open();
    for (int i = 2; i <= accounts; ++i) s.App().GetSyncObjects().Add("account" + std::to_string(i));
    s.AddIn().GetHooks().SendAppointments = [this](Connect&) { ++sends; };
  }
  host::HostSession& S() { return home.S(); }
  void AdvanceSeconds(int s) { home.Clock().Advance(int64_t{s} * 1000); }
};

}  // namespace

// --- explorers -----------------------------------------------------------------

TEST(Explorers, TwoOpenAtStartInitOnceAndTheSecondOnlyJoins) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  auto& s = alice.Open();
  s.App().GetExplorers().Open("Inbox");
  s.App().GetExplorers().Open("Calendar");
  ASSERT_EQ(s.Start(), Connect::State::Running);  // opens a third, activated at once
  const std::string log = alice.Log();
  EXPECT_EQ(Count(log, "Connect.Init"), 1u);
  EXPECT_EQ(Count(log, "m_oExplorers_OnExplorer -> First Explorer"), 1u);
  EXPECT_EQ(Count(log, "m_oExplorers_OnExplorer -> Next Explorer"), 2u);
  EXPECT_EQ(s.AddIn().ExplorersWrapper()->Count(), 3);
}

TEST(Explorers, ClosingOneOfTwoKeepsTheAddInAndTheLastWindsItDownUntilTheNext) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  auto& s = alice.Open();
  ASSERT_EQ(s.Start(), Connect::State::Running);
  platform::Explorers& ex = s.App().GetExplorers();
  platform::Explorer second = ex.Open("Contacts");
  ex.Close(ex.List().front().id);
  EXPECT_EQ(s.AddIn().GetState(), Connect::State::Running);
  EXPECT_EQ(s.AddIn().ExplorersWrapper()->Count(), 1);
  ex.Close(second.id);
  EXPECT_EQ(s.AddIn().GetState(), Connect::State::Waiting);
  EXPECT_EQ(s.AddIn().ExplorersWrapper()->Count(), 0);
  ex.Open("Calendar");
  EXPECT_EQ(s.AddIn().GetState(), Connect::State::Running);
  EXPECT_EQ(Count(alice.Log(), "Connect.Init"), 2u);
}

TEST(Explorers, AWindowOpenedBehindWaitsForItsFirstActivation) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  auto& s = alice.Open();
  ASSERT_EQ(s.Start(), Connect::State::Running);
  platform::Explorers& ex = s.App().GetExplorers();
  CExplorersWrapper& list = *s.AddIn().ExplorersWrapper();
  platform::Explorer behind = ex.Open("Tasks", /*activate=*/false);
  ASSERT_NE(list.Find(behind.id), nullptr);
  EXPECT_TRUE(list.Find(behind.id)->WaitingActivateEvent());
  EXPECT_EQ(Count(alice.Log(), "Next Explorer"), 0u);
  ex.Activate(behind.id);
  ex.Activate(behind.id);  // later activations report nothing
  EXPECT_FALSE(list.Find(behind.id)->WaitingActivateEvent());
  EXPECT_EQ(Count(alice.Log(), "Next Explorer"), 1u);
  // A waiting window is no running window: closing the only active one
  // leaves the add-in up while the waiting one is still open.
  platform::Explorer waiting = ex.Open("Notes", false);
  ex.Close(behind.id);
  ex.Close(ex.List().front().id);
  EXPECT_EQ(s.AddIn().GetState(), Connect::State::Running);
  ex.Close(waiting.id);
  EXPECT_EQ(s.AddIn().GetState(), Connect::State::Waiting);
}

TEST(Explorers, TheListForwardsSwitchesAndSelectionsAndKeepsEachWindowsObjects) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  auto& s = alice.Open();
  platform::Explorers& ex = s.App().GetExplorers();
  std::vector<std::string> seen;
  CExplorersWrapper::Events events;
  events.OnExplorer = [&](const platform::Explorer& e, bool first, bool) {
    seen.push_back("explorer " + e.caption + (first ? " first" : " next"));
  };
  events.OnCloseAllExplorers = [&] { seen.push_back("all closed"); };
  events.OnExplorerFolderSwitch = [&](const platform::Explorer& e) { seen.push_back("switch " + e.caption); };
  events.OnExplorerSelectionChange = [&](const platform::Explorer& e) { seen.push_back("select " + e.caption); };
  auto list = std::make_shared<CExplorersWrapper>(events);
  platform::Explorer a = ex.Open("A");
  list->Init(ex);
  platform::Explorer b = ex.Open("B");
  ex.SwitchFolder(b.id, s.Session().GetDefaultFolder(platform::olFolderCalendar));
  ex.Select(a.id, {});
  list->Find(a.id)->AddAssociatedObject("Menu", std::make_shared<std::string>("a's menu"));
  EXPECT_EQ(*std::any_cast<std::shared_ptr<std::string>>(list->Find(a.id)->GetAssociatedObject("Menu")), "a's menu");
  EXPECT_FALSE(list->Find(b.id)->GetAssociatedObject("Menu").has_value());
  list->EventFromExplorer("Resize", *list->Find(a.id));
  ex.CloseAll();
  EXPECT_EQ(seen, (std::vector<std::string>{"explorer A first", "explorer B next", "switch B", "select A",
                                            "all closed"}));
  // After a full Done no new window is followed.
  list->Done(true);
  ex.Open("C");
  EXPECT_EQ(list->Count(), 0);
}

// --- appointment windows --------------------------------------------------------

TEST(Inspectors, AnUnreadCalendarItemGetsItsButtonsAndIsMarkedReadOnceWithoutBeingShared) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  auto& s = alice.Open();
  ASSERT_EQ(s.Start(), Connect::State::Running);
  Connect& c = s.AddIn();
  platform::Item item = SavedAppointment(c.fldCalendar(), "Dentist");
  s.Settle();
  g_Sync()->colPending.RemoveAll();
  item.SetUnRead(true);
  mAppointments::ItemSave(item);
  s.Settle();
  int redraws = 0;
  c.SubscribePage([&](Connect::PageEvent e, const std::string&, std::string*) {
    redraws += e == Connect::PageEvent::OnChangeAppointments;
  });

  item.Display();
  platform::Inspector window = s.App().GetInspectors().Find(item);
  ASSERT_TRUE(window);
  platform::CommandBar* bar = window.GetCommandBars().Item("Standard");
  ASSERT_NE(bar, nullptr);
  platform::CommandBarButton group = bar->FindControl("VestrandZTBGroups");
  platform::CommandBarButton recipients = bar->FindControl("VestrandZTBRecipients");
  ASSERT_TRUE(group);
  ASSERT_TRUE(recipients);
  EXPECT_EQ(group.Caption(), "Group");
  EXPECT_EQ(group.TooltipText(), "Create Groups appointment");
  EXPECT_EQ(group.Style(), platform::msoButtonIconAndCaption);
  EXPECT_EQ(recipients.Caption(), "Recipients");
  EXPECT_FALSE(recipients.Visible()) << "only sham copies of meetings show their recipients";
  EXPECT_TRUE(c.InspectorHooks()->CurrentInspector().IsSame(window));

  s.Settle();  // the window shows and is activated
  EXPECT_FALSE(s.Session().GetItemFromID(item.EntryID()).UnRead());
  EXPECT_EQ(g_Sync()->colPending.Count(), 0u) << "marking read is no change to share";
  EXPECT_EQ(redraws, 1);
  EXPECT_FALSE(c.InspectorHooks()->CurrentInspector());
  // Unread again: a later activation of the same window is not handled.
  platform::Item again = s.Session().GetItemFromID(item.EntryID());
  again.SetUnRead(true);
  mAppointments::ItemSave(again);
  s.Settle();
  window.Activate();
  EXPECT_TRUE(s.Session().GetItemFromID(item.EntryID()).UnRead());
  EXPECT_EQ(Count(alice.Log(), "->Inspector.Activate"), 1u);
  window.Close(platform::olDiscard);
  EXPECT_EQ(s.App().GetInspectors().Count(), 0);
}

TEST(Inspectors, WindowsOutsideCalendarAndSharedFolderAndNewerClientsAreTreatedAsTheirRulesSay) {
  struct Row {
    const char* version;
    bool otherFolder;
    bool buttons;
    bool activationHandled;
  };
  for (const Row& r : {Row{"11.0.5608", true, false, false}, Row{"12.0.4518", false, false, true},
                       Row{"10.0.2627", false, true, true}}) {
    SCOPED_TRACE(r.version);
    TempDir dir;
    TempHome alice(dir.Path(), "alice", "alice@example.com", r.version);
    auto& s = alice.Open();
    ASSERT_EQ(s.Start(), Connect::State::Running);
    platform::Folder folder = s.AddIn().fldCalendar();
    if (r.otherFolder)
      folder = s.Session().GetRootFolder().Folders().Add("Projects", platform::olFolderCalendar);
    platform::Item item = SavedAppointment(folder, "Review");
    s.Settle();
    item.SetUnRead(true);
    item.Save();
    s.Settle();
    item.Display();
    platform::Inspector window = s.App().GetInspectors().Find(item);
    ASSERT_TRUE(window);
    EXPECT_EQ(static_cast<bool>(window.GetCommandBars().Item("Standard")->FindControl("VestrandZTBGroups")),
              r.buttons);
    s.Settle();
    EXPECT_EQ(s.Session().GetItemFromID(item.EntryID()).UnRead(), !r.activationHandled);
  }
}

TEST(Inspectors, TheGroupButtonEditsOwnItemsAndOnlyShowsOthersAndTheShamCopyShowsItsRecipients) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  auto& s = alice.Open();
  ASSERT_EQ(s.Start(), Connect::State::Running);
  s.Settle();
  Connect& c = s.AddIn();
  Share(s, "Bob", "bob@example.com");

  platform::Item own = SavedAppointment(c.fldCalendar(), "Own");
  platform::Item foreign = c.g_fldZentab().Items().Add(platform::olAppointmentItem);
  foreign.SetSubject("[Bob] Review");
  mAppointments::SetUserProperty(foreign, mAppointments::kOwnerAddress, "bob@example.com", false);
  mAppointments::SetUserProperty(foreign, mAppointments::kGroups, "Board", false);
  mAppointments::SetUserProperty(foreign, mAppointments::kShamMeeting, "1", false);
  mAppointments::ItemSave(foreign);
  s.Settle();

  // The user picks "Team" for each; only the own item takes it.
  for (platform::Item* item : {&own, &foreign}) {
    item->Display();
    platform::Inspector w = s.App().GetInspectors().Find(*item);
    ASSERT_TRUE(w);
    alice.Prompt().QueueForm(platform::IDOK, {{"Choice", "select"}, {"Checked", "Team"}});
    EXPECT_TRUE(w.GetCommandBars().Item("Standard")->FindControl("VestrandZTBGroups").Execute());
  }
  std::set<std::string> owners;
  for (const auto& shown : alice.Prompt().Shown())
    if (shown.text == "frmSetGroups")
      for (const auto& [k, v] : shown.fields)
        if (k == "Owner") owners.insert(v);
  EXPECT_EQ(owners.size(), 2u) << "the dialog shows for both owners";
  EXPECT_EQ(mAppointments::GetUserProperty(own, mAppointments::kGroups), "Team");
  EXPECT_EQ(mAppointments::GetUserProperty(foreign, mAppointments::kGroups), "Board");

  // The sham copy shows its Recipients button, which opens the recipients dialog.
  platform::CommandBarButton rec =
      s.App().GetInspectors().Find(foreign).GetCommandBars().Item("Standard")->FindControl("VestrandZTBRecipients");
  EXPECT_TRUE(rec.Visible());
  alice.Prompt().QueueResult(platform::IDOK);
  const size_t before = alice.Prompt().Shown().size();
  EXPECT_TRUE(rec.Execute());
  ASSERT_EQ(alice.Prompt().Shown().size(), before + 1);
  EXPECT_EQ(alice.Prompt().Shown().back().text, "frmRecipients");
  // After the add-in shut down the buttons stay on the bar but do nothing.
  s.Stop();
  EXPECT_TRUE(rec.Execute());
  EXPECT_EQ(alice.Prompt().Shown().size(), before + 1);
}

// --- send/receive ----------------------------------------------------------------

TEST(SendRecieve, OneSendPerSendReceiveOfAllAccountsAndNoneWithinFiveSecondsOfStart) {
  // Seconds after the start at which a send/receive runs, and whether it sends.
  struct Step {
    int atSecond;
    bool sends;
  };
  struct Row {
    const char* name;
    int accounts;
    std::vector<Step> steps;
  };
  const std::vector<Row> rows = {
      {"two accounts starting the same second send once", 2, {{10, true}}},
      {"the client's own send/receive at opening sends nothing", 1, {{0, false}, {3, false}, {5, false}}},
      {"more than 5 whole seconds after the start", 1, {{6, true}}},
      {"a second one soon after a counted one", 3, {{7, true}, {12, false}, {13, true}}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    CountingHome h(r.accounts);
    ASSERT_EQ(h.S().Start(), Connect::State::Running);
    int now = 0, expected = 0;
    for (const Step& st : r.steps) {
      h.AdvanceSeconds(st.atSecond - now);
      now = st.atSecond;
      h.S().SendAndReceive();
      expected += st.sends;
      EXPECT_EQ(h.sends, expected) << "at second " << st.atSecond;
    }
    const std::string log = h.home.Log();
    EXPECT_NE(log.find("CSendRecieveDetector.Init: Added " + std::to_string(r.accounts) + " outlook sync objects"),
              std::string::npos);
    EXPECT_EQ(Count(log, "OnSyncStart(" + std::to_string(r.accounts) + ")"), r.steps.size());
    EXPECT_EQ(Count(log, "OnSendReciveStart: Sending appointments"), static_cast<size_t>(expected));
    EXPECT_EQ(Count(log, "OnSendRecieveEnd"), r.steps.size() * r.accounts);
  }
}

TEST(SendRecieve, SwitchedOffByANonZeroNumberAndNotHookedOnTheOldestClient) {
  struct Row {
    const char* notUse;
    const char* version;
    int sends;
  };
  for (const Row& r : {Row{"1", "11.0.5608", 0}, Row{"0", "11.0.5608", 1}, Row{"no", "11.0.5608", 1},
                       Row{"", "9.0.0.2711", 0}}) {
    SCOPED_TRACE(std::string(r.notUse) + " " + r.version);
    TempDir dir;
    TempHome alice(dir.Path(), "alice", "alice@example.com", r.version);
    auto& s = alice.Open();
    CWinReg reg(s.Reg());
    ASSERT_TRUE(reg.InitForWrite(platform::HKEY_CURRENT_USER, "SOFTWARE\\Korvel\\Zentabo", true));
    reg.SetStringValue("NotUseSendRecieve", r.notUse);
    int sends = 0;
    s.AddIn().GetHooks().SendAppointments = [&](Connect&) { ++sends; };
    ASSERT_EQ(s.Start(), Connect::State::Running);
    alice.Clock().Advance(10000);
    s.SendAndReceive();
    EXPECT_EQ(sends, r.sends);
    if (std::string(r.version).rfind("9.", 0) == 0) {
      EXPECT_NE((alice.Log() + alice.ErrLog()).find("Send/Recieve Detecting In Outlook2000 doesnt work"),
                std::string::npos);
      EXPECT_EQ(s.AddIn().SendRecieveDetector()->Count(), 0);
    }
  }
}

TEST(SendRecieve, APendingChangeLeavesAtASendReceiveAndTheMembersPickUpIsOneToo) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  TempHome bob(dir.Path(), "bob", "bob@example.com");
  host::HostSession& a = alice.Open();
  ASSERT_EQ(a.Start(), Connect::State::Running);
  a.Settle();  // the start-up follow-up, before there is anybody to send to
  Share(a, "Bob", "bob@example.com");
  platform::Item item = SavedAppointment(a.AddIn().fldCalendar(), "Lunch");
  a.Settle();
  g_Sync()->colPending.RemoveAll();
  g_Sync()->colPending.Add("Added", item.EntryID(), "11111111-20261205093000", "alice@example.com", "Team", "0", "",
                           item.LastModificationTime(), "");
  alice.Clock().Advance(6000);
  a.SendAndReceive();
  EXPECT_EQ(g_Sync()->colPending.Count(), 0u);
  a.Stop();
  const std::string log = alice.Log();
  EXPECT_NE(log.find("CSendRecieveDetector.Done"), std::string::npos);
  EXPECT_NE(log.find("CSyncObj.Done(1)"), std::string::npos);
  // After shutdown a send/receive reaches no add-in.
  const size_t starts = Count(log, "OnSyncStart(");
  a.App().GetSyncObjects().SendAndReceive({});
  EXPECT_EQ(Count(alice.Log(), "OnSyncStart("), starts);
  alice.Close();

  // Bob's send/receive at opening sends nothing of his but takes the mail
  // in, and the new-mail handling applies it.
  host::HostSession& b = bob.Open();
  ASSERT_EQ(b.Start(), Connect::State::Running);
  Share(b, "Alice", "alice@example.com");
  EXPECT_EQ(b.SendAndReceive(), 1);
  b.Settle();
  std::vector<std::string> subjects;
  for (const platform::Item& i : b.AddIn().g_fldZentab().Items().All()) subjects.push_back(i.Subject());
  EXPECT_EQ(subjects, std::vector<std::string>{"[Alice] Lunch"});
}
