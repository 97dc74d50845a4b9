// The connection's local synchronisation on a real home: the question after
// a run that was killed, the pass on demand repairing what happened while
// the add-in was off, and new appointments made for a member from the page.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "addin/Connect.h"
#include "options/COptions.h"
#include "platform/ScriptedPrompt.h"
#include "platform/store/Items.h"
#include "platform/store/Links.h"
#include "platform/store/MailSession.h"
#include "support/AddInItems.h"
#include "support/TempHome.h"
#include "sync/CSyncContext.h"
#include "sync/mAppointments.h"

using testing_support::TempDir;
using testing_support::TempHome;

namespace {

using testing_support::SavedAppointment;

// A run of the profile that ends without closing it, as a killed client leaves it.
void RunAndDie(const std::filesystem::path& home) {
  const std::string path = (home / "Profiles" / "Default.db").string();
  const pid_t pid = fork();
  if (pid == 0) {
    platform::MailSession s = platform::MailSession::Open(path);
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
}

bool NeedLocalSync(TempHome& h) { return COptions(h.S().Reg(), h.S().Session().StoreKey()).NeedLocalSync(); }

const platform::PromptRecord* FindForm(const platform::ScriptedPrompt& p, const std::string& name) {
  for (const auto& r : p.Shown())
    if (r.kind == platform::PromptKind::Form && r.text == name) return &r;
  return nullptr;
}

}  // namespace

TEST(ConnectLocalSync, AStartAfterAKilledRunOffersTheLocalSynchronization) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  alice.Open().Start();
  alice.S().Settle();
  alice.Close();
  RunAndDie(alice.Home());

  // Answered No: the question stays for the next start.
  alice.Prompt().QueueForm(platform::IDNO);
  alice.Open().Start();
  alice.S().Settle();
  const platform::PromptRecord* asked = FindForm(alice.Prompt(), "frmNeedLocalSync");
  ASSERT_NE(asked, nullptr);
  EXPECT_EQ(asked->result, platform::IDNO);
  EXPECT_EQ(asked->defaultButton, platform::DefaultButton::Second);
  bool localised = false;
  for (const auto& [name, value] : asked->fields) localised |= name == "lblMessage" && value.find("Synchronize") != std::string::npos;
  EXPECT_TRUE(localised);
  EXPECT_TRUE(NeedLocalSync(alice));
  alice.Close();

  alice.Prompt().ClearRecords();
  alice.Prompt().QueueForm(platform::IDYES);
  alice.Open().Start();
  alice.S().Settle();
  ASSERT_NE(FindForm(alice.Prompt(), "frmNeedLocalSync"), nullptr);
  EXPECT_NE(alice.Log().find("End Local Synch : "), std::string::npos);
  EXPECT_FALSE(NeedLocalSync(alice));
  alice.Close();

  // A clean end asks nothing.
  alice.Prompt().ClearRecords();
  alice.Open().Start();
  alice.S().Settle();
  EXPECT_EQ(FindForm(alice.Prompt(), "frmNeedLocalSync"), nullptr);
}

TEST(ConnectLocalSync, ThePassOnDemandRemovesCopiesOfItemsDeletedWhileTheAddInWasOff) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  alice.Open().Start();
  Connect& c = alice.S().AddIn();
  alice.S().Settle();
  SavedAppointment(c.fldCalendar(), "Dentist");
  alice.S().Settle();
  ASSERT_EQ(c.g_fldZentab().Items().Count(), 1);
  const std::string id = mAppointments::GetUserProperty(c.fldCalendar().Items().Item(1), mAppointments::kItemID);
  alice.Close();

  // The profile without the add-in: the user deletes the item.
  alice.Open();
  alice.S().Session().GetDefaultFolder(platform::olFolderCalendar).Items().Item(1).Delete();
  alice.Close();

  alice.Open().Start();
  Connect& again = alice.S().AddIn();
  alice.S().Settle();
  g_Sync()->colPending.RemoveAll();
  int redraws = 0;
  again.SubscribePage([&](Connect::PageEvent e, const std::string&, std::string*) {
    redraws += e == Connect::PageEvent::OnChangeAppointments;
  });
  EXPECT_TRUE(again.RunLocalSynchronization(false));
  EXPECT_EQ(redraws, 1) << "the page redraws after the pass";
  alice.S().Settle();  // the pass's own writes reach the bridge, which drops them
  EXPECT_EQ(again.g_fldZentab().Items().Count(), 0);
  ASSERT_EQ(g_Sync()->colPending.Count(), 1u);
  ASSERT_NE(g_Sync()->colPending.Item(id), nullptr);
  EXPECT_EQ(g_Sync()->colPending.Item(id)->m_strAction, "Removed");

  // A copy lost while the add-in was off comes back, and nothing is queued for it.
  SavedAppointment(again.fldCalendar(), "Review");
  alice.S().Settle();
  g_Sync()->colPending.RemoveAll();
  platform::Item copy = again.g_fldZentab().Items().Item(1);
  alice.Close();
  alice.Open();
  alice.S().Session().GetItemFromID(copy.EntryID()).Delete();
  alice.Close();
  alice.Open().Start();
  alice.S().Settle();
  Connect& third = alice.S().AddIn();
  EXPECT_TRUE(third.RunLocalSynchronization(false));
  alice.S().Settle();
  EXPECT_EQ(third.g_fldZentab().Items().Count(), 1);
  EXPECT_EQ(g_Sync()->colPending.Count(), 0u);
}

TEST(ConnectLocalSync, AppointmentsForMembersNeedTheRights) {
  TempDir dir;
  TempHome alice(dir.Path(), "alice", "alice@example.com");
  alice.Open().Start();
  Connect& c = alice.S().AddIn();
  alice.S().Settle();
  const platform::Date start = platform::Date::FromParts(2026, 12, 11, 9, 0);
  const platform::Date end = platform::Date::FromParts(2026, 12, 11, 10, 0);

  // Bob's item in a group Alice does not hold: refused, nothing made.
  alice.Prompt().QueueResult(platform::IDOK);
  EXPECT_FALSE(c.CreateAppoitmentForMember("bob@example.com", start, end, "Team", false, false, ""));
  EXPECT_EQ(alice.Prompt().Shown().back().text, c.Text("LID_CANT_CREATE_ITEM"));
  EXPECT_EQ(c.g_fldZentab().Items().Count(), 0);

  // Her own, with a contact passed along: made in the calendar and shown.
  const int shown = alice.S().Session().DisplayCount();
  EXPECT_TRUE(c.CreateAppoitmentForMember("", start, end, "(All Groups)", false, false,
                                          "Carol Cole;carol@example.com"));
  EXPECT_EQ(alice.S().Session().DisplayCount(), shown + 1);
  ASSERT_EQ(alice.S().Session().OpenWindowCount(), 1);
  EXPECT_EQ(c.fldCalendar().Items().Count(), 0) << "unsaved until the user saves it";
  EXPECT_NE(alice.Log().find("CreateAppoitmentForMember, after oItem.Display"), std::string::npos);
  const platform::Folder contacts = alice.S().Session().GetDefaultFolder(platform::olFolderContacts);
  ASSERT_EQ(contacts.Items().Count(), 1);
  EXPECT_EQ(contacts.Items().Item(1).Email1Address(), "carol@example.com");
}
