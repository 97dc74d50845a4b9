#include "addin/CSyncObj.h"

#include "addin/CSendRecieveDetector.h"
#include <string>

#include "diagnostics/CDebug.h"

void CSyncObj::Init(CSendRecieveDetector& detector, int index, platform::SyncObject& syncObject) {
  try {
    Unhook();
    m_detector = &detector;
    m_index = index;
    m_syncObject = &syncObject;
    m_startSub = syncObject.OnSyncStart([this] { m_detector->OnSyncStart(m_index); });
    m_endSub = syncObject.OnSyncEnd([this] { m_detector->OnSyncEnd(m_index); });
  } catch (...) {
    g_Debug().OutError("CSyncObj.Init");
  }
}

void CSyncObj::Done() {
  try {
    g_Debug().Out("CSyncObj.Done(" + std::to_string(m_index) + ")");
    Unhook();
  } catch (...) {
    g_Debug().OutError("CSyncObj.Done");
  }
}

void CSyncObj::Unhook() {
  if (m_syncObject) {
    m_syncObject->Unsubscribe(m_startSub);
    m_syncObject->Unsubscribe(m_endSub);
  }
  m_syncObject = nullptr;
  m_startSub = m_endSub = 0;
}
