#include "sync/mAppointments.h"

#include <string>
#include <variant>

#include "diagnostics/CDebug.h"
#include "groups/CGroups.h"
#include "groups/CKeyGenerator.h"
#include "options/mOptions.h"
#include "platform/Error.h"
#include "platform/redemption/RDOSession.h"
#include "platform/redemption/SafeItems.h"
#include "platform/store/Items.h"
#include "platform/store/Recipients.h"
#include "platform/store/RecurrencePattern.h"
#include "sync/CJournal.h"
#include "sync/CLoomcastEvents.h"
#include "sync/CSyncContext.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "platform/redemption/MAPIUtils.h"
#include "platform/store/Attachments.h"
#include "platform/store/Folder.h"
#include "platform/store/MailSession.h"
#include "platform/store/UserProperties.h"

namespace mAppointments {

namespace {

// Appends `text` with every occurrence of `from` replaced by `to`.
void AppendReplaced(std::string& out, std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) {
    out += text;
    return;
  }
  size_t pos = 0;
  for (size_t hit; (hit = text.find(from, pos)) != std::string_view::npos; pos = hit + from.size())
    out.append(text, pos, hit - pos).append(to);
  out.append(text, pos);
}

// The billing block's text for the values (made for every item received:
// one string, grown once).
std::string FormatBillInfo(const std::string& entryId, const std::string& owner, const std::string& sham,
                           int recurrenceState, const std::string& groups, const std::string& categories,
                           const std::string& listSeparator, int displayAttachments) {
  std::string out;
  out.reserve(32 + entryId.size() + owner.size() + sham.size() + 2 * groups.size() + categories.size());
  out.append("<ztb>").append(entryId).append(";").append(owner).append(";").append(sham).append(";");
  out.append(std::to_string(recurrenceState)).append(";");
  AppendReplaced(out, groups, ";", "\r\n");
  out.append(";");
  AppendReplaced(out, categories, listSeparator, ",");
  out.append(";").append(std::to_string(displayAttachments)).append("</ztb>");
  return out;
}

// The installed context. Throws platform::Error when the add-in is not running.
CSyncContext& Ctx() {
  CSyncContext* ctx = g_Sync();
  if (!ctx || !ctx->pSession) throw platform::Error("the add-in is not running (no sync context)");
  return *ctx;
}

bool IsOwn(const CSyncContext& ctx, const std::string& owner) {
  return owner.empty() || platform::EqualsNoCase(owner, ctx.strMe);
}

// The number of a sham value (0 for empty or non-numeric text).
int ShamNumber(const std::string& sham) {
  int n = 0;
  return platform::ParseInt(sham, n) ? n : 0;
}

// Announces to the bridge the `count` events that the add-in's own write of
// the item causes in `folder`, and arms the safe timer that forgets them
// should they never come. Without a bridge nothing is watched, so nothing is
// announced. A refused announcement is logged under the writer's `source`.
void Announce(const std::string& entryId, const platform::Folder& folder, int count, const char* info,
              const char* source) {
  CSyncContext* ctx = g_Sync();
  if (!ctx || !ctx->pEvents || entryId.empty() || !folder) return;
  try {
    ctx->pEvents->IgnoreEvents(entryId, folder.EntryID(), count, "", info);
    if (ctx->StartSafeTimer) ctx->StartSafeTimer();
  } catch (...) {
    g_Debug().OutError(source);
  }
}

std::string ListSeparator(const CSyncContext& ctx) { return GetListSeparator(ctx.pSystem); }

// The twin named by the item's refer id; Nothing when there is none (or the
// id names the item itself).
platform::Item Twin(const CSyncContext& ctx, const platform::Item& item, const std::string& referId) {
  if (referId.empty()) return {};
  platform::Item twin = GetItemFromID(*ctx.pSession, referId);
  if (twin && twin.IsSame(item)) return {};
  return twin;
}

// Steps of sharing an own item: its copy in `destination`, the two entry
// ids cross-linked, the billing blocks refreshed. A meeting's copy is a
// plain appointment remembering the status; a sham copy's copy becomes the
// meeting again. `resetSham` is what the meeting's "VestrandShamMeeting"
// gets back ("0", or "" on the receiving side). Sets `sham` to the sham
// value the item travels with. Throws when no copy could be made.
platform::Item CopyOwnItem(const CSyncContext& ctx, platform::Item& item, const platform::Folder& destination,
                           const std::string& owner, const std::string& groups, const std::string& categories,
                           const std::string& resetSham, std::string& sham) {
  const std::string sep = ListSeparator(ctx);
  const int status = item.MeetingStatus();
  platform::Item copy;
  if (status != platform::olNonMeeting) {
    const std::string statusText = std::to_string(status);
    item.SetMeetingStatus(platform::olNonMeeting);
    SetUserProperty(item, kShamMeeting, statusText, true);
    copy = ItemCopyMove(item, destination);
    item.SetMeetingStatus(status);
    SetUserProperty(item, kShamMeeting, resetSham, !copy);
    if (!copy) throw platform::Error("the meeting could not be copied");
    SetUserProperty(item, kReferID, copy.EntryID(), false);
    SetBillInfo(item, owner, "0", groups, categories, sep);
    SetBillInfo(copy, owner, statusText, groups, categories, sep);
    sham = statusText;
    return copy;
  }
  const std::string itemSham = GetUserProperty(item, kShamMeeting);
  const int n = ShamNumber(itemSham);
  if (n != 0) {
    g_Debug().Out("own copy - Sham Meeting");
    SetUserProperty(item, kShamMeeting, "0", true);
    copy = ItemCopyMove(item, destination);
    if (copy) copy.SetMeetingStatus(n);
    SetUserProperty(item, kShamMeeting, itemSham, !copy);
  } else {
    copy = ItemCopyMove(item, destination);
  }
  if (!copy) throw platform::Error("the item could not be copied");
  SetUserProperty(item, kReferID, copy.EntryID(), false);
  SetBillInfo(item, owner, std::to_string(n), groups, categories, sep);
  SetBillInfo(copy, owner, "0", groups, categories, sep);
  sham = std::to_string(n);
  return copy;
}

// The sham value an item travels with: a meeting's status, else the number
// stored in "VestrandShamMeeting".
std::string ShamOf(const platform::Item& item) {
  if (item.MeetingStatus() != platform::olNonMeeting) return std::to_string(item.MeetingStatus());
  return std::to_string(ShamNumber(GetUserProperty(item, kShamMeeting)));
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// A yearly series of whole days named like the client's birthdays and
// anniversaries.
bool IsBirthday(const platform::Item& item) {
  if (!item.IsRecurring()) return false;
  platform::RecurrencePattern pattern = item.GetRecurrencePattern();
  if (pattern.RecurrenceType() != platform::olRecursYearly) return false;
  if (pattern.Duration() / 60 != 24) return false;
  const std::string subject = item.Subject();
  return EndsWith(subject, "'s Birthday") || EndsWith(subject, "'s Anniversary");
}

// The appointment in `folder` whose refer id names `entryId` (the twin of
// an item removed for good); Nothing when none.
platform::Item FindByReferID(const CSyncContext& ctx, const platform::Folder& folder, const std::string& entryId) {
  for (platform::Item& candidate : ctx.pSession->FindByUserProperty(folder, kReferID, entryId))
    if (candidate.MessageClass() == "IPM.Appointment") return candidate;
  return {};
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
                 const std::string& categories, const std::string& listSeparator, bool save) {
  try {
    if (item.Categories() != categories)
      g_Debug().OutCustomError("SetBillInfo", "olItem.Categories <> strCategories");
    // An unchanged block is not written again: a pass over items that are
    // in step rewrites nothing.
    const std::string block = FormatBillInfo(item.EntryID(), owner, sham, item.RecurrenceState(), groups,
                                             categories, listSeparator, GetDisplayAttachmentsCount(item));
    if (item.BillingInformation() != block) item.SetBillingInformation(block);
    if (save) ItemSave(item);
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
    const CSyncContext* ctx = g_Sync();
    const char* guard = "ItemSave1";
    if (item.Class() != platform::olAppointment)
      guard = "ItemSave0";
    else if (ctx && ctx->strOutlookMajor == "9")
      // The store keeps the reminder's time across a save, so the first
      // client's flag time needs no restoring here.
      guard = item.ReminderSet() ? "ItemSave3" : "ItemSave2";
    item.Save();
    Announce(item.EntryID(), item.Parent(), 1, guard, "ItemSave");
    return true;
  } catch (...) {
    g_Debug().OutError("ItemSave");
    return false;
  }
}

platform::Item ItemCopyMove(platform::Item& item, const platform::Folder& destination) {
  try {
    const CSyncContext& ctx = Ctx();
    if (ctx.pRdo) {
      const platform::Item source = ctx.pRdo->GetMessageFromID(item.EntryID(), item.Parent().StoreID());
      const platform::Folder folder = ctx.pRdo->GetFolderFromID(destination.EntryID(), destination.StoreID());
      const platform::Item added = source.CopyTo(folder);
      Announce(added.EntryID(), folder, 1, "ItemCopyMove(RDO)", "mAppointments.ItemCopyMove");
      return ctx.pSession->GetItemFromID(added.EntryID());
    }
    const platform::Folder from = item.Parent();
    const platform::Item temp = item.Copy();
    Announce(temp.EntryID(), from, 2, "ItemCopyMove(TempCopiedItem)", "mAppointments.ItemCopyMove");
    platform::Item moved = temp.Move(destination);
    Announce(moved.EntryID(), destination, 2, "ItemCopyMove(MoviedItem)", "mAppointments.ItemCopyMove");
    return moved;
  } catch (...) {
    g_Debug().OutError("mAppointments.ItemCopyMove");
    return {};
  }
}

void ItemDelete(platform::Item& item, bool hard) {
  try {
    // Like ItemSave, a delete works without an installed context: nothing is then watched.
    const CSyncContext* ctx = g_Sync();
    const platform::Folder folder = item.Parent();
    const std::string entryId = item.EntryID();
    Announce(entryId, folder, 1, "ItemDelete", "mAppointments.ItemDelete");
    if (hard && ctx && ctx->fldDeletedItems && !folder.IsSame(ctx->fldDeletedItems))
      Announce(entryId, ctx->fldDeletedItems, 1, "ItemDelete1", "mAppointments.ItemDelete");
    item.Delete();
  } catch (...) {
    g_Debug().OutError("mAppointments.ItemDelete");
  }
}

platform::Item CopyItem(platform::Item& item, const platform::Folder& destination, std::string& id, bool send,
                        const std::string& action) {
  try {
    const CSyncContext& ctx = Ctx();
    if (ctx.strMe.empty()) throw platform::Error("Current user address is empty.");
    if (!item) throw platform::Error("Copying item is nothing.");
    if (!destination) throw platform::Error("Destination folder is nothing.");

    std::string owner = GetUserProperty(item, kOwnerAddress);
    if (owner.empty()) owner = ctx.strMe;
    const std::string categories = item.Categories();
    platform::Item twin = Twin(ctx, item, GetUserProperty(item, kReferID));
    if (id.empty() && twin) id = GetUserProperty(twin, kItemID);

    std::string meetingUID;
    if (item.MeetingStatus() != platform::olNonMeeting)
      meetingUID = GetMeetingUID(item, true);
    else if (twin && twin.MeetingStatus() != platform::olNonMeeting)
      meetingUID = GetMeetingUID(twin, true);

    // The previous copy is replaced, never updated in place.
    if (twin) DeleteItem(twin);
    if (id.empty()) id = NewKey();

    const int status = item.MeetingStatus();
    const std::string groups = GetUserProperty(item, kGroups);
    SetUserProperty(item, kOwnerAddress, owner, false);
    SetUserProperty(item, kItemID, id, false);
    // The copy inherits the properties, so it points back at the item.
    SetUserProperty(item, kReferID, item.EntryID(), false);
    SetUserProperty(item, kShamMeetingUID, meetingUID, false);
    SetUserProperty(item, kGroups, groups, true);

    platform::Item copy;
    std::string sham;
    if (!IsOwn(ctx, owner)) {
      // Another member's item keeps no twin: it is marked as his.
      SetUserProperty(item, kReferID, "", false);
      const std::string name = ctx.pGroups ? ctx.pGroups->GetShowAsFromAddress(owner) : owner;
      item.SetSubject(MakeOwnerSubject(StripOwnerSubject(item.Subject(), MakeOwnerPrefix(name)), name));
      if (status != platform::olNonMeeting) {
        g_Debug().OutWarning("mAppointments.CopyItem", "' ispravlyayetysa na appoytment (sham meeting) ? temp");
        sham = std::to_string(status);
      }
      SetBillInfo(item, owner, sham, groups, categories, ListSeparator(ctx));
      send = ctx.CheckRights && ctx.CheckRights(owner, groups);
    } else {
      copy = CopyOwnItem(ctx, item, destination, owner, groups, categories, "0", sham);
    }
    if (send && action != "Nothing") SynchCopyItem(item, action, id, owner, groups, sham, meetingUID, false);
    return copy;
  } catch (...) {
    g_Debug().OutError("mAppointments.CopyItem");
    return {};
  }
}

platform::Item CopyItem(platform::Item& item, const platform::Folder& destination) {
  try {
    const CSyncContext& ctx = Ctx();
    if (!item) throw platform::Error("Copying item is nothing.");
    if (!destination) throw platform::Error("Destination folder is nothing.");
    std::string owner = GetUserProperty(item, kOwnerAddress);
    if (owner.empty()) owner = ctx.strMe;
    const std::string categories = item.Categories();
    const std::string groups = GetUserProperty(item, kGroups);
    SetUserProperty(item, kOwnerAddress, owner, false);
    SetUserProperty(item, kReferID, item.EntryID(), false);
    SetUserProperty(item, kGroups, groups, true);
    std::string sham;
    return CopyOwnItem(ctx, item, destination, owner, groups, categories, "", sham);
  } catch (...) {
    g_Debug().OutError("mAppointments.CopyItem");
    return {};
  }
}

platform::Item ChangeItem(platform::Item& item, const platform::Folder& destination) {
  try {
    const CSyncContext& ctx = Ctx();
    if (ctx.strMe.empty()) throw platform::Error("Current user address is empty.");
    if (!item) throw platform::Error("Changing item is nothing.");
    if (!destination) throw platform::Error("Destination folder is nothing.");

    std::string id = GetUserProperty(item, kItemID);
    std::string owner = GetUserProperty(item, kOwnerAddress);
    if (owner.empty()) owner = ctx.strMe;
    const std::string categories = item.Categories();
    if (id.empty()) return CopyItem(item, destination, id, true, "Added");

    const std::string sham = ShamOf(item);
    if (IsOwn(ctx, owner)) {
      g_Debug().Out("change own item : \r\n" + item.Subject());
      const std::string referId = GetUserProperty(item, kReferID);
      if (referId.empty()) return CopyItem(item, destination, id, true, "Added");
      if (item.MeetingStatus() != platform::olNonMeeting) {
        g_Debug().Out("own change - Meeting");
        return CopyItem(item, destination, id, true, "Changed");
      }
      if (ShamNumber(sham) != 0) {
        g_Debug().Out("own change - Sham Meeting");
        return CopyItem(item, destination, id, true, "Changed");
      }
      g_Debug().Out("own change - Simple");
      const bool twinMissing = !Twin(ctx, item, referId);
      platform::Item copy = CopyItem(item, destination, id, true, "Changed");
      if (twinMissing && copy) item = copy;
      return copy;
    }

    const std::string groups = GetUserProperty(item, kGroups);
    g_Debug().Out("change item of " + owner + " : \r\n" + item.Subject());
    const bool allowed = ctx.CheckRights && ctx.CheckRights(owner, groups);
    if (!allowed) {
      g_Debug().OutWarning("mAppointments.ChangeItem", "You changes of " + owner + "'s appointment will not send");
      return {};
    }
    g_Debug().Out("CheckRights: True, strGroups: " + groups);
    SetUserProperty(item, kGroups, groups, false);
    SetBillInfo(item, owner, sham, groups, categories, ListSeparator(ctx));
    SynchCopyItem(item, "Changed", id, owner, groups, sham, GetUserProperty(item, kShamMeetingUID), false);
    return {};
  } catch (...) {
    g_Debug().OutError("mAppointments.ChangeItem");
    return {};
  }
}

void RemoveItem(platform::Item& item) {
  try {
    const CSyncContext& ctx = Ctx();
    if (!item) throw platform::Error("Removing item is nothing.");
    const std::string id = GetUserProperty(item, kItemID);
    if (id.empty()) return;
    std::string owner = GetUserProperty(item, kOwnerAddress);
    if (owner.empty()) owner = ctx.strMe;
    const std::string groups = GetUserProperty(item, kGroups);
    const std::string meetingUID = GetUserProperty(item, kShamMeetingUID);
    const std::string sham = ShamOf(item);

    if (!IsOwn(ctx, owner)) {
      if (ctx.CheckRights && ctx.CheckRights(owner, groups))
        SynchRemoveItem(item, id, owner, sham, groups, meetingUID);
      else
        g_Debug().OutWarning("mAppointments.RemoveItem", "You removing of " + owner + "'s appointment will not send");
    } else {
      const std::string referId = GetUserProperty(item, kReferID);
      // Without a twin link the item was never copied by the add-in: it stays as it is.
      if (referId.empty()) return;
      platform::Item twin = Twin(ctx, item, referId);
      if (!twin) {
        SynchRemoveItem(item, id, owner, sham, groups, meetingUID);
      } else if (GetUserProperty(twin, kReferID) == item.EntryID()) {
        SynchRemoveItem(item, id, owner, sham, groups, meetingUID);
        DeleteItem(twin);
      }
    }
    SetUserProperty(item, kItemID, "", true);
  } catch (...) {
    g_Debug().OutError("mAppointments.RemoveItem");
  }
}

void DeleteItem(platform::Item& item) {
  try {
    const CSyncContext& ctx = Ctx();
    if (!item) throw platform::Error("Argument is nothing.");
    if (ctx.bLogEvents) {
      const platform::Folder folder = item.Parent();
      g_Debug().Out("DeleteItem, owner = " + GetUserProperty(item, kOwnerAddress) + "\r\nItemId = " +
                    GetUserProperty(item, kItemID) + "\r\nFolder = " + (folder ? folder.FolderPath() : ""));
    }
    // The cleared id travels with the move to Deleted Items, in the same write.
    SetUserProperty(item, kItemID, "", false);
    if (ctx.bLogEvents) {
      const std::string left = GetUserProperty(item, kItemID);
      if (!left.empty()) g_Debug().OutCustomError("DeleteItem", "ItemId not erased, still equal - '" + left + "'");
    }
    ItemDelete(item, true);
  } catch (...) {
    g_Debug().OutError("mAppointments.DeleteItem");
  }
}

void SynchCopyItem(const platform::Item& item, const std::string& action, const std::string& id,
                   const std::string& owner, const std::string& groups, const std::string& sham,
                   const std::string& meetingUID, bool force) {
  try {
    CSyncContext& ctx = Ctx();
    if (!item) throw platform::Error("Item is nothing.");
    if (!force && !IsInSyncWindow(item, ctx.dSyncStart, ctx.dSyncEnd)) return;
    std::string shamValue = sham;
    if (item.MeetingStatus() != platform::olNonMeeting) shamValue = std::to_string(item.MeetingStatus());
    if (!IsSharedItem(item, shamValue, owner)) return;
    const std::string recipients = ShamNumber(shamValue) != 0 ? GetRecipients(item) : "";
    if (const CAppointment* queued = ctx.colPending.Item(id)) {
      CAppointment rec = *queued;
      rec.m_strEntryID = item.EntryID();
      rec.m_strGroups = groups;
      rec.m_strShamMet = shamValue;
      rec.m_strRecipients = recipients;
      rec.m_dLastMod = item.LastModificationTime();
      rec.m_strMeetingUID = meetingUID;
      ctx.colPending.Update(rec);
    } else {
      ctx.colPending.Add(action, item.EntryID(), id, owner, groups, shamValue, recipients,
                         item.LastModificationTime(), meetingUID);
    }
  } catch (...) {
    g_Debug().OutError("mAppointments.SynchCopyItem");
  }
}

void SynchRemoveItem(const platform::Item& item, const std::string& id, const std::string& owner,
                     const std::string& sham, const std::string& groups, const std::string& meetingUID) {
  try {
    CSyncContext& ctx = Ctx();
    if (!item) throw platform::Error("Item is nothing.");
    std::string shamValue = sham;
    if (item.MeetingStatus() != platform::olNonMeeting) shamValue = std::to_string(item.MeetingStatus());
    if (!IsSharedItem(item, shamValue, owner)) return;
    const std::string recipients = ShamNumber(shamValue) != 0 ? GetRecipients(item) : "";
    const CAppointment* queued = ctx.colPending.Item(id);
    if (!queued) {
      ctx.colPending.Add("Removed", "Nothing", id, owner, groups, shamValue, recipients, item.LastModificationTime(),
                         meetingUID);
    } else if (queued->m_strAction == "Added") {
      // Never sent: the members never heard of it.
      ctx.colPending.Remove(id);
    } else {
      CAppointment rec = *queued;
      rec.m_strAction = "Removed";
      rec.m_strGroups = groups;
      rec.m_strShamMet = shamValue;
      rec.m_strRecipients = recipients;
      rec.m_dLastMod = item.LastModificationTime();
      rec.m_strMeetingUID = meetingUID;
      ctx.colPending.Update(rec);
    }
  } catch (...) {
    g_Debug().OutError("mAppointments.SynchRemoveItem");
  }
}

bool IsSharedItem(const platform::Item& item, const std::string& /*sham*/, const std::string& owner) {
  try {
    const CSyncContext* ctx = g_Sync();
    const bool own = !ctx || IsOwn(*ctx, owner);
    const std::string ownerText = own ? "" : ", owner = " + owner;
    const mOptions::Options& options = mOptions::g_Options();
    if (options.IgnoreHolidays && item.Categories() == "Holiday") {
      g_Debug().Out("Ignoring Holiday Item, EntryID = " + item.EntryID() + ownerText);
      return false;
    }
    if (options.IgnoreBirthdays && IsBirthday(item)) {
      g_Debug().Out("Ignoring Birtday Item.EntryID = " + item.EntryID() + ownerText);
      return false;
    }
    return true;
  } catch (...) {
    g_Debug().OutError("mAppointments.IsSharedItem");
    return false;
  }
}

bool IsInSyncWindow(const platform::Item& item, platform::Date start, platform::Date end) {
  try {
    if (item.End() > start && item.Start() < end) return true;
    if (item.RecurrenceState() != platform::olApptMaster) return false;
    platform::RecurrencePattern pattern = item.GetRecurrencePattern();
    if (pattern.NoEndDate()) return item.Start() < end;
    return end > pattern.PatternStartDate() && !(start > pattern.PatternEndDate());
  } catch (...) {
    g_Debug().OutError("mAppointments.IsInSyncWindow");
    return false;
  }
}

std::string GetRecipients(const platform::Item& item) {
  try {
    const CSyncContext& ctx = Ctx();
    std::string owner = GetUserProperty(item, kOwnerAddress);
    if (owner.empty()) owner = ctx.strMe;
    platform::Item meeting = item;
    if (item.MeetingStatus() == platform::olNonMeeting) {
      meeting = Twin(ctx, item, GetUserProperty(item, kReferID));
      if (!meeting) {
        if (!IsOwn(ctx, owner)) g_Debug().Out("oRefItem Is Nothing, Owner = " + owner);
        return "";
      }
      if (meeting.MeetingStatus() == platform::olNonMeeting) {
        g_Debug().Out("oRefItem.MeetingStatus = olNonMeeting");
        return "";
      }
    }
    Redemption::SafeAppointmentItem safe;
    safe.Item(meeting);
    std::vector<std::string> addresses;
    auto keep = [&addresses](const std::string& address) {
      const std::string a = platform::Lower(platform::Trim(address));
      if (a.empty()) return;
      for (const std::string& known : addresses)
        if (known == a) return;
      addresses.push_back(a);
    };
    platform::Recipients recipients = safe.Recipients();
    for (int i = 1; i <= recipients.Count(); ++i) keep(recipients.Item(i).Address());
    if (meeting.MeetingStatus() == platform::olMeeting) keep(owner);
    std::string text;
    for (const std::string& a : addresses) text += (text.empty() ? "" : ";") + a;
    g_Debug().Out("Recipients = " + text);
    return text;
  } catch (...) {
    g_Debug().OutError("Connect.GetRecipients");
    return "";
  }
}

void DisplayItem(platform::Item& item) {
  try {
    CSyncContext& ctx = Ctx();
    if (!item) throw platform::Error("Current Appointment is nothing.");
    std::string owner = GetUserProperty(item, kOwnerAddress);
    if (owner.empty()) owner = ctx.strMe;
    if (!IsOwn(ctx, owner)) return;
    const std::string id = GetUserProperty(item, kItemID);
    if (id.empty()) {
      // A new item: the reminder on, and private when the user wants it so.
      if (!item.ReminderSet()) item.SetReminderSet(true);
      if (mOptions::g_Options().DefaultPrivate) item.SetSensitivity(2);
      return;
    }
    if (ShamNumber(GetUserProperty(item, kShamMeeting)) == 0) return;
    const std::string referId = GetUserProperty(item, kReferID);
    if (referId.empty()) throw platform::Error("Refer ID of own item is an empty.");
    platform::Item meeting = Twin(ctx, item, referId);
    if (!meeting) throw platform::Error("Refer item is a nothing.");
    meeting.Display();
    ctx.objShamCopy = item;
    if (ctx.StartInspectTimer) ctx.StartInspectTimer();
  } catch (...) {
    g_Debug().OutError("mAppointments.DisplayItem");
  }
}

std::string MakeOwnerSubject(const std::string& subject, const std::string& ownerName) {
  return MakeOwnerPrefix(ownerName) + subject;
}

void DeleteShamans(const std::string& meetingUID, const std::string& keepReferID) {
  try {
    const CSyncContext& ctx = Ctx();
    g_Debug().Out("DeleteShamans.Start");
    std::vector<platform::Item> shamans;
    if (!meetingUID.empty()) {
      for (platform::Item& candidate : ctx.pSession->FindByUserProperty(ctx.fldZentab, kShamMeetingUID, meetingUID))
        if (candidate.MessageClass() == "IPM.Appointment" && candidate.MeetingStatus() == platform::olNonMeeting &&
            GetUserProperty(candidate, kShamMeetingUID) == meetingUID &&
            (keepReferID.empty() || GetUserProperty(candidate, kReferID) != keepReferID))
          shamans.push_back(candidate);
    }
    if (!shamans.empty())
      g_Debug().Out("OnUpdateMeeting : Found And Deleting " + std::to_string(shamans.size()) + " previous shamans");
    for (platform::Item& sham : shamans) {
      std::string owner = GetUserProperty(sham, kOwnerAddress);
      SynchRemoveItem(sham, GetUserProperty(sham, kItemID), owner, GetUserProperty(sham, kShamMeeting),
                      GetUserProperty(sham, kGroups), meetingUID);
      ItemDelete(sham, true);
    }
    g_Debug().Out("DeleteShamans.End");
  } catch (...) {
    g_Debug().OutError("mAppointments.DeleteShamans");
  }
}

void ProcessJournal(CJournal& journal) {
  try {
    const CSyncContext& ctx = Ctx();
    if (ctx.bLogEvents) g_Debug().Out("ProcessJournal.Start");
    // Taken out first: entries journalled meanwhile wait for their own run.
    const std::vector<CJournalEntry> entries(journal.begin(), journal.end());
    journal.Clear();
    for (const CJournalEntry& entry : entries) {
      try {
        platform::Item item = GetItemFromID(*ctx.pSession, entry.sEntryID);
        if (entry.nFolder == CJournalEntry::DeletedItems) {
          g_Debug().Out("Process journal entry DeletedItems_AddItem");
          if (item) RemoveItem(item);
          continue;
        }
        if (entry.nFolder != CJournalEntry::Calendar && entry.nFolder != CJournalEntry::Zentab) {
          g_Debug().Out("InvalidFolder - " + std::to_string(entry.nFolder));
          continue;
        }
        const bool inCalendar = entry.nFolder == CJournalEntry::Calendar;
        const std::string name = inCalendar ? "Calendar" : "Zentab";
        const platform::Folder destination = inCalendar ? ctx.fldZentab : ctx.fldCalendar;
        const platform::Folder other = inCalendar ? ctx.fldZentab : ctx.fldCalendar;
        switch (entry.nAction) {
          case CJournalEntry::ItemAdded: {
            g_Debug().Out("Process journal entry " + name + "_AddItem");
            if (!item) break;
            if (ctx.strOutlookMajor == "9") item.SetUnRead(true);
            // A copy the user made must not inherit its source's twin.
            SetUserProperty(item, kReferID, "", false);
            std::string id;
            CopyItem(item, destination, id, true, "Added");
            break;
          }
          case CJournalEntry::ItemChanged:
            g_Debug().Out("Process journal entry " + name + "_ChangeItem");
            if (!item) break;
            if (item.MeetingStatus() != platform::olNonMeeting) DeleteShamans(GetMeetingUID(item, true), item.EntryID());
            ChangeItem(item, destination);
            break;
          case CJournalEntry::ItemRemoved:
            g_Debug().Out("Process journal entry " + name + "_RemoveItem");
            if (item) {
              RemoveItem(item);
            } else if (platform::Item twin = FindByReferID(ctx, other, entry.sEntryID)) {
              // Removed for good: its twin still names it.
              RemoveItem(twin);
              DeleteItem(twin);
            }
            break;
          default:
            g_Debug().Out("invalid journal entry - " + std::to_string(entry.nAction));
        }
      } catch (...) {
        g_Debug().OutError("mAppointments.ProcessJournal");
      }
    }
    if (ctx.bLogEvents) g_Debug().Out("ProcessJournal.End");
  } catch (...) {
    journal.Clear();
    g_Debug().OutError("mAppointments.ProcessJournal");
  }
}

}  // namespace mAppointments
