#include "exchange/mMain.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "platform/redemption/RDOSession.h"
#include "platform/redemption/MAPITable.h"
#include "platform/redemption/MAPIUtils.h"
#include "platform/redemption/SafeItems.h"
#include "diagnostics/CDebug.h"
#include "exchange/mZip.h"
#include "lang/CLang.h"
#include "options/COptions.h"
#include "options/CWinReg.h"
#include "options/mSynchRange.h"
#include "platform/Error.h"
#include "platform/FileUtil.h"
#include "platform/Text.h"
#include "platform/store/Attachments.h"
#include "platform/store/Items.h"

namespace mMain {

using namespace mEnvelope;

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
  return session.Profile().CurrentUserAddress();
}

platform::Date MailEnv::Now() const { return clock.Now(); }

std::string MailEnv::TempFolder() const { return system.TempDir().string(); }

std::string MailEnv::InstallFolder() const { return system.InstallDir().string(); }

// --- mails -------------------------------------------------------------------

namespace {

std::string MagicBodyText(const MailEnv& env) { return env.lang.Item("LID_MAGIC_BODY"); }

// A work file left behind is harmless: the next mail overwrites it.
void RemoveFile(const std::string& path) {
  try {
    platform::FileUtil::Delete(path);
  } catch (...) {
    g_Debug().OutError("mMain.RemoveFile");
  }
}

platform::Item NewMail(const MailEnv& env, const char* subject, const std::string& body) {
  platform::Item mail =
      env.session.Profile().GetDefaultFolder(platform::olFolderOutbox).Items().Add(platform::olMailItem);
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
void CollectByIds(const MailEnv& env, const platform::Folder& folder, const std::vector<std::string>& ids,
                  std::vector<platform::Item>& into) {
  const std::string storeId = folder.StoreID();
  for (const std::string& id : ids) {
    try {
      into.push_back(env.session.GetMessageFromID(id, storeId));
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
  CWinReg reg(env.registry);
  if (!reg.InitForRead(CWinReg::HKEY_CURRENT_USER, COptions::kRegPath)) return false;
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
  table.Filter().Restrict();
  table.GoToFirst();
  std::vector<std::string> ids;
  for (std::vector<platform::PropValue> row = table.GetRow(); !row.empty(); row = table.GetRow())
    ids.push_back(Redemption::MAPIUtils::HrArrayToString(row[0]));
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
    CollectByIds(env, folder, RestrictBySubject(folder, kGroupMarker, kMessageClassNote), groupMails);
    CollectByIds(env, folder, RestrictBySubject(folder, kAppointmentMarker, kMessageClassNote), appointmentMails);
    CollectByIds(env, folder, RestrictBySubject(folder, kAppointmentMarkerOld, kMessageClassNote), appointmentMails);
  } catch (...) {
    g_Debug().OutError("mMain.FindMagicMails");
  }
}

bool SendGroupMail(const MailEnv& env, const std::vector<std::string>& recipients, const std::string& text) {
  try {
    platform::Item mail = NewMail(env, kGroupMarker, BuildGroupBody(MagicBodyText(env)));
    const std::string content = text + kCrLf;
    mail.Attachments().AddData("Attach.txt", platform::Bytes(content.begin(), content.end()), 1, "ZTB");
    Redemption::SafeMailItem safe(env.session);
    safe.Item(mail);
    safe.To(JoinAddresses(recipients));
    safe.Send();
    return true;
  } catch (...) {
    g_Debug().OutError("mMain.SendGroupMail");
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
        NewMail(env, kAppointmentMarker, BuildAppointmentBody(MagicBodyText(env), action, env.CurAddress(),
                                                              mOptions::GetSynchRange(mOptions::g_Options()), synchTime));
    Redemption::SafeMailItem safe(env.session);
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

}  // namespace mMain
