#include "exchange/mReceiveAppointments.h"

#include <filesystem>
#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <memory>
#include <optional>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

#include "diagnostics/CDebug.h"
#include "exchange/CXmlAppointments.h"
#include "exchange/mAppointmentXml.h"
#include "exchange/mMain.h"
#include "exchange/mSendAppointments.h"
#include "exchange/mZip.h"
#include "groups/CGroups.h"
#include "lang/CLang.h"
#include "options/mOptions.h"
#include "options/mSynchRange.h"
#include "platform/NameIndex.h"
#include "platform/Prompt.h"
#include "platform/redemption/MAPITable.h"
#include "platform/redemption/MapiProps.h"
#include "platform/redemption/SafeItems.h"
#include "platform/store/Items.h"
#include "platform/store/MailSession.h"
#include "platform/store/UserProperties.h"
#include "sync/CSyncContext.h"
#include "sync/mAppointments.h"
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

// The elements Fill reads, each with a slot of its own in an item's reader,
// and the item property each sets.
struct FilledElement {
  std::string_view element;
  std::string_view property;
};
constexpr std::array<FilledElement, 27> kFilled = {{
    {"Subject", "Subject"},
    {"AllDayEvent", "AllDayEvent"},
    {"BillingInformation", "BillingInformation"},
    {"Categories", "Categories"},
    {"Companies", "Companies"},
    {"ConferenceServerAllowExternal", "ConferenceServerAllowExternal"},
    {"ConferenceServerPassword", "ConferenceServerPassword"},
    {"Importance", "Importance"},
    {"Location", "Location"},
    {"Mileage", "Mileage"},
    {"NetShowURL", "NetShowURL"},
    {"NoAging", "NoAging"},
    {"Resources", "Resources"},
    {"ResponseRequested", "ResponseRequested"},
    {"Sensitivity", "Sensitivity"},
    {"Start", "Start"},
    {"End", "End"},
    {"Duration", "Duration"},
    {"Contacts", "Contacts"},
    {"ReplyTime", "ReplyTime"},
    {"BusyStatus", "BusyStatus"},
    {"isOnlineMeeting", "IsOnlineMeeting"},
    {"NetMeetingAutoStart", "NetMeetingAutoStart"},
    {"NetMeetingServer", "NetMeetingServer"},
    {"NetMeetingType", "NetMeetingType"},
    {"NetMeetingDocPathName", "NetMeetingDocPathName"},
    {"Body", "Body"},
}};

// The item's elements the reader enters or looks at besides those it fills;
// their slots follow kFilled's.
constexpr std::array<std::string_view, 3> kVisited = {"Attachments", "IsRecurring", "RecExceptions"};
constexpr size_t kSlots = kFilled.size() + kVisited.size();

std::string_view SlotName(size_t slot) {
  return slot < kFilled.size() ? kFilled[slot].element : kVisited[slot - kFilled.size()];
}

const platform::NameIndex& FilledSlots() {
  static const platform::NameIndex slots = [] {
    std::vector<std::string_view> elements;
    for (size_t slot = 0; slot < kSlots; ++slot) elements.push_back(SlotName(slot));
    return platform::NameIndex(elements);
  }();
  return slots;
}

// The element names of the item read last, in its order, each with its
// slot (none for an element the reader does not take).
std::vector<std::pair<std::string, std::optional<size_t>>>& LastElementOrder() {
  static std::vector<std::pair<std::string, std::optional<size_t>>> order;
  return order;
}

// The properties of kFilled by slot, each looked up once: ten thousand
// items of a document read some thirty each.
const platform::ItemProperty& FilledProperty(size_t slot) {
  static const std::vector<platform::ItemProperty> properties = [] {
    std::vector<platform::ItemProperty> v;
    for (const FilledElement& f : kFilled) v.emplace_back(f.property);
    return v;
  }();
  return properties[slot];
}

// Applies the document's elements to one item. Every Apply* reads one
// element when present and logs (without stopping) what cannot be applied.
class ItemReader {
 public:
  // Reads the document's current item.
  ItemReader(CXmlAppointments& xml, platform::Item& item, const ReadEnv& env, bool exception)
      : m_xml(xml), m_item(item), m_env(env), m_bException(exception), m_itemNode(xml.CurItem()) {
    // One pass over the item's children puts each element the reader takes
    // in its slot, the first of a name first: searching all ~50 children
    // for each element read costs more than the rest of the reading.
    // The items of a document list their elements in one order: a child
    // named as the last item's child at its place takes that one's slot.
    auto& last = LastElementOrder();
    size_t place = 0;
    for (pugi::xml_node child = m_itemNode.first_child(); child; child = child.next_sibling()) {
      if (child.type() != pugi::node_element) continue;
      const char* name = child.name();
      std::optional<size_t> slot;
      if (place < last.size() && std::strcmp(last[place].first.c_str(), name) == 0) {
        slot = last[place].second;
      } else {
        slot = FilledSlots().Find(name);
        if (place < last.size())
          last[place] = {name, slot};
        else
          last.emplace_back(name, slot);
      }
      ++place;
      if (slot && !m_slots[*slot]) m_slots[*slot] = child;
    }
  }

  void Text(std::string_view element, const std::string& prefix = "") {
    const char* v = nullptr;
    const size_t slot = Find(element, v);
    if (!v) return;
    const platform::ItemProperty& property = FilledProperty(slot);
    Set(element, [&] {
      if (!prefix.empty())
        Put(property, prefix + v);
      else if (!m_item.ReadsText(property, v))  // most texts are empty, as a new item's are
        m_item.Set(property, std::string(v));
    });
  }
  void Bool(std::string_view element) {
    const char* v = nullptr;
    const size_t slot = Find(element, v);
    if (!v) return;
    Set(element, [&] { Put(FilledProperty(slot), TextBool(v)); });
  }
  void Number(std::string_view element) {
    const char* v = nullptr;
    const size_t slot = Find(element, v);
    if (!v) return;
    std::optional<int> n = TextNumber(v);
    if (!n) {
      g_Debug().OutWarning(kSource, std::string(element) + " is no number: '" + v + "'");
      return;
    }
    Set(element, [&] { Put(FilledProperty(slot), static_cast<int64_t>(*n)); });
  }
  void Date(std::string_view element) {
    const char* v = nullptr;
    const size_t slot = Find(element, v);
    if (!v) return;
    std::optional<platform::Date> d = mAppointmentXml::ReadShiftedDate(v, m_env.nBias, m_bAllDay);
    if (!d) {
      g_Debug().OutWarning(kSource, std::string(element) + " is no date: '" + v + "'");
      return;
    }
    Set(element, [&] { Put(FilledProperty(slot), *d); });
  }
  void AllDay() {
    const char* v = nullptr;
    Find("AllDayEvent", v);
    if (!v) return;
    m_bAllDay = TextBool(v);
    Set("AllDayEvent", [&] { m_item.SetAllDayEvent(m_bAllDay); });
  }

  // The item's elements in the reader's order, up to and with "Body".
  void Fill(const std::string& subjectPrefix, const std::string& attachesZip) {
    Text("Subject", subjectPrefix);
    AllDay();
    Text("BillingInformation");
    Text("Categories");
    Text("Companies");
    Bool("ConferenceServerAllowExternal");
    Text("ConferenceServerPassword");
    Number("Importance");
    Text("Location");
    Text("Mileage");
    Text("NetShowURL");
    Bool("NoAging");
    // An occurrence's recipients are the series' in the store.
    if (!m_bException) Text("Resources");
    Bool("ResponseRequested");
    Number("Sensitivity");
    Date("Start");
    Date("End");
    Number("Duration");
    Text("Contacts");
    Date("ReplyTime");
    Number("BusyStatus");
    Bool("isOnlineMeeting");
    Bool("NetMeetingAutoStart");
    Text("NetMeetingServer");
    Number("NetMeetingType");
    Text("NetMeetingDocPathName");
    Attachments(attachesZip);
    Recurrence();
    Text("Body");
  }
  void Attachments(const std::string& attachesZip);
  void Recurrence();
  bool Save();
  void Exceptions(const std::string& subjectPrefix, const std::string& attachesZip);

 private:
  // The document carries every element, most at the value a new item
  // already reads: only a value that differs is set (an equal one would
  // change nothing and cost a stored property).
  void Put(const platform::ItemProperty& property, platform::PropValue value) {
    if (!m_item.Reads(property, value)) m_item.Set(property, std::move(value));
  }
  template <typename F>
  void Set(std::string_view element, F&& set) {
    try {
      set();
    } catch (...) {
      g_Debug().OutError(std::string(kSource) + "." + std::string(element));
    }
  }
  // The slot of `name` (REQUIRES: one of kFilled or kVisited); `value` is
  // the text of the item's element of that name (the first one), nullptr
  // without one.
  size_t Find(std::string_view name, const char*& value) {
    // Fill asks for the elements in the order of kFilled: the next slot is
    // nearly always the one.
    size_t slot = m_next;
    if (slot >= kSlots || SlotName(slot) != name) slot = FilledSlots().Find(name).value();
    m_next = slot + 1;
    const pugi::xml_node node = m_slots[slot];
    value = node ? node.text().get() : nullptr;
    return slot;
  }
  // True when the item's "IsRecurring" says so.
  bool IsRecurring() {
    const char* v = nullptr;
    Find("IsRecurring", v);
    return v && TextBool(v);
  }
  void AddAttachment(const std::string& attachesZip);
  // Enters the child element `name` of the current item: it becomes the
  // current node and item. False (nothing pushed) when there is none.
  bool Enter(const char* name);
  // The same for an element of the reader's own item that has a slot.
  bool EnterSlot(std::string_view name);

  CXmlAppointments& m_xml;
  platform::Item& m_item;
  const ReadEnv& m_env;
  bool m_bException;
  bool m_bAllDay = false;
  pugi::xml_node m_itemNode;
  std::array<pugi::xml_node, kSlots> m_slots{};
  size_t m_next = 0;  // the slot Fill is expected to ask for next
};

bool ItemReader::EnterSlot(std::string_view name) {
  const char* ignored = nullptr;
  const pugi::xml_node node = m_slots[Find(name, ignored)];
  if (!node) return false;
  m_xml.Push();
  m_xml.SetCurNode(CXmlAppointments::ntCurItem);
  m_xml.SetCurItem(node);
  m_xml.SetCurNode(CXmlAppointments::ntCurItem);
  return true;
}

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
  if (!EnterSlot("Attachments")) return;
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
  if (m_bException || !IsRecurring()) return;
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
  if (m_bException || !IsRecurring() || !EnterSlot("RecExceptions")) return;
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
        mAppointments::ItemDelete(occurrence, false);
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

// --- receiving the mails -------------------------------------------------------

namespace {

constexpr const char* kRcvXml = "SyncRcvItems.xml";
constexpr const char* kAttachFile = "AttachFile.zip";
constexpr const char* kRcvAttaches = "SyncRcvItemsAttaches.zip";

CSyncContext& Context() {
  CSyncContext* ctx = g_Sync();
  if (!ctx || !ctx->pSession || !ctx->pGroups || !ctx->pMail)
    throw platform::Error("the add-in's context is not installed");
  return *ctx;
}

std::string Lang(const CSyncContext& ctx, const std::string& lid) { return ctx.pLang ? ctx.pLang->Item(lid) : lid; }

bool Contains(const std::vector<std::string>& list, const std::string& value) {
  for (const std::string& v : list)
    if (v == value) return true;
  return false;
}

// True when the ";"-separated list names the address (letter case ignored).
bool InRecipients(const std::string& recips, const std::string& address) {
  for (const std::string& r : platform::Split(recips, ';'))
    if (mEnvelope::SameAddress(platform::Trim(r), address)) return true;
  return false;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool IsZipName(const std::string& fileName) {
  const size_t dot = fileName.rfind('.');
  const std::string ext = dot == std::string::npos ? "" : Upper(fileName.substr(dot + 1));
  return ext == "ZIP" || ext == "ZM9";
}

std::string FolderCounts(const CSyncContext& ctx) {
  auto count = [](const platform::Folder& f) { return f ? std::to_string(f.Items().Count()) : std::string("-"); };
  return "\r\n    Calendar.Items.Count = " + count(ctx.fldCalendar) + "\r\n    Zentab.Items.Count = " +
         count(ctx.fldZentab) + "\r\n    Deleted.Items.Count = " + count(ctx.fldDeletedItems);
}

// The progress window of one mail, when the option asks for it.
class MailProgress {
 public:
  MailProgress(const CSyncContext& ctx, const std::string& sender) : m_ctx(ctx) {
    if (!mOptions::g_Options().ShowProgressBarOnReceiving || !ctx.pPrompt) return;
    std::string name = ctx.pGroups->GetShowAsFromAddress(sender);
    const std::string who = name + " (" + (sender.empty() ? Lang(ctx, "LID_NO_ADDRESS") : sender) + ")";
    std::string caption = Lang(ctx, "LID_PROCESSING_ITEMS_FROM");
    const size_t at = caption.find("%s");
    caption = at == std::string::npos ? caption + " " + who : caption.replace(at, 2, who);
    m_progress = ctx.pPrompt->ShowProgress(caption);
  }
  void Text(const std::string& lid) {
    if (m_progress) m_progress->SetText(Lang(m_ctx, lid));
  }
  void Step(int done, int total) {
    if (m_progress && total > 0) m_progress->SetPercent(done * 100 / total);
  }

 private:
  const CSyncContext& m_ctx;
  std::unique_ptr<platform::Progress> m_progress;
};

// The items of one section in document order; a child that is no "item"
// has no place in a section and is left out (logged).
int SectionItems(CXmlAppointments& xml, int section, const char* name) {
  xml.SetCurNode(section);
  const int n = xml.GetItemsCount();
  for (pugi::xml_node child : xml.CurNode().children())
    if (child.type() == pugi::node_element && std::string(child.name()) != "item")
      g_Debug().OutWarning("mReceiveAppointments.ReceiveItems",
                           "Unexpected element <" + std::string(child.name()) + "> in section <" + name + ">.");
  return n;
}

bool IsItem(const CXmlAppointments& xml) { return std::string(xml.CurItem().name()) == "item"; }

// Saves through the add-in's guarded save; the reader needs a failure as an exception.
void GuardedSave(platform::Item& item) {
  if (!mAppointments::ItemSave(item)) throw platform::Error("the store did not save the item");
}

}  // namespace

bool ReceiveAppointments(std::vector<platform::Item>& mails) {
  ReceiveRun run;
  if (mails.empty()) return false;
  try {
    CSyncContext& ctx = Context();
    g_Debug().Out1("ReceiveAppointments, Mails = " + std::to_string(mails.size()));
    for (platform::Item& mail : mails) {
      try {
        // The mail is applied and deleted together: a run that dies halfway
        // finds it again, with nothing of it applied.
        ctx.pSession->Batch([&] {
          bool processed = true;
          ReciveMail1(run, mail, processed);
          if (!processed) return;
          mail.SetUnRead(false);
          mAppointments::ItemSave(mail);
          mAppointments::ItemDelete(mail, false);
        });
      } catch (...) {
        g_Debug().OutError("mReceiveAppointments.ReceiveAppointments");
      }
    }
    mails.clear();
    if (ctx.UpdateItemsGroups) ctx.UpdateItemsGroups();
    if (run.bChanged && ctx.RaiseCustomEvent) ctx.RaiseCustomEvent("Appointments");
  } catch (...) {
    g_Debug().OutError("mReceiveAppointments.ReceiveAppointments");
  }
  return true;
}

void ReciveMail1(ReceiveRun& run, platform::Item& mail, bool& processed) {
  try {
    CSyncContext& ctx = Context();
    run.colVirtualMembers = ctx.pGroups->GetVirtualMembers(ctx.strMe);
    g_Debug().Out1("mReceiveAppointments.ReciveMail1.Start\r\nSender = " + mMain::GetSenderAddress(mail) +
                   "\r\nReceivedTime = " + mail.ReceivedTime().ToIso() + "\r\nSendOn = " + mail.SentOn().ToIso() +
                   FolderCounts(ctx));
    ReciveMail(run, mail, processed);
    run.colVirtualMembers.clear();
    run.ownerPrefixes.clear();
    g_Debug().Out1("mReceiveAppointments.ReciveMail1.End" + FolderCounts(ctx));
  } catch (...) {
    g_Debug().OutError("mReceiveAppointments.ReciveMail1");
  }
}

void ReciveMail(ReceiveRun& run, platform::Item& mail, bool& processed) {
  constexpr const char* kSrc = "mReceiveAppointments.ReciveMail";
  try {
    CSyncContext& ctx = Context();
    run.lines = mMain::ReadHeader(mail);
    const std::string min = mEnvelope::GetStrFromSplit(run.lines, "CompatibilityVersionMin", false);
    const std::string max = mEnvelope::GetStrFromSplit(run.lines, "CompatibilityVersionMax", false);
    if (!min.empty() && !max.empty()) {
      if (!mEnvelope::IsVersionInWindow(min, max)) {
        processed = false;
        run.bUnsupportedVersion = true;
        g_Debug().OutWarning(kSrc, "Ignore mail from unsupported version range [" + min + ", " + max + "]");
        return;
      }
      g_Debug().printf("mail in range: %s <= %s <= %s", min, mEnvelope::GetAppVersion(), max);
    } else {
      g_Debug().Out("mail from <= 2.60 version");
    }
    run.strSender = mEnvelope::GetStrFromSplit(run.lines, "SenderAddress", false);
    if (mEnvelope::SameAddress(run.strSender, ctx.strMe)) {
      g_Debug().Out("Sender mail address is equal to current user address, <" + run.strSender + ">");
      return;
    }
    if (!ctx.pGroups->FindByEmail(platform::Lower(run.strSender))) {
      g_Debug().Out("Sender <" + run.strSender + "> is not member of any group.");
      return;
    }
    const std::string action = mEnvelope::GetStrFromSplit(run.lines, "Action", false);
    platform::Attachments attachments = mail.Attachments();
    const int count = attachments.Count();
    if (count == 0) {
      g_Debug().OutWarning(kSrc, "No attached file.");
      return;
    }
    for (int i = 1; i <= std::min(count, 2); ++i) {
      const std::string name = attachments.Item(i).FileName();
      if (!IsZipName(name)) {
        g_Debug().OutWarning(kSrc, "Incorrect format of the attached file <" + name + ">.");
        return;
      }
    }
    const mMain::MailEnv& env = *ctx.pMail;
    const std::string attachFile = mMain::GetWorkFilePath(env, kAttachFile);
    const std::string xmlPath = mMain::GetWorkFilePath(env, kRcvXml);
    platform::FileUtil::Delete(attachFile);
    platform::FileUtil::Delete(xmlPath);
    attachments.Item(1).SaveAsFile(attachFile);
    std::string attachesZip;
    if (count >= 2) {
      attachesZip = mMain::GetWorkFilePath(env, kRcvAttaches);
      platform::FileUtil::Delete(attachesZip);
      attachments.Item(2).SaveAsFile(attachesZip);
    }
    if (!mZip::UnZipFile(attachFile, env.InstallFolder(), kRcvXml)) {
      g_Debug().OutWarning(kSrc, "UnZipFile function return an error.");
      return;
    }
    if (!mZip::FileExists(xmlPath)) {
      g_Debug().OutWarning(kSrc, std::string(kRcvXml) + " file is not exist.");
      return;
    }
    if (mZip::IsFileEmpty(xmlPath)) {
      g_Debug().OutWarning(kSrc, std::string(kRcvXml) + " file is an empty.");
      return;
    }
    CXmlAppointments xml(xmlPath);
    if (!xml.Load()) {
      g_Debug().OutWarning(kSrc, std::string(kRcvXml) + " file has not valid format.");
      return;
    }
    mOptions::ApplySynchRange(env.registry, ctx.strStoreId, mEnvelope::GetStrFromSplit(run.lines, "SynchRange", false),
                              mOptions::g_Options());
    if (!action.empty())
      ReceiveAllItems(run, xml, action, attachesZip);
    else
      ReceiveItems(run, xml, attachesZip);
    xml.Delete();
  } catch (...) {
    g_Debug().OutError(kSrc);
  }
}

void ReceiveItems(ReceiveRun& run, CXmlAppointments& xml, const std::string& attachesZip) {
  try {
    CSyncContext& ctx = Context();
    g_Debug().Out1("mReceiveAppointments.ReceiveItems.Start" + FolderCounts(ctx));
    MailProgress progress(ctx, run.strSender);
    struct Section {
      int node;
      const char* name;
      const char* lid;
      const char* word;
    };
    const Section sections[] = {{CXmlAppointments::ntAdded, "added", "LID_PROCESSING_NEW_ITEMS", "Added"},
                                {CXmlAppointments::ntChanged, "changed", "LID_PROCESSING_CHANGED_ITEMS", "Changed"},
                                {CXmlAppointments::ntRemoved, "removed", "LID_PROCESSING_REMOVED_ITEMS", "Removed"}};
    int total = 0;
    for (const Section& s : sections) total += SectionItems(xml, s.node, s.name);
    int done = 0;
    for (const Section& s : sections) {
      xml.SetCurNode(s.node);
      const int n = xml.GetItemsCount();
      if (n > 0) progress.Text(s.lid);
      for (bool more = n > 0 && xml.SetCurItem(1); more; more = xml.SetNextItem()) {
        if (IsItem(xml)) ReceiveItem(run, xml, s.word, attachesZip);
        progress.Step(++done, total);
      }
    }
    g_Debug().Out1("mReceiveAppointments.ReceiveItems.End" + FolderCounts(ctx));
  } catch (...) {
    g_Debug().OutError("mReceiveAppointments.ReceiveItems");
  }
}

void ReceiveAllItems(ReceiveRun& run, CXmlAppointments& xml, const std::string& action,
                     const std::string& attachesZip) {
  constexpr const char* kSrc = "mReceiveAppointments.ReceiveAllItems";
  try {
    CSyncContext& ctx = Context();
    const std::string synchTime = mEnvelope::GetStrFromSplit(run.lines, "SynchTime", false);
    if (synchTime.empty()) {
      g_Debug().OutWarning(kSrc, "Synchronization time is not defined.");
      return;
    }
    if (action != "Respond" && action != "Request") {
      g_Debug().OutWarning(kSrc, "Not valid action.");
      return;
    }
    MailProgress progress(ctx, run.strSender);
    progress.Text("LID_PROCESSING_ALL_ITEMS");
    std::set<std::string> received;
    const int total = SectionItems(xml, CXmlAppointments::ntAdded, "added") +
                      SectionItems(xml, CXmlAppointments::ntChanged, "changed");
    int done = 0;
    for (int section : {CXmlAppointments::ntAdded, CXmlAppointments::ntChanged}) {
      xml.SetCurNode(section);
      for (bool more = xml.GetItemsCount() > 0 && xml.SetCurItem(1); more; more = xml.SetNextItem()) {
        if (!IsItem(xml)) continue;
        received.insert(xml.ReadItemPropS(mAppointments::kItemID));
        ReceiveItem(run, xml, "Changed", attachesZip);
        progress.Step(++done, total);
      }
    }
    for (const std::string& owner : ctx.pGroups->GetVirtualMembers(run.strSender)) {
      for (platform::Item& copy : FindItems(ctx.fldZentab, owner)) {
        if (received.count(mAppointments::GetUserProperty(copy, mAppointments::kItemID))) continue;
        mAppointments::DeleteItem(copy);
        run.bChanged = true;
      }
    }
    if (action == "Request") g_Debug().Out("SyncAll Respond was disabled");
  } catch (...) {
    g_Debug().OutError(kSrc);
  }
}

void ReceiveItem(ReceiveRun& run, CXmlAppointments& xml, const std::string& section,
                 const std::string& attachesZip) {
  constexpr const char* kSrc = "mReceiveAppointments.ReceiveItem";
  try {
    CSyncContext& ctx = Context();
    mAppointmentXml::ItemHeader header;
    header.strOwner = xml.ReadItemPropS(mAppointments::kOwnerAddress);
    header.strShamMet = xml.ReadItemPropS(mAppointments::kShamMeeting);
    header.strRecipients = xml.ReadItemPropS(mAppointments::kShamMeetingRecips);
    header.strMeetingUID = xml.ReadItemPropS(mAppointments::kShamMeetingUID);
    const std::string& owner = header.strOwner;
    const std::string& sham = header.strShamMet;
    const std::string& recips = header.strRecipients;
    const std::string& uid = header.strMeetingUID;
    if (!ctx.pGroups->MemberExists(owner, false)) {
      g_Debug().OutWarning(kSrc, "Owner <" + owner + "> is not member of any group.");
      return;
    }
    const int mode = GetSyncMode(run.strSender, ctx.strMe, owner, sham, recips);
    if (mode == -1) return;
    header.strGroups = xml.ReadItemPropS(mAppointments::kGroups);
    header.strItemID = xml.ReadItemPropS(mAppointments::kItemID);
    const std::string& groups = header.strGroups;
    const std::string& id = header.strItemID;
    if (id.empty()) {
      g_Debug().OutWarning(kSrc, "Item of <" + owner + "> without " + mAppointments::kItemID + ".");
      return;
    }
    const bool virtualOwner = Contains(run.colVirtualMembers, platform::Lower(owner));
    if (virtualOwner && !SenderCanEditMyItem(*ctx.pGroups, run.strSender, groups)) return;

    platform::Item copy = FindItem(ctx.fldZentab, id);
    // The received version replaces a change of the item not sent yet.
    ctx.colPending.Remove(id);
    bool reminderSet = false;
    int reminderMinutes = 0;
    const bool hadCopy = static_cast<bool>(copy);
    if (copy) {
      try {
        reminderSet = copy.ReminderSet();
        reminderMinutes = copy.ReminderMinutesBeforeStart();
        run.bChanged = true;
        const std::string refer = mAppointments::GetUserProperty(copy, mAppointments::kReferID);
        if (!refer.empty()) {
          platform::Item twin = mAppointments::GetItemFromID(*ctx.pSession, refer);
          if (twin) mAppointments::DeleteItem(twin);
        }
        mAppointments::DeleteItem(copy);
      } catch (...) {
        g_Debug().OutWarning(kSrc, "Initialize shming collection error.");
      }
    }
    if (section == "Removed") return;

    const std::string listSeparator = mAppointments::GetListSeparator(ctx.pSystem);
    // The old copy's reminder and the billing block, which names the new
    // copy's entry id, go in with the copy's first save: one insert.
    platform::Item fresh = ProcessAppointment(xml, header, attachesZip, [&](platform::Item& item) {
      if (hadCopy) {
        item.SetReminderSet(reminderSet);
        item.SetReminderMinutesBeforeStart(reminderMinutes);
      }
      mAppointments::SetBillInfo(item, owner, sham, groups, item.Categories(), listSeparator, false);
    }, &run.ownerPrefixes);
    if (!fresh) {
      g_Debug().OutWarning("ReceiveItem", "Can't ProcessAppointment");
      return;
    }
    run.bChanged = true;
    // Only a series' exceptions, applied after the first save, can change
    // what the block shows; it writes nothing when they did not.
    if (fresh.IsRecurring())
      mAppointments::SetBillInfo(fresh, owner, sham, groups, fresh.Categories(), listSeparator);
    platform::Item sent = fresh;
    if (mode == 1) {
      // The user's own item, changed by a member: the calendar follows.
      platform::Item own = mAppointments::CopyItem(fresh, ctx.fldCalendar);
      if (own) sent = own;
    }
    if (virtualOwner)
      mAppointments::SynchCopyItem(sent, "Changed", id, owner, groups, sham, uid, true);
  } catch (...) {
    g_Debug().OutError(kSrc);
  }
}

int GetSyncMode(const std::string& sender, const std::string& me, const std::string& owner,
                const std::string& sham, const std::string& recips) {
  const bool isSham = mAppointments::IsShamValue(sham);
  if (mEnvelope::SameAddress(owner, me)) {
    if (isSham) {
      if (!InRecipients(recips, me)) {
        g_Debug().OutWarning("mReceiveAppointments.GetSynchMode",
                             "Current user is owner of meeting and not in recipients.Owner : <" + owner +
                                 "> , Recipients : <" + recips + ">.");
        return -1;
      }
      if (InRecipients(recips, sender)) return -1;
    }
    return 1;
  }
  if (mEnvelope::SameAddress(owner, sender)) {
    if (isSham) {
      if (!InRecipients(recips, sender)) {
        g_Debug().OutWarning("mReceiveAppointments.GetSyncMode",
                             "Sender user is owner of meeting and not in recipients.Sender : <" + sender +
                                 "> , Recipients : <" + recips + ">.");
        return -1;
      }
      if (InRecipients(recips, me)) return -1;
    }
    return 0;
  }
  if (isSham && !InRecipients(recips, owner)) {
    g_Debug().OutWarning("mReceiveAppointments.ReceiveItem", "owner of meeting not in recipients.Owner : <" + owner +
                                                                 "> , Recipients : <" + recips + ">.");
    return -1;
  }
  return 0;
}

bool SenderCanEditMyItem(const CGroups& groups, const std::string& sender, const std::string& itemGroups) {
  bool allowed = false;
  try {
    const std::string address = platform::Lower(sender);
    if (itemGroups.empty() || itemGroups == mAppointments::kAllGroups) {
      allowed = groups.FindByEmail(address) != nullptr;
    } else if (itemGroups == mAppointments::kNullGroup) {
      g_Debug().Out("Decline my appointment from (" + sender + ") with NULL_GROUP");
    } else {
      for (const std::string& name : platform::Split(itemGroups, ';')) {
        if (name == mAppointments::kNullGroup || name == mAppointments::kAllGroups) {
          g_Debug().OutWarning("SenderCanEditMyItem", "Invalid ItemGroups - " + itemGroups);
          continue;
        }
        GroupPtr group = groups.FindByName(name);
        if (group && group->FindByEmail(address)) {
          allowed = true;
          break;
        }
      }
    }
  } catch (...) {
    g_Debug().OutError("mReceiveAppointments.SenderCanEditMyItem");
    allowed = false;
  }
  if (!allowed)
    g_Debug().OutWarning("SenderCanEditMyItem", "Rejecting Received Item from " + sender + " with groups = " + itemGroups);
  return allowed;
}

namespace {

// The appointments of `folder` whose user property `name` equals `value`,
// through the safe-item library's search by user property (the store's
// user-property index).
std::vector<platform::Item> FindByUserProperty(const platform::Folder& folder, const char* name,
                                               const std::string& value) {
  const long id = Redemption::ResolveNamedProp(Redemption::PS_PUBLIC_STRINGS, name, false);
  if (id == 0 || value.empty()) return {};  // no item ever carried the property
  static const std::string kAppointmentClass = "IPM.Appointment";
  return Redemption::FindByUserProperty(folder.Items(), id | Redemption::PT_STRING8, value, kAppointmentClass);
}

}  // namespace

platform::Item FindItem(const platform::Folder& folder, const std::string& itemID) {
  try {
    std::vector<platform::Item> found = FindByUserProperty(folder, mAppointments::kItemID, itemID);
    return found.empty() ? platform::Item() : found.front();
  } catch (...) {
    g_Debug().OutError("mReceiveAppointments.FindItem");
    return {};
  }
}

std::vector<platform::Item> FindItems(const platform::Folder& folder, const std::string& owner) {
  try {
    return FindByUserProperty(folder, mAppointments::kOwnerAddress, owner);
  } catch (...) {
    g_Debug().OutError("mReceiveAppointments.FindItems");
    return {};
  }
}

platform::Item ProcessAppointment(CXmlAppointments& xml, const mAppointmentXml::ItemHeader& header,
                                  const std::string& attachesZip,
                                  const std::function<void(platform::Item&)>& beforeSave,
                                  std::unordered_map<std::string, std::string>* prefixes) {
  try {
    CSyncContext& ctx = Context();
    platform::Item item;
    try {
      item = ctx.fldZentab.Items().Add(platform::olAppointmentItem);
    } catch (...) {
      g_Debug().OutWarning("mReceiveAppointments.ProcessAppointment", "Can`t create appoitment.");
      return {};
    }
    const std::string& owner = header.strOwner;
    std::string prefix;
    if (!mEnvelope::SameAddress(owner, ctx.strMe)) {
      std::unordered_map<std::string, std::string> once;
      auto& built = prefixes ? *prefixes : once;
      auto it = built.find(owner);
      if (it == built.end()) it = built.emplace(owner, mSendAppointments::OwnerPrefix(ctx, owner)).first;
      prefix = it->second;
    }
    ReadEnv env;
    env.nBias = ctx.nBias;
    env.bIgnoreMsgAttaches = mOptions::g_Options().IgnoreMsgAttaches;
    env.pSystem = ctx.pSystem;
    env.SaveItem = [&](platform::Item& saving) {
      // The exceptions save the series again; only the first save is the copy's own.
      if (beforeSave && saving.IsSame(item) && saving.EntryID().empty()) {
        saving.ReserveEntryID();
        beforeSave(saving);
      }
      GuardedSave(saving);
    };
    // The copy carries the document's identity, owner, groups and meeting
    // values from its first save on (a new item: each property is added).
    platform::UserProperties props = item.UserProperties();
    for (const auto& [name, value] : {std::pair{mAppointments::kItemID, &header.strItemID},
                                      std::pair{mAppointments::kOwnerAddress, &header.strOwner},
                                      std::pair{mAppointments::kGroups, &header.strGroups},
                                      std::pair{mAppointments::kShamMeeting, &header.strShamMet},
                                      std::pair{mAppointments::kShamMeetingUID, &header.strMeetingUID}})
      props.Add(name, platform::olText).SetValue(*value);
    if (!ProcessAppointment1(xml, prefix, item, attachesZip, env)) return {};
    return item;
  } catch (...) {
    g_Debug().OutError("mReceiveAppointments.ProcessAppointment");
    return {};
  }
}

}  // namespace mReceiveAppointments
