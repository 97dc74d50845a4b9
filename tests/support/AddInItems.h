#pragma once
// Set-up shared by the add-in's tests: a saved appointment, and another
// user shared with in a group of the running add-in.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "groups/CGroups.h"
#include "host/HostSession.h"
#include "platform/Date.h"
#include "platform/store/Folder.h"
#include "platform/store/Items.h"

namespace testing_support {

// An appointment saved in `folder`, 10:00-11:00 on 2026-12-10.
inline platform::Item SavedAppointment(const platform::Folder& folder, const std::string& subject) {
  platform::Item item = folder.Items().Add(platform::olAppointmentItem);
  item.SetSubject(subject);
  item.SetStart(platform::Date::FromParts(2026, 12, 10, 10, 0));
  item.SetEnd(platform::Date::FromParts(2026, 12, 10, 11, 0));
  item.Save();
  return item;
}

// Puts the other user into a saved group "Team" of the running add-in.
inline void Share(host::HostSession& s, const std::string& name, const std::string& email) {
  CGroups& groups = *s.AddIn().Groups();
  GroupPtr team = groups.CreateMyGroup("Team");
  auto other = std::make_shared<CMember>();
  other->strKey = "76543210-20261205093000";
  other->strName = name;
  other->strEmail = email;
  other->bShare = true;
  team->Add(other);
  groups.Add(team);
  ASSERT_TRUE(groups.Save());
}

}  // namespace testing_support
