#include "sync/mSafeXPSP3.h"

#include <memory>

#include "diagnostics/CDebug.h"
#include "platform/Error.h"
#include "platform/redemption/SafeItems.h"
#include "sync/CSyncContext.h"
#include "sync/mAppointments.h"

namespace mSafeXPSP3 {

namespace {

// The safe wrapper for the item's class; nullptr for a class without one.
std::unique_ptr<Redemption::SafeItem> SafeFor(const platform::Item& item) {
  switch (item.Class()) {
    case platform::olAppointment: return std::make_unique<Redemption::SafeAppointmentItem>();
    case platform::olMail: return std::make_unique<Redemption::SafeMailItem>();
    case platform::olMeetingRequest: return std::make_unique<Redemption::SafeMeetingItem>();
    default: return nullptr;
  }
}

}  // namespace

std::string GetSafeBody(platform::Item& item) {
  try {
    if (!item) throw platform::Error("Argument is nothing");
    std::unique_ptr<Redemption::SafeItem> safe = SafeFor(item);
    if (!safe) {
      g_Debug().OutCustomError("mSafeXPSP3.GetSafeBody", "Class = " + std::to_string(item.Class()));
      return item.Body();
    }
    if (g_Sync() && g_Sync()->strOutlookMajor == "11") mAppointments::ItemSave(item);
    safe->Item(item);
    return safe->Body();
  } catch (...) {
    g_Debug().OutError("mSafeXPSP3.GetSafeBody");
    return "";
  }
}

void SetSafeBody(platform::Item& item, const std::string& text) {
  try {
    if (!item) throw platform::Error("Argument is nothing");
    std::unique_ptr<Redemption::SafeItem> safe = SafeFor(item);
    if (!safe) {
      g_Debug().OutCustomError("mSafeXPSP3.SetSafeBody", "Class = " + std::to_string(item.Class()));
      item.SetBody(text);
      return;
    }
    safe->Item(item);
    safe->Body(text);
  } catch (...) {
    g_Debug().OutError("mSafeXPSP3.SetSafeBody");
  }
}

}  // namespace mSafeXPSP3
