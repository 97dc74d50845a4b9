#include <gtest/gtest.h>

#include <sstream>

#include "platform/ScriptedPrompt.h"
#include "platform/TerminalPrompt.h"
#include "platform/UnattendedPrompt.h"

using namespace platform;

namespace {

TEST(PromptTest, DefaultAnswers) {
  EXPECT_EQ(DefaultAnswer(Buttons::YesNo, DefaultButton::Second), IDNO);
  EXPECT_EQ(DefaultAnswer(Buttons::YesNoCancel, DefaultButton::Third), IDCANCEL);
  EXPECT_EQ(DefaultAnswer(Buttons::OK, DefaultButton::Third), IDOK);  // no third button
  EXPECT_EQ(DefaultAnswer(Buttons::RetryCancel, DefaultButton::First), IDRETRY);
}

TEST(PromptTest, ScriptedAnswersInOrderAndRecordsEverything) {
  ScriptedPrompt p;
  p.QueueResult(IDYES);
  p.QueueText("Team A");
  p.QueueText("/tmp/backup.xml");
  p.QueueForm(IDOK, {{"Name", "Bert"}});
  EXPECT_EQ(p.MessageBox("Groups are not valid", "Zentabo", Buttons::YesNo, Icon::Question,
                         DefaultButton::Second),
            IDYES);
  EXPECT_EQ(p.InputBox("Group name", "New group", "Group 1"), "Team A");
  EXPECT_EQ(p.SaveFileDialog("Backup", "XML files (*.xml)|*.xml", "groups.xml"), "/tmp/backup.xml");
  FormRequest form{"frmMember", Buttons::OKCancel, DefaultButton::First, {{"Name", "Anna"}, {"Email", "a@x"}}};
  EXPECT_EQ(p.ShowForm(form), IDOK);
  EXPECT_EQ(form.Get("Name"), "Bert");
  EXPECT_EQ(form.Get("Email"), "a@x");
  EXPECT_EQ(p.Remaining(), 0u);

  // Queue empty: defaults, recorded as unexpected.
  EXPECT_EQ(p.MessageBox("Sure?", "Zentabo", Buttons::YesNo, Icon::Question, DefaultButton::Second), IDNO);
  EXPECT_EQ(p.InputBox("Name", "T", "dflt"), "dflt");
  EXPECT_EQ(p.OpenFileDialog("Restore", "*.xml", "groups.xml"), "");

  const auto& shown = p.Shown();
  ASSERT_EQ(shown.size(), 7u);
  EXPECT_EQ(shown[0].kind, PromptKind::MessageBox);
  EXPECT_EQ(shown[0].text, "Groups are not valid");
  EXPECT_EQ(shown[0].defaultButton, DefaultButton::Second);
  EXPECT_EQ(shown[2].kind, PromptKind::SaveFile);
  EXPECT_EQ(shown[2].defaultText, "groups.xml");
  EXPECT_EQ(shown[3].kind, PromptKind::Form);
  EXPECT_EQ(shown[3].fields[0].second, "Anna");  // as shown, before the answer
  EXPECT_FALSE(shown[3].unexpected);
  EXPECT_TRUE(shown[4].unexpected);
  EXPECT_EQ(shown[6].result, IDCANCEL);
  EXPECT_EQ(p.UnexpectedCount(), 3u);
}

TEST(PromptTest, UnattendedPolicies) {
  UnattendedPrompt p;
  EXPECT_EQ(p.MessageBox("q", "t", Buttons::YesNo, Icon::None, DefaultButton::Second), IDNO);
  EXPECT_EQ(p.InputBox("q", "t", "keep"), "keep");
  EXPECT_EQ(p.SaveFileDialog("t", "*.xml", "x.xml"), "");
  p.SetFileAnswer("/tmp/x.xml");
  EXPECT_EQ(p.OpenFileDialog("t", "*.xml"), "/tmp/x.xml");
  p.SetPolicy(UnattendedPrompt::Policy::Yes);
  EXPECT_EQ(p.MessageBox("q", "t", Buttons::YesNo, Icon::None, DefaultButton::Second), IDYES);
  EXPECT_EQ(p.MessageBox("q", "t", Buttons::OKCancel, Icon::None, DefaultButton::Second), IDOK);
  EXPECT_EQ(p.MessageBox("q", "t", Buttons::RetryCancel), IDRETRY);
  p.SetPolicy(UnattendedPrompt::Policy::No);
  EXPECT_EQ(p.MessageBox("q", "t", Buttons::YesNoCancel), IDNO);
  EXPECT_EQ(p.MessageBox("q", "t", Buttons::OKCancel), IDCANCEL);
  EXPECT_EQ(p.MessageBox("q", "t", Buttons::OK), IDOK);
  FormRequest form{"frmNeedLocalSync", Buttons::YesNo, DefaultButton::First, {}};
  EXPECT_EQ(p.ShowForm(form), IDNO);
}

TEST(PromptTest, TerminalReadsAnswers) {
  std::istringstream in(
      "maybe\n"     // not a button: asked again
      "N\n"         // No
      "\n"          // default
      "Team B\n"    // input
      ".\n"         // cancelled input
      "\n"          // file dialog keeps the initial path
      "Email=b@x\n"
      "\n"
      "c\n");       // form closed with Cancel
  std::ostringstream out;
  TerminalPrompt p(in, out);
  EXPECT_EQ(p.MessageBox("Delete?", "Zentabo", Buttons::YesNo), IDNO);
  EXPECT_EQ(p.MessageBox("Go?", "Zentabo", Buttons::YesNoCancel, Icon::None, DefaultButton::Third), IDCANCEL);
  EXPECT_EQ(p.InputBox("Name", "New group", "G"), "Team B");
  EXPECT_EQ(p.InputBox("Name", "New group", "G"), "");
  EXPECT_EQ(p.OpenFileDialog("Restore", "*.xml", "/tmp/g.xml"), "/tmp/g.xml");
  FormRequest form{"frmMember", Buttons::OKCancel, DefaultButton::First, {{"Email", "a@x"}}};
  EXPECT_EQ(p.ShowForm(form), IDCANCEL);
  EXPECT_EQ(form.Get("Email"), "b@x");
  // End of input: the defaults.
  EXPECT_EQ(p.MessageBox("q", "t", Buttons::OKCancel, Icon::None, DefaultButton::Second), IDCANCEL);
  EXPECT_EQ(p.InputBox("q", "t", "d"), "d");
  EXPECT_NE(out.str().find("Delete?"), std::string::npos);
  EXPECT_NE(out.str().find("(Y)es/(N)o"), std::string::npos);
}

}  // namespace
