#pragma once
// ProfileQueue: a named list of records kept in the profile, in the order
// they were first put, each under a unique key. Every change is a store
// write: inside an open batch it commits (or is undone) together with the
// batch's other writes, so that a record exists exactly when the change that
// caused it does, and a killed process finds it again at the next open.
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace platform {

class MailSession;
namespace detail {
class StoreCore;
}  // namespace detail

class ProfileQueue {
 public:
  using Record = std::pair<std::string, std::string>;  // key, value

  // The queue `name` of the session's profile (created on first use). The
  // queue holds the profile open; the session must stay open while it is used.
  ProfileQueue(const MailSession& session, std::string name);

  // Stores `value` under `key`: a new key goes to the end, a known one keeps
  // its place with the new value. Throws platform::Error when the store
  // refuses (nothing changed).
  void Put(const std::string& key, const std::string& value);
  // Removes the record under `key`; false when there was none. Throws
  // platform::Error when the store refuses.
  bool Remove(const std::string& key);
  // Removes every record. Throws platform::Error when the store refuses.
  void Clear();
  // True when a record is stored under `key`.
  bool Contains(const std::string& key) const;
  // Every record, in queue order.
  std::vector<Record> All() const;
  int Count() const;
  const std::string& Name() const { return name_; }

 private:
  std::shared_ptr<detail::StoreCore> core_;
  std::string name_;
};

}  // namespace platform
