#pragma once
// Folders: the subfolders of one folder, ordered by name.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/store/Folder.h"
#include "platform/store/StoreTypes.h"

namespace platform {

class Folders {
 public:
  int Count() const;
  // 1-based. REQUIRES: 1 <= index <= Count(); throws platform::Error otherwise.
  Folder Item(int index) const;
  // By exact name; throws platform::Error naming it when missing.
  Folder Item(const std::string& name) const;
  // By exact name; Nothing when missing.
  Folder Find(const std::string& name) const;
  // Creates a subfolder; `type` (olFolderCalendar, olFolderContacts, ...
  // olFolderInbox for mail) sets its DefaultItemType. Throws platform::Error
  // when a subfolder of that name exists or the name is empty.
  Folder Add(const std::string& name, OlDefaultFolders type = olFolderInbox);

  Folders(std::shared_ptr<detail::StoreCore> core, int64_t parentId);

 private:
  std::shared_ptr<detail::StoreCore> core_;
  int64_t parentId_;
};

}  // namespace platform
