#pragma once
// Connect: the add-in's connection class, host of everything else. The mail
// client calls its connection events; it brings the add-in up on the first
// explorer window (Init) and takes it down again (Done), identifies the
// current user, holds the process-wide state, and offers the public
// operations the schedule page and the host's commands call. The events it
// raises to the page are delivered to subscribers.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "addin/ITimerHost.h"
#include "addin/mFolders.h"
#include "exchange/mMain.h"
#include "platform/Date.h"
#include "platform/Prompt.h"
#include "platform/client/Application.h"

class CDebug;
class CLang;
class COptions;
class CGroups;
struct CGroupsEnv;
class IGroupMsgSender;
class frmShablon;
class CKeyGenerator;
struct CSyncContext;
class CJournal;
class CLoomcastEvents;
namespace platform::loomcast {
class LoomcastEngine;
}
namespace Redemption {
class RDOSession;
}
namespace platform {
class SettingsStore;
}

class Connect : private ITimerHost {
 public:
  enum class State { Unloaded, Loaded, Inert, Running, Waiting, Closed };

  // The events of the page interface, in dispatch-id order.
  enum class PageEvent {
    OnZPlus = 1, OnZMinus, OnToday, OnNewAppointment, OnNewMeeting, OnChangeGroups, OnChangeAppointments,
    onChangeOptions, TerminateGrid, InitializeGrid, GetCurGroup, GetSelectedMembers, EventSwitchHours,
    EventPrint, OverViewCtls
  };
  // A page subscriber: the event, its strHtmlID (or ""), and for the two
  // by-reference events the text the page fills in.
  using PageHandler = std::function<void(PageEvent, const std::string& strHtmlID, std::string* byRef)>;

  // Hooks for the modules that the connection calls through and that are
  // filled by later work; each may be empty.
  struct Hooks {
    // Processes the found add-in mails: group messages first, then
    // appointment mails. Returns true when the groups changed. The default
    // runs the group protocol.
    std::function<bool(Connect&)> ProcessNewMails;
    // Receives the appointment mails found beside the group messages (the
    // default applies them to the shared folder); when empty they stay in
    // the Inbox untouched.
    std::function<void(std::vector<platform::Item>& mails)> ReceiveAppointments;
    // Sends the pending appointment changes (the default: as one mail to the
    // groups' receivers).
    std::function<void(Connect&)> SendAppointments;
    // A new group-message object (the model sends through it); the default
    // sends real group mails.
    std::function<std::unique_ptr<IGroupMsgSender>(Connect&)> NewGroupMsg;
    std::function<void(Connect&)> LocalSynchronization;
    std::function<void(Connect&)> FastLocalSynchronization;
  };

  Connect();
  ~Connect();
  Connect(const Connect&) = delete;
  Connect& operator=(const Connect&) = delete;

  void SetHooks(Hooks hooks) { m_hooks = std::move(hooks); }
  Hooks& GetHooks() { return m_hooks; }

  // --- connection events, in the order the client calls them ------------
  void OnConnection(platform::Application& app, int connectMode = 1);
  void OnStartupComplete();
  void OnAddInsUpdate() {}
  void OnBeginShutdown();
  void OnDisconnection(int removeMode = 1);

  // --- the explorers wrapper's events -------------------------------------
  void OnExplorer(const platform::Explorer& explorer, bool first, bool waitingActivate);
  void OnCloseAllExplorers();

  // --- public operations ------------------------------------------------------
  void NewGroup(const std::string& strHtmlID);
  void DeleteMember(std::string& sEmail, std::string& sGroup);
  bool CanDeleteMember(std::string& sEmail, std::string& sGroup);
  void OnNewMails() override;
  std::string GetCurrentUserAddress() const { return g_UserEmail; }
  std::string GetCurrentUserName() const { return m_strUserName; }
  std::vector<std::string> GetGroupsCollection();
  void MarkAllAsRead();
  void ZPlus(const std::string& id) { Raise(PageEvent::OnZPlus, id); }
  void ZMinus(const std::string& id) { Raise(PageEvent::OnZMinus, id); }
  void Today(const std::string& id) { Raise(PageEvent::OnToday, id); }
  void NewMeeting(const std::string& id) { Raise(PageEvent::OnNewMeeting, id); }
  void NewAppointment(const std::string& id) { Raise(PageEvent::OnNewAppointment, id); }
  void RaiseCustomEvent(const std::string& strEvent);
  std::string GetVersion() const;
  void TermGrid(const std::string& id) { Raise(PageEvent::TerminateGrid, id); }
  void OnPrint(const std::string& id) { Raise(PageEvent::EventPrint, id); }
  void SwitchHours(const std::string& id) { Raise(PageEvent::EventSwitchHours, id); }
  void OverviewMembers(const std::string& strGroup, const std::string& strMembers);
  std::vector<std::string> GetViewFolders(const std::string& strHtmlID);
  std::string GetHtmlID();
  // A new appointment for a member (the page's double click): refused with
  // LID_CANT_CREATE_ITEM when the rights do not allow it; otherwise made in
  // the shared folder for another member's item shared with groups, in the
  // calendar otherwise, with owner and groups set, the members of the groups
  // (and the contacts of sContacts, "name;address;...") linked, and
  // displayed. False when nothing was created.
  bool CreateAppoitmentForMember(const std::string& strOwner, platform::Date StartDate, platform::Date EndDate,
                                 const std::string& strGroups, bool bAllDay, bool bRecur,
                                 const std::string& sContacts);
  bool CheckRights(const std::string& strMemberEmail, const std::string& strItemGroups);
  void Syncronize(bool bShowComplete = false) override;
  bool EditMember(const std::string& sEmail, const std::string& sGroup);
  // Resends every shared own item to the members (after the notice that a
  // new shared folder needs it). Returns the number of items sent.
  int GlobalSynchronization();
  // A local synchronisation on demand: the full pass, or with `fast` the
  // incremental one over the items modified since `since` (zero: since the
  // previous fast pass, or this start). True when the pass ran to its end.
  bool RunLocalSynchronization(bool fast, platform::Date since = {});

  int SubscribePage(PageHandler handler);
  void UnsubscribePage(int id);

  // --- internal operations ---------------------------------------------------
  bool Init(const platform::Explorer& explorer);
  void Done(bool full);
  bool LoadCurUser(bool showDialog);
  static bool isEmailAddress(const std::string& text);
  // "9", "10", or "" when the version is refused.
  static std::string ParseOutlookVersion(const std::string& version);

  // --- state -----------------------------------------------------------------
  State GetState() const { return m_state; }
  static const char* StateName(State s);
  bool UserLoaded() const { return m_bUserLoaded; }
  const std::string& OutlookVersion() const { return m_strOutlookVersion; }
  const std::string& StoreId() const { return m_strStoreId; }
  platform::Application* App() const { return m_app; }
  CLang* Lang() const { return m_lang.get(); }
  CGroups* Groups() const { return m_groups.get(); }
  CGroupsEnv* GroupsEnv() const { return m_groupsEnv.get(); }
  frmShablon* Timers() const { return m_timers.get(); }
  // The item machinery's state while running (installed as g_Sync()), and
  // the sharing engine's bridge; null before Init and after Done, the
  // bridge also when the engine could not start.
  CSyncContext* SyncContext() const { return m_sync.get(); }
  CLoomcastEvents* Events() const { return m_events.get(); }
  platform::Folder fldInbox() const { return m_fldInbox; }
  platform::Folder fldCalendar() const { return m_fldCalendar; }
  platform::Folder fldDeletedItems() const { return m_fldDeleted; }
  platform::Folder fldSentItems() const { return m_fldSent; }
  platform::Folder fldStoreRoot() const { return m_fldRoot; }
  platform::Folder g_fldZentab() const { return m_fldZentab; }
  const mFolders::StartFlags& StartFlags() const { return m_startFlags; }
  bool ShowProgress() const { return m_bShowProgress; }
  bool DiagnosticSwitch() const { return m_bDetectBug117; }
  bool g_bGSynch() const { return m_bGSynch; }
  // The text of an identifier (the identifier itself without a language).
  std::string Text(const std::string& lid) const;

 private:
  void Raise(PageEvent e, const std::string& id, std::string* byRef = nullptr);
  std::string ReadProductValue(const std::string& name);
  // The default folders of the profile and the store id they give.
  void TakeDefaultFolders();
  void SetupGroups();
  mFolders::OverviewContext OverviewCtx();
  // Fills the sync context from this run's state and installs it.
  void InstallSync();
  // The local synchronisation's part of the context: the safe pump, the
  // progress rule, the first fast pass's start, the groups pass after receiving.
  void WireLocalSync(CSyncContext& s);
  // The sharing engine and its extension over the context's folders; a
  // failure is logged and leaves the add-in without item events.
  void StartEngine();
  // The engine stopped, then the context removed.
  void StopSync();
  // One of the start-up notices, its caption the product's name and its
  // message localised.
  platform::FormRequest StartNotice(const std::string& name, platform::Buttons buttons);
  // Applies a change of the groups (the groups' one edit sequence) and tells the page.
  void EditGroups(const std::function<bool(CGroups& copy)>& edit);

  // --- ITimerHost: the timer form's calls ----------------------------------
  void LocalSynchronization() override;
  void FastLocalSynchronization() override;
  void DeleteFolders() override;
  bool FolderCreatedThisStart() override { return m_startFlags.bFolderCreated; }
  bool FirstRunOnStore() override { return m_startFlags.bFirstRun; }
  bool HasReceivers() override;
  bool NeedLocalSync() override;
  void SetNeedLocalSync() override;
  void ShowNeedGlobalSync() override;
  bool AskNeedLocalSync() override;
  bool AutoGSynchEnable() override;
  long AutoGSynchPeriod() override;
  bool FastSynchOn() override;
  bool LogEvents() override;
  void OnSafeTimer() override;
  void CloseShamMeeting() override;

  State m_state = State::Unloaded;
  platform::Application* m_app = nullptr;
  std::unique_ptr<CDebug> m_debug;
  std::string m_strOutlookVersion;
  std::unique_ptr<CLang> m_lang;
  std::unique_ptr<frmShablon> m_timers;
  std::unique_ptr<CGroupsEnv> m_groupsEnv;
  std::unique_ptr<platform::SettingsStore> m_settings;
  std::unique_ptr<mMain::MailEnv> m_mailEnv;
  std::unique_ptr<COptions> m_options;  // the product switches, read once per run
  std::unique_ptr<CGroups> m_groups;
  std::unique_ptr<Redemption::RDOSession> m_rdoSession;
  platform::Folder m_fldInbox, m_fldDeleted, m_fldCalendar, m_fldSent, m_fldRoot, m_fldZentab;
  std::string m_strStoreId;
  mFolders::StartFlags m_startFlags;
  std::string m_strUserName;
  std::string g_UserEmail;
  bool m_bUserLoaded = false;
  bool m_bShowProgress = true;
  bool m_bDetectBug117 = false;
  bool m_bGSynch = false;
  bool m_bWrapperActive = false;
  int m_openSub = 0, m_closeSub = 0;
  platform::Subscription m_newMailSub = 0;
  std::map<int, PageHandler> m_pageHandlers;
  int m_nextPageHandler = 1;
  std::unique_ptr<CKeyGenerator> m_keys;
  std::unique_ptr<CSyncContext> m_sync;
  std::unique_ptr<CJournal> m_journal;
  std::unique_ptr<platform::loomcast::LoomcastEngine> m_engine;
  std::unique_ptr<CLoomcastEvents> m_events;
  Hooks m_hooks;
};
