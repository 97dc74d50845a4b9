#include "host/HostSession.h"

#include <algorithm>
#include <fstream>
#include <iostream>

#include "addin/frmShablon.h"
#include "diagnostics/CDebug.h"
#include "groups/mAddress.h"
#include "groups/mInput.h"
#include "options/mOptions.h"
#include "platform/Error.h"
#include "platform/FileUtil.h"
#include "platform/engine/LoomcastSettings.h"
#include "platform/Text.h"
#include "platform/client/AddinRegistry.h"
#include "platform/store/Items.h"

namespace fs = std::filesystem;

namespace host {

namespace {

fs::path InstallDirOf(const fs::path& home) { return home / "Program Files" / "Korvel" / "Zentabo"; }

void SetHostValue(platform::Registry& reg, const std::string& name, const std::string& value) {
  platform::HKEY key = 0;
  if (reg.CreateKey(platform::HKEY_CURRENT_USER, kHostKey, platform::KEY_ALL_ACCESS, &key) != platform::ERROR_SUCCESS)
    throw platform::Error("cannot write the host settings of the registry in " + reg.Folder().string());
  reg.SetString(key, name, value);
  reg.CloseKey(key);
}

void CopyTree(const fs::path& from, const fs::path& to, const std::string& extension) {
  if (!fs::exists(from)) throw platform::Error("missing installation files in " + from.string());
  fs::create_directories(to);
  for (const auto& e : fs::directory_iterator(from))
    if (e.is_regular_file() && e.path().extension() == extension)
      fs::copy_file(e.path(), to / e.path().filename(), fs::copy_options::overwrite_existing);
}

}  // namespace

std::string HostValue(platform::Registry& reg, const std::string& name) {
  platform::HKEY key = 0;
  if (reg.OpenKey(platform::HKEY_CURRENT_USER, kHostKey, platform::KEY_READ, &key) != platform::ERROR_SUCCESS)
    return "";
  std::string data;
  uint32_t type = 0;
  long rc = reg.QueryValue(key, name, &type, &data);
  reg.CloseKey(key);
  return rc == platform::ERROR_SUCCESS ? data : "";
}

void InitHome(const InitOptions& opts) {
  if (opts.home.empty()) throw platform::Error("no home folder given");
  // The address names the home's post-office folder: one address, or nothing.
  const std::string email = mAddress::NormaliseAddress(opts.email);
  if (!mAddress::IsAddress(email)) throw platform::Error("\"" + opts.email + "\" is not one e-mail address");
  fs::create_directories(opts.home);
  fs::path home = fs::absolute(opts.home);
  fs::path install = InstallDirOf(home);
  platform::Registry reg(home);
  platform::System sys(home, install);
  // The user's shell folders, as the system keeps them for every user: the
  // sharing engine finds its database below the AppData one.
  platform::loomcast::RegisterShellFolders(reg, sys);
  // The add-in's installation folder: language files, the grid page and the help.
  CopyTree(opts.dataDir / "lang", install, ".lng");
  CopyTree(opts.dataDir / "htmls", install / "htmls", ".html");
  CopyTree(opts.dataDir / "help", install / "help", ".htm");
  fs::create_directories(home / "Profiles");
  fs::path profile = home / "Profiles" / "Default.db";
  {
    platform::MailSession session = platform::MailSession::Open(profile.string());
    session.SetCurrentUser(mInput::CleanName(opts.name), email);
  }
  fs::path postOffice = opts.postOffice.empty() ? home.parent_path() / "postoffice" : fs::absolute(opts.postOffice);
  fs::create_directories(postOffice);
  SetHostValue(reg, "Profile", profile.string());
  SetHostValue(reg, "PostOffice", postOffice.string());
  SetHostValue(reg, "ClientVersion", opts.clientVersion);
  SetHostValue(reg, "InstallDir", install.string());
  // Installed as its installer does it: registered to load at the client's start.
  Connect::Register(reg);
  reg.Flush();
}

HostSession::HostSession(const fs::path& homeArg, platform::Prompt& prompt, platform::Clock* clock) {
  fs::path home = fs::absolute(homeArg);
  if (!fs::exists(home / ".registry"))
    throw platform::Error("no Zentabo home at " + home.string() + " (run: zentabo profile init --home " +
                          home.string() + " --name NAME --email ADDRESS)");
  if (!clock) {
    m_realClock = std::make_unique<platform::RealClock>();
    clock = m_realClock.get();
  }
  m_clock = clock;
  try {
    m_registry = std::make_unique<platform::Registry>(home);
  } catch (const platform::Error& e) {
    // The registry's lock is the first one a second program meets.
    if (e.number() == 32) throw platform::Error("the home " + home.string() + " is in use by another zentabo process", 32);
    throw;
  }
  std::string profile = HostValue(*m_registry, "Profile");
  if (profile.empty()) throw platform::Error("the home " + home.string() + " has no profile (run zentabo profile init)");
  std::string install = HostValue(*m_registry, "InstallDir");
  m_system = std::make_unique<platform::System>(home, install.empty() ? InstallDirOf(home) : fs::path(install));
  m_loop = std::make_unique<platform::EventLoop>(*m_clock);
  platform::EventLoop* loop = m_loop.get();
  // Only profile init creates a profile: a new one here would come with a
  // new store key, and the groups kept under the old one would vanish.
  if (!fs::exists(profile))
    throw platform::Error("the profile " + profile + " of the home " + home.string() +
                          " is missing; restore it from a backup (zentabo profile init would create a new, empty one)");
  m_session = std::make_unique<platform::MailSession>(
      platform::MailSession::Open(profile, [loop](std::function<void()> fn) { loop->Post(std::move(fn)); }));
  platform::Clock* c = m_clock;
  m_session->SetClock([c] { return c->Now(); });
  m_email = m_session->CurrentUserAddress();
  std::string postOffice = HostValue(*m_registry, "PostOffice");
  if (!postOffice.empty()) {
    m_transport = std::make_unique<platform::PostOfficeTransport>(postOffice);
    m_outbox = std::make_unique<platform::MailOutbox>(*m_registry, *m_transport, std::string(kHostKey) + "\\Outbox");
    m_profileOutbox = std::make_unique<platform::ProfileOutbox>(*m_session, *m_transport);
    m_delivery = std::make_unique<platform::MailDelivery>(*m_session, *m_transport, *m_clock, m_outbox.get(),
                                                          m_profileOutbox.get());
    m_registry->SetCommitListener([this] { SendQueuedMail(); });
    m_session->SetCommitListener([this] {
      if (m_profileOutbox->MayHoldMail()) SendQueuedMail();
    });
  }
  std::string version = HostValue(*m_registry, "ClientVersion");
  platform::MailDelivery* delivery = m_delivery.get();
  m_app = std::make_unique<platform::Application>(
      version.empty() ? "11.0.5608" : version, *m_session, *m_loop, prompt, *m_registry, *m_system,
      [delivery](const platform::Item& mail) {
        if (!delivery) throw platform::Error("this home has no post office to send mail through");
        delivery->Send(mail);
      });
  // One account: the home's address.
  m_app->GetSyncObjects().Add(m_email.empty() ? "Default" : m_email);
  m_app->AddMenuCommand("Print Preview", [this] { PrintPreviewOfView(); });
  m_connect = std::make_unique<Connect>();
}

HostSession::~HostSession() {
  Stop();
  m_registry->SetCommitListener({});
  m_session->SetCommitListener({});
  m_connect.reset();
}

Connect::State HostSession::Start() {
  m_started = true;
  SendQueuedMail();
  // The client loads the add-ins that its registry lists for loading at
  // its start, and only those.
  m_loaded = platform::AddinRegistry::LoadsAtStartup(*m_registry, Connect::kProgId);
  if (m_loaded) {
    m_connect->OnConnection(*m_app, 1);
    m_connect->OnStartupComplete();
  }
  m_app->GetExplorers().Open("Calendar");
  if (m_delivery) {
    m_pollTimer = m_loop->AddPollHook(
        [this] {
          if (MailWaiting()) SendAndReceive();
        },
        500);
    int minutes = 30;
    const std::string text = HostValue(*m_registry, "SendReceiveMinutes");
    if (!text.empty() && !platform::ParseInt(text, minutes)) minutes = 30;
    if (minutes > 0)
      m_scheduleTimer = m_loop->AddTimer(int64_t{minutes} * 60000, [this] { SendAndReceive(); }, true);
  }
  return m_connect->GetState();
}

Connect::State HostSession::LoadAddIn() {
  if (m_started && !m_loaded) {
    m_loaded = true;
    m_connect->OnConnection(*m_app, 0);
    m_connect->OnStartupComplete();
  }
  return m_connect->GetState();
}

void HostSession::Stop() {
  if (!m_started) return;
  m_started = false;
  if (m_pollTimer) m_loop->RemoveTimer(m_pollTimer);
  if (m_scheduleTimer) m_loop->RemoveTimer(m_scheduleTimer);
  m_pollTimer = m_scheduleTimer = 0;
  if (m_loaded) m_connect->OnBeginShutdown();
  m_app->GetExplorers().CloseAll();
  if (m_loaded) m_connect->OnDisconnection(1);
  m_loaded = false;
  m_registry->Flush();
}

int HostSession::PickUpMail() {
  if (!m_delivery || m_email.empty()) return 0;
  try {
    platform::MailDelivery::PickUpResult r = m_delivery->PickUp(m_email);
    for (const auto& p : r.problems) g_Debug().OutCustomError("Host.PickUpMail", p);
    if (r.arrived > 0) m_session->NotifyNewMail();
    return r.arrived;
  } catch (...) {
    g_Debug().OutError("Host.PickUpMail");
    return 0;
  }
}

bool HostSession::MailWaiting() {
  if (!m_transport || m_email.empty()) return false;
  try {
    return m_transport->HasWaiting(m_email);
  } catch (...) {
    g_Debug().OutError("Host.MailWaiting");
    return false;
  }
}

int HostSession::SendAndReceive() {
  int arrived = 0;
  m_app->GetSyncObjects().SendAndReceive([&] {
    SendQueuedMail();
    arrived = PickUpMail();
  });
  return arrived;
}

int HostSession::SendQueuedMail() {
  int sent = 0;
  try {
    if (m_outbox) sent += m_outbox->SendQueued();
  } catch (...) {
    g_Debug().OutError("Host.SendQueuedMail");
  }
  try {
    if (m_profileOutbox) sent += m_profileOutbox->SendQueued();
  } catch (...) {
    g_Debug().OutError("Host.SendQueuedMail");
  }
  return sent;
}

void HostSession::RunFor(int64_t ms) { m_loop->RunFor(ms); }

void HostSession::PrintPreviewOfView() {
  platform::Explorers& explorers = m_app->GetExplorers();
  platform::Folder folder;
  if (explorers.Count() > 0) folder = explorers.CurrentFolder(explorers.List().front().id);
  if (!folder) folder = m_session->GetDefaultFolder(platform::olFolderCalendar);
  std::vector<platform::Item> items = folder.Items().All();
  std::stable_sort(items.begin(), items.end(),
                   [](const platform::Item& a, const platform::Item& b) { return a.Start() < b.Start(); });
  std::cout << folder.Name() << " (" << items.size() << (items.size() == 1 ? " item" : " items") << ")\n";
  for (const platform::Item& item : items)
    std::cout << item.Start().ToIso().substr(0, 16) << " - " << item.End().ToIso().substr(0, 16) << "  "
              << mInput::EscapeForTerminal(item.Subject()) << "\n";
}

void HostSession::Settle() {
  // The new-mail timer and the start-up follow-up are one-shot timers; run
  // until neither is pending and nothing is posted.
  Connect& c = *m_connect;
  auto idle = [&] {
    frmShablon* t = c.Timers();
    bool busy = m_loop->PendingMessages() > 0;
    if (t) busy = busy || t->IsTimerEnabled("NewMailsTimer") || t->IsTimerEnabled("tmrOnInitialize") ||
                  t->IsTimerEnabled("tmrSafeTimer");
    return !busy;
  };
  m_loop->RunUntil(idle, 30000);
}

}  // namespace host
