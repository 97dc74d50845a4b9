#pragma once
// HostSession: the mail client as the host program plays it for one user
// home. It opens the home (registry hive, application data, profile store,
// installation folder), connects the post office, loads the add-in through
// its connection class as the client does, runs the event loop, and shuts
// the add-in down in order.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "addin/Connect.h"
#include "platform/Clock.h"
#include "platform/EventLoop.h"
#include "platform/Prompt.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "platform/client/Application.h"
#include "platform/mail/MailDelivery.h"
#include "platform/mail/MailOutbox.h"
#include "platform/mail/PostOfficeTransport.h"
#include "platform/mail/ProfileOutbox.h"
#include "platform/store/MailSession.h"

namespace host {

// The home's own settings (what the client keeps about its profile).
inline constexpr const char* kHostKey = "Software\\Zentabo Host";

struct InitOptions {
  std::filesystem::path home;
  std::string name;
  std::string email;
  std::filesystem::path postOffice;  // empty: <home>/../postoffice
  std::string clientVersion = "11.0.5608";
  std::filesystem::path dataDir;     // where lang/ and htmls/ are taken from
};

// Creates a user home: registry hive, application data folder, a profile
// store with the default folders and the user's identity, and the add-in's
// installation folder with its language files and page. Throws
// platform::Error with a clear message on failure. Running it again on an
// existing home updates the identity and reinstalls the files; an existing
// profile file that is empty or damaged is an error, never replaced.
void InitHome(const InitOptions& opts);

class HostSession {
 public:
  // Opens an initialised home. prompt must outlive the session. clock: the
  // real clock unless a test passes a virtual one (also outliving it).
  // Throws platform::Error when the home is not initialised, its profile
  // file is missing, empty or damaged, or the profile is in use.
  HostSession(const std::filesystem::path& home, platform::Prompt& prompt, platform::Clock* clock = nullptr);
  ~HostSession();

  // Starts the client: loads the add-in (connection, start-up complete)
  // when its registration says to load it at the start, and opens the
  // first explorer, which runs Init. Returns the state reached (Unloaded
  // when the add-in was not loaded).
  Connect::State Start();
  // Loads a started client's add-in that was not loaded at its start, as
  // the user does from the client's list of add-ins (the registration
  // stays as it is). Returns the state reached.
  Connect::State LoadAddIn();
  // Shuts the add-in down (begin-shutdown, disconnection). Harmless twice.
  void Stop();

  // Picks up mail from the post office into the Inbox and raises new-mail.
  int PickUpMail();
  // The client's send/receive: the account's sync object starts, the queued
  // mails are sent, new mail is picked up, the object ends. While the add-in
  // runs, the event loop does one whenever mail waits in the post office
  // (looked at every 500 ms) and every SendReceiveMinutes of the host's
  // settings (default 30; 0: only when mail waits). Returns the mails taken in.
  int SendAndReceive();
  // Sends the mails that registry and store batches queued (after each
  // commit, and at Start for what a killed run left queued). Failures are
  // logged; the mails stay queued. Returns the number sent.
  int SendQueuedMail();
  // Runs the event loop for `ms` (picking up mail every 500 ms).
  void RunFor(int64_t ms);
  // Runs until every posted message and due timer (new mail 1.9 s, start-up
  // follow-up) has run: what a short command needs before shutdown.
  void Settle();

  Connect& AddIn() { return *m_connect; }
  platform::Application& App() { return *m_app; }
  platform::Registry& Reg() { return *m_registry; }
  platform::System& Sys() { return *m_system; }
  platform::MailSession& Session() { return *m_session; }
  platform::EventLoop& Loop() { return *m_loop; }
  const std::string& Email() const { return m_email; }
  // True when the previous run on this home was killed or crashed, so that
  // work a clean end would have finished may be missing.
  bool LastRunEndedUncleanly() const { return m_session->LastRunEndedUncleanly(); }

 private:
  // True when the post office holds a message for this home.
  bool MailWaiting();
  // The client's own "Print Preview": the folder the first explorer shows
  // (the calendar until it switches), one line an item, earliest first.
  void PrintPreviewOfView();

  std::unique_ptr<platform::RealClock> m_realClock;
  platform::Clock* m_clock;
  std::unique_ptr<platform::Registry> m_registry;
  std::unique_ptr<platform::System> m_system;
  std::unique_ptr<platform::EventLoop> m_loop;
  std::unique_ptr<platform::MailSession> m_session;
  std::unique_ptr<platform::PostOfficeTransport> m_transport;
  std::unique_ptr<platform::MailOutbox> m_outbox;
  std::unique_ptr<platform::ProfileOutbox> m_profileOutbox;
  std::unique_ptr<platform::MailDelivery> m_delivery;
  std::unique_ptr<platform::Application> m_app;
  std::unique_ptr<Connect> m_connect;
  std::string m_email;
  bool m_started = false;
  bool m_loaded = false;  // the add-in was loaded at the start
  platform::TimerId m_pollTimer = 0;
  platform::TimerId m_scheduleTimer = 0;
};

// Reads one value of the host key ("" when missing).
std::string HostValue(platform::Registry& reg, const std::string& name);

}  // namespace host
