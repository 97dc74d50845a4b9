#pragma once
// CInspectorHooks: the connection's hooks on the client's item windows. An
// appointment window of the Calendar or the shared folder gets the buttons
// "Group" (the item's groups) and "Recipients" (a sham copy's meeting
// recipients) on its standard bar, on clients before version 12, and its
// first activation marks the appointment read without taking that for a
// user's change and hands it to the display logic, which opens a meeting in
// place of its sham copy. The connection owns one, from Init to Done.
#include <functional>
#include <map>
#include <string>

#include "platform/client/Inspectors.h"
#include "platform/store/Folder.h"

struct CSyncContext;

class CInspectorHooks {
 public:
  struct Env {
    platform::Folder fldCalendar, fldZentab;
    std::string strOutlookVersion;  // the client's full version text ("11.0.5608")
    // The item machinery while it runs (item-event suspension, the bridge's
    // ignore list, the safe timer); null without it.
    std::function<CSyncContext*()> Sync;
    std::function<void(const std::string&)> RaiseCustomEvent;
    // The item-groups dialog for an item (it reads the owner and groups,
    // is read-only for another member's item, and writes an own item's
    // groups chosen). Empty: no dialog to show.
    std::function<void(platform::Item&)> ShowItemGroups;
    // The recipients dialog for a meeting's recipients (the text
    // GetRecipients gives). Empty: no dialog to show.
    std::function<void(const std::string& recipients)> ShowRecipients;
  };

  explicit CInspectorHooks(Env env) : m_env(std::move(env)) {}
  ~CInspectorHooks() { Done(); }
  CInspectorHooks(const CInspectorHooks&) = delete;
  CInspectorHooks& operator=(const CInspectorHooks&) = delete;

  // Hooks NewInspector of the collection (which must outlive the hooks).
  void Init(platform::Inspectors& inspectors);
  // Releases every hook: the collection, the current inspector, the buttons.
  void Done();

  // The handlers (public for the connection's callers and for tests).
  void OnNewInspector(platform::Inspector& inspector);
  void OnCurrentInspectorActivate();
  void OnGroupClick(platform::Inspector& inspector);
  void OnRecipientsClick(platform::Inspector& inspector);
  // The appointment window whose first activation is awaited (Nothing when none).
  const platform::Inspector& CurrentInspector() const { return m_curInspector; }

 private:
  struct Buttons {
    platform::Inspector inspector;
    platform::CommandBarButton group, recipients;
    int groupSub = 0, recipientsSub = 0, closeSub = 0;
  };
  bool IsOurAppointment(const platform::Item& item) const;
  void AddInspectorBtn(platform::Inspector& inspector, const platform::Item& item);
  void ReleaseButtons(int inspectorId);
  void ReleaseCurrentInspector();

  Env m_env;
  platform::Inspectors* m_inspectors = nullptr;
  int m_newSub = 0;
  platform::Inspector m_curInspector;
  int m_curActivateSub = 0;
  std::map<int, Buttons> m_buttons;  // by inspector id
};
