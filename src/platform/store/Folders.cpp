#include "platform/store/Folders.h"

#include "platform/Error.h"
#include "platform/store/StoreCore.h"

namespace platform {

Folders::Folders(std::shared_ptr<detail::StoreCore> core, int64_t parentId)
    : core_(std::move(core)), parentId_(parentId) {}

int Folders::Count() const { return static_cast<int>(core_->ChildFolders(parentId_).size()); }

Folder Folders::Item(int index) const {
  const std::vector<int64_t> ids = core_->ChildFolders(parentId_);
  if (index < 1 || index > static_cast<int>(ids.size()))
    throw Error("folder index " + std::to_string(index) + " out of range 1.." + std::to_string(ids.size()));
  return Folder(core_, ids[static_cast<size_t>(index - 1)]);
}

Folder Folders::Item(const std::string& name) const {
  Folder f = Find(name);
  if (!f) throw Error("folder \"" + name + "\" does not exist in " + core_->GetFolder(parentId_).name);
  return f;
}

Folder Folders::Find(const std::string& name) const {
  for (int64_t id : core_->ChildFolders(parentId_))
    if (core_->GetFolder(id).name == name) return Folder(core_, id);
  return Folder();
}

Folder Folders::Add(const std::string& name, OlDefaultFolders type) {
  return Folder(core_, core_->AddFolder(parentId_, name, type));
}

}  // namespace platform
