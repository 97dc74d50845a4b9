#include "exchange/mReceiveAppointments.h"

#include <filesystem>
#include <optional>

#include "diagnostics/CDebug.h"
#include "exchange/CXmlAppointments.h"
#include "exchange/mAppointmentXml.h"
#include "exchange/mZip.h"
#include "platform/Error.h"
#include "platform/FileUtil.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "platform/store/Attachments.h"
#include "platform/store/RecurrencePattern.h"

namespace mReceiveAppointments {

namespace {

using mAppointmentXml::TextBool;
using mAppointmentXml::TextNumber;

constexpr const char* kSource = "mReceiveAppointments.ProcessAppointment1";

bool EndsWithNoCase(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && platform::EqualsNoCase(text.substr(text.size() - tail.size()), tail);
}

// Applies the document's elements to one item. Every Apply* reads one
// element when present and logs (without stopping) what cannot be applied.
class ItemReader {
 public:
  ItemReader(CXmlAppointments& xml, platform::Item& item, const ReadEnv& env, bool exception)
      : m_xml(xml), m_item(item), m_env(env), m_bException(exception) {}

  void Text(const char* element, const char* property, const std::string& prefix = "") {
    std::string v;
    if (!m_xml.ItemPropSExists(element, v)) return;
    Set(element, [&] { m_item.Set(property, prefix + v); });
  }
  void Bool(const char* element, const char* property) {
    std::string v;
    if (!m_xml.ItemPropSExists(element, v)) return;
    Set(element, [&] { m_item.Set(property, TextBool(v)); });
  }
  void Number(const char* element, const char* property) {
    std::string v;
    if (!m_xml.ItemPropSExists(element, v)) return;
    std::optional<int> n = TextNumber(v);
    if (!n) {
      g_Debug().OutWarning(kSource, std::string(element) + " is no number: '" + v + "'");
      return;
    }
    Set(element, [&] { m_item.Set(property, static_cast<int64_t>(*n)); });
  }
  void Date(const char* element, const char* property) {
    std::string v;
    if (!m_xml.ItemPropSExists(element, v)) return;
    std::optional<platform::Date> d = mAppointmentXml::ReadShiftedDate(v, m_env.nBias, m_bAllDay);
    if (!d) {
      g_Debug().OutWarning(kSource, std::string(element) + " is no date: '" + v + "'");
      return;
    }
    Set(element, [&] { m_item.Set(property, *d); });
  }
  void AllDay() {
    std::string v;
    if (!m_xml.ItemPropSExists("AllDayEvent", v)) return;
    m_bAllDay = TextBool(v);
    Set("AllDayEvent", [&] { m_item.SetAllDayEvent(m_bAllDay); });
  }

  // The item's elements in the reader's order, up to and with "Body".
  void Fill(const std::string& subjectPrefix, const std::string& attachesZip) {
    Text("Subject", "Subject", subjectPrefix);
    AllDay();
    Text("BillingInformation", "BillingInformation");
    Text("Categories", "Categories");
    Text("Companies", "Companies");
    Bool("ConferenceServerAllowExternal", "ConferenceServerAllowExternal");
    Text("ConferenceServerPassword", "ConferenceServerPassword");
    Number("Importance", "Importance");
    Text("Location", "Location");
    Text("Mileage", "Mileage");
    Text("NetShowURL", "NetShowURL");
    Bool("NoAging", "NoAging");
    // An occurrence's recipients are the series' in the store.
    if (!m_bException) Text("Resources", "Resources");
    Bool("ResponseRequested", "ResponseRequested");
    Number("Sensitivity", "Sensitivity");
    Date("Start", "Start");
    Date("End", "End");
    Number("Duration", "Duration");
    Text("Contacts", "Contacts");
    Date("ReplyTime", "ReplyTime");
    Number("BusyStatus", "BusyStatus");
    Bool("isOnlineMeeting", "IsOnlineMeeting");
    Bool("NetMeetingAutoStart", "NetMeetingAutoStart");
    Text("NetMeetingServer", "NetMeetingServer");
    Number("NetMeetingType", "NetMeetingType");
    Text("NetMeetingDocPathName", "NetMeetingDocPathName");
    Attachments(attachesZip);
    Recurrence();
    Text("Body", "Body");
  }
  void Attachments(const std::string& attachesZip);
  void Recurrence();
  bool Save();
  void Exceptions(const std::string& subjectPrefix, const std::string& attachesZip);

 private:
  template <typename F>
  void Set(const char* element, F&& set) {
    try {
      set();
    } catch (...) {
      g_Debug().OutError(std::string(kSource) + "." + element);
    }
  }
  void AddAttachment(const std::string& attachesZip);
  // Enters the child element `name` of the current item: it becomes the
  // current node and item. False (nothing pushed) when there is none.
  bool Enter(const char* name);

  CXmlAppointments& m_xml;
  platform::Item& m_item;
  const ReadEnv& m_env;
  bool m_bException;
  bool m_bAllDay = false;
};

bool ItemReader::Enter(const char* name) {
  std::string ignored;
  if (!m_xml.ItemPropSExists(name, ignored)) return false;
  m_xml.Push();
  m_xml.SetCurNode(CXmlAppointments::ntCurItem);
  m_xml.SetCurItem(std::string(name));
  m_xml.SetCurNode(CXmlAppointments::ntCurItem);
  return true;
}

void ItemReader::Attachments(const std::string& attachesZip) {
  if (!Enter("Attachments")) return;
  // An occurrence starts with copies of the series' attachments; the
  // document lists the ones it has.
  if (m_bException) {
    try {
      platform::Attachments own = m_item.Attachments();
      while (own.Count() > 0) own.Remove(own.Count());
    } catch (...) {
      g_Debug().OutError(std::string(kSource) + ".Attachments");
    }
  }
  for (int i = 1, n = m_xml.GetItemsCount(); i <= n; ++i) {
    if (!m_xml.SetCurItem(i)) continue;
    try {
      AddAttachment(attachesZip);
    } catch (...) {
      g_Debug().OutError(std::string(kSource) + ".Attachments");
    }
  }
  m_xml.Pop();
}

void ItemReader::AddAttachment(const std::string& attachesZip) {
  const std::string id = m_xml.ReadItemPropS("ID");
  const std::string displayName = m_xml.ReadItemPropS("DisplayName");
  const std::string fileName = m_xml.ReadItemPropS("FileName");
  const std::string pathName = m_xml.ReadItemPropS("PathName");
  const std::string type = m_xml.ReadItemPropS("Type");
  const std::optional<int> nType = TextNumber(type);
  if (nType == platform::olByReference) {
    g_Debug().Out1("Adding Attach ByRef (" + pathName + ")");
    m_item.Attachments().Add(pathName, platform::olByReference, 1, displayName);
    g_Debug().Out1("Adding Attach ByRef is OK");
    return;
  }
  if (nType != platform::olByValue) {
    g_Debug().OutWarning(kSource, "Invalid Attachment Type - " + type);
    return;
  }
  if (m_env.bIgnoreMsgAttaches && EndsWithNoCase(fileName, ".msg")) {
    g_Debug().Out("Skipping *.msg attachment('" + fileName + "')");
    return;
  }
  if (!m_env.pSystem) throw platform::Error("no scratch folder for attachment files");
  const std::filesystem::path folder = m_env.pSystem->UniqueTempFolder();
  const std::string path = (folder / fileName).string();
  // The store keeps its own copy of the bytes, so the scratch folder goes
  // whatever happens below.
  struct Scratch {
    const std::filesystem::path& folder;
    ~Scratch() {
      try {
        platform::FileUtil::DeleteTree(folder);
      } catch (...) {
        g_Debug().OutError(kSource);
      }
    }
  } scratch{folder};
  if (!mZip::ExtractFileFromZIP(attachesZip, id, folder.string(), fileName, m_env.pSystem->TempDir().string())) {
    g_Debug().OutCustomError(kSource, "Cant Extract '" + fileName + "'");
  } else if (!platform::FileUtil::Exists(path)) {
    g_Debug().OutWarning(kSource, "Cant find extracted attach - " + path);
  } else {
    g_Debug().Out1("Adding Attach ByValue (" + path + ")");
    m_item.Attachments().Add(path, platform::olByValue, 1, displayName);
    g_Debug().Out1("Adding Attach ByValue is OK");
  }
}

void ItemReader::Recurrence() {
  if (m_bException || !TextBool(m_xml.ReadItemPropS("IsRecurring"))) return;
  try {
    platform::RecurrencePattern p = m_item.GetRecurrencePattern();
    auto number = [&](const char* element) { return TextNumber(m_xml.ReadItemPropS(element)).value_or(0); };
    if (std::optional<platform::Date> d = mAppointmentXml::ReadDate(m_xml.ReadItemPropS("RecPatternStartDate")))
      p.SetPatternStartDate(*d);
    const int type = number("RecRecurrenceType");
    p.SetRecurrenceType(static_cast<platform::OlRecurrenceType>(type));
    const int interval = number("RecInterval");
    auto setInterval = [&] {
      if (interval != 0) p.SetInterval(interval);
    };
    switch (type) {
      case platform::olRecursDaily:
      case platform::olRecursWeekly:
        setInterval();
        p.SetDayOfWeekMask(number("RecDayOfWeekMask"));
        break;
      case platform::olRecursMonthly:
        setInterval();
        p.SetDayOfMonth(number("RecDayOfMonth"));
        break;
      case platform::olRecursMonthNth:
        setInterval();
        p.SetInstance(number("RecInstance"));
        p.SetDayOfWeekMask(number("RecDayOfWeekMask"));
        break;
      case platform::olRecursYearly:
        p.SetDayOfMonth(number("RecDayOfMonth"));
        p.SetMonthOfYear(number("RecMonthOfYear"));
        break;
      case platform::olRecursYearNth:
        p.SetInstance(number("RecInstance"));
        p.SetDayOfWeekMask(number("RecDayOfWeekMask"));
        p.SetMonthOfYear(number("RecMonthOfYear"));
        break;
    }
    const bool noEnd = TextBool(m_xml.ReadItemPropS("RecNoEndDate"));
    p.SetNoEndDate(noEnd);
    if (!noEnd) {
      if (const int count = number("RecOccurrences"); count > 0)
        p.SetOccurrences(count);
      else if (std::optional<platform::Date> end = mAppointmentXml::ReadDate(m_xml.ReadItemPropS("RecPatternEndDate")))
        p.SetPatternEndDate(*end);
    }
  } catch (...) {
    g_Debug().OutError(std::string(kSource) + ".Recurrence");
  }
}

bool ItemReader::Save() {
  try {
    if (m_env.SaveItem)
      m_env.SaveItem(m_item);
    else
      m_item.Save();
    return true;
  } catch (...) {
    std::string description;
    try {
      throw;
    } catch (const std::exception& e) {
      description = e.what();
    } catch (...) {
    }
    std::string text = "Unable to save item\r\nErr.Description = " + description;
    text += "\r\nSubject = " + m_item.Subject() + "\r\nStart = " + m_item.Start().ToIso() +
            "\r\nDuration = " + std::to_string(m_item.Duration());
    if (m_bException) text += "\r\nOccurrence = " + m_item.Start().ToIso();
    g_Debug().OutCustomError(kSource, text);
    return false;
  }
}

void ItemReader::Exceptions(const std::string& subjectPrefix, const std::string& attachesZip) {
  if (m_bException || !TextBool(m_xml.ReadItemPropS("IsRecurring")) || !Enter("RecExceptions")) return;
  for (int i = 1, n = m_xml.GetItemsCount(); i <= n; ++i) {
    if (!m_xml.SetCurItem(i)) continue;
    const std::string original = m_xml.ReadItemPropS("OriginalDate");
    std::optional<platform::Date> date = mAppointmentXml::ReadShiftedDate(original, m_env.nBias, m_bAllDay);
    if (!date) {
      g_Debug().OutWarning(kSource, "OriginalDate is no date: '" + original + "'");
      continue;
    }
    try {
      platform::Item occurrence = m_item.GetOccurrence(*date);
      if (TextBool(m_xml.ReadItemPropS("Deleted"))) {
        g_Debug().Out1("Set oExc = .GetOccurrence(" + date->ToIso() + ").Delete");
        occurrence.Delete();
        continue;
      }
      if (!Enter("AppointmentItem")) continue;
      ItemReader nested(m_xml, occurrence, m_env, true);
      nested.Fill(subjectPrefix, attachesZip);
      nested.Save();
      m_xml.Pop();
    } catch (...) {
      g_Debug().OutError(std::string(kSource) + ".RecExceptions");
    }
  }
  m_xml.Pop();
}

}  // namespace

bool ProcessAppointment1(CXmlAppointments& xml, const std::string& subjectPrefix, platform::Item& item,
                         const std::string& attachesZip, const ReadEnv& env) {
  if (!item) {
    g_Debug().OutCustomError(kSource, "Item is Nothing.");
    return false;
  }
  ItemReader reader(xml, item, env, false);
  reader.Fill(subjectPrefix, attachesZip);
  if (!reader.Save()) return false;
  reader.Exceptions(subjectPrefix, attachesZip);
  return true;
}

}  // namespace mReceiveAppointments
