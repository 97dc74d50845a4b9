#pragma once
// The mail client's enumeration values that the add-in reads from and writes
// to items and folders, under the client's own names so that numbers taken
// from documents and registry values compare directly.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "platform/Date.h"

namespace platform {

// Item.Class
enum OlObjectClass : int {
  olAppointment = 26,
  olContact = 40,
  olMail = 43,
  olMeetingRequest = 53,
  olMeetingCancellation = 54,
  olMeetingResponseNegative = 55,
  olMeetingResponsePositive = 56,
  olMeetingResponseTentative = 57,
};

// Items.Add and Folder.DefaultItemType
enum OlItemType : int { olMailItem = 0, olAppointmentItem = 1, olContactItem = 2 };

// GetDefaultFolder and the folder type given to Folders.Add
enum OlDefaultFolders : int {
  olFolderDeletedItems = 3,
  olFolderOutbox = 4,
  olFolderSentMail = 5,
  olFolderInbox = 6,
  olFolderCalendar = 9,
  olFolderContacts = 10,
  olFolderDrafts = 16,
};

// Recipient.Type: the meeting values for appointments, the mail values for mails.
enum OlRecipientType : int {
  olOrganizer = 0,
  olRequired = 1,
  olOptional = 2,
  olResource = 3,
  olTo = 1,
  olCC = 2,
  olBCC = 3,
};

enum OlAttachmentType : int { olByValue = 1, olByReference = 4, olEmbeddeditem = 5, olOLE = 6 };

enum OlRecurrenceType : int {
  olRecursDaily = 0,
  olRecursWeekly = 1,
  olRecursMonthly = 2,
  olRecursMonthNth = 3,
  olRecursYearly = 5,
  olRecursYearNth = 6,
};

// RecurrencePattern.DayOfWeekMask bits
enum OlDaysOfWeek : int {
  olSunday = 1,
  olMonday = 2,
  olTuesday = 4,
  olWednesday = 8,
  olThursday = 16,
  olFriday = 32,
  olSaturday = 64,
};

enum OlRecurrenceState : int {
  olApptNotRecurring = 0,
  olApptMaster = 1,
  olApptOccurrence = 2,
  olApptException = 3,
};

enum OlMeetingStatus : int {
  olNonMeeting = 0,
  olMeeting = 1,
  olMeetingReceived = 3,
  olMeetingCanceled = 5,
};

// UserProperties.Add
enum OlUserPropertyType : int { olText = 1, olNumber = 3, olDateTime = 5, olYesNo = 6 };

// Item.Close
enum OlInspectorClose : int { olSave = 0, olDiscard = 1, olPromptForSave = 2 };

using Bytes = std::vector<uint8_t>;

// One property value of an item. monostate means "no value" (a property the
// item type does not carry).
using PropValue = std::variant<std::monostate, std::string, int64_t, bool, double, Date, Bytes>;

}  // namespace platform
