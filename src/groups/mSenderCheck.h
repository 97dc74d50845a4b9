#pragma once
// mSenderCheck: whether a received group message may take effect, judged by
// the address its mail came from against the local groups. Outsiders are
// shut out: a message about an existing group must come from an active
// member of that group (a relayed broadcast from any of them) and carry a
// change that the model's rights allow to a member it names as having sent
// or relayed it; an answer to a pending action must come from the party of
// that action. A message that fails is logged and must be dropped unchanged.
#include <string>

#include "groups/CGroupMsg.h"
#include "groups/CGroups.h"

namespace mSenderCheck {

// True when `msg` (read from a mail, m_strMailFrom set) may be applied to
// `groups`; false with a log line (source "CGroups.ProcessMsg") naming the
// message, the sender and the reason. Types the receiver does not process
// pass (they change nothing).
bool MayApply(const CGroups& groups, const CGroupMsg& msg);

}  // namespace mSenderCheck
