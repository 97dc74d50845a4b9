#pragma once
// mReceiveAppointments: the receiving side of the appointment exchange. This
// header holds the per-item reader: the appointment properties of the
// document's current item set on a store item, its attachments taken from
// the items' zip, a series' recurrence rebuilt and its exceptions applied.
#include <functional>
#include <string>

#include "platform/store/Item.h"

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
bool ProcessAppointment1(CXmlAppointments& xml, const std::string& subjectPrefix, platform::Item& item,
                         const std::string& attachesZip, const ReadEnv& env);

}  // namespace mReceiveAppointments
