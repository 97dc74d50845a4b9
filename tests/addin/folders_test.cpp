// The add-in's folders on a real profile: finding or creating the shared
// folder with the first-run list, the home page, member folders of an
// overview with their purge from Deleted Items, and the view collection.
#include <algorithm>

#include "addin/mFolders.h"
#include "platform/redemption_fixture.h"
#include "options/CWinReg.h"
#include "options/mOptions.h"
#include "platform/ScriptedPrompt.h"
#include "platform/store/Recipients.h"
#include "platform/store/UserProperties.h"

using mFolders::StartFlags;

namespace {

const char* kProductKey = "Software\\Korvel\\Zentabo";

}  // namespace

class FoldersTest : public SafeItemsStoreTest {
 protected:
  platform::Folder Calendar() const { return Default(platform::olFolderCalendar); }
  platform::Folder Root() const { return session->GetRootFolder(); }
  std::string StoreId() const { return Root().EntryID(); }

  platform::Folder GetZentab(StartFlags& flags) {
    return mFolders::GetZentabFolder(*reg, StoreId(), Calendar(), Root(), flags);
  }

  std::string FirstRunText() {
    CWinReg key(*reg);
    key.InitForRead(CWinReg::HKEY_CURRENT_USER, kProductKey);
    return key.GetStringValue("FirstRun");
  }
  void SetFirstRunText(const std::string& text) {
    CWinReg key(*reg);
    ASSERT_TRUE(key.InitForWrite(CWinReg::HKEY_CURRENT_USER, kProductKey, true));
    key.SetStringValue("FirstRun", text);
  }
};

TEST_F(FoldersTest, FreshStoreCreatesTheFolderOnce) {
  StartFlags flags;
  platform::Folder zentab = GetZentab(flags);
  ASSERT_TRUE(zentab);
  EXPECT_EQ(zentab.Name(), "Zentabo");
  EXPECT_TRUE(zentab.Parent().IsSame(Calendar()));
  EXPECT_EQ(zentab.DefaultItemType(), platform::olAppointmentItem);
  EXPECT_TRUE(flags.bFolderCreated);
  EXPECT_FALSE(flags.bFirstRun);
  EXPECT_TRUE(flags.bLocalSynchDue);
  EXPECT_TRUE(flags.bClearDontShowWelcomeDlg);
  EXPECT_EQ(FirstRunText(), ";" + StoreId() + ";");

  // The next start finds it and changes nothing.
  StartFlags again;
  EXPECT_TRUE(GetZentab(again).IsSame(zentab));
  EXPECT_FALSE(again.bFolderCreated || again.bFirstRun || again.bLocalSynchDue || again.bClearDontShowWelcomeDlg);
  EXPECT_EQ(FirstRunText(), ";" + StoreId() + ";");
  EXPECT_TRUE(Logged("FirstRun = "));
}

TEST_F(FoldersTest, OlderLayoutAtTheTopIsMovedUnderTheCalendar) {
  platform::Folder old = Root().Folders().Add("Zentabo", platform::olFolderCalendar);
  platform::Item copy = Save(old, platform::olAppointmentItem, "[Ann] lunch");
  SetFirstRunText(";" + StoreId() + ";");  // not a first run: only the welcome flag

  StartFlags flags;
  platform::Folder zentab = GetZentab(flags);
  ASSERT_TRUE(zentab);
  EXPECT_TRUE(zentab.IsSame(old));
  EXPECT_TRUE(zentab.Parent().IsSame(Calendar()));
  EXPECT_FALSE(Root().Folders().Find("Zentabo"));
  EXPECT_EQ(zentab.Items().Count(), 1);
  EXPECT_FALSE(flags.bFolderCreated);
  EXPECT_FALSE(flags.bFirstRun);
  EXPECT_FALSE(flags.bLocalSynchDue);
  EXPECT_TRUE(flags.bClearDontShowWelcomeDlg);
}

TEST_F(FoldersTest, AnotherProfileOnTheMachineIsAFirstRun) {
  Calendar().Folders().Add("Zentabo", platform::olFolderCalendar);
  SetFirstRunText(";OTHERSTORE;");
  StartFlags flags;
  ASSERT_TRUE(GetZentab(flags));
  EXPECT_TRUE(flags.bFirstRun);
  EXPECT_FALSE(flags.bFolderCreated);
  EXPECT_TRUE(flags.bLocalSynchDue);
  EXPECT_TRUE(flags.bClearDontShowWelcomeDlg);
  EXPECT_EQ(FirstRunText(), ";OTHERSTORE;;" + StoreId() + ";");

  mOptions::Options opts;
  mFolders::ApplyStartFlags(flags, opts);
  EXPECT_TRUE(opts.bLocalSynchDue);
  EXPECT_TRUE(opts.ShowWelcomeDlg);
}

TEST_F(FoldersTest, HomePageFollowsShowHomepage) {
  platform::Folder zentab = Calendar().Folders().Add("Zentabo", platform::olFolderCalendar);
  const std::filesystem::path install = home / "install";
  mFolders::SetHomePageProperty(zentab, true, install);
  EXPECT_TRUE(zentab.WebViewOn());
  EXPECT_EQ(zentab.WebViewURL(), "file:" + (install / "htmls" / "ZentabGrid.html").string());

  mFolders::SetHomePageProperty(zentab, false, install);
  EXPECT_FALSE(zentab.WebViewOn());
  EXPECT_TRUE(Logged("Zentab.WebViewOn = false"));

  zentab.SetWebViewURL("file:/elsewhere.html");
  zentab.SetWebViewOn(true);
  mFolders::SetHomePageProperty(zentab, true, install);
  EXPECT_EQ(zentab.WebViewURL(), mFolders::HomePageURL(install));
}

TEST(FoldersTextTest, SplitMembersPairsAddressAndName) {
  struct Case {
    std::string text;
    size_t pairs;
    std::string lastAddress, lastName;
  };
  const Case cases[] = {{"", 0, "", ""},
                        {"ann@x.org;Ann", 1, "ann@x.org", "Ann"},
                        {"ann@x.org;Ann;bob@x.org;Bob;", 2, "bob@x.org", "Bob"},
                        {";No Address", 1, "", "No Address"},
                        {"ann@x.org", 1, "ann@x.org", ""}};
  for (const Case& c : cases) {
    auto pairs = mFolders::SplitMembers(c.text);
    ASSERT_EQ(pairs.size(), c.pairs) << c.text;
    if (!pairs.empty()) {
      EXPECT_EQ(pairs.back().address, c.lastAddress) << c.text;
      EXPECT_EQ(pairs.back().name, c.lastName) << c.text;
    }
  }
  EXPECT_EQ(mFolders::MemberFolderName({"", "Ann"}, "no address"), "Ann (no address)");
}

// --- overviews --------------------------------------------------------------------

class FolderOverviewTest : public FoldersTest {
 protected:
  FolderOverviewTest() {
    StartFlags flags;
    ctx.reg = reg.get();
    ctx.storeId = StoreId();
    ctx.zentab = GetZentab(flags);
    ctx.calendar = Calendar();
    ctx.deletedItems = Default(platform::olFolderDeletedItems);
    ctx.userEmail = "me@example.org";
    ctx.userName = "Me";
    ctx.prompt = &prompt;
    ctx.startDelFoldersTimer = [this] { ++timerStarts; };
    ctx.suspendItemEvents = [this] { ++suspends; };
    ctx.resumeItemEvents = [this] { ++resumes; };
  }

  // A copy of another member's item in the shared folder.
  platform::Item Copy(const std::string& subject, const std::string& itemId, const std::string& sham = "") {
    platform::Item item = ctx.zentab.Items().Add(platform::olAppointmentItem);
    item.SetSubject(subject);
    item.UserProperties().Add("VestrandItemID").SetValue(itemId);
    if (!sham.empty()) {
      item.UserProperties().Add("VestrandShamMeeting").SetValue("1");
      item.UserProperties().Add("VestrandShamMeetingUID").SetValue(sham);
    }
    item.Save();
    return item;
  }

  std::vector<std::string> Subjects(const platform::Folder& folder) {
    std::vector<std::string> out;
    for (const platform::Item& i : folder.Items().All()) out.push_back(i.Subject());
    std::sort(out.begin(), out.end());
    return out;
  }

  mFolders::OverviewContext ctx;
  platform::ScriptedPrompt prompt;
  int timerStarts = 0, suspends = 0, resumes = 0;
};

TEST_F(FolderOverviewTest, MemberFolderHoldsTheMembersItemsAndMyMeetings) {
  Copy("[Ann] lunch", "k1");
  Copy("[Ann] ", "k2");
  Copy("[Anna] tea", "k3");
  Copy("[ann] other case", "k4");
  Copy("[Bob] golf", "k5");
  // My meeting that Ann attends, and one she does not.
  platform::Item mine = Save(Calendar(), platform::olAppointmentItem, "review");
  mine.SetMeetingStatus(platform::olMeeting);
  mine.Recipients().Add("Ann@Example.org", "Ann", platform::olRequired);
  mine.Save();
  platform::Item notHers = Save(Calendar(), platform::olAppointmentItem, "1:1 bob");
  notHers.SetMeetingStatus(platform::olMeeting);
  notHers.Recipients().Add("bob@example.org", "Bob", platform::olRequired);
  notHers.Save();

  ASSERT_TRUE(mFolders::CreateFolder(ctx, "ann@example.org;Ann;me@example.org;Me"));
  platform::Folder ann = ctx.zentab.Folders().Find("Ann (ann@example.org)");
  ASSERT_TRUE(ann);
  EXPECT_EQ(ctx.zentab.Folders().Count(), 1);  // no folder for the user
  EXPECT_EQ(Subjects(ann), (std::vector<std::string>{"[Ann] ", "[Ann] lunch", "review"}));
  for (const platform::Item& i : ann.Items().All()) {
    EXPECT_FALSE(i.UserProperties().Find("VestrandItemID")) << i.Subject();
  }
  // The originals stay in place, and the events were suspended around the fill.
  EXPECT_EQ(ctx.zentab.Items().Count(), 5);
  EXPECT_EQ(Calendar().Items().Count(), 2);
  EXPECT_EQ(suspends, 1);
  EXPECT_EQ(resumes, 1);
}

TEST_F(FolderOverviewTest, MeetingAlreadyPresentAsShamIsNotAddedTwice) {
  platform::Item mine = Save(Calendar(), platform::olAppointmentItem, "review");
  mine.SetMeetingStatus(platform::olMeeting);
  mine.UserProperties().Add("VestrandShamMeetingUID").SetValue("UID1");
  mine.Recipients().Add("ann@example.org", "Ann", platform::olRequired);
  mine.Save();
  Copy("[Ann] review", "k1", "UID1");
  ASSERT_TRUE(mFolders::CreateFolder(ctx, "ann@example.org;Ann"));
  EXPECT_EQ(Subjects(ctx.zentab.Folders().Find("Ann (ann@example.org)")), (std::vector<std::string>{"[Ann] review"}));
}

TEST_F(FolderOverviewTest, SixMembersBuildFiveFoldersAndKeepAllSix) {
  std::string members;
  for (int i = 1; i <= 6; ++i) members += "m" + std::to_string(i) + "@x.org;M" + std::to_string(i) + ";";
  members.pop_back();
  ASSERT_TRUE(mFolders::CreateFolder(ctx, members));
  EXPECT_EQ(ctx.zentab.Folders().Count(), 5);
  EXPECT_FALSE(ctx.zentab.Folders().Find("M6 (m6@x.org)"));
  ASSERT_EQ(prompt.Shown().size(), 1u);
  EXPECT_EQ(prompt.Shown()[0].text, "LID_MAX_VIEWS");
  EXPECT_EQ(prompt.Shown()[0].title, "Zentabo");
  EXPECT_EQ(prompt.Shown()[0].icon, platform::Icon::Information);
  std::string stored;
  ASSERT_TRUE(mFolders::LoadMembersFromReg(*reg, StoreId(), stored));
  EXPECT_EQ(stored, members);
}

TEST_F(FolderOverviewTest, RebuildDeletesOldFoldersAndPurgesThemLater) {
  Copy("[Ann] lunch", "k1");
  ASSERT_TRUE(mFolders::CreateFolder(ctx, "ann@example.org;Ann;bob@example.org;Bob"));
  ASSERT_TRUE(mFolders::CreateFolder(ctx, "bob@example.org;Bob"));
  EXPECT_EQ(timerStarts, 2);
  EXPECT_EQ(mFolders::DeletedFolders(),
            (std::vector<std::string>{"Ann (ann@example.org)", "Bob (bob@example.org)"}));
  EXPECT_EQ(ctx.zentab.Folders().Count(), 1);
  ASSERT_TRUE(ctx.deletedItems.Folders().Find("Ann (ann@example.org)"));

  // The user moved one of them elsewhere: it stays listed for the next run.
  ctx.deletedItems.Folders().Find("Bob (bob@example.org)").MoveTo(Root());
  mFolders::DeleteFolders(ctx);
  EXPECT_FALSE(ctx.deletedItems.Folders().Find("Ann (ann@example.org)"));
  EXPECT_EQ(mFolders::DeletedFolders(), (std::vector<std::string>{"Bob (bob@example.org)"}));
  // The shared folder's own items were never touched.
  EXPECT_EQ(ctx.zentab.Items().Count(), 1);
}

TEST_F(FolderOverviewTest, ViewCollectionPairsLabelsAndPaths) {
  const std::string zpath = ctx.zentab.FolderPath();
  EXPECT_EQ(mFolders::GetViewCollection(ctx, ""), (std::vector<std::string>{"All Members", zpath}));

  // Only the user: his name and the Calendar, no member folder built.
  ASSERT_TRUE(mFolders::CreateFolder(ctx, "ME@example.org;Me"));
  EXPECT_EQ(ctx.zentab.Folders().Count(), 0);
  EXPECT_EQ(mFolders::GetViewCollection(ctx, "ME@example.org;Me"),
            (std::vector<std::string>{"Me", Calendar().FolderPath()}));

  ASSERT_TRUE(mFolders::CreateFolder(ctx, "ann@example.org;Ann"));
  EXPECT_EQ(mFolders::GetViewCollection(ctx, "me@example.org;Me;ann@example.org;Ann;bob@example.org;Bob"),
            (std::vector<std::string>{"Me", Calendar().FolderPath(), "Ann (ann@example.org)",
                                      zpath + "\\Ann (ann@example.org)"}));
}

TEST_F(FolderOverviewTest, MembersFromRegistryNeedTheOptionsKey) {
  std::string members = "unchanged";
  EXPECT_FALSE(mFolders::LoadMembersFromReg(*reg, StoreId(), members));
  EXPECT_EQ(members, "unchanged");
  ASSERT_TRUE(mFolders::CreateFolder(ctx, ""));
  EXPECT_TRUE(mFolders::LoadMembersFromReg(*reg, StoreId(), members));
  EXPECT_EQ(members, "");
}

TEST_F(FolderOverviewTest, FailedRebuildIsLoggedAndResumesTheEvents) {
  platform::Item mine = Save(Calendar(), platform::olAppointmentItem, "review");
  mine.SetMeetingStatus(platform::olMeeting);
  mine.Save();
  Redemption::SetRegistered(false);  // the meeting cannot be examined
  EXPECT_FALSE(mFolders::CreateFolder(ctx, "ann@example.org;Ann"));
  EXPECT_TRUE(Logged("mFolders.CreateFolder"));
  EXPECT_EQ(suspends, 1);
  EXPECT_EQ(resumes, 1);
  std::string members;
  EXPECT_FALSE(mFolders::LoadMembersFromReg(*reg, StoreId(), members));  // VCtlMems not stored
}

TEST_F(FoldersTest, NoCalendarGivesNoFolder) {
  StartFlags flags;
  EXPECT_FALSE(mFolders::GetZentabFolder(*reg, StoreId(), platform::Folder(), Root(), flags));
  EXPECT_TRUE(Logged("Connect.GetZentabFolder"));
}
