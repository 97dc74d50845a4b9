#pragma once
// A running add-in's item machinery on a temporary profile: the profile
// posting its item events to an event loop, the sharing engine watching the
// five folders through the add-in's CLoomcastEvents, a journal, and an
// installed CSyncContext ("me" is alice@example.org, client version "10",
// the synchronisation window December 2026 to February 2027). Changes made
// "as the user" go through the engine's AsUser; the safe timer is ticked by
// hand (Tick).
#include <functional>
#include <memory>
#include <string>

#include "options/mOptions.h"
#include "platform/Clock.h"
#include "platform/EventLoop.h"
#include "platform/Registry.h"
#include "platform/engine/LoomcastEngine.h"
#include "support/ProfileFixture.h"
#include "sync/CJournal.h"
#include "sync/CLoomcastEvents.h"
#include "sync/CSyncContext.h"

namespace testing_support {

class SyncFixture : public ProfileFixture {
 protected:
  static platform::Date WindowStart() { return platform::Date::FromParts(2026, 12, 1); }
  static platform::Date WindowEnd() { return platform::Date::FromParts(2027, 2, 1); }

  explicit SyncFixture(CLoomcastEvents::LogSwitches log = {}) {
    // The profile again, now posting its item events to the loop as the client's does.
    const std::string path = session->Path();
    rdo.reset();
    session.reset();
    session = std::make_unique<platform::MailSession>(
        platform::MailSession::Open(path, [this](std::function<void()> fn) { loop.Post(std::move(fn)); }));
    session->SetClock([] { return ModTime(); });
    rdo = std::make_unique<Redemption::RDOSession>(*session, Redemption::MailSender());
    rdo->Logon();
    registry = std::make_unique<platform::Registry>(dir.Path() / "home");
    engine = std::make_unique<platform::loomcast::LoomcastEngine>(*session, loop, *registry);

    ctx.pSession = session.get();
    ctx.pRdo = rdo.get();
    ctx.pSystem = system.get();
    ctx.strMe = "alice@example.org";
    ctx.strOutlookMajor = "10";
    ctx.fldCalendar = Calendar();
    ctx.fldZentab = Shared();
    ctx.fldInbox = session->GetDefaultFolder(platform::olFolderInbox);
    ctx.fldSentItems = session->GetDefaultFolder(platform::olFolderSentMail);
    ctx.fldDeletedItems = session->GetDefaultFolder(platform::olFolderDeletedItems);
    ctx.dSyncStart = WindowStart();
    ctx.dSyncEnd = WindowEnd();
    ctx.pJournal = &journal;
    ctx.Post = [this](std::function<void()> fn) { loop.Post(std::move(fn)); };
    ctx.CheckRights = [this](const std::string& owner, const std::string& groups) {
      return rights && rights(owner, groups);
    };
    SetGlobalSync(&ctx);
    mOptions::g_Options() = {};

    events = std::make_unique<CLoomcastEvents>(*engine, *registry, *system, log);
    engine->SetExtension(events.get());
    ctx.pEvents = events.get();
    events->InitFolderHandlers();
    engine->DrainEvents();
  }
  ~SyncFixture() override {
    SetGlobalSync(nullptr);
    mOptions::g_Options() = {};
    engine->SetExtension(nullptr);
    events.reset();
    engine.reset();
    // The loop dies before the base's profile: the profile must not post into it.
    rdo.reset();
    session.reset();
  }

  platform::Folder Default(platform::OlDefaultFolders type) const { return session->GetDefaultFolder(type); }
  // A saved appointment on 10 December 2026, 10:00-11:00.
  platform::Item Appointment(const platform::Folder& folder, const std::string& subject) {
    platform::Item item = NewAppointment(folder, subject);
    item.SetStart(platform::Date::FromParts(2026, 12, 10, 10, 0));
    item.SetEnd(platform::Date::FromParts(2026, 12, 10, 11, 0));
    item.Save();
    return item;
  }
  // The item as stored now (a handle taken before the add-in's writes does
  // not see them).
  platform::Item Fresh(const platform::Item& item) const { return session->GetItemFromID(item.EntryID()); }
  // Makes a change as the user would and lets the add-in handle its events.
  void AsUser(const std::function<void()>& change) { engine->AsUser(change); }
  // Delivers the events of the writes so far to the add-in.
  void Settle() { engine->DrainEvents(); }
  // One tick of the host's safe timer.
  void Tick() { events->OnSafeTimer(); }
  size_t Count(const platform::Folder& folder) const { return static_cast<size_t>(folder.Items().Count()); }

  platform::VirtualClock clock{platform::Date::FromParts(2026, 12, 5, 9, 0)};
  platform::EventLoop loop{clock};
  std::unique_ptr<platform::Registry> registry;
  std::unique_ptr<platform::loomcast::LoomcastEngine> engine;
  std::unique_ptr<CLoomcastEvents> events;
  CJournal journal;
  CSyncContext ctx;
  // The rights check of other members' items (none: refused).
  std::function<bool(const std::string&, const std::string&)> rights;
};

}  // namespace testing_support
