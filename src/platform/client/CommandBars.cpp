#include "platform/client/CommandBars.h"

#include "platform/Error.h"

namespace platform {

CommandBarButton::State& CommandBarButton::S() const {
  if (!state_) throw Error("the command-bar button is Nothing");
  return *state_;
}

std::string CommandBarButton::Caption() const { return S().caption; }
void CommandBarButton::SetCaption(const std::string& v) { S().caption = v; }
std::string CommandBarButton::Tag() const { return S().tag; }
void CommandBarButton::SetTag(const std::string& v) { S().tag = v; }
std::string CommandBarButton::TooltipText() const { return S().tooltip; }
void CommandBarButton::SetTooltipText(const std::string& v) { S().tooltip = v; }
MsoButtonStyle CommandBarButton::Style() const { return S().style; }
void CommandBarButton::SetStyle(MsoButtonStyle v) { S().style = v; }
bool CommandBarButton::Visible() const { return S().visible; }
void CommandBarButton::SetVisible(bool v) { S().visible = v; }

int CommandBarButton::OnClick(ClickHandler h) {
  State& s = S();
  s.handlers[s.nextSub] = std::move(h);
  return s.nextSub++;
}

void CommandBarButton::Unsubscribe(int subscription) { S().handlers.erase(subscription); }

bool CommandBarButton::Execute() {
  State& s = S();
  if (!s.visible) return false;
  auto handlers = s.handlers;  // a handler may unhook the button
  for (auto& [id, h] : handlers)
    if (s.handlers.count(id)) h(*this);
  return true;
}

CommandBarButton CommandBar::AddButton() {
  buttons_.push_back(std::make_shared<CommandBarButton::State>());
  return CommandBarButton(buttons_.back());
}

CommandBarButton CommandBar::FindControl(const std::string& tag) const {
  for (const auto& b : buttons_)
    if (b->tag == tag) return CommandBarButton(b);
  return {};
}

std::vector<CommandBarButton> CommandBar::FindControls(const std::string& prefix) const {
  std::vector<CommandBarButton> out;
  for (const auto& b : buttons_)
    if (b->tag.compare(0, prefix.size(), prefix) == 0) out.push_back(CommandBarButton(b));
  return out;
}

CommandBar* CommandBars::Item(const std::string& name) {
  for (auto& b : bars_)
    if (b->Name() == name) return b.get();
  return nullptr;
}

CommandBar& CommandBars::Add(const std::string& name) {
  bars_.push_back(std::make_unique<CommandBar>(name));
  return *bars_.back();
}

}  // namespace platform
