#include "groups/mFailSafe.h"

#include <optional>
#include <unordered_set>
#include <vector>

#include "diagnostics/CDebug.h"
#include "exchange/CXmlAppointments.h"
#include "exchange/mMain.h"
#include "exchange/mSendAppointments.h"
#include "exchange/mZip.h"
#include "platform/Digest.h"
#include "platform/Error.h"
#include "platform/FileUtil.h"
#include "platform/Text.h"
#include "platform/store/MailSession.h"
#include "platform/store/ProfileQueue.h"
#include "sync/CSyncContext.h"

bool StoreGroups(CGroups& groups, const std::string& strPath) {
  try {
    if (platform::FileUtil::Exists(strPath)) platform::FileUtil::Delete(strPath);
    return groups.SaveToXml(strPath);
  } catch (...) {
    g_Debug().OutError("mFailSafe.StoreGroups");
    return false;
  }
}

bool RestoreGroups(CGroups& groups, const std::string& strPath) {
  try {
    if (strPath.empty() || !platform::FileUtil::Exists(strPath)) return false;
    if (platform::FileUtil::Size(strPath) == 0) return false;
    CGroupsEnv& env = groups.Env();
    CGroups restored(env);
    if (!restored.LoadFromXml(strPath)) {
      env.Message(env.Text("LID_FILE_LOAD_ERROR"), "Zentabo", platform::Buttons::OK, platform::Icon::Critical);
      return false;
    }
    if (!restored.Valid()) return false;
    groups.CopyFrom(restored);
    groups.Save();
    return true;
  } catch (...) {
    g_Debug().OutError("mFailSafe.RestoreGroups");
    return false;
  }
}

bool BackupGroupsCommand(CGroups& groups) {
  const CGroupsEnv& env = groups.Env();
  if (!env.pPrompt) return false;
  const std::string path = platform::Trim(env.pPrompt->SaveFileDialog("Zentabo", kBackupFilter), platform::kSpaces);
  if (path.empty()) return false;
  return StoreGroups(groups, path);
}

bool RestoreGroupsCommand(CGroups& groups) {
  const CGroupsEnv& env = groups.Env();
  if (!env.pPrompt) return false;
  const std::string path = platform::Trim(env.pPrompt->OpenFileDialog("Zentabo", kBackupFilter, ""), platform::kSpaces);
  if (path.empty()) return false;
  return RestoreGroups(groups, path);
}

std::string FSItemsPath(const std::string& workFolder, const std::string& storeKey) {
  return workFolder + "/Temp/" + storeKey + "SaveItems.xml";
}

std::string FSAttachesPath(const std::string& workFolder, const std::string& storeKey) {
  return workFolder + "/Temp/" + storeKey + "SaveItemsAttaches.zip";
}

namespace {

// The context FSStore and FSRestore work on; throws when the add-in has not
// installed one with what they need.
CSyncContext& FailSafeContext() {
  CSyncContext* ctx = g_Sync();
  if (!ctx || !ctx->pMail || !ctx->pGroups) throw platform::Error("the add-in's context is not installed");
  if (ctx->strStoreId.empty()) throw platform::Error("the store key is not known");
  return *ctx;
}

}  // namespace

void FSStore() {
  try {
    CSyncContext* installed = g_Sync();
    if (!installed || installed->colPending.Count() == 0) return;
    CSyncContext& ctx = FailSafeContext();
    if (ctx.pGroups->GetAppointsRecivers().empty()) return;
    CXmlAppointments xml(FSItemsPath(ctx.pMail->InstallFolder(), ctx.strStoreId));
    xml.Create();
    platform::FileUtil::MakeDirs(ctx.pMail->InstallFolder() + "/Temp");
    const std::string zipPath = FSAttachesPath(ctx.pMail->InstallFolder(), ctx.strStoreId);
    platform::FileUtil::Delete(zipPath);
    mSendAppointments::AttachmentIDs ids;
    const mSendAppointments::WriteEnv env = mSendAppointments::SyncWriteEnv(ctx, ids);
    mSendAppointments::WriteAppointments(xml, ctx.colPending, zipPath, env);
    // Written beside and renamed in: a run killed while writing leaves no
    // half document for the next start to misread.
    const std::string itemsPath = xml.GetFilename();
    platform::FileUtil::Delete(itemsPath);
    xml.SetFilename(itemsPath + ".part");
    if (!xml.Save()) throw platform::Error("the pending items could not be written to " + itemsPath);
    platform::FileUtil::Rename(itemsPath + ".part", itemsPath);
    g_Debug().Out("FSStore: " + std::to_string(ctx.colPending.Count()) + " pending items kept in " + itemsPath);
  } catch (...) {
    g_Debug().OutError("mFailSafe.FSStore");
  }
}

void FSRestore() {
  try {
    CSyncContext& ctx = FailSafeContext();
    const std::string folder = ctx.pMail->InstallFolder() + "/Temp";
    const std::string itemsPath = FSItemsPath(ctx.pMail->InstallFolder(), ctx.strStoreId);
    const std::string zipPath = FSAttachesPath(ctx.pMail->InstallFolder(), ctx.strStoreId);
    platform::FileUtil::Delete(itemsPath + ".part");
    if (!platform::FileUtil::Exists(itemsPath)) return;
    // The work files outlive the batch that sends them: the batch records
    // their digest (the last one sent is kept), so that files a killed run
    // could not remove are not sent a second time.
    std::optional<platform::ProfileQueue> sent;
    if (ctx.pSession) sent.emplace(*ctx.pSession, "FailSafeSent");
    const std::string digest = platform::Digest::Sha256Hex(platform::FileUtil::ReadFile(itemsPath));
    const std::string recipients = ctx.pGroups->GetAppointsRecivers();
    if (!recipients.empty() && !(sent && sent->Contains(digest))) {
      CXmlAppointments xml(itemsPath);
      if (xml.Load() && !xml.IsEmpty()) {
        const bool hasAttachments = mZip::FileExists(zipPath) && mZip::GetNumFilesInZip(zipPath) >= 1;
        auto send = [&] {
          mMain::SendXml(*ctx.pMail, itemsPath, recipients, "", hasAttachments ? zipPath : "");
          // The saved changes travel in this mail only: the profile's queue,
          // which still holds them, lets them go in the same batch.
          const std::unordered_set<std::string> inDocument = xml.ItemIDs();
          std::vector<std::string> carried;
          for (const CAppointment& rec : ctx.colPending)
            if (inDocument.count(rec.m_strItemID) != 0) carried.push_back(rec.m_strItemID);
          for (const std::string& id : carried) ctx.colPending.Remove(id);
          if (sent) {
            sent->Clear();
            sent->Put(digest, "");
          }
        };
        if (ctx.pSession)
          ctx.pSession->Batch(send);
        else
          send();
      }
    }
    platform::FileUtil::Delete(itemsPath);
    platform::FileUtil::Delete(zipPath);
    try {
      platform::FileUtil::Delete(folder);  // stays while it holds other files
    } catch (...) {
    }
  } catch (...) {
    g_Debug().OutError("mFailSafe.FSRestore");
  }
}
