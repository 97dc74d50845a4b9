#pragma once
// Inspectors: the client's item windows. An item's Display opens one (the
// store tells the collection through its window listener) and its Close, or
// the window's own Close, closes it. NewInspector is raised while the
// window opens, before it shows; the window's first Activate follows on the
// next turn of the event loop, once it is on screen. Each window has the
// standard command bar "Standard".
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/EventLoop.h"
#include "platform/client/CommandBars.h"
#include "platform/store/Item.h"
#include "platform/store/MailSession.h"

namespace platform {

class Inspector {
 public:
  using Handler = std::function<void(Inspector&)>;

  Inspector() = default;  // Nothing
  explicit operator bool() const { return state_ != nullptr; }
  bool IsSame(const Inspector& other) const { return state_ == other.state_; }

  int Id() const;
  // The item shown. Throws platform::Error on Nothing (as every call below).
  Item CurrentItem() const;
  CommandBars& GetCommandBars() const;
  bool IsOpen() const;

  // The window comes to the front: Activate is raised (an open window only).
  void Activate();
  // Closes the window through its item (Item::Close with `mode`).
  void Close(OlInspectorClose mode);

  int OnActivate(Handler h);
  int OnClose(Handler h);
  void Unsubscribe(int subscription);

 private:
  friend class Inspectors;
  struct State {
    int id = 0;
    Item item;
    CommandBars bars;
    bool open = true;
    std::map<int, Handler> activate, close;
    int nextSub = 1;
  };
  explicit Inspector(std::shared_ptr<State> s) : state_(std::move(s)) {}
  State& S() const;
  void Raise(std::map<int, Handler> State::*which);
  std::shared_ptr<State> state_;
};

class Inspectors {
 public:
  // Follows the session's item windows; activation is posted to `loop`.
  // Both must outlive the collection.
  Inspectors(MailSession& session, EventLoop& loop);
  ~Inspectors();
  Inspectors(const Inspectors&) = delete;
  Inspectors& operator=(const Inspectors&) = delete;

  int Count() const { return static_cast<int>(open_.size()); }
  // 1-based. Throws platform::Error out of range.
  Inspector Item(int index) const;
  // The window showing that item (by entry id, or the same handle for an
  // unsaved item); Nothing when it is not shown.
  Inspector Find(const platform::Item& item) const;

  int OnNewInspector(Inspector::Handler h);
  void Unsubscribe(int subscription);

 private:
  void Opened(const platform::Item& item);
  void Closed(const platform::Item& item);
  std::vector<std::shared_ptr<Inspector::State>>::iterator Locate(const platform::Item& item);

  MailSession& session_;
  EventLoop& loop_;
  std::vector<std::shared_ptr<Inspector::State>> open_;
  std::map<int, Inspector::Handler> newHandlers_;
  int nextSub_ = 1;
  int nextInspector_ = 1;
};

}  // namespace platform
