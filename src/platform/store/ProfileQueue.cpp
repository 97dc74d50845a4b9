#include "platform/store/ProfileQueue.h"

#include "platform/Error.h"
#include "platform/store/MailSession.h"
#include "platform/store/StoreCore.h"

namespace platform {

ProfileQueue::ProfileQueue(const MailSession& session, std::string name)
    : core_(session.Core()), name_(std::move(name)) {
  if (!core_) throw Error("profile queue '" + name_ + "': the profile is not open");
}

void ProfileQueue::Put(const std::string& key, const std::string& value) {
  core_->Write([&] {
    detail::SqliteDb& db = core_->Db();
    detail::Stmt update = db.Prepare("UPDATE queued SET value = ? WHERE queue = ? AND key = ?");
    update.Bind(1, detail::SqlValue(Bytes(value.begin(), value.end()))).Bind(2, name_).Bind(3, key);
    core_->WriteStep(update);
    if (db.Changes() > 0) return;
    detail::Stmt last = db.Prepare("SELECT IFNULL(MAX(seq), 0) FROM queued WHERE queue = ?");
    last.Bind(1, name_);
    last.Step();
    detail::Stmt insert = db.Prepare("INSERT INTO queued(queue, key, seq, value) VALUES(?, ?, ?, ?)");
    insert.Bind(1, name_).Bind(2, key).Bind(3, last.Int(0) + 1);
    insert.Bind(4, detail::SqlValue(Bytes(value.begin(), value.end())));
    core_->WriteStep(insert);
  });
}

bool ProfileQueue::Remove(const std::string& key) {
  bool removed = false;
  core_->Write([&] {
    detail::Stmt s = core_->Db().Prepare("DELETE FROM queued WHERE queue = ? AND key = ?");
    s.Bind(1, name_).Bind(2, key);
    core_->WriteStep(s);
    removed = core_->Db().Changes() > 0;
  });
  return removed;
}

void ProfileQueue::Clear() {
  core_->Write([&] {
    detail::Stmt s = core_->Db().Prepare("DELETE FROM queued WHERE queue = ?");
    s.Bind(1, name_);
    core_->WriteStep(s);
  });
}

bool ProfileQueue::Contains(const std::string& key) const {
  detail::Stmt s = core_->Db().Prepare("SELECT 1 FROM queued WHERE queue = ? AND key = ?");
  s.Bind(1, name_).Bind(2, key);
  return s.Step();
}

std::vector<ProfileQueue::Record> ProfileQueue::All() const {
  detail::Stmt s = core_->Db().Prepare("SELECT key, value FROM queued WHERE queue = ? ORDER BY seq");
  s.Bind(1, name_);
  std::vector<Record> records;
  while (s.Step()) {
    const char* data = static_cast<const char*>(s.BlobData(1));
    records.emplace_back(s.Text(0), std::string(data ? data : "", s.BlobSize(1)));
  }
  return records;
}

int ProfileQueue::Count() const {
  detail::Stmt s = core_->Db().Prepare("SELECT COUNT(*) FROM queued WHERE queue = ?");
  s.Bind(1, name_);
  s.Step();
  return static_cast<int>(s.Int(0));
}

}  // namespace platform
