#pragma once
// frmShablon: the hidden timer form. Every periodic and deferred piece of the
// add-in's work runs from its timers on the event loop: the periodic exchange,
// the fast local synchronisation, the one-shot new-mail timer that lets a
// burst of new-mail events settle, the start-up follow-up, the folder purge,
// the sham-meeting close and the safe timer that keeps the sharing-engine
// bridge's deferred work out of nested message pumps.
#include <functional>
#include <string>

#include "addin/ITimerHost.h"
#include "platform/Date.h"
#include "platform/EventLoop.h"

class frmShablon {
 public:
  // Creates the form's timers on `loop`, all disabled; they call `host`.
  // The loop and the host must outlive the form.
  frmShablon(platform::EventLoop& loop, ITimerHost& host);
  // Unloading the form by any path runs KillTimers.
  ~frmShablon();
  frmShablon(const frmShablon&) = delete;
  frmShablon& operator=(const frmShablon&) = delete;

  void StartTimers(bool bQuickStartClicked);
  // Stops every timer and unloads the form (its timers are removed from the
  // loop; a pending folder purge is lost with it). Harmless twice.
  void KillTimers();
  // 0 start, 1 suspend, 2 resume; anything else is logged and ignored.
  void SafeTimerDoCmd(long command);
  void StartSafeTimer() { SafeTimerDoCmd(0); }
  // Pumps the pending messages once with the safe timer held back.
  void SafeDoEvents();
  bool InSafeDoEvents() const { return m_bInSafePump; }

  // One-shot restarts used by the event hooks and other modules.
  void RestartNewMailsTimer();
  void StartInspectTimer();
  void StartDelFoldersTimer();
  // The options dialog's Apply: synchTimer follows AutoGSynchEnable,
  // fastSynchTimer follows the fast-synchronisation switch.
  void ApplyOptions();
  void SetFastSynchEnabled(bool on);

  bool Loaded() const { return m_bLoaded; }
  bool QuickStartClicked() const { return m_bQuickStartClicked; }
  platform::Date StartTime() const { return m_dtStart; }
  void SetStartTime(platform::Date when) { m_dtStart = when; }
  long SynchTicks() const { return m_nSynchTicks; }
  bool IsTimerEnabled(const std::string& name) const;

 private:
  void OnSynchTimer();
  void OnFastSynchTimer();
  void OnNewMailsTimer();
  void OnInspectTimer();
  void OnDelFoldersTimer();
  void OnInitializeTimer();
  void OnSafeTimerTick();
  // Runs a tick handler with errors caught and logged under `source`.
  void Guard(const char* source, const std::function<void()>& fn);

  platform::EventLoop& m_loop;
  ITimerHost& m_host;
  bool m_bLoaded = true;
  bool m_bQuickStartClicked = false;
  platform::Date m_dtStart;
  long m_nSynchTicks = 0;
  bool m_bInSafePump = false;
  bool m_bSafePending = false;
  platform::TimerId synchTimer = 0;
  platform::TimerId fastSynchTimer = 0;
  platform::TimerId NewMailsTimer = 0;
  platform::TimerId inspectTimer = 0;
  platform::TimerId delFoldersTimer = 0;
  platform::TimerId tmrOnInitialize = 0;
  platform::TimerId tmrSafeTimer = 0;
};
