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
#include "dialogs/mGroupDialogs.h"
#include "exchange/mMain.h"
#include "platform/Date.h"
#include "platform/Prompt.h"
#include "platform/client/Application.h"

class CDebug;
class CExplorerMenu;
class CExplorersWrapper;
class CInspectorHooks;
class CSendRecieveDetector;
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
    // The item-groups dialog of an appointment window's "Group" button for
    // its item (read-only for another member's item; an own item's groups
    // chosen are written to it). The default shows it at the user's prompt.
    std::function<void(Connect&, platform::Item& item)> ShowItemGroups;
    // The recipients dialog of the "Recipients" button, read-only, given the
    // meeting's recipients. The default shows it at the user's prompt.
    std::function<void(Connect&, const std::string& recipients)> ShowRecipients;
  };

  // The ribbon's objects: the ribbon handed to Ribbon_OnLoad, and a control
  // of it with the window's current item.
  struct RibbonUI {
    std::function<void()> Invalidate;
  };
  struct RibbonControl {
    std::string id;
    platform::Item item;
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

  // --- the send/receive detector's events -----------------------------------
  // Sends the pending appointment changes, unless NotUseSendRecieve is set.
  void OnSendRecieveStart();
  void OnSendRecieveEnd();

  // --- public operations ------------------------------------------------------
  // The options dialog, modal; a confirmed change is written, made the
  // running add-in's and announced as "Options".
  void ShowOptions(const std::string& strHtmlID);
  void NewGroup(const std::string& strHtmlID);
  void DeleteMember(std::string& sEmail, std::string& sGroup);
  bool CanDeleteMember(std::string& sEmail, std::string& sGroup);
  void OnNewMails() override;
  std::string GetCurrentUserAddress() const { return g_UserEmail; }
  std::string GetCurrentUserName() const { return m_strUserName; }
  // The per-member group assignment; confirmed changes are applied as
  // group messages, saved, and announced as "Groups".
  void ManageMemberGroups(std::string& sEmail, std::string& sShowAs);
  std::vector<std::string> GetGroupsCollection();
  // The page's Groups operation: the groups dialog, then "Groups".
  void ShowGroups();
  void MarkAllAsRead();
  // The help topic on the toolbars; returns its page's path ("" when missing).
  std::string Help();
  void ZPlus(const std::string& id) { Raise(PageEvent::OnZPlus, id); }
  void ZMinus(const std::string& id) { Raise(PageEvent::OnZMinus, id); }
  void Today(const std::string& id) { Raise(PageEvent::OnToday, id); }
  void NewMeeting(const std::string& id) { Raise(PageEvent::OnNewMeeting, id); }
  void NewAppointment(const std::string& id) { Raise(PageEvent::OnNewAppointment, id); }
  void RaiseCustomEvent(const std::string& strEvent);
  // The support report mail, made in Drafts and displayed (never sent);
  // returns it (nothing when it could not be made).
  platform::Item BugReport();
  std::string GetVersion() const;
  void TermGrid(const std::string& id) { Raise(PageEvent::TerminateGrid, id); }
  // Adds members to the page's current group (asked by GetCurGroup).
  void NewMember(const std::string& strHtmlID);
  // The client's print preview of the active explorer, else its print.
  void PrintPreview();
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
  // Member editing of the user's own entry in sGroup ("(All Groups)": in
  // every group) through the member-editing form; another member's entry is
  // refused. True when changes were applied.
  bool EditMember(const std::string& sEmail, const std::string& sGroup);
  // The same with the values given (none given: the form asks); a refusal's
  // reason goes to `refusal` when not null.
  bool EditMember(const std::string& sEmail, const std::string& sGroup, const mGroupDialogs::MemberValues* values,
                  std::string* refusal);
  // The appointment window's ribbon: the custom UI of a ribbon id ("" for
  // all but "Microsoft.Outlook.Appointment"), and its callbacks.
  static std::string GetCustomUI(const std::string& ribbonId);
  void Ribbon_OnLoad(std::shared_ptr<RibbonUI> ribbon) { m_ribbon = std::move(ribbon); }
  bool Button_GetVisible(const RibbonControl& control);
  void Button_Action(RibbonControl& control);
  RibbonUI* Ribbon() const { return m_ribbon.get(); }

  // --- the menu's commands ---------------------------------------------------
  // The add-new-members command on a group ("" or "(All Groups)": the wizard).
  bool AddNewMembers(const std::string& strGroup);
  // Shows a help topic of the installation's help by its file name (the
  // page of its "help" folder, as text). Returns the page's path; "" when
  // the topic names no installed page (said through the prompt).
  std::string ShowHelpTopic(const std::string& topic);
  // The about box: product, version, installation folder.
  void About();
  // The language chooser; a new language is stored as "lang" and relabels
  // every explorer's menu. With `name` the language of that name is chosen
  // without asking. True when a new language was loaded.
  bool ChooseLanguage(const std::string& name = "");
  // The debug settings dialog; true when applied.
  bool ShowDebugSettings();
  // The menu of an explorer window (nullptr when it has none).
  CExplorerMenu* Menu(int explorerId);
  // Brings every menu's enabled states up to date.
  void UpdateMenus();
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
  // Creates the add-in's menu in an explorer window; the window's wrapper
  // keeps it under "Menu".
  void AddMenu(const platform::Explorer& explorer);
  // The menus of the open windows, oldest window first.
  std::vector<CExplorerMenu*> Menus();
  // Lets go of every window's menu.
  void DropMenus();
  void Done(bool full);
  bool LoadCurUser(bool showDialog);
  static bool isEmailAddress(const std::string& text);
  // "9", "10", or "" when the version is refused.
  static std::string ParseOutlookVersion(const std::string& version);

  // The add-in's ProgID, the name of its registration with the client.
  static constexpr const char* kProgId = "Zentabo.Connect";
  // Registers the add-in with the client for the current user, as its
  // installer does: loaded and connected at the client's start. Throws
  // platform::Error when the registry cannot be written.
  static void Register(platform::Registry& reg);

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
  // The hooks on the client's windows and send/receive; null while they
  // are not installed (the explorers' from start-up complete to the final
  // Done, the others from Init to Done).
  CExplorersWrapper* ExplorersWrapper() const { return m_oExplorers.get(); }
  CInspectorHooks* InspectorHooks() const { return m_inspectorHooks.get(); }
  CSendRecieveDetector* SendRecieveDetector() const { return m_detector.get(); }
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
  // The hooks on item windows and the send/receive detector (Init's last steps).
  void HookInspectors();
  void StartDetector();
  // True when NotUseSendRecieve holds a non-zero number.
  bool SendRecieveSwitchedOff();
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
  std::shared_ptr<CExplorersWrapper> m_oExplorers;
  std::unique_ptr<CInspectorHooks> m_inspectorHooks;
  std::unique_ptr<CSendRecieveDetector> m_detector;
  platform::Subscription m_newMailSub = 0;
  platform::Subscription m_itemSendSub = 0;
  std::map<int, PageHandler> m_pageHandlers;
  int m_nextPageHandler = 1;
  std::unique_ptr<CKeyGenerator> m_keys;
  std::unique_ptr<CSyncContext> m_sync;
  std::unique_ptr<CJournal> m_journal;
  std::unique_ptr<platform::loomcast::LoomcastEngine> m_engine;
  std::unique_ptr<CLoomcastEvents> m_events;
  Hooks m_hooks;
  std::shared_ptr<RibbonUI> m_ribbon;
};
