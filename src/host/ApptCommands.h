#pragma once
// The host's appointment commands: the user acting in the mail client's
// calendar (or the add-in's shared folder). Each starts the client with the
// add-in loaded, makes its change through the store as the user would, lets
// the add-in handle the item events until the loop is idle, and shuts down.
// With --no-safeitems the add-in is inert and the change is made without it.
#include <optional>
#include <string>
#include <vector>

#include "host/Commands.h"

namespace host {

struct ApptArgs {
  // add and change: what to write on the item (unset: left as it is)
  std::optional<std::string> subject, start, end, location, body, categories, busy, groups, recur;
  std::optional<int> minutes;
  bool allDay = false, notAllDay = false, isPrivate = false, isPublic = false;
  bool allGroups = false, noGroup = false;
  std::vector<std::string> attach;
  bool meeting = false;
  std::vector<std::string> attendees;
  std::vector<std::string> contacts;  // "Name <address>"
  std::optional<int> reminder;
  std::string folder = "calendar";  // calendar or shared
  // change and delete
  std::string id;
  std::optional<std::string> occurrence;
  bool deleteOccurrence = false;
  bool forGood = false;
  // list
  bool shared = false, json = false;
  std::optional<std::string> from, to;
  // import
  std::string file;
};

// Prints the new item's entry id. A meeting with attendees is sent to them
// as a meeting request; so is a change of one (the updated request).
int ApptAdd(const GlobalOptions& g, const ApptArgs& a);
int ApptChange(const GlobalOptions& g, const ApptArgs& a);
int ApptDelete(const GlobalOptions& g, const ApptArgs& a);
int ApptList(const GlobalOptions& g, const ApptArgs& a);
// The item-groups dialog of one item: the choice of the command line, or
// the dialog itself when none is given.
int ApptGroups(const GlobalOptions& g, const ApptArgs& a);
// The recipients dialog of a meeting's copy (read-only); prints them.
int ApptRecipients(const GlobalOptions& g, const ApptArgs& a);
// Adds every appointment of a JSON array (as `appt list --json` writes it)
// to the calendar in one store transaction, with a progress bar.
int ApptImport(const GlobalOptions& g, const ApptArgs& a);

}  // namespace host
