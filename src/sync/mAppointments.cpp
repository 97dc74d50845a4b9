#include "sync/mAppointments.h"

#include <string>
#include <variant>

#include "diagnostics/CDebug.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "platform/redemption/MAPIUtils.h"
#include "platform/store/Attachments.h"
#include "platform/store/Folder.h"
#include "platform/store/MailSession.h"
#include "platform/store/UserProperties.h"

namespace mAppointments {

namespace {

// Every occurrence of `from` in `text` replaced by `to`.
std::string ReplaceAll(const std::string& text, const std::string& from, const std::string& to) {
  if (from.empty()) return text;
  std::string out;
  size_t pos = 0;
  for (size_t hit; (hit = text.find(from, pos)) != std::string::npos; pos = hit + from.size())
    out += text.substr(pos, hit - pos) + to;
  return out + text.substr(pos);
}

// The billing block's text for the values.
std::string FormatBillInfo(const std::string& entryId, const std::string& owner, const std::string& sham,
                           int recurrenceState, const std::string& groups, const std::string& categories,
                           const std::string& listSeparator, int displayAttachments) {
  return "<ztb>" + entryId + ";" + owner + ";" + sham + ";" + std::to_string(recurrenceState) + ";" +
         ReplaceAll(groups, ";", "\r\n") + ";" + ReplaceAll(categories, listSeparator, ",") + ";" +
         std::to_string(displayAttachments) + "</ztb>";
}

}  // namespace

bool HasUserProperty(const platform::Item& item, const std::string& name) {
  try {
    return item && static_cast<bool>(item.UserProperties().Find(name));
  } catch (...) {
    g_Debug().OutError("mAppointments.HasUserProperty");
    return false;
  }
}

std::string GetUserProperty(const platform::Item& item, const std::string& name) {
  try {
    if (!item) return "";
    platform::UserProperty prop = item.UserProperties().Find(name);
    return prop ? prop.Value() : "";
  } catch (...) {
    g_Debug().OutError("mAppointments.GetUserProperty");
    return "";
  }
}

void SetUserProperty(platform::Item& item, const std::string& name, const std::string& value, bool save) {
  try {
    platform::UserProperties props = item.UserProperties();
    platform::UserProperty prop = props.Find(name);
    if (!prop) prop = props.Add(name, platform::olText);
    if (prop.Value() != value) prop.SetValue(value);
    if (save) ItemSave(item);
  } catch (...) {
    g_Debug().OutError("mAppointments.SetUserProperty");
  }
}

void DeleteVestrandProps(platform::Item& item, bool save) {
  try {
    platform::UserProperties props = item.UserProperties();
    const std::string folder = item.Parent() ? item.Parent().FolderPath() : "";
    g_Debug().Out2("DeleteVestrandProps, UserProperties.Count = " + std::to_string(props.Count()) + "\r\n" +
                   "owner = " + GetUserProperty(item, kOwnerAddress) + "\r\n" + "ItemId = " +
                   GetUserProperty(item, kItemID) + "\r\n" + "Folder = " + folder);
    const std::string prefix = kVestrandPrefix;
    for (int i = props.Count(); i >= 1; --i) {
      if (props.Item(i).Name().compare(0, prefix.size(), prefix) == 0) props.Remove(i);
    }
    if (save) ItemSave(item);
  } catch (...) {
    g_Debug().OutError("mAppointments.DeleteVestrandProps");
  }
}

std::string GetMeetingUID(const platform::Item& item, bool global) {
  try {
    if (item.MeetingStatus() == platform::olNonMeeting) {
      g_Debug().OutCustomError("mAppointments.GetMeetingUID", "not meeting");
      return "";
    }
    Redemption::MAPIUtils utils;
    const long id = utils.GetIDsFromNames(item, kMeetingPropSet,
                                          global ? kGlobalObjectIdProp : kCleanGlobalObjectIdProp, false);
    if (id == 0) {
      g_Debug().OutWarning("mAppointments.GetMeetingUID", "prUID = 0");
      return "";
    }
    platform::PropValue uid = utils.HrGetOneProp(item, id + kPropTypeBinary);
    if (const auto* bytes = std::get_if<platform::Bytes>(&uid)) return Redemption::MAPIUtils::HrArrayToString(*bytes);
    static const char* const kTypeNames[] = {"Empty", "String", "Long", "Boolean", "Double", "Date", "Byte()"};
    g_Debug().OutWarning("mAppointments.GetMeetingUID",
                         std::string("TypeName(UID) = '") + kTypeNames[uid.index()] + "'");
    return "";
  } catch (...) {
    g_Debug().OutError("mAppointments.GetMeetingUID");
    return "";
  }
}

int GetDisplayAttachmentsCount(const platform::Item& item) {
  try {
    platform::Attachments attachments = item.Attachments();
    int count = 0;
    for (int i = 1; i <= attachments.Count(); ++i) {
      if (attachments.Item(i).Position() > 0) ++count;
    }
    return count;
  } catch (...) {
    g_Debug().OutError("mAppointments.GetDisplayAttachmentsCount");
    return 0;
  }
}

std::string GetListSeparator(const platform::System* system) {
  if (system && !system->ListSeparator().empty()) return system->ListSeparator();
  g_Debug().OutLastDllError("GetListSeparator");
  return ",";
}

void SetBillInfo(platform::Item& item, const std::string& owner, const std::string& sham, const std::string& groups,
                 const std::string& categories, const std::string& listSeparator) {
  try {
    if (item.Categories() != categories)
      g_Debug().OutCustomError("SetBillInfo", "olItem.Categories <> strCategories");
    item.SetBillingInformation(FormatBillInfo(item.EntryID(), owner, sham, item.RecurrenceState(), groups,
                                              categories, listSeparator, GetDisplayAttachmentsCount(item)));
    ItemSave(item);
  } catch (...) {
    g_Debug().OutError("mAppointments.SetBillInfo");
  }
}

bool IsShamValue(const std::string& sham) {
  int n = 0;
  return platform::ParseInt(sham, n) && n != 0;
}

platform::Item GetItemFromID(const platform::MailSession& session, const std::string& entryId) {
  if (entryId.empty()) return {};
  try {
    return session.GetItemFromID(entryId);
  } catch (...) {
    return {};
  }
}

bool ItemSave(platform::Item& item) {
  try {
    if (item.Saved()) {
      if (item.EntryID().empty())
        g_Debug().OutCustomError("ItemSave", "oItem.Saved And Len(oItem.EntryID) = 0! oItem.Save must be called!");
      return true;
    }
    item.Save();
    return true;
  } catch (...) {
    g_Debug().OutError("ItemSave");
    return false;
  }
}

}  // namespace mAppointments
