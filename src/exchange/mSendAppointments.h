#pragma once
// mSendAppointments: the sending side of the appointment exchange. This
// header holds the per-item writer: one appointment item of the store
// written into the appointment document with every property in the format's
// order and encoding, private items blanked, attachments listed (their files
// packed into the items' zip under fresh identifiers), and a series master's
// recurrence with its exceptions nested as items of their own.
#include <functional>
#include <string>

#include "platform/store/Item.h"

class CXmlAppointments;

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
