// Validation of the loaded groups, the start-up question, and the user's
// backup and restore of all groups.
#include <gtest/gtest.h>

#include <fstream>

#include "groups/GroupsFixture.h"
#include "groups/mFailSafe.h"
#include "groups/mGroups.h"

class StartupTest : public GroupsTest {
 protected:
  void StoreOneGroup(const std::string& ownAddress) {
    G("Team", {M(ownAddress, ROLE_MANAGER, true, true), M("ann@corp.test", ROLE_MEMBER)});
    ASSERT_TRUE(groups->Save());
    groups = std::make_unique<CGroups>(env);
  }
};

TEST_F(StartupTest, ValidNeedsTheExactCurrentAddress) {
  G("A", {M("me@corp.test", ROLE_MANAGER, true, true)});
  EXPECT_TRUE(groups->Valid());
  env.strCurEmail = "Me@corp.test";
  EXPECT_FALSE(groups->Valid()) << "letter case counts";
  ASSERT_EQ(prompt.Shown().size(), 1u);
  EXPECT_EQ(prompt.Shown()[0].title, "LID_ERROR");
  EXPECT_EQ(prompt.Shown()[0].text, "LID_USER_EMAIL_OTHER_IN_GROUPS");
}

TEST_F(StartupTest, ValidMessageCarriesBothAddresses) {
  // The message text names the own member's address and the current one.
  G("A", {M("old@corp.test", ROLE_MANAGER, true, true)});
  env.pLang = nullptr;
  EXPECT_EQ(env.Text("Own %s, current %s", {"old@corp.test", "me@corp.test"}), "Own old@corp.test, current me@corp.test");
  EXPECT_FALSE(groups->Valid());
}

TEST_F(StartupTest, ValidStoredGroupsAskNothing) {
  StoreOneGroup("me@corp.test");
  EXPECT_EQ(LoadAndValidateGroups(*groups), GroupsStartup::Valid);
  EXPECT_EQ(groups->Count(), 1);
  EXPECT_TRUE(prompt.Shown().empty());
}

TEST_F(StartupTest, InvalidGroupsYesClearsThem) {
  StoreOneGroup("other@corp.test");
  prompt.QueueResult(platform::IDOK);
  prompt.QueueResult(platform::IDYES);
  EXPECT_EQ(LoadAndValidateGroups(*groups), GroupsStartup::Cleared);
  ASSERT_EQ(prompt.Shown().size(), 2u);
  const platform::PromptRecord& q = prompt.Shown()[1];
  EXPECT_EQ(q.text, "LID_GROUPS_NOT_VALID");
  EXPECT_EQ(q.title, "LID_GROUPS_NOT_VALID_TITLE");
  EXPECT_EQ(q.buttons, platform::Buttons::YesNo);
  EXPECT_EQ(q.defaultButton, platform::DefaultButton::Second);
  EXPECT_EQ(groups->Count(), 0);
  CGroups reloaded(env);
  reloaded.Load();
  EXPECT_EQ(reloaded.Count(), 0) << "the store is emptied too";
}

TEST_F(StartupTest, InvalidGroupsNoKeepsThemAndRefuses) {
  StoreOneGroup("other@corp.test");
  prompt.QueueResult(platform::IDOK);
  prompt.QueueResult(platform::IDNO);
  EXPECT_EQ(LoadAndValidateGroups(*groups), GroupsStartup::Refused);
  EXPECT_EQ(groups->Count(), 1);
  CGroups reloaded(env);
  reloaded.Load();
  EXPECT_EQ(reloaded.Count(), 1);
}

class BackupTest : public GroupsTest {
 protected:
  void SetUp() override {
    GroupsTest::SetUp();
    MemberPtr pending = M("pend@corp.test", ROLE_MEMBER);
    pending->nAction = ACTION_ADDING;
    pending->strActionKey = "12345678-20060213141359";
    pending->nWait = WAIT_REPLAY;
    G("Team", {M("me@corp.test", ROLE_MANAGER, true, true), M("ann@corp.test", ROLE_ASSISTANT), pending});
    G("Board", {M("boss@corp.test", ROLE_MANAGER), M("me@corp.test", ROLE_MEMBER, false, true)});
    groups->SetShowAs("boss@corp.test", "Chief", false);
    ASSERT_TRUE(groups->Save());
    file = (dir / "backup.xml").string();
  }
  std::unique_ptr<CGroups> Snapshot() {
    auto s = std::make_unique<CGroups>(env);
    s->CopyFrom(*groups);
    return s;
  }
  std::string file;
};

TEST_F(BackupTest, BackupRestoresToAnIdenticalModel) {
  auto before = Snapshot();
  {
    std::ofstream old(file);
    old << "an older file";
  }
  ASSERT_TRUE(StoreGroups(*groups, file));
  groups->Clear();
  G("Other", {M("me@corp.test", ROLE_MANAGER, true, true)});
  groups->Save();

  ASSERT_TRUE(RestoreGroups(*groups, file));
  EXPECT_TRUE(SameStoredGroups(*groups, *before));
  CGroups reloaded(env);
  reloaded.Load();
  EXPECT_TRUE(SameStoredGroups(reloaded, *before)) << "the restored groups are saved";
  EXPECT_TRUE(prompt.Shown().empty());
}

TEST_F(BackupTest, NotAGroupDocumentChangesNothing) {
  auto before = Snapshot();
  for (const char* content : {"<appointments/>", "plain text"}) {
    prompt.ClearRecords();
    {
      std::ofstream out(file, std::ios::trunc);
      out << content;
    }
    EXPECT_FALSE(RestoreGroups(*groups, file));
    ASSERT_EQ(prompt.Shown().size(), 1u) << content;
    EXPECT_EQ(prompt.Shown()[0].text, "LID_FILE_LOAD_ERROR");
    EXPECT_TRUE(SameStoredGroups(*groups, *before));
  }
}

TEST_F(BackupTest, HostileKeysAndAddressesAreRefusedAndChangeNothing) {
  ASSERT_TRUE(StoreGroups(*groups, file));
  std::ifstream in(file);
  const std::string good((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto before = Snapshot();
  const std::string teamKey = GK("Team");
  const std::string annKey = K("ann@corp.test");
  const std::vector<std::pair<std::string, std::string>> edits = {
      {teamKey, teamKey + ";x"},                       // a key holding the stored lists' separator
      {annKey, "ann"},                                 // not the generator's shape
      {"\"ann@corp.test\"", "\"ann@corp.test;spy@evil.example\""},  // two addresses
      {"\"ann@corp.test\"", "\"../../evil@x.com\""},
  };
  for (const auto& [from, to] : edits) {
    std::string text = good;
    text.replace(text.find(from), from.size(), to);
    {
      std::ofstream out(file, std::ios::trunc);
      out << text;
    }
    prompt.ClearRecords();
    EXPECT_FALSE(RestoreGroups(*groups, file)) << to;
    EXPECT_TRUE(SameStoredGroups(*groups, *before)) << to;
    ASSERT_EQ(prompt.Shown().size(), 1u) << to;
    EXPECT_EQ(prompt.Shown()[0].text, "LID_FILE_LOAD_ERROR");
  }
}

TEST_F(BackupTest, EmptyOrMissingFileDoesNothing) {
  auto before = Snapshot();
  { std::ofstream out(file, std::ios::trunc); }
  EXPECT_FALSE(RestoreGroups(*groups, file));
  EXPECT_FALSE(RestoreGroups(*groups, (dir / "missing.xml").string()));
  EXPECT_FALSE(RestoreGroups(*groups, ""));
  EXPECT_TRUE(prompt.Shown().empty());
  EXPECT_TRUE(SameStoredGroups(*groups, *before));
}

TEST_F(BackupTest, BackupOfAnotherUserIsRefusedByValid) {
  ASSERT_TRUE(StoreGroups(*groups, file));
  auto before = Snapshot();
  groups->Clear();
  env.strCurEmail = "someone@corp.test";
  EXPECT_FALSE(RestoreGroups(*groups, file));
  ASSERT_EQ(prompt.Shown().size(), 1u);
  EXPECT_EQ(prompt.Shown()[0].text, "LID_USER_EMAIL_OTHER_IN_GROUPS");
  EXPECT_EQ(groups->Count(), 0);
}

TEST_F(BackupTest, CommandsAskForTheFile) {
  auto before = Snapshot();
  prompt.QueueText("  " + file + "  ");
  ASSERT_TRUE(BackupGroupsCommand(*groups));
  EXPECT_EQ(prompt.Shown()[0].kind, platform::PromptKind::SaveFile);
  groups->Clear();
  prompt.QueueText("");  // cancelled
  EXPECT_FALSE(RestoreGroupsCommand(*groups));
  EXPECT_EQ(groups->Count(), 0);
  prompt.QueueText(file);
  ASSERT_TRUE(RestoreGroupsCommand(*groups));
  EXPECT_EQ(prompt.Shown()[2].kind, platform::PromptKind::OpenFile);
  EXPECT_EQ(prompt.Shown()[2].defaultText, "");
  EXPECT_TRUE(SameStoredGroups(*groups, *before));
}
