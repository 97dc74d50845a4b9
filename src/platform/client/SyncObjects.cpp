#include "platform/client/SyncObjects.h"

#include "platform/Error.h"

namespace platform {

int SyncObject::OnSyncStart(Handler h) {
  start_[nextSub_] = std::move(h);
  return nextSub_++;
}

int SyncObject::OnSyncEnd(Handler h) {
  end_[nextSub_] = std::move(h);
  return nextSub_++;
}

void SyncObject::Unsubscribe(int subscription) {
  start_.erase(subscription);
  end_.erase(subscription);
}

void SyncObject::Raise(std::map<int, Handler>& which) {
  auto handlers = which;  // a handler may unhook itself
  for (auto& [id, h] : handlers)
    if (which.count(id)) h();
}

SyncObject& SyncObjects::Item(int index) const {
  if (index < 1 || index > Count()) throw Error("no sync object " + std::to_string(index));
  return *objects_[index - 1];
}

SyncObject& SyncObjects::Add(const std::string& name) {
  objects_.push_back(std::make_unique<SyncObject>(name));
  return *objects_.back();
}

bool SyncObjects::SendAndReceive(const std::function<void()>& work) {
  if (running_) return false;
  running_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{running_};
  for (size_t i = 0; i < objects_.size(); ++i) {
    SyncObject& o = *objects_[i];
    o.RaiseSyncStart();
    try {
      if (i == 0 && work) work();
    } catch (...) {
      o.RaiseSyncEnd();
      throw;
    }
    o.RaiseSyncEnd();
  }
  if (objects_.empty() && work) work();
  return true;
}

}  // namespace platform
