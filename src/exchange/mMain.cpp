#include "exchange/mMain.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/redemption/Library.h"
#include "platform/redemption/MAPITable.h"
#include "platform/redemption/MAPIUtils.h"
#include "platform/redemption/SafeItems.h"
#include "diagnostics/CDebug.h"
#include "exchange/mZip.h"
#include "lang/CLang.h"
#include "options/CWinReg.h"
#include "platform/Error.h"
#include "platform/Text.h"
#include "platform/store/Attachments.h"
#include "platform/store/Items.h"

namespace mMain {
namespace {

// Leading decimal digits as a number, as the version comparison reads its parts.
long LeadingNumber(const std::string& text) {
  std::string t = platform::Trim(text, platform::kWhiteSpace);
  long value = 0;
  for (char c : t) {
    if (!std::isdigit(static_cast<unsigned char>(c))) break;
    value = value * 10 + (c - '0');
  }
  return value;
}

int Digits(const std::string& text, size_t pos, size_t count) {
  int value = 0;
  for (size_t i = pos; i < pos + count; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i])))
      throw std::invalid_argument("not a digit at position " + std::to_string(i + 1) + " of \"" + text + "\"");
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

bool AllDigits(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

}  // namespace

std::string Date2CStr(const platform::Date& date) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d %02d:%02d:%02d", date.Year(), date.Month(), date.Day(),
                date.Hour(), date.Minute(), date.Second());
  return buf;
}

platform::Date CStr2Date(const std::string& text) {
  if (text.size() != 17) {
    g_Debug().OutWarning("CStr2Date", "Len(\"" + text + "\") <> 17");
    return platform::Date();
  }
  try {
    const int year = Digits(text, 0, 4);
    const int month = Digits(text, 4, 2);
    const int day = Digits(text, 6, 2);
    const int hour = Digits(text, 9, 2);
    const int minute = Digits(text, 12, 2);
    const int second = Digits(text, 15, 2);
    return platform::Date::FromParts(year, month, day)
        .Add("s", second)
        .Add("n", static_cast<int64_t>(hour) * 60 + minute);
  } catch (...) {
    g_Debug().OutError("mMain.CStr2Date");
    return platform::Date();
  }
}

std::string GetAppVersion() {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d.%02d.%04d", kAppMajor, kAppMinor, kAppRevision);
  return buf;
}

int CompareVersions(const std::string& a, const std::string& b) {
  const std::vector<std::string> pa = platform::Split(a, ".");
  const std::vector<std::string> pb = platform::Split(b, ".");
  for (size_t i = 0; i < 3; ++i) {
    const long va = i < pa.size() ? LeadingNumber(pa[i]) : 0;
    const long vb = i < pb.size() ? LeadingNumber(pb[i]) : 0;
    if (va < vb) return -1;
    if (va > vb) return 1;
  }
  return 0;
}

bool IsVersionInWindow(const std::string& min, const std::string& max) {
  const std::string own = GetAppVersion();
  return CompareVersions(own, max) < 1 && CompareVersions(own, min) >= 0;
}

std::string FormatSynchRange(int backUnit, int backCount, int forwardUnit, int forwardCount) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%01d%02d%01d%02d", backUnit % 10, backCount % 100, forwardUnit % 10,
                forwardCount % 100);
  return buf;
}

SynchWindow WidenSynchRange(const std::string& received, SynchWindow local) {
  local.changed = false;
  if (received.size() != 6 || !AllDigits(received)) return local;
  const int backUnit = Digits(received, 0, 1);
  const int backCount = Digits(received, 1, 2);
  const int forwardUnit = Digits(received, 3, 1);
  const int forwardCount = Digits(received, 4, 2);
  if (backUnit > local.backUnit) {
    local.backUnit = backUnit;
    local.changed = true;
  } else if (backCount > local.backCount) {
    local.backCount = backCount;
    local.changed = true;
  }
  if (forwardUnit > local.forwardUnit) {
    local.forwardUnit = forwardUnit;
    local.changed = true;
  } else if (forwardCount > local.forwardCount) {
    local.forwardCount = forwardCount;
    local.changed = true;
  }
  return local;
}

bool SameAddress(const std::string& a, const std::string& b) {
  return platform::EqualsNoCase(a, b);
}

bool IsEmptyText(const std::string& text) { return text.empty(); }

std::vector<std::string> SplitHeader(const std::string& body) {
  std::vector<std::string> lines;
  for (const std::string& piece : platform::Split(body, std::string(" ") + kCrLf)) {
    if (piece.empty()) continue;
    for (const std::string& line : platform::Split(piece, kCrLf)) {
      if (!line.empty()) lines.push_back(line);
    }
  }
  return lines;
}

std::string GetStrFromSplit(const std::vector<std::string>& lines, const std::string& key, bool warnIfMissing) {
  for (const std::string& raw : lines) {
    const std::string line = platform::Trim(raw, platform::kWhiteSpace);
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    if (platform::Trim(line.substr(0, colon), platform::kWhiteSpace) == key)
      return platform::Trim(line.substr(colon + 1), platform::kWhiteSpace);
  }
  if (warnIfMissing) {
    std::string joined;
    for (size_t i = 0; i < lines.size(); ++i) {
      if (i) joined += kCrLf;
      joined += lines[i];
    }
    g_Debug().OutWarning("mMain.GetStrFromSplit",
                         "<" + key + "> string not found in '" + kCrLf + joined + "'");
  }
  return "";
}

std::string BuildGroupBody(const std::string& introText) {
  return introText + kCrLf + kCrLf + "CompatibilityVersionMin:" + kCompatibilityVersionMin + kCrLf +
         "CompatibilityVersionMax:" + kCompatibilityVersionMax + kCrLf;
}

std::string BuildAppointmentBody(const std::string& introText, const std::string& action,
                                 const std::string& senderAddress, const std::string& synchRange,
                                 const std::string& synchTime) {
  std::string body = introText + kCrLf + kCrLf;
  body += "Action:" + action + kCrLf;
  body += "AppVersion:" + GetAppVersion() + kCrLf;
  body += std::string("CompatibilityVersionMin:") + kCompatibilityVersionMin + kCrLf;
  body += std::string("CompatibilityVersionMax:") + kCompatibilityVersionMax + kCrLf;
  body += "SenderAddress:" + senderAddress + kCrLf;
  body += "SynchRange:" + synchRange + kCrLf;
  body += "SynchTime:" + synchTime;
  return body;
}

std::string GetWorkFilePath(const MailEnv& env, const std::string& name) {
  return env.InstallFolder() + "/" + name;
}

int GetTimeZoneBias() {
  static int cached = 0;
  if (cached == 0) cached = platform::System::TimeZoneBias();
  return cached;
}

// --- MailEnv -----------------------------------------------------------------

std::string MailEnv::CurAddress() const {
  if (CurrentAddress) return CurrentAddress();
  return Redemption::ProfileSession().CurrentUserAddress();
}

platform::Date MailEnv::Now() const {
  if (pClock) return pClock->Now();
  return platform::RealClock().Now();
}

std::string MailEnv::TempFolder() const {
  if (pSystem) return pSystem->TempDir().string();
  return std::filesystem::temp_directory_path().string();
}

std::string MailEnv::InstallFolder() const {
  if (pSystem) return pSystem->InstallDir().string();
  return TempFolder();
}

// --- mails -------------------------------------------------------------------

namespace {

std::string MagicBodyText(const MailEnv& env) {
  return env.pLang ? env.pLang->Item("LID_MAGIC_BODY") : std::string("LID_MAGIC_BODY");
}

void RemoveFile(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
}

platform::Item NewMail(const char* subject, const std::string& body) {
  platform::Item mail =
      Redemption::ProfileSession().GetDefaultFolder(platform::olFolderOutbox).Items().Add(platform::olMailItem);
  mail.SetSubject(subject);
  mail.SetBody(body);
  return mail;
}

std::string JoinAddresses(const std::vector<std::string>& recipients) {
  std::string to;
  for (size_t i = 0; i < recipients.size(); ++i) {
    if (i) to += ";";
    to += recipients[i];
  }
  return to;
}

// Adds the items found by entry id to `into`; an id that no longer names an
// item is skipped.
void CollectByIds(const platform::Folder& folder, const std::vector<std::string>& ids,
                  std::vector<platform::Item>& into) {
  const platform::MailSession& session = Redemption::ProfileSession();
  const std::string storeId = folder.StoreID();
  for (const std::string& id : ids) {
    try {
      into.push_back(session.GetItemFromID(id, storeId));
    } catch (...) {
      // A mail deleted between the search and the look-up is simply gone.
    }
  }
}

void CollectAll(const platform::Items& items, std::vector<platform::Item>& into) {
  for (const platform::Item& item : items.All()) into.push_back(item);
}

}  // namespace

bool UseSimpleMagicRestrict(const MailEnv& env) {
  if (!env.pRegistry) return false;
  CWinReg reg(*env.pRegistry);
  if (!reg.InitForRead(CWinReg::HKEY_CURRENT_USER, "SOFTWARE\\Korvel\\Zentabo")) return false;
  return reg.GetStringValue("SimpleMagicRestrict") == "1";
}

std::vector<std::string> RestrictBySubject(const platform::Folder& folder, const std::string& subject,
                                           const std::string& messageClass) {
  Redemption::MAPITable table;
  table.Item(folder.Items());
  table.Filter().Clear();
  Redemption::Restriction& root = table.Filter().SetKind(Redemption::RES_AND);
  Redemption::Restriction& byClass = root.Add(Redemption::RES_PROPERTY);
  byClass.ulPropTag = Redemption::PR_MESSAGE_CLASS;
  byClass.relop = Redemption::RELOP_EQ;
  byClass.lpProp = messageClass;
  Redemption::Restriction& bySubject = root.Add(Redemption::RES_CONTENT);
  bySubject.ulPropTag = Redemption::PR_SUBJECT;
  bySubject.ulFuzzyLevel = Redemption::FL_SUBSTRING | Redemption::FL_IGNORECASE;
  bySubject.lpProp = subject;
  table.Columns({Redemption::PR_ENTRYID, Redemption::PR_SUBJECT});
  Redemption::MAPIUtils utils;
  table.Filter().Restrict();
  table.GoToFirst();
  std::vector<std::string> ids;
  for (std::vector<platform::PropValue> row = table.GetRow(); !row.empty(); row = table.GetRow())
    ids.push_back(utils.HrArrayToString(row[0]));
  return ids;
}

void FindMagicMails(const MailEnv& env, const platform::Folder& folder, std::vector<platform::Item>& groupMails,
                    std::vector<platform::Item>& appointmentMails) {
  groupMails.clear();
  appointmentMails.clear();
  try {
    if (UseSimpleMagicRestrict(env)) {
      g_Debug().Out2("mMain::FindMagicMails", "SimpleMagicRestrict");
      const platform::Items items = folder.Items();
      CollectAll(items.Restrict(std::string("[MessageClass] = \"IPM.Note\" And ([Subject] = \"") + kGroupMarker +
                                "\" Or [Subject] = \"" + kGroupMarker + "\")"),
                 groupMails);
      CollectAll(items.Restrict(std::string("[MessageClass] = \"IPM.Note\" And ([Subject] = \"") +
                                kAppointmentMarker + "\" Or [Subject] = \"" + kAppointmentMarkerOld + "\")"),
                 appointmentMails);
      return;
    }
    g_Debug().Out2("mMain::FindMagicMails", "USE_REDEMPTION_3_4");
    CollectByIds(folder, RestrictBySubject(folder, kGroupMarker, kMessageClassNote), groupMails);
    CollectByIds(folder, RestrictBySubject(folder, kAppointmentMarker, kMessageClassNote), appointmentMails);
    CollectByIds(folder, RestrictBySubject(folder, kAppointmentMarkerOld, kMessageClassNote), appointmentMails);
  } catch (...) {
    g_Debug().OutError("mMain.FindMagicMails");
  }
}

std::vector<platform::Item> FindMagicMailsByLMT(const platform::Folder&, const platform::Date&,
                                                const platform::Date&) {
  g_Debug().OutCall("mMain::FindMagicMailsByLMT");
  return {};
}

bool SendGroupMail(const MailEnv& env, const std::vector<std::string>& recipients, const std::string& text) {
  const std::string attachPath = env.TempFolder() + "/Attach.txt";
  try {
    platform::Item mail = NewMail(kGroupMarker, BuildGroupBody(MagicBodyText(env)));
    {
      std::ofstream out(attachPath, std::ios::binary | std::ios::trunc);
      out << text << kCrLf;
      if (!out.flush()) throw platform::Error("can't write " + attachPath);
    }
    mail.Attachments().Add(attachPath, platform::olByValue, 1, "ZTB");
    RemoveFile(attachPath);
    Redemption::SafeMailItem safe;
    safe.Item(mail);
    safe.To(JoinAddresses(recipients));
    safe.Send();
    return true;
  } catch (...) {
    g_Debug().OutError("mMain.SendGroupMail");
    RemoveFile(attachPath);
    return false;
  }
}

bool SendXml(const MailEnv& env, const std::string& xmlPath, const std::string& recipients,
             const std::string& action, const std::string& itemsZipPath) {
  const std::string zipPath = GetWorkFilePath(env, "AttachFile.zip");
  try {
    RemoveFile(zipPath);
    if (!mZip::ZipFile(zipPath, xmlPath)) {
      g_Debug().OutWarning("mMain.SendXml", "(0) Error in zip file");
      return false;
    }
    const std::string synchTime = Date2CStr(env.Now().Add("n", GetTimeZoneBias()));
    platform::Item mail =
        NewMail(kAppointmentMarker, BuildAppointmentBody(MagicBodyText(env), action, env.CurAddress(),
                                                         GetSynchRange(mOptions::g_Options()), synchTime));
    Redemption::SafeMailItem safe;
    safe.Item(mail);
    safe.To(recipients);
    safe.AttachmentsAdd(zipPath);
    if (!itemsZipPath.empty()) safe.AttachmentsAdd(itemsZipPath, "ItemsAttachments");
    safe.Send();
    RemoveFile(zipPath);
    RemoveFile(xmlPath);
    return true;
  } catch (...) {
    // The document stays: the items it holds are still to be sent.
    g_Debug().OutError("mMain.SendXml");
    RemoveFile(zipPath);
    return false;
  }
}

std::vector<std::string> ReadHeader(const platform::Item& mail) {
  Redemption::SafeMailItem safe;
  safe.Item(mail);
  return SplitHeader(safe.Body());
}

std::string GetSenderAddress(const platform::Item& mail) {
  try {
    Redemption::SafeMailItem safe;
    safe.Item(mail);
    const platform::PropValue value = safe.Fields(Redemption::PR_SENDER_EMAIL_ADDRESS);
    if (const std::string* text = std::get_if<std::string>(&value)) return *text;
    return "";
  } catch (...) {
    g_Debug().OutError("mMain.GetSenderAddress");
    return "";
  }
}

bool DiscardMail(platform::Item mail) {
  try {
    mail.SetUnRead(false);
    mail.Save();
    mail.Delete();
    return true;
  } catch (...) {
    g_Debug().OutError("mMain.DiscardMail");
    return false;
  }
}

std::string GetSynchRange(const mOptions::Options& options) {
  return FormatSynchRange(static_cast<int>(options.BackUnit), static_cast<int>(options.BackCount),
                          static_cast<int>(options.ForwardUnit), static_cast<int>(options.ForwardCount));
}

void ApplySynchRange(platform::Registry& registry, const std::string& storeId, const std::string& received,
                     mOptions::Options& options) {
  try {
    const SynchWindow local{static_cast<int>(options.BackUnit), static_cast<int>(options.BackCount),
                            static_cast<int>(options.ForwardUnit), static_cast<int>(options.ForwardCount), false};
    const SynchWindow wide = WidenSynchRange(received, local);
    if (!wide.changed) return;
    options.BackUnit = wide.backUnit;
    options.BackCount = wide.backCount;
    options.ForwardUnit = wide.forwardUnit;
    options.ForwardCount = wide.forwardCount;
    mOptions::SaveOption(registry, storeId, "BackUnit", options.BackUnit);
    mOptions::SaveOption(registry, storeId, "BackCount", options.BackCount);
    mOptions::SaveOption(registry, storeId, "ForwardUnit", options.ForwardUnit);
    mOptions::SaveOption(registry, storeId, "ForwardCount", options.ForwardCount);
  } catch (...) {
    g_Debug().OutError("mMain.ApplySynchRange");
  }
}

}  // namespace mMain
