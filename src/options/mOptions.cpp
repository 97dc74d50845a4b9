#include "options/mOptions.h"

#include <cstdlib>

#include "diagnostics/CDebug.h"
#include "options/COptions.h"
#include "options/CWinReg.h"
#include "platform/Error.h"
#include "platform/Text.h"

namespace mOptions {

namespace {

bool ParseNumber(const std::string& text, long& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (!end || *end != '\0') return false;
  value = v;
  return true;
}

bool ParseYesNo(const std::string& text, bool& value) {
  const std::string t = platform::Lower(text);
  if (t == "yes" || t == "true" || t == "1" || t == "-1") value = true;
  else if (t == "no" || t == "false" || t == "0") value = false;
  else return false;
  return true;
}

// The sharing window and the due local synchronisation, from loaded values.
void Derive(Options& o, platform::Date now, bool withDue) {
  try {
    o.dtSynchStart = GetDate(true, o.BackCount, o.BackUnit, now);
    o.dtSynchEnd = GetDate(false, o.ForwardCount, o.ForwardUnit, now);
  } catch (...) {
    g_Debug().OutError("mAppointments.GetDate");
  }
  if (!withDue) return;
  o.bLocalSynchDue = false;
  if (o.AutoLSynchEnableNew) {
    platform::Date last;
    if (o.AutoLSynchDate.empty() || !ParseSynchDate(o.AutoLSynchDate, last)) {
      o.bLocalSynchDue = true;
    } else {
      const int64_t days = std::llabs(last.Diff("d", now));
      o.bLocalSynchDue = days > o.AutoLSynchPeriodNew;
    }
  }
}

}  // namespace

platform::Date GetDate(bool past, long count, long unit, platform::Date now) {
  const char* interval = nullptr;
  switch (unit) {
    case UNIT_DAY: interval = "d"; break;
    case UNIT_WEEK: interval = "ww"; break;
    case UNIT_MONTH: interval = "m"; break;
    default: throw platform::Error("nUnit is not valid : " + std::to_string(unit));
  }
  return now.Add(interval, past ? -count : count);
}

Options& g_Options() {
  static Options options;
  return options;
}

std::string OptionsKey(const std::string& storeId) { return COptions::GetRegPath() + "\\" + storeId + "\\Options"; }

std::string SynchDateText(platform::Date when) { return when.ToIso(); }

bool ParseSynchDate(const std::string& text, platform::Date& when) {
  if (text.empty()) return false;
  try {
    when = platform::Date::Parse(text);
    return true;
  } catch (...) {
    return false;
  }
}

bool SaveDefault(platform::Registry& reg, const std::string& storeId) {
  try {
    g_Debug().OutWarning("SaveDefault", "Save Default Options");
    CWinReg r(reg);
    if (!r.InitForWrite(CWinReg::HKEY_CURRENT_USER, OptionsKey(storeId), true)) {
      g_Debug().OutCustomError("mOptions.SaveDefault", "can't create " + OptionsKey(storeId));
      return false;
    }
    bool ok = true;
    ok &= r.SetStringValue("AllDayCategories", "");
    ok &= r.SetYesNoValue("AllDayCategoriesEnabled", false);
    ok &= r.SetYesNoValue("AutoGSynchEnable", true);
    ok &= r.SetNumberValue("AutoGSynchPeriod", 5);
    ok &= r.SetYesNoValue("AutoLSynchEnableNew", true);
    ok &= r.SetNumberValue("AutoLSynchPeriodNew", 2);
    ok &= r.SetYesNoValue("AutoLFastSynchDisable", false);
    ok &= r.SetYesNoValue("ShowProgressBarOnReceiving", false);
    ok &= r.SetYesNoValue("HardDeletion", true);
    ok &= r.SetYesNoValue("AutoAcceptEnable", false);
    ok &= r.SetStringValue("AutoAcceptValue", "Accept");
    ok &= r.SetYesNoValue("NShowMesGroups", false);
    ok &= r.SetStringValue("NShowMesGroupsValue", "");
    ok &= r.SetNumberValue("BackUnit", 2);
    ok &= r.SetNumberValue("BackCount", 1);
    ok &= r.SetNumberValue("ForwardUnit", 3);
    ok &= r.SetNumberValue("ForwardCount", 1);
    ok &= r.SetYesNoValue("DontShowWelcomeDlg", false);
    ok &= r.SetYesNoValue("DontIgnoreMsgAttaches", false);
    if (!ok) g_Debug().OutCustomError("mOptions.SaveDefault", "can't write the default options");
    return ok;
  } catch (...) {
    g_Debug().OutError("mOptions.SaveDefault");
    return false;
  }
}

bool LoadOptions(platform::Registry& reg, const std::string& storeId, platform::Date now, Options& opts) {
  try {
    {
      CWinReg probe(reg);
      if (!probe.InitForRead(CWinReg::HKEY_CURRENT_USER, OptionsKey(storeId))) SaveDefault(reg, storeId);
    }
    opts.IgnoreBirthdays = true;
    opts.IgnoreHolidays = true;
    CWinReg r(reg);
    if (!r.InitForRead(CWinReg::HKEY_CURRENT_USER, OptionsKey(storeId))) {
      g_Debug().OutCustomError("mOptions.LoadOptions", "can't open " + OptionsKey(storeId));
      return false;
    }
    Options& o = opts;
    o.AllDayCategories = r.GetStringValue("AllDayCategories");
    o.AllDayCategoriesEnabled = r.GetYesNoValue("AllDayCategoriesEnabled");
    o.AutoGSynchEnable = r.GetYesNoValue("AutoGSynchEnable");
    o.AutoGSynchPeriod = r.GetNumberValue("AutoGSynchPeriod", 0);
    o.AutoLSynchEnableNew = r.GetYesNoValue("AutoLSynchEnableNew");
    o.AutoLSynchPeriodNew = r.GetNumberValue("AutoLSynchPeriodNew", 0);
    o.AutoLFastSynchDisable = r.GetYesNoValue("AutoLFastSynchDisable");
    o.AutoLSynchDate = r.GetStringValue("AutoLSynchDate");
    o.ShowProgressBarOnReceiving = r.GetYesNoValue("ShowProgressBarOnReceiving");
    o.DefaultPrivate = r.GetYesNoValue("DefaultPrivate");
    o.IgnoreBirthdays = !r.GetYesNoValue("DontIgnoreBirthdays");
    o.IgnoreHolidays = !r.GetYesNoValue("DontIgnoreHolidays");
    o.HardDeletion = r.GetYesNoValue("HardDeletion");
    o.SendLabels = !r.GetYesNoValue("DontSendLabels");
    o.AutoAcceptEnable = r.GetYesNoValue("AutoAcceptEnable");
    o.AutoAcceptValue = r.GetStringValue("AutoAcceptValue");
    o.NShowRemoveGroupsMes = r.GetYesNoValue("NShowRemoveGroupsMes");
    o.NShowMesGroups = r.GetYesNoValue("NShowMesGroups");
    o.NShowMesGroupsValue = r.GetStringValue("NShowMesGroupsValue");
    o.BackUnit = r.GetNumberValue("BackUnit", 0);
    o.BackCount = r.GetNumberValue("BackCount", 0);
    o.ForwardUnit = r.GetNumberValue("ForwardUnit", 0);
    o.ForwardCount = r.GetNumberValue("ForwardCount", 0);
    o.ShowWelcomeDlg = !r.GetYesNoValue("DontShowWelcomeDlg");
    o.IgnoreMsgAttaches = !r.GetYesNoValue("DontIgnoreMsgAttaches");
    o.VCtlMems = r.GetStringValue("VCtlMems");

    // A zero period means a damaged set: the whole synchronisation group
    // goes back to its defaults.
    if (o.AutoGSynchPeriod == 0 || o.AutoLSynchPeriodNew == 0) {
      o.AutoGSynchEnable = true;
      o.AutoLSynchEnableNew = true;
      o.AutoLFastSynchDisable = false;
      o.AutoGSynchPeriod = 5;
      o.AutoLSynchPeriodNew = 2;
    }
    if (o.AutoAcceptEnable && o.AutoAcceptValue.empty()) o.AutoAcceptValue = "Accept";
    if (o.BackUnit == 0 || o.ForwardUnit == 0 || o.BackCount == 0 || o.ForwardCount == 0) {
      o.BackUnit = 2;
      o.ForwardUnit = 3;
      o.BackCount = 1;
      o.ForwardCount = 1;
    }
    r.CloseKey();
    Derive(o, now, true);
    return true;
  } catch (...) {
    g_Debug().OutError("mOptions.LoadOptions");
    return false;
  }
}

bool SaveOptions(platform::Registry& reg, const std::string& storeId, platform::Date now, Options& opts) {
  try {
    CWinReg r(reg);
    if (!r.InitForWrite(CWinReg::HKEY_CURRENT_USER, OptionsKey(storeId), true)) {
      g_Debug().OutCustomError("mOptions.SaveOptions", "can't open " + OptionsKey(storeId));
      return false;
    }
    const Options& o = opts;
    bool ok = true;
    ok &= r.SetStringValue("AllDayCategories", o.AllDayCategories);
    ok &= r.SetYesNoValue("AllDayCategoriesEnabled", o.AllDayCategoriesEnabled);
    ok &= r.SetYesNoValue("AutoGSynchEnable", o.AutoGSynchEnable);
    ok &= r.SetNumberValue("AutoGSynchPeriod", static_cast<int32_t>(o.AutoGSynchPeriod));
    ok &= r.SetYesNoValue("AutoLSynchEnableNew", o.AutoLSynchEnableNew);
    ok &= r.SetNumberValue("AutoLSynchPeriodNew", static_cast<int32_t>(o.AutoLSynchPeriodNew));
    ok &= r.SetYesNoValue("AutoLFastSynchDisable", o.AutoLFastSynchDisable);
    ok &= r.SetYesNoValue("ShowProgressBarOnReceiving", o.ShowProgressBarOnReceiving);
    ok &= r.SetYesNoValue("DefaultPrivate", o.DefaultPrivate);
    ok &= r.SetYesNoValue("DontIgnoreBirthdays", !o.IgnoreBirthdays);
    ok &= r.SetYesNoValue("DontIgnoreHolidays", !o.IgnoreHolidays);
    ok &= r.SetYesNoValue("HardDeletion", o.HardDeletion);
    ok &= r.SetYesNoValue("DontSendLabels", !o.SendLabels);
    ok &= r.SetYesNoValue("AutoAcceptEnable", o.AutoAcceptEnable);
    if (o.AutoAcceptEnable) ok &= r.SetStringValue("AutoAcceptValue", o.AutoAcceptValue);
    ok &= r.SetYesNoValue("NShowRemoveGroupsMes", o.NShowRemoveGroupsMes);
    ok &= r.SetYesNoValue("NShowMesGroups", o.NShowMesGroups);
    ok &= r.SetStringValue("NShowMesGroupsValue", o.NShowMesGroupsValue);
    ok &= r.SetNumberValue("BackUnit", static_cast<int32_t>(o.BackUnit));
    ok &= r.SetNumberValue("BackCount", static_cast<int32_t>(o.BackCount));
    ok &= r.SetNumberValue("ForwardUnit", static_cast<int32_t>(o.ForwardUnit));
    ok &= r.SetNumberValue("ForwardCount", static_cast<int32_t>(o.ForwardCount));
    ok &= r.SetYesNoValue("DontShowWelcomeDlg", !o.ShowWelcomeDlg);
    ok &= r.SetYesNoValue("DontIgnoreMsgAttaches", !o.IgnoreMsgAttaches);
    r.CloseKey();
    Derive(opts, now, false);
    if (!ok) g_Debug().OutCustomError("mOptions.SaveOptions", "can't write the options");
    return ok;
  } catch (...) {
    g_Debug().OutError("mOptions.SaveOptions");
    return false;
  }
}

bool SaveOption(platform::Registry& reg, const std::string& storeId, const std::string& name,
                const std::string& value, const std::string& type) {
  try {
    if (type != "String" && type != "Number" && type != "Boolean") {
      g_Debug().OutCustomError("mOptions.SaveOption", "Invalid type.");
      return false;
    }
    CWinReg r(reg);
    if (!r.InitForWrite(CWinReg::HKEY_CURRENT_USER, OptionsKey(storeId), true)) {
      g_Debug().OutCustomError("mOptions.SaveOption", "can't open " + OptionsKey(storeId));
      return false;
    }
    bool ok = false;
    if (type == "String") {
      ok = r.SetStringValue(name, value);
    } else if (type == "Number") {
      ok = r.SetNumberValue(name, static_cast<int32_t>(std::strtol(value.c_str(), nullptr, 10)));
    } else {
      bool b = false;
      ParseYesNo(value, b);
      ok = r.SetYesNoValue(name, b);
    }
    if (!ok) g_Debug().OutCustomError("mOptions.SaveOption", "can't write " + name);
    return ok;
  } catch (...) {
    g_Debug().OutError("mOptions.SaveOption");
    return false;
  }
}

bool SaveOption(platform::Registry& reg, const std::string& storeId, const std::string& name, long value) {
  return SaveOption(reg, storeId, name, std::to_string(value), "Number");
}

bool SaveOption(platform::Registry& reg, const std::string& storeId, const std::string& name, bool value) {
  return SaveOption(reg, storeId, name, value ? "yes" : "no", "Boolean");
}

const std::vector<OptionInfo>& OptionTable() {
  static const std::vector<OptionInfo> table = {
      {"AllDayCategories", Kind::Text, Location::Options, true, ""},
      {"AllDayCategoriesEnabled", Kind::YesNo, Location::Options, true, "no"},
      {"AutoGSynchEnable", Kind::YesNo, Location::Options, true, "yes"},
      {"AutoGSynchPeriod", Kind::Number, Location::Options, true, "5"},
      {"AutoLSynchEnableNew", Kind::YesNo, Location::Options, true, "yes"},
      {"AutoLSynchPeriodNew", Kind::Number, Location::Options, true, "2"},
      {"AutoLFastSynchDisable", Kind::YesNo, Location::Options, true, "no"},
      {"AutoLSynchDate", Kind::Text, Location::Options, false, ""},
      {"ShowProgressBarOnReceiving", Kind::YesNo, Location::Options, true, "no"},
      {"DefaultPrivate", Kind::YesNo, Location::Options, false, "no"},
      {"DontIgnoreBirthdays", Kind::YesNo, Location::Options, false, "no"},
      {"DontIgnoreHolidays", Kind::YesNo, Location::Options, false, "no"},
      {"HardDeletion", Kind::YesNo, Location::Options, true, "yes"},
      {"DontSendLabels", Kind::YesNo, Location::Options, false, "no"},
      {"AutoAcceptEnable", Kind::YesNo, Location::Options, true, "no"},
      {"AutoAcceptValue", Kind::Text, Location::Options, true, "Accept"},
      {"NShowRemoveGroupsMes", Kind::YesNo, Location::Options, false, "no"},
      {"NShowMesGroups", Kind::YesNo, Location::Options, true, "no"},
      {"NShowMesGroupsValue", Kind::Text, Location::Options, true, ""},
      {"BackUnit", Kind::Number, Location::Options, true, "2"},
      {"BackCount", Kind::Number, Location::Options, true, "1"},
      {"ForwardUnit", Kind::Number, Location::Options, true, "3"},
      {"ForwardCount", Kind::Number, Location::Options, true, "1"},
      {"DontShowWelcomeDlg", Kind::YesNo, Location::Options, true, "no"},
      {"DontIgnoreMsgAttaches", Kind::YesNo, Location::Options, true, "no"},
      {"VCtlMems", Kind::Text, Location::Options, false, ""},
      {"CurUserName", Kind::Text, Location::Store, false, ""},
      {"CurUserAddress", Kind::Text, Location::Store, false, ""},
      {"NeedLocalSync", Kind::Number, Location::Store, true, "0"},
      {"ZipLogs", Kind::Number, Location::Product, true, "1"},
      {"ShowHomepage", Kind::Number, Location::Product, true, "1"},
      {"DebugButton", Kind::Number, Location::Product, true, "0"},
      {"LogEvents", Kind::Number, Location::Product, true, "7"},
      {"lang", Kind::Text, Location::Product, false, ""},
      {"DetectBug117", Kind::Text, Location::Product, false, ""},
      {"NotUseSendRecieve", Kind::Text, Location::Product, false, ""},
      {"FirstRun", Kind::Text, Location::Product, false, ""},
  };
  return table;
}

namespace {

const OptionInfo* FindOption(const std::string& name) {
  for (const OptionInfo& info : OptionTable())
    if (platform::EqualsNoCase(info.name, name)) return &info;
  return nullptr;
}

std::string KeyOf(const OptionInfo& info, const std::string& storeId) {
  switch (info.location) {
    case Location::Options: return OptionsKey(storeId);
    case Location::Store: return COptions::GetRegPath() + "\\" + storeId;
    default: return COptions::GetRegPath();
  }
}

}  // namespace

bool GetOptionText(platform::Registry& reg, const std::string& storeId, const std::string& name, std::string& text) {
  try {
    const OptionInfo* info = FindOption(name);
    if (!info) return false;
    CWinReg r(reg);
    r.InitForRead(CWinReg::HKEY_CURRENT_USER, KeyOf(*info, storeId));
    const std::string fallback = info->hasDefault ? info->defaultText : (info->kind == Kind::Number ? "0" : "");
    switch (info->kind) {
      case Kind::Text: {
        // An empty text reads as missing: it shows the default.
        const std::string v = r.GetStringValue(info->name);
        text = v.empty() ? fallback : v;
        break;
      }
      case Kind::Number: {
        const long def = std::strtol(fallback.c_str(), nullptr, 10);
        text = std::to_string(r.IsOpen() ? r.GetNumberValue(info->name, static_cast<int32_t>(def)) : def);
        break;
      }
      case Kind::YesNo: {
        const std::string raw = r.GetStringValue(info->name);
        text = raw.empty() ? (info->hasDefault ? info->defaultText : "no")
                           : (r.GetYesNoValue(info->name) ? "yes" : "no");
        break;
      }
    }
    return true;
  } catch (...) {
    g_Debug().OutError("mOptions.GetOptionText");
    return false;
  }
}

bool SetOptionText(platform::Registry& reg, const std::string& storeId, const std::string& name,
                   const std::string& text) {
  try {
    const OptionInfo* info = FindOption(name);
    if (!info) {
      g_Debug().OutCustomError("mOptions.SetOptionText", "unknown option " + name);
      return false;
    }
    long n = 0;
    bool b = false;
    if (info->kind == Kind::Number && !ParseNumber(text, n)) {
      g_Debug().OutCustomError("mOptions.SetOptionText", name + " needs a number, not '" + text + "'");
      return false;
    }
    if (info->kind == Kind::YesNo && !ParseYesNo(text, b)) {
      g_Debug().OutCustomError("mOptions.SetOptionText", name + " needs yes or no, not '" + text + "'");
      return false;
    }
    if (info->location == Location::Options) {
      // A first value must not leave a partial set behind: the load would
      // then skip the defaults of every other option.
      CWinReg probe(reg);
      if (!probe.InitForRead(CWinReg::HKEY_CURRENT_USER, OptionsKey(storeId))) SaveDefault(reg, storeId);
    }
    CWinReg r(reg);
    if (!r.InitForWrite(CWinReg::HKEY_CURRENT_USER, KeyOf(*info, storeId), true)) {
      g_Debug().OutCustomError("mOptions.SetOptionText", "can't open " + KeyOf(*info, storeId));
      return false;
    }
    switch (info->kind) {
      case Kind::Text: return r.SetStringValue(info->name, text);
      case Kind::Number: return r.SetNumberValue(info->name, static_cast<int32_t>(n));
      case Kind::YesNo: return r.SetYesNoValue(info->name, b);
    }
    return false;
  } catch (...) {
    g_Debug().OutError("mOptions.SetOptionText");
    return false;
  }
}

}  // namespace mOptions
