#include "platform/client/Application.h"

#include <algorithm>

namespace platform {

Explorer Explorers::Open(const std::string& caption) {
  Explorer e{nextExplorer_++, caption};
  open_.push_back(e);
  // Copy: a handler may subscribe or unsubscribe while we iterate.
  auto handlers = openHandlers_;
  for (auto& [id, h] : handlers) h(e);
  return e;
}

void Explorers::Close(int id) {
  auto it = std::find_if(open_.begin(), open_.end(), [id](const Explorer& e) { return e.id == id; });
  if (it == open_.end()) return;
  Explorer e = *it;
  open_.erase(it);
  auto handlers = closeHandlers_;
  for (auto& [sid, h] : handlers) h(e, open_.empty());
}

void Explorers::CloseAll() {
  while (!open_.empty()) Close(open_.front().id);
}

int Explorers::OnOpen(OpenHandler h) {
  openHandlers_[nextSub_] = std::move(h);
  return nextSub_++;
}

int Explorers::OnClose(CloseHandler h) {
  closeHandlers_[nextSub_] = std::move(h);
  return nextSub_++;
}

void Explorers::Unsubscribe(int subscription) {
  openHandlers_.erase(subscription);
  closeHandlers_.erase(subscription);
}

Application::Application(std::string version, MailSession& session, EventLoop& loop, Prompt& prompt,
                         Registry& registry, System& system, MailSender sendMail)
    : version_(std::move(version)),
      session_(session),
      loop_(loop),
      prompt_(&prompt),
      registry_(registry),
      system_(system),
      sendMail_(std::move(sendMail)) {}

void Application::AddMenuCommand(const std::string& caption, std::function<void()> command) {
  menuCommands_[caption] = std::move(command);
}

bool Application::ExecuteMenuCommand(const std::string& caption) {
  auto it = menuCommands_.find(caption);
  if (it == menuCommands_.end() || !it->second) return false;
  // A copy: the command may replace itself.
  auto command = it->second;
  command();
  return true;
}

}  // namespace platform
