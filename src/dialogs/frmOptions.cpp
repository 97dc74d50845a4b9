#include "dialogs/frmOptions.h"

#include <algorithm>
#include <tuple>

#include "diagnostics/CDebug.h"
#include "platform/Text.h"

namespace {

using mOptions::Options;

enum class Kind { Check, NegatedCheck, Number, Unit, Text };

struct Field {
  const char* name;     // the stored value's name
  const char* control;  // the dialog's control
  Kind kind;
  bool Options::*flag = nullptr;
  long Options::*number = nullptr;
  std::string Options::*text = nullptr;
};

const std::vector<Field>& Fields() {
  static const std::vector<Field> fields = {
      {"AutoGSynchEnable", "chkAutoGSynchEnable", Kind::Check, &Options::AutoGSynchEnable},
      {"AutoGSynchPeriod", "txtAutoGSynchPeriod", Kind::Number, nullptr, &Options::AutoGSynchPeriod},
      {"AutoLSynchEnableNew", "chkAutoLSynchEnableNew", Kind::Check, &Options::AutoLSynchEnableNew},
      {"AutoLSynchPeriodNew", "txtAutoLSynchPeriodNew", Kind::Number, nullptr, &Options::AutoLSynchPeriodNew},
      {"AutoLFastSynchDisable", "chkAutoLFastSynch", Kind::Check, &Options::AutoLFastSynchDisable},
      {"ShowProgressBarOnReceiving", "chkHideProgressBar", Kind::Check, &Options::ShowProgressBarOnReceiving},
      {"DefaultPrivate", "chkDefaultPrivate", Kind::Check, &Options::DefaultPrivate},
      {"DontIgnoreBirthdays", "chkIgnoreBirthdays", Kind::NegatedCheck, &Options::IgnoreBirthdays},
      {"DontIgnoreHolidays", "chkIgnoreHolidays", Kind::NegatedCheck, &Options::IgnoreHolidays},
      {"DontIgnoreMsgAttaches", "chkIgnoreMsgAttaches", Kind::NegatedCheck, &Options::IgnoreMsgAttaches},
      {"DontSendLabels", "chkSendLabels", Kind::NegatedCheck, &Options::SendLabels},
      {"HardDeletion", "chkHardDeletion", Kind::Check, &Options::HardDeletion},
      {"AutoAcceptEnable", "chkAutoAcceptEnable", Kind::Check, &Options::AutoAcceptEnable},
      {"AutoAcceptValue", "cboAutoAccept", Kind::Text, nullptr, nullptr, &Options::AutoAcceptValue},
      {"NShowRemoveGroupsMes", "chkNShowRemoveGroupsMes", Kind::Check, &Options::NShowRemoveGroupsMes},
      {"NShowMesGroups", "chkNShowMesGroups", Kind::Check, &Options::NShowMesGroups},
      {"NShowMesGroupsValue", "btnSetGroups", Kind::Text, nullptr, nullptr, &Options::NShowMesGroupsValue},
      {"AllDayCategoriesEnabled", "chkAllDayCategoriesEnabled", Kind::Check, &Options::AllDayCategoriesEnabled},
      {"AllDayCategories", "txtAllDayCategories", Kind::Text, nullptr, nullptr, &Options::AllDayCategories},
      {"BackUnit", "cboBackUnit", Kind::Unit, nullptr, &Options::BackUnit},
      {"BackCount", "txtBackCount", Kind::Number, nullptr, &Options::BackCount},
      {"ForwardUnit", "cboForwardUnit", Kind::Unit, nullptr, &Options::ForwardUnit},
      {"ForwardCount", "txtForwardCount", Kind::Number, nullptr, &Options::ForwardCount},
  };
  return fields;
}

const Field* FindField(const std::string& name) {
  for (const Field& f : Fields())
    if (platform::EqualsNoCase(f.name, name)) return &f;
  return nullptr;
}

bool ParseFlag(const std::string& text, bool& out) {
  const std::string t = platform::Lower(platform::Trim(text));
  if (t == "yes" || t == "true" || t == "1" || t == "-1" || t == "on") return out = true, true;
  if (t == "no" || t == "false" || t == "0" || t == "off") return out = false, true;
  return false;
}

bool ParseLong(const std::string& text, long& out) {
  const std::string t = platform::Trim(text);
  if (t.empty() || t.size() > 9) return false;
  size_t i = t[0] == '-' ? 1 : 0;
  if (i == t.size()) return false;
  for (size_t k = i; k < t.size(); ++k)
    if (t[k] < '0' || t[k] > '9') return false;
  out = std::stol(t);
  return true;
}

const char* UnitName(long unit) {
  switch (unit) {
    case mOptions::UNIT_DAY: return "days";
    case mOptions::UNIT_WEEK: return "weeks";
    case mOptions::UNIT_MONTH: return "months";
  }
  return "units";
}

// The longest window the dialog offers, by unit: back and forward.
long MaxCount(long unit, bool back) {
  switch (unit) {
    case mOptions::UNIT_DAY: return back ? 92 : 365;
    case mOptions::UNIT_WEEK: return back ? 13 : 52;
    case mOptions::UNIT_MONTH: return back ? 3 : 12;
  }
  return 0;
}

// Texts longer than this cannot be read back from the registry.
constexpr size_t kMaxText = 255;

}  // namespace

const std::vector<std::string>& frmOptions::FieldNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> v;
    for (const Field& f : Fields()) v.push_back(f.name);
    return v;
  }();
  return names;
}

frmOptions::frmOptions(Env env, const mOptions::Options& opts)
    : FormModel("frmOptions"), m_env(std::move(env)), m_opts(opts) {
  Self().caption = "Zentabo Options";
  for (const Field& f : Fields()) AddControl(f.control, f.kind == Kind::Text ? "TextBox" : "CheckBox");
  AddControl("lblAutoGSynchPeriod", "Label");
  AddControl("lblAutoLSynchPeriodNew", "Label");
  AddControl("lblAutoAccept", "Label");
  AddControl("lblBack", "Label");
  AddControl("lblForward", "Label");
  AddControl("btnOK", "CommandButton", "OK");
  AddControl("btnCancel", "CommandButton", "Cancel");
  AddControl("btnHelp", "CommandButton", "&Help");
}

std::string frmOptions::Get(const std::string& name) const {
  const Field* f = FindField(name);
  if (!f) return "";
  switch (f->kind) {
    case Kind::Check: return m_opts.*(f->flag) ? "yes" : "no";
    case Kind::NegatedCheck: return m_opts.*(f->flag) ? "no" : "yes";
    case Kind::Number:
    case Kind::Unit: return std::to_string(m_opts.*(f->number));
    case Kind::Text: return m_opts.*(f->text);
  }
  return "";
}

bool frmOptions::Set(const std::string& name, const std::string& text) {
  m_lastError.clear();
  const Field* f = FindField(name);
  if (!f) {
    m_lastError = "the options dialog has no field \"" + name + "\"";
    return false;
  }
  switch (f->kind) {
    case Kind::Check:
    case Kind::NegatedCheck: {
      bool v = false;
      if (!ParseFlag(text, v)) {
        m_lastError = std::string(f->name) + " takes yes or no, not \"" + text + "\"";
        return false;
      }
      m_opts.*(f->flag) = f->kind == Kind::Check ? v : !v;
      return true;
    }
    case Kind::Unit: {
      const std::string t = platform::Lower(platform::Trim(text));
      long v = 0;
      if (t == "day" || t == "days") v = mOptions::UNIT_DAY;
      else if (t == "week" || t == "weeks") v = mOptions::UNIT_WEEK;
      else if (t == "month" || t == "months") v = mOptions::UNIT_MONTH;
      else if (!ParseLong(t, v)) v = 0;
      if (v < mOptions::UNIT_DAY || v > mOptions::UNIT_MONTH) {
        m_lastError = std::string(f->name) + " takes day, week or month (1, 2 or 3), not \"" + text + "\"";
        return false;
      }
      m_opts.*(f->number) = v;
      return true;
    }
    case Kind::Number: {
      long v = 0;
      if (!ParseLong(text, v)) {
        m_lastError = std::string(f->name) + " takes a whole number, not \"" + text + "\"";
        return false;
      }
      m_opts.*(f->number) = v;
      return true;
    }
    case Kind::Text:
      m_opts.*(f->text) = platform::Trim(text);
      return true;
  }
  return false;
}

std::vector<std::string> frmOptions::Validate() const {
  std::vector<std::string> problems;
  const Options& o = m_opts;
  if (o.AutoGSynchPeriod < 1 || o.AutoGSynchPeriod > 60)
    problems.push_back("AutoGSynchPeriod: the minutes between synchronizations must be 1 to 60, not " +
                       std::to_string(o.AutoGSynchPeriod));
  if (o.AutoLSynchPeriodNew < 1 || o.AutoLSynchPeriodNew > 30)
    problems.push_back("AutoLSynchPeriodNew: the days between updates must be 1 to 30, not " +
                       std::to_string(o.AutoLSynchPeriodNew));
  if (o.AutoAcceptValue != "Accept" && o.AutoAcceptValue != "Decline" && (o.AutoAcceptEnable || !o.AutoAcceptValue.empty()))
    problems.push_back("AutoAcceptValue: group requests are answered \"Accept\" or \"Decline\", not \"" +
                       o.AutoAcceptValue + "\"");
  for (const auto& [unitName, countName, unit, count, back] :
       {std::tuple{"BackUnit", "BackCount", o.BackUnit, o.BackCount, true},
        std::tuple{"ForwardUnit", "ForwardCount", o.ForwardUnit, o.ForwardCount, false}}) {
    const long max = MaxCount(unit, back);
    if (max == 0)
      problems.push_back(std::string(unitName) + ": the unit must be day, week or month (1, 2 or 3)");
    else if (count < 1 || count > max)
      problems.push_back(std::string(countName) + ": the window " + (back ? "back" : "forward") + " must be 1 to " +
                         std::to_string(max) + " " + UnitName(unit) + ", not " + std::to_string(count));
  }
  for (const auto& [name, value] : {std::pair{"NShowMesGroupsValue", &o.NShowMesGroupsValue},
                                    std::pair{"AllDayCategories", &o.AllDayCategories}})
    if (value->size() > kMaxText)
      problems.push_back(std::string(name) + ": at most " + std::to_string(kMaxText) + " characters");
  // The groups new appointments get: the two pseudo-values or the user's groups.
  if (o.NShowMesGroups && o.NShowMesGroupsValue.empty())
    problems.push_back("NShowMesGroupsValue: choose the groups new appointments get (Set Groups)");
  if (m_env.groupNames && o.NShowMesGroupsValue != "(All Groups)" && o.NShowMesGroupsValue != "(Null Group)") {
    const std::vector<std::string>& names = *m_env.groupNames;
    for (const std::string& raw : platform::Split(o.NShowMesGroupsValue, ';')) {
      const std::string g = platform::Trim(raw);
      if (g.empty()) continue;
      if (std::find(names.begin(), names.end(), g) == names.end())
        problems.push_back("NShowMesGroupsValue: you are in no group named \"" + g + "\"");
    }
  }
  return problems;
}

bool frmOptions::OnOK() {
  try {
    if (!Validate().empty()) return false;
    if (m_env.Save && !m_env.Save(m_opts)) return false;
    m_bSaved = true;
    m_bClosed = true;
    return true;
  } catch (...) {
    g_Debug().OutError("frmOptions.btnOK_Click");
    return false;
  }
}

bool frmOptions::ShowModal(platform::Prompt& prompt, CLang* lang) {
  if (lang) lang->LocalizeForm(*this);
  std::vector<std::pair<std::string, std::string>> refused;
  while (!m_bClosed) {
    platform::FormRequest form;
    form.name = "frmOptions";
    form.buttons = platform::Buttons::OKCancel;
    form.Set("Title", Self().caption);
    for (const std::string& name : FieldNames()) form.Set(name, Get(name));
    if (prompt.ShowForm(form) != platform::IDOK) {
      OnCancel();
      break;
    }
    std::vector<std::string> problems;
    for (const std::string& name : FieldNames())
      if (!Set(name, form.Get(name))) problems.push_back(m_lastError);
    if (problems.empty()) problems = Validate();
    if (problems.empty() && OnOK()) break;
    if (problems.empty()) problems.push_back("the options could not be written (see the log)");
    if (!refused.empty() && form.fields == refused) {
      OnCancel();
      break;
    }
    refused = form.fields;
    prompt.MessageBox(platform::Join(problems, "\n"), Self().caption, platform::Buttons::OK,
                      platform::Icon::Exclamation);
  }
  return m_bSaved;
}
