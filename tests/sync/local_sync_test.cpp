// Local synchronisation on a real profile: the full pass repairs what item
// events missed while the add-in was off, the fast pass looks only at what
// changed since its last run, and the group passes follow the groups.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "exchange/mMain.h"
#include "groups/CGroups.h"
#include "lang/CLang.h"
#include "options/COptions.h"
#include "options/mOptions.h"
#include "platform/Clock.h"
#include "platform/Registry.h"
#include "platform/ScriptedPrompt.h"
#include "platform/store/RecurrencePattern.h"
#include "support/ProfileFixture.h"
#include "sync/CSyncContext.h"
#include "sync/mAppointments.h"
#include "sync/mLocalSync.h"

namespace {

using mAppointments::GetUserProperty;
using platform::Date;
using platform::Item;

const std::string kMe = "alice@example.org";
const std::string kStore = "STOREKEY01";

class LocalSyncTest : public testing_support::ProfileFixture {
 protected:
  LocalSyncTest() {
    registry = std::make_unique<platform::Registry>(dir.Path() / "registry");
    lang = std::make_unique<CLang>((dir.Path() / "install").string());
    mail = std::make_unique<mMain::MailEnv>(*rdo, *system, *registry, clock, *lang, [] { return kMe; });
    genv.strCurEmail = kMe;
    genv.strCurName = "Alice Able";
    genv.pPrompt = &prompt;
    groups = std::make_unique<CGroups>(genv);
    auto team = std::make_shared<CGroup>();
    team->strName = "Team";
    team->strKey = "11111111-20061201080000";
    team->Add(Member(kMe, "Alice Able", true));
    team->Add(Member("bob@example.org", "Bob Baker", false));
    groups->Add(team);

    mOptions::g_Options() = {};
    ctx.pSession = session.get();
    ctx.pRdo = rdo.get();
    ctx.pGroups = groups.get();
    ctx.pLang = lang.get();
    ctx.pPrompt = &prompt;
    ctx.pSystem = system.get();
    ctx.pMail = mail.get();
    ctx.strStoreId = kStore;
    ctx.strMe = kMe;
    ctx.strOutlookMajor = "10";
    ctx.fldCalendar = Calendar();
    ctx.fldZentab = Shared();
    ctx.fldInbox = session->GetDefaultFolder(platform::olFolderInbox);
    ctx.fldSentItems = session->GetDefaultFolder(platform::olFolderSentMail);
    ctx.fldDeletedItems = session->GetDefaultFolder(platform::olFolderDeletedItems);
    ctx.CheckRights = [](const std::string&, const std::string&) { return true; };
    ctx.dSyncStart = Date::FromParts(2000, 1, 1);
    ctx.dSyncEnd = Date::FromParts(2100, 1, 1);
    session->SetClock([this] { return modTime; });
    SetGlobalSync(&ctx);
  }
  ~LocalSyncTest() override {
    SetGlobalSync(nullptr);
    mOptions::g_Options() = {};
  }

  static MemberPtr Member(const std::string& email, const std::string& name, bool me) {
    auto m = std::make_shared<CMember>();
    m->strKey = me ? "22222222-20061201080000" : "33333333-20061201080000";
    m->strEmail = email;
    m->strName = name;
    m->nRole = me ? ROLE_MANAGER : ROLE_MEMBER;
    m->bShare = true;
    m->IsMySelf = me;
    return m;
  }

  Item Appointment(const platform::Folder& folder, const std::string& subject) {
    Item item = NewAppointment(folder, subject);
    item.SetStart(Date::FromParts(2026, 12, 10, 9, 0));
    item.SetDuration(60);
    item.Save();
    return item;
  }
  // A copy of another member, as receiving leaves it in the shared folder.
  Item ForeignCopy(const std::string& owner, const std::string& id, const std::string& groups) {
    Item item = Appointment(Shared(), "[Owner] Budget talk");
    item.SetLocation("Room 4");
    item.SetBody("the numbers");
    item.SetCategories("Finance");
    mAppointments::SetUserProperty(item, mAppointments::kOwnerAddress, owner, false);
    mAppointments::SetUserProperty(item, mAppointments::kItemID, id, false);
    mAppointments::SetUserProperty(item, mAppointments::kGroups, groups, true);
    return item;
  }
  // Shares everything in the calendar as the add-in would have, and forgets
  // what that queued.
  void ShareAll() {
    ASSERT_TRUE(mAppointments::LocalSynchronization());
    ctx.colPending.RemoveAll();
  }
  std::vector<Item> All(const platform::Folder& f) const { return f.Items().All(); }
  // The item as stored now: a handle taken before a pass does not see its writes.
  Item Fresh(const Item& item) const { return session->GetItemFromID(item.EntryID()); }
  std::string Prop(const Item& item, const std::string& name) const { return GetUserProperty(Fresh(item), name); }
  std::vector<Item> CopiesOf(const std::string& id) const {
    return session->FindByUserProperty(ctx.fldZentab, mAppointments::kItemID, id);
  }
  std::string Action(const std::string& id) {
    const CAppointment* rec = ctx.colPending.Item(id);
    return rec ? rec->m_strAction : "";
  }
  bool NeedLocalSync() { return COptions(*registry, kStore).NeedLocalSync(); }
  std::string StoredSynchDate() {
    std::string text;
    mOptions::GetOptionText(*registry, kStore, "AutoLSynchDate", text);
    return text;
  }

  platform::VirtualClock clock{Date::FromParts(2026, 12, 5, 10, 0, 0)};
  Date modTime = ModTime();
  std::unique_ptr<platform::Registry> registry;
  std::unique_ptr<CLang> lang;
  std::unique_ptr<mMain::MailEnv> mail;
  platform::ScriptedPrompt prompt;
  CGroupsEnv genv;
  std::unique_ptr<CGroups> groups;
  CSyncContext ctx;
};

TEST(NormalizeGroups, KeepsOnlyExistingGroups) {
  struct Row {
    std::string in, out;
    bool changed;
  } rows[] = {
      {"", "", false},
      {"(All Groups)", "(All Groups)", false},
      {"(Null Group)", "(Null Group)", false},
      {"Team", "Team", false},
      {"Team;Other", "Team;Other", false},
      {"Team;Gone", "Team", true},
      {"Gone", "(Null Group)", true},
      {"team", "(Null Group)", true},  // names compare exactly
      {"Gone;Other;Old", "Other", true},
  };
  for (const Row& r : rows) {
    std::string groups = r.in;
    EXPECT_EQ(mAppointments::NormalizeGroups(groups, "Team;Other"), r.changed) << r.in;
    EXPECT_EQ(groups, r.out) << r.in;
  }
}

TEST_F(LocalSyncTest, FullPassTakesOverForeignOwnersAndSharesNewItems) {
  Item plain = Appointment(Calendar(), "Dentist");
  Item taken = Appointment(Calendar(), "Pasted from carol");
  mAppointments::SetUserProperty(taken, mAppointments::kOwnerAddress, "carol@example.org", true);

  ASSERT_TRUE(mAppointments::LocalSynchronization());

  for (Item item : {plain, taken}) {
    const std::string id = Prop(item, mAppointments::kItemID);
    ASSERT_EQ(id.size(), 23u) << item.Subject();
    EXPECT_EQ(Prop(item, mAppointments::kOwnerAddress), kMe);
    const std::vector<Item> copies = CopiesOf(id);
    ASSERT_EQ(copies.size(), 1u) << item.Subject();
    EXPECT_EQ(Prop(item, mAppointments::kReferID), copies[0].EntryID());
    EXPECT_EQ(GetUserProperty(copies[0], mAppointments::kReferID), item.EntryID());
    EXPECT_EQ(Action(id), "Added");
  }
  EXPECT_TRUE(Logged(" Calendar.OtherOwner detected 'carol@example.org'"));
  EXPECT_TRUE(Logged("Calendar.NewItem detected"));

  // A second pass over consistent folders changes nothing and queues nothing.
  ctx.colPending.RemoveAll();
  const Date before = Fresh(plain).LastModificationTime();
  modTime = modTime.Add("n", 5);
  ASSERT_TRUE(mAppointments::LocalSynchronization());
  EXPECT_EQ(ctx.colPending.Count(), 0u);
  EXPECT_EQ(All(Shared()).size(), 2u);
  EXPECT_EQ(Fresh(plain).LastModificationTime(), before) << "nothing rewritten";
  EXPECT_EQ(Fresh(CopiesOf(Prop(plain, mAppointments::kItemID)).at(0)).LastModificationTime(), before);
}

TEST_F(LocalSyncTest, DuplicateIdIsSharedAgainUnderANewId) {
  Item first = Appointment(Calendar(), "Standup");
  ShareAll();
  const std::string id = Prop(first, mAppointments::kItemID);
  // A second calendar item with the same properties (the user copied it).
  Item second = Fresh(first).Copy();

  ASSERT_TRUE(mAppointments::LocalSynchronization());

  const std::string newId = Prop(second, mAppointments::kItemID);
  EXPECT_TRUE(Logged("Calendar.Item is not unique"));
  ASSERT_FALSE(newId.empty());
  EXPECT_NE(newId, id);
  EXPECT_EQ(Prop(first, mAppointments::kItemID), id) << "the first keeps its id";
  ASSERT_EQ(CopiesOf(id).size(), 1u);
  EXPECT_EQ(GetUserProperty(CopiesOf(id)[0], mAppointments::kReferID), first.EntryID());
  ASSERT_EQ(CopiesOf(newId).size(), 1u);
  EXPECT_EQ(All(Shared()).size(), 2u);
  EXPECT_EQ(Action(newId), "Added");
  EXPECT_EQ(Action(id), "");
}

TEST_F(LocalSyncTest, CopyOfAVanishedCalendarItemIsRemovedAndItsRemovalQueued) {
  Item gone = Appointment(Calendar(), "Cancelled trip");
  Item kept = Appointment(Calendar(), "Review");
  ShareAll();
  const std::string goneId = Prop(gone, mAppointments::kItemID);
  // Deleted while the add-in was not running: no event reached it.
  Fresh(gone).Delete();

  ASSERT_TRUE(mAppointments::LocalSynchronization());

  EXPECT_TRUE(Logged("Zentab.DeletedItem detected"));
  EXPECT_TRUE(CopiesOf(goneId).empty());
  EXPECT_EQ(Action(goneId), "Removed");
  EXPECT_EQ(CopiesOf(Prop(kept, mAppointments::kItemID)).size(), 1u);
  EXPECT_EQ(ctx.colPending.Count(), 1u);
}

TEST_F(LocalSyncTest, MissingCopyIsRecreatedWithoutSending) {
  Item item = Appointment(Calendar(), "Yoga");
  ShareAll();
  const std::string id = Prop(item, mAppointments::kItemID);
  Item copy = CopiesOf(id).at(0);
  copy.Delete();
  session->GetItemFromID(copy.EntryID()).Delete();  // for good, from Deleted Items

  ASSERT_TRUE(mAppointments::LocalSynchronization());

  const std::vector<Item> copies = CopiesOf(id);
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_EQ(Prop(item, mAppointments::kReferID), copies[0].EntryID());
  EXPECT_EQ(ctx.colPending.Count(), 0u);
  EXPECT_EQ(ctx.fldSentItems.Items().Count(), 0);
  EXPECT_TRUE(Logged("LocalSynchronization: Restoring unlink appointments  = 1"));
}

TEST_F(LocalSyncTest, ItemCreatedInTheSharedFolderMovesIntoTheCalendarAsAdded) {
  Item made = Appointment(Shared(), "Team lunch");

  ASSERT_TRUE(mAppointments::LocalSynchronization());

  EXPECT_TRUE(Logged("Zentab.NewItem detected (copying)"));
  const std::vector<Item> calendar = All(Calendar());
  ASSERT_EQ(calendar.size(), 1u);
  const std::string id = GetUserProperty(calendar[0], mAppointments::kItemID);
  ASSERT_FALSE(id.empty());
  EXPECT_EQ(calendar[0].Subject(), "Team lunch");
  EXPECT_EQ(GetUserProperty(calendar[0], mAppointments::kOwnerAddress), kMe);
  EXPECT_EQ(Action(id), "Added");
  EXPECT_EQ(CopiesOf(id).size(), 1u) << "one copy in the shared folder";
  EXPECT_EQ(All(Shared()).size(), 1u);
}

TEST_F(LocalSyncTest, ForeignCopiesFollowTheGroups) {
  Item vanished = ForeignCopy("bob@example.org", "44444444-20261201080000", "Gone");
  Item shared = ForeignCopy("bob@example.org", "55555555-20261201080000", "Team");
  Item stranger = ForeignCopy("dave@example.org", "66666666-20261201080000", "Team");

  ASSERT_TRUE(mAppointments::LocalSynchronization());

  Item blank = Fresh(vanished);
  EXPECT_EQ(GetUserProperty(blank, mAppointments::kGroups), "(Null Group)");
  EXPECT_EQ(blank.Subject(), "");
  EXPECT_EQ(blank.Location(), "");
  EXPECT_EQ(blank.Body(), "");
  EXPECT_EQ(blank.Categories(), "");
  EXPECT_EQ(blank.BusyStatus(), 2);
  EXPECT_EQ(blank.Start(), Date::FromParts(2026, 12, 10, 9, 0)) << "the busy time stays";
  EXPECT_TRUE(Logged("Zentab.NullGroup Item detected"));

  Item kept = Fresh(shared);
  EXPECT_EQ(kept.Subject(), "[Owner] Budget talk");
  EXPECT_NE(kept.BillingInformation().find("bob@example.org"), std::string::npos);

  EXPECT_TRUE(CopiesOf("66666666-20261201080000").empty());
  EXPECT_TRUE(Logged("Zentab.Other Owner(dave@example.org) detected, deleting"));
  EXPECT_EQ(ctx.colPending.Count(), 0u) << "nothing of other members is sent";
  EXPECT_TRUE(All(Calendar()).empty());
}

TEST_F(LocalSyncTest, ABlankedSeriesKeepsNoTextInItsChangedOccurrences) {
  Item series = ForeignCopy("bob@example.org", "12121212-20261201080000", "Gone");
  platform::RecurrencePattern pattern = series.GetRecurrencePattern();
  pattern.SetRecurrenceType(platform::olRecursDaily);
  pattern.SetDayOfWeekMask(0);  // every day
  pattern.SetOccurrences(5);
  series.Save();
  Item special = Fresh(series).GetOccurrence(Date::FromParts(2026, 12, 12));
  special.SetSubject("[Owner] Special budget talk");
  special.SetLocation("Board room");
  special.Save();

  ASSERT_TRUE(mAppointments::LocalSynchronization());

  Item blank = Fresh(series);
  EXPECT_EQ(blank.Subject(), "");
  EXPECT_EQ(GetUserProperty(blank, mAppointments::kGroups), "(Null Group)");
  const auto exceptions = blank.GetRecurrencePattern().Exceptions();
  ASSERT_EQ(exceptions.size(), 1u);
  Item occurrence = exceptions[0].AppointmentItem();
  EXPECT_EQ(occurrence.Subject(), "");
  EXPECT_EQ(occurrence.Location(), "");
  EXPECT_EQ(occurrence.BusyStatus(), 2);
}

TEST_F(LocalSyncTest, UpdateItemsGroupsDeletesCopiesOfAnOwnerWhoLeftEveryGroup) {
  Item bobs = ForeignCopy("bob@example.org", "77777777-20261201080000", "Team");
  Item mine = Appointment(Calendar(), "Planning");
  mAppointments::SetUserProperty(mine, mAppointments::kGroups, "Team", true);
  ShareAll();
  // Bob leaves; the group is renamed.
  GroupPtr team = groups->FindByName("Team");
  team->Remove(team->FindByEmail("bob@example.org")->strKey);
  team->strName = "Crew";

  mAppointments::UpdateItemsGroups();

  EXPECT_TRUE(CopiesOf("77777777-20261201080000").empty());
  const std::string id = Prop(mine, mAppointments::kItemID);
  EXPECT_EQ(GetUserProperty(CopiesOf(id).at(0), mAppointments::kGroups), "(Null Group)");
  EXPECT_EQ(Prop(mine, mAppointments::kGroups), "(Null Group)");
  EXPECT_EQ(Fresh(mine).Subject(), "Planning") << "own items are never blanked";
  EXPECT_TRUE(Logged("UpdateItemsGroups, DeleteItem, owner = bob@example.org"));
}

TEST_F(LocalSyncTest, CancelledPassDeletesAndClearsNothing) {
  Item gone = Appointment(Calendar(), "Old");
  Appointment(Calendar(), "Current");
  ShareAll();
  const std::string stored = StoredSynchDate();
  const std::string goneId = Prop(gone, mAppointments::kItemID);
  Fresh(gone).Delete();
  COptions(*registry, kStore).NeedLocalSync(true);
  clock.Advance(60000);

  prompt.CancelProgressAt(50);
  EXPECT_FALSE(mAppointments::LocalSynchronization());
  EXPECT_EQ(CopiesOf(goneId).size(), 1u);
  EXPECT_TRUE(NeedLocalSync());
  EXPECT_EQ(StoredSynchDate(), stored);
  ASSERT_FALSE(prompt.Progresses().empty());
  EXPECT_FALSE(prompt.Progresses().back().open) << "the window is closed";

  prompt.CancelProgressAt(-1);
  EXPECT_TRUE(mAppointments::LocalSynchronization());
  EXPECT_TRUE(CopiesOf(goneId).empty());
  EXPECT_FALSE(NeedLocalSync());
  EXPECT_EQ(StoredSynchDate(), mOptions::SynchDateText(clock.Now()));
}

TEST_F(LocalSyncTest, CleanModeStripsAndSharesAgainWithoutQueuing) {
  Item item = Appointment(Calendar(), "Carried over");
  mAppointments::SetUserProperty(item, mAppointments::kItemID, "88888888-20001201080000", false);
  mAppointments::SetUserProperty(item, mAppointments::kReferID, "no longer there", false);
  mAppointments::SetUserProperty(item, "VestrandSomethingOld", "x", true);
  ctx.bCleanMode = true;

  ASSERT_TRUE(mAppointments::LocalSynchronization());

  EXPECT_FALSE(ctx.bCleanMode);
  Item reread = Fresh(item);
  const std::string id = GetUserProperty(reread, mAppointments::kItemID);
  EXPECT_NE(id, "88888888-20001201080000");
  EXPECT_EQ(CopiesOf(id).size(), 1u);
  EXPECT_FALSE(mAppointments::HasUserProperty(reread, "VestrandSomethingOld"));
  EXPECT_EQ(ctx.colPending.Count(), 0u);
}

TEST_F(LocalSyncTest, FastPassLooksOnlyAtItemsModifiedSinceItsLastRun) {
  const Date last = Date::FromParts(2026, 12, 5, 10, 0, 40);
  ctx.g_dLastFastSync = last;
  modTime = last.Add("s", -30);  // the same minute, but before the last run
  Item before = Appointment(Calendar(), "Before");
  modTime = last.Add("s", 10);
  Item after = Appointment(Calendar(), "After");
  clock.SetNow(last.Add("s", 50));

  ctx.p_bLSynch = true;
  EXPECT_FALSE(mAppointments::FastLocalSynchronization());
  EXPECT_TRUE(Logged("Pass Fast Synchronization...(p_bLSynch)"));
  EXPECT_EQ(ctx.g_dLastFastSync, last);
  ctx.p_bLSynch = false;

  ASSERT_TRUE(mAppointments::FastLocalSynchronization());

  EXPECT_EQ(Prop(before, mAppointments::kItemID), "");
  const std::string id = Prop(after, mAppointments::kItemID);
  ASSERT_FALSE(id.empty());
  EXPECT_EQ(CopiesOf(id).size(), 1u);
  EXPECT_EQ(Action(id), "Added");
  EXPECT_EQ(ctx.g_dLastFastSync, clock.Now());
}

TEST_F(LocalSyncTest, FastPassRemovesCopiesWhoseCalendarItemWasDeleted) {
  Item item = Appointment(Calendar(), "Moved out");
  ShareAll();
  const std::string id = Prop(item, mAppointments::kItemID);
  ctx.g_dLastFastSync = modTime;
  clock.SetNow(modTime.Add("n", 2));
  modTime = modTime.Add("n", 1);
  // The user deletes the calendar item while the add-in misses the event.
  Fresh(item).Delete();

  ASSERT_TRUE(mAppointments::FastLocalSynchronization());

  EXPECT_TRUE(CopiesOf(id).empty());
  EXPECT_EQ(Action(id), "Removed");
}

TEST_F(LocalSyncTest, SetAllPrivateAsksFirst) {
  Item item = Appointment(Calendar(), "Therapy");
  ShareAll();
  prompt.QueueResult(platform::IDCANCEL);
  EXPECT_EQ(mAppointments::SetAllPrivate(), 0);
  EXPECT_EQ(Fresh(item).Sensitivity(), 0);

  prompt.QueueResult(platform::IDOK);
  EXPECT_EQ(mAppointments::SetAllPrivate(), 1);
  Item reread = Fresh(item);
  EXPECT_EQ(reread.Sensitivity(), 2);
  const std::string id = GetUserProperty(reread, mAppointments::kItemID);
  EXPECT_EQ(Action(id), "Changed");
  EXPECT_EQ(CopiesOf(id).at(0).Sensitivity(), 2);
}

}  // namespace
