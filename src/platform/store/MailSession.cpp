#include "platform/store/MailSession.h"

#include "platform/Error.h"
#include "platform/store/StoreCore.h"

namespace platform {

MailSession::MailSession(std::shared_ptr<detail::StoreCore> core) : core_(std::move(core)) {}
MailSession::MailSession(MailSession&&) noexcept = default;
MailSession& MailSession::operator=(MailSession&& other) noexcept {
  if (this != &other) {
    Close();
    core_ = std::move(other.core_);
  }
  return *this;
}
MailSession::~MailSession() { Close(); }

MailSession MailSession::Open(const std::string& dbPath, Poster poster) {
  return MailSession(detail::StoreCore::Open(dbPath, std::move(poster)));
}

void MailSession::Close() {
  if (core_) core_->Close();
}

const std::string& MailSession::Path() const { return core_->Path(); }

bool MailSession::LastRunEndedUncleanly() const { return core_->LastRunUnclean(); }

void MailSession::AcknowledgeUncleanEnd() { core_->AcknowledgeUncleanEnd(); }

std::string MailSession::CheckIntegrity() const {
  detail::Stmt s = core_->Db().Prepare("PRAGMA integrity_check");
  std::string result;
  while (s.Step()) result += (result.empty() ? "" : "\n") + s.Text(0);
  return result;
}

bool MailSession::WasReceived(const std::string& messageId) const {
  return !messageId.empty() && core_->IsReceived(messageId);
}

void MailSession::Batch(const std::function<void()>& writes) { core_->Write(writes); }

bool MailSession::InWrite() const { return core_->InWrite(); }

void MailSession::SetCommitListener(std::function<void()> listener) { core_->SetCommitListener(std::move(listener)); }

bool MailSession::ReceiveOnce(const std::string& messageId, const std::function<void()>& store) {
  bool stored = false;
  core_->Write([&] {
    if (!messageId.empty()) {
      if (core_->IsReceived(messageId)) return;
      core_->MarkReceived(messageId);
    }
    store();
    stored = true;
  });
  return stored;
}

Folder MailSession::GetRootFolder() const {
  core_->Db();
  return Folder(core_, core_->RootId());
}
std::string MailSession::StoreKey() const { return GetRootFolder().EntryID(); }
std::string MailSession::StoreID() const { return core_->StoreID(); }

Folder MailSession::GetDefaultFolder(OlDefaultFolders type) const {
  core_->Db();
  return Folder(core_, core_->DefaultFolderId(type));
}

Item MailSession::GetItemFromID(const std::string& entryId, const std::string& storeId) const {
  core_->Db();
  if (!storeId.empty() && storeId != core_->StoreID())
    throw Error("store " + storeId + " is not open (profile " + core_->Path() + ")");
  auto id = core_->ParseItemEntryID(entryId);
  auto state = id ? core_->StateFor(*id, true) : nullptr;
  if (!state) throw Error("no item has the entry id " + entryId + " in profile " + core_->Path());
  return Item(core_, state);
}

std::vector<Item> MailSession::GetItemsFromIDs(const std::vector<std::string>& entryIds) const {
  core_->Db();
  std::vector<std::shared_ptr<detail::ItemState>> states;
  std::vector<detail::ItemState*> toLoad;
  states.reserve(entryIds.size());
  toLoad.reserve(entryIds.size());
  for (const std::string& entryId : entryIds) {
    auto id = core_->ParseItemEntryID(entryId);
    states.push_back(id ? core_->StateFor(*id, false) : nullptr);
    if (states.back()) toLoad.push_back(states.back().get());
  }
  core_->LoadMany(toLoad);
  std::vector<Item> out;
  out.reserve(states.size());
  for (auto& state : states) {
    if (state && state->loaded)
      out.emplace_back(core_, std::move(state));
    else
      out.emplace_back();
  }
  return out;
}

Folder MailSession::GetFolderFromID(const std::string& entryId, const std::string& storeId) const {
  core_->Db();
  if (!storeId.empty() && storeId != core_->StoreID())
    throw Error("store " + storeId + " is not open (profile " + core_->Path() + ")");
  auto id = core_->ParseFolderEntryID(entryId);
  if (!id) throw Error("no folder has the entry id " + entryId + " in profile " + core_->Path());
  core_->GetFolder(*id);
  return Folder(core_, *id);
}

std::vector<Item> MailSession::FindByUserProperty(const std::string& name, const std::string& value) const {
  std::vector<Item> out;
  for (int64_t id : core_->FindByUserProperty(std::nullopt, name, value))
    out.emplace_back(core_, core_->StateFor(id, false));
  return out;
}

std::vector<Item> MailSession::FindByUserProperty(const Folder& folder, const std::string& name,
                                                  const std::string& value) const {
  if (!folder) throw Error("FindByUserProperty needs a folder");
  std::vector<Item> out;
  for (int64_t id : core_->FindByUserProperty(folder.Id(), name, value))
    out.emplace_back(core_, core_->StateFor(id, false));
  return out;
}

std::string MailSession::CurrentUserName() const { return core_->Meta("user_name"); }
std::string MailSession::CurrentUserAddress() const { return core_->Meta("user_address"); }
void MailSession::SetCurrentUser(const std::string& name, const std::string& address) {
  core_->Write([&] {
    core_->SetMeta("user_name", name);
    core_->SetMeta("user_address", address);
  });
}

Subscription MailSession::OnNewMail(std::function<void()> handler) {
  return core_->SubscribeNewMail(std::move(handler));
}
void MailSession::Unsubscribe(Subscription id) { core_->Unsubscribe(id); }
void MailSession::NotifyNewMail() { core_->NotifyNewMail(); }

int MailSession::OpenWindowCount() const { return core_->openWindows; }
int MailSession::DisplayCount() const { return core_->displayCount; }
void MailSession::SetWindowListener(std::function<void(const Item&, bool opened)> listener) {
  core_->windowListener = std::move(listener);
}

void MailSession::SetClock(std::function<Date()> clock) { core_->SetClock(std::move(clock)); }
void MailSession::SetWriteHook(std::shared_ptr<StoreWriteHook> hook) { core_->SetHook(std::move(hook)); }

}  // namespace platform
