#include "lang/CLang.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <set>
#include <sstream>

#include "diagnostics/CDebug.h"
#include "dialogs/frmLang.h"
#include "platform/ScriptedPrompt.h"

namespace fs = std::filesystem;

namespace {

// A temporary installation folder with a file-sink debug writer.
class LangTest : public ::testing::Test {
 protected:
  LangTest() {
    static int n = 0;
    dir = fs::temp_directory_path() / ("zentabo-lang-" + std::to_string(getpid()) + "-" + std::to_string(++n));
    fs::remove_all(dir);
    fs::create_directories(dir / "log");
    debug = std::make_unique<CDebug>((dir / "log").string(), "");
    debug->UseSupportLog(false);
    SetGlobalDebug(debug.get());
    lang = std::make_unique<CLang>(dir.string());
  }
  ~LangTest() override {
    SetGlobalDebug(nullptr);
    fs::remove_all(dir);
  }

  std::string WriteLng(const std::string& name, const std::string& body) {
    const fs::path p = dir / name;
    std::ofstream(p, std::ios::binary) << body;
    return p.string();
  }
  // A valid head plus `texts` as the one text section "main" and `forms`.
  std::string Minimal(const std::string& mainSection, const std::string& formSections = "",
                      const std::string& formList = "") {
    return "[version]\nversion = \"1.0\"\nlang = \"English\"\n[English]\ntexts = \"main\"\nforms = \"" + formList +
           "\"\n[English.main]\n" + mainSection + "\n" + formSections;
  }
  std::vector<std::string> Log() const {
    std::vector<std::string> out;
    std::ifstream in(dir / "log" / "addin.log");
    std::string line;
    while (std::getline(in, line)) out.push_back(line.substr(line.find(' ', line.find(' ') + 1) + 1));
    return out;
  }
  bool Logged(const std::string& entry) const {
    for (const std::string& e : Log())
      if (e == entry) return true;
    return false;
  }
  std::string Dump() const {
    std::string all;
    for (const std::string& e : Log()) all += e + "\n";
    return all;
  }

  fs::path dir;
  std::unique_ptr<CDebug> debug;
  std::unique_ptr<CLang> lang;
};

TEST_F(LangTest, QuotedValuesAndComments) {
  const std::string f = WriteLng("a.lng", Minimal(
      "LID_Q = \"He said \"\"hi\"\"\"\n"
      "  LID_C = \"it's 'quoted'\"   ' trailing comment\n"
      "' a comment line\n"
      "\tLID_T\t=\t\"tabs\"\t\n"
      "LID_NL = \"one\\ntwo\""));
  ASSERT_TRUE(lang->Init(f, "Zentabo")) << Dump();
  EXPECT_EQ(lang->Item("LID_Q"), "He said \"hi\"");
  EXPECT_EQ(lang->Item("lid_c"), "it's 'quoted'");
  EXPECT_EQ(lang->Item("LID_T"), "tabs");
  EXPECT_EQ(lang->Item("LID_NL"), "one\ntwo");
  EXPECT_EQ(lang->Version(), "1.0");
  EXPECT_EQ(lang->Lang(), "English");
  EXPECT_EQ(lang->Filename(), f);
  for (const std::string& e : Log()) EXPECT_NE(e.rfind("Error", 0), 0u) << e;
}

TEST_F(LangTest, EachGrammarErrorIsLoggedWithItsLine) {
  struct Case {
    std::string line;  // the 8th line of the file, inside [English.main]
    std::string message;
  };
  const std::vector<Case> cases = {
      {"caption = \"a\"b\"", "Syntactic error - 'quoted string has unary quotes', line - 8, file = '%F'"},
      {"caption = abc", "Syntactic error - 'The string should be in quotes', line - 8, file = '%F'"},
      {"caption = \"", "Syntactic error - 'The string should be in quotes', line - 8, file = '%F'"},
      {"caption \"abc\"", "symbol '=' is absent, line = 8, file = '%F'"},
      {"= \"abc\"", "Const's name does not exist, line - 8, file = '%F'"},
      {"caption =   ' only a comment", "Const's value does not exist, line - 8, file = '%F'"},
      {"[forms] x", "'x' is not the comment, line - 8, file = '%F'"},
      {"[forms", "symbol ']' is absent, line = 8, file = '%F'"},
      {"[ ]", "empty section name, line - 8, file = '%F'"},
      {"LID_A = \"1\"\nlid_a = \"2\"", "declaration of constant 'lid_a' repeats in a line 9 of '%F' file"},
  };
  for (const Case& c : cases) {
    fs::remove(dir / "log" / "addin.log");
    const std::string f = WriteLng("bad.lng", Minimal(c.line));
    EXPECT_FALSE(lang->Init(f, "Zentabo")) << c.line;
    const std::string want = "Error(custom) : CLang.Init\t" + std::regex_replace(c.message, std::regex("%F"), f);
    EXPECT_TRUE(Logged(want)) << c.line << "\n" << Dump();
    EXPECT_TRUE(Logged("Error(custom) : CLang.Init\tError readig section [English.main] in file '" + f + "'"))
        << Dump();
  }
}

TEST_F(LangTest, SectionLineWithCommentIsValid) {
  const std::string f = WriteLng("a.lng", Minimal("LID_X = \"x\"\n[forms] ' comment\nLID_Y = \"y\""));
  ASSERT_TRUE(lang->Init(f, "Zentabo")) << Dump();
  EXPECT_EQ(lang->Item("LID_X"), "x");
  // The text section ends at the next section line.
  EXPECT_EQ(lang->Item("LID_Y"), "LID_Y");
  EXPECT_TRUE(Logged("Error(custom) : CLang.Item\tKey 'LID_Y' not exists in " + f));
}

TEST_F(LangTest, FileLevelMessages) {
  struct Case {
    std::string body;
    bool ok;
    std::string entry;
  };
  const std::string head = "[version]\nversion = \"1\"\nlang = \"En\"\n";
  const std::vector<Case> cases = {
      {"[other]\nx = \"1\"\n", false, "Error(custom) : CLang.Init\tfile '%F' has no version section"},
      {"[version]\nversion = \"1\"\n", false,
       "Error(custom) : CLang.Init\tfile '%F' has no 'Version' Or 'Lang' param in [Version] section"},
      {"[version]\nversion = \"1\"\nlang = \"\"\n", false,
       "Error(custom) : CLang.Init\tfile '%F' has no 'Version' Or 'Lang' param in [Version] section"},
      {head, false, "Error(custom) : CLang.Init\tfile '%F' has no [En] section"},
      {head + "[En]\nforms = \"f\"\n[En.f]\n", true, "Warning : CLang.Init\tfile '%F' has no (or empty) [En].texts"},
      {head + "[En]\ntexts = \"t\"\n[En.t]\n", true, "Warning : CLang.Init\tfile '%F' has no (or empty) [En].forms"},
      {head + "[En]\ntexts = \"t,,u\"\n", false, "Error(custom) : CLang.Init\tfile '%F' has error in [En].texts"},
      {head + "[En]\ntexts = \"t\"\nforms = \"f, \"\n[En.t]\n", false,
       "Error(custom) : CLang.Init\tfile '%F' has error in [En].forms"},
      {head + "[En]\ntexts = \"t\"\n", false, "Error(custom) : CLang.Init\tError readig section [En.t] in file '%F'"},
      {head + "[En]\ntexts = \"t\"\nforms = \"f\"\ndumpforms = \"1\"\n[En.t]\n[En.f]\n", true,
       "Warning : CLang.Init\tThe forms will be dumped when they will appear"},
  };
  int n = 0;
  for (const Case& c : cases) {
    fs::remove(dir / "log" / "addin.log");
    const std::string f = WriteLng("f" + std::to_string(++n) + ".lng", c.body);
    CLang l(dir.string());
    EXPECT_EQ(l.Init(f, "Zentabo"), c.ok) << c.body;
    EXPECT_TRUE(Logged(std::regex_replace(c.entry, std::regex("%F"), f))) << c.body << "\n" << Dump();
  }
}

TEST_F(LangTest, TextSectionsAreMerged) {
  const std::string f = WriteLng("a.lng",
                                 "[version]\nversion = \"1\"\nlang = \"En\"\n[En]\ntexts = \"main, dialogs\"\n"
                                 "[En.main]\nLID_ONE = \"1\"\n[En.dialogs]\nLID_TWO = \"2\"\n[En.unused]\nLID_3 = \"3\"\n");
  ASSERT_TRUE(lang->Init(f, "Zentabo")) << Dump();
  EXPECT_EQ(lang->Item("LID_ONE"), "1");
  EXPECT_EQ(lang->Item("LID_TWO"), "2");
  EXPECT_EQ(lang->Item("LID_3"), "LID_3");
}

TEST_F(LangTest, FailedInitKeepsThePreviousLanguage) {
  const std::string good = WriteLng("good.lng", Minimal("LID_X = \"x\""));
  const std::string bad = WriteLng("bad.lng", Minimal("LID_X = x"));
  ASSERT_TRUE(lang->Init(good, "Zentabo"));
  EXPECT_FALSE(lang->Init(bad, "Zentabo"));
  EXPECT_EQ(lang->Filename(), good);
  EXPECT_EQ(lang->Item("LID_X"), "x");
}

FormModel SampleForm() {
  FormModel form("frmSample");
  form.Self().caption = "old";
  form.AddControl("btnOK", "CommandButton", "old");
  form.AddControl("lblInfo", "Label", "old");
  form.AddControl("imgLogo", "Image");
  return form;
}

TEST_F(LangTest, LocalizeFormAppliesEntriesInOrder) {
  const std::string f = WriteLng("a.lng", Minimal("LID_X = \"x\"",
                                                  "[English.frmSample]\n"
                                                  ".Caption = \"Sample\"\n"
                                                  "btnOK = \"OK\"\n"
                                                  "lblInfo.Caption = \"two\\nlines\"\n"
                                                  "lblInfo.ToolTipText = \"tip\"\n"
                                                  "lblInfo.Left = \"10\"\nlblInfo.Top = \"20\"\n"
                                                  "lblInfo.Width = \"300\"\nlblInfo.Height = \"40\"\n"
                                                  "imgLogo.Picture = \"pics/logo.bmp\"\n"
                                                  "btnNope.Caption = \"x\"\n"
                                                  "btnOK.Colour = \"red\"\n"
                                                  "lblInfo.Picture = \"C:/abs.bmp\"\n",
                                                  "frmSample"));
  ASSERT_TRUE(lang->Init(f, "Zentabo")) << Dump();
  FormModel form = SampleForm();
  lang->LocalizeForm(form);
  EXPECT_EQ(form.Self().caption, "Sample");
  EXPECT_EQ(form.Caption("btnOK"), "OK");
  const FormControl& info = *form.Find("lblinfo");
  EXPECT_EQ(info.caption, "two\nlines");
  EXPECT_EQ(info.toolTipText, "tip");
  EXPECT_EQ((std::vector<long>{info.left, info.top, info.width, info.height}), (std::vector<long>{10, 20, 300, 40}));
  EXPECT_EQ(form.Find("imgLogo")->picture, (dir / "pics/logo.bmp").string());
  const std::vector<std::string> want = {
      "Error(custom) : CLang.Init\t'btnnope' control does not exist on 'frmSample' form",
      "Error(custom) : CLang.Init\t'colour' property does not supported",
      "Error(custom) : CLang.Init\tYou should specify a relative file path for frmSample.lblinfo.picture",
  };
  EXPECT_EQ(Log(), want);

  FormModel other("frmOther");
  lang->LocalizeForm(other);
  EXPECT_TRUE(Logged("Warning : CLang.Init\tLocale for 'frmOther' form not exists"));
}

TEST_F(LangTest, ChangedFileIsReloadedBeforeLocalising) {
  const std::string forms = "[English.frmSample]\nbtnOK = \"%C\"\n";
  const std::string f = WriteLng("a.lng", Minimal("LID_X = \"x\"", std::regex_replace(forms, std::regex("%C"), "First"),
                                                  "frmSample"));
  ASSERT_TRUE(lang->Init(f, "Zentabo"));
  WriteLng("a.lng", Minimal("LID_X = \"y\"", std::regex_replace(forms, std::regex("%C"), "Second"), "frmSample"));
  fs::last_write_time(f, fs::last_write_time(f) + std::chrono::seconds(5));
  FormModel form = SampleForm();
  lang->LocalizeForm(form);
  EXPECT_EQ(form.Caption("btnOK"), "Second");
  EXPECT_EQ(lang->Item("LID_X"), "y");
  EXPECT_TRUE(Logged("Warning : CLang.Init\tlast modification time of file '" + f +
                     "' was changed, reloading file..."));
}

TEST_F(LangTest, DumpThenLocaliseRoundTrip) {
  FormModel form = SampleForm();
  form.Self().caption = "Title";
  form.Self().width = 400;
  form.Find("btnOK")->caption = "Say \"hi\"\nnow";
  form.Find("btnOK")->toolTipText = "press";
  form.Find("lblInfo")->left = 7;
  form.Find("lblInfo")->height = 33;
  {
    std::ofstream(dir / "logo.bmp") << "BM";
  }
  form.Find("imgLogo")->picture = (dir / "logo.bmp").string();
  ASSERT_TRUE(lang->Init(WriteLng("x.lng", Minimal("LID_X = \"x\"")), "Zentabo"));
  ASSERT_TRUE(lang->DumpForm(form));
  const fs::path dump = dir / "Dump" / "frmSample.txt";
  ASSERT_TRUE(fs::exists(dump));
  EXPECT_TRUE(fs::exists(dir / "Dump" / "imgLogo.bmp"));
  std::stringstream s;
  s << std::ifstream(dump).rdbuf();
  const std::string text = s.str();
  EXPECT_EQ(text.rfind("[frmSample]", 0), 0u);
  EXPECT_NE(text.find("' btnOK(CommandButton)"), std::string::npos);
  EXPECT_NE(text.find("btnOK.Caption = \"Say \"\"hi\"\"\\nnow\""), std::string::npos);
  EXPECT_NE(text.find("lblInfo.Left    = \"7\""), std::string::npos);

  // The dump, renamed to a form section, relabels a fresh form identically.
  std::string section = text;
  section.replace(0, std::string("[frmSample]").size(), "[English.frmSample]");
  ASSERT_TRUE(lang->Init(WriteLng("y.lng", Minimal("LID_X = \"x\"", section, "frmSample")), "Zentabo")) << Dump();
  FormModel fresh = SampleForm();
  lang->LocalizeForm(fresh);
  EXPECT_EQ(fresh.Self().caption, "Title");
  EXPECT_EQ(fresh.Self().width, 400);
  EXPECT_EQ(fresh.Caption("btnOK"), "Say \"hi\"\nnow");
  EXPECT_EQ(fresh.Find("btnOK")->toolTipText, "press");
  EXPECT_EQ(fresh.Find("lblInfo")->left, 7);
  EXPECT_EQ(fresh.Find("lblInfo")->height, 33);
  EXPECT_EQ(fresh.Find("imgLogo")->picture, (dir / "Dump/imgLogo.bmp").string());
}

TEST_F(LangTest, DumpFormsSwitchDumpsOnLocalise) {
  const std::string f = WriteLng("a.lng",
                                 "[version]\nversion = \"1\"\nlang = \"En\"\n[En]\ntexts = \"t\"\nforms = \"frmSample\"\n"
                                 "dumpforms = \"1\"\n[En.t]\nLID_X = \"x\"\n[En.frmSample]\nbtnOK = \"OK\"\n");
  ASSERT_TRUE(lang->Init(f, "Zentabo"));
  FormModel form = SampleForm();
  lang->LocalizeForm(form);
  EXPECT_TRUE(fs::exists(dir / "Dump" / "frmSample.txt"));
  EXPECT_EQ(form.Caption("btnOK"), "OK");
}

TEST_F(LangTest, AvailableLanguagesAndFallback) {
  const std::string en = WriteLng("english.lng", Minimal("LID_FILE_LOAD_ERROR = \"cannot load\""));
  WriteLng("german.lng", "[version]\nversion = \"1\"\nlang = \"Deutsch\"\n");
  WriteLng("broken.lng", "[version]\nversion = \"1\"\n");
  WriteLng("notes.txt", "[version]\nversion = \"1\"\nlang = \"X\"\n");
  const std::vector<std::string> langs = lang->GetAvailableLangs();
  const std::vector<std::string> want = {"English\r\n" + en, "Deutsch\r\n" + (dir / "german.lng").string()};
  EXPECT_EQ(langs, want);

  EXPECT_TRUE(LoadLanguageFile(*lang, (dir / "missing.lng").string()));
  EXPECT_EQ(lang->Filename(), en);
  EXPECT_TRUE(Logged("Error(custom) : Connect.Init\tcant load '" + (dir / "missing.lng").string() + "' lang file"));
  EXPECT_TRUE(Logged("try to load '" + en + "' lang file"));

  fs::remove(en);
  CLang none(dir.string());
  EXPECT_FALSE(LoadLanguageFile(none, ""));
}

TEST_F(LangTest, LanguageChooser) {
  const std::string en = WriteLng("english.lng", Minimal("LID_FILE_LOAD_ERROR = \"cannot load\"",
                                                         "[English.frmLang]\nbtnCancel = \"Abort\"\n", "frmLang"));
  const std::string bad = WriteLng("zz.lng", "[version]\nversion = \"1\"\nlang = \"Broken\"\n");
  ASSERT_TRUE(lang->Init(en, "Zentabo"));
  frmLang form(*lang);
  form.Form_Load();
  EXPECT_EQ(form.Caption("btnCancel"), "Abort");
  EXPECT_EQ(form.LangNames(), (std::vector<std::string>{"English", "Broken"}));
  EXPECT_EQ(form.ListIndex(), 0);

  platform::ScriptedPrompt prompt;
  form.ListIndex(1);
  EXPECT_FALSE(form.btnOK_Click(prompt));
  ASSERT_EQ(prompt.Shown().size(), 1u);
  EXPECT_EQ(prompt.Shown()[0].text, "cannot load");
  EXPECT_EQ(lang->Filename(), en);

  form.ListIndex(0);
  EXPECT_TRUE(form.btnOK_Click(prompt));
  EXPECT_EQ(form.ChosenFile(), en);

  fs::remove(en);
  fs::remove(bad);
  frmLang empty(*lang);
  empty.Form_Load();
  EXPECT_EQ(empty.LangNames(), std::vector<std::string>{"English"});
}

// The shipped English file: loads cleanly and names every text identifier
// that the add-in's code uses, and has a section for each dialog form.
TEST(EnglishFile, LoadsAndCoversEveryIdentifierInTheCode) {
  const fs::path root = ZENTABO_SOURCE_DIR;
  const fs::path tmp = fs::temp_directory_path() / ("zentabo-english-" + std::to_string(getpid()));
  fs::create_directories(tmp);
  CDebug debug(tmp.string(), "");
  debug.UseSupportLog(false);
  SetGlobalDebug(&debug);
  CLang lang((root / "lang").string());
  const bool loaded = lang.Init((root / "lang" / "english.lng").string(), "Zentabo");

  std::set<std::string> used;
  const std::regex id("(^|[^A-Za-z0-9_])(LID_[A-Z0-9_]*[A-Z0-9])");
  for (const auto& entry : fs::recursive_directory_iterator(root / "src")) {
    if (!entry.is_regular_file()) continue;
    std::stringstream s;
    s << std::ifstream(entry.path()).rdbuf();
    const std::string text = s.str();
    for (auto it = std::sregex_iterator(text.begin(), text.end(), id); it != std::sregex_iterator(); ++it)
      used.insert((*it)[2].str());
  }
  for (const char* must : {"LID_FILE_LOAD_ERROR", "LID_MAGIC_BODY", "LID_TOOLBAR_LANG", "LID_ENTER_GROUP_NAME"})
    used.insert(must);
  const bool cleanLoad = !fs::exists(tmp / "addin.log");
  std::vector<std::string> missing;
  for (const std::string& name : used)
    if (lang.Item(name) == name) missing.push_back(name);
  std::vector<std::string> unlocalised;
  for (const char* formName : {"frmCurUser", "frmLang", "frmGroups", "frmMembers", "frmSetGroups", "frmRecipients",
                               "frmShablon", "frmOptions", "frmCopyingItems"}) {
    FormModel form(formName);
    form.Self().caption = "unset";
    lang.LocalizeForm(form);
    if (form.Self().caption == "unset") unlocalised.push_back(formName);
  }
  SetGlobalDebug(nullptr);
  fs::remove_all(tmp);
  ASSERT_TRUE(loaded);
  EXPECT_TRUE(cleanLoad);
  EXPECT_TRUE(missing.empty()) << "not in english.lng: " << ::testing::PrintToString(missing);
  EXPECT_TRUE(unlocalised.empty()) << ::testing::PrintToString(unlocalised);
}

}  // namespace
