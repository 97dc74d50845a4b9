#include "addin/Connect.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <cstdlib>

#include "platform/redemption/Library.h"
#include "platform/redemption/RDOSession.h"
#include "platform/redemption/SafeCurrentUser.h"
#include "addin/CExplorerMenu.h"
#include "addin/CExplorersWrapper.h"
#include "addin/CInspectorHooks.h"
#include "addin/CSendRecieveDetector.h"
#include "addin/frmShablon.h"
#include "addin/mBugFix.h"
#include "addin/mHelp.h"
#include "diagnostics/CDebug.h"
#include "diagnostics/mBugReport.h"
#include "diagnostics/LibKorvel.h"
#include "diagnostics/mReduceLog.h"
#include "dialogs/frmAddressBook.h"
#include "dialogs/frmCurUser.h"
#include "dialogs/frmDebug.h"
#include "dialogs/frmLang.h"
#include "dialogs/mGroupDialogs.h"
#include "dialogs/frmOptions.h"
#include "dialogs/frmRecipients.h"
#include "dialogs/frmSetGroups.h"
#include "exchange/mReceiveAppointments.h"
#include "exchange/mSendAppointments.h"
#include "groups/mAddress.h"
#include "groups/CGroups.h"
#include "groups/CGroupsEnv.h"
#include "groups/IGroupMsgSender.h"
#include "groups/CGroupMsgSender.h"
#include "groups/CKeyGenerator.h"
#include "groups/mFailSafe.h"
#include "groups/mGroups.h"
#include "groups/mProcessMsg.h"
#include "lang/CLang.h"
#include "lang/FormModel.h"
#include "options/COptions.h"
#include "options/CWinReg.h"
#include "options/mOptions.h"
#include "platform/Error.h"
#include "platform/FileUtil.h"
#include "platform/SettingsStore.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "platform/client/AddinRegistry.h"
#include "platform/engine/LoomcastEngine.h"
#include "platform/store/Folders.h"
#include "platform/store/Items.h"
#include "platform/store/Links.h"
#include "platform/store/RecurrencePattern.h"
#include "sync/CJournal.h"
#include "sync/CLoomcastEvents.h"
#include "platform/store/ProfileQueue.h"
#include "sync/CSyncContext.h"
#include "sync/mAppointmentContacts.h"
#include "sync/mAppointments.h"
#include "sync/mLocalSync.h"

namespace {

std::string TwoDigits(int v) { return (v < 10 ? "0" : "") + std::to_string(v); }

}  // namespace

Connect::Connect() {
  // Group mails are processed by the group protocol, then the appointment
  // mails found beside them are received; Syncronize sends the pending
  // changes afterwards.
  m_hooks.ReceiveAppointments = [](std::vector<platform::Item>& mails) {
    mReceiveAppointments::ReceiveAppointments(mails);
  };
  m_hooks.SendAppointments = [](Connect&) {
    std::string recipients;
    mSendAppointments::SendAppointments("", recipients);
  };
  m_hooks.ProcessNewMails = [](Connect& c) {
    if (!c.m_groups || !c.m_mailEnv) return false;
    mProcessMsg::ProcessEnv env(*c.m_groups, *c.m_mailEnv, mOptions::g_Options());
    env.RaiseCustomEvent = [&c](const std::string& e) { c.RaiseCustomEvent(e); };
    env.ReceiveAppointments = c.m_hooks.ReceiveAppointments;
    // A member who shares in other groups already has what they share.
    env.SendMembersItems = [](const std::string& email, const std::string& group, int nShareGroups) {
      mAppointments::SendMembersItems(email, group, nShareGroups > 1, true);
    };
    env.UpdateItemsGroups = [] { mAppointments::UpdateItemsGroups(); };
    return mProcessMsg::OnNewMails(env);
  };
  m_hooks.LocalSynchronization = [](Connect&) { mAppointments::LocalSynchronization(); };
  m_hooks.FastLocalSynchronization = [](Connect&) { mAppointments::FastLocalSynchronization(); };
  m_hooks.ShowItemGroups = [](Connect& c, platform::Item& item) {
    if (!c.m_groups) return;
    platform::Prompt& prompt = c.m_app->UserPrompt();
    InitGroups(item, *c.m_groups, c.m_lang.get(), c.m_app->Reg(), c.m_strStoreId, false,
               [&prompt](frmSetGroups& form) { return form.ShowModal(prompt); },
               [&c](const std::string& owner, const std::string& groups) { return c.CheckRights(owner, groups); });
  };
  m_hooks.ShowRecipients = [](Connect& c, const std::string& recipients) {
    frmRecipients form(c.m_lang.get(), frmAddressBook::KnownPeople(&c.m_app->Session(), c.m_groups.get()),
                       recipients, true);
    form.Form_Load();
    form.ShowModal(c.m_app->UserPrompt());
  };
  m_hooks.NewGroupMsg = [](Connect& c) -> std::unique_ptr<IGroupMsgSender> {
    if (!c.m_mailEnv) return nullptr;
    return std::make_unique<CGroupMsgSender>(*c.m_mailEnv);
  };
}

Connect::~Connect() {
  Done(true);
  if (m_debug) {
    SetGlobalDebug(nullptr);
    m_debug.reset();
  }
}

const char* Connect::StateName(State s) {
  switch (s) {
    case State::Unloaded: return "unloaded";
    case State::Loaded: return "loaded";
    case State::Inert: return "inert";
    case State::Running: return "running";
    case State::Waiting: return "waiting for an explorer";
    case State::Closed: return "closed";
  }
  return "";
}

void Connect::Register(platform::Registry& reg) {
  platform::AddinRegistry::Register(reg, platform::HKEY_CURRENT_USER, kProgId, COptions::ProductShortName(),
                                    COptions::ProductShortName() + ": group calendars shared by e-mail");
}

std::string Connect::Text(const std::string& lid) const { return m_lang ? m_lang->Item(lid) : lid; }

// ---------------------------------------------------------------------------
// Connection events

std::string Connect::ParseOutlookVersion(const std::string& version) {
  std::string first = version.substr(0, version.find('.'));
  if (first == "9") return "9";
  if (!first.empty() && std::all_of(first.begin(), first.end(), [](unsigned char c) { return std::isdigit(c); }) &&
      first.size() < 9 && std::stol(first) >= 10)
    return "10";
  return "";
}

void Connect::OnConnection(platform::Application& app, int /*connectMode*/) {
  try {
    m_app = &app;
    platform::System& sys = app.Sys();
    const std::string appData = COptions::AppDataFolder(sys).string();
    // The writer first, so that everything after it is logged.
    m_debug = std::make_unique<CDebug>(sys.InstallDir().string(), appData);
    m_debug->SetClock(&app.Loop().clock());
    SetGlobalDebug(m_debug.get());
    // Trimmed before this run's marker is written: the trim keeps the text
    // from the first run marker after its cut point, which must be an
    // earlier run's.
    mReduceLog::ReduceLog(appData);
    LibKorvelInit(appData);
    g_Debug().Out("IDTExtensibility2_OnConnection", "USE_DEMAND_EVENT_HANDLING = ", "false");
    m_state = State::Loaded;

    bool ok = true;
    m_strOutlookVersion = ParseOutlookVersion(app.Version());
    if (m_strOutlookVersion.empty()) {
      g_Debug().OutCustomError("IDTExtensibility2_OnConnection", "OutlookVersion is " + app.Version());
      ok = false;
    }
    if (ok) {
      try {
        Redemption::CheckClass("Redemption.MapiUtils");  // proves the library is registered
      } catch (...) {
        g_Debug().OutCustomError("IDTExtensibility2_OnConnection", "Redemption is not registered.");
        ok = false;
      }
    }
    if (!ok) {
      Done(true);
      m_state = State::Inert;
    }
  } catch (...) {
    g_Debug().OutError("Connect.IDTExtensibility2_OnConnection");
    Done(true);
    m_state = State::Inert;
  }
}

void Connect::OnStartupComplete() {
  if (m_state != State::Loaded || !m_app) return;
  // The explorers wrapper: reports the explorers open now and every new one;
  // the first of them (again after all were closed) runs Init.
  try {
    CExplorersWrapper::Events events;
    events.OnExplorer = [this](const platform::Explorer& e, bool first, bool waiting) { OnExplorer(e, first, waiting); };
    events.OnCloseAllExplorers = [this] { OnCloseAllExplorers(); };
    // A switch of folder or selection can change what the menu allows.
    events.OnExplorerSelectionChange = [this](const platform::Explorer&) { UpdateMenus(); };
    events.OnExplorerFolderSwitch = [this](const platform::Explorer&) { UpdateMenus(); };
    m_oExplorers = std::make_shared<CExplorersWrapper>(std::move(events));
    m_oExplorers->Init(m_app->GetExplorers());
  } catch (...) {
    g_Debug().OutError("Connect.IDTExtensibility2_OnStartupComplete");
  }
}

void Connect::OnBeginShutdown() { Done(true); }

void Connect::OnDisconnection(int /*removeMode*/) { Done(true); }

void Connect::OnExplorer(const platform::Explorer& explorer, bool first, bool /*waitingActivate*/) {
  try {
    // Only a loaded add-in, or one waiting after its explorers closed, starts.
    if (first && (m_state == State::Loaded || m_state == State::Waiting)) {
      g_Debug().Out("m_oExplorers_OnExplorer -> First Explorer");
      if (!Init(explorer)) {
        Done(true);
        m_state = State::Inert;
      }
    } else {
      g_Debug().Out("m_oExplorers_OnExplorer -> Next Explorer");
      AddMenu(explorer);
    }
    UpdateMenus();
  } catch (...) {
    g_Debug().OutError("Connect.m_oExplorers_OnExplorer");
  }
}

void Connect::OnCloseAllExplorers() {
  if (m_state == State::Running) Done(false);
}

// ---------------------------------------------------------------------------
// Start-up

std::string Connect::ReadProductValue(const std::string& name) {
  CWinReg reg(m_app->Reg());
  if (!reg.InitForRead(platform::HKEY_CURRENT_USER, COptions::kRegPath)) return "";
  return reg.GetStringValue(name);
}

bool Connect::Init(const platform::Explorer& explorer) {
  try {
    g_Debug().Out("Connect.Init");
    m_bShowProgress = true;
    platform::Application& app = *m_app;
    std::string installDir = app.Sys().InstallDir().string();

    // The language, falling back to english.lng once.
    m_lang = std::make_unique<CLang>(installDir);
    LoadLanguageFile(*m_lang, ReadProductValue("lang"));
    m_bDetectBug117 = ReadProductValue("DetectBug117") == "1";
    // One generator for page ids and every other key, on the loop's clock.
    m_keys = std::make_unique<CKeyGenerator>(app.Loop().clock());
    m_keys->Randomize();
    SetGlobalKeyGenerator(m_keys.get());
    TakeDefaultFolders();
    m_startFlags = {};
    m_fldZentab = mFolders::GetZentabFolder(app.Reg(), m_strStoreId, m_fldCalendar, m_fldRoot, m_startFlags);
    if (!m_fldZentab) {
      g_Debug().OutCustomError("Connect.Init", "Can`t create Zentabo folder.");
      return false;
    }
    // The options before the current user: his identity lives under the store key.
    mOptions::LoadOptions(app.Reg(), m_strStoreId, app.Loop().clock().Now());
    mFolders::ApplyStartFlags(m_startFlags, mOptions::g_Options());
    m_options = std::make_unique<COptions>(app.Reg(), m_strStoreId);
    AddMenu(explorer);
    // A killed run may have missed item events: offer a local synchronisation.
    // The repair is the local synchronisation's: once it is asked for (the
    // option is written at once), the profile need not report it again.
    if (app.Session().LastRunEndedUncleanly()) {
      m_options->NeedLocalSync(true);
      app.Session().AcknowledgeUncleanEnd();
    }
    // The safe-item library's session, through which the current user is
    // read and every add-in mail is sent.
    if (!m_rdoSession) {
      m_rdoSession = std::make_unique<Redemption::RDOSession>(app.Session(), app.SendMail());
      m_rdoSession->Logon();
    }
    if (!LoadCurUser(true)) {
      g_Debug().OutCustomError("Connect.Init", "Can`t load current user.");
      return false;
    }
    // Invalid groups are cleared only when the user says so; otherwise the
    // add-in stays inert.
    SetupGroups();
    if (LoadAndValidateGroups(*m_groups) == GroupsStartup::Refused) return false;
    // The item machinery, then the engine that reports the user's changes to it.
    InstallSync();
    StartEngine();
    mFolders::SetHomePageProperty(m_fldZentab, m_options->ShowHomepage() != 0, app.Sys().InstallDir());
    g_Debug().Out("BEFORE StartTimers(bQuickStartClicked)");
    m_timers = std::make_unique<frmShablon>(app.Loop(), static_cast<ITimerHost&>(*this));
    m_timers->StartTimers(false);
    // What the last run could not send goes now, once.
    FSRestore();
    // New mail does no work in its event: it restarts the one-shot timer, so
    // a burst of mails is processed once.
    m_newMailSub = app.OnNewMail([this] {
      g_Debug().Out("->olAppEvents.NewMail");
      if (m_timers) m_timers->RestartNewMailsTimer();
    });
    // The contacts and the reminder of a meeting request are written into
    // its body on the way out; the send itself always goes ahead.
    m_itemSendSub = app.OnItemSend([this](platform::Item& item, bool&) {
      try {
        mAppointmentContacts::OnItemSend(item);
        mBugFix::BugFix_ItemSend(item, m_app ? m_app->Version() : "");
      } catch (...) {
        g_Debug().OutError("Connect.olAppEvents_ItemSend");
      }
    });
    HookInspectors();
    StartDetector();
    m_state = State::Running;
    return true;
  } catch (...) {
    g_Debug().OutError("Connect.Init");
    return false;
  }
}

void Connect::TakeDefaultFolders() {
  platform::MailSession& session = m_app->Session();
  m_fldInbox = session.GetDefaultFolder(platform::olFolderInbox);
  m_fldDeleted = session.GetDefaultFolder(platform::olFolderDeletedItems);
  m_fldCalendar = session.GetDefaultFolder(platform::olFolderCalendar);
  m_fldSent = session.GetDefaultFolder(platform::olFolderSentMail);
  m_fldRoot = m_fldCalendar.Parent();
  // The root folder's id names this profile's registry sections.
  m_strStoreId = m_fldRoot.EntryID();
}

void Connect::SetupGroups() {
  m_groupsEnv = std::make_unique<CGroupsEnv>();
  CGroupsEnv& env = *m_groupsEnv;
  env.strCurEmail = g_UserEmail;
  env.strCurName = m_strUserName;
  env.OnCurEmailChanged = [this](const std::string& e) {
    g_UserEmail = e;
    CWinReg reg(m_app->Reg());
    if (reg.InitForWrite(platform::HKEY_CURRENT_USER, std::string(COptions::kRegPath) + "\\" + m_strStoreId, true))
      reg.SetStringValue("CurUserAddress", e);
  };
  m_settings = std::make_unique<platform::SettingsStore>(m_app->Reg());
  env.pStore = m_settings.get();
  env.strStoreKey = m_strStoreId;
  env.pPrompt = &m_app->UserPrompt();
  env.pLang = m_lang.get();
  env.NewGroupMsg = [this]() -> std::unique_ptr<IGroupMsgSender> {
    return m_hooks.NewGroupMsg ? m_hooks.NewGroupMsg(*this) : nullptr;
  };
  env.fldCalendar = m_fldCalendar;
  env.fldZentab = m_fldZentab;
  env.DoEvents = [this] { if (m_timers) m_timers->SafeDoEvents(); };
  // The groups' own rewrites of many items run with the folders unwatched.
  env.DoneFolderHandlers = [this] { if (m_events) m_events->DoneFolderHandlers(); };
  env.InitFolderHandlers = [this] { if (m_events) m_events->InitFolderHandlers(); };
  m_mailEnv = std::make_unique<mMain::MailEnv>(*m_rdoSession, m_app->Sys(), m_app->Reg(), m_app->Loop().clock(),
                                               *m_lang, [this] { return g_UserEmail; });
  m_groups = std::make_unique<CGroups>(env);
}

// ---------------------------------------------------------------------------
// The item machinery

void Connect::InstallSync() {
  platform::Application& app = *m_app;
  m_journal = std::make_unique<CJournal>();
  m_sync = std::make_unique<CSyncContext>();
  CSyncContext& s = *m_sync;
  s.pSession = &app.Session();
  // The changes a killed run had queued are still to be sent.
  try {
    s.colPending.Keep(platform::ProfileQueue(app.Session(), "PendingItems"));
  } catch (...) {
    g_Debug().OutError("Connect.InstallSync");
  }
  s.pRdo = m_rdoSession.get();
  s.pGroups = m_groups.get();
  s.pLang = m_lang.get();
  s.pPrompt = &app.UserPrompt();
  s.pSystem = &app.Sys();
  s.pMail = m_mailEnv.get();
  s.strStoreId = m_strStoreId;
  s.strMe = g_UserEmail;
  s.strOutlookMajor = m_strOutlookVersion;
  s.nBias = mMain::GetTimeZoneBias();
  s.fldCalendar = m_fldCalendar;
  s.fldZentab = m_fldZentab;
  s.fldInbox = m_fldInbox;
  s.fldSentItems = m_fldSent;
  s.fldDeletedItems = m_fldDeleted;
  s.pJournal = m_journal.get();
  s.CheckRights = [this](const std::string& owner, const std::string& groups) { return CheckRights(owner, groups); };
  s.RaiseCustomEvent = [this](const std::string& e) { RaiseCustomEvent(e); };
  s.dSyncStart = mOptions::g_Options().dtSynchStart;
  s.dSyncEnd = mOptions::g_Options().dtSynchEnd;
  s.bCleanMode = m_startFlags.bFolderCreated;
  s.bLogEvents = m_options->LogEvents();
  s.Post = [&app](std::function<void()> fn) { app.Loop().Post(std::move(fn)); };
  s.StartSafeTimer = [this] { if (m_timers) m_timers->StartSafeTimer(); };
  s.EnableNewMailsTimer = [this] { if (m_timers) m_timers->RestartNewMailsTimer(); };
  s.NewMailItem = [](platform::Item& mail) {
    mAppointmentContacts::AppointmentContacts_OnNewMail(mail);
    mBugFix::BugFix_OnNewMail(mail);
  };
  s.StartInspectTimer = [this] { if (m_timers) m_timers->StartInspectTimer(); };
  WireLocalSync(s);
  SetGlobalSync(&s);
}

void Connect::WireLocalSync(CSyncContext& s) {
  s.DoEvents = [this] { if (m_timers) m_timers->SafeDoEvents(); };
  s.ShowProgressWindows = [this] { return m_bShowProgress; };
  // The first fast pass looks at what changed since this start.
  s.g_dLastFastSync = m_app->Loop().clock().Now();
  s.UpdateItemsGroups = [] { mAppointments::UpdateItemsGroups(); };
}

void Connect::StartEngine() {
  try {
    platform::Application& app = *m_app;
    m_engine = std::make_unique<platform::loomcast::LoomcastEngine>(app.Session(), app.Loop(), app.Reg());
    const CLoomcastEvents::LogSwitches log{m_options->LogEvents(), m_options->LogOnlyAppointEvents(),
                                           m_options->LogOnlyNotIgnoredEvents(),
                                           m_options->LogNotStartedEventsAsError()};
    m_events = std::make_unique<CLoomcastEvents>(*m_engine, app.Reg(), app.Sys(), log);
    m_engine->SetExtension(m_events.get());
    m_sync->pEvents = m_events.get();
    m_events->InitFolderHandlers();
  } catch (...) {
    g_Debug().OutError("Connect.Init");
    if (m_sync) m_sync->pEvents = nullptr;
    m_events.reset();
    m_engine.reset();
  }
}

void Connect::HookInspectors() {
  CInspectorHooks::Env env;
  env.fldCalendar = m_fldCalendar;
  env.fldZentab = m_fldZentab;
  env.strOutlookVersion = m_app->Version();
  env.Sync = [this] { return m_sync.get(); };
  env.RaiseCustomEvent = [this](const std::string& e) { RaiseCustomEvent(e); };
  env.ShowItemGroups = [this](platform::Item& item) {
    if (m_hooks.ShowItemGroups) m_hooks.ShowItemGroups(*this, item);
  };
  env.ShowRecipients = [this](const std::string& recipients) {
    if (m_hooks.ShowRecipients) m_hooks.ShowRecipients(*this, recipients);
  };
  m_inspectorHooks = std::make_unique<CInspectorHooks>(std::move(env));
  m_inspectorHooks->Init(m_app->GetInspectors());
}

void Connect::StartDetector() {
  CSendRecieveDetector::Events events;
  events.SyncStart = [this] { OnSendRecieveStart(); };
  events.SyncEnd = [this] { OnSendRecieveEnd(); };
  m_detector = std::make_unique<CSendRecieveDetector>(std::move(events));
  m_detector->Init(m_app->GetSyncObjects(), m_app->Loop().clock(), m_strOutlookVersion);
}

bool Connect::SendRecieveSwitchedOff() {
  const std::string text = platform::Trim(ReadProductValue("NotUseSendRecieve"));
  return !text.empty() && std::strtod(text.c_str(), nullptr) != 0;
}

void Connect::OnSendRecieveStart() {
  try {
    if (m_state != State::Running || SendRecieveSwitchedOff()) return;
    g_Debug().Out("OnSendReciveStart: Sending appointments");
    bool saved = m_bShowProgress;
    m_bShowProgress = mOptions::g_Options().ShowProgressBarOnReceiving;
    if (m_hooks.SendAppointments) m_hooks.SendAppointments(*this);
    m_bShowProgress = saved;
  } catch (...) {
    g_Debug().OutError("Connect.m_oSendRecieveDetector_SyncStart");
  }
}

void Connect::OnSendRecieveEnd() {
  try {
    if (m_state != State::Running || SendRecieveSwitchedOff()) return;
    g_Debug().Out("OnSendRecieveEnd");
  } catch (...) {
    g_Debug().OutError("Connect.m_oSendRecieveDetector_SyncEnd");
  }
}

void Connect::StopSync() {
  if (m_events) m_events->OnDone();
  if (m_engine) m_engine->SetExtension(nullptr);
  m_events.reset();
  m_engine.reset();
  if (g_Sync() == m_sync.get()) SetGlobalSync(nullptr);
  m_sync.reset();
  m_journal.reset();
}

void Connect::OnSafeTimer() {
  if (m_events) m_events->OnSafeTimer();
}

void Connect::CloseShamMeeting() {
  if (!m_sync || !m_sync->objShamCopy) return;
  m_sync->objShamCopy.Close(platform::olDiscard);
  m_sync->objShamCopy = {};
}

// ---------------------------------------------------------------------------
// The timer form's calls

void Connect::LocalSynchronization() {
  if (m_hooks.LocalSynchronization) m_hooks.LocalSynchronization(*this);
}

void Connect::FastLocalSynchronization() {
  if (m_hooks.FastLocalSynchronization) m_hooks.FastLocalSynchronization(*this);
}

void Connect::DeleteFolders() { mFolders::DeleteFolders(OverviewCtx()); }

bool Connect::HasReceivers() { return m_groups && !m_groups->GetAppointsRecivers().empty(); }

bool Connect::NeedLocalSync() { return m_options && m_options->NeedLocalSync(); }

void Connect::SetNeedLocalSync() {
  if (m_options) m_options->NeedLocalSync(true);
}

platform::FormRequest Connect::StartNotice(const std::string& name, platform::Buttons buttons) {
  FormModel form(name);
  form.AddControl("lblMessage", "Label");
  if (m_lang) m_lang->LocalizeForm(form);
  platform::FormRequest f;
  f.name = name;
  f.buttons = buttons;
  f.Set("Caption", COptions::ProductShortName());
  f.Set("lblMessage", form.Caption("lblMessage"));
  return f;
}

void Connect::ShowNeedGlobalSync() {
  // The notice says that every item must reach the members again; its OK resends them.
  platform::FormRequest f = StartNotice("frmNeedGlobalSync", platform::Buttons::OK);
  if (m_app->UserPrompt().ShowForm(f) == platform::IDOK) GlobalSynchronization();
}

bool Connect::AskNeedLocalSync() {
  // Unanswered, the question stays No: the option stays set and is asked again next time.
  platform::FormRequest f = StartNotice("frmNeedLocalSync", platform::Buttons::YesNo);
  f.defaultButton = platform::DefaultButton::Second;
  return m_app->UserPrompt().ShowForm(f) == platform::IDYES;
}

bool Connect::AutoGSynchEnable() { return mOptions::g_Options().AutoGSynchEnable; }

long Connect::AutoGSynchPeriod() { return mOptions::g_Options().AutoGSynchPeriod; }

bool Connect::FastSynchOn() { return !mOptions::g_Options().AutoLFastSynchDisable; }

bool Connect::LogEvents() { return m_options && m_options->LogEvents(); }

bool Connect::isEmailAddress(const std::string& text) { return mAddress::isEmailAddress(text); }

bool Connect::LoadCurUser(bool showDialog) {
  try {
    platform::Registry& r = m_app->Reg();
    std::string key = std::string(COptions::kRegPath) + "\\" + m_strStoreId;
    std::string name, address;
    {
      CWinReg reg(r);
      if (reg.InitForRead(platform::HKEY_CURRENT_USER, key)) {
        name = reg.GetStringValue("CurUserName");
        address = reg.GetStringValue("CurUserAddress");
      }
    }
    auto store = [&r, key](const std::string& n, const std::string& a) {
      CWinReg reg(r);
      if (reg.InitForWrite(platform::HKEY_CURRENT_USER, key, true)) {
        reg.SetStringValue("CurUserName", n);
        reg.SetStringValue("CurUserAddress", a);
      }
    };
    auto getCurUser = [this](std::string& n, std::string& a) {
      try {
        if (!m_rdoSession) throw platform::Error("the safe-item library has no logged-on session");
        Redemption::SafeCurrentUser user(*m_rdoSession);
        n = platform::Trim(user.Name());
        a = platform::Lower(platform::Trim(user.Address()));
        user.cleanup();
      } catch (...) {
        g_Debug().OutError("Connect.GetCurUser");
      }
    };
    if (!isEmailAddress(address)) {
      getCurUser(name, address);
      if (!isEmailAddress(address)) address.clear();
      store(name, address);
      if (showDialog) {
        frmCurUser::Env env;
        env.GetCurUser = getCurUser;
        env.Store = store;
        env.ShowEnterCorrectEmail = [this] {
          m_app->UserPrompt().MessageBox(Text("LID_ENTER_CORRECT_EMAIL"), "Zentabo", platform::Buttons::OK,
                                         platform::Icon::Exclamation);
        };
        frmCurUser dlg(env, *m_lang, name, address);
        if (dlg.ShowModal(m_app->UserPrompt())) {
          name = dlg.txtName();
          address = dlg.txtEmail();
        }
      }
    }
    if (!isEmailAddress(address)) return false;
    m_strUserName = name;
    g_UserEmail = address;
    m_bUserLoaded = true;
    return true;
  } catch (...) {
    g_Debug().OutError("Connect.LoadCurUser");
    return false;
  }
}

// ---------------------------------------------------------------------------
// Shutdown

void Connect::Done(bool full) {
  // Nothing to release before the connection or after the final Done; an
  // inert add-in may still hold what a failed start-up created.
  if (m_state == State::Unloaded || m_state == State::Closed) return;
  try {
    g_Debug().Out(std::string("Connect.Done( ") + (full ? "full" : "wait new explorer") + " )");
    // The timer form first, so nothing fires during the release.
    if (m_timers) m_timers->KillTimers();
    m_timers.reset();
    if (m_detector) m_detector->Done();
    m_detector.reset();
    if (m_app && m_newMailSub) m_app->UnsubscribeNewMail(m_newMailSub);
    m_newMailSub = 0;
    // The explorers' menus go with the explorers (storing the bars' places).
    DropMenus();
    if (m_app && m_itemSendSub) m_app->UnsubscribeItemSend(m_itemSendSub);
    m_itemSendSub = 0;
    m_inspectorHooks.reset();
    // Changes not sent yet are kept for the next start.
    FSStore();
    StopSync();
    m_fldRoot = m_fldCalendar = m_fldZentab = m_fldInbox = m_fldDeleted = m_fldSent = {};
    m_groups.reset();
    m_groupsEnv.reset();
    m_mailEnv.reset();
    if (m_rdoSession) m_rdoSession->Logoff();
    m_rdoSession.reset();
    // The options of this run: a later start reads them afresh, and a load
    // that fails then leaves the initial values, not this run's.
    m_options.reset();
    mOptions::g_Options() = {};
    m_settings.reset();
    m_lang.reset();
    SetGlobalKeyGenerator(nullptr);
    m_keys.reset();
    // Only a full shutdown lets go of the explorers wrapper; otherwise the
    // next explorer starts the add-in again.
    if (full) {
      if (m_oExplorers) m_oExplorers->Done(true);
      m_oExplorers.reset();
      if (m_state != State::Inert) m_state = State::Closed;
    } else {
      if (m_oExplorers) m_oExplorers->Done(false);
      m_state = State::Waiting;
    }
  } catch (...) {
    g_Debug().OutError("Connect.Done");
  }
}

// ---------------------------------------------------------------------------
// Public operations

int Connect::SubscribePage(PageHandler handler) {
  m_pageHandlers[m_nextPageHandler] = std::move(handler);
  return m_nextPageHandler++;
}

void Connect::UnsubscribePage(int id) { m_pageHandlers.erase(id); }

void Connect::Raise(PageEvent e, const std::string& id, std::string* byRef) {
  auto handlers = m_pageHandlers;
  for (auto& [k, h] : handlers) {
    try {
      h(e, id, byRef);
    } catch (...) {
      g_Debug().OutError("Connect.RaiseEvent");
    }
  }
}

void Connect::RaiseCustomEvent(const std::string& strEvent) {
  if (strEvent == "Groups")
    Raise(PageEvent::OnChangeGroups, "");
  else if (strEvent == "Appointments")
    Raise(PageEvent::OnChangeAppointments, "");
  else if (strEvent == "Options")
    Raise(PageEvent::onChangeOptions, "");
  else
    g_Debug().OutCustomError("RaiseCustomEvent", "invalid event name - " + strEvent);
}

std::string Connect::GetVersion() const {
  return std::to_string(platform::kVersionMajor) + "." + TwoDigits(platform::kVersionMinor) + "." +
         std::string(platform::kVersionBuild < 1000 ? "0" : "") + std::to_string(platform::kVersionBuild);
}

std::string Connect::GetHtmlID() {
  if (m_keys) return m_keys->GetHtmlID();
  return NewKey();
}

bool Connect::CheckRights(const std::string& strMemberEmail, const std::string& strItemGroups) {
  try {
    g_Debug().OutCall("Connect.CheckRights", strMemberEmail, strItemGroups);
    return m_groups && ::CheckRights(*m_groups, strMemberEmail, strItemGroups);
  } catch (...) {
    g_Debug().OutError("Connect.CheckRights");
    return false;
  }
}

void Connect::EditGroups(const std::function<bool(CGroups& copy)>& edit) {
  ApplyGroupEdit(*m_groups, edit, [this](const std::string& e) { RaiseCustomEvent(e); });
}

void Connect::NewGroup(const std::string& /*strHtmlID*/) {
  try {
    if (!m_groups) return;
    std::string name =
        platform::Trim(m_app->UserPrompt().InputBox(Text("LID_ENTER_GROUP_NAME"), Text("LID_GROUP_NAME")));
    if (!IsValidGroupName(*m_groups, name)) return;
    EditGroups([&](CGroups& copy) { return copy.Add(copy.CreateMyGroup(name)); });
  } catch (...) {
    g_Debug().OutError("Connect.NewGroup");
  }
}

bool Connect::CanDeleteMember(std::string& sEmail, std::string& sGroup) {
  try {
    return m_groups && ::CanDeleteMember(*m_groups, sEmail, sGroup);
  } catch (...) {
    g_Debug().OutError("Connect.CanDeleteMember");
    return false;
  }
}

void Connect::DeleteMember(std::string& sEmail, std::string& sGroup) {
  try {
    if (!m_groups) return;
    bool all = sGroup == "(All Groups)";
    bool mine = platform::EqualsNoCase(sEmail, g_UserEmail);
    std::string lid = mine ? (all ? "LID_REMOVE_ME_ALLGROUPS" : "LID_REMOVE_ME")
                           : (all ? "LID_REMOVE_MEMBER_ALLGROUPS" : "LID_REMOVE_MEMBER");
    std::string text = m_groupsEnv->Text(lid, {sEmail, sGroup});
    int answer = m_app->UserPrompt().MessageBox(text, "Zentabo", platform::Buttons::YesNoCancel,
                                                platform::Icon::Question);
    if (answer != platform::IDYES) return;
    EditGroups([&](CGroups& copy) {
      for (const GroupPtr& g : copy.Groups()) {
        if (!all && g->strName != sGroup) continue;
        for (const MemberPtr& m : g->Members())
          if (platform::EqualsNoCase(m->strEmail, sEmail)) m->bMarkedForRemoving = true;
      }
      return true;
    });
  } catch (...) {
    g_Debug().OutError("Connect.DeleteMember");
  }
}

std::vector<std::string> Connect::GetGroupsCollection() {
  std::vector<std::string> rows;
  try {
    if (m_groups) rows = GroupRows(*m_groups, m_strUserName);
  } catch (...) {
    g_Debug().OutError("Connect.GetGroupsCollection");
  }
  return rows;
}

void Connect::OnNewMails() {
  try {
    if (m_state != State::Running) return;
    bool saved = m_bShowProgress;
    m_bShowProgress = mOptions::g_Options().ShowProgressBarOnReceiving;
    if (m_hooks.ProcessNewMails) m_hooks.ProcessNewMails(*this);
    m_bShowProgress = saved;
  } catch (...) {
    g_Debug().OutError("Connect.OnNewMails");
  }
}

void Connect::Syncronize(bool bShowComplete) {
  try {
    if (m_state != State::Running) return;
    m_bGSynch = true;
    if (m_sync) m_sync->g_bGSynch = true;  // no fast pass meanwhile
    UpdateMenus();
    bool saved = m_bShowProgress;
    if (!bShowComplete) m_bShowProgress = mOptions::g_Options().ShowProgressBarOnReceiving;
    if (m_hooks.ProcessNewMails) m_hooks.ProcessNewMails(*this);
    if (m_hooks.SendAppointments) m_hooks.SendAppointments(*this);
    m_bShowProgress = saved;
    m_bGSynch = false;
    if (m_sync) m_sync->g_bGSynch = false;
    UpdateMenus();
    if (bShowComplete)
      m_app->UserPrompt().MessageBox(Text("LID_SYNCH_COMPLETE"), "Zentabo", platform::Buttons::OK,
                                     platform::Icon::Information);
  } catch (...) {
    m_bGSynch = false;
    if (m_sync) m_sync->g_bGSynch = false;
    UpdateMenus();
    g_Debug().OutError("Connect.Syncronize");
  }
}

bool Connect::EditMember(const std::string& sEmail, const std::string& sGroup) {
  return EditMember(sEmail, sGroup, nullptr, nullptr);
}

bool Connect::EditMember(const std::string& sEmail, const std::string& sGroup,
                         const mGroupDialogs::MemberValues* values, std::string* refusal) {
  try {
    std::string email = sEmail == "[no e-mail]" ? "" : sEmail;
    if (!platform::EqualsNoCase(email, g_UserEmail)) {
      g_Debug().Out("Can change only g_UserEmail");
      if (refusal) *refusal = "only your own entry (" + g_UserEmail + ") can be edited, not " + sEmail;
      return false;
    }
    if (!m_groups) return false;
    return mGroupDialogs::EditMember(*m_groups, m_lang.get(), m_app->UserPrompt(), g_UserEmail, sGroup, values,
                                     [this](const std::string& e) { RaiseCustomEvent(e); });
  } catch (const platform::Error& e) {
    g_Debug().OutWarning("Connect.EditMember", e.what());
    if (refusal) *refusal = e.what();
    return false;
  } catch (...) {
    g_Debug().OutError("Connect.EditMember");
    return false;
  }
}

int Connect::GlobalSynchronization() {
  try {
    if (m_state != State::Running) return 0;
    return mAppointments::GlobalSynchronization();
  } catch (...) {
    g_Debug().OutError("Connect.GlobalSynchronization");
    return 0;
  }
}

bool Connect::RunLocalSynchronization(bool fast, platform::Date since) {
  try {
    if (m_state != State::Running || !g_Sync()) return false;
    if (!fast) return mAppointments::LocalSynchronization();
    if (!since.IsZero()) g_Sync()->g_dLastFastSync = since;
    return mAppointments::FastLocalSynchronization();
  } catch (...) {
    g_Debug().OutError("Connect.RunLocalSynchronization");
    return false;
  }
}

namespace {

// The contact of the default Contacts folder with that full name and
// address (a virtual member's by its "VestrandVirtualEmail"), made when
// there is none.
platform::Item MemberContact(platform::MailSession& session, const std::string& name, const std::string& address) {
  const bool isVirtual = address.find('/') != std::string::npos;
  platform::Folder contacts = session.GetDefaultFolder(platform::olFolderContacts);
  for (platform::Item& c : contacts.Items().All()) {
    if (c.FullName() != name) continue;
    const std::string stored = isVirtual ? mAppointments::GetUserProperty(c, mAppointments::kVirtualEmail)
                                         : c.Email1Address();
    if (platform::EqualsNoCase(stored, address)) return c;
  }
  platform::Item c = contacts.Items().Add(platform::olContactItem);
  c.Set("FullName", name);
  if (isVirtual)
    mAppointments::SetUserProperty(c, mAppointments::kVirtualEmail, address, false);
  else
    c.Set("Email1Address", address);
  c.Save();
  return c;
}

}  // namespace

bool Connect::CreateAppoitmentForMember(const std::string& strOwner, platform::Date StartDate,
                                        platform::Date EndDate, const std::string& strGroups, bool bAllDay,
                                        bool bRecur, const std::string& sContacts) {
  try {
    if (m_state != State::Running) return false;
    if (!CheckRights(strOwner, strGroups)) {
      m_app->UserPrompt().MessageBox(Text("LID_CANT_CREATE_ITEM"), "Zentabo", platform::Buttons::OK,
                                     platform::Icon::Information);
      return false;
    }
    if (strGroups.empty()) g_Debug().OutWarning("Connect.CreateAppoitmentForMember", "Len(strGroups) = 0");
    const std::string owner = strOwner.empty() ? g_UserEmail : platform::Lower(strOwner);
    const bool foreign = !platform::EqualsNoCase(owner, g_UserEmail) && !strGroups.empty();
    if (foreign && !m_fldZentab) {
      g_Debug().OutCustomError("Connect.CreateAppoitmentForMember", "g_fldZentab Is Nothing.");
      return false;
    }
    platform::Item item = (foreign ? m_fldZentab : m_fldCalendar).Items().Add(platform::olAppointmentItem);
    item.SetAllDayEvent(bAllDay);
    item.SetStart(StartDate);
    item.SetEnd(EndDate);
    if (bRecur) item.GetRecurrencePattern();
    mAppointments::SetUserProperty(item, mAppointments::kOwnerAddress, owner, false);
    mAppointments::SetUserProperty(item, mAppointments::kGroups, strGroups, false);
    // The members of the groups (every group for "(All Groups)"), then the
    // contacts passed, each linked once.
    std::vector<std::pair<std::string, std::string>> people;
    const std::vector<std::string> names = platform::Split(strGroups, ';');
    for (const GroupPtr& g : m_groups->Groups()) {
      if (strGroups != mAppointments::kAllGroups && std::find(names.begin(), names.end(), g->strName) == names.end())
        continue;
      for (const MemberPtr& m : g->Members())
        if (!m->IsMySelf) people.emplace_back(m->strName.empty() ? m->strEmail : m->strName, m->strEmail);
    }
    const std::vector<std::string> pairs = platform::Split(sContacts, ';');
    for (size_t i = 0; i + 1 < pairs.size(); i += 2)
      if (!pairs[i + 1].empty()) people.emplace_back(pairs[i], platform::Lower(platform::Trim(pairs[i + 1])));
    platform::Links links = item.Links();
    std::vector<std::string> linked;
    for (const auto& [name, address] : people) {
      if (std::find(linked.begin(), linked.end(), address) != linked.end()) continue;
      linked.push_back(address);
      links.Add(MemberContact(m_app->Session(), name, address));
    }
    g_Debug().Out("CreateAppoitmentForMember, oItem.Display");
    item.Display();
    g_Debug().Out("CreateAppoitmentForMember, after oItem.Display");
    return true;
  } catch (...) {
    g_Debug().OutError("Connect.CreateAppoitmentForMember");
    return false;
  }
}

void Connect::MarkAllAsRead() {
  // Marking read is no change of the user's: its saves are announced to the
  // bridge (ItemSave) and the item events stay suspended meanwhile.
  if (m_sync) m_sync->bEventsSuspended = true;
  try {
    bool changed = false;
    for (platform::Folder f : {m_fldZentab, m_fldCalendar}) {
      if (!f) continue;
      platform::Items items = f.Items();
      for (int i = 1; i <= items.Count(); ++i) {
        platform::Item it = items.Item(i);
        if (it.MessageClass() == "IPM.Appointment" && it.UnRead()) {
          it.SetUnRead(false);
          mAppointments::ItemSave(it);
          changed = true;
        }
      }
    }
    if (changed) RaiseCustomEvent("Appointments");
  } catch (...) {
    g_Debug().OutError("Connect.MarkAllAsRead");
  }
  if (m_sync) m_sync->bEventsSuspended = false;
}

mFolders::OverviewContext Connect::OverviewCtx() {
  mFolders::OverviewContext ctx;
  ctx.reg = &m_app->Reg();
  ctx.storeId = m_strStoreId;
  ctx.zentab = m_fldZentab;
  ctx.calendar = m_fldCalendar;
  ctx.deletedItems = m_fldDeleted;
  ctx.userEmail = g_UserEmail;
  ctx.userName = m_strUserName;
  ctx.bDiagnostic = m_bDetectBug117;
  ctx.lang = m_lang.get();
  ctx.prompt = &m_app->UserPrompt();
  ctx.startDelFoldersTimer = [this] { if (m_timers) m_timers->StartDelFoldersTimer(); };
  return ctx;
}

void Connect::OverviewMembers(const std::string& strGroup, const std::string& strMembers) {
  try {
    (void)strGroup;  // "(All Groups)" counts as no group; the folders do not depend on it
    if (mFolders::CreateFolder(OverviewCtx(), strMembers)) Raise(PageEvent::OverViewCtls, "");
  } catch (...) {
    g_Debug().OutError("Connect.OverviewMembers");
  }
}

std::vector<std::string> Connect::GetViewFolders(const std::string& strHtmlID) {
  try {
    std::string members;
    if (!strHtmlID.empty()) {
      Raise(PageEvent::GetSelectedMembers, strHtmlID, &members);
      mFolders::CreateFolder(OverviewCtx(), members);
    }
    return mFolders::GetViewCollection(OverviewCtx(), members);
  } catch (...) {
    g_Debug().OutError("Connect.GetViewFolders");
    return {};
  }
}

// ---------------------------------------------------------------------------
// Menus, dialogs and the remaining page operations

void Connect::AddMenu(const platform::Explorer& explorer) {
  try {
    if (!m_app || !m_oExplorers) return;
    CExplorerWrapper* wrapper = m_oExplorers->Find(explorer.id);
    if (!wrapper) return;
    auto menu = std::make_shared<CExplorerMenu>(*this, m_app->Reg(), explorer.id);
    menu->Create(m_lang.get(), m_options && m_options->DebugButton() != 0);
    // The window keeps its menu: it goes (storing the bar's place) when the
    // window closes.
    wrapper->AddAssociatedObject("Menu", std::move(menu));
  } catch (...) {
    g_Debug().OutError("Connect.AddMenu");
  }
}

CExplorerMenu* Connect::Menu(int explorerId) {
  CExplorerWrapper* wrapper = m_oExplorers ? m_oExplorers->Find(explorerId) : nullptr;
  if (!wrapper) return nullptr;
  auto menu = wrapper->GetAssociatedObject("Menu");
  auto* held = std::any_cast<std::shared_ptr<CExplorerMenu>>(&menu);
  return held ? held->get() : nullptr;
}

std::vector<CExplorerMenu*> Connect::Menus() {
  std::vector<CExplorerMenu*> menus;
  if (!m_oExplorers) return menus;
  for (int i = 1; i <= m_oExplorers->Count(); ++i)
    if (CExplorerMenu* menu = Menu(m_oExplorers->Item(i)->GetObject().id)) menus.push_back(menu);
  return menus;
}

void Connect::DropMenus() {
  if (!m_oExplorers) return;
  for (int i = 1; i <= m_oExplorers->Count(); ++i) m_oExplorers->Item(i)->RemoveAssociatedObject("Menu");
}

void Connect::UpdateMenus() {
  CExplorerMenu::State state;
  state.running = m_state == State::Running;
  state.sharedFolder = static_cast<bool>(m_fldZentab);
  state.busy = m_bGSynch;
  for (CExplorerMenu* menu : Menus()) menu->UpdateButtons(state);
}

void Connect::ShowOptions(const std::string& /*strHtmlID*/) {
  try {
    if (m_state != State::Running) return;
    frmOptions::Env env;
    std::vector<std::string> names;
    if (m_groups)
      for (const GroupPtr& g : m_groups->Groups()) names.push_back(g->strName);
    env.groupNames = names;
    env.Save = [this](mOptions::Options& o) {
      if (!mOptions::SaveOptions(m_app->Reg(), m_strStoreId, m_app->Loop().clock().Now(), o)) return false;
      mOptions::g_Options() = o;
      RaiseCustomEvent("Options");
      return true;
    };
    frmOptions dlg(env, mOptions::g_Options());
    dlg.ShowModal(m_app->UserPrompt(), m_lang.get());
  } catch (...) {
    g_Debug().OutError("Connect.ShowOptions");
  }
}

void Connect::ShowGroups() {
  try {
    if (!m_groups) return;
    mGroupDialogs::ShowGroups(*m_groups, m_lang.get(), m_app->UserPrompt(),
                              frmAddressBook::KnownPeople(&m_app->Session(), m_groups.get()),
                              [this](const std::string& e) { RaiseCustomEvent(e); });
    RaiseCustomEvent("Groups");
  } catch (...) {
    g_Debug().OutError("Connect.Groups");
  }
}

void Connect::ManageMemberGroups(std::string& sEmail, std::string& sShowAs) {
  try {
    if (!m_groups) return;
    mGroupDialogs::ManageMemberGroups(*m_groups, m_lang.get(), m_app->UserPrompt(), sEmail, sShowAs,
                                      [this](const std::string& e) { RaiseCustomEvent(e); });
  } catch (...) {
    g_Debug().OutError("Connect.ManageMemberGroups");
  }
}

bool Connect::AddNewMembers(const std::string& strGroup) {
  try {
    if (!m_groups) return false;
    return AddNewMember(*m_groups, strGroup,
                        mGroupDialogs::AddNewMemberDialogs(*m_groups, m_lang.get(), m_app->UserPrompt(),
                                                           frmAddressBook::KnownPeople(&m_app->Session(), m_groups.get()),
                                                           [this](const std::string& e) { RaiseCustomEvent(e); }));
  } catch (...) {
    g_Debug().OutError("Connect.AddNewMembers");
    return false;
  }
}

void Connect::NewMember(const std::string& strHtmlID) {
  try {
    std::string group;
    Raise(PageEvent::GetCurGroup, strHtmlID, &group);
    g_Debug().Out("NewMember, Group = " + group);
    AddNewMembers(group);
  } catch (...) {
    g_Debug().OutError("Connect.NewMember");
  }
}

std::string Connect::ShowHelpTopic(const std::string& topic) {
  try {
    if (!m_app) return "";
    g_Debug().Out("help topic " + topic);
    if (!mHelp::IsTopicName(topic)) {
      g_Debug().OutWarning("Connect.ShowHelpTopic", "no help topic " + topic);
      return "";
    }
    const std::filesystem::path page = m_app->Sys().InstallDir() / "help" / topic;
    if (!platform::FileUtil::Exists(page)) {
      g_Debug().OutWarning("Connect.ShowHelpTopic", "no help page " + page.string());
      m_app->UserPrompt().MessageBox("The help page " + topic + " is not installed.",
                                     COptions::ProductShortName() + " Help", platform::Buttons::OK,
                                     platform::Icon::Exclamation);
      return "";
    }
    const std::string html = platform::FileUtil::ReadFile(page);
    const std::string title = mHelp::PageTitle(html);
    m_app->UserPrompt().MessageBox(mHelp::PageText(html) + "\n\n(" + page.string() + ")",
                                   title.empty() ? COptions::ProductShortName() + " Help" : title,
                                   platform::Buttons::OK, platform::Icon::Information);
    return page.string();
  } catch (...) {
    g_Debug().OutError("Connect.ShowHelpTopic");
    return "";
  }
}

std::string Connect::Help() { return ShowHelpTopic("Using_Toolbars.htm"); }

void Connect::About() {
  try {
    if (!m_app) return;
    m_app->UserPrompt().MessageBox(COptions::ProductShortName() + " " + GetVersion() + "\n" +
                                       COptions::CompanyShortName() + "\n" + m_app->Sys().InstallDir().string(),
                                   "About " + COptions::ProductShortName(), platform::Buttons::OK,
                                   platform::Icon::Information);
  } catch (...) {
    g_Debug().OutError("Connect.About");
  }
}

bool Connect::ChooseLanguage(const std::string& name) {
  try {
    if (!m_app || !m_lang) return false;
    frmLang dlg(*m_lang);
    dlg.Form_Load();
    const std::vector<std::string>& names = dlg.LangNames();
    std::string chosen = name;
    if (chosen.empty()) {
      platform::FormRequest form;
      form.name = "frmLang";
      form.Set("Title", dlg.Self().caption);
      form.Set("Languages", platform::Join(names, ", "));
      form.Set("Language", names[static_cast<size_t>(dlg.ListIndex())]);
      if (m_app->UserPrompt().ShowForm(form) != platform::IDOK) return false;
      chosen = platform::Trim(form.Get("Language"));
    }
    auto it = std::find_if(names.begin(), names.end(), [&](const std::string& n) { return platform::EqualsNoCase(n, chosen); });
    if (it == names.end()) {
      m_app->UserPrompt().MessageBox("No language \"" + chosen + "\"; there are: " + platform::Join(names, ", "),
                                     "Zentabo", platform::Buttons::OK, platform::Icon::Exclamation);
      return false;
    }
    dlg.ListIndex(static_cast<int>(it - names.begin()));
    if (!dlg.btnOK_Click(m_app->UserPrompt())) return false;
    CWinReg reg(m_app->Reg());
    if (reg.InitForWrite(platform::HKEY_CURRENT_USER, COptions::kRegPath, true)) reg.SetStringValue("lang", dlg.ChosenFile());
    for (CExplorerMenu* menu : Menus()) menu->OnChangeLang(m_lang.get());
    return true;
  } catch (...) {
    g_Debug().OutError("Connect.ChooseLanguage");
    return false;
  }
}

bool Connect::ShowDebugSettings() {
  try {
    if (!m_options) return false;
    frmDebug dlg(g_Debug(), *m_options);
    if (!dlg.ShowModal(m_app->UserPrompt(), m_lang.get())) return false;
    // The Debug command comes and goes with its switch.
    for (CExplorerMenu* menu : Menus()) menu->Create(m_lang.get(), m_options->DebugButton() != 0);
    UpdateMenus();
    return true;
  } catch (...) {
    g_Debug().OutError("Connect.ShowDebugSettings");
    return false;
  }
}

platform::Item Connect::BugReport() {
  try {
    if (!m_app) return {};
    platform::Application& app = *m_app;
    mBugReport::Env env;
    env.reg = &app.Reg();
    env.sys = &app.Sys();
    env.storeId = m_strStoreId.empty() ? app.Session().StoreKey() : m_strStoreId;
    env.version = GetVersion();
    env.clientVersion = app.Version();
    env.addinFile = platform::System::ProgramFile();
    env.SharedFolderExists = [&app] {
      platform::Folders top = app.Session().GetRootFolder().Folders();
      platform::Folders cal = app.Session().GetDefaultFolder(platform::olFolderCalendar).Folders();
      for (platform::Folders* fs : {&top, &cal})
        for (int i = 1; i <= fs->Count(); ++i)
          if (fs->Item(i).Name() == COptions::ProductShortName()) return true;
      return false;
    };
    env.SafeItemsExist = [] { return true; };  // the library is part of the program
    env.SafeItemsRegistered = [] { return Redemption::IsRegistered(); };
    env.groupsApp = kSettingsApp;
    env.groupsRoot = env.storeId + "\\Groups";
    const mBugReport::Report report = mBugReport::BuildReport(env);
    return mBugReport::CreateReportMail(app.Session(), app.Sys(), report);
  } catch (...) {
    g_Debug().OutError("Connect.BugReport");
    return {};
  }
}

void Connect::PrintPreview() {
  try {
    if (!m_app) return;
    if (m_app->ExecuteMenuCommand("Print Preview")) return;
    g_Debug().OutCustomError("Connect.PrintPreview", "cant find printpreview button in menu");
    if (m_app->ExecuteMenuCommand("Print")) return;
    g_Debug().OutCustomError("Connect.PrintPreview", "cant find print button in menu");
  } catch (...) {
    g_Debug().OutError("Connect.PrintPreview");
  }
}

std::string Connect::GetCustomUI(const std::string& ribbonId) {
  if (ribbonId != "Microsoft.Outlook.Appointment") return "";
  return R"(<customUI xmlns="http://schemas.microsoft.com/office/2006/01/customui" onLoad="Ribbon_OnLoad">
  <ribbon>
    <tabs>
      <tab idMso="TabAppointment">
        <group id="Korvel.ZTB" label="Zentab" getVisible="Button_GetVisible" insertAfterMso="GroupAppointmentOptions">
          <button id="Korvel.ZTB.btnGroups" label="Group" screentip="Create Groups appointment" onAction="Button_Action"/>
        </group>
      </tab>
    </tabs>
  </ribbon>
</customUI>
)";
}

bool Connect::Button_GetVisible(const RibbonControl& control) {
  try {
    const platform::Item& item = control.item;
    if (!item || item.Class() != platform::olAppointment) return false;
    // A new appointment has no folder of its own yet: the window offers the command.
    if (item.EntryID().empty()) return true;
    const platform::Folder folder = item.Parent();
    if (!folder) return false;
    if (m_fldZentab && folder.EntryID() == m_fldZentab.EntryID()) return true;
    return folder.DefaultItemType() == platform::olAppointmentItem;
  } catch (...) {
    g_Debug().OutError("Connect.Button_GetVisible");
    return false;
  }
}

void Connect::Button_Action(RibbonControl& control) {
  try {
    // The same item-groups dialog as the Group button of older windows.
    if (!m_hooks.ShowItemGroups) {
      g_Debug().OutWarning("Connect.Button_Action", "no item-groups dialog");
      return;
    }
    m_hooks.ShowItemGroups(*this, control.item);
  } catch (...) {
    g_Debug().OutError("Connect.Button_Action");
  }
}
