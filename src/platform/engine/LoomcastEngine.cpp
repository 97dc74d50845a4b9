#include "platform/engine/LoomcastEngine.h"

#include <fstream>

#include "platform/Error.h"
#include "platform/store/StoreCore.h"

namespace platform::loomcast {

// What the folder watches share with the engine; they hold it weakly, so a
// watch outliving the engine calls nobody.
struct LoomcastEngine::Hub {
  ILoomcastExt* ext = nullptr;
  uint64_t delivered = 0;
  uint64_t notHandled = 0;
  std::string logPath;
};

namespace {

using detail::EventKind;

void AppendLog(const std::string& path, const std::string& line) {
  if (path.empty()) return;
  std::ofstream out(path, std::ios::app);
  out << line << '\n';
}

// One watched folder: its store subscriptions, dropped with the last handle.
struct Watch {
  std::weak_ptr<detail::StoreCore> core;
  std::vector<Subscription> subscriptions;
  ~Watch() {
    if (auto c = core.lock())
      for (Subscription s : subscriptions) c->Unsubscribe(s);
  }
};

void Raise(LoomcastEngine::Hub& hub, EventKind kind, const LoomcastItem& item) {
  if (!hub.ext) return;
  ++hub.delivered;
  bool ignore = false;
  // The extension handles its own failures; one that escapes must not stop
  // the event loop, so it is written to the engine's log.
  try {
    switch (kind) {
      case EventKind::Add: hub.ext->onItemAdded(item, ignore); break;
      case EventKind::Change: hub.ext->onItemChanged(item, ignore); break;
      case EventKind::Remove: hub.ext->onItemDeleted(item, ignore); break;
    }
  } catch (const std::exception& e) {
    AppendLog(hub.logPath, std::string("extension failed on item ") + item.EntryID() + ": " + e.what());
  }
  if (!ignore) ++hub.notHandled;
}

}  // namespace

LoomcastEngine::LoomcastEngine(MailSession& session, EventLoop& loop, Registry& reg)
    : m_session(session), m_loop(loop), m_reg(reg), m_hub(std::make_shared<Hub>()) {}

LoomcastEngine::~LoomcastEngine() { m_hub->ext = nullptr; }

void LoomcastEngine::SetExtension(ILoomcastExt* ext) {
  if (!ext) {
    m_hub->ext = nullptr;
    return;
  }
  std::string path;
  std::string code;
  ext->DatabasePath(path);
  ext->ProductCode(code);
  if (path.empty()) throw Error("the sharing engine's extension names no database file");
  auto db = std::make_unique<LoomcastDatabase>(path);
  db->SetProductCode(code);
  m_db = std::move(db);
  m_databasePath = path;
  m_productCode = code;
  m_settings = ReadSettings(m_reg, code);
  m_hub->logPath = m_settings.strLogs;
  m_hub->ext = ext;
  Log("extension registered, product code " + code + ", database " + path);
}

ILoomcastExt* LoomcastEngine::Extension() const { return m_hub->ext; }

LoomcastFolder LoomcastEngine::GetFolder(const std::string& folderEntryId, const std::string& storeId) {
  if (!m_hub->ext || storeId != m_session.StoreID()) return LoomcastFolder();
  if (auto it = m_watches.find(folderEntryId); it != m_watches.end())
    if (auto alive = it->second.lock()) return LoomcastFolder(folderEntryId, storeId, alive);
  const std::shared_ptr<detail::StoreCore>& core = m_session.Core();
  const std::optional<int64_t> id = core->ParseFolderEntryID(folderEntryId);
  std::string name;
  try {
    if (!id) return LoomcastFolder();
    name = core->GetFolder(*id).name;
  } catch (const Error&) {
    return LoomcastFolder();
  }
  auto watch = std::make_shared<Watch>();
  watch->core = core;
  std::weak_ptr<Hub> hub = m_hub;
  for (EventKind kind : {EventKind::Add, EventKind::Change, EventKind::Remove}) {
    std::weak_ptr<detail::StoreCore> weakCore = core;
    watch->subscriptions.push_back(core->Subscribe(*id, kind, [hub, weakCore, kind, folderEntryId, storeId](int64_t item) {
      auto h = hub.lock();
      auto c = weakCore.lock();
      if (!h || !c) return;
      Raise(*h, kind, LoomcastItem(c->ItemEntryID(item), LoomcastFolder(folderEntryId, storeId)));
    }));
  }
  m_watches[folderEntryId] = watch;
  m_db->RememberFolder(folderEntryId, storeId, name);
  Log("watching folder " + name + " " + folderEntryId);
  return LoomcastFolder(folderEntryId, storeId, std::shared_ptr<const void>(watch));
}

uint64_t LoomcastEngine::EventsDelivered() const { return m_hub->delivered; }
uint64_t LoomcastEngine::EventsNotHandled() const { return m_hub->notHandled; }

void LoomcastEngine::AsUser(const std::function<void()>& change) {
  change();
  DrainEvents();
}

size_t LoomcastEngine::DrainEvents() { return m_loop.DrainMessages(); }

void LoomcastEngine::Log(const std::string& line) const { AppendLog(m_hub->logPath, line); }

}  // namespace platform::loomcast
