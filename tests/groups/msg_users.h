#pragma once
// Users for the protocol tests: each one a complete home (registry, settings
// store, mail profile, temporary folder) on one shared post office, with its
// live groups and the processing environment the connection class would set
// up, each with its own logged-on session of the safe-item library.
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/redemption/Library.h"
#include "platform/redemption/RDOSession.h"
#include "lang/CLang.h"
#include "exchange/mMain.h"
#include "groups/CGroupMsgSender.h"
#include "groups/CGroups.h"
#include "groups/mProcessMsg.h"
#include "platform/Clock.h"
#include "platform/Registry.h"
#include "platform/ScriptedPrompt.h"
#include "platform/SettingsStore.h"
#include "platform/System.h"
#include "platform/mail/MailDelivery.h"
#include "platform/mail/PostOfficeTransport.h"
#include "platform/store/Attachments.h"
#include "platform/store/Items.h"
#include "platform/store/MailSession.h"

class MsgUser {
 public:
  MsgUser(const std::filesystem::path& root, platform::Transport& transport, platform::Clock& clock,
          std::string name, std::string email)
      : strName(std::move(name)),
        strEmail(std::move(email)),
        home(MakeHome(root / strEmail)),
        registry(std::make_unique<platform::Registry>(home)),
        settings(std::make_unique<platform::SettingsStore>(*registry)),
        system(std::make_unique<platform::System>(home, home / "install")),
        session(OpenProfile(home, strName, strEmail)),
        delivery(std::make_unique<platform::MailDelivery>(*session, transport, clock)),
        rdo(LogOn(*session, *delivery)),
        lang(std::make_unique<CLang>(system->InstallDir().string())),
        mail(*rdo, *system, *registry, clock, *lang, [this] { return strEmail; }),
        groups(MakeGroups()),
        penv(*groups, mail, options) {
    penv.RaiseCustomEvent = [this](const std::string& e) { events.push_back(e); };
    penv.SendMembersItems = [this](const std::string& email, const std::string&, int n) {
      itemsSentTo.push_back(email + ":" + std::to_string(n));
    };
  }

  // Picks up the waiting mails and runs the new-mail handling on them.
  bool Receive() {
    delivery->PickUp();
    return mProcessMsg::OnNewMails(penv);
  }

  int InboxCount() const { return session->GetDefaultFolder(platform::olFolderInbox).Items().Count(); }
  int SentCount() const { return session->GetDefaultFolder(platform::olFolderSentMail).Items().Count(); }

  // Puts a group-message mail straight into the Inbox, as if it had arrived
  // from `from`: the group marker, a body with the given version window
  // (empty texts leave the lines out) and, when attachText is given, the
  // attachment.
  platform::Item PutGroupMail(const std::string& attachText, bool withAttachment = true,
                              const std::string& min = "2.60.0000", const std::string& max = "3.99.9999",
                              const std::string& from = "alice@example.org") {
    platform::Item mail = session->GetDefaultFolder(platform::olFolderInbox).Items().Add(platform::olMailItem);
    mail.SetSubject(mEnvelope::kGroupMarker);
    mail.Set("SenderEmailAddress", from);
    std::string body = "This is a group message.\r\n\r\n";
    if (!min.empty()) body += "CompatibilityVersionMin:" + min + "\r\n";
    if (!max.empty()) body += "CompatibilityVersionMax:" + max + "\r\n";
    mail.SetBody(body);
    if (withAttachment)
      mail.Attachments().AddData("Attach.txt", platform::Bytes(attachText.begin(), attachText.end()), 1, "ZTB");
    mail.SetUnRead(true);
    mail.Save();
    return mail;
  }

  // A one-line picture of the groups: "Team[alice@x:manager:me alice... ]" with
  // "+" for a shared member and the pending action when there is one.
  std::string Picture() const { return PictureOf(*groups); }

  static std::string PictureOf(const CGroups& groups) {
    std::string out;
    for (const GroupPtr& g : groups.Groups()) {
      if (!out.empty()) out += " ";
      out += g->strName + "[";
      bool first = true;
      for (const MemberPtr& m : g->Members()) {
        if (!first) out += " ";
        first = false;
        out += m->strName + ":" + Role2Str(m->nRole) + (m->bShare ? "+" : "") + (m->IsMySelf ? ":me" : "");
        if (m->nAction != ACTION_NONE) out += ":" + Action2Str(m->nAction) + "/" + Wait2Str(m->nWait);
      }
      out += "]";
    }
    return out;
  }

  // The groups as they were saved: a fresh collection loaded from the store.
  std::string StoredPicture() {
    CGroups stored(genv);
    stored.Load();
    return PictureOf(stored);
  }

  std::string strName;
  std::string strEmail;
  std::filesystem::path home;
  std::unique_ptr<platform::Registry> registry;
  std::unique_ptr<platform::SettingsStore> settings;
  std::unique_ptr<platform::System> system;
  std::unique_ptr<platform::MailSession> session;
  std::unique_ptr<platform::MailDelivery> delivery;
  std::unique_ptr<Redemption::RDOSession> rdo;
  std::unique_ptr<CLang> lang;
  platform::ScriptedPrompt prompt;
  mMain::MailEnv mail;
  CGroupsEnv genv;
  mOptions::Options options;
  std::unique_ptr<CGroups> groups;
  mProcessMsg::ProcessEnv penv;
  std::vector<std::string> events;
  std::vector<std::string> itemsSentTo;

 private:
  static std::filesystem::path MakeHome(const std::filesystem::path& path) {
    std::filesystem::create_directories(path);
    return path;
  }
  static std::unique_ptr<platform::MailSession> OpenProfile(const std::filesystem::path& home, const std::string& name,
                                                            const std::string& email) {
    auto session = std::make_unique<platform::MailSession>(platform::MailSession::Open((home / "profile.db").string()));
    session->SetCurrentUser(name, email);
    return session;
  }
  static std::unique_ptr<Redemption::RDOSession> LogOn(platform::MailSession& profile, platform::MailDelivery& delivery) {
    Redemption::SetRegistered(true);
    auto rdo = std::make_unique<Redemption::RDOSession>(profile, [&delivery](const platform::Item& m) { delivery.Send(m); });
    rdo->Logon();
    return rdo;
  }
  // The live groups on this user's environment (filled first).
  std::unique_ptr<CGroups> MakeGroups() {
    genv.strCurEmail = strEmail;
    genv.strCurName = strName;
    genv.pStore = settings.get();
    genv.strStoreKey = session->StoreKey();
    genv.pPrompt = &prompt;
    genv.NewGroupMsg = [this] { return std::make_unique<CGroupMsgSender>(mail); };
    options.AutoAcceptEnable = false;
    return std::make_unique<CGroups>(genv);
  }
};

// A temporary root with a post office and a virtual clock for the users.
class MsgWorld {
 public:
  MsgWorld() {
    static int n = 0;
    root = std::filesystem::temp_directory_path() /
           ("zentabo-protocol-" + std::to_string(getpid()) + "-" + std::to_string(++n));
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root);
    postOffice = std::make_unique<platform::PostOfficeTransport>(root / "postoffice");
  }
  ~MsgWorld() {
    users.clear();
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }
  MsgUser& Add(const std::string& name, const std::string& email) {
    users.push_back(std::make_unique<MsgUser>(root, *postOffice, clock, name, email));
    return *users.back();
  }

  std::filesystem::path root;
  platform::VirtualClock clock;
  std::unique_ptr<platform::PostOfficeTransport> postOffice;
  std::vector<std::unique_ptr<MsgUser>> users;
};
