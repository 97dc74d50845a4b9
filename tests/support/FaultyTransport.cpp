#include "support/FaultyTransport.h"

#include <algorithm>

#include "platform/Error.h"

namespace testing_support {

void FaultyTransport::Send(const platform::MailMessage& message) {
  if (m_fail > 0) {
    --m_fail;
    throw platform::Error("mail: injected send failure for '" + message.subject + "'");
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

platform::FetchResult FaultyTransport::Fetch(const std::string& address) {
  platform::FetchResult result = m_inner.Fetch(address);
  if (m_reverse) {
    std::reverse(result.messages.begin(), result.messages.end());
    std::reverse(result.receipts.begin(), result.receipts.end());
  }
  return result;
}

void FaultyTransport::Acknowledge(const std::string& address, const std::string& receipt) {
  m_inner.Acknowledge(address, receipt);
}

}  // namespace testing_support
