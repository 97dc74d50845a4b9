#include "addin/CExplorersWrapper.h"

#include <algorithm>

#include "diagnostics/CDebug.h"

CExplorersWrapper::~CExplorersWrapper() { Done(true); }

std::shared_ptr<CExplorerWrapper> CExplorersWrapper::NewWrapper() {
  std::weak_ptr<CExplorersWrapper> weak = weak_from_this();
  return std::make_shared<CExplorerWrapper>(*m_explorers, [weak](const std::string& name, CExplorerWrapper& w) {
    if (auto list = weak.lock()) list->EventFromExplorer(name, w);
  });
}

void CExplorersWrapper::Init(platform::Explorers& explorers) {
  try {
    // The owner's handlers may end the list (a failed start-up shuts down).
    auto keep = shared_from_this();
    Done(true);
    m_explorers = &explorers;
    m_newSub = explorers.OnNewExplorer([this](const platform::Explorer& e) { OnNewExplorer(e); });
    for (const platform::Explorer& e : std::vector<platform::Explorer>(explorers.List())) {
      if (!m_explorers) break;
      auto w = NewWrapper();
      m_list.push_back(w);
      w->Init(e);
    }
  } catch (...) {
    g_Debug().OutError("CExplorers.Init");
  }
}

void CExplorersWrapper::OnNewExplorer(const platform::Explorer& explorer) {
  try {
    auto w = NewWrapper();
    w->InitWaitActivate(explorer);
    m_list.push_back(w);
  } catch (...) {
    g_Debug().OutError("CExplorers.m_oExplorers_NewExplorer");
  }
}

void CExplorersWrapper::EventFromExplorer(const std::string& name, CExplorerWrapper& wrapper) {
  auto keep = shared_from_this();
  try {
    const platform::Explorer explorer = wrapper.GetObject();
    if (name == "OnExplorer") {
      const bool first = std::none_of(m_list.begin(), m_list.end(), [&](const auto& w) {
        return w.get() != &wrapper && !w->WaitingActivateEvent();
      });
      if (m_events.OnExplorer) m_events.OnExplorer(explorer, first, wrapper.WaitingActivateEvent());
    } else if (name == "Close") {
      m_list.erase(std::remove_if(m_list.begin(), m_list.end(), [&](const auto& w) { return w.get() == &wrapper; }),
                   m_list.end());
      if (m_list.empty() && m_events.OnCloseAllExplorers) m_events.OnCloseAllExplorers();
    } else if (name == "SelectionChange") {
      if (m_events.OnExplorerSelectionChange) m_events.OnExplorerSelectionChange(explorer);
    } else if (name == "FolderSwitch") {
      if (m_events.OnExplorerFolderSwitch) m_events.OnExplorerFolderSwitch(explorer);
    } else {
      g_Debug().OutCustomError("CExplorers::EventFromExplorer", "Unsuported event raised - " + name);
    }
  } catch (...) {
    g_Debug().OutError("CExplorers::EventFromExplorer");
  }
}

CExplorerWrapper* CExplorersWrapper::Item(int index) const {
  if (index < 1 || index > Count()) return nullptr;
  return m_list[index - 1].get();
}

CExplorerWrapper* CExplorersWrapper::Find(int explorerId) const {
  for (const auto& w : m_list)
    if (w->GetObject().id == explorerId) return w.get();
  return nullptr;
}

void CExplorersWrapper::Done(bool full) {
  try {
    std::vector<std::shared_ptr<CExplorerWrapper>> list;
    list.swap(m_list);
    for (auto& w : list) w->Done();
    if (full && m_explorers) {
      if (m_newSub) m_explorers->Unsubscribe(m_newSub);
      m_newSub = 0;
      m_explorers = nullptr;
    }
  } catch (...) {
    g_Debug().OutError("CExplorers.Done");
  }
}
