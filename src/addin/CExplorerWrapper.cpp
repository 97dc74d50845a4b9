#include "addin/CExplorerWrapper.h"

#include "diagnostics/CDebug.h"

CExplorerWrapper::CExplorerWrapper(platform::Explorers& explorers, Reporter report)
    : m_explorers(explorers), m_report(std::move(report)) {}

CExplorerWrapper::~CExplorerWrapper() { Done(); }

void CExplorerWrapper::Hook(const platform::Explorer& explorer) {
  Done();
  m_explorer = explorer;
  m_subscription = m_explorers.OnExplorerEvent(
      explorer.id, [this](const platform::Explorer&, platform::ExplorerEvent e) { OnEvent(e); });
}

void CExplorerWrapper::Init(const platform::Explorer& explorer) {
  try {
    if (m_subscription == 0 || m_explorer.id != explorer.id) Hook(explorer);
    m_bWaiting = false;
    m_report("OnExplorer", *this);
  } catch (...) {
    g_Debug().OutError("CExplorer.Init");
  }
}

void CExplorerWrapper::InitWaitActivate(const platform::Explorer& explorer) {
  try {
    Hook(explorer);
    m_bWaiting = true;
  } catch (...) {
    g_Debug().OutError("CExplorer.InitWaitActivate");
  }
}

void CExplorerWrapper::Done() {
  if (m_subscription) m_explorers.Unsubscribe(m_subscription);
  m_subscription = 0;
}

void CExplorerWrapper::OnEvent(platform::ExplorerEvent e) {
  // The list may drop this wrapper while it handles the report.
  auto keep = shared_from_this();
  try {
    switch (e) {
      case platform::ExplorerEvent::Activate:
        if (m_bWaiting) Init(m_explorer);
        break;
      case platform::ExplorerEvent::Close:
        Done();
        m_report("Close", *this);
        break;
      case platform::ExplorerEvent::FolderSwitch:
        m_report("FolderSwitch", *this);
        break;
      case platform::ExplorerEvent::SelectionChange:
        m_report("SelectionChange", *this);
        break;
    }
  } catch (...) {
    g_Debug().OutError("CExplorer.OnEvent");
  }
}

void CExplorerWrapper::AddAssociatedObject(const std::string& key, std::any object) {
  m_objects[key] = std::move(object);
}

std::any CExplorerWrapper::GetAssociatedObject(const std::string& key) const {
  auto it = m_objects.find(key);
  return it == m_objects.end() ? std::any() : it->second;
}

void CExplorerWrapper::RemoveAssociatedObject(const std::string& key) { m_objects.erase(key); }
