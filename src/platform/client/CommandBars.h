#pragma once
// CommandBars: the toolbars of a client window, as far as an add-in uses
// them: named bars holding buttons with a caption, a tag, a tooltip, a
// style and a visible flag, whose Click is raised when the user presses
// them (Execute). Handles are shared: every handle of a button sees the
// same button.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Button styles of the client's command bars.
enum MsoButtonStyle : int { msoButtonAutomatic = 0, msoButtonIcon = 1, msoButtonCaption = 2, msoButtonIconAndCaption = 3 };

class CommandBarButton {
 public:
  using ClickHandler = std::function<void(CommandBarButton&)>;

  CommandBarButton() = default;  // Nothing
  explicit operator bool() const { return state_ != nullptr; }
  bool IsSame(const CommandBarButton& other) const { return state_ == other.state_; }

  // The properties; reading or setting them on Nothing throws platform::Error.
  std::string Caption() const;
  void SetCaption(const std::string& v);
  std::string Tag() const;
  void SetTag(const std::string& v);
  std::string TooltipText() const;
  void SetTooltipText(const std::string& v);
  MsoButtonStyle Style() const;
  void SetStyle(MsoButtonStyle v);
  bool Visible() const;
  void SetVisible(bool v);

  // Click handlers; a subscription ends with Unsubscribe (an add-in that
  // lets its button go unhooks it, the button itself stays on the bar).
  int OnClick(ClickHandler h);
  void Unsubscribe(int subscription);
  // The user presses the button: Click is raised for a visible button;
  // a hidden one cannot be pressed (returns false).
  bool Execute();

 private:
  friend class CommandBar;
  struct State {
    std::string caption, tag, tooltip;
    MsoButtonStyle style = msoButtonAutomatic;
    bool visible = true;
    std::map<int, ClickHandler> handlers;
    int nextSub = 1;
  };
  explicit CommandBarButton(std::shared_ptr<State> s) : state_(std::move(s)) {}
  State& S() const;
  std::shared_ptr<State> state_;
};

class CommandBar {
 public:
  const std::string& Name() const { return name_; }
  // A new button at the end of the bar.
  CommandBarButton AddButton();
  // The first button with that tag (exact); Nothing when none.
  CommandBarButton FindControl(const std::string& tag) const;
  // Every button whose tag begins with `prefix`, in bar order.
  std::vector<CommandBarButton> FindControls(const std::string& prefix) const;
  int Count() const { return static_cast<int>(buttons_.size()); }

  explicit CommandBar(std::string name) : name_(std::move(name)) {}

 private:
  std::string name_;
  std::vector<std::shared_ptr<CommandBarButton::State>> buttons_;
};

class CommandBars {
 public:
  // The bar of that name; nullptr when the window has none.
  CommandBar* Item(const std::string& name);
  // Adds an empty bar (the client makes a window's standard bars itself).
  CommandBar& Add(const std::string& name);

 private:
  std::vector<std::unique_ptr<CommandBar>> bars_;
};

}  // namespace platform
