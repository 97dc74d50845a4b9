#include "platform/store/Item.h"

#include "platform/Error.h"
#include "platform/store/Attachments.h"
#include "platform/store/Folder.h"
#include "platform/store/ItemProperties.h"
#include "platform/store/Links.h"
#include "platform/store/Recipients.h"
#include "platform/store/RecurrencePattern.h"
#include "platform/store/RecurrenceRule.h"
#include "platform/store/StoreCore.h"
#include "platform/store/UserProperties.h"

namespace platform {

using detail::ItemState;
using detail::PropInfo;
using detail::PropSource;

namespace {

const PropInfo& Info(std::string_view name) {
  const PropInfo* info = detail::FindProperty(name);
  if (!info) throw Error("item property \"" + std::string(name) + "\" is unknown");
  return *info;
}

int64_t MinutesBetween(const detail::PropMap& props, OlObjectClass cls) {
  Date s = std::get<Date>(detail::StoredOrDefault(props, Info("Start"), cls));
  Date e = std::get<Date>(detail::StoredOrDefault(props, Info("End"), cls));
  return (e.Seconds() - s.Seconds()) / 60;
}

// Takes the value out of the PropValue (a text is moved, not copied).
template <typename T>
T As(PropValue&& v, std::string_view name) {
  if (T* p = std::get_if<T>(&v)) return std::move(*p);
  throw Error("item property \"" + std::string(name) + "\" is not of the type asked for");
}

bool IsMeetingItem(OlObjectClass c) { return c >= olMeetingRequest && c <= olMeetingResponseTentative; }

}  // namespace

Item::Item(std::shared_ptr<detail::StoreCore> core, std::shared_ptr<ItemState> state)
    : core_(std::move(core)), state_(std::move(state)) {}

// The item's state, read from the store on first use.
static ItemState& Loaded(const std::shared_ptr<detail::StoreCore>& core, const std::shared_ptr<ItemState>& st) {
  if (!st) throw Error("the item is Nothing");
  if (st->removed) throw Error("the item was deleted");
  if (!st->loaded) core->Load(*st);
  if (st->master && !st->master->loaded) core->Load(*st->master);
  return *st;
}

// Recipients and links of an occurrence are its master's.
static const std::shared_ptr<ItemState>& PartsOf(const std::shared_ptr<detail::StoreCore>& core,
                                                  const std::shared_ptr<ItemState>& st) {
  Loaded(core, st);
  return st->master ? st->master : st;
}

bool Item::IsSame(const Item& other) const {
  if (!state_ || !other.state_) return false;
  if (state_ == other.state_) return true;
  if (core_ != other.core_ || state_->id == 0 || state_->id != other.state_->id) return false;
  if (state_->IsOccurrence() != other.state_->IsOccurrence()) return false;
  return !state_->IsOccurrence() || state_->originalDate == other.state_->originalDate;
}

OlObjectClass Item::Class() const { return Loaded(core_, state_).cls; }

std::string Item::MessageClass() const { return GetText("MessageClass"); }

std::string Item::EntryID() const {
  if (!state_) throw Error("the item is Nothing");
  const int64_t id = state_->id != 0 ? state_->id : state_->reservedId;
  return id == 0 ? "" : core_->ItemEntryID(id);
}

std::string Item::ReserveEntryID() {
  if (!state_) throw Error("the item is Nothing");
  if (state_->id == 0 && state_->reservedId == 0) state_->reservedId = core_->NewItemId();
  return EntryID();
}

Folder Item::Parent() const {
  ItemState& s = Loaded(core_, state_);
  return Folder(core_, s.master ? s.master->folderId : s.folderId);
}

bool Item::Saved() const {
  if (!state_) throw Error("the item is Nothing");
  if (!state_->loaded) return true;
  return !state_->dirty && (state_->id != 0);
}

PropValue Item::Get(std::string_view name) const {
  ItemState& s = Loaded(core_, state_);
  const PropInfo& info = Info(name);
  switch (info.source) {
    case PropSource::Stored:
      return detail::StoredOrDefault(s.props, info, s.cls);
    case PropSource::EntryID:
      return EntryID();
    case PropSource::Class:
      return int64_t{s.cls};
    case PropSource::Duration:
      return MinutesBetween(s.props, s.cls);
    case PropSource::RecurrenceState:
      return int64_t{RecurrenceState()};
    case PropSource::IsRecurring:
      return IsRecurring();
    case PropSource::Saved:
      return Saved();
    case PropSource::RecipientsOfType: {
      std::string out;
      for (const auto& r : PartsOf(core_, state_)->recipients)
        if (r->type == info.recipientType) out += (out.empty() ? "" : "; ") + (r->name.empty() ? r->address : r->name);
      return out;
    }
  }
  return std::monostate();
}

ItemProperty::ItemProperty(std::string_view name) : info_(&Info(name)) {}

void Item::Set(std::string_view name, PropValue value) { Set(Info(name), std::move(value)); }
void Item::Set(const ItemProperty& property, PropValue value) { Set(*property.info_, std::move(value)); }

void Item::Set(const PropInfo& info, PropValue value) {
  ItemState& s = Loaded(core_, state_);
  if (info.readOnly) throw Error("item property \"" + std::string(info.name) + "\" is read-only");
  PropValue v = detail::CheckKind(info, std::move(value));
  const std::string_view canon = info.name;
  const bool master = !s.IsOccurrence() && s.recurrence.has_value();
  if (canon == "Start") {
    const int64_t minutes = MinutesBetween(s.props, s.cls);
    const Date start = std::get<Date>(v);
    s.props["Start"] = start;
    s.props["End"] = Date::FromSeconds(start.Seconds() + minutes * 60);
    if (master) s.recurrence->startSeconds = start.TimeOfDaySeconds();
  } else if (canon == "End") {
    s.props["End"] = v;
    if (master) s.recurrence->durationMinutes = static_cast<int>(MinutesBetween(s.props, s.cls));
  } else if (info.source == PropSource::Duration) {
    const Date start = std::get<Date>(detail::StoredOrDefault(s.props, Info("Start"), s.cls));
    s.props["End"] = Date::FromSeconds(start.Seconds() + std::get<int64_t>(v) * 60);
    if (master) s.recurrence->durationMinutes = static_cast<int>(std::get<int64_t>(v));
  } else if (info.source == PropSource::RecipientsOfType) {
    auto& list = PartsOf(core_, state_)->recipients;
    std::erase_if(list, [&](const auto& r) { return r->type == info.recipientType; });
    const std::string& text = std::get<std::string>(v);
    size_t pos = 0;
    while (pos <= text.size()) {
      size_t end = text.find(';', pos);
      if (end == std::string::npos) end = text.size();
      std::string part = text.substr(pos, end - pos);
      const size_t b = part.find_first_not_of(' ');
      const size_t e = part.find_last_not_of(' ');
      if (b != std::string::npos) {
        auto r = std::make_shared<detail::RecipientData>();
        r->address = r->name = part.substr(b, e - b + 1);
        r->type = info.recipientType;
        list.push_back(std::move(r));
      }
      pos = end + 1;
    }
    PartsOf(core_, state_)->dirty = true;
  } else if (const size_t number = detail::StoredNumber(info); number < detail::kPropNames.size()) {
    s.props.ByNumber(number) = std::move(v);
  } else {
    s.props[canon] = std::move(v);
  }
  s.dirty = true;
}

bool Item::Reads(std::string_view name, const PropValue& value) const { return Reads(Info(name), value); }
bool Item::Reads(const ItemProperty& property, const PropValue& value) const { return Reads(*property.info_, value); }

bool Item::Reads(const PropInfo& info, const PropValue& value) const {
  const ItemState& s = Loaded(core_, state_);
  if (info.source != PropSource::Stored) return Get(info.name) == value;
  if (const PropValue* v = s.props.FindNumber(detail::StoredNumber(info))) return *v == value;
  return detail::DefaultValue(info, s.cls) == value;
}

bool Item::ReadsText(const ItemProperty& property, std::string_view text) const {
  const PropInfo& info = *property.info_;
  if (info.source != PropSource::Stored) return Reads(info, std::string(text));
  const ItemState& s = Loaded(core_, state_);
  const PropValue* v = s.props.FindNumber(detail::StoredNumber(info));
  // The default is made only for a property the item never set.
  const PropValue fallback = v ? PropValue() : detail::DefaultValue(info, s.cls);
  const auto* held = std::get_if<std::string>(v ? v : &fallback);
  return held && *held == text;
}

std::string Item::GetText(std::string_view n) const { return As<std::string>(Get(n), n); }
int64_t Item::GetInt(std::string_view n) const { return As<int64_t>(Get(n), n); }
bool Item::GetBool(std::string_view n) const { return As<bool>(Get(n), n); }
double Item::GetDouble(std::string_view n) const { return As<double>(Get(n), n); }
Date Item::GetDate(std::string_view n) const { return As<Date>(Get(n), n); }
Bytes Item::GetBytes(std::string_view n) const { return As<Bytes>(Get(n), n); }

bool Item::IsKnownProperty(OlObjectClass, std::string_view name) { return detail::FindProperty(name) != nullptr; }

std::string Item::Subject() const { return GetText("Subject"); }
void Item::SetSubject(const std::string& v) { Set("Subject", v); }
std::string Item::Body() const { return GetText("Body"); }
void Item::SetBody(const std::string& v) { Set("Body", v); }
Date Item::Start() const { return GetDate("Start"); }
void Item::SetStart(Date v) { Set("Start", v); }
Date Item::End() const { return GetDate("End"); }
void Item::SetEnd(Date v) { Set("End", v); }
int Item::Duration() const { return static_cast<int>(GetInt("Duration")); }
void Item::SetDuration(int minutes) { Set("Duration", int64_t{minutes}); }
bool Item::AllDayEvent() const { return GetBool("AllDayEvent"); }
void Item::SetAllDayEvent(bool v) { Set("AllDayEvent", v); }
int Item::BusyStatus() const { return static_cast<int>(GetInt("BusyStatus")); }
void Item::SetBusyStatus(int v) { Set("BusyStatus", int64_t{v}); }
int Item::Sensitivity() const { return static_cast<int>(GetInt("Sensitivity")); }
void Item::SetSensitivity(int v) { Set("Sensitivity", int64_t{v}); }
int Item::Importance() const { return static_cast<int>(GetInt("Importance")); }
void Item::SetImportance(int v) { Set("Importance", int64_t{v}); }
std::string Item::Categories() const { return GetText("Categories"); }
void Item::SetCategories(const std::string& v) { Set("Categories", v); }
std::string Item::Location() const { return GetText("Location"); }
void Item::SetLocation(const std::string& v) { Set("Location", v); }
std::string Item::BillingInformation() const { return GetText("BillingInformation"); }
void Item::SetBillingInformation(const std::string& v) { Set("BillingInformation", v); }
int Item::MeetingStatus() const { return static_cast<int>(GetInt("MeetingStatus")); }
void Item::SetMeetingStatus(int v) { Set("MeetingStatus", int64_t{v}); }
bool Item::ReminderSet() const { return GetBool("ReminderSet"); }
void Item::SetReminderSet(bool v) { Set("ReminderSet", v); }
int Item::ReminderMinutesBeforeStart() const { return static_cast<int>(GetInt("ReminderMinutesBeforeStart")); }
void Item::SetReminderMinutesBeforeStart(int v) { Set("ReminderMinutesBeforeStart", int64_t{v}); }
bool Item::UnRead() const { return GetBool("UnRead"); }
void Item::SetUnRead(bool v) { Set("UnRead", v); }
Date Item::LastModificationTime() const { return GetDate("LastModificationTime"); }
Date Item::CreationTime() const { return GetDate("CreationTime"); }
Bytes Item::GlobalObjectID() const { return GetBytes("GlobalObjectID"); }
void Item::SetGlobalObjectID(const Bytes& v) { Set("GlobalObjectID", v); }
std::string Item::Organizer() const { return GetText("Organizer"); }
std::string Item::To() const { return GetText("To"); }
std::string Item::SenderEmailAddress() const { return GetText("SenderEmailAddress"); }
std::string Item::SenderName() const { return GetText("SenderName"); }
Date Item::ReceivedTime() const { return GetDate("ReceivedTime"); }
Date Item::SentOn() const { return GetDate("SentOn"); }
std::string Item::FullName() const { return GetText("FullName"); }
std::string Item::Email1Address() const { return GetText("Email1Address"); }

bool Item::IsRecurring() const {
  ItemState& s = Loaded(core_, state_);
  return s.IsOccurrence() || s.recurrence.has_value();
}

OlRecurrenceState Item::RecurrenceState() const {
  ItemState& s = Loaded(core_, state_);
  if (s.IsOccurrence()) {
    detail::ExceptionData* e = detail::FindException(*s.master->recurrence, s.originalDate);
    return e && !e->deleted ? olApptException : olApptOccurrence;
  }
  return s.recurrence ? olApptMaster : olApptNotRecurring;
}

platform::UserProperties Item::UserProperties() const {
  Loaded(core_, state_);
  return platform::UserProperties(state_);
}
platform::Attachments Item::Attachments() const {
  Loaded(core_, state_);
  return platform::Attachments(state_);
}
platform::Recipients Item::Recipients() const { return platform::Recipients(PartsOf(core_, state_)); }
platform::Links Item::Links() const { return platform::Links(PartsOf(core_, state_)); }

RecurrencePattern Item::GetRecurrencePattern() const {
  ItemState& s = Loaded(core_, state_);
  if (s.cls != olAppointment || s.IsOccurrence())
    throw Error("only an appointment series has a recurrence pattern");
  if (!s.recurrence) {
    const Date start = Start();
    detail::RecurrenceData r;
    r.type = olRecursWeekly;
    r.interval = 1;
    r.dayOfWeekMask = 1 << (start.Weekday() - 1);
    r.patternStart = start.DateOnly();
    r.startSeconds = start.TimeOfDaySeconds();
    r.durationMinutes = Duration();
    r.noEndDate = true;
    s.recurrence = std::move(r);
    s.dirty = true;
  }
  return RecurrencePattern(core_, state_);
}

void Item::ClearRecurrencePattern() {
  ItemState& s = Loaded(core_, state_);
  if (s.IsOccurrence()) throw Error("an occurrence has no recurrence pattern of its own");
  if (s.recurrence) {
    s.recurrence.reset();
    s.dirty = true;
  }
}

Item Item::GetOccurrence(Date start) const {
  ItemState& s = Loaded(core_, state_);
  if (s.IsOccurrence() || !s.recurrence) throw Error("GetOccurrence needs a recurring appointment");
  const bool wholeDay = start.TimeOfDaySeconds() == 0;
  const Date to = wholeDay ? start.Add("d", 1) : Date::FromSeconds(start.Seconds() + 1);
  for (Date occ : detail::ExpandOccurrences(*s.recurrence, start, to, 1)) {
    detail::ExceptionData* e = detail::FindException(*s.recurrence, occ);
    if (e && e->deleted) break;
    return Item(core_, detail::MakeOccurrence(state_, occ));
  }
  throw Error("the series \"" + Subject() + "\" has no occurrence at " + start.ToIso());
}

Item Item::GetAssociatedAppointment(bool addToCalendar) const {
  ItemState& s = Loaded(core_, state_);
  if (!IsMeetingItem(s.cls)) throw Error("only a meeting item has an associated appointment");
  const int64_t calendar = core_->DefaultFolderId(olFolderCalendar);
  const Bytes gid = GlobalObjectID();
  if (!gid.empty())
    if (auto id = core_->FindByGlobalObjectID(calendar, gid)) return Item(core_, core_->StateFor(*id, false));
  if (!addToCalendar) return Item();
  auto st = core_->NewItemState(calendar, olAppointment);
  for (const char* name : {"Subject", "Start", "End", "Location", "Body", "Organizer", "GlobalObjectID",
                           "AllDayEvent", "BusyStatus", "Sensitivity", "Importance", "Categories"})
    if (const PropValue* v = s.props.Find(name)) st->props[name] = *v;
  st->props["MeetingStatus"] = int64_t{s.cls == olMeetingCancellation ? olMeetingCanceled : olMeetingReceived};
  for (const auto& r : s.recipients) st->recipients.push_back(std::make_shared<detail::RecipientData>(*r));
  st->links = s.links;
  core_->SaveItem(*st);
  return Item(core_, st);
}

void Item::Save() {
  ItemState& s = Loaded(core_, state_);
  if (!s.IsOccurrence()) {
    if (s.recurrence) detail::SyncMasterTimes(s);
    core_->SaveItem(s);
    return;
  }
  ItemState& m = *s.master;
  auto before = m.recurrence;
  detail::ExceptionData* e = detail::FindException(*m.recurrence, s.originalDate);
  if (!e) {
    e = &m.recurrence->exceptions.emplace_back();
    e->originalDate = s.originalDate;
  }
  e->deleted = false;
  e->props = s.props;
  e->ownParts = true;
  e->userProps = detail::CopyParts(s.userProps);
  e->attachments = detail::CopyParts(s.attachments);
  try {
    core_->SaveItem(m);
  } catch (...) {
    m.recurrence = std::move(before);
    throw;
  }
  s.dirty = false;
}

void Item::Delete() {
  ItemState& s = Loaded(core_, state_);
  if (s.IsOccurrence()) {
    ItemState& m = *s.master;
    auto before = m.recurrence;
    detail::ExceptionData* e = detail::FindException(*m.recurrence, s.originalDate);
    if (!e) {
      e = &m.recurrence->exceptions.emplace_back();
      e->originalDate = s.originalDate;
    }
    e->deleted = true;
    e->props.clear();
    e->ownParts = false;
    e->userProps.clear();
    e->attachments.clear();
    try {
      core_->SaveItem(m);
    } catch (...) {
      m.recurrence = std::move(before);
      throw;
    }
    s.removed = true;
    return;
  }
  if (s.id == 0) {
    s.removed = true;
    return;
  }
  const int64_t deleted = core_->DefaultFolderId(olFolderDeletedItems);
  if (core_->IsWithin(s.folderId, deleted)) {
    core_->RemoveItem(s);
    return;
  }
  if (s.dirty) {
    if (s.recurrence) detail::SyncMasterTimes(s);
    core_->SaveItem(s, deleted);
  } else {
    core_->MoveItem(s, deleted);
  }
}

Item Item::Copy() const {
  ItemState& s = Loaded(core_, state_);
  if (s.IsOccurrence() || s.id == 0) throw Error("only a saved item can be copied");
  return Item(core_, core_->StateFor(core_->CopyItem(s), false));
}

Item Item::CopyTo(const Folder& folder) const {
  ItemState& s = Loaded(core_, state_);
  if (!folder || folder.Core() != core_) throw Error("CopyTo needs a folder of the same profile");
  if (s.IsOccurrence()) throw Error("an occurrence cannot be copied on its own");
  if (s.recurrence) detail::SyncMasterTimes(s);
  return Item(core_, core_->StateFor(core_->CopyItem(s, folder.Id()), false));
}

Item Item::Move(const Folder& folder) const {
  ItemState& s = Loaded(core_, state_);
  if (!folder) throw Error("Move needs a destination folder");
  if (s.IsOccurrence()) throw Error("an occurrence cannot be moved on its own");
  if (s.recurrence) detail::SyncMasterTimes(s);
  if (s.id == 0 || s.dirty) core_->SaveItem(s, folder.Id());
  else core_->MoveItem(s, folder.Id());
  return *this;
}

void Item::Display(bool) {
  Loaded(core_, state_);
  const bool opens = !state_->displayed;
  if (opens) {
    state_->displayed = true;
    ++core_->openWindows;
  }
  ++core_->displayCount;
  if (opens && core_->windowListener) core_->windowListener(*this, true);
}

void Item::Close(OlInspectorClose mode) {
  ItemState& s = Loaded(core_, state_);
  if (mode == olSave) Save();
  else if (s.dirty && s.id != 0 && !s.IsOccurrence()) s.loaded = false;  // re-read at the next access
  if (s.displayed) {
    s.displayed = false;
    --core_->openWindows;
    if (core_->windowListener) core_->windowListener(*this, false);
  }
}

bool Item::IsDisplayed() const { return state_ && state_->displayed; }

}  // namespace platform
