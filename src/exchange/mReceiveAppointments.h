#pragma once
// mReceiveAppointments: the receiving side of the appointment exchange. The
// appointment mails found in the Inbox are read one by one: the envelope is
// checked (version window, sender, attachments), the document and the zip of
// the items' attachments are extracted, and every item of the document is
// applied to the shared folder - a change never edits a copy in place: the
// old copy goes and a new one is made from the document. An item of the
// user's own, edited by a member who may, is applied to the user's calendar
// too and sent on to the others. Each mail is applied and deleted in one
// store transaction, so a run killed halfway leaves the mail to be read
// again and nothing half applied.
//
// The per-item reader sets the appointment properties of the document's
// current item on a store item, its attachments taken from the items' zip,
// a series' recurrence rebuilt and its exceptions applied.
//
// Everything works on the installed sync context (g_Sync()); every
// operation traps its failures and logs them with its source.
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "exchange/mAppointmentXml.h"
#include "platform/store/Folder.h"
#include "platform/store/Item.h"

class CGroups;
class CXmlAppointments;

namespace platform {
class System;
}  // namespace platform

namespace mReceiveAppointments {

// What the reader needs from the running add-in. The pointers must outlive
// the call.
struct ReadEnv {
  int nBias = 0;                    // time-zone bias in minutes (universal = local + bias)
  bool bIgnoreMsgAttaches = false;  // leave out by-value ".msg" attachments
  const platform::System* pSystem = nullptr;  // scratch folders for extracted files
  // Saves an item the reader filled (the add-in's guarded save, so that its
  // own writes are not taken for the user's); a plain Save when empty.
  // Throws on failure.
  std::function<void(platform::Item&)> SaveItem;
};

// Sets the properties of the document's current item on `item` in the
// reader's fixed order, the subject behind `subjectPrefix`; dates are shifted
// back by the bias unless the item is all-day. Attachments come from the zip
// at attachesZip by their identifiers. Attendee lists, "MeetingStatus",
// "InternetCodepage", "MarkForDownload" and "NetMeetingOrganizerAlias" are
// not applied. Then saves the item and applies the series' exceptions (a
// deleted one removes its occurrence, a changed one is filled from its
// nested item by the same rules, its attachments in place of the copies of
// the series' ones, and saved). A property, attachment or
// exception that cannot be applied is logged and skipped. Returns false
// when the item is Nothing or cannot be saved ("Unable to save item").
// The state of one run over the appointment mails and of the mail being read.
struct ReceiveRun {
  bool bUnsupportedVersion = false;  // a mail of an unsupported version range was left in the Inbox
  bool bChanged = false;             // a copy in the shared folder was made or deleted
  // The mail being read: its header lines and its "SenderAddress".
  std::vector<std::string> lines;
  std::string strSender;
  // The current user's address and the virtual members he owns, lower case.
  std::vector<std::string> colVirtualMembers;
  // Owner prefixes built for the mail's copies, by owner address: a mail
  // names few owners, and each prefix walks the groups.
  std::unordered_map<std::string, std::string> ownerPrefixes;
};

// Reads the appointment mails (FindMagicMails' collection), in order: each
// is applied and then marked read and deleted, unless it comes from an
// unsupported version range (it stays unread in the Inbox). One mail's
// failure does not stop the others. Afterwards the shared folder's copies
// are brought in line with the groups and, when a copy changed, the event
// "Appointments" is raised. False when there were no mails.
bool ReceiveAppointments(std::vector<platform::Item>& mails);

// One mail between its traces (sender, times, the folders' item counts).
// processed comes in true and is set false when the mail is to stay.
void ReciveMail1(ReceiveRun& run, platform::Item& mail, bool& processed);
// Checks the envelope and applies the document: every refusal is logged
// with its text and changes nothing (the mail is still deleted, except one
// from an unsupported version range).
void ReciveMail(ReceiveRun& run, platform::Item& mail, bool& processed);

// An incremental document: "added", then "changed", then "removed", each in
// document order, with the progress window when the option asks for it.
void ReceiveItems(ReceiveRun& run, CXmlAppointments& xml, const std::string& attachesZip);
// A full list of the sender's items ("Request" or "Respond", with a
// "SynchTime"): every item applied as changed, then the copies of the
// sender's (and his virtual members') items that the list does not name
// are deleted.
void ReceiveAllItems(ReceiveRun& run, CXmlAppointments& xml, const std::string& action,
                     const std::string& attachesZip);
// Applies the document's current item as `section` ("Added", "Changed",
// "Removed"): an owner who is no member, a sync mode of -1 or a sender who
// may not edit the user's item makes it ignored (logged); otherwise the old
// copy (and the calendar item it is twinned with) is deleted and, unless
// removed, a new copy made; a pending local change of the item is dropped.
void ReceiveItem(ReceiveRun& run, CXmlAppointments& xml, const std::string& section,
                 const std::string& attachesZip);

// -1 ignore the item, 0 another member's item, 1 the current user's item.
// recips: a sham meeting's recipients, ";"-separated. Warnings are logged
// for a sham meeting whose owner is not among its recipients.
int GetSyncMode(const std::string& sender, const std::string& me, const std::string& owner,
                const std::string& sham, const std::string& recips);

// Whether `sender` may change the user's item shared with itemGroups: any
// member for no groups or "(All Groups)", nobody for "(Null Group)", else
// a member of one of the named groups. A refusal is logged.
bool SenderCanEditMyItem(const CGroups& groups, const std::string& sender, const std::string& itemGroups);

// The appointment of `folder` whose "VestrandItemID" is itemID, found by the
// safe-item table through the user-property index; Nothing when there is
// none (or on failure, logged).
platform::Item FindItem(const platform::Folder& folder, const std::string& itemID);
// Every appointment of `folder` whose owner is `owner` (letter case ignored).
std::vector<platform::Item> FindItems(const platform::Folder& folder, const std::string& owner);

// A new copy in the shared folder filled from the document's current item
// (its "Vestrand" properties from `header`, the item's header as the caller
// read it), its subject behind the owner prefix unless the owner is the
// current user; saved. `beforeSave`, when given, finishes the filled copy
// just before its first save; `prefixes`, when given, keeps the prefixes
// built by owner. Nothing when it cannot be made (logged).
platform::Item ProcessAppointment(CXmlAppointments& xml, const mAppointmentXml::ItemHeader& header,
                                  const std::string& attachesZip,
                                  const std::function<void(platform::Item&)>& beforeSave = {},
                                  std::unordered_map<std::string, std::string>* prefixes = nullptr);

bool ProcessAppointment1(CXmlAppointments& xml, const std::string& subjectPrefix, platform::Item& item,
                         const std::string& attachesZip, const ReadEnv& env);

}  // namespace mReceiveAppointments
