#include "platform/client/Application.h"

#include <random>

#include "platform/Error.h"
#include "platform/Text.h"
#include "platform/store/Items.h"
#include "platform/store/Recipients.h"

namespace platform {

Application::Application(std::string version, MailSession& session, EventLoop& loop, Prompt& prompt,
                         Registry& registry, System& system, MailSender sendMail)
    : version_(std::move(version)),
      session_(session),
      loop_(loop),
      prompt_(&prompt),
      registry_(registry),
      system_(system),
      sendMail_(std::move(sendMail)),
      inspectors_(session, loop) {}

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

Subscription Application::OnItemSend(ItemSendHandler handler) {
  const Subscription id = nextItemSendSub_++;
  itemSendHandlers_.emplace(id, std::move(handler));
  return id;
}

void Application::UnsubscribeItemSend(Subscription id) { itemSendHandlers_.erase(id); }

namespace {

// A fresh global object id: the client's fixed class prefix, then bytes of its own.
Bytes NewGlobalObjectID() {
  Bytes id = {0x04, 0x00, 0x00, 0x00, 0x82, 0x00, 0xE0, 0x00, 0x74, 0xC5, 0xB7, 0x10, 0x1A, 0x82, 0xE0, 0x08};
  id.resize(id.size() + 20, 0);
  for (uint8_t b : {16, 0, 0, 0}) id.push_back(b);
  std::random_device rd;
  for (int i = 0; i < 16; ++i) id.push_back(static_cast<uint8_t>(rd()));
  return id;
}

}  // namespace

bool Application::Send(const Item& item) {
  bool sent = false;
  // One store write for the request, what the ItemSend handlers change and
  // the mail queued for the transport: a kill at any point leaves all of
  // them or none, never a request that sits in the Outbox unsent.
  session_.Batch([&] { sent = SendInOneWrite(item); });
  return sent;
}

bool Application::SendInOneWrite(const Item& item) {
  if (!item) throw Error("Send: no item");
  if (!sendMail_) throw Error("this profile cannot send mail");
  Item outgoing = item;
  if (item.Class() == olAppointment) {
    if (item.MeetingStatus() != olMeeting)
      throw Error("only a meeting you organise can be sent (appointment '" + item.Subject() + "')");
    Item appointment = item;
    Recipients attendees = appointment.Recipients();
    std::vector<std::pair<std::string, std::string>> to;
    for (int i = 1; i <= attendees.Count(); ++i) {
      Recipient r = attendees.Item(i);
      if (r.Type() != olOrganizer && !Trim(r.Address()).empty())
        to.emplace_back(r.Address(), r.Name() == r.Address() ? "" : r.Name());
    }
    if (to.empty()) throw Error("the meeting '" + item.Subject() + "' has no attendees to send it to");
    if (appointment.GlobalObjectID().empty()) appointment.SetGlobalObjectID(NewGlobalObjectID());
    if (appointment.GetText("Organizer").empty()) appointment.Set("Organizer", session_.CurrentUserName());
    if (!appointment.Saved() || appointment.EntryID().empty()) appointment.Save();
    outgoing = session_.GetDefaultFolder(olFolderOutbox).Items().AddOfClass(olMeetingRequest);
    for (const char* name : {"Subject", "Body", "Start", "End", "AllDayEvent", "Location", "Categories",
                             "Sensitivity", "Importance", "BusyStatus", "ReminderSet", "ReminderMinutesBeforeStart",
                             "GlobalObjectID", "Organizer"})
      outgoing.Set(name, appointment.Get(name));
    for (const auto& [address, name] : to) outgoing.Recipients().Add(address, name, olTo);
    outgoing.Save();
  } else if (item.Class() != olMail) {
    throw Error("only mails and meetings can be sent (item '" + item.Subject() + "')");
  }
  bool cancel = false;
  // A handler may unsubscribe while the event runs: walk a snapshot.
  std::vector<ItemSendHandler> handlers;
  for (const auto& [id, h] : itemSendHandlers_) handlers.push_back(h);
  for (const ItemSendHandler& h : handlers) h(outgoing, cancel);
  if (cancel) {
    if (!outgoing.IsSame(item)) {
      outgoing.Delete();  // into Deleted Items,
      outgoing.Delete();  // and out of the store
    }
    return false;
  }
  sendMail_(outgoing);
  return true;
}

}  // namespace platform
