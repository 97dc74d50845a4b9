#pragma once
// mOptions: the user's preference set, one per mail store, kept in the
// registry under Software\Korvel\Zentabo\<store id>\Options and held in memory
// as one process-wide Options value while the add-in runs. LoadOptions reads
// it at start-up, SaveOptions writes it when the options dialog applies its
// changes, SaveOption writes a single value from anywhere. Options whose
// registry name begins with "Dont" are held negated in memory.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Date.h"
#include "platform/Registry.h"

namespace mOptions {

struct Options {
  std::string AllDayCategories;
  bool AllDayCategoriesEnabled = false;
  bool AutoGSynchEnable = false;
  long AutoGSynchPeriod = 0;        // minutes between exchanges with the members
  bool AutoLSynchEnableNew = false;
  long AutoLSynchPeriodNew = 0;     // days between local synchronisations
  bool AutoLFastSynchDisable = false;
  std::string AutoLSynchDate;       // SynchDateText of the last local synchronisation
  bool ShowProgressBarOnReceiving = false;
  bool DefaultPrivate = false;
  bool IgnoreBirthdays = true;      // stored negated as DontIgnoreBirthdays
  bool IgnoreHolidays = true;       // stored negated as DontIgnoreHolidays
  bool HardDeletion = false;
  bool SendLabels = false;          // stored negated as DontSendLabels
  bool AutoAcceptEnable = false;
  std::string AutoAcceptValue;      // "Accept" or "Decline"
  bool NShowRemoveGroupsMes = false;
  bool NShowMesGroups = false;
  std::string NShowMesGroupsValue;
  long BackUnit = 0;                // 1 day, 2 week, 3 month
  long BackCount = 0;
  long ForwardUnit = 0;
  long ForwardCount = 0;
  bool ShowWelcomeDlg = false;      // stored negated as DontShowWelcomeDlg
  bool IgnoreMsgAttaches = false;   // stored negated as DontIgnoreMsgAttaches
  std::string VCtlMems;

  // Derived when loaded or saved.
  platform::Date dtSynchStart;      // today minus BackCount units of BackUnit
  platform::Date dtSynchEnd;        // today plus ForwardCount units of ForwardUnit
  bool bLocalSynchDue = false;      // a local synchronisation should run now
};

// Sharing-window units of the BackUnit / ForwardUnit options.
inline constexpr long UNIT_DAY = 1;
inline constexpr long UNIT_WEEK = 2;
inline constexpr long UNIT_MONTH = 3;

// A bound of the sharing window: `now` moved `count` units of `unit` (1 day,
// 2 week, 3 month) back when `past` is set, forward otherwise; month steps
// clamp to the month's end.
// Throws platform::Error "nUnit is not valid : <unit>" for any other unit.
platform::Date GetDate(bool past, long count, long unit, platform::Date now);

// The process-wide preference set.
Options& g_Options();

// "Software\Korvel\Zentabo\<storeId>\Options".
std::string OptionsKey(const std::string& storeId);

// Reads the preference set of `storeId` into `opts` (writing the defaults
// first when the key is missing), applies the substitutions for zero periods
// and window values, computes the sharing window around `now` and whether a
// local synchronisation is due. Returns false (logged) when the key cannot be
// read; `opts` then keeps its initial values with birthdays and holidays ignored.
bool LoadOptions(platform::Registry& reg, const std::string& storeId, platform::Date now,
                 Options& opts = g_Options());

// Writes every value of `opts` except AutoLSynchDate and VCtlMems
// (AutoAcceptValue only while AutoAcceptEnable is set) and recomputes the
// sharing window around `now`. Returns false (logged) on failure.
bool SaveOptions(platform::Registry& reg, const std::string& storeId, platform::Date now,
                 Options& opts = g_Options());

// Writes one value of the preference set: type "String" as text, "Number" as
// number (the numeric reading of `value`), "Boolean" as yes/no (true for
// "yes", "true", "-1", "1", case ignored). Any other type logs "Invalid
// type." and stores nothing. Returns false when nothing was stored.
bool SaveOption(platform::Registry& reg, const std::string& storeId, const std::string& name,
                const std::string& value, const std::string& type);
bool SaveOption(platform::Registry& reg, const std::string& storeId, const std::string& name, long value);
bool SaveOption(platform::Registry& reg, const std::string& storeId, const std::string& name, bool value);

// Writes the default preference set (creating the key). Returns false (logged)
// when the key cannot be created.
bool SaveDefault(platform::Registry& reg, const std::string& storeId);

// The text form of AutoLSynchDate ("yyyy-mm-dd hh:mm:ss") and its reading;
// ParseSynchDate returns false for an empty or unreadable text.
std::string SynchDateText(platform::Date when);
bool ParseSynchDate(const std::string& text, platform::Date& when);

// ---- Options by name (the host's "options" command) ----

enum class Kind { Text, Number, YesNo };
enum class Location { Options, Store, Product };

struct OptionInfo {
  std::string name;
  Kind kind;
  Location location;      // the store's Options key, the store key or the product key
  bool hasDefault;        // false: a missing value reads as empty / 0 / no
  std::string defaultText;
};

// Every option the add-in keeps in the registry, in a fixed order.
const std::vector<OptionInfo>& OptionTable();

// The stored value of option `name` (compared without regard to case) as
// text: numbers in decimal, yes/no as "yes"/"no"; a missing value gives its
// default. False when there is no such option.
bool GetOptionText(platform::Registry& reg, const std::string& storeId, const std::string& name,
                   std::string& text);
// Stores `text` as option `name` in its kind (a store's first preference
// value writes the defaults first). False (logged) for an unknown
// option, a number that is not one, or a yes/no that is not yes, no, true,
// false, 1, 0 or -1.
bool SetOptionText(platform::Registry& reg, const std::string& storeId, const std::string& name,
                   const std::string& text);

}  // namespace mOptions
