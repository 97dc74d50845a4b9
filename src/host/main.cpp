// zentabo: the host program. It plays the mail client for one user home:
// creates homes, loads the add-in and runs it, and offers the add-in's
// operations as commands. The command line lives in this one file.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <fstream>
#include <iostream>
#include <unistd.h>

#include "platform/redemption/Library.h"
#include "host/ApptCommands.h"
#include "host/CommandRun.h"
#include "host/InboxCommands.h"
#include "host/Commands.h"
#include "host/HostService.h"
#include "host/HostSession.h"
#include "host/MenuCommands.h"
#include "platform/Error.h"
#include "platform/ProcessMemory.h"
#include "platform/ScriptedPrompt.h"
#include "platform/TerminalPrompt.h"
#include "platform/UnattendedPrompt.h"

#ifndef ZENTABO_DATA_DIR
#define ZENTABO_DATA_DIR "."
#endif

namespace {

// Parses and runs one command line (the arguments after the program's
// name): in this process, or - `attached` set - on the running host the
// line was sent to. A command that opens the profile goes to the host
// running on its home when there is one.
int Execute(const std::vector<std::string>& args, host::AttachedHost* attached) {
  CLI::App app{"zentabo: group calendars shared by e-mail, without a server"};
  app.require_subcommand(1);
  host::GlobalOptions g;
  app.add_option("--home", g.home, "the user home folder");
  app.add_option("--answer", g.answer, "how prompts are answered: yes, no, default or ask")
      ->check(CLI::IsMember({"yes", "no", "default", "ask"}));
  app.add_flag("--no-safeitems", g.noSafeItems, "start as if the safe-item library were not registered");

  // profile init
  auto* profile = app.add_subcommand("profile", "user homes and their profiles");
  profile->require_subcommand(1);
  auto* init = profile->add_subcommand("init", "create a user home with one profile");
  host::InitOptions io;
  std::string initHome, postOffice;
  init->add_option("--home", initHome, "the user home folder")->required();
  init->add_option("--name", io.name, "the user's display name")->required();
  init->add_option("--email", io.email, "the user's e-mail address")->required();
  init->add_option("--postoffice", postOffice, "the post office folder shared by the homes of this machine");
  init->add_option("--client-version", io.clientVersion, "the mail client version the add-in sees");

  auto* run = app.add_subcommand("run", "load the add-in and run the event loop");
  int seconds = -1;
  run->add_option("--seconds", seconds, "stop after this many seconds (default: until SIGINT/SIGTERM)");
  auto* status = app.add_subcommand("status", "show the add-in's state, the user, the version and the options");
  auto* options = app.add_subcommand("options", "read or write options");
  std::string optName, optValue;
  options->add_option("name", optName, "the option");
  options->add_option("value", optValue, "its new value");
  bool optEdit = false;
  options->add_flag("--edit", optEdit, "the options dialog");
  auto* log = app.add_subcommand("log", "print the debug log");
  bool errorsOnly = false;
  log->add_flag("--errors", errorsOnly, "only the error log");
  auto* sync = app.add_subcommand("sync", "start the add-in, exchange with the other members, shut down");
  auto* sendreceive = app.add_subcommand(
      "sendreceive", "start the add-in, run the mail client's send/receive after 6 seconds, shut down");
  auto* localsync = app.add_subcommand("localsync", "compare the calendar with the shared folder and repair them");
  bool fastSync = false;
  std::string fastSince;
  localsync->add_flag("--fast", fastSync, "only the items modified since the last fast pass");
  localsync->add_option("--since", fastSince, "with --fast: the items modified since \"YYYY-MM-DD HH:MM\"");

  auto* group = app.add_subcommand("group", "groups");
  group->require_subcommand(1);
  auto* groupList = group->add_subcommand("list", "list the groups and their members");
  auto* groupCreate = group->add_subcommand("create", "create a group managed by you");
  auto* groupDelete = group->add_subcommand("delete", "leave a group (its manager dissolves it)");
  std::string groupName;
  groupCreate->add_option("name", groupName, "the group's name")->required();
  groupDelete->add_option("name", groupName, "the group's name")->required();

  auto* groupsDialog = app.add_subcommand("groups", "the groups dialog: groups, members and roles, interactively");

  auto* member = app.add_subcommand("member", "members of a group");
  member->require_subcommand(1);
  host::MemberArgs ma;
  auto* memberList = member->add_subcommand("list", "list a group's members");
  memberList->add_option("group", ma.group)->required();
  auto* memberAdd = member->add_subcommand("add", "invite a member");
  memberAdd->add_option("group", ma.group)->required();
  memberAdd->add_option("address", ma.address)->required();
  memberAdd->add_option("--name", ma.name, "display name");
  memberAdd->add_option("--role", ma.role, "member or assistant")->check(CLI::IsMember({"member", "assistant"}));
  memberAdd->add_flag("--no-share", ma.noShare, "the member does not share his calendar");
  auto* memberRemove = member->add_subcommand("remove", "remove a member");
  memberRemove->add_option("group", ma.group)->required();
  memberRemove->add_option("address", ma.address)->required();
  auto* memberRole = member->add_subcommand("role", "change a member's role");
  memberRole->add_option("group", ma.group)->required();
  memberRole->add_option("address", ma.address)->required();
  memberRole->add_option("role", ma.role)->required()->check(CLI::IsMember({"member", "assistant"}));
  auto* memberShare = member->add_subcommand("share", "switch a member's sharing");
  memberShare->add_option("group", ma.group)->required();
  memberShare->add_option("address", ma.address)->required();
  memberShare->add_option("state", ma.share)->required()->check(CLI::IsMember({"on", "off"}));
  auto* memberRename = member->add_subcommand("rename", "change a member's display name");
  memberRename->add_option("group", ma.group)->required();
  memberRename->add_option("address", ma.address)->required();
  memberRename->add_option("name", ma.name)->required();

  auto* memberEdit = member->add_subcommand("edit", "edit your own entry (a form without --name and --sharing)");
  memberEdit->add_option("address", ma.address, "your address")->required();
  memberEdit->add_option("--group", ma.group, "only in this group (default: every group you are in)");
  memberEdit->add_option("--name", ma.name, "your display name in the groups");
  memberEdit->add_option("--sharing", ma.share, "on or off")->check(CLI::IsMember({"on", "off"}));

  auto* memberGroups = member->add_subcommand("groups", "the groups one person is in (a dialog without GROUPS)");
  std::string memberGroupNames;
  memberGroups->add_option("address", ma.address)->required();
  memberGroups->add_option("groups", memberGroupNames, "exactly the groups he is to be in, \"G1;G2\" (\"\" for none)");

  auto* memberNew = member->add_subcommand("new", "add new members from the address book (a wizard without GROUP)");
  memberNew->add_option("group", ma.group, "the group they join");

  std::string file;
  auto* backup = app.add_subcommand("backup", "write the groups to an XML file");
  backup->add_option("file", file)->required();
  auto* restore = app.add_subcommand("restore", "replace the groups by those of an XML file");
  restore->add_option("file", file)->required();

  // The add-in's menu and what it reaches.
  auto* menu = app.add_subcommand("menu", "list the add-in's menu with its enabled states and commands");
  std::string menuClick;
  menu->add_option("--click", menuClick, "click this entry first (its control name, e.g. mcbMenuRefresh)");
  auto* report = app.add_subcommand("report", "make the support report: a draft mail, also written as an .eml file");
  std::string reportOut;
  report->add_option("--out", reportOut, "the .eml file to write (default: a new file in the home's Temp)");
  auto* debugCmd = app.add_subcommand("debug", "the debug settings");
  bool debugEdit = false;
  debugCmd->add_flag("--edit", debugEdit, "the debug settings dialog")->required();
  auto* help = app.add_subcommand("help", "open a help topic (default: the toolbar's)");
  std::string helpTopic;
  help->add_option("topic", helpTopic, "the topic's file name");
  auto* about = app.add_subcommand("about", "the add-in's about box");
  auto* lang = app.add_subcommand("lang", "choose the add-in's language");
  std::string langName;
  lang->add_option("name", langName, "the language's name (default: ask)");
  auto* print = app.add_subcommand("print", "the client's print preview of the shared calendar");

  auto* appt = app.add_subcommand("appt", "appointments, as the user makes them in the calendar");
  appt->require_subcommand(1);
  host::ApptArgs aa;
  // The options of an item that add and change share.
  auto itemOptions = [&aa](CLI::App* cmd) {
    cmd->add_option("--subject", aa.subject, "the subject");
    cmd->add_option("--start", aa.start, "the start, \"YYYY-MM-DD HH:MM\"");
    auto* end = cmd->add_option("--end", aa.end, "the end, \"YYYY-MM-DD HH:MM\"");
    cmd->add_option("--minutes", aa.minutes, "the duration in minutes")->excludes(end);
    cmd->add_flag("--all-day", aa.allDay, "an all-day event");
    cmd->add_flag("--not-all-day", aa.notAllDay, "no all-day event");
    cmd->add_flag("--private", aa.isPrivate, "private: members see only the busy time");
    cmd->add_flag("--public", aa.isPublic, "not private");
    cmd->add_option("--location", aa.location, "the location");
    cmd->add_option("--body", aa.body, "the text");
    cmd->add_option("--categories", aa.categories, "the categories");
    cmd->add_option("--busy", aa.busy, "free, tentative, busy or oof")
        ->check(CLI::IsMember({"free", "tentative", "busy", "oof"}));
    cmd->add_option("--groups", aa.groups, "the groups to share it with, \"G1;G2\"");
    cmd->add_flag("--all-groups", aa.allGroups, "share it with all groups");
    cmd->add_flag("--no-group", aa.noGroup, "share it with no group");
    cmd->add_option("--recur", aa.recur,
                    "daily|weekly|monthly|yearly[:INTERVAL][,count=N|,until=YYYY-MM-DD], or none");
    cmd->add_option("--attach", aa.attach, "a file to attach (repeatable)");
    cmd->add_flag("--meeting", aa.meeting, "a meeting you organise");
    cmd->add_option("--attendee", aa.attendees, "an attendee's address (repeatable, with --meeting)");
    cmd->add_option("--contact", aa.contacts, "link a contact, \"Name <address>\" (repeatable)");
    cmd->add_option("--reminder", aa.reminder, "a reminder this many minutes before the start");
  };
  auto* apptAdd = appt->add_subcommand("add", "add an appointment; prints its entry id");
  itemOptions(apptAdd);
  apptAdd->add_option("--folder", aa.folder, "calendar or shared")->check(CLI::IsMember({"calendar", "shared"}));
  auto* apptChange = appt->add_subcommand("change", "change an appointment (or one occurrence of a series)");
  apptChange->add_option("id", aa.id, "the item's entry id")->required();
  itemOptions(apptChange);
  apptChange->add_option("--occurrence", aa.occurrence, "the day of the occurrence to change, YYYY-MM-DD");
  apptChange->add_flag("--delete", aa.deleteOccurrence, "delete that occurrence");
  auto* apptDelete = appt->add_subcommand("delete", "delete an appointment (into Deleted Items)");
  apptDelete->add_option("id", aa.id, "the item's entry id")->required();
  apptDelete->add_flag("--for-good", aa.forGood, "delete it for good");
  auto* apptList = appt->add_subcommand("list", "list the calendar, or the shared folder");
  apptList->add_flag("--shared", aa.shared, "the shared folder: everyone's items");
  apptList->add_option("--from", aa.from, "from this date (YYYY-MM-DD[ HH:MM])");
  apptList->add_option("--to", aa.to, "up to this date (a bare date counts whole)");
  apptList->add_flag("--json", aa.json, "one JSON array");
  auto* apptGroups = appt->add_subcommand("groups", "the groups an appointment is shared with (a dialog without a choice)");
  apptGroups->add_option("id", aa.id, "the item's entry id")->required();
  apptGroups->add_option("groups", aa.groups, "the groups to share it with, \"G1;G2\"");
  apptGroups->add_flag("--all-groups", aa.allGroups, "share it with all groups");
  apptGroups->add_flag("--no-group", aa.noGroup, "share it with no group");
  auto* apptRecipients = appt->add_subcommand("recipients", "the organizer and attendees of a meeting's copy");
  apptRecipients->add_option("id", aa.id, "the item's entry id")->required();
  auto* apptImport = appt->add_subcommand("import", "add every appointment of a JSON array to the calendar");
  apptImport->add_option("file", aa.file, "the JSON file (as appt list --json writes it)")->required();

  auto* inbox = app.add_subcommand("inbox", "the Inbox: meeting requests and mails received");
  inbox->require_subcommand(1);
  std::string inboxId;
  auto* inboxList = inbox->add_subcommand("list", "id, class, subject, from and received time of each item");
  auto* inboxShow = inbox->add_subcommand("show", "one item: its fields, linked contacts and body");
  inboxShow->add_option("id", inboxId, "the item's entry id")->required();
  auto* inboxAccept = inbox->add_subcommand("accept", "take a meeting request into the calendar");
  inboxAccept->add_option("id", inboxId, "the request's entry id")->required();

  try {
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }

  const bool opensProfile = !*init && !*log && !*run;
  if (attached) {
    if (!opensProfile) {
      std::cerr << "zentabo: this command does not run on a running host\n";
      return 2;
    }
    g.answer = attached->answer;
    g.host = attached;
  } else {
    if (g.answer.empty()) g.answer = isatty(STDIN_FILENO) ? "ask" : "default";
    if (g.noSafeItems) Redemption::SetRegistered(false);
  }

  try {
    if (*init) {
      io.home = initHome;
      io.postOffice = postOffice;
      io.dataDir = ZENTABO_DATA_DIR;
      host::InitHome(io);
      std::cout << "created home " << initHome << " for " << io.email << "\n";
      return 0;
    }
    if (g.home.empty()) {
      std::cerr << "zentabo: --home DIR is required for this command\n";
      return 2;
    }
    if (*log) return host::PrintLog(g, errorsOnly);
    if (*run)
      return host::Run(g, seconds, [](const std::vector<std::string>& line, host::AttachedHost& h) {
        return Execute(line, &h);
      });
    if (opensProfile && !attached) {
      host::GlobalOptions sent = g;
      sent.noSafeItems = g.noSafeItems || !Redemption::IsRegistered();
      if (std::optional<int> rc = host::RunOnRunningHost(sent, args)) return *rc;
    }
    if (*status) return host::Status(g);
    if (*options && optEdit) return host::OptionsEdit(g);
    if (*options) return host::Options(g, optName, optValue, options->count("value") > 0);
    if (*menu) return host::Menu(g, menuClick);
    if (*report) return host::Report(g, reportOut);
    if (*debugCmd) return host::DebugEdit(g);
    if (*help) return host::Help(g, helpTopic);
    if (*about) return host::About(g);
    if (*lang) return host::Lang(g, langName);
    if (*print) return host::PrintPreview(g);
    if (*sync) return host::Sync(g);
    if (*sendreceive) return host::SendReceive(g);
    if (*localsync) return host::LocalSync(g, fastSync, fastSince);
    if (*groupList) return host::GroupList(g);
    if (*groupCreate) return host::GroupCreate(g, groupName);
    if (*groupDelete) return host::GroupDelete(g, groupName);
    if (*memberList) return host::MemberList(g, ma.group);
    if (*memberAdd) return host::MemberAdd(g, ma);
    if (*memberRemove) return host::MemberRemove(g, ma);
    if (*memberRole) return host::MemberRole(g, ma);
    if (*memberShare) return host::MemberShare(g, ma);
    if (*memberRename) return host::MemberRename(g, ma);
    if (*memberEdit) {
      ma.nameGiven = memberEdit->count("--name") > 0;
      return host::MemberEdit(g, ma);
    }
    if (*groupsDialog) return host::GroupsDialog(g);
    if (*memberNew) return host::MemberNew(g, ma.group);
    if (*memberGroups)
      return host::MemberGroups(g, ma.address, memberGroups->count("groups") ? &memberGroupNames : nullptr);
    if (*apptAdd) return host::ApptAdd(g, aa);
    if (*apptChange) return host::ApptChange(g, aa);
    if (*apptDelete) return host::ApptDelete(g, aa);
    if (*apptList) return host::ApptList(g, aa);
    if (*apptImport) return host::ApptImport(g, aa);
    if (*apptGroups) return host::ApptGroups(g, aa);
    if (*apptRecipients) return host::ApptRecipients(g, aa);
    if (*inboxList) return host::InboxList(g);
    if (*inboxShow) return host::InboxShow(g, inboxId);
    if (*inboxAccept) return host::InboxAccept(g, inboxId);
    if (*backup) return host::Backup(g, file);
    if (*restore) return host::Restore(g, file);
  } catch (const std::exception& e) {
    std::cerr << "zentabo: " << e.what() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  platform::KeepFreedMemoryForReuse();
  return Execute(std::vector<std::string>(argv + 1, argv + argc), nullptr);
}
