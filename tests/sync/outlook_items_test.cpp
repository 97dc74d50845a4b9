// COutlookItems over a contacts folder tree: the restricted, sorted list,
// the search mode for a folder named by path, and the folder's events passed
// on with the list brought up to date.
#include <gtest/gtest.h>

#include "platform/store/Folders.h"
#include "platform/store/Items.h"
#include "support/TempHome.h"
#include "sync/COutlookItems.h"

using testing_support::TempDir;
using testing_support::TempHome;

namespace {

void AddContact(const platform::Folder& folder, const std::string& name) {
  platform::Item c = folder.Items().Add(platform::olContactItem);
  c.Set("FullName", name);
  c.Save();
}

std::vector<std::string> Names(COutlookItems& list) {
  std::vector<std::string> out;
  for (int i = 1; i <= list.Count(); ++i) out.push_back(list.Item(i).FullName());
  return out;
}

class OutlookItems : public ::testing::Test {
 protected:
  OutlookItems() {
    auto& s = alice.Open();
    EXPECT_EQ(s.Start(), Connect::State::Running);  // the debug log
    contacts = s.Session().GetDefaultFolder(platform::olFolderContacts);
    work = contacts.Folders().Add("Work", platform::olFolderContacts);
    for (const char* n : {"Carol", "Alan", "Bea"}) AddContact(contacts, n);
    for (const char* n : {"Zed", "Ann", "Abe", "Max"}) AddContact(work, n);
    s.Settle();
    list = std::make_unique<COutlookItems>(
        s.Session(), COutlookItems::Events{
                         [this](const platform::Item& i) { events.push_back("add " + i.FullName()); },
                         [this](const platform::Item& i) { events.push_back("change " + i.FullName()); },
                         [this] { events.push_back("remove"); }});
  }
  host::HostSession& S() { return alice.S(); }

  TempDir dir;
  TempHome alice{dir.Path(), "alice", "alice@example.com"};
  platform::Folder contacts, work;
  std::vector<std::string> events;
  std::unique_ptr<COutlookItems> list;
};

}  // namespace

TEST_F(OutlookItems, TheRestrictedListFollowsItsRestrictionSortAndTheFoldersEvents) {
  ASSERT_TRUE(list->Init(contacts, "[FullName] <> 'Alan'", "FullName", "", false));
  EXPECT_EQ(list->Count(), 0) << "nothing loaded yet";
  list->LoadItems();
  EXPECT_EQ(Names(*list), (std::vector<std::string>{"Bea", "Carol"}));
  list->SetSortDescending(true);
  EXPECT_EQ(Names(*list), (std::vector<std::string>{"Carol", "Bea"}));
  list->SetRestrict("");
  EXPECT_EQ(Names(*list), (std::vector<std::string>{"Carol", "Bea", "Alan"}));

  platform::Item bea = list->Item(2);
  AddContact(contacts, "Dora");
  bea.Set("FullName", "Beatrice");
  bea.Save();
  bea.Delete();
  S().Settle();
  EXPECT_EQ(events, (std::vector<std::string>{"add Dora", "change Beatrice", "remove"}));
  EXPECT_EQ(Names(*list), (std::vector<std::string>{"Dora", "Carol", "Alan"}));
  EXPECT_NE(alice.Log().find("COutlookItems.OnItemAdd"), std::string::npos);

  // Stopped events are not passed on.
  list->StopEvents();
  AddContact(contacts, "Eve");
  S().Settle();
  EXPECT_EQ(events.size(), 3u);
  EXPECT_EQ(list->Count(), 4) << "the list itself is live";
}

TEST_F(OutlookItems, TheSearchModeFindsAFolderByPathAndSortsItsResults) {
  ASSERT_TRUE(list->Init(work, "", "FullName", "FullName desc", false));
  list->LoadItems();
  list->SetAdvancedRestrict("[FullName] >= 'Abe' And [FullName] < 'N'");
  EXPECT_TRUE(list->IsAdvancedRestrict());
  EXPECT_EQ(Names(*list), (std::vector<std::string>{"Max", "Ann", "Abe"}));
  EXPECT_NE(alice.Log().find("AdvancedRestrict, Scope = '" + work.FolderPath() + "'"), std::string::npos);
  list->SetAdvancedSort("[FullName]");
  EXPECT_EQ(Names(*list), (std::vector<std::string>{"Abe", "Ann", "Max"}));
  // Loading works only in the restriction mode.
  list->LoadItems();
  EXPECT_NE(alice.ErrLog().find("to use this function you need m_nFilter to be equal 'FILTER_RESTRICT'"),
            std::string::npos);
  // A new restriction leaves the search: the list must be loaded again.
  list->SetRestrict("[FullName] = 'Zed'");
  EXPECT_FALSE(list->IsAdvancedRestrict());
  EXPECT_EQ(list->Count(), 0);
  list->LoadItems();
  EXPECT_EQ(Names(*list), (std::vector<std::string>{"Zed"}));
}

TEST_F(OutlookItems, TheStoreRootCannotBeSearchedAndNewItemsTakeTheFoldersKind) {
  ASSERT_TRUE(list->Init(S().Session().GetRootFolder(), "", "", "", false));
  list->SetAdvancedRestrict("[FullName] = 'Ann'");
  EXPECT_NE(alice.ErrLog().find("m_folder is personal folder!"), std::string::npos);
  EXPECT_EQ(list->Count(), 0);

  ASSERT_TRUE(list->Init(work, "", "", "", false));
  platform::Item fresh = list->NewItem();
  ASSERT_TRUE(fresh);
  EXPECT_EQ(fresh.Class(), platform::olContact);
  EXPECT_FALSE(list->Init(platform::Folder(), "", "", "", false));
}
