// MimeCodec: what one home writes, another must read back unchanged.
#include <gtest/gtest.h>

#include <random>

#include "platform/Error.h"
#include "platform/mail/MimeCodec.h"

namespace platform {
namespace {

MailMessage SampleMessage() {
  MailMessage m;
  m.from = {"alice@example.org", "Alice"};
  m.to = {{"bob@example.org", "Bob"}, {"carol@example.org", ""}};
  m.subject = "ZTBAppointment 64522606-20060213141359";
  m.body = "Zentabo mail.\r\n\r\nAction:\r\nAppVersion:3.01.0459\r\nSynchTime:20060213 14:13:59";
  m.sent = Date::FromSeconds(3348649000LL);  // a whole-second local time
  m.messageId = "abc.123@example.org";
  return m;
}

TEST(MailMime, RoundTripKeepsEveryField) {
  MailMessage m = SampleMessage();
  m.cc = {{"dave@example.org", "Dave D."}};
  m.attachments = {{"AttachFile.zip", "AttachFile.zip", "PK\x03\x04 zip bytes", ""},
                   {"SyncSndItemsAttaches.zip", "ItemsAttachments", std::string("\0\r\n\r", 4), ""}};
  m.headers["X-Zentabo-Test"] = "kept";

  MailMessage back = MimeCodec::Decode(MimeCodec::Encode(m));
  EXPECT_EQ(back.from, m.from);
  EXPECT_EQ(back.to, m.to);
  EXPECT_EQ(back.cc, m.cc);
  EXPECT_EQ(back.subject, m.subject);
  EXPECT_EQ(back.body, m.body);  // no CRLF added after the last header line
  EXPECT_EQ(back.sent, m.sent);
  EXPECT_EQ(back.messageId, m.messageId);
  EXPECT_EQ(back.attachments, m.attachments);
  EXPECT_EQ(back.headers.at("X-Zentabo-Test"), "kept");
}

TEST(MailMime, NonAsciiTextsAreEncodedOnTheWireAndDecodedBack) {
  MailMessage m = SampleMessage();
  m.from.name = "Jürgen Größe";
  m.to[0].name = "Zoë, the \"planner\"";
  m.subject = "Termine für nächste Woche — 日本";
  m.body = "Grüße\r\nÀ bientôt\r\n";
  m.attachments = {{"Übersicht März.txt", "Übersicht", "x", ""}};

  std::string wire = MimeCodec::Encode(m);
  for (unsigned char c : wire) ASSERT_LT(c, 0x80) << "headers and parts must be 7-bit on the wire";
  EXPECT_NE(wire.find("filename*=utf-8''"), std::string::npos);

  MailMessage back = MimeCodec::Decode(wire);
  EXPECT_EQ(back.from.name, m.from.name);
  EXPECT_EQ(back.to[0].name, m.to[0].name);
  EXPECT_EQ(back.subject, m.subject);
  EXPECT_EQ(back.body, m.body);
  ASSERT_EQ(back.attachments.size(), 1u);
  EXPECT_EQ(back.attachments[0].fileName, "Übersicht März.txt");
  EXPECT_EQ(back.attachments[0].displayName, "Übersicht");
}

TEST(MailMime, LongAndOddSubjectsSurviveFolding) {
  const std::string subjects[] = {
      "",
      "RE: ZTBAppointment 64522606-20060213141359",
      std::string(30, 'x') + " " + std::string(90, 'y') + " two  blanks  and\ttab " + std::string(40, 'z'),
      "Ein sehr langer Betreff mit Umlauten äöü, der weit über die Zeilenlänge hinausgeht " + std::string(60, 'q'),
  };
  for (const std::string& subject : subjects) {
    MailMessage m = SampleMessage();
    m.subject = subject;
    EXPECT_EQ(MimeCodec::Decode(MimeCodec::Encode(m)).subject, subject);
  }
  MailMessage m = SampleMessage();
  m.subject = "  blanks around  ";
  EXPECT_EQ(MimeCodec::Decode(MimeCodec::Encode(m)).subject, "blanks around");
}

TEST(MailMime, AttachmentBytesSurviveByteForByte) {
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  std::string blob(1 << 20, '\0');
  std::mt19937 random(42);
  for (char& c : blob) c = static_cast<char>(random());

  MailMessage m = SampleMessage();
  m.attachments = {{"all.bin", "all", all, ""}, {"blob.bin", "blob", blob, ""}};
  MailMessage back = MimeCodec::Decode(MimeCodec::Encode(m));
  ASSERT_EQ(back.attachments.size(), 2u);
  EXPECT_TRUE(back.attachments[0].bytes == all);
  EXPECT_TRUE(back.attachments[1].bytes == blob);
}

TEST(MailMime, UnnamedAttachmentGetsAName) {
  MailMessage m = SampleMessage();
  m.attachments = {{"", "", "one", ""}, {"", "Shown", "two", ""}};
  std::string wire = MimeCodec::Encode(m);
  EXPECT_EQ(wire.find("filename=\n"), std::string::npos);
  EXPECT_EQ(wire.find("filename=;"), std::string::npos);

  MailMessage back = MimeCodec::Decode(wire);
  ASSERT_EQ(back.attachments.size(), 2u);
  EXPECT_EQ(back.attachments[0].fileName, "attachment1.dat");
  EXPECT_EQ(back.attachments[0].displayName, "attachment1.dat");
  EXPECT_EQ(back.attachments[1].fileName, "attachment2.dat");
  EXPECT_EQ(back.attachments[1].displayName, "Shown");
}

TEST(MailMime, DiskFormIsLfAndCrlfInputReadsTheSame) {
  MailMessage m = SampleMessage();
  m.attachments = {{"Attach.txt", "ZTB", "msg.type = msg.abort\r\n", ""}};
  std::string lf = MimeCodec::Encode(m);
  EXPECT_EQ(lf.find('\r'), std::string::npos);

  std::string crlf = MimeCodec::ToCrlf(lf);
  MailMessage fromLf = MimeCodec::Decode(lf);
  MailMessage fromCrlf = MimeCodec::Decode(crlf);
  EXPECT_EQ(fromLf.body, m.body);
  EXPECT_EQ(fromCrlf.body, m.body);
  EXPECT_EQ(fromCrlf.attachments, m.attachments);
  EXPECT_EQ(MimeCodec::ToLf(crlf), lf);
}

TEST(MailMime, BodyLineBreaksBecomeCrlf) {
  MailMessage m = SampleMessage();
  m.body = "one\ntwo\rthree\r\nfour";
  EXPECT_EQ(MimeCodec::Decode(MimeCodec::Encode(m)).body, "one\r\ntwo\r\nthree\r\nfour");
}

TEST(MailMime, PlainMessageWithoutMimeIsReadAsText) {
  const std::string plain =
      "From: Bob <bob@example.org>\n"
      "To: alice@example.org\n"
      "Subject: =?iso-8859-1?Q?Gr=FC=DFe?=\n"
      "Date: Mon, 13 Feb 2006 14:13:59 +0000\n"
      "\n"
      "Line one\n"
      "Line two\n";
  MailMessage m = MimeCodec::Decode(plain);
  EXPECT_EQ(m.from.address, "bob@example.org");
  EXPECT_EQ(m.from.name, "Bob");
  ASSERT_EQ(m.to.size(), 1u);
  EXPECT_EQ(m.subject, "Grüße");
  EXPECT_EQ(m.body, "Line one\r\nLine two\r\n");
  EXPECT_TRUE(m.attachments.empty());
  EXPECT_FALSE(m.sent.IsZero());
}

TEST(MailMime, ForeignCharsetBodyIsConvertedToUtf8) {
  const std::string latin1 =
      "From: bob@example.org\nTo: alice@example.org\nSubject: x\n"
      "Content-Type: text/plain; charset=iso-8859-1\nContent-Transfer-Encoding: quoted-printable\n\n"
      "Gr=FC=DFe=\n aus K=F6ln\n";
  EXPECT_EQ(MimeCodec::Decode(latin1).body, "Grüße aus Köln\r\n");
}

TEST(MailMime, GarbageWithoutHeaderIsRefused) {
  for (std::string garbage : {std::string(), std::string("\n\nno header here"), std::string("just words: not a field"),
                              std::string("\x89PNG\r\n\x1a\n", 8)}) {
    EXPECT_THROW(MimeCodec::Decode(garbage), Error) << garbage;
  }
}

TEST(MailMime, EncodeRefusesBadAddresses) {
  MailMessage m = SampleMessage();
  m.to = {};
  EXPECT_THROW(MimeCodec::Encode(m), Error);
  m = SampleMessage();
  m.to[1].address = "not an address";
  EXPECT_THROW(MimeCodec::Encode(m), Error);
  m = SampleMessage();
  m.from.address = "";
  EXPECT_THROW(MimeCodec::Encode(m), Error);
}

}  // namespace
}  // namespace platform
