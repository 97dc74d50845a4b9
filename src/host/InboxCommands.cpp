#include "host/InboxCommands.h"

#include <iostream>

#include "groups/mInput.h"
#include "host/AppointmentJson.h"
#include "host/AppointmentOps.h"
#include "host/CommandRun.h"
#include "platform/Text.h"
#include "platform/store/Folder.h"
#include "platform/store/Items.h"
#include "platform/store/Links.h"
#include "platform/store/UserProperties.h"

namespace host {

using platform::Item;

namespace {

std::string Cell(const std::string& text) { return text.empty() ? "-" : mInput::EscapeForTerminal(text); }

std::string ClassName(int cls) {
  switch (cls) {
    case platform::olMail: return "mail";
    case platform::olMeetingRequest: return "meeting-request";
    case platform::olMeetingCancellation: return "meeting-cancellation";
    case platform::olMeetingResponseNegative:
    case platform::olMeetingResponsePositive:
    case platform::olMeetingResponseTentative: return "meeting-response";
    default: return std::to_string(cls);
  }
}

// Runs `body` on the Inbox once the mail waiting has arrived and the add-in
// has handled it.
template <typename F>
int InInbox(const GlobalOptions& g, F body) {
  return WithAddIn(g, [&](Running& r) {
    r.S().PickUpMail();
    r.S().Settle();
    return body(r, r.S().Session().GetDefaultFolder(platform::olFolderInbox));
  });
}

Item FindInInbox(Running& r, const platform::Folder& inbox, const std::string& id) {
  try {
    Item item = r.S().Session().GetItemFromID(id);
    if (item.Parent().IsSame(inbox)) return item;
  } catch (const platform::Error&) {
  }
  Refuse("no item with the entry id \"" + id + "\" in the Inbox");
}

}  // namespace

int InboxList(const GlobalOptions& g) {
  return InInbox(g, [](Running&, const platform::Folder& inbox) {
    for (const Item& item : inbox.Items().All()) {
      std::cout << item.EntryID() << "\t" << ClassName(item.Class()) << "\t" << Cell(item.Subject()) << "\t"
                << Cell(item.SenderEmailAddress()) << "\t" << AppointmentJson::DateTimeText(item.ReceivedTime())
                << "\n";
    }
    return 0;
  });
}

int InboxShow(const GlobalOptions& g, const std::string& id) {
  return InInbox(g, [&](Running& r, const platform::Folder& inbox) {
    Item item = FindInInbox(r, inbox, id);
    std::cout << "class: " << ClassName(item.Class()) << "\n"
              << "subject: " << Cell(item.Subject()) << "\n"
              << "from: " << Cell(item.SenderEmailAddress()) << "\n";
    if (item.Class() != platform::olMail) {
      std::cout << "start: " << AppointmentJson::DateTimeText(item.Start()) << "\n"
                << "end: " << AppointmentJson::DateTimeText(item.End()) << "\n"
                << "location: " << Cell(item.Location()) << "\n";
    }
    platform::UserProperty reminder = item.UserProperties().Find("ReminderTime");
    if (reminder) std::cout << "reminder: " << Cell(reminder.Value()) << "\n";
    platform::Links links = item.Links();
    for (int i = 1; i <= links.Count(); ++i) {
      Item contact = r.S().Session().GetItemFromID(links.Item(i).EntryID);
      std::cout << "contact: " << Cell(contact.FullName()) << " <" << Cell(contact.Email1Address()) << ">\n";
    }
    // The body line by line: its own line breaks are no control text.
    std::cout << "\n";
    for (const std::string& line : platform::Split(item.Body(), "\r\n"))
      std::cout << mInput::EscapeForTerminal(line) << "\n";
    return 0;
  });
}

int InboxAccept(const GlobalOptions& g, const std::string& id) {
  return InInbox(g, [&](Running& r, const platform::Folder& inbox) {
    Item request = FindInInbox(r, inbox, id);
    if (request.Class() != platform::olMeetingRequest) Refuse("the item \"" + id + "\" is no meeting request");
    Item appointment = AcceptMeeting(request);
    std::cout << "accepted " << appointment.EntryID() << "\n";
    return 0;
  });
}

}  // namespace host
