#include "platform/mail/MailOutbox.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/Error.h"
#include "platform/mail/MimeCodec.h"

namespace platform {

MailOutbox::MailOutbox(Registry& registry, Transport& transport, std::string key)
    : m_registry(registry), m_transport(transport), m_key(std::move(key)) {}

void MailOutbox::Queue(const MailMessage& message) {
  if (message.messageId.empty()) throw Error("mail outbox: mail '" + message.subject + "' has no Message-ID");
  HKEY key = 0;
  long rc = m_registry.CreateKey(HKEY_CURRENT_USER, m_key, KEY_ALL_ACCESS, &key);
  if (rc != ERROR_SUCCESS) throw Error("mail outbox: cannot open HKCU\\" + m_key, rc);
  // Names sort in queue order: one more than the last one queued.
  uint64_t next = 1;
  std::string name;
  for (uint32_t i = 0; m_registry.EnumValue(key, i, &name) == ERROR_SUCCESS; ++i)
    next = std::max<uint64_t>(next, std::strtoull(name.c_str(), nullptr, 10) + 1);
  rc = m_registry.SetValue(key, fmt::format("{:012}", next), REG_BINARY, MimeCodec::EncodeQueued(message));
  m_registry.CloseKey(key);
  if (rc != ERROR_SUCCESS) throw Error("mail outbox: cannot queue mail '" + message.subject + "'", rc);
}

int MailOutbox::SendQueued() {
  if (m_registry.InBatch()) return 0;
  HKEY key = 0;
  if (m_registry.OpenKey(HKEY_CURRENT_USER, m_key, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return 0;
  int sent = 0;
  try {
    std::vector<std::string> names;
    std::string name;
    for (uint32_t i = 0; m_registry.EnumValue(key, i, &name) == ERROR_SUCCESS; ++i) names.push_back(name);
    std::sort(names.begin(), names.end());
    for (const std::string& n : names) {
      std::string data;
      m_registry.QueryValue(key, n, nullptr, &data);
      m_transport.Send(MimeCodec::DecodeQueued(data));
      m_registry.DeleteValue(key, n);
      ++sent;
    }
  } catch (...) {
    m_registry.CloseKey(key);
    throw;
  }
  m_registry.CloseKey(key);
  return sent;
}

std::vector<MailMessage> MailOutbox::Queued() const {
  std::vector<MailMessage> mails;
  HKEY key = 0;
  if (m_registry.OpenKey(HKEY_CURRENT_USER, m_key, KEY_READ, &key) != ERROR_SUCCESS) return mails;
  std::vector<std::string> names;
  std::string name;
  for (uint32_t i = 0; m_registry.EnumValue(key, i, &name) == ERROR_SUCCESS; ++i) names.push_back(name);
  std::sort(names.begin(), names.end());
  try {
    for (const std::string& n : names) {
      std::string data;
      m_registry.QueryValue(key, n, nullptr, &data);
      mails.push_back(MimeCodec::DecodeQueued(data));
    }
  } catch (...) {
    m_registry.CloseKey(key);
    throw;
  }
  m_registry.CloseKey(key);
  return mails;
}

int MailOutbox::Count() const {
  HKEY key = 0;
  if (m_registry.OpenKey(HKEY_CURRENT_USER, m_key, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  int n = 0;
  while (m_registry.EnumValue(key, static_cast<uint32_t>(n), nullptr) == ERROR_SUCCESS) ++n;
  m_registry.CloseKey(key);
  return n;
}

}  // namespace platform
