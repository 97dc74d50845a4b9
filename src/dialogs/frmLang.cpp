#include "dialogs/frmLang.h"

#include <filesystem>

#include "diagnostics/CDebug.h"

frmLang::frmLang(CLang& lang) : FormModel("frmLang"), m_lang(lang) {
  Self().caption = "Language";
  AddControl("lblLang", "Label");
  AddControl("lstLang", "ListBox");
  AddControl("btnOK", "CommandButton", "OK");
  AddControl("btnCancel", "CommandButton", "Cancel");
}

void frmLang::Form_Load() {
  try {
    m_lang.LocalizeForm(*this);
    m_names.clear();
    m_files.clear();
    for (const std::string& entry : m_lang.GetAvailableLangs()) {
      const size_t sep = entry.find("\r\n");
      m_names.push_back(entry.substr(0, sep));
      m_files.push_back(sep == std::string::npos ? std::string() : entry.substr(sep + 2));
    }
    if (m_names.empty()) {
      m_names.push_back("English");
      m_files.push_back("");
    }
    m_index = 0;
    std::error_code ec;
    for (size_t i = 0; i < m_files.size(); ++i) {
      if (!m_files[i].empty() && !m_lang.Filename().empty() &&
          std::filesystem::equivalent(m_files[i], m_lang.Filename(), ec)) {
        m_index = static_cast<int>(i);
        break;
      }
    }
  } catch (...) {
    g_Debug().OutError("frmLang.Form_Load");
  }
}

void frmLang::ListIndex(int index) {
  if (index >= 0 && index < static_cast<int>(m_names.size())) m_index = index;
}

bool frmLang::btnOK_Click(platform::Prompt& prompt) {
  try {
    if (m_index < 0 || m_index >= static_cast<int>(m_files.size())) return false;
    std::string file = m_files[static_cast<size_t>(m_index)];
    if (file.empty()) file = (std::filesystem::path(m_lang.InstallFolder()) / "english.lng").string();
    if (!m_lang.Init(file, "Zentabo")) {
      prompt.MessageBox(m_lang.Item("LID_FILE_LOAD_ERROR"), "Zentabo", platform::Buttons::OK,
                        platform::Icon::Critical);
      return false;
    }
    m_chosen = file;
    return true;
  } catch (...) {
    g_Debug().OutError("frmLang.btnOK_Click");
    return false;
  }
}
