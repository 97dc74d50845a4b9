#include "groups/mOwnerItems.h"

#include <vector>

#include "diagnostics/CDebug.h"
#include "platform/Text.h"
#include "platform/store/Item.h"
#include "platform/store/Items.h"
#include "platform/store/UserProperties.h"

namespace {

// The folder's appointments, handles only.
std::vector<platform::Item> Appointments(const platform::Folder& folder) {
  return folder.Items().Restrict("[MessageClass] = 'IPM.Appointment'").All();
}

std::string OwnerOf(const platform::Item& item) {
  platform::UserProperty p = item.UserProperties().Find(kOwnerAddressProp);
  return p ? p.Value() : std::string();
}

}  // namespace

std::string MakeOwnerPrefix(const std::string& strName) { return "[" + strName + "] "; }

std::string StripOwnerSubject(const std::string& strSubject, const std::string& strPrefix) {
  if (!strPrefix.empty() && strSubject.compare(0, strPrefix.size(), strPrefix) == 0)
    return strSubject.substr(strPrefix.size());
  return strSubject;
}

int UpdateOwnerSubjectsInFolder(const platform::Folder& folder, const std::string& strEmail,
                                const std::string& strOldName, const std::string& strNewName,
                                const std::function<void()>& doEvents) {
  if (!folder) return 0;
  int saved = 0;
  const std::string oldPrefix = MakeOwnerPrefix(strOldName);
  const std::string newPrefix = MakeOwnerPrefix(strNewName);
  for (platform::Item& item : Appointments(folder)) {
    try {
      if (platform::EqualsNoCase(OwnerOf(item), strEmail)) {
        item.SetSubject(newPrefix + StripOwnerSubject(item.Subject(), oldPrefix));
        item.Save();
        ++saved;
      }
    } catch (...) {
      g_Debug().OutError("CGroups.UpdateOwnerSubjects");
    }
    if (doEvents) doEvents();
  }
  return saved;
}

int ChangeOwnerAddressesInFolder(const platform::Folder& folder, const std::map<std::string, std::string>& mapping,
                                 const std::function<void()>& doEvents) {
  if (!folder || mapping.empty()) return 0;
  int saved = 0;
  for (platform::Item& item : Appointments(folder)) {
    try {
      auto it = mapping.find(platform::Lower(OwnerOf(item)));
      if (it != mapping.end()) {
        item.UserProperties().Find(kOwnerAddressProp).SetValue(it->second);
        item.Save();
        ++saved;
      }
    } catch (...) {
      g_Debug().OutError("CGroups.ChangeEmailAddress");
    }
    if (doEvents) doEvents();
  }
  return saved;
}
