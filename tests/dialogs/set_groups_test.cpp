// The item-groups dialog, the group assignment of an item, and the
// recipients dialog with its address book.
#include "dialogs/frmAddressBook.h"
#include "dialogs/frmRecipients.h"
#include "dialogs/frmSetGroups.h"
#include "dialogs/DialogsFixture.h"
#include "groups/mGroupEnums.h"
#include "options/mOptions.h"
#include "platform/store/UserProperties.h"

using Choice = frmSetGroups::Choice;

namespace {

frmSetGroups::Values ValuesOf(const std::string& owner, const std::string& groups, bool editable = true) {
  frmSetGroups::Values v;
  v.owner = owner;
  v.groups = groups;
  v.bEditable = editable;
  return v;
}

}  // namespace

class SetGroupsTest : public DialogsTest {
 protected:
  // Me the manager of Alpha and Gamma, a plain member of Beta; bob in Alpha
  // and Beta; my own add to Pending still unconfirmed.
  void SetUp() override {
    G("Alpha", {Me(), M("bob@corp.test", ROLE_MEMBER)});
    G("Beta", {M("boss@corp.test", ROLE_MANAGER), Me(ROLE_MEMBER), M("bob@corp.test", ROLE_MEMBER)});
    G("Gamma", {Me()});
    G("Pending", {M("boss@corp.test", ROLE_MANAGER), Me(ROLE_MEMBER, true)});
  }
  std::unique_ptr<frmSetGroups> Open(frmSetGroups::Values v) {
    auto f = std::make_unique<frmSetGroups>(*groups, nullptr, std::move(v));
    f->Form_Load();
    return f;
  }
};

TEST_F(SetGroupsTest, LoadListsTheOwnersGroupsAndPicksTheChoice) {
  struct Case {
    std::string owner, groups;
    std::vector<std::string> names;
    std::vector<bool> checked;
    Choice choice;
  } cases[] = {
      {kMe, "Gamma;Alpha", {"Alpha", "Beta", "Gamma", "Pending"}, {true, false, true, false}, Choice::Select},
      {kMe, "(All Groups)", {"Alpha", "Beta", "Gamma", "Pending"}, {false, false, false, false}, Choice::All},
      {"BOB@corp.test", "(Null Group)", {"Alpha", "Beta"}, {false, false}, Choice::Null},
      // a name only as part of another, or in another case, is not checked
      {"bob@corp.test", "Alph;beta", {"Alpha", "Beta"}, {false, false}, Choice::Select},
  };
  for (const Case& c : cases) {
    auto f = Open(ValuesOf(c.owner, c.groups));
    EXPECT_EQ(f->ListNames(), c.names) << c.owner << " " << c.groups;
    for (size_t i = 0; i < c.checked.size(); ++i) EXPECT_EQ(f->Checked(i), c.checked[i]) << c.groups << " " << i;
    EXPECT_EQ(f->GetChoice(), c.choice) << c.groups;
    EXPECT_TRUE(f->SelectEnabled());
  }
  EXPECT_EQ(Open(ValuesOf(kMe, ""))->txtOwner(), "Name of me@corp.test");
}

TEST_F(SetGroupsTest, OwnerInNoGroupHasNothingToSelect) {
  auto f = Open(ValuesOf("stranger@else.test", "Alpha"));
  EXPECT_TRUE(f->ListNames().empty());
  EXPECT_FALSE(f->SelectEnabled());
  f->SetChoice(Choice::Null);
  f->SetChoice(Choice::Select);  // disabled: stays on Null
  EXPECT_EQ(f->GetChoice(), Choice::Null);
}

TEST_F(SetGroupsTest, OkStoresWhatTheChoiceSays) {
  struct Case {
    Choice choice;
    std::vector<int> check;
    std::string stored;
  } cases[] = {
      {Choice::Null, {0}, "(Null Group)"},
      {Choice::All, {}, "(All Groups)"},
      {Choice::Select, {2, 0}, "Alpha;Gamma"},  // list order, not click order
      {Choice::Select, {}, ""},                 // nothing checked: an empty list
  };
  for (const Case& c : cases) {
    auto f = Open(ValuesOf(kMe, "Beta"));
    f->SetChecked(1, false);
    for (int i : c.check) f->SetChecked(i, true);
    f->SetChoice(c.choice);
    ASSERT_TRUE(f->btnOK_Click(&prompt));
    EXPECT_TRUE(f->Closed());
    EXPECT_EQ(f->Out().groups, c.stored);
  }
  EXPECT_TRUE(prompt.Shown().empty());
}

TEST_F(SetGroupsTest, NoRightsKeepsTheOldListAndTheDialogOpen) {
  auto f = Open(ValuesOf(kMe, "Alpha"));
  ASSERT_TRUE(f->CheckNames("pending", nullptr));
  EXPECT_FALSE(f->btnOK_Click(&prompt));
  EXPECT_FALSE(f->Closed());
  EXPECT_EQ(f->Out().groups, "Alpha");
  ASSERT_EQ(prompt.Shown().size(), 1u);
  EXPECT_EQ(prompt.Shown()[0].text, "LID_NO_RIGHTS_EDIT_APPOINTMENT");
  EXPECT_EQ(prompt.Shown()[0].title, "Zentabo");

  // Another member's item: only where I am above member and he is added.
  auto bobs = Open(ValuesOf("bob@corp.test", "Alpha"));
  bobs->CheckNames("Beta", nullptr);
  EXPECT_FALSE(bobs->btnOK_Click(nullptr));
  bobs->CheckNames("alpha", nullptr);
  EXPECT_TRUE(bobs->btnOK_Click(nullptr));
  EXPECT_EQ(bobs->Out().groups, "Alpha");
}

TEST_F(SetGroupsTest, ReadOnlyDialogIgnoresClicksAndReturnsTheIncomingList) {
  auto f = Open(ValuesOf(kMe, "Gamma", false));
  EXPECT_FALSE(f->ChoicesEnabled());
  EXPECT_FALSE(f->SelectEnabled());
  f->SetChoice(Choice::All);
  f->SetChecked(0, true);
  EXPECT_TRUE(f->CheckNames("Alpha", nullptr));
  EXPECT_EQ(f->GetChoice(), Choice::Select);
  EXPECT_FALSE(f->Checked(0));
  EXPECT_EQ(f->Result(), "Gamma");
}

TEST_F(SetGroupsTest, UnknownNameChangesNothing) {
  auto f = Open(ValuesOf(kMe, "Gamma"));
  std::string unknown;
  EXPECT_FALSE(f->CheckNames("Alpha;Delta", &unknown));
  EXPECT_EQ(unknown, "Delta");
  EXPECT_FALSE(f->Checked(0));
  EXPECT_TRUE(f->Checked(2));
}

TEST_F(SetGroupsTest, ModalFormAnswersAndGivesUpOnARepeatedRefusal) {
  frmSetGroups::Values v = ValuesOf(kMe, "Alpha");
  v.bShowNotice = true;
  v.subject = "Review";
  frmSetGroups f(*groups, nullptr, v);
  f.Form_Load();
  prompt.QueueForm(platform::IDOK, {{"Choice", "select"}, {"Checked", "beta; GAMMA"}, {"Do not ask again", "yes"}});
  EXPECT_TRUE(f.ShowModal(prompt));
  EXPECT_EQ(f.Out().groups, "Beta;Gamma");
  EXPECT_TRUE(f.Out().bNoticeAnswer);
  ASSERT_FALSE(prompt.Shown().empty());
  const auto& shown = prompt.Shown()[0].fields;
  EXPECT_NE(std::find(shown.begin(), shown.end(), std::make_pair(std::string("Subject"), std::string("Review"))),
            shown.end());

  // Refused for rights, then the very same answer again: a prompt without
  // a person must not loop, it cancels.
  frmSetGroups g(*groups, nullptr, ValuesOf(kMe, "Alpha"));
  g.Form_Load();
  prompt.ClearRecords();
  prompt.QueueForm(platform::IDOK, {{"Checked", "Pending"}});
  prompt.QueueResult(platform::IDOK);
  prompt.QueueForm(platform::IDOK, {{"Checked", "Pending"}});
  EXPECT_FALSE(g.ShowModal(prompt));
  EXPECT_EQ(g.Out().groups, "Alpha");
  EXPECT_EQ(prompt.UnexpectedCount(), 0u);
}

TEST_F(SetGroupsTest, InitGroupsWritesTheItemAndTheNoticeOptions) {
  platform::Item item = NewAppointment(Calendar(), "Planning");
  item.Save();
  auto choose = [](const char* names) {
    return [names](frmSetGroups& f) {
      f.CheckNames(names, nullptr);
      f.SetNoticeChecked(true);
      return f.btnOK_Click(nullptr);
    };
  };
  InitGroupsResult r = InitGroups(item, *groups, nullptr, *registry, "S", true, choose("Gamma"));
  EXPECT_TRUE(r.bConfirmed);
  EXPECT_EQ(item.UserProperties().Find("VestrandGroups").Value(), "Gamma");
  std::string asked, value;
  ASSERT_TRUE(mOptions::GetOptionText(*registry, "S", "NShowMesGroups", asked));
  ASSERT_TRUE(mOptions::GetOptionText(*registry, "S", "NShowMesGroupsValue", value));
  EXPECT_EQ(asked, "yes");
  EXPECT_EQ(value, "Gamma");

  // Another member's item opens read-only; confirming it changes nothing.
  platform::Item foreign = NewAppointment(Shared(), "Bob's");
  foreign.UserProperties().Add("VestrandOwnerAddress").SetValue("bob@corp.test");
  foreign.UserProperties().Add("VestrandGroups").SetValue("Alpha");
  bool editable = true;
  r = InitGroups(foreign, *groups, nullptr, *registry, "S", false, [&](frmSetGroups& f) {
    editable = f.ChoicesEnabled();
    return f.btnOK_Click(nullptr);
  });
  EXPECT_FALSE(editable);
  EXPECT_FALSE(r.bConfirmed);
  EXPECT_EQ(foreign.UserProperties().Find("VestrandGroups").Value(), "Alpha");
  EXPECT_TRUE(Logged("Not current user trying set groups."));
}

class RecipientsTest : public DialogsTest {
 protected:
  void SetUp() override {
    platform::Item c = session->GetDefaultFolder(platform::olFolderContacts).Items().Add(platform::olContactItem);
    c.Set("FullName", std::string("Carol Cole"));
    c.Set("Email1Address", std::string("Carol@Corp.Test"));
    c.Save();
    G("Alpha", {Me(), M("bob@corp.test", ROLE_MEMBER), M("carol@corp.test", ROLE_MEMBER)});
  }
};

TEST_F(RecipientsTest, KnownPeopleAndWhatATypedEntryResolvesTo) {
  const auto people = frmAddressBook::KnownPeople(session.get(), groups.get());
  ASSERT_EQ(people.size(), 3u);  // carol once, by her contact's name
  EXPECT_EQ(people[0].name, "Carol Cole");
  EXPECT_EQ(people[0].address, "carol@corp.test");

  frmAddressBook book(people, "Address Book", {"Required", "Optional"});
  struct Case {
    std::string typed;
    bool ok;
    std::string address;
  } cases[] = {
      {"carol cole", true, "carol@corp.test"},
      {" BOB@corp.test ", true, "bob@corp.test"},
      {"Someone <new@else.test>", true, "new@else.test"},
      {"x@y.test", true, "x@y.test"},
      {"Carol", false, ""},
      {"two@a.test, three@a.test", false, ""},
  };
  for (const Case& c : cases) {
    frmAddressBook::Entry e;
    EXPECT_EQ(book.Resolve(c.typed, &e), c.ok) << c.typed;
    if (c.ok) {
      EXPECT_EQ(e.address, c.address) << c.typed;
    }
  }
  EXPECT_EQ(book.SetWell(1, "Carol Cole; nobody; carol@corp.test"), std::vector<std::string>{"nobody"});
  EXPECT_EQ(book.Well(1).size(), 1u);
}

TEST_F(RecipientsTest, LoadSplitsOrganizerAndAttendees) {
  frmRecipients f(nullptr, {}, " Org@Corp.TEST ;bob@corp.test", false);
  f.Form_Load();
  EXPECT_EQ(f.txtOrganizer(), "org@corp.test");
  EXPECT_EQ(f.Attendees(), std::vector<std::string>{"bob@corp.test"});
  f.btnOK_Click();
  EXPECT_TRUE(f.OK());
  EXPECT_EQ(f.Result(), "org@corp.test;bob@corp.test");
}

TEST_F(RecipientsTest, AddressBookReplacesAttendeesAndOrganizer) {
  frmRecipients f(nullptr, frmAddressBook::KnownPeople(session.get(), groups.get()), "me@corp.test;bob@corp.test",
                  false);
  f.Form_Load();
  prompt.QueueForm(platform::IDOK, {{"Required", "Carol Cole; bob@corp.test"}, {"Resource", "room@corp.test"}});
  f.btnRecipients_Click(prompt);
  EXPECT_EQ(f.Attendees(), (std::vector<std::string>{"carol@corp.test", "bob@corp.test", "room@corp.test"}));
  ASSERT_EQ(prompt.Shown().size(), 1u);
  EXPECT_EQ(prompt.Shown()[0].text, "AddressBook");
  EXPECT_EQ(prompt.Shown()[0].fields[2], std::make_pair(std::string("Required"), std::string("Name of bob@corp.test <bob@corp.test>")));

  // A typed entry the book cannot resolve is named; Cancel keeps the organizer.
  prompt.QueueForm(platform::IDOK, {{"Organizer", "nobody"}});
  prompt.QueueResult(platform::IDCANCEL);
  f.btnOrganizer_Click(prompt);
  EXPECT_EQ(f.txtOrganizer(), "me@corp.test");
  prompt.QueueForm(platform::IDOK, {{"Organizer", "carol cole"}});
  f.btnOrganizer_Click(prompt);
  EXPECT_EQ(f.txtOrganizer(), "carol@corp.test");

  frmRecipients ro(nullptr, {}, "me@corp.test;bob@corp.test", true);
  ro.Form_Load();
  prompt.ClearRecords();
  ro.btnRecipients_Click(prompt);
  ro.btnOrganizer_Click(prompt);
  EXPECT_TRUE(prompt.Shown().empty());
  EXPECT_FALSE(ro.ButtonsEnabled());
}
