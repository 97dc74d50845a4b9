// The client's item windows, send/receive groups and search component.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "platform/Error.h"
#include "platform/EventLoop.h"
#include "platform/client/AdvancedSearch.h"
#include "platform/client/Inspectors.h"
#include "platform/client/SyncObjects.h"
#include "support/ProfileFixture.h"

using testing_support::ProfileFixture;

class ClientWindows : public ProfileFixture {
 protected:
  platform::VirtualClock clock;
  platform::EventLoop loop{clock};
};

TEST_F(ClientWindows, AWindowIsAnnouncedBeforeItShowsActivatedOnTheNextTurnAndClosedThroughItsItem) {
  platform::Inspectors inspectors(*session, loop);
  std::vector<std::string> seen;
  inspectors.OnNewInspector([&](platform::Inspector& w) {
    seen.push_back("new " + w.CurrentItem().Subject());
    w.OnActivate([&](platform::Inspector& a) { seen.push_back("activate " + a.CurrentItem().Subject()); });
    w.OnClose([&](platform::Inspector& c) { seen.push_back("close " + std::to_string(c.IsOpen())); });
  });
  platform::Item item = NewAppointment(Calendar(), "Planning");
  item.Save();
  item.Display();
  item.Display();  // already on screen: no second window
  EXPECT_EQ(seen, (std::vector<std::string>{"new Planning"}));
  ASSERT_EQ(inspectors.Count(), 1);
  EXPECT_TRUE(inspectors.Find(session->GetItemFromID(item.EntryID())).IsSame(inspectors.Item(1)));
  loop.DrainMessages();
  inspectors.Item(1).Close(platform::olDiscard);
  EXPECT_EQ(seen, (std::vector<std::string>{"new Planning", "activate Planning", "close 0"}));
  EXPECT_EQ(inspectors.Count(), 0);
  EXPECT_EQ(session->OpenWindowCount(), 0);

  // A window closed before it showed is never activated; an unsaved item's
  // window is found by its handle.
  platform::Item fresh = NewAppointment(Calendar(), "Draft");
  fresh.Display();
  EXPECT_TRUE(inspectors.Find(fresh));
  fresh.Close(platform::olDiscard);
  loop.DrainMessages();
  EXPECT_EQ(seen.back(), "close 0");
  EXPECT_EQ(std::count(seen.begin(), seen.end(), "activate Draft"), 0);
}

TEST(SyncObjects, EachGroupStartsAndEndsInTurnTheWorkRunsOnceAndNeverInsideAnother) {
  platform::SyncObjects groups;
  std::vector<std::string> seen;
  for (const char* name : {"a", "b"}) {
    platform::SyncObject& o = groups.Add(name);
    o.OnSyncStart([&seen, name, &groups] {
      seen.push_back(std::string("start ") + name);
      EXPECT_FALSE(groups.SendAndReceive([&] { seen.push_back("nested work"); }));
    });
    o.OnSyncEnd([&seen, name] { seen.push_back(std::string("end ") + name); });
  }
  EXPECT_TRUE(groups.SendAndReceive([&] { seen.push_back("work"); }));
  EXPECT_EQ(seen, (std::vector<std::string>{"start a", "work", "end a", "start b", "end b"}));

  // Work that fails still ends its group, and the next send/receive runs.
  seen.clear();
  EXPECT_THROW(groups.SendAndReceive([] { throw std::runtime_error("post office gone"); }), std::runtime_error);
  EXPECT_EQ(seen, (std::vector<std::string>{"start a", "end a"}));
  EXPECT_TRUE(groups.SendAndReceive({}));
}

TEST_F(ClientWindows, TheSearchScopeIsAQuotedPathFromTheRoot) {
  platform::Folder work = Calendar().Folders().Add("Work", platform::olFolderCalendar);
  for (const char* s : {"b", "a", "c"}) NewAppointment(work, s).Save();
  platform::AdvancedSearch search(*session);
  search.SyncSearch("'" + work.FolderPath() + "'", "[Subject] <> 'c'", "tag-1");
  ASSERT_TRUE(search.HasResults());
  EXPECT_EQ(search.Tag(), "tag-1");
  search.Sort("[Subject] DESC");
  ASSERT_EQ(search.Results().Count(), 2);
  EXPECT_EQ(search.Results().Item(1).Subject(), "b");

  for (const std::string& bad : {work.FolderPath(), std::string("'\\Elsewhere\\Work'"),
                                 "'" + Calendar().FolderPath() + "\\Missing'"}) {
    EXPECT_THROW(search.SyncSearch(bad, "", "t"), platform::Error) << bad;
    EXPECT_FALSE(search.HasResults());
  }
  EXPECT_THROW(search.SyncSearch("'" + work.FolderPath() + "'", "[Nonsense] = 1", "t"), platform::Error);
}
