#include "addin/frmShablon.h"

#include <climits>

#include "diagnostics/CDebug.h"

frmShablon::frmShablon(platform::EventLoop& loop, ITimerHost& host) : m_loop(loop), m_host(host) {
  synchTimer = m_loop.AddTimer(60000, [this] { OnSynchTimer(); });
  fastSynchTimer = m_loop.AddTimer(60000, [this] { OnFastSynchTimer(); });
  NewMailsTimer = m_loop.AddTimer(1905, [this] { OnNewMailsTimer(); });
  inspectTimer = m_loop.AddTimer(0, [this] { OnInspectTimer(); });
  delFoldersTimer = m_loop.AddTimer(750, [this] { OnDelFoldersTimer(); });
  tmrOnInitialize = m_loop.AddTimer(500, [this] { OnInitializeTimer(); });
  tmrSafeTimer = m_loop.AddTimer(1, [this] { OnSafeTimerTick(); });
}

frmShablon::~frmShablon() { KillTimers(); }

void frmShablon::Guard(const char* source, const std::function<void()>& fn) {
  try {
    fn();
  } catch (...) {
    g_Debug().OutError(source);
  }
}

void frmShablon::StartTimers(bool bQuickStartClicked) {
  Guard("frmShablon.StartTimers", [&] {
    m_bQuickStartClicked = bQuickStartClicked;
    bool on = m_host.AutoGSynchEnable();
    m_loop.SetEnabled(synchTimer, on);
    m_dtStart = m_loop.clock().Now();
    m_loop.Restart(tmrOnInitialize);
  });
}

void frmShablon::KillTimers() {
  if (!m_bLoaded) return;
  m_bLoaded = false;
  for (platform::TimerId* t : {&synchTimer, &fastSynchTimer, &inspectTimer, &NewMailsTimer, &tmrOnInitialize,
                               &tmrSafeTimer, &delFoldersTimer}) {
    m_loop.RemoveTimer(*t);
    *t = 0;
  }
}

bool frmShablon::IsTimerEnabled(const std::string& name) const {
  if (!m_bLoaded) return false;
  const std::pair<const char*, platform::TimerId> timers[] = {
      {"synchTimer", synchTimer},       {"fastSynchTimer", fastSynchTimer}, {"NewMailsTimer", NewMailsTimer},
      {"inspectTimer", inspectTimer},   {"delFoldersTimer", delFoldersTimer},
      {"tmrOnInitialize", tmrOnInitialize}, {"tmrSafeTimer", tmrSafeTimer}};
  for (auto& [n, id] : timers)
    if (name == n) return m_loop.IsEnabled(id);
  return false;
}

void frmShablon::RestartNewMailsTimer() {
  if (m_bLoaded) m_loop.Restart(NewMailsTimer);
}

void frmShablon::StartInspectTimer() {
  if (!m_bLoaded) return;
  m_loop.SetInterval(inspectTimer, 50);
  m_loop.Restart(inspectTimer);
}

void frmShablon::StartDelFoldersTimer() {
  if (m_bLoaded) m_loop.Restart(delFoldersTimer);
}

void frmShablon::ApplyOptions() {
  if (!m_bLoaded) return;
  m_loop.SetEnabled(synchTimer, m_host.AutoGSynchEnable());
  SetFastSynchEnabled(m_host.FastSynchOn());
}

void frmShablon::SetFastSynchEnabled(bool on) {
  if (m_bLoaded) m_loop.SetEnabled(fastSynchTimer, on);
}

void frmShablon::OnSynchTimer() {
  Guard("frmShablon.synchTimer_Timer", [&] {
    if (m_nSynchTicks == LONG_MAX) {
      m_nSynchTicks = 0;
      throw std::overflow_error("Overflow");
    }
    ++m_nSynchTicks;
    long period = m_host.AutoGSynchPeriod();
    if (m_nSynchTicks >= period) {
      m_nSynchTicks = 0;
      m_host.Syncronize(false);
    }
  });
}

void frmShablon::OnFastSynchTimer() {
  Guard("frmShablon.fastSynchTimer_Timer", [&] {
    if (!m_host.FastSynchOn()) return;
    g_Debug().StartTimer();
    // The run switches the timer off meanwhile, so a long run does not start twice.
    SetFastSynchEnabled(false);
    m_host.FastLocalSynchronization();
    SetFastSynchEnabled(true);
    g_Debug().EndTimer("FastLocalSynchronization");
  });
}

void frmShablon::OnNewMailsTimer() {
  m_loop.SetEnabled(NewMailsTimer, false);
  Guard("frmShablon.NewMailsTimer_Timer", [&] {
    m_host.OnNewMails();
  });
}

void frmShablon::OnInspectTimer() {
  m_loop.SetEnabled(inspectTimer, false);
  try {
    m_host.CloseShamMeeting();
  } catch (...) {
    g_Debug().OutError("mReceiveAppointments.CloseShamMeeting");
  }
}

void frmShablon::OnDelFoldersTimer() {
  m_loop.SetEnabled(delFoldersTimer, false);
  Guard("frmShablon.delFoldersTimer_Timer", [&] {
    m_host.DeleteFolders();
  });
}

void frmShablon::OnInitializeTimer() {
  m_loop.SetEnabled(tmrOnInitialize, false);
  Guard("frmShablon.tmrOnInitialize_Timer", [&] {
    if (m_host.FolderCreatedThisStart()) {
      m_host.LocalSynchronization();
      if (m_host.HasReceivers()) m_host.ShowNeedGlobalSync();
    } else {
      if (m_host.FirstRunOnStore()) m_host.SetNeedLocalSync();
      if (m_host.NeedLocalSync() && m_host.AskNeedLocalSync()) m_host.LocalSynchronization();
    }
    m_host.OnNewMails();
  });
}

void frmShablon::OnSafeTimerTick() {
  m_loop.SetEnabled(tmrSafeTimer, false);
  Guard("frmShablon.tmrSafeTimer_Timer", [&] {
    m_host.OnSafeTimer();
  });
}

void frmShablon::SafeTimerDoCmd(long command) {
  try {
    if (!m_bLoaded) return;
    switch (command) {
      case 0:
        m_loop.SetEnabled(tmrSafeTimer, false);
        if (!m_bInSafePump)
          m_loop.SetEnabled(tmrSafeTimer, true);
        else
          m_bSafePending = true;
        break;
      case 1:
        if (m_loop.IsEnabled(tmrSafeTimer)) {
          m_bSafePending = true;
          m_loop.SetEnabled(tmrSafeTimer, false);
          if (m_bInSafePump) g_Debug().OutCustomError("SafeTimerDoCmd", "warning: safe timer was started in DoEvents");
        }
        break;
      case 2:
        if (!m_bInSafePump && m_bSafePending) {
          m_bSafePending = false;
          m_loop.SetEnabled(tmrSafeTimer, true);
        }
        break;
      default:
        g_Debug().OutCustomError("SafeTimerDoCmd", "Invalid command = " + std::to_string(command));
    }
  } catch (...) {
    g_Debug().OutError("SafeTimerDoCmd");
  }
}

void frmShablon::SafeDoEvents() {
  bool log = m_host.LogEvents();
  if (log) g_Debug().Out("DoEvents Before");
  SafeTimerDoCmd(1);
  bool saved = m_bInSafePump;
  m_bInSafePump = true;
  try {
    m_loop.PumpPending();
  } catch (...) {
    g_Debug().OutError("SafeDoEvents");
  }
  m_bInSafePump = saved;
  SafeTimerDoCmd(2);
  if (log) g_Debug().Out("DoEvents After");
}
