#pragma once
// Homes for the appointment-exchange tests: the protocol tests' users (each
// a complete home on one shared post office) with the add-in's sync context
// on top - the calendar, the shared folder, the pending queue - and groups
// laid out directly, so that appointments travel by real mail between them.
// Use() installs a home's context; every operation then acts as that user.
#include <memory>
#include <string>
#include <vector>

#include "exchange/CXmlAppointments.h"
#include "exchange/mZip.h"
#include "groups/msg_fixture.h"
#include "groups/msg_users.h"
#include "platform/FileUtil.h"
#include "platform/store/Folders.h"
#include "sync/CSyncContext.h"

class ApptHome {
 public:
  explicit ApptHome(MsgUser& user) : u(user) {
    platform::MailSession& s = *u.session;
    ctx.pSession = &s;
    ctx.pRdo = u.rdo.get();
    ctx.pGroups = u.groups.get();
    ctx.pLang = u.lang.get();
    ctx.pPrompt = &u.prompt;
    ctx.pSystem = u.system.get();
    ctx.pMail = &u.mail;
    ctx.strStoreId = s.StoreKey();
    ctx.strMe = u.strEmail;
    ctx.strOutlookMajor = "10";
    ctx.nBias = -60;
    ctx.fldCalendar = s.GetDefaultFolder(platform::olFolderCalendar);
    ctx.fldInbox = s.GetDefaultFolder(platform::olFolderInbox);
    ctx.fldSentItems = s.GetDefaultFolder(platform::olFolderSentMail);
    ctx.fldDeletedItems = s.GetDefaultFolder(platform::olFolderDeletedItems);
    ctx.fldZentab = ctx.fldCalendar.Folders().Add("Zentabo", platform::olFolderCalendar);
    ctx.RaiseCustomEvent = [this](const std::string& e) { events.push_back(e); };
    ctx.CheckRights = [](const std::string&, const std::string&) { return true; };
    platform::FileUtil::MakeDirs(u.system->InstallDir());
  }
  ~ApptHome() {
    if (g_Sync() == &ctx) SetGlobalSync(nullptr);
  }
  ApptHome(const ApptHome&) = delete;
  ApptHome& operator=(const ApptHome&) = delete;

  // Acts as this user from now on.
  ApptHome& Use() {
    SetGlobalSync(&ctx);
    return *this;
  }

  platform::Item NewAppointment(const std::string& subject, platform::Date start, int minutes = 60) {
    platform::Item item = ctx.fldCalendar.Items().Add(platform::olAppointmentItem);
    item.SetSubject(subject);
    item.SetStart(start);
    item.SetDuration(minutes);
    item.Save();
    return item;
  }

  // Queues a change of an own item the way local synchronisation does.
  void Queue(const std::string& action, const platform::Item& item, const std::string& id,
             const std::string& groups = "Team") {
    ctx.colPending.Add(action, item ? item.EntryID() : "Nothing", id, u.strEmail, groups, "0", "",
                       item ? item.LastModificationTime() : platform::Date(), "");
  }

  std::vector<platform::Item> Inbox() const { return ctx.fldInbox.Items().All(); }
  std::vector<platform::Item> Shared() const { return ctx.fldZentab.Items().All(); }
  int SharedCount() const { return ctx.fldZentab.Items().Count(); }

  MsgUser& u;
  CSyncContext ctx;
  std::vector<std::string> events;
};

// The appointment document that an appointment mail carries, read back
// through the receiver's own unzip (in a scratch folder of `home`).
inline bool ReadMailDocument(const platform::Item& mail, const std::filesystem::path& scratch,
                             CXmlAppointments& xml) {
  std::filesystem::create_directories(scratch);
  const std::string zip = (scratch / "doc.zip").string();
  mail.Attachments().Item(1).SaveAsFile(zip);
  if (!mZip::UnZipFile(zip, scratch.string(), "doc.xml")) return false;
  xml.SetFilename((scratch / "doc.xml").string());
  return xml.Load();
}

// Alice, Bob and Carol in "Team" (Alice its manager), every one sharing,
// each home with its own copy of the group as its owner would hold it.
class ApptWorldTest : public ::testing::Test {
 protected:
  ApptWorldTest() {
    alice = std::make_unique<ApptHome>(world.Add("Alice Able", "alice@example.org"));
    bob = std::make_unique<ApptHome>(world.Add("Bob Builder", "bob@example.org"));
    carol = std::make_unique<ApptHome>(world.Add("Carol Cole", "carol@example.org"));
    for (ApptHome* h : {alice.get(), bob.get(), carol.get()}) Team(*h, {alice.get(), bob.get(), carol.get()});
  }
  ~ApptWorldTest() override { SetGlobalSync(nullptr); }

  // Puts a group `name` holding `members` (the first its manager) into the home's groups.
  static void Team(ApptHome& home, std::vector<ApptHome*> members, const std::string& name = "Team") {
    auto g = std::make_shared<CGroup>();
    g->strName = name;
    g->strKey = "1234567" + std::to_string(home.u.groups->Count()) + "-20261205093000";
    int n = 0;
    for (ApptHome* m : members) {
      auto member = std::make_shared<CMember>();
      member->strKey = "7654321" + std::to_string(n) + "-20261205093000";
      member->strName = m->u.strName;
      member->strEmail = m->u.strEmail;
      member->nRole = n++ == 0 ? ROLE_MANAGER : ROLE_MEMBER;
      member->bShare = true;
      member->IsMySelf = m == &home;
      g->Add(member);
    }
    home.u.groups->Add(g);
    home.u.groups->GetEmailsShowAs();
  }

  MsgLogCapture log;
  MsgWorld world;
  std::unique_ptr<ApptHome> alice, bob, carol;
};
