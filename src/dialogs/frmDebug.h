#pragma once
// frmDebug: the debug settings dialog as a view-model. It shows the debug
// writer's sink and detail level (for this run) and the product's log
// switches (kept in the registry: ZipLogs, DebugButton and the LogEvents
// bits) and applies what the user confirms. The prompt layer shows it as
// the form "frmDebug" with one field per setting.
#include <string>
#include <vector>

#include "diagnostics/CDebug.h"
#include "lang/CLang.h"
#include "lang/FormModel.h"
#include "options/COptions.h"
#include "platform/Prompt.h"

class frmDebug : public FormModel {
 public:
  // debug and options must outlive the dialog; the form starts from their values.
  frmDebug(CDebug& debug, COptions& options);

  static const std::vector<std::string>& FieldNames();

  std::string Get(const std::string& field) const;
  // False (reason in LastError) for an unknown field or a text that is no
  // value of it; nothing changes then. DebugLevel takes 1 to 3.
  bool Set(const std::string& field, const std::string& text);
  const std::string& LastError() const { return m_lastError; }

  // OK: writes the switches to the registry and the writer.
  void OnOK();

  // Runs the dialog through `prompt`; a refused field shows why and the form
  // again, the same refused answer twice counts as Cancel. True when applied.
  bool ShowModal(platform::Prompt& prompt, CLang* lang);

 private:
  CDebug& m_debug;
  COptions& m_options;
  bool m_bSupportLog;
  long m_nDebugLevel;
  long m_nZipLogs;
  long m_nDebugButton;
  bool m_bits[4];
  std::string m_lastError;
};
