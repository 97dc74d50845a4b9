#pragma once
// frmLang: the language chooser. Lists the languages of the *.lng files in
// the add-in's folder and loads the chosen one into the add-in's language
// object. Writing the choice to the registry and relabelling the menus is
// the caller's part once OK has succeeded.
#include <string>
#include <vector>

#include "lang/CLang.h"
#include "lang/FormModel.h"
#include "platform/Prompt.h"

class frmLang : public FormModel {
 public:
  // lang: the add-in's language object, loaded on OK; must outlive the form.
  explicit frmLang(CLang& lang);

  // Localises the form and fills the list: the language names of
  // GetAvailableLangs in file-name order, or the single entry "English" when
  // none is found. Selects the entry of the currently loaded file (else the first).
  void Form_Load();

  // The listed names and the file of each ("" for the stand-in "English").
  const std::vector<std::string>& LangNames() const { return m_names; }
  const std::vector<std::string>& LangFiles() const { return m_files; }
  int ListIndex() const { return m_index; }
  // Selects an entry; out-of-range indexes are ignored.
  void ListIndex(int index);

  // Loads the selected file with Init(file, "Zentabo"). On failure shows the
  // text of LID_FILE_LOAD_ERROR in a message box and returns false (the form
  // stays open). True when the new language is loaded; ChosenFile names it.
  bool btnOK_Click(platform::Prompt& prompt);
  const std::string& ChosenFile() const { return m_chosen; }

 private:
  CLang& m_lang;
  std::vector<std::string> m_names;
  std::vector<std::string> m_files;
  int m_index = -1;
  std::string m_chosen;
};
