#include "addin/CExplorerMenu.h"

#include "addin/Connect.h"
#include "diagnostics/CDebug.h"
#include "groups/CGroups.h"
#include "groups/mFailSafe.h"
#include "lang/CLang.h"
#include "options/COptions.h"
#include "options/CWinReg.h"
#include "platform/Text.h"

namespace {

struct ControlEntry {
  const char* name;
  const char* lid;
  const char* icon;
  bool beginGroup;
  CExplorerMenu::Command command;
  const char* hostCommand;
};

using C = CExplorerMenu::Command;

// The popup's commands in their order.
constexpr ControlEntry kPopup[] = {
    {"mcbMenuSynchronize", "LID_TOOLBAR_SYNC", "SYNC", false, C::Synchronize, "sync"},
    {"mcbMenuGroups", "LID_TOOLBAR_GROUPS", "GROUPS", true, C::Groups, "groups"},
    {"mcbMenuAddNewMember", "LID_TOOLBAR_ADD_NEW_MEMBER", "ADDNEWMEMBER", false, C::AddNewMember,
     "member new [GROUP]"},
    {"mcbMenuBackup", "LID_TOOLBAR_BACKUP", "", true, C::Backup, "backup FILE"},
    {"mcbMenuRestore", "LID_TOOLBAR_RESTORE", "", false, C::Restore, "restore FILE"},
    {"mcbMenuOptions", "LID_TOOLBAR_OPTIONS", "OPTIONS", true, C::Options, "options --edit"},
    {"mcbMenuHelp", "LID_TOOLBAR_HELP", "HELP", true, C::Help, "help"},
    {"mcbMenuBugReport", "LID_TOOLBAR_BUG_REPROT", "", false, C::BugReport, "report"},
    {"mcbMenuAbout", "LID_TOOLBAR_ABOUT", "ABOUT", false, C::About, "about"},
    {"mcbMenuLang", "LID_TOOLBAR_LANG", "", false, C::Lang, "lang [NAME]"},
};

constexpr const char* kPositionValues[] = {"ToolBar.Left", "ToolBar.Top", "ToolBar.Position", "ToolBar.RowIndex"};

std::string CaptionOf(CLang* lang, const std::string& lid) { return lang ? lang->Item(lid) : lid; }

}  // namespace

CExplorerMenu::CExplorerMenu(Connect& connect, platform::Registry& registry, int explorerId)
    : m_connect(connect), m_reg(registry), m_explorerId(explorerId) {}

CExplorerMenu::~CExplorerMenu() {
  try {
    if (m_bBuilt) WritePosition();
  } catch (...) {
    g_Debug().OutError("CExplorerMenu.Class_Terminate");
  }
}

bool CExplorerMenu::UseTransparentIcons(platform::Registry& registry) {
  CWinReg reg(registry);
  if (!reg.InitForRead(platform::HKEY_CURRENT_USER, "Software\\" + COptions::CompanyShortName())) return true;
  const std::string v = platform::Trim(reg.GetStringValue("ZTBUseTransparentIcons"));
  if (v.empty()) return true;
  try {
    return std::stod(v) != 0;
  } catch (...) {
    return true;  // not a number: not numerically 0
  }
}

bool CExplorerMenu::Enabled(Command command, const State& s) {
  switch (command) {
    case Command::Help:
    case Command::BugReport:
    case Command::About:
    case Command::Lang:
    case Command::Debug:
      // These read or describe the installation only.
      return true;
    case Command::Zentab:
      return s.running && s.sharedFolder;
    case Command::Options:
      return s.running;
    case Command::Synchronize:
    case Command::Groups:
    case Command::AddNewMember:
    case Command::Backup:
    case Command::Restore:
      // They change the groups or exchange mails: never inside a running
      // synchronisation, whose pumping would let them interleave with it.
      return s.running && !s.busy;
  }
  return false;
}

void CExplorerMenu::SetIcon(Control& c, bool transparent) const {
  c.picture.clear();
  c.mask.clear();
  c.pastedFace = false;
  if (c.icon.empty()) return;
  c.picture = c.icon + "_PINK";
  if (transparent)
    c.mask = c.icon + "_MASK";
  else
    c.pastedFace = true;
}

bool CExplorerMenu::Create(CLang* lang, bool debugButton) {
  try {
    if (m_explorerId < 0) {
      g_Debug().OutCustomError("CExplorerMenu::Create", "oExplorer Is Nothing");
      return false;
    }
    m_lang = lang;
    m_bDebugButton = debugButton;
    const bool transparent = UseTransparentIcons(m_reg);
    if (!m_bBuilt) ReadPosition();
    m_zentab = Control{};
    m_zentab.name = "tcbZentab";
    m_zentab.caption = COptions::ProductShortName();
    m_zentab.icon = "ZTB";
    m_zentab.command = Command::Zentab;
    m_zentab.hostCommand = "appt list --shared";
    SetIcon(m_zentab, transparent);
    m_popupCaption = CaptionOf(lang, "LID_TOOLBAR");
    m_controls.clear();
    for (const ControlEntry& entry : kPopup) {
      Control c;
      c.name = entry.name;
      c.captionLid = entry.lid;
      c.caption = CaptionOf(lang, entry.lid);
      c.icon = entry.icon;
      c.beginGroup = entry.beginGroup;
      c.command = entry.command;
      c.hostCommand = entry.hostCommand;
      SetIcon(c, transparent);
      m_controls.push_back(c);
    }
    if (debugButton) {
      Control c;
      c.name = "mcbMenuDebug";
      c.caption = "Debug";
      c.command = Command::Debug;
      c.hostCommand = "debug --edit";
      m_controls.push_back(c);
    }
    m_bBuilt = true;
    return true;
  } catch (...) {
    g_Debug().OutError("CExplorerMenu::Create");
    return false;
  }
}

void CExplorerMenu::UpdateButtons(const State& state) {
  try {
    if (!m_bBuilt) Create(m_lang, m_bDebugButton);
    m_zentab.enabled = Enabled(m_zentab.command, state);
    for (Control& c : m_controls) c.enabled = Enabled(c.command, state);
  } catch (...) {
    g_Debug().OutError("CExplorerMenu.UpdateButtons");
  }
}

void CExplorerMenu::OnChangeLang(CLang* lang) {
  try {
    m_lang = lang;
    m_popupCaption = CaptionOf(lang, "LID_TOOLBAR");
    for (Control& c : m_controls)
      if (!c.captionLid.empty()) c.caption = CaptionOf(lang, c.captionLid);
  } catch (...) {
    g_Debug().OutError("CExplorerMenu.OnChangeLang");
  }
}

const CExplorerMenu::Control* CExplorerMenu::Find(const std::string& name) const {
  if (platform::EqualsNoCase(name, m_zentab.name)) return &m_zentab;
  for (const Control& c : m_controls)
    if (platform::EqualsNoCase(name, c.name)) return &c;
  return nullptr;
}

bool CExplorerMenu::Click(const std::string& name) {
  if (platform::EqualsNoCase(name, "mcbMenuRefresh")) {
    mcbMenuRefresh_Click();
    return true;
  }
  const Control* c = Find(name);
  if (!c || !c->enabled) return false;
  switch (c->command) {
    case Command::Zentab: tcbZentab_Click(); break;
    case Command::Synchronize: mcbMenuSynchronize_Click(); break;
    case Command::Groups: mcbMenuGroups_Click(); break;
    case Command::AddNewMember: mcbMenuAddNewMember_Click(); break;
    case Command::Backup: mcbMenuBackup_Click(); break;
    case Command::Restore: mcbMenuRestore_Click(); break;
    case Command::Options: mcbMenuOptions_Click(); break;
    case Command::Help: mcbMenuHelp_Click(); break;
    case Command::BugReport: mcbMenuBugReport_Click(); break;
    case Command::About: mcbMenuAbout_Click(); break;
    case Command::Lang: mcbMenuLang_Click(); break;
    case Command::Debug: mcbMenuDebug_Click(); break;
  }
  return true;
}

void CExplorerMenu::ReadPosition() {
  CWinReg reg(m_reg);
  if (!reg.InitForRead(platform::HKEY_CURRENT_USER, COptions::kRegPath)) return;
  long* fields[] = {&m_position.left, &m_position.top, &m_position.position, &m_position.rowIndex};
  for (size_t i = 0; i < 4; ++i) {
    const std::string v = reg.GetStringValue(kPositionValues[i]);
    if (v.empty()) continue;
    try {
      *fields[i] = std::stol(v);
    } catch (...) {
      g_Debug().OutWarning("CExplorerMenu.Create", std::string(kPositionValues[i]) + " is no number: " + v);
    }
  }
}

void CExplorerMenu::WritePosition() {
  CWinReg reg(m_reg);
  if (!reg.InitForWrite(platform::HKEY_CURRENT_USER, COptions::kRegPath, true)) return;
  const long fields[] = {m_position.left, m_position.top, m_position.position, m_position.rowIndex};
  for (size_t i = 0; i < 4; ++i) reg.SetStringValue(kPositionValues[i], std::to_string(fields[i]));
}

template <typename F>
void CExplorerMenu::Trap(const char* handler, F body) {
  try {
    body();
  } catch (...) {
    g_Debug().OutError(std::string("Connect.") + handler);
  }
}

void CExplorerMenu::tcbZentab_Click() {
  Trap("tcbZentab_Click", [&] {
    if (platform::Folder f = m_connect.g_fldZentab()) m_currentFolder = f.EntryID();
  });
}

void CExplorerMenu::mcbMenuSynchronize_Click() {
  Trap("mcbMenuSynchronize_Click", [&] { m_connect.Syncronize(true); });
}

void CExplorerMenu::mcbMenuGroups_Click() {
  Trap("mcbMenuGroups_Click", [&] { m_connect.ShowGroups(); });
}

void CExplorerMenu::mcbMenuAddNewMember_Click() {
  Trap("mcbMenuAddNewMember_Click", [&] { m_connect.AddNewMembers(""); });
}

void CExplorerMenu::mcbMenuRefresh_Click() {
  Trap("mcbMenuRefresh_Click", [&] {
    m_connect.RaiseCustomEvent("Groups");
    m_connect.RaiseCustomEvent("Appointments");
  });
}

void CExplorerMenu::mcbMenuBackup_Click() {
  Trap("mcbMenuBackup_Click", [&] {
    if (CGroups* groups = m_connect.Groups()) BackupGroupsCommand(*groups);
  });
}

void CExplorerMenu::mcbMenuRestore_Click() {
  Trap("mcbMenuRestore_Click", [&] {
    CGroups* groups = m_connect.Groups();
    if (!groups || !m_connect.App()) return;
    const std::string path =
        platform::Trim(m_connect.App()->UserPrompt().OpenFileDialog("Zentabo", kBackupFilter, ""));
    // Cancelled: no event, no change.
    if (path.empty()) return;
    RestoreGroups(*groups, path);
    m_connect.RaiseCustomEvent("Groups");
  });
}

void CExplorerMenu::mcbMenuOptions_Click() {
  Trap("mcbMenuOptions_Click", [&] { m_connect.ShowOptions(""); });
}

void CExplorerMenu::mcbMenuHelp_Click() {
  Trap("mcbMenuHelp_Click", [&] { m_connect.ShowHelpTopic("About_Zentabo.htm"); });
}

void CExplorerMenu::mcbMenuBugReport_Click() {
  Trap("mcbMenuBugReport_Click", [&] { m_connect.BugReport(); });
}

void CExplorerMenu::mcbMenuAbout_Click() {
  Trap("mcbMenuAbout_Click", [&] { m_connect.About(); });
}

void CExplorerMenu::mcbMenuLang_Click() {
  Trap("mcbMenuLang_Click", [&] { m_connect.ChooseLanguage(); });
}

void CExplorerMenu::mcbMenuDebug_Click() {
  Trap("mcbMenuDebug_Click", [&] { m_connect.ShowDebugSettings(); });
}
