#include "platform/client/Inspectors.h"

#include <algorithm>

#include "platform/Error.h"

namespace platform {

Inspector::State& Inspector::S() const {
  if (!state_) throw Error("the inspector is Nothing");
  return *state_;
}

int Inspector::Id() const { return S().id; }
Item Inspector::CurrentItem() const { return S().item; }
CommandBars& Inspector::GetCommandBars() const { return S().bars; }
bool Inspector::IsOpen() const { return S().open; }

void Inspector::Raise(std::map<int, Handler> State::*which) {
  State& s = S();
  auto handlers = s.*which;  // a handler may unhook itself
  for (auto& [id, h] : handlers)
    if ((s.*which).count(id)) h(*this);
}

void Inspector::Activate() {
  if (S().open) Raise(&State::activate);
}

void Inspector::Close(OlInspectorClose mode) {
  if (!S().open) return;
  Item item = S().item;
  item.Close(mode);
}

int Inspector::OnActivate(Handler h) {
  State& s = S();
  s.activate[s.nextSub] = std::move(h);
  return s.nextSub++;
}

int Inspector::OnClose(Handler h) {
  State& s = S();
  s.close[s.nextSub] = std::move(h);
  return s.nextSub++;
}

void Inspector::Unsubscribe(int subscription) {
  S().activate.erase(subscription);
  S().close.erase(subscription);
}

Inspectors::Inspectors(MailSession& session, EventLoop& loop) : session_(session), loop_(loop) {
  session_.SetWindowListener([this](const platform::Item& item, bool opened) {
    if (opened)
      Opened(item);
    else
      Closed(item);
  });
}

Inspectors::~Inspectors() { session_.SetWindowListener({}); }

Inspector Inspectors::Item(int index) const {
  if (index < 1 || index > Count()) throw Error("no inspector " + std::to_string(index));
  return Inspector(open_[index - 1]);
}

std::vector<std::shared_ptr<Inspector::State>>::iterator Inspectors::Locate(const platform::Item& item) {
  auto same = std::find_if(open_.begin(), open_.end(),
                           [&](const auto& s) { return s->item.State() == item.State(); });
  if (same != open_.end()) return same;
  const std::string id = item.EntryID();
  if (id.empty()) return open_.end();
  return std::find_if(open_.begin(), open_.end(), [&](const auto& s) { return s->item.EntryID() == id; });
}

Inspector Inspectors::Find(const platform::Item& item) const {
  auto it = const_cast<Inspectors*>(this)->Locate(item);
  return it == open_.end() ? Inspector() : Inspector(*it);
}

void Inspectors::Opened(const platform::Item& item) {
  auto s = std::make_shared<Inspector::State>();
  s->id = nextInspector_++;
  s->item = item;
  s->bars.Add("Standard");
  open_.push_back(s);
  Inspector inspector(s);
  auto handlers = newHandlers_;
  for (auto& [id, h] : handlers)
    if (newHandlers_.count(id)) h(inspector);
  std::weak_ptr<Inspector::State> weak = s;
  loop_.Post([weak] {
    if (auto st = weak.lock()) Inspector(st).Activate();
  });
}

void Inspectors::Closed(const platform::Item& item) {
  auto it = Locate(item);
  if (it == open_.end()) return;
  std::shared_ptr<Inspector::State> s = *it;
  open_.erase(it);
  s->open = false;
  Inspector inspector(s);
  auto handlers = s->close;
  for (auto& [id, h] : handlers)
    if (s->close.count(id)) h(inspector);
}

int Inspectors::OnNewInspector(Inspector::Handler h) {
  newHandlers_[nextSub_] = std::move(h);
  return nextSub_++;
}

void Inspectors::Unsubscribe(int subscription) { newHandlers_.erase(subscription); }

}  // namespace platform
