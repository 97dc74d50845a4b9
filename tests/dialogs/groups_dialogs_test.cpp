// The groups, members and member-groups dialogs: what each allows, refuses
// and leaves in the edit copy, and what applying the copy sends.
#include "dialogs/DialogsFixture.h"
#include "dialogs/frmAddMembers.h"
#include "dialogs/frmGroups.h"
#include "dialogs/frmMemberGroups.h"
#include "dialogs/frmMembers.h"
#include "dialogs/mGroupDialogs.h"
#include "groups/RecordingSender.h"
#include "groups/mGroupEnums.h"
#include "groups/mGroups.h"
#include "platform/Error.h"

namespace {

// Keeps what it recorded after ApplyGroupEdit has dropped it.
struct KeptSender : RecordingSender {
  explicit KeptSender(std::vector<std::string>* out) : out(out) {}
  ~KeptSender() override { out->insert(out->end(), calls.begin(), calls.end()); }
  std::vector<std::string>* out;
};

}  // namespace

class GroupsDialogsTest : public DialogsTest {
 protected:
  void SetUp() override {
    env.NewGroupMsg = [this] { return std::make_unique<KeptSender>(&sent); };
    // I manage Alpha (bob active, ann's add pending); I am a plain member of Beta.
    G("Alpha", {Me(), M("bob@corp.test", ROLE_MEMBER), M("ann@corp.test", ROLE_ASSISTANT, false, true)});
    G("Beta", {M("boss@corp.test", ROLE_MANAGER), Me(ROLE_MEMBER), M("bob@corp.test", ROLE_MEMBER)});
    copy = std::make_unique<CGroups>(env);
    copy->CopyFrom(*groups);
  }
  std::unique_ptr<frmMembers> Members(const std::string& group) {
    auto f = std::make_unique<frmMembers>(*copy, *copy->FindByName(group), nullptr);
    f->Form_Load();
    return f;
  }
  static std::vector<std::string> Statuses(const frmMembers& f) {
    std::vector<std::string> s;
    for (const auto& r : f.Rows()) s.push_back(r.email + " " + r.status);
    return s;
  }
  // Applies the dialogs' copy to the live groups, recording what is sent.
  bool Apply() {
    KeptSender sender(&sent);
    return groups->ApplyDlgChanges(*copy, &sender);
  }

  std::unique_ptr<CGroups> copy;
  std::vector<std::string> sent;
};

TEST_F(GroupsDialogsTest, MembersListShowsStatusRoleAndMissingAddress) {
  copy->FindByName("Alpha")->Add2("No Address", "", ROLE_MEMBER, false);
  auto f = Members("Alpha");
  EXPECT_EQ(f->lblGroup(), "Alpha");
  EXPECT_EQ(f->lblManager(), "Name of me@corp.test");
  ASSERT_EQ(f->Rows().size(), 4u);
  EXPECT_EQ(f->Rows()[2].role, "assistant");
  EXPECT_EQ(f->Rows()[2].status, "pending");
  EXPECT_EQ(f->Rows()[3].email, "[no e-mail]");
  EXPECT_EQ(f->Rows()[3].sharing, "not sharing");
  EXPECT_TRUE(f->AddEnabled());
  EXPECT_FALSE(f->RemoveEnabled());
  EXPECT_FALSE(f->EditEnabled());
}

TEST_F(GroupsDialogsTest, RemovingANewMemberLeavesNoTraceAnOldOneIsOnlyMarked) {
  auto f = Members("Alpha");
  ASSERT_TRUE(f->AddMember("Carl", "Carl@Corp.Test", ROLE_MEMBER, true));
  EXPECT_EQ(Statuses(*f).back(), "carl@corp.test creating");
  f->Select(f->IndexOf("carl@corp.test"));
  ASSERT_TRUE(f->RemoveSelected());
  EXPECT_EQ(copy->FindByName("Alpha")->FindByEmail("carl@corp.test"), nullptr);

  f->Select(f->IndexOf("bob@corp.test"));
  prompt.QueueResult(platform::IDNO);
  EXPECT_FALSE(f->btnRemove_Click(prompt));
  prompt.QueueResult(platform::IDYES);
  EXPECT_TRUE(f->btnRemove_Click(prompt));
  EXPECT_EQ(prompt.Shown().back().text, "LID_REMOVE_MEMBER");
  EXPECT_EQ(Statuses(*f)[1], "bob@corp.test removing");
  // Marked once: it cannot be removed again.
  f->Select(f->IndexOf("bob@corp.test"));
  EXPECT_FALSE(f->RemoveEnabled());

  ASSERT_TRUE(Apply());
  EXPECT_EQ(sent, std::vector<std::string>{"SendBroadcastRemove bob@corp.test @Alpha"});
  EXPECT_EQ(groups->FindByName("Alpha")->FindByEmail("bob@corp.test"), nullptr);
}

TEST_F(GroupsDialogsTest, PlainMemberMayNeitherAddNorRemoveOthers) {
  auto f = Members("Beta");
  EXPECT_FALSE(f->AddEnabled());
  EXPECT_FALSE(f->AddMember("", "new@corp.test", ROLE_MEMBER, true));
  EXPECT_NE(f->Refusal().find("may not add"), std::string::npos);
  f->Select(f->IndexOf("bob@corp.test"));
  EXPECT_FALSE(f->RemoveEnabled());
  EXPECT_FALSE(f->RemoveSelected());
  EXPECT_FALSE(f->cboRole_Click(ROLE_ASSISTANT));
  EXPECT_NE(f->Refusal().find("may not change the role"), std::string::npos);
  EXPECT_EQ(prompt.Remaining(), 0u);
  EXPECT_EQ(f->btnAdd_Click(prompt, {}), 0);
  EXPECT_TRUE(prompt.Shown().empty());  // no address book for a member

  // Himself he may remove: leaving the group, asked with LID_REMOVE_ME.
  EXPECT_FALSE(f->AddMember("", "me@corp.test/room", ROLE_MEMBER, true));
  f->Select(f->IndexOf(kMe));
  EXPECT_TRUE(f->RemoveEnabled());
  prompt.QueueResult(platform::IDYES);
  EXPECT_TRUE(f->btnRemove_Click(prompt));
  EXPECT_EQ(prompt.Shown().back().text, "LID_REMOVE_ME");
}

TEST_F(GroupsDialogsTest, AddRefusesWhatIsNoNewAddress) {
  auto f = Members("Alpha");
  struct Case {
    std::string address, refusal;
  } cases[] = {
      {"not an address", "is not one e-mail address"},
      {"a@x.test, b@x.test", "is not one e-mail address"},
      {"BOB@corp.test", "already a member"},
      {kMe, "already a member"},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(f->AddMember("", c.address, ROLE_MEMBER, true)) << c.address;
    EXPECT_NE(f->Refusal().find(c.refusal), std::string::npos) << c.address << ": " << f->Refusal();
  }
}

TEST_F(GroupsDialogsTest, RoleAndEditingFollowTheRights) {
  auto f = Members("Alpha");
  EXPECT_FALSE(f->cboRole_Click(ROLE_ASSISTANT));  // nothing selected
  EXPECT_TRUE(Logged("oMember is nothing ot nItem = -1"));
  f->Select(f->IndexOf("bob@corp.test"));
  EXPECT_FALSE(f->cboRole_Click(ROLE_MEMBER));  // already: nothing to change, no refusal
  EXPECT_TRUE(f->Refusal().empty());
  EXPECT_TRUE(f->cboRole_Click(ROLE_ASSISTANT));
  EXPECT_EQ(f->Rows()[1].role, "assistant");
  // ann's add is pending: her role cannot change yet.
  f->Select(f->IndexOf("ann@corp.test"));
  EXPECT_FALSE(f->cboRole_Click(ROLE_MEMBER));
  EXPECT_FALSE(f->Refusal().empty());

  f->Select(f->IndexOf("bob@corp.test"));
  prompt.QueueForm(platform::IDOK, {{"Name", "Bobby"}, {"Sharing", "off"}});
  EXPECT_TRUE(f->btnEditMember_Click(prompt));
  EXPECT_EQ(f->Rows()[1].name, "Bobby");
  EXPECT_EQ(f->Rows()[1].sharing, "not sharing");

  ASSERT_TRUE(Apply());
  const MemberPtr bob = groups->FindByName("Alpha")->FindByEmail("bob@corp.test");
  EXPECT_EQ(bob->strName, "Bobby");
  EXPECT_FALSE(bob->bShare);
  EXPECT_EQ(bob->nRole, ROLE_ASSISTANT);
}

TEST_F(GroupsDialogsTest, CancelPutsTheGroupBack) {
  CGroups before(env);
  before.CopyFrom(*copy);
  auto f = Members("Alpha");
  f->AddMember("", "carl@corp.test", ROLE_MEMBER, true);
  f->Select(f->IndexOf("bob@corp.test"));
  f->RemoveSelected();
  f->Select(f->IndexOf("bob@corp.test"));
  f->btnCancel_Click();
  EXPECT_TRUE(SameStoredGroups(before, *copy));
  for (const MemberPtr& m : copy->FindByName("Alpha")->Members()) EXPECT_FALSE(m->bMarkedForRemoving);
  EXPECT_FALSE(Apply() && !sent.empty());
}

TEST_F(GroupsDialogsTest, GroupsDialogAddsAndMarksGroupsInTheCopyOnly) {
  frmGroups f(*copy, nullptr);
  f.Form_Load();
  EXPECT_EQ(f.ListNames(), (std::vector<std::string>{"Alpha", "Beta"}));
  EXPECT_FALSE(f.RemoveEnabled());

  f.Select(f.IndexOf("Beta"));
  prompt.QueueResult(platform::IDYES);
  EXPECT_TRUE(f.btnRemove_Click(prompt));
  EXPECT_EQ(prompt.Shown().back().text, "LID_GROUP_DELETION_WARNING");
  // Still listed until the copy is applied; no second removal, no members dialog.
  EXPECT_EQ(f.RowText(f.IndexOf("Beta")), "Beta (leaving)");
  EXPECT_FALSE(f.RemoveEnabled());
  EXPECT_EQ(f.btnProperties_Click(), nullptr);
  EXPECT_TRUE(groups->FindByName("Beta"));

  struct Case {
    std::string name, lid;
  } refused[] = {{"(all groups)", "LID_INVALID_GROUP_NAME"},
                 {"A;B", "LID_INVALID_GROUP_NAME2"},
                 {"Beta", "LID_INVALID_GROUP_NAME3"},
                 {" Alpha ", "LID_INVALID_GROUP_NAME4"}};
  for (const Case& c : refused) {
    prompt.QueueResult(platform::IDOK);
    EXPECT_FALSE(f.AddGroup(c.name)) << c.name;
    EXPECT_EQ(prompt.Shown().back().text, c.lid) << c.name;
  }
  prompt.QueueText("  Gamma ");
  ASSERT_TRUE(f.btnAdd_Click(prompt));
  EXPECT_EQ(prompt.Shown().back().text, "LID_ENTER_GROUP_NAME");
  EXPECT_EQ(prompt.Shown().back().title, "LID_GROUP_NAME");
  EXPECT_EQ(f.ListNames().back(), "Gamma");
  EXPECT_FALSE(groups->FindByName("Gamma"));

  ASSERT_TRUE(Apply());
  EXPECT_TRUE(groups->FindByName("Gamma"));
  EXPECT_TRUE(groups->FindByName("Gamma")->GetMySelf()->IsManager());
  EXPECT_FALSE(groups->FindByName("Beta"));  // left
}

TEST_F(GroupsDialogsTest, ModalSessionThroughInputBoxes) {
  frmGroups f(*copy, nullptr);
  f.Form_Load();
  for (const char* line : {"add Gamma", "members 3", "add carl@corp.test Carl Cole", "add dora@corp.test",
                           "role 3 assistant", "remove 9"})
    prompt.QueueText(line);
  prompt.QueueResult(platform::IDOK);  // told: no member numbered 9
  prompt.QueueText("ok");
  prompt.QueueText("ok");
  EXPECT_TRUE(f.ShowModal(prompt, {}));
  EXPECT_EQ(prompt.UnexpectedCount(), 0u);
  ASSERT_TRUE(Apply());
  const GroupPtr gamma = groups->FindByName("Gamma");
  ASSERT_TRUE(gamma);
  ASSERT_EQ(gamma->Count(), 3);
  EXPECT_EQ(gamma->FindByEmail("carl@corp.test")->strName, "Carl Cole");
  EXPECT_EQ(gamma->FindByEmail("dora@corp.test")->nRole, ROLE_ASSISTANT);
  EXPECT_EQ(sent, (std::vector<std::string>{"SendAddRequest carl@corp.test @Gamma",
                                            "SendAddRequest dora@corp.test @Gamma"}));

  // Cancel (or the end of input) applies nothing.
  frmGroups g(*copy, nullptr);
  g.Form_Load();
  prompt.QueueText("add Delta");
  EXPECT_FALSE(g.ShowModal(prompt, {}));
}

TEST_F(GroupsDialogsTest, MemberGroupsChecksWhereHeIsAndLocksWhatIMayNotChange) {
  frmMemberGroups f(*copy, nullptr, "Bob@corp.test", "");
  f.Form_Load();
  EXPECT_EQ(f.CheckedNames(), "Alpha;Beta");
  EXPECT_TRUE(f.Enabled(0));
  EXPECT_FALSE(f.Enabled(1));  // a plain member of Beta
  EXPECT_FALSE(f.CheckNames("Alpha"));
  EXPECT_NE(f.Refusal().find("may not remove"), std::string::npos);
  EXPECT_FALSE(f.CheckNames("Alpha;Beta;Gamma"));
  EXPECT_EQ(f.CheckedNames(), "Alpha;Beta");
  EXPECT_TRUE(f.CheckNames("beta"));
  EXPECT_TRUE(f.btnOK_Click());
  EXPECT_TRUE(copy->FindByName("Alpha")->FindByEmail("bob@corp.test")->bMarkedForRemoving);

  frmMemberGroups carl(*copy, nullptr, "carl@corp.test", "Carl");
  carl.Form_Load();
  EXPECT_EQ(carl.CheckedNames(), "");
  EXPECT_FALSE(carl.Enabled(1));
  prompt.QueueForm(platform::IDOK, {{"Checked", "Alpha"}});
  EXPECT_TRUE(carl.ShowModal(prompt));
  const MemberPtr m = copy->FindByName("Alpha")->FindByEmail("carl@corp.test");
  ASSERT_TRUE(m);
  EXPECT_TRUE(m->bCreating);
  EXPECT_EQ(m->strName, "Carl");
}

TEST_F(GroupsDialogsTest, WizardAddsTheChosenToTheCheckedGroupsWhereIMayAdd) {
  frmAddMembers f(*copy, nullptr, {}, "alpha");
  f.Form_Load();
  EXPECT_EQ(f.ListNames(), std::vector<std::string>{"Alpha"});  // not Beta, where I am a plain member
  EXPECT_TRUE(f.Checked(0));
  EXPECT_FALSE(f.FinishEnabled());
  f.SetChosen({{"Bob", "bob@corp.test"}, {"Carl", "carl@corp.test"}});
  EXPECT_FALSE(f.CheckNames("Beta"));
  EXPECT_EQ(f.btnFinish_Click(), 1);
  EXPECT_NE(f.Refusal().find("bob@corp.test is already a member"), std::string::npos);
  EXPECT_TRUE(copy->FindByName("Alpha")->FindByEmail("carl@corp.test")->bCreating);
}

TEST_F(GroupsDialogsTest, NewMemberCommandRunsTheWizardAndAppliesIt) {
  std::vector<std::string> events;
  AddNewMemberUi ui = mGroupDialogs::AddNewMemberDialogs(*groups, nullptr, prompt, {{"Carl Cole", "carl@corp.test"}},
                                                         [&](const std::string& e) { events.push_back(e); });
  prompt.QueueForm(platform::IDOK, {{"Members", "carl cole"}});
  prompt.QueueForm(platform::IDOK, {{"Checked", "Alpha"}});
  AddNewMember(*groups, " (All Groups) ", ui);
  EXPECT_EQ(prompt.UnexpectedCount(), 0u);
  const MemberPtr carl = groups->FindByName("Alpha")->FindByEmail("carl@corp.test");
  ASSERT_TRUE(carl);
  EXPECT_EQ(carl->strName, "Carl Cole");
  EXPECT_FALSE(carl->WasAdded());  // invited: his answer is pending
  EXPECT_EQ(sent, std::vector<std::string>{"SendAddRequest carl@corp.test @Alpha"});
  EXPECT_EQ(events, std::vector<std::string>{"Groups"});

  // A group's own add-member dialog; cancelled, nothing is applied.
  sent.clear();
  prompt.QueueForm(platform::IDCANCEL);
  EXPECT_FALSE(AddNewMember(*groups, "Alpha", ui));
  EXPECT_TRUE(sent.empty());
}

TEST_F(GroupsDialogsTest, EditingMyEntryRenamesMeWhereIAmAndRefusesWhatTheRightsForbid) {
  std::vector<std::string> events;
  auto raise = [&](const std::string& e) { events.push_back(e); };
  auto names = [&] {
    return groups->FindByName("Alpha")->FindByEmail(kMe)->strName + "|" +
           groups->FindByName("Beta")->FindByEmail(kMe)->strName;
  };

  // Given values, every group holding me: one rename broadcast per group.
  mGroupDialogs::MemberValues rename;
  rename.name = "  Me Myself ";
  EXPECT_TRUE(mGroupDialogs::EditMember(*groups, nullptr, prompt, kMe, "(All Groups)", &rename, raise));
  EXPECT_EQ(names(), "Me Myself|Me Myself");
  EXPECT_EQ(sent, (std::vector<std::string>{"SendBroadcastModifyName me@corp.test @Alpha",
                                            "SendBroadcastModifyName me@corp.test @Beta"}));
  EXPECT_EQ(events, std::vector<std::string>{"Groups"});
  // The same again changes nothing and sends nothing.
  sent.clear();
  EXPECT_FALSE(mGroupDialogs::EditMember(*groups, nullptr, prompt, kMe, "", &rename, raise));
  EXPECT_TRUE(sent.empty());

  // The form, asked once, in one named group only.
  prompt.QueueForm(platform::IDOK, {{"Name", "Just Me"}, {"Sharing", "on"}});
  EXPECT_TRUE(mGroupDialogs::EditMember(*groups, nullptr, prompt, kMe, "Beta", nullptr, raise));
  EXPECT_EQ(prompt.UnexpectedCount(), 0u);
  EXPECT_EQ(names(), "Me Myself|Just Me");

  // Refusals change nothing in any group: my own sharing, a group I am not
  // in, a cancelled form.
  sent.clear();
  mGroupDialogs::MemberValues both;
  both.name = "Other";
  both.share = false;
  EXPECT_THROW(mGroupDialogs::EditMember(*groups, nullptr, prompt, kMe, "", &both, raise), platform::Error);
  EXPECT_THROW(mGroupDialogs::EditMember(*groups, nullptr, prompt, kMe, "Gamma", &rename, raise), platform::Error);
  prompt.QueueForm(platform::IDCANCEL);
  EXPECT_FALSE(mGroupDialogs::EditMember(*groups, nullptr, prompt, kMe, "Alpha", nullptr, raise));
  EXPECT_EQ(names(), "Me Myself|Just Me");
  EXPECT_TRUE(groups->FindByName("Alpha")->FindByEmail(kMe)->bShare);
  EXPECT_TRUE(sent.empty());
}
