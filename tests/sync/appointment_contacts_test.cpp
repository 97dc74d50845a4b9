// The contacts a meeting request carries, and the safe body access, on a real
// profile with the add-in's item machinery installed.
#include <gtest/gtest.h>

#include "platform/store/Links.h"
#include "platform/store/Recipients.h"
#include "support/SyncFixture.h"
#include "sync/mAppointmentContacts.h"
#include "sync/mAppointments.h"
#include "sync/mSafeXPSP3.h"

namespace {

using platform::Item;
namespace contacts = mAppointmentContacts;

class AppointmentContactsTest : public testing_support::SyncFixture {
 protected:
  platform::Folder Contacts() const { return Default(platform::olFolderContacts); }
  Item Contact(const std::string& name, const std::string& email, const std::string& virtualEmail = "") {
    Item c = Contacts().Items().Add(platform::olContactItem);
    c.Set("FullName", name);
    if (!email.empty()) c.Set("Email1Address", email);
    if (!virtualEmail.empty()) contacts::SetVirtualEmail(c, virtualEmail);
    c.Save();
    return c;
  }
  // A meeting alice organises, saved in the calendar, and the request made of it.
  Item Request(const std::string& body, const std::vector<Item>& linked) {
    Item appt = NewAppointment(Calendar(), "Planning");
    appt.SetMeetingStatus(platform::olMeeting);
    appt.SetGlobalObjectID({1, 2, 3, 4});
    for (const Item& c : linked) appt.Links().Add(c);
    appt.Save();
    Item request = Default(platform::olFolderOutbox).Items().AddOfClass(platform::olMeetingRequest);
    request.SetSubject("Planning");
    request.SetBody(body);
    request.SetGlobalObjectID({1, 2, 3, 4});
    request.Save();
    return request;
  }
  Item Received(const std::string& body) {
    Item request = Default(platform::olFolderInbox).Items().AddOfClass(platform::olMeetingRequest);
    request.SetBody(body);
    request.Save();
    return request;
  }
  std::vector<std::string> LinkedNames(const Item& item) const {
    std::vector<std::string> names;
    platform::Links links = item.Links();
    for (int i = 1; i <= links.Count(); ++i) names.push_back(links.Item(i).Name);
    return names;
  }
  Item Linked(const Item& item, int index) const { return session->GetItemFromID(item.Links().Item(index).EntryID); }
};

TEST_F(AppointmentContactsTest, TheSentRequestCarriesTheLinkedContactsInLinkOrder) {
  Item ann = Contact("Ann Ames", "ann@example.org");
  Item vic = Contact("Vic Virtual", "vic@example.org", "alice@example.org/1");
  Item request = Request("Agenda", {ann, vic});
  contacts::OnItemSend(request);
  EXPECT_EQ(request.Body(), "Agenda\r\nZTB_Contacts_Attached = Ann Ames;ann@example.org;Vic Virtual;alice@example.org/1");
  EXPECT_TRUE(request.Saved());
}

TEST_F(AppointmentContactsTest, ARequestWithoutContactsAndOtherItemsAreSentUnchanged) {
  Item request = Request("Agenda\r\n", {});
  contacts::OnItemSend(request);
  EXPECT_EQ(request.Body(), "Agenda\r\n");
  Item mail = Default(platform::olFolderOutbox).Items().Add(platform::olMailItem);
  mail.SetBody("Hello");
  contacts::OnItemSend(mail);
  EXPECT_EQ(mail.Body(), "Hello");
  Item nothing;
  contacts::OnItemSend(nothing);
  EXPECT_TRUE(Logged("Argument is nothing"));
}

TEST_F(AppointmentContactsTest, TheReceivedRequestLosesTheLineAndItsLineBreak) {
  struct Case {
    const char* body;
    const char* left;
  } cases[] = {
      {"Agenda\r\nZTB_Contacts_Attached = Ann Ames;ann@example.org", "Agenda"},
      {"Agenda\r\nZTB_Contacts_Attached = Ann Ames;ann@example.org  \r\nnote\r\n", "Agenda\r\nnote\r\n"},
      {"ZTB_Contacts_Attached = Ann Ames;ann@example.org", ""},
  };
  for (const Case& c : cases) {
    Item request = Received(c.body);
    contacts::AppointmentContacts_OnNewMail(request);
    EXPECT_EQ(request.Body(), c.left) << c.body;
    EXPECT_EQ(LinkedNames(request), std::vector<std::string>{"Ann Ames"}) << c.body;
    EXPECT_TRUE(request.Saved());
  }
  // One contact was made for the first request and found for the others.
  EXPECT_EQ(Contacts().Items().Count(), 1);
}

TEST_F(AppointmentContactsTest, ARequestWithoutTheLineIsLeftAlone) {
  Item request = Received("Agenda\r\nZTB_Contacts = x;y");
  contacts::AppointmentContacts_OnNewMail(request);
  EXPECT_EQ(request.Body(), "Agenda\r\nZTB_Contacts = x;y");
  EXPECT_EQ(request.Links().Count(), 0);
}

TEST_F(AppointmentContactsTest, OfTwoNamesakesTheOneWithTheAddressIsLinkedElseANewOne) {
  Contact("Ann Ames", "ann@one.org");
  Item second = Contact("Ann Ames", "ann@two.org");
  Item appt = NewAppointment(Calendar(), "x");
  contacts::SetAppointmentContactsStr(appt, "Ann Ames;ANN@two.org");
  ASSERT_EQ(appt.Links().Count(), 1);
  EXPECT_EQ(appt.Links().Item(1).EntryID, second.EntryID());

  contacts::SetAppointmentContactsStr(appt, "Ann Ames;ann@three.org");
  ASSERT_EQ(appt.Links().Count(), 2);
  EXPECT_EQ(Contacts().Items().Count(), 3);
  EXPECT_EQ(Linked(appt, 2).Email1Address(), "ann@three.org");
  EXPECT_EQ(Linked(appt, 2).FullName(), "Ann Ames");
}

TEST_F(AppointmentContactsTest, AVirtualAddressIsResolvedOnlyThroughTheVirtualProperty) {
  // An ordinary contact whose e-mail is the virtual address never matches.
  Contact("Vic Virtual", "alice@example.org/1");
  Item appt = NewAppointment(Calendar(), "x");
  contacts::SetAppointmentContactsStr(appt, "Vic Virtual;alice@example.org/1");
  ASSERT_EQ(appt.Links().Count(), 1);
  Item made = Linked(appt, 1);
  EXPECT_EQ(contacts::GetVirtualEmail(made), "alice@example.org/1");
  EXPECT_EQ(made.Email1Address(), "");
  EXPECT_EQ(Contacts().Items().Count(), 2);
  EXPECT_TRUE(Logged("AddVirtContactToAppointment, create new contact with FullName = strName"));

  // The next time the virtual contact is found.
  contacts::SetAppointmentContactsStr(appt, "Vic Virtual;alice@example.org/1");
  EXPECT_EQ(Contacts().Items().Count(), 2);
  EXPECT_EQ(appt.Links().Item(2).EntryID, made.EntryID());
  EXPECT_TRUE(Logged("AddContactToAppointment, Found contact with virtual email = alice@example.org/1"));
}

TEST_F(AppointmentContactsTest, ContactTextsThatAreNotPairsOrHoldQuotes) {
  Item appt = NewAppointment(Calendar(), "x");
  contacts::SetAppointmentContactsStr(appt, "");
  contacts::SetAppointmentContactsStr(appt, "Lone name without address");
  EXPECT_EQ(appt.Links().Count(), 0);
  // Names with quotes of both kinds still find their contact.
  Item quoted = Contact("Ann \"the 'boss'\" Ames", "ann@example.org");
  contacts::SetAppointmentContactsStr(appt, "Ann \"the 'boss'\" Ames;ann@example.org");
  ASSERT_EQ(appt.Links().Count(), 1);
  EXPECT_EQ(appt.Links().Item(1).EntryID, quoted.EntryID());
}

TEST_F(AppointmentContactsTest, BodiesAreReadThroughTheSafeItemOfTheirClass) {
  Item mail = Default(platform::olFolderInbox).Items().Add(platform::olMailItem);
  mail.SetBody("mail body");
  EXPECT_EQ(mSafeXPSP3::GetSafeBody(mail), "mail body");
  mSafeXPSP3::SetSafeBody(mail, "new");
  EXPECT_EQ(mail.Body(), "new");
  EXPECT_FALSE(Logged("Class = "));

  // A class without a safe item is read and written directly, and logged.
  Item contact = Contact("Ann Ames", "ann@example.org");
  contact.SetBody("notes");
  EXPECT_EQ(mSafeXPSP3::GetSafeBody(contact), "notes");
  EXPECT_TRUE(Logged("Class = 40"));

  // With the safe library off the read fails: logged, "" returned.
  Redemption::SetRegistered(false);
  EXPECT_EQ(mSafeXPSP3::GetSafeBody(mail), "");
  EXPECT_TRUE(Logged("mSafeXPSP3.GetSafeBody"));
}

}  // namespace
