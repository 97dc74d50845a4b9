#include "platform/mail/FaultyTransport.h"

#include <algorithm>

#include "platform/Error.h"

namespace platform {

void FaultyTransport::Send(const MailMessage& message) {
  if (m_fail > 0) {
    --m_fail;
    throw Error("mail: injected send failure for '" + message.subject + "'");
  }
  if (m_drop > 0) {
    --m_drop;
    ++m_dropped;
    return;
  }
  m_inner.Send(message);
  if (m_duplicate > 0) {
    --m_duplicate;
    m_inner.Send(message);
  }
}

FetchResult FaultyTransport::Fetch(const std::string& address) {
  FetchResult result = m_inner.Fetch(address);
  if (m_reverse) {
    std::reverse(result.messages.begin(), result.messages.end());
    std::reverse(result.receipts.begin(), result.receipts.end());
  }
  return result;
}

void FaultyTransport::Acknowledge(const std::string& address, const std::string& receipt) {
  m_inner.Acknowledge(address, receipt);
}

}  // namespace platform
