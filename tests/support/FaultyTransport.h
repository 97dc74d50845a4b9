#pragma once
// FaultyTransport: wraps a real Transport and misbehaves on request, so that
// tests can show how the add-in copes with a lossy, repeating or unordered
// mail system. Faults are armed per call count, not at random, so that tests
// are repeatable. The wrapped transport must outlive the wrapper.
#include <string>

#include "platform/mail/Transport.h"

namespace testing_support {

class FaultyTransport : public platform::Transport {
 public:
  explicit FaultyTransport(platform::Transport& inner) : m_inner(inner) {}

  // The next `count` sends are swallowed: they report success, deliver nothing.
  void DropNextSends(int count) { m_drop = count; }
  // The next `count` sends deliver the message twice.
  void DuplicateNextSends(int count) { m_duplicate = count; }
  // The next `count` sends throw platform::Error without delivering.
  void FailNextSends(int count) { m_fail = count; }
  // While on, every fetch hands its messages over newest first.
  void ReverseFetches(bool on) { m_reverse = on; }

  int Dropped() const { return m_dropped; }

  // Send/Fetch as Transport, with the armed faults applied first.
  void Send(const platform::MailMessage& message) override;
  platform::FetchResult Fetch(const std::string& address) override;
  void Acknowledge(const std::string& address, const std::string& receipt) override;

 private:
  platform::Transport& m_inner;
  int m_drop = 0;
  int m_duplicate = 0;
  int m_fail = 0;
  bool m_reverse = false;
  int m_dropped = 0;
};

}  // namespace testing_support
