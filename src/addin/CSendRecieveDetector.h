#pragma once
// CSendRecieveDetector: tells the add-in when the client's send/receive
// starts and ends. Every account has its own send/receive group, and they
// start together, so a start counts only when more than 5 whole seconds
// have passed since the last one counted (or since Init): one send/receive
// of several accounts is one start, and a send/receive the client runs as
// it opens (within 5 s of the add-in's start) is none.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "addin/CSyncObj.h"
#include "platform/Date.h"

namespace platform {
class Clock;
class SyncObjects;
}  // namespace platform

class CSendRecieveDetector {
 public:
  struct Events {
    std::function<void()> SyncStart;
    std::function<void()> SyncEnd;
  };

  explicit CSendRecieveDetector(Events events) : m_events(std::move(events)) {}
  ~CSendRecieveDetector() = default;
  CSendRecieveDetector(const CSendRecieveDetector&) = delete;
  CSendRecieveDetector& operator=(const CSendRecieveDetector&) = delete;

  // Hooks every group of syncObjects; outlookMajor is the client's version
  // ("9" cannot report its groups' events, and nothing is hooked). The
  // clock and the groups must outlive the hooks (Done ends them).
  void Init(platform::SyncObjects& syncObjects, const platform::Clock& clock, const std::string& outlookMajor);
  void Done();
  void OnSyncStart(int index);
  void OnSyncEnd(int index);
  int Count() const { return static_cast<int>(m_list.size()); }

 private:
  Events m_events;
  const platform::Clock* m_clock = nullptr;
  platform::Date m_lastStart;
  std::vector<std::unique_ptr<CSyncObj>> m_list;
};
