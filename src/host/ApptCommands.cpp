#include "host/ApptCommands.h"

#include <filesystem>
#include <iostream>
#include <map>

#include "addin/mFolders.h"
#include "dialogs/frmRecipients.h"
#include "dialogs/frmSetGroups.h"
#include "groups/CGroups.h"
#include "groups/mInput.h"
#include "host/AppointmentJson.h"
#include "host/AppointmentOps.h"
#include "host/CommandRun.h"
#include "platform/FileUtil.h"
#include "platform/Progress.h"
#include "platform/Text.h"
#include "platform/store/Folders.h"
#include "platform/store/Items.h"
#include "platform/store/Recipients.h"
#include "platform/store/UserProperties.h"
#include "sync/mAppointments.h"

namespace fs = std::filesystem;

namespace host {

using platform::Date;
using platform::Folder;
using platform::Item;

namespace {

constexpr const char* kOwnerProperty = "VestrandOwnerAddress";
constexpr const char* kGroupsProperty = "VestrandGroups";

// The user at the client for one appointment command: the add-in running,
// or inert when --no-safeitems asked for it.
class User {
 public:
  User(Running& r, bool addIn) : m_r(r), m_addIn(addIn) {}
  Running& R() { return m_r; }
  bool AddIn() const { return m_addIn; }
  platform::MailSession& Session() { return m_r.S().Session(); }
  std::string Me() { return m_addIn ? m_r.C().GetCurrentUserAddress() : Session().CurrentUserAddress(); }
  Folder Calendar() { return Session().GetDefaultFolder(platform::olFolderCalendar); }
  Folder Shared() {
    Folder f = m_addIn ? m_r.C().g_fldZentab() : Calendar().Folders().Find(mFolders::kZentabFolderName);
    if (!f) Refuse("there is no shared folder yet (the add-in makes it at its first start)");
    return f;
  }
  Folder Named(const std::string& folder) { return folder == "shared" ? Shared() : Calendar(); }
  Item Find(const std::string& entryId) {
    try {
      Item item = Session().GetItemFromID(entryId);
      if (item.Class() == platform::olAppointment) return item;
    } catch (const platform::Error&) {
    }
    Refuse("no appointment with the entry id \"" + entryId + "\"");
  }

 private:
  Running& m_r;
  bool m_addIn;
};

// Runs `body(User&)` as the user; refusals are printed, then the add-in
// handles what the body changed until the loop is idle.
template <typename F>
int AsUser(const GlobalOptions& g, F body) {
  Running r(g);
  const bool addIn = r.C().GetState() == Connect::State::Running;
  if (!addIn && !(g.noSafeItems && r.C().GetState() == Connect::State::Inert)) {
    r.Ready();
    return 1;
  }
  User user(r, addIn);
  int rc = 0;
  try {
    rc = body(user);
  } catch (const platform::Error& e) {
    std::cerr << "zentabo: " << e.what() << "\n";
    rc = 1;
  }
  r.S().Settle();
  return rc;
}

std::string OwnerOf(const Item& item, const std::string& me) {
  platform::UserProperty p = item.UserProperties().Find(kOwnerProperty);
  return p && !p.Value().empty() ? platform::Lower(p.Value()) : platform::Lower(me);
}

// Makes the choice of the command line in a loaded item-groups dialog and
// presses OK: "(Null Group)", "(All Groups)" or ";"-separated names among
// the owner's groups (any case). Returns the refusal, "" when confirmed.
std::string ChooseGroups(Connect& c, frmSetGroups& form, const std::string& owner, const std::string& choice) {
  if (!form.ChoicesEnabled()) return "the groups of " + owner + "'s appointment are his to set";
  if (choice == "(Null Group)") {
    form.SetChoice(frmSetGroups::Choice::Null);
  } else if (choice == "(All Groups)") {
    form.SetChoice(frmSetGroups::Choice::All);
  } else {
    std::string unknown;
    if (!form.CheckNames(choice, &unknown)) return "you are in no group named \"" + unknown + "\"";
  }
  if (!form.btnOK_Click(nullptr)) return c.Text("LID_NO_RIGHTS_EDIT_APPOINTMENT");
  return "";
}

// The group list the item-groups dialog stores for the choice on an item
// of `owner`; refused as the dialog refuses.
std::string DialogGroups(User& u, const std::string& owner, const std::string& choice) {
  if (!u.AddIn())
    Refuse("the groups of an item are set in the add-in's dialog, which --no-safeitems leaves out");
  Connect& c = u.R().C();
  frmSetGroups::Values values;
  values.owner = owner;
  values.bEditable = owner == platform::Lower(u.Me());
  frmSetGroups form(*c.Groups(), c.Lang(), values,
                    [&c](const std::string& o, const std::string& g) { return c.CheckRights(o, g); });
  form.Form_Load();
  const std::string refusal = ChooseGroups(c, form, owner, choice);
  if (!refusal.empty()) Refuse(refusal);
  return form.Out().groups;
}

// The edit the command line asks for; `owner` is the item's owner (for the
// groups dialog's rules).
AppointmentEdit EditOf(User& u, const ApptArgs& a, const std::string& owner) {
  AppointmentEdit e;
  e.subject = a.subject;
  e.location = a.location;
  e.body = a.body;
  e.categories = a.categories;
  if (a.start) e.start = AppointmentJson::ParseDateTime(*a.start);
  if (a.end) e.end = AppointmentJson::ParseDateTime(*a.end);
  if (a.minutes) {
    if (*a.minutes < 0) Refuse("--minutes must not be negative");
    e.minutes = *a.minutes;
  }
  if (a.allDay || a.notAllDay) e.allDay = a.allDay;
  if (a.isPrivate || a.isPublic) e.isPrivate = a.isPrivate;
  if (a.busy) e.busy = *a.busy;
  const int groupChoices = (a.groups ? 1 : 0) + (a.allGroups ? 1 : 0) + (a.noGroup ? 1 : 0);
  if (groupChoices > 1) Refuse("give one of --groups, --all-groups and --no-group");
  if (groupChoices == 1)
    e.groups = DialogGroups(u, owner, a.groups ? *a.groups : a.allGroups ? "(All Groups)" : "(Null Group)");
  if (a.recur) {
    if (*a.recur == "none")
      e.clearRecurrence = true;
    else
      e.recurrence = ParseRecurrence(*a.recur);
  }
  for (const std::string& f : a.attach)
    if (!fs::is_regular_file(f)) Refuse("cannot attach \"" + f + "\": no such file");
  e.attachFiles = a.attach;
  if (!a.attendees.empty() && !a.meeting) Refuse("--attendee needs --meeting");
  e.meeting = a.meeting;
  e.attendees = a.attendees;
  e.reminder = a.reminder;
  return e;
}

void LinkContacts(User& u, Item& item, const std::vector<std::string>& contacts) {
  std::vector<ContactRef> refs;
  for (const std::string& c : contacts) refs.push_back(ParseContact(c));
  for (const ContactRef& c : refs) LinkContact(u.Session(), item, c);
}

// A meeting the user organises goes to its attendees as the client sends it
// (the add-in's send hook writes its contacts and reminder into the request).
void SendMeeting(User& u, const Item& item) {
  if (item.MeetingStatus() != platform::olMeeting || item.Recipients().Count() == 0) return;
  if (u.R().S().App().Send(item)) std::cout << "sent the meeting request to " << item.GetText("RequiredAttendees") << "\n";
}

// After a change of another member's item: the add-in sends it only where
// the user's rights in the item's groups allow; otherwise it stays here.
int ReportForeignChange(User& u, const std::string& owner, const std::string& groups, const std::string& what) {
  if (!u.AddIn() || owner == platform::Lower(u.Me()) || u.R().C().CheckRights(owner, groups)) return 0;
  std::cerr << "zentabo: your " << what << " of " << mInput::EscapeForTerminal(owner)
            << "'s appointment is not sent: your rights in its groups do not allow it\n";
  return 1;
}

std::string Cell(const std::string& text) { return text.empty() ? "-" : mInput::EscapeForTerminal(text); }

void PrintLine(const AppointmentRecord& r) {
  std::cout << AppointmentJson::DateTimeText(r.start) << "\t" << AppointmentJson::DateTimeText(r.end) << "\t"
            << Cell(r.subject) << "\t" << Cell(r.owner) << "\t" << Cell(r.groups) << "\t"
            << (r.is_private ? "private " : "") << (r.all_day ? "all-day " : "")
            << (r.recurrence ? "series " : "") << (r.meeting_status ? "meeting " : "")
            << (!r.sham_meeting.empty() && r.sham_meeting != "0" ? "sham " : "")
            << (r.attachments.empty() ? "" : std::to_string(r.attachments.size()) + "-attachments ") << "\t" << r.id
            << "\n";
}

}  // namespace

int ApptAdd(const GlobalOptions& g, const ApptArgs& a) {
  return AsUser(g, [&](User& u) {
    if (!a.start) Refuse("--start is required");
    if (!a.end && !a.minutes && !a.allDay) Refuse("give --end, --minutes or --all-day");
    const AppointmentEdit e = EditOf(u, a, platform::Lower(u.Me()));
    Item item = u.Named(a.folder).Items().Add(platform::olAppointmentItem);
    if (!e.subject) item.SetSubject("");
    ApplyEdit(item, e, u.Me());
    LinkContacts(u, item, a.contacts);
    item.Save();
    std::cout << item.EntryID() << "\n";
    SendMeeting(u, item);
    return 0;
  });
}

int ApptChange(const GlobalOptions& g, const ApptArgs& a) {
  return AsUser(g, [&](User& u) {
    Item item = u.Find(a.id);
    // A deleted item is no longer the user's appointment: a change to it
    // would reach nobody and could not be seen in the calendar.
    if (item.Parent().IsSame(u.Session().GetDefaultFolder(platform::olFolderDeletedItems)))
      Refuse("the appointment \"" + a.id + "\" is in Deleted Items; it cannot be changed there");
    const std::string owner = OwnerOf(item, u.Me());
    if (a.occurrence) {
      Item occ;
      try {
        occ = item.GetOccurrence(AppointmentJson::ParseDateTime(*a.occurrence));
      } catch (const platform::Error& e) {
        Refuse("no occurrence on " + *a.occurrence + ": " + e.what());
      }
      if (a.deleteOccurrence) {
        occ.Delete();
      } else {
        const AppointmentEdit e = EditOf(u, a, owner);
        if (e.groups || e.recurrence || e.clearRecurrence || e.meeting)
          Refuse("an occurrence takes its groups, recurrence and meeting from its series");
        ApplyEdit(occ, e, u.Me());
        occ.Save();
      }
    } else {
      if (a.deleteOccurrence) Refuse("--delete needs --occurrence (to delete the item: appt delete)");
      ApplyEdit(item, EditOf(u, a, owner), u.Me());
      LinkContacts(u, item, a.contacts);
      item.Save();
      SendMeeting(u, item);
    }
    const std::string groups = item.UserProperties().Find(kGroupsProperty)
                                   ? item.UserProperties().Find(kGroupsProperty).Value()
                                   : "";
    std::cout << "changed " << item.EntryID() << "\n";
    return ReportForeignChange(u, owner, groups, "change");
  });
}

int ApptDelete(const GlobalOptions& g, const ApptArgs& a) {
  return AsUser(g, [&](User& u) {
    Item item = u.Find(a.id);
    const std::string owner = OwnerOf(item, u.Me());
    platform::UserProperty gp = item.UserProperties().Find(kGroupsProperty);
    const std::string groups = gp ? gp.Value() : "";
    const std::string id = item.EntryID();
    item.Delete();  // into Deleted Items
    if (a.forGood) item.Delete();
    std::cout << "deleted " << id << "\n";
    return ReportForeignChange(u, owner, groups, "deletion");
  });
}

int ApptList(const GlobalOptions& g, const ApptArgs& a) {
  return AsUser(g, [&](User& u) {
    std::optional<Date> from, to;
    if (a.from) from = AppointmentJson::ParseDateTime(*a.from);
    if (a.to) {
      to = AppointmentJson::ParseDateTime(*a.to);
      if (a.to->size() == 10) to = to->Add("d", 1);  // a bare date counts whole
    }
    std::vector<AppointmentRecord> records;
    const std::string me = u.Me();
    for (const Item& item : ListAppointments(a.shared ? u.Shared() : u.Calendar(), from, to))
      records.push_back(ReadRecord(item, me));
    if (a.json) {
      std::cout << AppointmentJson::Write(records);
    } else {
      for (const AppointmentRecord& r : records) PrintLine(r);
    }
    return 0;
  });
}

int ApptImport(const GlobalOptions& g, const ApptArgs& a) {
  return AsUser(g, [&](User& u) {
    if (!fs::is_regular_file(a.file)) Refuse("no file " + a.file);
    std::vector<AppointmentRecord> records;
    try {
      records = AppointmentJson::Read(platform::FileUtil::ReadFile(a.file));
    } catch (const platform::Error& e) {
      Refuse(a.file + ": " + e.what());
    }
    // Every group list once through the dialog's rules, before anything is added.
    const std::string me = platform::Lower(u.Me());
    std::map<std::string, std::string> dialog;
    for (const AppointmentRecord& r : records) {
      if (r.groups.empty() || dialog.count(r.groups)) continue;
      try {
        dialog[r.groups] = DialogGroups(u, me, r.groups);
      } catch (const platform::Error& e) {
        Refuse(a.file + ": groups \"" + r.groups + "\": " + e.what());
      }
    }
    Folder calendar = u.Calendar();
    std::unique_ptr<platform::Progress> progress =
        u.R().S().App().UserPrompt().ShowProgress("Importing " + std::to_string(records.size()) + " appointments");
    progress->SetText("Adding them to the calendar");
    const size_t n = records.size();
    int shown = -1;
    // One transaction for the whole file: all of it or, on a failure or a
    // cancel, nothing.
    u.Session().Batch([&] {
      for (size_t i = 0; i < n; ++i) {
        AppointmentEdit e = EditOf(records[i]);
        if (e.groups) e.groups = dialog[*e.groups];
        Item item = calendar.Items().Add(platform::olAppointmentItem);
        try {
          ApplyEdit(item, e, me);
          item.Save();
          ApplyExceptions(item, records[i].exceptions);
        } catch (const platform::Error& err) {
          Refuse(a.file + ": object " + std::to_string(i + 1) + ": " + err.what() + "; nothing imported");
        }
        const int percent = static_cast<int>((i + 1) * 50 / n);
        if (percent != shown) {
          shown = percent;
          progress->SetPercent(percent);
          if (progress->Cancelled()) Refuse("import cancelled; nothing imported");
        }
      }
    });
    progress->SetText("Sharing them with your groups");
    u.R().S().Settle();
    progress->SetPercent(100);
    progress.reset();
    std::cout << "imported " << n << " appointments\n";
    return 0;
  });
}

int ApptGroups(const GlobalOptions& g, const ApptArgs& a) {
  return AsUser(g, [&](User& u) {
    if (!u.AddIn())
      Refuse("the groups of an item are set in the add-in's dialog, which --no-safeitems leaves out");
    const int choices = (a.groups ? 1 : 0) + (a.allGroups ? 1 : 0) + (a.noGroup ? 1 : 0);
    if (choices > 1) Refuse("give one of GROUPS, --all-groups and --no-group");
    Item item = u.Find(a.id);
    Connect& c = u.R().C();
    platform::Prompt& prompt = u.R().S().App().UserPrompt();
    std::string refusal;
    SetGroupsDriver drive = [&](frmSetGroups& form) { return form.ShowModal(prompt); };
    if (choices == 1) {
      const std::string choice = a.groups ? *a.groups : a.allGroups ? "(All Groups)" : "(Null Group)";
      drive = [&, choice](frmSetGroups& form) {
        refusal = ChooseGroups(c, form, OwnerOf(item, u.Me()), choice);
        return refusal.empty();
      };
    }
    const InitGroupsResult result =
        InitGroups(item, *c.Groups(), c.Lang(), u.R().S().Reg(), c.StoreId(), false, drive,
                   [&c](const std::string& o, const std::string& gr) { return c.CheckRights(o, gr); });
    if (!refusal.empty()) Refuse(refusal);
    if (!result.bConfirmed) {
      std::cout << "the groups of " << item.EntryID() << " are unchanged\n";
      return 0;
    }
    item.Save();
    std::cout << "groups of " << item.EntryID() << ": " << mInput::EscapeForTerminal(result.groups) << "\n";
    return 0;
  });
}

int ApptRecipients(const GlobalOptions& g, const ApptArgs& a) {
  return AsUser(g, [&](User& u) {
    if (!u.AddIn()) Refuse("the recipients of a meeting's copy are shown by the add-in, which --no-safeitems leaves out");
    Item item = u.Find(a.id);
    platform::UserProperty sham = item.UserProperties().Find(mAppointments::kShamMeeting);
    if (!sham || sham.Value().empty() || sham.Value() == "0")
      Refuse("the appointment \"" + a.id + "\" is no copy of a meeting; it has no recipients to show");
    Connect& c = u.R().C();
    frmRecipients form(c.Lang(), frmAddressBook::KnownPeople(&u.Session(), c.Groups()),
                       mAppointments::GetRecipients(item), true);
    form.Form_Load();
    form.ShowModal(u.R().S().App().UserPrompt());
    std::cout << "organizer: " << Cell(form.txtOrganizer()) << "\n";
    for (const std::string& attendee : form.Attendees()) std::cout << "attendee: " << Cell(attendee) << "\n";
    return 0;
  });
}

}  // namespace host
