#pragma once
// SyncObjects: the client's send/receive groups, one per mail account. A
// send/receive runs every object in turn: SyncStart, its part of the work,
// SyncEnd. The host's mail pick-up is such a send/receive; its work (send
// the outbox, take in new mail) belongs to the first account, the only one
// with a mailbox in the post office.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class SyncObject {
 public:
  using Handler = std::function<void()>;

  explicit SyncObject(std::string name) : name_(std::move(name)) {}
  const std::string& Name() const { return name_; }

  int OnSyncStart(Handler h);
  int OnSyncEnd(Handler h);
  void Unsubscribe(int subscription);

  // Raised by the send/receive.
  void RaiseSyncStart() { Raise(start_); }
  void RaiseSyncEnd() { Raise(end_); }

 private:
  void Raise(std::map<int, Handler>& which);
  std::string name_;
  std::map<int, Handler> start_, end_;
  int nextSub_ = 1;
};

class SyncObjects {
 public:
  int Count() const { return static_cast<int>(objects_.size()); }
  // 1-based. Throws platform::Error out of range.
  SyncObject& Item(int index) const;
  // A new account's object at the end.
  SyncObject& Add(const std::string& name);

  // One send/receive: each object starts, `work` runs inside the first
  // one, each ends; what `work` throws propagates after the running
  // object's SyncEnd. A send/receive raised from a handler of another is
  // ignored (the client never runs two at once). Returns false then.
  bool SendAndReceive(const std::function<void()>& work);

 private:
  std::vector<std::unique_ptr<SyncObject>> objects_;
  bool running_ = false;
};

}  // namespace platform
