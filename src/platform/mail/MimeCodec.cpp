#include "platform/mail/MimeCodec.h"

#include <vmime/vmime.hpp>
#include <vmime/contentDispositionField.hpp>
#include <vmime/contentTypeField.hpp>

#include <algorithm>
#include <ctime>
#include <set>

#include "platform/Error.h"
#include "platform/Text.h"

namespace platform {

namespace {

const vmime::charset& Utf8() {
  static const vmime::charset utf8(vmime::charsets::UTF_8);
  return utf8;
}

// Seconds from the client's zero date (30.12.1899) to the Unix epoch.
constexpr int64_t kZeroDateToEpoch = 2209161600;

// Header fields that MailMessage maps itself; all others go to `headers`.
bool IsMappedField(const std::string& name) {
  static const std::set<std::string> mapped = {
      "from", "to", "cc", "subject", "date", "message-id", "mime-version",
      "content-type", "content-transfer-encoding", "content-disposition",
      "content-description"};
  return mapped.count(Lower(name)) != 0;
}

// A local Date as a vmime date with the zone offset the machine has at that time.
vmime::datetime ToVmimeDate(Date date) {
  std::time_t localAsUtc = static_cast<std::time_t>(date.Seconds() - kZeroDateToEpoch);
  std::tm parts{};
  gmtime_r(&localAsUtc, &parts);
  std::tm probe = parts;
  probe.tm_isdst = -1;
  std::time_t real = std::mktime(&probe);
  std::tm local{};
  localtime_r(&real, &local);
  int zoneMinutes = static_cast<int>(local.tm_gmtoff / 60);
  return vmime::datetime(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                         parts.tm_min, parts.tm_sec, zoneMinutes);
}

// A vmime date (any zone) as this machine's local time.
Date FromVmimeDate(const vmime::datetime& value) {
  std::tm parts{};
  parts.tm_year = value.getYear() - 1900;
  parts.tm_mon = value.getMonth() - 1;
  parts.tm_mday = value.getDay();
  parts.tm_hour = value.getHour();
  parts.tm_min = value.getMinute();
  parts.tm_sec = value.getSecond();
  std::time_t utc = timegm(&parts) - static_cast<std::time_t>(value.getZone()) * 60;
  std::tm local{};
  localtime_r(&utc, &local);
  return Date::FromSeconds(static_cast<int64_t>(timegm(&local)) + kZeroDateToEpoch);
}

Date Now() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return Date::FromSeconds(static_cast<int64_t>(timegm(&local)) + kZeroDateToEpoch);
}

// A deliberately plain address check: local@domain, printable ASCII, no
// blanks. vmime accepts almost anything and would write it as given.
void CheckAddress(const std::string& address, const char* role) {
  auto at = address.find('@');
  bool ok = !address.empty() && at != std::string::npos && at > 0 && at + 1 < address.size() &&
            address.find('@', at + 1) == std::string::npos;
  for (unsigned char c : address) {
    if (c <= ' ' || c >= 0x7f || c == '<' || c == '>' || c == ',' || c == ';' || c == '"') ok = false;
  }
  if (!ok) throw Error(std::string("mail: invalid ") + role + " address '" + address + "'");
}

// A header text as one word: vmime's word splitting loses or adds blanks
// between ASCII and encoded words, so a text goes out whole (vmime still
// writes plain ASCII unencoded and folds long encoded words).
vmime::text HeaderText(const std::string& value) {
  bool ascii = std::all_of(value.begin(), value.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii) return vmime::text(vmime::word(value, vmime::charset(vmime::charsets::US_ASCII)));
  return vmime::text(vmime::word(value, Utf8()));
}

vmime::mailbox ToMailbox(const MailAddress& a) {
  if (a.name.empty()) return vmime::mailbox(vmime::emailAddress(a.address));
  return vmime::mailbox(HeaderText(a.name), vmime::emailAddress(a.address));
}

MailAddress FromMailbox(const vmime::mailbox& m) {
  MailAddress a;
  a.address = m.getEmail().toString();
  a.name = m.getName().getConvertedText(Utf8());
  return a;
}

void AppendAddresses(const vmime::addressList& list, std::vector<MailAddress>& out) {
  for (size_t i = 0; i < list.getAddressCount(); ++i) {
    auto address = list.getAddressAt(i);
    if (address->isGroup()) {
      auto group = vmime::dynamicCast<const vmime::mailboxGroup>(address);
      for (size_t j = 0; j < group->getMailboxCount(); ++j) out.push_back(FromMailbox(*group->getMailboxAt(j)));
    } else {
      out.push_back(FromMailbox(*vmime::dynamicCast<const vmime::mailbox>(address)));
    }
  }
}

std::string NormaliseBody(const std::string& text) {
  std::string lf;
  lf.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      lf += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      lf += text[i];
    }
  }
  return MimeCodec::ToCrlf(lf);
}

std::string Decoded(const vmime::body& body) {
  std::string out;
  vmime::utility::outputStreamStringAdapter os(out);
  body.getContents()->extract(os);
  return out;
}

// A header field's first occurrence, or nullptr.
template <typename T>
vmime::shared_ptr<const T> FieldValue(const vmime::header& header, const std::string& name) {
  if (!header.hasField(name)) return nullptr;
  return header.findField(name)->getValue<T>();
}

std::string FileNameOf(const vmime::header& header) {
  if (auto disposition = header.findField<vmime::contentDispositionField>(vmime::fields::CONTENT_DISPOSITION)) {
    if (disposition->hasParameter("filename"))
      return disposition->findParameter("filename")->getValue().getConvertedText(Utf8());
  }
  if (auto type = header.findField<vmime::contentTypeField>(vmime::fields::CONTENT_TYPE)) {
    if (type->hasParameter("name")) return type->findParameter("name")->getValue().getConvertedText(Utf8());
  }
  return "";
}

bool IsMarkedAttachment(const vmime::header& header) {
  auto value = FieldValue<vmime::contentDisposition>(header, vmime::fields::CONTENT_DISPOSITION);
  return value && value->getName() == vmime::contentDispositionTypes::ATTACHMENT;
}

// Walks the part tree: the first plain text part that is not an attachment is
// the body, every other leaf an attachment.
void CollectParts(const vmime::bodyPart& part, MailMessage& out, bool& haveBody) {
  const vmime::header& header = *part.getHeader();
  const vmime::body& body = *part.getBody();
  vmime::mediaType type(vmime::mediaTypes::TEXT, vmime::mediaTypes::TEXT_PLAIN);
  if (auto value = FieldValue<vmime::mediaType>(header, vmime::fields::CONTENT_TYPE)) type = *value;

  if (type.getType() == vmime::mediaTypes::MULTIPART) {
    for (size_t i = 0; i < body.getPartCount(); ++i) CollectParts(*body.getPartAt(i), out, haveBody);
    return;
  }
  std::string fileName = FileNameOf(header);
  if (!haveBody && type.getType() == vmime::mediaTypes::TEXT &&
      type.getSubType() == vmime::mediaTypes::TEXT_PLAIN && fileName.empty() && !IsMarkedAttachment(header)) {
    std::string raw = Decoded(body);
    std::string utf8;
    vmime::charset::convert(raw, utf8, body.getCharset(), Utf8());
    out.body = NormaliseBody(utf8);
    haveBody = true;
    return;
  }
  MailAttachment attachment;
  attachment.fileName = fileName.empty() ? "attachment" + std::to_string(out.attachments.size() + 1) + ".dat" : fileName;
  if (auto description = FieldValue<vmime::text>(header, vmime::fields::CONTENT_DESCRIPTION))
    attachment.displayName = description->getConvertedText(Utf8());
  if (attachment.displayName.empty()) attachment.displayName = attachment.fileName;
  attachment.bytes = Decoded(body);
  if (!(type.getType() == vmime::mediaTypes::APPLICATION &&
        type.getSubType() == vmime::mediaTypes::APPLICATION_OCTET_STREAM))
    attachment.mediaType = Lower(type.getType() + "/" + type.getSubType());
  out.attachments.push_back(std::move(attachment));
}

// True when the text starts with a header field "name:" (RFC 5322 field name:
// printable ASCII without blank and colon).
bool StartsWithHeaderField(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size() && bytes[i] > ' ' && bytes[i] < 0x7f && bytes[i] != ':') ++i;
  return i > 0 && i < bytes.size() && bytes[i] == ':';
}

}  // namespace

std::string MimeCodec::ToCrlf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

std::string MimeCodec::ToLf(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

std::string MimeCodec::Encode(const MailMessage& message) {
  CheckAddress(message.from.address, "sender");
  if (message.to.empty() && message.cc.empty()) throw Error("mail: message '" + message.subject + "' has no recipient");
  try {
    vmime::messageBuilder builder;
    builder.setExpeditor(ToMailbox(message.from));
    for (const auto& a : message.to) {
      CheckAddress(a.address, "recipient");
      builder.getRecipients().appendAddress(vmime::make_shared<vmime::mailbox>(ToMailbox(a)));
    }
    for (const auto& a : message.cc) {
      CheckAddress(a.address, "recipient");
      builder.getCopyRecipients().appendAddress(vmime::make_shared<vmime::mailbox>(ToMailbox(a)));
    }
    for (const auto& a : message.bcc) CheckAddress(a.address, "recipient");
    builder.setSubject(HeaderText(message.subject));
    builder.getTextPart()->setCharset(Utf8());
    builder.getTextPart()->setText(vmime::make_shared<vmime::stringContentHandler>(NormaliseBody(message.body)));

    int unnamed = 0;
    for (const auto& a : message.attachments) {
      ++unnamed;
      // vmime writes an empty, invalid filename parameter for an unnamed part.
      std::string fileName = a.fileName.empty() ? "attachment" + std::to_string(unnamed) + ".dat" : a.fileName;
      std::string displayName = a.displayName.empty() ? fileName : a.displayName;
      builder.appendAttachment(vmime::make_shared<vmime::defaultAttachment>(
          vmime::make_shared<vmime::stringContentHandler>(a.bytes),
          vmime::encoding(vmime::encodingTypes::BASE64),
          a.mediaType.empty()
              ? vmime::mediaType(vmime::mediaTypes::APPLICATION, vmime::mediaTypes::APPLICATION_OCTET_STREAM)
              : vmime::mediaType(a.mediaType),
          HeaderText(displayName), vmime::word(fileName, Utf8())));
    }

    auto built = builder.construct();
    auto header = built->getHeader();
    header->Date()->setValue(ToVmimeDate(message.sent.IsZero() ? Now() : message.sent));
    header->MessageId()->setValue(message.messageId.empty() ? vmime::messageId::generateId()
                                                            : vmime::messageId(message.messageId));
    for (const auto& [name, value] : message.headers) {
      if (IsMappedField(name)) continue;
      header->appendField(vmime::headerFieldFactory::getInstance()->create(name, value));
    }

    vmime::generationContext context;
    context.setEncodedParameterValueMode(vmime::generationContext::PARAMETER_VALUE_RFC2231_ONLY);
    std::string out;
    vmime::utility::outputStreamStringAdapter os(out);
    built->generate(context, os);
    return ToLf(out);
  } catch (const vmime::exception& e) {
    throw Error("mail: cannot write message '" + message.subject + "': " + e.what());
  }
}

std::string MimeCodec::NewMessageId() { return vmime::messageId::generateId().getId(); }

namespace {

// The boundary a Content-Type header value declares for a multipart body;
// "" when the value is no multipart type.
std::string MultipartBoundary(const std::string& value) {
  const std::string lower = Lower(value);
  if (Trim(lower).rfind("multipart/", 0) != 0) return "";
  size_t pos = lower.find("boundary=");
  if (pos == std::string::npos) return "";
  pos += 9;
  if (pos < value.size() && value[pos] == '"') {
    const size_t end = value.find('"', pos + 1);
    return end == std::string::npos ? "" : value.substr(pos + 1, end - pos - 1);
  }
  size_t end = pos;
  while (end < value.size() && value[end] != ';' && value[end] != ' ' && value[end] != '\t') ++end;
  return value.substr(pos, end - pos);
}

}  // namespace

void MimeCodec::CheckStructure(std::string_view bytes) {
  if (bytes.size() > kMaxMessageBytes)
    throw Error("mail: message of " + std::to_string(bytes.size()) + " bytes is larger than the limit of " +
                std::to_string(kMaxMessageBytes) + " bytes");
  // Walks the lines: a header block (the message's, then each part's) may
  // open a multipart body, whose boundary lines start parts and close it.
  std::vector<std::string> open;  // boundaries of the enclosing multiparts
  bool inHeader = true;
  std::string field;  // the header field being read, unfolded
  std::string declared;
  int parts = 0;
  auto endField = [&] {
    if (field.size() > 13 && Lower(field.substr(0, 13)) == "content-type:") declared = MultipartBoundary(field.substr(13));
    field.clear();
  };
  size_t pos = 0;
  while (pos <= bytes.size()) {
    size_t nl = bytes.find('\n', pos);
    if (nl == std::string_view::npos) nl = bytes.size();
    std::string_view line = bytes.substr(pos, nl - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos = nl + 1;
    if (inHeader) {
      if (!line.empty() && (line[0] == ' ' || line[0] == '\t')) {
        field.append(line);
        continue;
      }
      endField();
      if (line.empty()) {
        inHeader = false;
        if (!declared.empty()) {
          open.push_back(declared);
          if (static_cast<int>(open.size()) > kMaxDepth)
            throw Error("mail: message nests multipart bodies deeper than " + std::to_string(kMaxDepth) + " levels");
        }
        declared.clear();
      } else {
        field.assign(line);
      }
      continue;
    }
    if (line.size() < 3 || line[0] != '-' || line[1] != '-') continue;
    const std::string_view rest = line.substr(2);
    for (size_t level = open.size(); level-- > 0;) {
      const std::string& b = open[level];
      if (rest.substr(0, b.size()) != b) continue;
      const std::string_view tail = rest.substr(b.size());
      const bool closing = tail.substr(0, 2) == "--";
      open.resize(closing ? level : level + 1);
      if (!closing) {
        if (++parts > kMaxParts)
          throw Error("mail: message has more than " + std::to_string(kMaxParts) + " MIME parts");
        inHeader = true;
      }
      break;
    }
  }
}

MailMessage MimeCodec::Decode(std::string_view bytes) {
  if (!StartsWithHeaderField(bytes))
    throw Error("mail: not a mail message (no header field at the start of " + std::to_string(bytes.size()) +
                " bytes)");
  CheckStructure(bytes);
  try {
    vmime::message parsed;
    parsed.parse(ToCrlf(bytes));
    const vmime::header& header = *parsed.getHeader();

    MailMessage out;
    if (auto from = FieldValue<vmime::mailbox>(header, vmime::fields::FROM)) out.from = FromMailbox(*from);
    if (auto to = FieldValue<vmime::addressList>(header, vmime::fields::TO)) AppendAddresses(*to, out.to);
    if (auto cc = FieldValue<vmime::addressList>(header, vmime::fields::CC)) AppendAddresses(*cc, out.cc);
    if (auto subject = FieldValue<vmime::text>(header, vmime::fields::SUBJECT))
      out.subject = subject->getConvertedText(Utf8());
    if (auto date = FieldValue<vmime::datetime>(header, vmime::fields::DATE)) out.sent = FromVmimeDate(*date);
    if (auto id = FieldValue<vmime::messageId>(header, vmime::fields::MESSAGE_ID)) out.messageId = id->getId();
    for (const auto& field : header.getFieldList()) {
      if (IsMappedField(field->getName()) || out.headers.count(field->getName())) continue;
      auto value = field->getValue();
      auto text = vmime::dynamicCast<const vmime::text>(value);
      out.headers[field->getName()] = text ? text->getConvertedText(Utf8()) : value->generate();
    }

    bool haveBody = false;
    CollectParts(parsed, out, haveBody);
    return out;
  } catch (const vmime::exception& e) {
    throw Error(std::string("mail: cannot read message: ") + e.what());
  }
}

std::string MimeCodec::EncodeQueued(const MailMessage& message) {
  std::string text;
  for (const MailAddress& a : message.bcc) text += a.address + "\t" + a.name + "\n";
  return text + "\n" + Encode(message);
}

MailMessage MimeCodec::DecodeQueued(std::string_view text) {
  std::vector<MailAddress> bcc;
  size_t pos = 0;
  for (;;) {
    const size_t nl = text.find('\n', pos);
    if (nl == std::string_view::npos) throw Error("mail outbox: a queued mail is damaged");
    if (nl == pos) {
      pos = nl + 1;
      break;
    }
    const std::string line(text.substr(pos, nl - pos));
    const size_t tab = line.find('\t');
    bcc.push_back({line.substr(0, tab), tab == std::string::npos ? "" : line.substr(tab + 1)});
    pos = nl + 1;
  }
  MailMessage message = Decode(text.substr(pos));
  message.bcc = std::move(bcc);
  return message;
}

}  // namespace platform
