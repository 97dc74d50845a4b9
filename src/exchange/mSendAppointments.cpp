#include "exchange/mSendAppointments.h"

#include <filesystem>
#include <iterator>
#include <unordered_map>
#include <utility>
#include <vector>

#include "diagnostics/CDebug.h"
#include "exchange/CXmlAppointments.h"
#include "exchange/mAppointmentXml.h"
#include "exchange/mEnvelope.h"
#include "exchange/mMain.h"
#include "exchange/mZip.h"
#include "groups/CGroups.h"
#include "groups/CKeyGenerator.h"
#include "options/mOptions.h"
#include "platform/Error.h"
#include "platform/FileUtil.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "platform/redemption/SafeItems.h"
#include "platform/store/Attachments.h"
#include "platform/store/RecurrencePattern.h"
#include "platform/store/MailSession.h"
#include "platform/store/UserProperties.h"
#include "sync/CSyncContext.h"
#include "sync/mAppointments.h"

namespace mSendAppointments {

namespace {

using mAppointmentXml::BoolText;
using mAppointmentXml::NumberText;

constexpr int kPrivate = 2;  // Sensitivity olPrivate
constexpr const char* kSource = "WriteAppointment1";

// The value `read` gives, or "" when it throws (logged with the element's
// name): one unreadable property never costs the item its other elements.
template <typename F>
std::string Read(const char* element, F&& read) {
  try {
    return read();
  } catch (...) {
    g_Debug().OutError(std::string(kSource) + "." + element);
    return "";
  }
}

bool EndsWithNoCase(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && platform::EqualsNoCase(text.substr(text.size() - tail.size()), tail);
}

std::string UserProp(const platform::Item& item, const char* name) {
  platform::UserProperty prop = item.UserProperties().Find(name);
  return prop ? prop.Value() : "";
}

// Enters the container element just written to the current item: the
// container becomes both the current node and the current item, so that
// its entries are appended to it. The caller Pops when done.
void EnterLastChild(CXmlAppointments& xml) {
  xml.Push();
  xml.SetCurNode(CXmlAppointments::ntCurItem);
  xml.SetLastItem();
  xml.SetCurNode(CXmlAppointments::ntCurItem);
}

// Removes a scratch folder left by a failed step (a failure is only logged:
// the temporary folder is the user's to clean).
void RemoveScratch(const std::filesystem::path& folder) {
  if (folder.empty()) return;
  try {
    platform::FileUtil::DeleteTree(folder);
  } catch (...) {
    g_Debug().OutError(kSource);
  }
}

// Packs a by-value attachment's file into the zip under `id`; false (logged)
// when it cannot.
bool PackAttachment(const platform::Attachment& att, const std::string& id, const std::string& zipPath,
                    const WriteEnv& env) {
  std::filesystem::path folder;
  try {
    if (!env.pSystem) throw platform::Error("no scratch folder for attachment files");
    folder = env.pSystem->UniqueTempFolder();
    const std::string file = (folder / id).string();
    att.SaveAsFile(file);
    const bool zipped = mZip::ZipFile(zipPath, file);
    platform::FileUtil::DeleteTree(folder);
    if (!zipped) g_Debug().OutWarning(kSource, "Can't zip attachment '" + att.FileName() + "'");
    return zipped;
  } catch (...) {
    g_Debug().OutError(kSource);
    RemoveScratch(folder);
    return false;
  }
}

void WriteAttachments(CXmlAppointments& xml, const platform::Item& item, const std::string& zipPath,
                      const WriteEnv& env) {
  xml.WriteItemProp("Attachments", "");
  EnterLastChild(xml);
  try {
    platform::Attachments attachments = item.Attachments();
    for (int i = 1; i <= attachments.Count(); ++i) {
      platform::Attachment att = attachments.Item(i);
      const platform::OlAttachmentType type = att.Type();
      if (type != platform::olByValue && type != platform::olByReference) continue;
      if (type == platform::olByValue && env.bIgnoreMsgAttaches && EndsWithNoCase(att.FileName(), ".msg")) {
        g_Debug().Out("Skipping *.msg attachment('" + att.FileName() + "')");
        continue;
      }
      const std::string id = env.NewAttachmentID ? env.NewAttachmentID() : "";
      if (id.empty()) {
        g_Debug().OutCustomError(kSource, "no identifier for attachment '" + att.FileName() + "'");
        continue;
      }
      if (type == platform::olByValue && !PackAttachment(att, id, zipPath, env)) continue;
      xml.WriteItemProp("Attachment", "");
      EnterLastChild(xml);
      xml.WriteItemProp("ID", id);
      xml.WriteItemProp("DisplayName", att.DisplayName());
      xml.WriteItemProp("FileName", att.FileName());
      xml.WriteItemProp("PathName", att.PathName());
      xml.WriteItemProp("Type", NumberText(type));
      xml.Pop();
    }
  } catch (...) {
    g_Debug().OutError(std::string(kSource) + ".Attachments");
  }
  xml.Pop();
}

void WriteExceptions(CXmlAppointments& xml, const std::string& subjectPrefix, const platform::Item& master,
                     const std::vector<platform::RecurrenceException>& exceptions, const std::string& zipPath,
                     const WriteEnv& env) {
  xml.WriteItemProp("RecExceptions", "");
  EnterLastChild(xml);
  const bool allDay = master.AllDayEvent();
  for (const platform::RecurrenceException& exc : exceptions) {
    xml.CreateItem();
    xml.WriteItemProp("OriginalDate", mAppointmentXml::ShiftedDateText(exc.OriginalDate(), env.nBias, allDay));
    xml.WriteItemProp("Deleted", BoolText(exc.Deleted()));
    if (exc.Deleted()) continue;
    xml.WriteItemProp("AppointmentItem", "");
    EnterLastChild(xml);
    try {
      platform::Item occurrence = exc.AppointmentItem();
      mAppointmentXml::ItemHeader header;
      header.strItemID = UserProp(occurrence, "VestrandItemID");
      header.strOwner = UserProp(occurrence, "VestrandOwnerAddress");
      header.strGroups = UserProp(occurrence, "VestrandGroups");
      header.strShamMet = UserProp(occurrence, "VestrandShamMeeting");
      header.dLastMod = occurrence.LastModificationTime();
      mAppointmentXml::WriteItemHeader(xml, header, env.nBias, true);
      WriteAppointment1(xml, subjectPrefix, occurrence, zipPath, env);
    } catch (...) {
      g_Debug().OutError(std::string(kSource) + ".RecExceptions");
    }
    xml.Pop();
  }
  xml.Pop();
}

// The eleven recurrence elements: a series master's pattern and exceptions,
// empty for every other item.
void WriteRecurrence(CXmlAppointments& xml, const std::string& subjectPrefix, const platform::Item& item,
                     const std::string& zipPath, const WriteEnv& env) {
  static constexpr const char* kNames[] = {"RecDayOfMonth",     "RecDayOfWeekMask",    "RecInterval",
                                           "RecMonthOfYear",    "RecNoEndDate",        "RecOccurrences",
                                           "RecPatternEndDate", "RecPatternStartDate", "RecRecurrenceType",
                                           "RecInstance"};
  std::vector<std::string> values;
  std::vector<platform::RecurrenceException> exceptions;
  try {
    if (item.RecurrenceState() == platform::olApptMaster) {
      platform::RecurrencePattern p = item.GetRecurrencePattern();
      std::vector<std::string> read = {NumberText(p.DayOfMonth()),
                                       NumberText(p.DayOfWeekMask()),
                                       NumberText(p.Interval()),
                                       NumberText(p.MonthOfYear()),
                                       BoolText(p.NoEndDate()),
                                       NumberText(p.Occurrences()),
                                       mEnvelope::Date2CStr(p.PatternEndDate()),
                                       mEnvelope::Date2CStr(p.PatternStartDate()),
                                       NumberText(p.RecurrenceType()),
                                       NumberText(p.Instance())};
      exceptions = p.Exceptions();
      values = std::move(read);
    }
  } catch (...) {
    g_Debug().OutError(std::string(kSource) + ".Recurrence");
  }
  // Most items are no series: their empty elements take no strings.
  static const std::string kEmpty;
  for (size_t i = 0; i < std::size(kNames); ++i) xml.WriteItemProp(kNames[i], values.empty() ? kEmpty : values[i]);
  if (!values.empty())
    WriteExceptions(xml, subjectPrefix, item, exceptions, zipPath, env);
  else
    xml.WriteItemProp("RecExceptions", "");
}

std::string SafeBody(const platform::Item& item) {
  Redemption::SafeAppointmentItem safe;
  safe.Item(item);
  return safe.Body();
}

}  // namespace

std::string AttachmentIDs::Next() {
  for (;;) {
    std::string id = NewKey();
    if (m_used.insert(id).second) return id;
  }
}

WriteEnv SyncWriteEnv(const CSyncContext& ctx, AttachmentIDs& ids) {
  WriteEnv env;
  env.strOutlookMajor = ctx.strOutlookMajor;
  env.nBias = ctx.nBias;
  env.bIgnoreMsgAttaches = mOptions::g_Options().IgnoreMsgAttaches;
  env.pSystem = ctx.pSystem;
  env.NewAttachmentID = [&ids] { return ids.Next(); };
  return env;
}

std::string OwnerPrefix(const CSyncContext& ctx, const std::string& owner) {
  return "[" + (ctx.pGroups ? ctx.pGroups->GetShowAsFromAddress(owner) : std::string()) + "] ";
}

namespace {

// Owner prefixes of one document by owner address: a queue names few
// owners, and each lookup walks the groups.
using PrefixCache = std::unordered_map<std::string, std::string>;

const std::string& CachedOwnerPrefix(const CSyncContext& ctx, const std::string& owner, PrefixCache& cache) {
  auto it = cache.find(owner);
  if (it == cache.end()) it = cache.emplace(owner, OwnerPrefix(ctx, owner)).first;
  return it->second;
}

// WriteAppointment for a change whose item ("Added" and "Changed"; empty
// when gone) was read already.
bool WriteReadChange(CXmlAppointments& xml, const CSyncContext& ctx, const CAppointment& wrapper,
                     const platform::Item& item, PrefixCache& prefixes, const std::string& zipPath,
                     const WriteEnv& env) {
  try {
    const std::string& action = wrapper.m_strAction;
    const bool withItem = action == "Added" || action == "Changed";
    if (withItem) {
      if (!item) {
        g_Debug().OutWarning("WriteAppointment", "Item is Nothing.");
        return false;
      }
      if (item.Class() != platform::olAppointment) {
        g_Debug().OutWarning("WriteAppointment", "oObj.Class = " + std::to_string(static_cast<int>(item.Class())));
        return false;
      }
    }
    if (action == "Added") {
      xml.SetCurNode(CXmlAppointments::ntAdded);
    } else if (action == "Changed") {
      xml.SetCurNode(CXmlAppointments::ntChanged);
    } else if (action == "Removed") {
      xml.SetCurNode(CXmlAppointments::ntRemoved);
    } else {
      g_Debug().OutWarning("mSendAppointments.WriteAppointment", "Invalid action - " + action + ".");
      return false;
    }
    xml.CreateItem();
    mAppointmentXml::ItemHeader header;
    header.strItemID = wrapper.m_strItemID;
    header.strOwner = wrapper.m_strOwner;
    header.strGroups = wrapper.m_strGroups;
    header.strShamMet = wrapper.m_strShamMet;
    header.strRecipients = wrapper.m_strRecipients;
    header.strMeetingUID = wrapper.m_strMeetingUID;
    header.dLastMod = wrapper.m_dLastMod;
    mAppointmentXml::WriteItemHeader(xml, header, env.nBias);
    if (withItem) WriteAppointment1(xml, CachedOwnerPrefix(ctx, wrapper.m_strOwner, prefixes), item, zipPath, env);
    return true;
  } catch (...) {
    g_Debug().OutError("mSendAppointments.WriteAppointment");
    return false;
  }
}

bool CarriesItem(const CAppointment& wrapper) {
  return wrapper.m_strAction == "Added" || wrapper.m_strAction == "Changed";
}

}  // namespace

void WriteAppointments(CXmlAppointments& xml, const CAppointmentsCollection& queue, const std::string& zipPath,
                       const WriteEnv& env) {
  const CSyncContext* ctx = g_Sync();
  if (!ctx || !ctx->pSession) {
    for (const CAppointment& wrapper : queue) WriteAppointment(xml, wrapper, zipPath, env);  // each logs why not
    return;
  }
  // The items are read a batch at a time (a few queries per batch rather
  // than a few per item), and only a batch is held in memory at once.
  constexpr size_t kBatch = 256;
  PrefixCache prefixes;
  ctx->pSession->Batch([&] {
    std::vector<const CAppointment*> changes;
    std::vector<std::string> entryIds;
    auto writeBatch = [&] {
      std::vector<platform::Item> items;
      try {
        items = ctx->pSession->GetItemsFromIDs(entryIds);
      } catch (...) {
        g_Debug().OutError("mSendAppointments.WriteAppointments");
        items.assign(entryIds.size(), platform::Item());
      }
      for (size_t i = 0; i < changes.size(); ++i) WriteReadChange(xml, *ctx, *changes[i], items[i], prefixes, zipPath, env);
      changes.clear();
      entryIds.clear();
    };
    for (const CAppointment& wrapper : queue) {
      changes.push_back(&wrapper);
      entryIds.push_back(CarriesItem(wrapper) ? wrapper.m_strEntryID : std::string());
      if (changes.size() == kBatch) writeBatch();
    }
    if (!changes.empty()) writeBatch();
  });
}

bool WriteAppointment(CXmlAppointments& xml, const CAppointment& wrapper, const std::string& zipPath,
                      const WriteEnv& env) {
  try {
    const CSyncContext* ctx = g_Sync();
    if (!ctx || !ctx->pSession) throw platform::Error("no add-in context to read the pending items from");
    platform::Item item;
    if (CarriesItem(wrapper)) item = mAppointments::GetItemFromID(*ctx->pSession, wrapper.m_strEntryID);
    PrefixCache prefixes;
    return WriteReadChange(xml, *ctx, wrapper, item, prefixes, zipPath, env);
  } catch (...) {
    g_Debug().OutError("mSendAppointments.WriteAppointment");
    return false;
  }
}

bool SendAppointments(const std::string& action, std::string& recipients) {
  try {
    CSyncContext* ctx = g_Sync();
    if (!ctx) return true;
    CAppointmentsCollection& queue = ctx->colPending;
    if ((queue.Count() == 0 && action.empty()) || ctx->strMe.empty()) return true;
    if (recipients.empty() && ctx->pGroups) recipients = ctx->pGroups->GetAppointsRecivers();
    if (recipients.empty()) {
      queue.RemoveAll();
      return true;
    }
    if (!ctx->pMail) throw platform::Error("no mail environment to send appointments through");
    const mMain::MailEnv& mail = *ctx->pMail;
    CXmlAppointments xml(mMain::GetWorkFilePath(mail, CXmlAppointments::kDefaultFileName));
    xml.Create();
    const std::string zipPath = mMain::GetWorkFilePath(mail, "SyncSndItemsAttaches.zip");
    platform::FileUtil::Delete(zipPath);
    AttachmentIDs ids;
    const WriteEnv env = SyncWriteEnv(*ctx, ids);
    WriteAppointments(xml, queue, zipPath, env);
    xml.Save();
    const bool hasAttachments = mZip::FileExists(zipPath) && mZip::GetNumFilesInZip(zipPath) >= 1;
    // The mail and the emptied queue are one store batch: a run killed in
    // between leaves both or neither (the mail waits in the profile's outbox
    // until the batch commits, and goes under one Message-ID however often
    // it is handed to the transport).
    auto sendAndEmpty = [&] {
      if (!mMain::SendXml(mail, xml.GetFilename(), recipients, action, hasAttachments ? zipPath : ""))
        g_Debug().OutWarning("mSendAppointments.SendAppointments",
                             "the appointment mail was not sent; " + std::to_string(queue.Count()) +
                                 " pending changes dropped");
      queue.RemoveAll();
    };
    if (ctx->pSession)
      ctx->pSession->Batch(sendAndEmpty);
    else
      sendAndEmpty();
    xml.Delete();
    platform::FileUtil::Delete(zipPath);
    return true;
  } catch (...) {
    g_Debug().OutError("mSendAppointments.SendAppointments");
    return true;
  }
}

bool WriteAppointment1(CXmlAppointments& xml, const std::string& subjectPrefix, const platform::Item& item,
                       const std::string& zipPath, const WriteEnv& env) {
  if (!item) {
    g_Debug().OutCustomError(kSource, "Item is Nothing.");
    return false;
  }
  auto text = [&](const char* name) { return Read(name, [&] { return item.GetText(name); }); };
  auto number = [&](const char* name) { return Read(name, [&] { return NumberText(item.GetInt(name)); }); };
  auto boolean = [&](const char* name) { return Read(name, [&] { return BoolText(item.GetBool(name)); }); };
  auto date = [&](const char* name, bool allDay) {
    return Read(name, [&] { return mAppointmentXml::ShiftedDateText(item.GetDate(name), env.nBias, allDay); });
  };
  // An item whose sensitivity cannot be read travels blanked: its details
  // may be private.
  const std::string sensitivity = number("Sensitivity");
  const bool isPrivate = sensitivity.empty() || sensitivity == NumberText(kPrivate);
  bool allDay = false;
  const std::string allDayText = Read("AllDayEvent", [&] {
    allDay = item.AllDayEvent();
    return BoolText(allDay);
  });
  auto W = [&](const char* name, const std::string& value) { xml.WriteItemProp(name, value); };

  W("AllDayEvent", allDayText);
  W("BillingInformation", "");
  W("BusyStatus", isPrivate ? "2" : number("BusyStatus"));
  W("Categories", isPrivate ? "" : text("Categories"));
  W("Companies", isPrivate ? "" : text("Companies"));
  W("ConferenceServerAllowExternal", boolean("ConferenceServerAllowExternal"));
  W("ConferenceServerPassword", text("ConferenceServerPassword"));
  W("Duration", number("Duration"));
  W("End", date("End", allDay));
  W("IsRecurring", boolean("IsRecurring"));
  W("Importance", isPrivate ? "1" : number("Importance"));
  if (env.strOutlookMajor == "10")
    W("InternetCodepage", number("InternetCodepage"));
  else if (env.strOutlookMajor == "9")
    W("InternetCodepage", "0");
  W("isOnlineMeeting", boolean("IsOnlineMeeting"));
  W("Location", isPrivate ? "" : text("Location"));
  if (env.strOutlookMajor == "10")
    W("MarkForDownload", number("MarkForDownload"));
  else if (env.strOutlookMajor == "9")
    W("MarkForDownload", "");
  W("MeetingStatus", number("MeetingStatus"));
  W("Mileage", text("Mileage"));
  W("NetMeetingAutoStart", boolean("NetMeetingAutoStart"));
  W("NetMeetingDocPathName", text("NetMeetingDocPathName"));
  W("NetMeetingOrganizerAlias", "");
  W("NetMeetingServer", text("NetMeetingServer"));
  W("NetMeetingType", number("NetMeetingType"));
  W("NetShowURL", text("NetShowURL"));
  W("NoAging", boolean("NoAging"));
  W("OptionalAttendees", GetOptionalAttendees(item));
  W("ReplyTime", date("ReplyTime", allDay));
  W("RequiredAttendees", GetRequiredAttendees(item));
  W("Resources", GetResources(item));
  W("ResponseRequested", boolean("ResponseRequested"));
  W("Sensitivity", sensitivity);
  W("Start", date("Start", allDay));
  std::string subject;
  if (!isPrivate) {
    subject = text("Subject");
    if (!subjectPrefix.empty() && subject.compare(0, subjectPrefix.size(), subjectPrefix) == 0)
      subject.erase(0, subjectPrefix.size());
  }
  W("Subject", subject);
  W("Contacts", text("Contacts"));
  WriteAttachments(xml, item, zipPath, env);
  WriteRecurrence(xml, subjectPrefix, item, zipPath, env);
  W("Body", isPrivate ? "" : Read("Body", [&] { return SafeBody(item); }));
  return true;
}

std::string GetRequiredAttendees(const platform::Item& item) {
  try {
    Redemption::SafeAppointmentItem safe;
    safe.Item(item);
    return safe.RequiredAttendees();
  } catch (...) {
    g_Debug().OutError("mSendAppointments.GetRequiredAttendees");
    return "";
  }
}

std::string GetOptionalAttendees(const platform::Item& item) {
  try {
    Redemption::SafeAppointmentItem safe;
    safe.Item(item);
    return safe.OptionalAttendees();
  } catch (...) {
    g_Debug().OutError("mSendAppointments.GetOptionalAttendees");
    return "";
  }
}

std::string GetResources(const platform::Item& item) {
  try {
    Redemption::SafeAppointmentItem safe;
    safe.Item(item);
    return safe.Resources();
  } catch (...) {
    g_Debug().OutError("mSendAppointments.GetResources");
    return "";
  }
}

}  // namespace mSendAppointments
