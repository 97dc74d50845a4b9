#pragma once
// Application: the emulated desktop mail client as the add-in sees it — its
// version, the logged-on profile, the explorer and item windows with their
// events, the send/receive groups, the new-mail event, and the desktop
// services (event loop, prompts, registry, system) the add-in runs on. The host program owns every part; Application
// only bundles references to them, so it must not outlive them.
#include <functional>
#include <string>

#include "platform/EventLoop.h"
#include "platform/Prompt.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "platform/client/Explorers.h"
#include "platform/client/Inspectors.h"
#include "platform/client/SyncObjects.h"
#include "platform/store/MailSession.h"

namespace platform {

class Application {
 public:
  // Hands one saved mail or meeting request of the profile to the client's
  // outgoing transport.
  using MailSender = std::function<void(const Item& mail)>;
  // The client's ItemSend event: the item about to leave; setting `cancel`
  // keeps it from being sent.
  using ItemSendHandler = std::function<void(Item& item, bool& cancel)>;

  // version: the client's version text ("11.0.5608"); sendMail: the
  // client's transport (empty: the profile cannot send). Every reference
  // must outlive the Application.
  Application(std::string version, MailSession& session, EventLoop& loop, Prompt& prompt,
              Registry& registry, System& system, MailSender sendMail);

  const std::string& Version() const { return version_; }
  MailSession& Session() const { return session_; }
  // The client's transport (empty when the profile cannot send).
  const MailSender& SendMail() const { return sendMail_; }
  EventLoop& Loop() const { return loop_; }
  Prompt& UserPrompt() const { return *prompt_; }
  // Replaces the prompt (the host switches between terminal and unattended).
  void SetPrompt(Prompt& prompt) { prompt_ = &prompt; }
  Registry& Reg() const { return registry_; }
  System& Sys() const { return system_; }
  Explorers& GetExplorers() { return explorers_; }
  Inspectors& GetInspectors() { return inspectors_; }
  // One per account; the host adds them.
  SyncObjects& GetSyncObjects() { return syncObjects_; }

  // The client's NewMail event (raised through the profile after mail
  // arrives in the Inbox).
  Subscription OnNewMail(std::function<void()> handler) { return session_.OnNewMail(std::move(handler)); }
  void UnsubscribeNewMail(Subscription id) { session_.Unsubscribe(id); }

  // The client's own menu commands of its explorer windows, by caption
  // ("Print Preview", "Print"); what each does is the host's. Adding a
  // caption again replaces its command.
  void AddMenuCommand(const std::string& caption, std::function<void()> command);
  // Runs the command of that caption; false when the menu has none.
  bool ExecuteMenuCommand(const std::string& caption);
  // The client's ItemSend event. Handlers run synchronously inside Send, in
  // the order subscribed, before the item is handed to the transport.
  Subscription OnItemSend(ItemSendHandler handler);
  void UnsubscribeItemSend(Subscription id);

  // Sends an item as the client's Send does. A mail is sent itself. An
  // appointment that is a meeting the user organises (MeetingStatus
  // olMeeting) is saved, with a global object id made for it when it has
  // none, and a meeting request is made of it in the Outbox - subject,
  // body, times, all-day flag, location, categories, sensitivity, busy
  // status, reminder, global object id, the organiser and its attendees as
  // recipients - and sent instead. ItemSend is raised with the item that
  // leaves; when a handler cancels, nothing is sent (the request made for
  // it is removed) and Send returns false. What leaves is filed in Sent
  // Items. All of it is one store write (with the host's profile outbox the
  // mail leaves after that write commits). Throws platform::Error for
  // another kind of item, a meeting without attendees, a profile that
  // cannot send, or what the store, the transport or a handler throws; then
  // nothing of the send is kept.
  bool Send(const Item& item);

 private:
  bool SendInOneWrite(const Item& item);

  std::string version_;
  MailSession& session_;
  EventLoop& loop_;
  Prompt* prompt_;
  Registry& registry_;
  System& system_;
  MailSender sendMail_;
  Explorers explorers_;
  std::map<std::string, std::function<void()>> menuCommands_;
  std::map<Subscription, ItemSendHandler> itemSendHandlers_;
  Subscription nextItemSendSub_ = 1;
  Inspectors inspectors_;
  SyncObjects syncObjects_;
};

}  // namespace platform
