#include "addin/CInspectorHooks.h"

#include <algorithm>
#include <cctype>

#include "diagnostics/CDebug.h"
#include "platform/Error.h"
#include "platform/Text.h"
#include "platform/store/Item.h"
#include "sync/CLoomcastEvents.h"
#include "sync/CSyncContext.h"
#include "sync/mAppointments.h"

namespace {

constexpr const char* kTag = "VestrandZTB";

// Clients from version 12 on carry the ribbon button instead.
bool HasRibbon(const std::string& version) {
  const std::string major = version.substr(0, version.find('.'));
  return !major.empty() && major.size() < 9 &&
         std::all_of(major.begin(), major.end(), [](unsigned char c) { return std::isdigit(c); }) &&
         std::stol(major) >= 12;
}

// A sham copy of a meeting carries a non-zero number in its sham property.
bool IsShamCopy(const platform::Item& item) {
  int n = 0;
  return platform::ParseInt(mAppointments::GetUserProperty(item, mAppointments::kShamMeeting), n) && n != 0;
}

}  // namespace

void CInspectorHooks::Init(platform::Inspectors& inspectors) {
  Done();
  m_inspectors = &inspectors;
  m_newSub = inspectors.OnNewInspector([this](platform::Inspector& i) { OnNewInspector(i); });
}

void CInspectorHooks::Done() {
  ReleaseCurrentInspector();
  while (!m_buttons.empty()) ReleaseButtons(m_buttons.begin()->first);
  if (m_inspectors && m_newSub) m_inspectors->Unsubscribe(m_newSub);
  m_inspectors = nullptr;
  m_newSub = 0;
}

bool CInspectorHooks::IsOurAppointment(const platform::Item& item) const {
  if (!item || item.Class() != platform::olAppointment) return false;
  const platform::Folder parent = item.Parent();
  if (!parent) return false;
  return (m_env.fldCalendar && parent.IsSame(m_env.fldCalendar)) ||
         (m_env.fldZentab && parent.IsSame(m_env.fldZentab));
}

void CInspectorHooks::OnNewInspector(platform::Inspector& inspector) {
  try {
    g_Debug().Out("->NewInspector");
    platform::Item item = inspector.CurrentItem();
    if (!IsOurAppointment(item)) return;
    if (!HasRibbon(m_env.strOutlookVersion)) AddInspectorBtn(inspector, item);
    ReleaseCurrentInspector();
    m_curInspector = inspector;
    m_curActivateSub = m_curInspector.OnActivate([this](platform::Inspector&) { OnCurrentInspectorActivate(); });
  } catch (...) {
    g_Debug().OutError("Connect.m_colInspectors_NewInspector");
  }
}

void CInspectorHooks::OnCurrentInspectorActivate() {
  CSyncContext* sync = m_env.Sync ? m_env.Sync() : nullptr;
  // Marking read is no change of the user's.
  if (sync) sync->bEventsSuspended = true;
  try {
    g_Debug().Out("->Inspector.Activate");
    platform::Item item = m_curInspector.CurrentItem();
    if (item.UnRead()) {
      item.SetUnRead(false);
      if (sync && sync->pEvents && !item.EntryID().empty())
        sync->pEvents->IgnoreEvents(item.EntryID(), item.Parent().EntryID(), 1);
      item.Save();
      if (sync && sync->StartSafeTimer) sync->StartSafeTimer();
      g_Debug().Out("RaiseCustomEvent STR_APPOINTMENTS");
      if (m_env.RaiseCustomEvent) m_env.RaiseCustomEvent("Appointments");
    }
    mAppointments::DisplayItem(item);
  } catch (...) {
    g_Debug().OutError("Connect.m_CurInspector_Activate");
  }
  if (sync) sync->bEventsSuspended = false;
  // Once per window.
  ReleaseCurrentInspector();
}

void CInspectorHooks::ReleaseCurrentInspector() {
  if (m_curInspector && m_curActivateSub) m_curInspector.Unsubscribe(m_curActivateSub);
  m_curInspector = {};
  m_curActivateSub = 0;
}

void CInspectorHooks::AddInspectorBtn(platform::Inspector& inspector, const platform::Item& item) {
  try {
    platform::CommandBar* bar = inspector.GetCommandBars().Item("Standard");
    if (!bar) throw platform::Error("the window has no bar \"Standard\"");
    const std::string groupTag = std::string(kTag) + "Groups";
    const std::string recipientsTag = std::string(kTag) + "Recipients";
    Buttons b;
    b.inspector = inspector;
    b.group = bar->FindControl(groupTag);
    b.recipients = bar->FindControl(recipientsTag);
    if (bar->FindControls(kTag).empty()) {
      b.group = bar->AddButton();
      b.group.SetCaption("Group");
      b.group.SetTooltipText("Create Groups appointment");
      b.group.SetStyle(platform::msoButtonIconAndCaption);
      b.group.SetTag(groupTag);
      b.recipients = bar->AddButton();
      b.recipients.SetCaption("Recipients");
      b.recipients.SetStyle(platform::msoButtonIconAndCaption);
      b.recipients.SetTag(recipientsTag);
    }
    if (b.recipients)
      b.recipients.SetVisible(IsShamCopy(item));
    platform::Inspector target = inspector;
    if (b.group) b.groupSub = b.group.OnClick([this, target](platform::CommandBarButton&) mutable { OnGroupClick(target); });
    if (b.recipients)
      b.recipientsSub =
          b.recipients.OnClick([this, target](platform::CommandBarButton&) mutable { OnRecipientsClick(target); });
    const int id = inspector.Id();
    ReleaseButtons(id);
    b.closeSub = inspector.OnClose([this, id](platform::Inspector&) { ReleaseButtons(id); });
    m_buttons[id] = std::move(b);
  } catch (...) {
    g_Debug().OutError("Connect.AddInspectorBtn");
  }
}

void CInspectorHooks::ReleaseButtons(int inspectorId) {
  auto it = m_buttons.find(inspectorId);
  if (it == m_buttons.end()) return;
  Buttons b = std::move(it->second);
  m_buttons.erase(it);
  if (b.group) b.group.Unsubscribe(b.groupSub);
  if (b.recipients) b.recipients.Unsubscribe(b.recipientsSub);
  if (b.inspector) b.inspector.Unsubscribe(b.closeSub);
}

void CInspectorHooks::OnGroupClick(platform::Inspector& inspector) {
  try {
    platform::Item item = inspector.CurrentItem();
    // The window's own save stores the groups with the user's other edits.
    if (m_env.ShowItemGroups)
      m_env.ShowItemGroups(item);
    else
      g_Debug().OutWarning("Connect.m_btnGroup_Click", "no item-groups dialog");
  } catch (...) {
    g_Debug().OutError("Connect.m_btnGroup_Click");
  }
}

void CInspectorHooks::OnRecipientsClick(platform::Inspector& inspector) {
  try {
    platform::Item item = inspector.CurrentItem();
    if (!IsShamCopy(item)) return;
    const std::string recipients = mAppointments::GetRecipients(item);
    if (m_env.ShowRecipients)
      m_env.ShowRecipients(recipients);
    else
      g_Debug().OutWarning("Connect.m_btnRecipients_Click", "no recipients dialog");
  } catch (...) {
    g_Debug().OutError("Connect.m_btnRecipients_Click");
  }
}
