#pragma once
// mSendAppointments: the sending side of the appointment exchange. The
// pending changes of the user's own items are not sent one by one: all of
// them go into one appointment document, the attachments of the changed
// items into one zip, and both leave as a single appointment mail to every
// receiver at once. The per-item writer puts one appointment item of the
// store into the document with every property in the format's order and
// encoding, private items blanked, attachments listed (their files packed
// into the items' zip under fresh identifiers), and a series master's
// recurrence with its exceptions nested as items of their own.
#include <functional>
#include <set>
#include <string>

#include "platform/store/Item.h"

class CAppointment;
class CAppointmentsCollection;
class CXmlAppointments;
struct CSyncContext;

namespace platform {
class System;
}  // namespace platform

namespace mSendAppointments {

// What the writer needs from the running add-in. The pointers must outlive
// the call.
struct WriteEnv {
  // The mail client's major version: "9" and "10" write the two
  // version-bound elements, any other version leaves them out.
  std::string strOutlookMajor;
  int nBias = 0;                    // time-zone bias in minutes (universal = local + bias)
  bool bIgnoreMsgAttaches = false;  // leave out by-value ".msg" attachments
  const platform::System* pSystem = nullptr;  // scratch folders for attachment files
  // A fresh 23-character key for each attachment sent.
  std::function<std::string()> NewAttachmentID;
};

// The attachment identifiers of one outgoing zip: fresh keys (NewKey),
// never one twice, since a key repeated within one second would let one
// attachment's file replace another's in the zip.
class AttachmentIDs {
 public:
  std::string Next();

 private:
  std::set<std::string> m_used;
};

// The writer's environment in the running add-in (the installed context's
// client version and bias, the option on message attachments), taking its
// attachment identifiers from `ids`, which must outlive it.
WriteEnv SyncWriteEnv(const CSyncContext& ctx, AttachmentIDs& ids);

// Sends every pending change of the installed context as one appointment
// mail and empties the queue. Nothing happens when the queue is empty and
// the action is, or when the current user's address is unknown. An empty
// `recipients` is filled with the groups' receivers of appointments; when
// there are none the queue is dropped unsent. action is the mail's
// "Action:" value. The queue is emptied once the mail was handed to the
// envelope, whatever the envelope reported (its failure is logged). Always
// true.
bool SendAppointments(const std::string& action, std::string& recipients);

// Appends every change of `queue` to the document (WriteAppointment each),
// reading the items in one store transaction: one snapshot for the whole
// document rather than one per statement. Works on the installed context.
void WriteAppointments(CXmlAppointments& xml, const CAppointmentsCollection& queue, const std::string& zipPath,
                       const WriteEnv& env);

// Appends one queued change to the document: the section of its action,
// the item header from the record, and for "Added" and "Changed" the
// appointment of the item named by the record's entry id, its owner prefix
// removed from the subject. A record whose item is gone or no appointment,
// or whose action is unknown, is skipped with a warning. Returns true when
// an item was written. Works on the installed context's profile and groups.
bool WriteAppointment(CXmlAppointments& xml, const CAppointment& wrapper, const std::string& zipPath,
                      const WriteEnv& env);

// "[" + the owner's display name as the groups know it + "] ".
std::string OwnerPrefix(const CSyncContext& ctx, const std::string& owner);

// Appends the appointment properties of `item` to the document's current
// item (after its header), in the format's order. subjectPrefix is removed
// from the start of the subject. A private item (and one whose sensitivity
// cannot be read) travels without subject, location, categories, companies
// and body, as busy and of normal importance. By-value attachments are added to the zip
// at zipPath under their identifiers. A property that cannot be read is
// written empty (logged, source "WriteAppointment1"); an attachment whose
// file cannot be packed is left out (logged). Returns false only when the
// item is Nothing; the cursor is back where it was in every case.
bool WriteAppointment1(CXmlAppointments& xml, const std::string& subjectPrefix, const platform::Item& item,
                       const std::string& zipPath, const WriteEnv& env);

// The attendee lists read through the safe-item library, so that the client
// asks nothing; "" (logged, "mSendAppointments.GetRequiredAttendees" and the
// like) when they cannot be read.
std::string GetRequiredAttendees(const platform::Item& item);
std::string GetOptionalAttendees(const platform::Item& item);
std::string GetResources(const platform::Item& item);

}  // namespace mSendAppointments
