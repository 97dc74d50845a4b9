#pragma once
// CExplorerMenu: the add-in's command bar in one explorer window, as a
// model - the bar "Zentabo" with its button that shows the shared folder and
// its popup of commands, each with caption, icon, separator and enabled
// state, the bar's position, and the click handlers that run the commands
// through the connection class. One object per explorer, created by
// Connect::AddMenu; destroying it stores the bar's position.
#include <string>
#include <vector>

#include "platform/Registry.h"

class CLang;
class Connect;

class CExplorerMenu {
 public:
  // The add-in's state as far as the commands depend on it.
  struct State {
    bool running = false;       // the add-in started and holds its model
    bool sharedFolder = false;  // the shared folder exists
    bool busy = false;          // a synchronisation is running (commands re-entered from its pumping wait)
  };

  enum class Command {
    Zentab, Synchronize, Groups, AddNewMember, Backup, Restore, Options, Help, BugReport, About, Lang, Debug
  };

  struct Control {
    std::string name;        // "mcbMenuSynchronize"
    std::string captionLid;  // "LID_TOOLBAR_SYNC"; empty for a fixed caption
    std::string caption;     // as shown
    std::string icon;        // resource base name ("SYNC"); empty: none
    bool beginGroup = false; // a separator precedes it
    Command command = Command::Zentab;
    bool enabled = true;
    // The icon as set: with transparent icons the picture "<icon>_PINK" and
    // its mask "<icon>_MASK"; otherwise the picture pasted as the face.
    std::string picture;
    std::string mask;
    bool pastedFace = false;
    // The host command that runs the same operation.
    std::string hostCommand;
  };

  // The bar's place, kept under the product key as "ToolBar.Left",
  // "ToolBar.Top", "ToolBar.Position" and "ToolBar.RowIndex".
  struct Position {
    long left = 0;
    long top = 0;
    long position = 1;  // docked at the top
    long rowIndex = 0;
    friend bool operator==(const Position&, const Position&) = default;
  };

  static constexpr const char* kBarName = "Zentabo";

  // connect and registry must outlive the menu.
  CExplorerMenu(Connect& connect, platform::Registry& registry, int explorerId);
  // Stores the bar's position.
  ~CExplorerMenu();
  CExplorerMenu(const CExplorerMenu&) = delete;
  CExplorerMenu& operator=(const CExplorerMenu&) = delete;

  // --- click handlers; each logs a failure under "Connect.<handler>" and has
  // no further effect ---------------------------------------------------------
  void mcbMenuDebug_Click();
  void tcbZentab_Click();
  void mcbMenuSynchronize_Click();
  void mcbMenuGroups_Click();
  void mcbMenuAddNewMember_Click();
  void mcbMenuRefresh_Click();
  void mcbMenuBackup_Click();
  void mcbMenuRestore_Click();
  void mcbMenuOptions_Click();
  void mcbMenuHelp_Click();
  void mcbMenuBugReport_Click();
  void mcbMenuAbout_Click();
  void mcbMenuLang_Click();

  // Sets each control's enabled state for the add-in's state; a missing bar
  // is built again first.
  void UpdateButtons(const State& state);
  // Builds the bar for explorer `explorerId` (negative: none, which logs
  // "oExplorer Is Nothing" and builds nothing): the Zentab button, the
  // popup and its commands in order, "Debug" last when `debugButton`;
  // captions from `lang`, icons by the transparent-icons switch, the
  // position from the registry.
  bool Create(CLang* lang, bool debugButton);
  // Re-reads every caption from the current language.
  void OnChangeLang(CLang* lang);

  // Clicks the control of that name (the popup's controls, "tcbZentab" and
  // "mcbMenuRefresh"); false for an unknown or disabled control.
  bool Click(const std::string& name);

  // --- the bar as built ------------------------------------------------------
  bool Built() const { return m_bBuilt; }
  int ExplorerId() const { return m_explorerId; }
  const Control& ZentabButton() const { return m_zentab; }
  const std::string& PopupCaption() const { return m_popupCaption; }
  const std::vector<Control>& Controls() const { return m_controls; }
  const Control* Find(const std::string& name) const;
  const Position& BarPosition() const { return m_position; }
  // The user moved or docked the bar elsewhere.
  void MoveBar(const Position& p) { m_position = p; }
  // The folder the explorer shows after the Zentab button: the shared
  // folder's entry id ("" before).
  const std::string& CurrentFolder() const { return m_currentFolder; }
  // Whether icons are drawn with their masks: unless "ZTBUseTransparentIcons"
  // of Software\Korvel is present, non-empty and numerically 0.
  static bool UseTransparentIcons(platform::Registry& registry);
  // Whether a command may run in that state.
  static bool Enabled(Command command, const State& state);

 private:
  void SetIcon(Control& c, bool transparent) const;
  void ReadPosition();
  void WritePosition();
  // Runs one handler with the failure rule.
  template <typename F>
  void Trap(const char* handler, F body);

  Connect& m_connect;
  platform::Registry& m_reg;
  int m_explorerId;
  bool m_bBuilt = false;
  bool m_bDebugButton = false;
  Control m_zentab;
  std::string m_popupCaption;
  std::vector<Control> m_controls;
  Position m_position;
  std::string m_currentFolder;
  CLang* m_lang = nullptr;
};
