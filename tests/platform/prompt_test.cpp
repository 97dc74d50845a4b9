#include <gtest/gtest.h>

#include <sstream>

#include "platform/Clock.h"
#include "platform/ProgressBar.h"
#include "platform/ProgressLines.h"
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

// A pass walks its items, updating the window and stopping when cancelled.
int RunPass(Prompt& prompt, int items) {
  std::unique_ptr<Progress> p = prompt.ShowProgress("Local synchronisation");
  p->SetText("Analysing calendar items");
  int done = 0;
  for (int i = 1; i <= items && !p->Cancelled(); ++i) {
    ++done;
    p->SetPercent(i * 100 / items);
  }
  return done;
}

TEST(ProgressTest, EachPromptModeAnswersCancel) {
  ScriptedPrompt scripted;
  EXPECT_EQ(RunPass(scripted, 10), 10);
  scripted.CancelProgressAt(50);
  EXPECT_EQ(RunPass(scripted, 10), 5);
  ASSERT_EQ(scripted.Progresses().size(), 2u);
  const ProgressRecord& r = scripted.Progresses()[1];
  EXPECT_EQ(r.caption, "Local synchronisation");
  EXPECT_EQ(r.texts, (std::vector<std::string>{"Analysing calendar items"}));
  EXPECT_EQ(r.percents, (std::vector<int>{10, 20, 30, 40, 50}));
  EXPECT_TRUE(r.cancelled);
  EXPECT_FALSE(r.open);

  UnattendedPrompt unattended(UnattendedPrompt::Policy::No);
  EXPECT_EQ(RunPass(unattended, 10), 10);

  // At a terminal the bar goes to the error stream; input that is not the
  // process's standard input cannot be asked without waiting, so it never cancels.
  std::istringstream in("c\n");
  std::ostringstream out;
  std::ostringstream err;
  TerminalPrompt terminal(in, out, err);
  EXPECT_EQ(RunPass(terminal, 4), 4);
  EXPECT_EQ(out.str(), "");
  EXPECT_NE(err.str().find("100% Analysing calendar items"), std::string::npos);
  EXPECT_EQ(err.str().back(), '\n');
}

TEST(ProgressTest, BarRedrawsInPlaceAndCancelsWhenAsked) {
  std::ostringstream err;
  bool asked = false;
  {
    ProgressBar bar(err, "Copying", [&] { return asked; });
    bar.SetPercent(150);
    EXPECT_EQ(bar.Line(), "Copying [####################] 100% ");
    bar.SetText("a long text that will be replaced");
    bar.SetText("short");
    EXPECT_FALSE(bar.Cancelled());
    asked = true;
    EXPECT_TRUE(bar.Cancelled());
    asked = false;
    EXPECT_TRUE(bar.Cancelled());  // stays cancelled
    bar.SetPercent(-5);
    EXPECT_EQ(bar.Line(), "Copying [....................]   0% cancelling");
  }
  const std::string text = err.str();
  EXPECT_EQ(text.find('\n'), text.size() - 1);  // one line, redrawn with \r
  // The shorter redraw blanks the end of the longer one before it.
  EXPECT_NE(text.find("short" + std::string(28, ' ')), std::string::npos);
}

TEST(ProgressTest, BatchLinesComeEveryFewSecondsAtMost) {
  VirtualClock clock;
  std::ostringstream out;
  {
    ProgressLines lines(out, clock, "Receiving", 5000);
    for (int i = 1; i <= 100; ++i) {
      lines.SetPercent(i);
      clock.Advance(100);  // 10 s in all
    }
    lines.SetText("done");  // 5 s after the last line: written at once
    lines.SetPercent(99);
    EXPECT_FALSE(lines.Cancelled());
    lines.SetPercent(100);  // the close writes the last state only when it is unwritten
  }
  EXPECT_EQ(out.str(),
            "Receiving: (0%)\n"
            "Receiving: (51%)\n"
            "Receiving: done (100%)\n");
}

}  // namespace
