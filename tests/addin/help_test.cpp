// The installation's help: the pages the add-in opens are installed and
// shown as text; topic names cannot leave the help folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "addin/Connect.h"
#include "addin/mHelp.h"
#include "platform/FileUtil.h"
#include "support/TempHome.h"

using testing_support::TempDir;
using testing_support::TempHome;

TEST(Help, PagesReadAsText) {
  struct Case {
    const char* html;
    const char* title;
    const char* text;
  };
  const Case cases[] = {
      // The heading repeating the title is left out; paragraphs part with a blank line.
      {"<html><head><title>Groups</title></head><body><h1>Groups</h1><p>One\n two.</p><p>Three</p></body></html>",
       "Groups", "One two.\n\nThree"},
      {"<body><h1>Lists</h1><ul><li><b>Add</b>: a\nnew one</li><li>Remove</li></ul><p>End</p></body>", "Lists",
       "- Add: a new one\n- Remove\n\nEnd"},
      // A heading other than the title stays; entities decoded after the tags are gone.
      {"<title>T</title><body><h1>Other</h1>a &lt;b&gt; &amp;&nbsp;&quot;c&quot;<br>d&#39;s</body>", "T",
       "Other\n\na <b> & \"c\"\nd's"},
      {"no markup at all", "", "no markup at all"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.html);
    EXPECT_EQ(mHelp::PageTitle(c.html), c.title);
    EXPECT_EQ(mHelp::PageText(c.html), c.text);
  }
}

TEST(Help, TopicNamesStayInTheHelpFolder) {
  for (const char* good : {"Using_Toolbars.htm", "installation.HTM"}) EXPECT_TRUE(mHelp::IsTopicName(good)) << good;
  for (const char* bad : {"", ".htm", "../english.lng", "..\\x.htm", "sub/page.htm", "/etc/passwd", "a..htm", "page.html"})
    EXPECT_FALSE(mHelp::IsTopicName(bad)) << bad;
}

TEST(Help, EveryTopicTheAddInOpensIsInstalledAndShown) {
  TempDir dir;
  TempHome alice{dir.Path(), "alice", "alice@example.com"};
  host::HostSession& s = alice.Open();
  ASSERT_EQ(s.Start(), Connect::State::Running);
  Connect& c = s.AddIn();
  // The menu's and the page's help, the user dialog's, the dialogs' and
  // the synchronisation notices'.
  for (const char* topic : {"Using_Toolbars.htm", "About_Zentabo.htm", "installation.htm",
                            "Create_Group_appointments_from_Personal_Calendar.htm", "Create_New_Group.htm",
                            "Getting_Started_with_Zentabo.htm", "software_update.htm"}) {
    SCOPED_TRACE(topic);
    alice.Prompt().ClearRecords();
    const std::string page = c.ShowHelpTopic(topic);
    EXPECT_EQ(page, (s.Sys().InstallDir() / "help" / topic).string());
    ASSERT_EQ(alice.Prompt().Shown().size(), 1u);
    const platform::PromptRecord& shown = alice.Prompt().Shown()[0];
    EXPECT_FALSE(shown.title.empty());
    EXPECT_EQ(shown.text.find('<'), std::string::npos) << shown.text;
    EXPECT_GT(shown.text.size(), 200u);
  }
  EXPECT_EQ(c.Help(), c.ShowHelpTopic("Using_Toolbars.htm"));

  // A page that is not installed is said so, and logged; nothing is read
  // outside the help folder.
  platform::FileUtil::Delete(s.Sys().InstallDir() / "help" / "Create_New_Group.htm");
  alice.Prompt().ClearRecords();
  EXPECT_EQ(c.ShowHelpTopic("Create_New_Group.htm"), "");
  ASSERT_EQ(alice.Prompt().Shown().size(), 1u);
  EXPECT_NE(alice.Prompt().Shown()[0].text.find("not installed"), std::string::npos);
  alice.Prompt().ClearRecords();
  EXPECT_EQ(c.ShowHelpTopic("../english.lng"), "");
  EXPECT_TRUE(alice.Prompt().Shown().empty());
  EXPECT_NE(alice.Log().find("no help page"), std::string::npos);
}
