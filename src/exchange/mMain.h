#pragma once
// mMain: the mail operations of the envelope every add-in mail carries (its
// text is mEnvelope's): how magic mails are sent and found again in the
// Inbox, the working files beside the add-in, and what happens to a mail
// once it has been processed.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Clock.h"
#include "platform/Date.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "platform/store/Item.h"
#include "options/mOptions.h"
#include "platform/store/Folder.h"
#include "exchange/mEnvelope.h"

class CLang;
namespace Redemption {
class RDOSession;
}

namespace mMain {

// What the envelope needs from the running add-in. The connection class
// makes one when the add-in starts and keeps it for the run; every
// reference must outlive it.
struct MailEnv {
  MailEnv(const Redemption::RDOSession& rdo, platform::System& sys, platform::Registry& reg, platform::Clock& clk,
          CLang& language, std::function<std::string()> currentAddress = {})
      : session(rdo), system(sys), registry(reg), clock(clk), lang(language), CurrentAddress(std::move(currentAddress)) {}

  const Redemption::RDOSession& session;  // the logged-on profile: mails are made, found and sent through it
  platform::System& system;               // temporary and installation folders
  platform::Registry& registry;           // the machine-wide switch SimpleMagicRestrict
  platform::Clock& clock;                 // sending times
  CLang& lang;                            // LID_MAGIC_BODY
  // The current user's address as the add-in knows it; without it the
  // profile's current user address.
  std::function<std::string()> CurrentAddress;

  std::string CurAddress() const;
  // The local time now.
  platform::Date Now() const;
  std::string TempFolder() const;
  std::string InstallFolder() const;
};

// Installation folder + "/" + name (the add-in's working files live there).
std::string GetWorkFilePath(const MailEnv& env, const std::string& name);

// The standard time-zone bias in minutes (universal time = local time + bias),
// read once and kept; a bias of 0 is read again at each call.
int GetTimeZoneBias();

// --- mails -------------------------------------------------------------------

// Finds the magic mails of `folder` (the Inbox): group messages into
// groupMails, appointment mails (current and earlier marker) into
// appointmentMails, each in the order found. With the registry switch
// SimpleMagicRestrict = "1" the subject must equal a marker; otherwise it
// need only contain it, in any letter case. A failure stops the search and
// keeps what was found (logged).
void FindMagicMails(const MailEnv& env, const platform::Folder& folder, std::vector<platform::Item>& groupMails,
                    std::vector<platform::Item>& appointmentMails);

// Entry ids (hex text) of the items of `folder` whose message class equals
// messageClass and whose subject contains `subject` ignoring case. Throws
// platform::Error when the table cannot be read (FindMagicMails logs it).
std::vector<std::string> RestrictBySubject(const platform::Folder& folder, const std::string& subject,
                                           const std::string& messageClass);

// True when the registry switch SimpleMagicRestrict under the product key is "1".
bool UseSimpleMagicRestrict(const MailEnv& env);

// Sends one group message to the addresses: subject marker, version window in
// the body, the text (with a trailing line break) as the attachment
// "Attach.txt" shown as "ZTB". False (logged, source "mMain.SendGroupMail")
// when the mail cannot be built or sent.
bool SendGroupMail(const MailEnv& env, const std::vector<std::string>& recipients, const std::string& text);

// Sends one appointment mail: xmlPath zipped into "AttachFile.zip" in the
// installation folder, the optional itemsZipPath attached as
// "ItemsAttachments". "AttachFile.zip" is deleted afterwards, the XML file
// only once the mail was sent (the items' zip never). False when zipping
// fails (warning "Error in zip file", nothing sent) or the mail cannot be
// sent (logged; the XML file is kept).
bool SendXml(const MailEnv& env, const std::string& xmlPath, const std::string& recipients,
             const std::string& action, const std::string& itemsZipPath);

// The header lines of a received mail's body, read through the safe wrapper
// (see SplitHeader). Throws platform::Error when the body cannot be read.
std::vector<std::string> ReadHeader(const platform::Item& mail);

// The sender address stored in the mail; "" when it cannot be read (logged).
std::string GetSenderAddress(const platform::Item& mail);

// The life's end of a processed mail: marked read and deleted (into Deleted
// Items). False (logged) when the store refuses.
bool DiscardMail(platform::Item mail);

}  // namespace mMain
