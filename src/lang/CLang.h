#pragma once
// CLang: one loaded language file (*.lng). Every user-visible text of the
// add-in is looked up here by its "LID_" identifier, and every form is
// relabelled (and, where a language needs it, resized) from the file's form
// sections when it is shown. A file edited while the add-in runs is reloaded
// the next time a form is localised. Errors in a file are written to the
// debug log with their line number; they never stop the add-in.
//
// File grammar (lines trimmed; empty lines and lines starting with ' skipped):
//   [version]            version = "1.0"   lang = "English"
//   [English]            texts = "main, dialogs"   forms = "frmLang"   dumpforms = "0"
//   [English.main]       LID_GROUP_NAME = "text with ""quotes"""   ' trailing comment
//   [English.frmLang]    btnOK.Caption = "OK"   btnOK = "OK" (caption)   .Caption = "form title"
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "lang/FormModel.h"

class CLang {
 public:
  // installFolder: the add-in's installation folder, searched by
  // GetAvailableLangs and the base of picture paths and of the Dump folder.
  explicit CLang(std::string installFolder);

  // Applies the form's section to `form` (dumping it first when the file asks
  // for dumps). Reloads the file first when it changed on disk. Unknown
  // controls and properties are logged and skipped; a form without a section
  // is logged and left unchanged.
  void LocalizeForm(FormModel& form);
  void LocalizeUserControl(FormModel& control);
  // Writes the form's controls to Dump/<form name>.txt under the installation
  // folder, in the grammar of a form section. Returns false (logged) when the
  // file cannot be written.
  bool DumpForm(const FormModel& form);
  bool DumpUserControl(const FormModel& control);

  // Loads `fileName` completely, replacing what was loaded before only when
  // the whole file is valid. Returns false on any error (logged with source
  // "CLang.Init").
  bool Init(const std::string& fileName, const std::string& productName);

  // One element per *.lng file of the installation folder whose [version]
  // section names both version and lang: lang + "\r\n" + full path.
  std::vector<std::string> GetAvailableLangs();

  // The text of an identifier (compared without regard to case); the two
  // characters \n in it become a line break. A missing identifier is logged
  // and yields the identifier itself.
  std::string Item(const std::string& id);

  const std::string& Filename() const { return m_strFilename; }
  const std::string& Version() const { return m_strVersion; }
  const std::string& Lang() const { return m_strLang; }
  const std::string& InstallFolder() const { return m_installFolder; }
  bool DumpForms() const { return m_bDumpForms; }

  // Outcome of reading one section.
  enum class SectionResult { Found, Missing, Error };
  // The parser behind Init: reads the entries (lower-cased name, value between
  // the quotes with "" undoubled) of section `section` of `fileName`, in file
  // order. Errors are logged with their line number; reading stops at the
  // first one.
  SectionResult ReadSection(const std::string& fileName, const std::string& section,
                            std::vector<std::pair<std::string, std::string>>& entries);

 private:
  bool Localize(FormModel& form);
  bool Dump(const FormModel& form);
  std::filesystem::file_time_type ModTime(const std::string& fileName) const;

  std::string m_installFolder;
  std::string m_strFilename;
  std::string m_strProduct;
  std::filesystem::file_time_type m_modTime{};
  std::string m_strVersion;
  std::string m_strLang;
  std::map<std::string, std::string> m_texts;
  std::map<std::string, std::vector<std::pair<std::string, std::string>>> m_forms;
  bool m_bDumpForms = false;
};

// The start-up load of the language: loads `fileName` (empty: english.lng in
// the installation folder); when that fails and the file was not english.lng,
// logs and tries english.lng once. Returns false when no file could be loaded
// (the add-in then runs without localised texts).
bool LoadLanguageFile(CLang& lang, const std::string& fileName, const std::string& productName = "Zentabo");
