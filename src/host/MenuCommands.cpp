#include "host/MenuCommands.h"

#include <filesystem>
#include <iostream>

#include "addin/CExplorerMenu.h"
#include "host/CommandRun.h"
#include "lang/CLang.h"
#include "options/COptions.h"
#include "options/CWinReg.h"
#include "platform/mail/MailFile.h"

namespace fs = std::filesystem;

namespace host {

namespace {

// A caption without its access-key marks ("&Synchronize" -> "Synchronize").
std::string Plain(const std::string& caption) {
  std::string out;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size() && caption[i + 1] != '&') continue;
    if (caption[i] == '&') ++i;
    out += caption[i];
  }
  return out;
}

void PrintControl(const CExplorerMenu::Control& c, const std::string& indent) {
  if (c.beginGroup) std::cout << indent << "----\n";
  std::string label = indent + Plain(c.caption);
  if (label.size() < 32) label.resize(32, ' ');
  std::cout << label << " " << (c.enabled ? "enabled " : "disabled") << "  " << c.name << "\tzentabo "
            << c.hostCommand << "\n";
}

}  // namespace

int Menu(const GlobalOptions& g, const std::string& click) {
  Running r(g);
  Connect& c = r.C();
  const auto& explorers = r.S().App().GetExplorers().List();
  CExplorerMenu* menu = explorers.empty() ? nullptr : c.Menu(explorers.front().id);
  // An add-in that did not start built no menu of its own: the bar as it
  // would stand, every command that needs the add-in disabled.
  std::unique_ptr<CExplorerMenu> standIn;
  CLang lang(r.S().Sys().InstallDir().string());
  if (!menu) {
    CWinReg reg(r.S().Reg());
    LoadLanguageFile(lang, reg.InitForRead(platform::HKEY_CURRENT_USER, COptions::kRegPath) ? reg.GetStringValue("lang") : "");
    standIn = std::make_unique<CExplorerMenu>(c, r.S().Reg(), 0);
    standIn->Create(&lang, false);
    standIn->UpdateButtons({});
    menu = standIn.get();
    std::cout << "(the add-in is " << Connect::StateName(c.GetState()) << ")\n";
  }
  int rc = 0;
  if (!click.empty()) {
    if (!menu->Click(click)) {
      std::cerr << "zentabo: no enabled menu entry \"" << click << "\"\n";
      rc = 1;
    }
    r.S().Settle();
  }
  PrintControl(menu->ZentabButton(), "");
  std::cout << Plain(menu->PopupCaption()) << " >\n";
  for (const CExplorerMenu::Control& ctl : menu->Controls()) PrintControl(ctl, "  ");
  return rc;
}

int OptionsEdit(const GlobalOptions& g) {
  return WithAddIn(g, [](Running& r) {
    r.C().ShowOptions("");
    return 0;
  });
}

int DebugEdit(const GlobalOptions& g) {
  return WithAddIn(g, [](Running& r) { return r.C().ShowDebugSettings() ? 0 : 1; });
}

int Report(const GlobalOptions& g, const std::string& out) {
  // The report describes whatever state the add-in reached: most useful
  // when it did not start.
  Running r(g);
  // Reported also when the client did not load the add-in: the user can
  // still load it by hand to make the report.
  if (r.C().GetState() == Connect::State::Unloaded) r.S().LoadAddIn();
  platform::Item mail = r.C().BugReport();
  if (!mail) {
    std::cerr << "zentabo: the report could not be made (see: zentabo --home " << r.S().Sys().Home().string()
              << " log --errors)\n";
    return 1;
  }
  const platform::Date now = r.S().Loop().clock().Now();
  fs::path file = out.empty() ? r.S().Sys().TempDir() / ("ZentaboBugReport-" + now.ToIso() + ".eml") : fs::path(out);
  if (out.empty()) {
    std::string name = file.filename().string();
    for (char& ch : name)
      if (ch == ' ' || ch == ':') ch = ch == ' ' ? '_' : '-';
    file = file.parent_path() / name;
  }
  platform::SaveMailAsEml(r.S().Session(), mail, file, now);
  std::cout << fs::absolute(file).string() << "\n";
  return 0;
}

int Help(const GlobalOptions& g, const std::string& topic) {
  return WithAddIn(g, [&](Running& r) {
    const std::string page = topic.empty() ? r.C().Help() : r.C().ShowHelpTopic(topic);
    if (page.empty()) {
      std::cerr << "zentabo: no help page \"" << (topic.empty() ? "Using_Toolbars.htm" : topic) << "\"\n";
      return 1;
    }
    std::cout << page << "\n";
    return 0;
  });
}

int About(const GlobalOptions& g) {
  return WithAddIn(g, [](Running& r) {
    r.C().About();
    return 0;
  });
}

int Lang(const GlobalOptions& g, const std::string& name) {
  return WithAddIn(g, [&](Running& r) {
    if (!r.C().ChooseLanguage(name)) return 1;
    std::cout << "language: " << r.C().Lang()->Filename() << "\n";
    return 0;
  });
}

int PrintPreview(const GlobalOptions& g) {
  return WithAddIn(g, [](Running& r) {
    // The user prints from an explorer showing the shared calendar.
    platform::Explorers& explorers = r.S().App().GetExplorers();
    if (explorers.Count() > 0 && r.C().g_fldZentab())
      explorers.SwitchFolder(explorers.List().front().id, r.C().g_fldZentab());
    r.C().PrintPreview();
    return 0;
  });
}

}  // namespace host
