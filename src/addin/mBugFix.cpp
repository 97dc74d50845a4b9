#include "addin/mBugFix.h"

#include "diagnostics/CDebug.h"
#include "platform/Text.h"
#include "sync/CSyncContext.h"
#include "sync/mAppointments.h"
#include "sync/mSafeXPSP3.h"

namespace mBugFix {

namespace {

constexpr const char* kCrLf = "\r\n";

bool IsMeetingItem(const platform::Item& item) {
  const int cls = item.Class();
  return cls >= platform::olMeetingRequest && cls <= platform::olMeetingResponseTentative;
}

}  // namespace

void BugFix_ItemSend(platform::Item& item, const std::string& clientVersion) {
  try {
    if (!item) {
      g_Debug().OutCustomError("mBugFix.BugFix_ItemSend()", "Argument is nothing");
      return;
    }
    if (platform::Split(clientVersion, ".").front() == "9") return;
    if (item.Class() != platform::olMeetingRequest || !item.ReminderSet()) return;
    item.SetReminderSet(false);
    const std::string body = mSafeXPSP3::GetSafeBody(item);
    const platform::Item appointment = item.GetAssociatedAppointment(false);
    const int minutes = appointment ? appointment.ReminderMinutesBeforeStart() : item.ReminderMinutesBeforeStart();
    mSafeXPSP3::SetSafeBody(item, body + kCrLf + kNoteLine + kCrLf + kFixMarker + std::to_string(minutes) + kCrLf);
    mAppointments::ItemSave(item);
  } catch (...) {
    g_Debug().OutError("mBugFix.BugFix_ItemSend");
  }
}

void BugFix_OnNewMail(platform::Item& item) {
  try {
    if (!item || !IsMeetingItem(item)) return;
    mAppointments::DeleteVestrandProps(item, true);
    if (item.Class() == platform::olMeetingRequest) SetReminder(item);
  } catch (...) {
    g_Debug().OutError("mBugFix.BugFix_OnNewMail");
  }
}

void SetReminder(platform::Item& item) {
  try {
    if (!item) {
      g_Debug().OutCustomError("mBugFix.SetReminder()", "Argument is nothing");
      return;
    }
    std::string body = mSafeXPSP3::GetSafeBody(item);
    const size_t fix = body.find(kFixMarker);
    if (fix == std::string::npos) return;
    size_t lineEnd = body.find(kCrLf, fix);
    if (lineEnd == std::string::npos) lineEnd = body.size();
    const std::string fixText = body.substr(fix, lineEnd - fix);
    const std::string minutes = platform::Trim(fixText.substr(fixText.find(':') + 1));
    // The marker's line, then the note line with the line breaks around it:
    // what the sender appended goes whole.
    body.erase(fix, lineEnd - fix + (lineEnd < body.size() ? 2 : 0));
    const size_t note = body.rfind(kNoteLine);
    if (note != std::string::npos) {
      size_t from = note, to = note + std::string(kNoteLine).size();
      if (from >= 2 && body.compare(from - 2, 2, kCrLf) == 0) from -= 2;
      if (body.compare(to, 2, kCrLf) == 0) to += 2;
      body.erase(from, to - from);
    }
    mSafeXPSP3::SetSafeBody(item, body);
    mAppointments::ItemSave(item);
    CSyncContext* ctx = g_Sync();
    const bool suspended = ctx && ctx->bEventsSuspended;
    if (ctx) ctx->bEventsSuspended = true;
    mAppointments::SetUserProperty(item, kReminderTime, minutes, true);
    if (ctx) ctx->bEventsSuspended = suspended;
  } catch (...) {
    g_Debug().OutError("mBugFix.SetReminder");
  }
}

}  // namespace mBugFix
