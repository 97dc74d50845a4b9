#include "dialogs/frmDebug.h"

#include <algorithm>

#include "platform/Text.h"

namespace {

const char* const kBitNames[4] = {"LogEvents", "LogOnlyAppointEvents", "LogOnlyNotIgnoredEvents",
                                  "LogNotStartedEventsAsError"};

bool ParseFlag(const std::string& text, bool& out) {
  const std::string t = platform::Lower(platform::Trim(text));
  if (t == "yes" || t == "true" || t == "1" || t == "on") return out = true, true;
  if (t == "no" || t == "false" || t == "0" || t == "off") return out = false, true;
  return false;
}

}  // namespace

const std::vector<std::string>& frmDebug::FieldNames() {
  static const std::vector<std::string> names = {"SupportLog", "DebugLevel", "ZipLogs", "DebugButton",
                                                 kBitNames[0], kBitNames[1], kBitNames[2], kBitNames[3]};
  return names;
}

frmDebug::frmDebug(CDebug& debug, COptions& options)
    : FormModel("frmDebug"), m_debug(debug), m_options(options) {
  Self().caption = "Zentabo Debug Settings";
  AddControl("chkSupportLog", "CheckBox", "Write to the support log");
  AddControl("lblDebugLevel", "Label", "Debug level:");
  AddControl("txtDebugLevel", "TextBox");
  AddControl("chkZipLogs", "CheckBox", "Zip log files");
  AddControl("btnOK", "CommandButton", "OK");
  AddControl("btnCancel", "CommandButton", "Cancel");
  m_bSupportLog = debug.UseSupportLog();
  m_nDebugLevel = debug.DebugLevel();
  m_nZipLogs = options.ZipLogs();
  m_nDebugButton = options.DebugButton();
  m_bits[0] = options.LogEvents();
  m_bits[1] = options.LogOnlyAppointEvents();
  m_bits[2] = options.LogOnlyNotIgnoredEvents();
  m_bits[3] = options.LogNotStartedEventsAsError();
}

std::string frmDebug::Get(const std::string& field) const {
  auto yn = [](bool v) { return std::string(v ? "yes" : "no"); };
  if (platform::EqualsNoCase(field, "SupportLog")) return yn(m_bSupportLog);
  if (platform::EqualsNoCase(field, "DebugLevel")) return std::to_string(m_nDebugLevel);
  if (platform::EqualsNoCase(field, "ZipLogs")) return yn(m_nZipLogs != 0);
  if (platform::EqualsNoCase(field, "DebugButton")) return yn(m_nDebugButton != 0);
  for (int i = 0; i < 4; ++i)
    if (platform::EqualsNoCase(field, kBitNames[i])) return yn(m_bits[i]);
  return "";
}

bool frmDebug::Set(const std::string& field, const std::string& text) {
  m_lastError.clear();
  if (platform::EqualsNoCase(field, "DebugLevel")) {
    const std::string t = platform::Trim(text);
    if (t != "1" && t != "2" && t != "3") {
      m_lastError = "DebugLevel takes 1, 2 or 3, not \"" + text + "\"";
      return false;
    }
    m_nDebugLevel = std::stol(t);
    return true;
  }
  bool v = false;
  const bool known = std::find_if(FieldNames().begin(), FieldNames().end(), [&](const std::string& n) {
                       return platform::EqualsNoCase(n, field);
                     }) != FieldNames().end();
  if (!known) {
    m_lastError = "the debug settings have no field \"" + field + "\"";
    return false;
  }
  if (!ParseFlag(text, v)) {
    m_lastError = field + " takes yes or no, not \"" + text + "\"";
    return false;
  }
  if (platform::EqualsNoCase(field, "SupportLog")) m_bSupportLog = v;
  else if (platform::EqualsNoCase(field, "ZipLogs")) m_nZipLogs = v ? 1 : 0;
  else if (platform::EqualsNoCase(field, "DebugButton")) m_nDebugButton = v ? 1 : 0;
  for (int i = 0; i < 4; ++i)
    if (platform::EqualsNoCase(field, kBitNames[i])) m_bits[i] = v;
  return true;
}

void frmDebug::OnOK() {
  m_debug.UseSupportLog(m_bSupportLog);
  m_debug.DebugLevel(m_nDebugLevel);
  m_options.ZipLogs(m_nZipLogs);
  m_options.DebugButton(m_nDebugButton);
  m_options.LogEvents(m_bits[0]);
  m_options.LogOnlyAppointEvents(m_bits[1]);
  m_options.LogOnlyNotIgnoredEvents(m_bits[2]);
  m_options.LogNotStartedEventsAsError(m_bits[3]);
}

bool frmDebug::ShowModal(platform::Prompt& prompt, CLang* lang) {
  if (lang) lang->LocalizeForm(*this);
  std::vector<std::pair<std::string, std::string>> refused;
  for (;;) {
    platform::FormRequest form;
    form.name = "frmDebug";
    form.buttons = platform::Buttons::OKCancel;
    form.Set("Title", Self().caption);
    for (const std::string& name : FieldNames()) form.Set(name, Get(name));
    if (prompt.ShowForm(form) != platform::IDOK) return false;
    std::vector<std::string> problems;
    for (const std::string& name : FieldNames())
      if (!Set(name, form.Get(name))) problems.push_back(m_lastError);
    if (problems.empty()) {
      OnOK();
      return true;
    }
    if (!refused.empty() && form.fields == refused) return false;
    refused = form.fields;
    prompt.MessageBox(platform::Join(problems, "\n"), Self().caption, platform::Buttons::OK,
                      platform::Icon::Exclamation);
  }
}
