#pragma once
// PropMap: an item's stored property values by canonical name (internal to
// the store). The names the store knows are held as their number in
// kPropNames: an item holds some forty values, each set, read and encoded by
// name many times over, and a short array scanned by number costs a fraction
// of a tree of name strings. Other names (data written by a version that
// knew names this one does not) are kept as text.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/store/StoreTypes.h"

namespace platform::detail {

// The property names the store knows, numbered by position. Append only:
// stored item data names a property by its number.
inline constexpr std::array<std::string_view, 56> kPropNames = {
    "Subject", "Body", "Start", "End", "AllDayEvent", "BusyStatus", "Sensitivity", "Importance",
    "Categories", "Companies", "Location", "Mileage", "BillingInformation", "MeetingStatus", "ReminderSet",
    "ReminderMinutesBeforeStart", "UnRead", "CreationTime", "ReplyTime", "ResponseRequested",
    "ConferenceServerAllowExternal", "ConferenceServerPassword", "NetMeetingAutoStart",
    "NetMeetingDocPathName", "NetMeetingOrganizerAlias", "NetMeetingServer", "NetMeetingType", "NetShowURL",
    "NoAging", "InternetCodepage", "MarkForDownload", "IsOnlineMeeting", "GlobalObjectID", "Organizer",
    "SenderEmailAddress", "SenderName", "InternetMessageID", "ReceivedTime", "SentOn", "FullName",
    "Email1Address", "Contacts", "MessageClass", "Duration", "Resources", "To", "CC", "BCC",
    "RequiredAttendees", "OptionalAttendees", "LastModificationTime", "Saved", "IsRecurring",
    "RecurrenceState", "EntryID", "Class"};

// The number of a known name; kPropNames.size() for any other.
size_t PropNumber(std::string_view name);

class PropMap {
 public:
  // The value stored under `name`, or nullptr.
  const PropValue* Find(std::string_view name) const;
  PropValue* Find(std::string_view name);
  // The same for a number from PropNumber (nullptr for kPropNames.size()).
  const PropValue* FindNumber(size_t number) const;
  // The value stored under `name`. Throws std::out_of_range when none is.
  const PropValue& at(std::string_view name) const;
  // The value under `name`, added as monostate when none was.
  PropValue& operator[](std::string_view name);
  // The same for the known name numbered `number`.
  // REQUIRES: number < kPropNames.size().
  PropValue& ByNumber(size_t number);
  // Removes the value under `name`, if any.
  void Erase(std::string_view name);
  // Room for `n` known values (a decoder knows how many follow).
  void reserve(size_t n) { known_.reserve(n); }
  size_t size() const { return known_.size() + other_.size(); }
  bool empty() const { return known_.empty() && other_.empty(); }
  void clear() {
    known_.clear();
    other_.clear();
  }
  // Calls f(number, name, value) for every value in name order; number is
  // kPropNames.size() for a name the store does not know.
  template <typename F>
  void ForEach(F&& f) const;

  friend bool operator==(const PropMap& a, const PropMap& b);

 private:
  struct Known {
    uint16_t number;
    PropValue value;
  };
  const Known* FindKnown(size_t number) const;
  // The position of each known name in name order.
  static const std::array<uint8_t, kPropNames.size()>& Ranks();

  std::vector<Known> known_;                              // in the order first set
  std::vector<std::pair<std::string, PropValue>> other_;  // in name order
};

template <typename F>
void PropMap::ForEach(F&& f) const {
  std::array<const Known*, kPropNames.size()> byRank{};
  const auto& ranks = Ranks();
  for (const Known& k : known_) byRank[ranks[k.number]] = &k;
  size_t o = 0;
  for (const Known* k : byRank) {
    if (!k) continue;
    const std::string_view name = kPropNames[k->number];
    for (; o < other_.size() && other_[o].first < name; ++o)
      f(kPropNames.size(), std::string_view(other_[o].first), other_[o].second);
    f(size_t{k->number}, name, k->value);
  }
  for (; o < other_.size(); ++o) f(kPropNames.size(), std::string_view(other_[o].first), other_[o].second);
}

}  // namespace platform::detail
