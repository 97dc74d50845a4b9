#pragma once
// mSafeXPSP3: reads and writes the body of an appointment, a mail or a
// meeting item through the safe item of its class, so that the mail client
// does not ask the user whether the add-in may read it. Other items are read
// and written directly (logged as an error naming their class).
#include <string>

#include "platform/store/Item.h"

namespace mSafeXPSP3 {

// The item's body; "" when it cannot be read (logged, "mSafeXPSP3.GetSafeBody").
// Under client major version "11" the item is saved first (ItemSave), since
// the safe object reads what is stored.
std::string GetSafeBody(platform::Item& item);

// Writes the body in memory; the caller saves. Failures are logged
// ("mSafeXPSP3.SetSafeBody").
void SetSafeBody(platform::Item& item, const std::string& text);

}  // namespace mSafeXPSP3
