#pragma once
// CSyncObj: the add-in's hook on one send/receive group of the client,
// reporting its start and end, with the group's position, to the detector.
#include "platform/client/SyncObjects.h"

class CSendRecieveDetector;

class CSyncObj {
 public:
  CSyncObj() = default;
  ~CSyncObj() { Unhook(); }
  CSyncObj(const CSyncObj&) = delete;
  CSyncObj& operator=(const CSyncObj&) = delete;

  // index: the 1-based position of syncObject among the session's groups.
  // Both must outlive the hook (Done ends it).
  void Init(CSendRecieveDetector& detector, int index, platform::SyncObject& syncObject);
  void Done();

 private:
  void Unhook();
  CSendRecieveDetector* m_detector = nullptr;
  platform::SyncObject* m_syncObject = nullptr;
  int m_index = 0;
  int m_startSub = 0, m_endSub = 0;
};
