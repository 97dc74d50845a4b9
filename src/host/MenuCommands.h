#pragma once
// MenuCommands: the host's commands for the add-in's menu and what it
// reaches - the menu itself (listed with its enabled states and the
// command that runs each entry, or clicked), the options and debug
// settings dialogs, the support report, help, about and the language.
#include <string>

#include "host/Commands.h"

namespace host {

// Lists the explorer's menu as the add-in shows it; with `click`, clicks
// that entry (by control name) first.
int Menu(const GlobalOptions& g, const std::string& click);
// The options dialog (interactive on a terminal; unattended runs confirm it as it stands).
int OptionsEdit(const GlobalOptions& g);
// The debug settings dialog.
int DebugEdit(const GlobalOptions& g);
// The support report: left in Drafts and written as an .eml file (`out`,
// or a new file in the home's temporary folder); prints the file's path.
int Report(const GlobalOptions& g, const std::string& out);
int Help(const GlobalOptions& g, const std::string& topic);
int About(const GlobalOptions& g);
// Chooses the language of that name (empty: asks).
int Lang(const GlobalOptions& g, const std::string& name);
// The client's print preview from the add-in's page.
int PrintPreview(const GlobalOptions& g);

}  // namespace host
