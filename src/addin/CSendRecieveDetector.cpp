#include "addin/CSendRecieveDetector.h"

#include "diagnostics/CDebug.h"
#include "platform/Clock.h"
#include "platform/client/SyncObjects.h"

void CSendRecieveDetector::Init(platform::SyncObjects& syncObjects, const platform::Clock& clock,
                                const std::string& outlookMajor) {
  try {
    if (outlookMajor == "9") {
      g_Debug().OutWarning("CSyncObjects.Init", "Send/Recieve Detecting In Outlook2000 doesnt work");
      return;
    }
    m_clock = &clock;
    m_lastStart = clock.Now();
    for (int i = 1; i <= syncObjects.Count(); ++i) {
      auto s = std::make_unique<CSyncObj>();
      s->Init(*this, i, syncObjects.Item(i));
      m_list.push_back(std::move(s));
    }
    g_Debug().Out("CSendRecieveDetector.Init: Added " + std::to_string(m_list.size()) + " outlook sync objects");
  } catch (...) {
    g_Debug().OutError("CSendRecieveDetector.Init");
  }
}

void CSendRecieveDetector::Done() {
  try {
    g_Debug().Out("CSendRecieveDetector.Done");
    for (auto& s : m_list) s->Done();
    m_list.clear();
  } catch (...) {
    g_Debug().OutError("CSendRecieveDetector.Done");
  }
}

void CSendRecieveDetector::OnSyncStart(int index) {
  try {
    g_Debug().Out("OnSyncStart(" + std::to_string(index) + ")");
    if (!m_clock) return;
    if (m_lastStart.Diff("s", m_clock->Now()) > 5) {
      if (m_events.SyncStart) m_events.SyncStart();
      m_lastStart = m_clock->Now();
    }
  } catch (...) {
    g_Debug().OutError("CSendRecieveDetector.OnSyncStart");
  }
}

void CSendRecieveDetector::OnSyncEnd(int index) {
  try {
    g_Debug().Out("OnSyncEnd(" + std::to_string(index) + ")");
    if (m_events.SyncEnd) m_events.SyncEnd();
  } catch (...) {
    g_Debug().OutError("CSendRecieveDetector.OnSyncEnd");
  }
}
