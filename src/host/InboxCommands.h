#pragma once
// The host's Inbox commands: the user looking at what arrived and accepting
// a meeting request, as in the mail client's Inbox. Each first picks up the
// mail waiting and lets the add-in handle it, as the running client would
// have done before the user looks.
#include <string>

#include "host/Commands.h"

namespace host {

// One line per Inbox item: entry id, class, subject, sender, received time.
int InboxList(const GlobalOptions& g);
// One item's fields, its linked contacts ("contact: Name <address>") and,
// after an empty line, its body.
int InboxShow(const GlobalOptions& g, const std::string& id);
// Takes a meeting request into the calendar (AcceptMeeting); prints the
// appointment's entry id.
int InboxAccept(const GlobalOptions& g, const std::string& id);

}  // namespace host
