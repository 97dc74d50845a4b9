#include "lang/CLang.h"

#include <algorithm>
#include <functional>
#include <sstream>
#include <system_error>

#include "diagnostics/CDebug.h"
#include "platform/FileUtil.h"
#include "platform/Text.h"

namespace fs = std::filesystem;

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

// Checks a quoted value and undoubles its inner quotes. Returns the reason
// when it is not a valid quoted string, empty when it is.
std::string Unquote(const std::string& value, std::string& out) {
  if (value.size() < 2 || value.front() != '"' || value.back() != '"') return "The string should be in quotes";
  out.clear();
  const std::string inner = value.substr(1, value.size() - 2);
  for (size_t i = 0; i < inner.size(); ++i) {
    if (inner[i] == '"') {
      if (i + 1 < inner.size() && inner[i + 1] == '"') {
        out += '"';
        ++i;
      } else {
        return "quoted string has unary quotes";
      }
    } else {
      out += inner[i];
    }
  }
  return {};
}

// Cuts a trailing comment (a ' outside the quotes) from an entry's value.
std::string StripComment(const std::string& value) {
  bool inQuotes = false;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '"') inQuotes = !inQuotes;
    else if (value[i] == '\'' && !inQuotes) return platform::Trim(value.substr(0, i));
  }
  return value;
}

std::string Lookup(const Entries& entries, const std::string& name) {
  for (const auto& [k, v] : entries)
    if (k == name) return v;
  return {};
}

// Splits a comma-separated list; false when one trimmed name is empty.
bool SplitNames(const std::string& list, std::vector<std::string>& names) {
  names.clear();
  size_t start = 0;
  while (true) {
    const size_t comma = list.find(',', start);
    const size_t length = comma == std::string::npos ? std::string::npos : comma - start;
    const std::string name = platform::Trim(list.substr(start, length));
    if (name.empty()) return false;
    names.push_back(name);
    if (comma == std::string::npos) return true;
    start = comma + 1;
  }
}

std::string ExpandLineBreaks(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == 'n') {
      out += '\n';
      ++i;
    } else {
      out += s[i];
    }
  }
  return out;
}

// A caption as a dump writes it: line breaks as \n, quotes doubled.
std::string DumpText(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') continue;
    if (s[i] == '\n') out += "\\n";
    else if (s[i] == '"') out += "\"\"";
    else out += s[i];
  }
  return out;
}

void Error(const std::string& format, const std::vector<CDebugArg>& values) {
  g_Debug().OutCustomError("CLang.Init", g_Debug().sprintf(format, values));
}

void Warning(const std::string& format, const std::vector<CDebugArg>& values) {
  g_Debug().OutWarning("CLang.Init", g_Debug().sprintf(format, values));
}

// Reads the sections that the list `list` (the value of `kind`, "texts" or
// "forms", in the language section) names as "<lang>.<name>" and hands each to
// `take` with its name. False, with the error logged, when the list has an
// empty name or a listed section cannot be read; `take` has then seen the
// sections before the bad one.
bool ReadListedSections(CLang& lang, const std::string& fileName, const std::string& strLang, const std::string& kind,
                        const std::string& list, const std::function<void(const std::string&, Entries&&)>& take) {
  std::vector<std::string> names;
  if (!SplitNames(list, names)) {
    Error("file '%s' has error in [%s]." + kind, {fileName, strLang});
    return false;
  }
  for (const std::string& name : names) {
    Entries section;
    const std::string sectionName = strLang + "." + name;
    if (lang.ReadSection(fileName, sectionName, section) != CLang::SectionResult::Found) {
      Error("Error readig section [%s] in file '%s'", {sectionName, fileName});
      return false;
    }
    take(name, std::move(section));
  }
  return true;
}

}  // namespace

CLang::CLang(std::string installFolder) : m_installFolder(std::move(installFolder)) {}

fs::file_time_type CLang::ModTime(const std::string& fileName) const {
  try {
    return platform::FileUtil::ModificationTime(fileName);
  } catch (...) {
    return fs::file_time_type{};  // a file that cannot be read has no time
  }
}

CLang::SectionResult CLang::ReadSection(const std::string& fileName, const std::string& section, Entries& entries) {
  entries.clear();
  try {
    if (!platform::FileUtil::Exists(fileName) || platform::FileUtil::IsDirectory(fileName))
      return SectionResult::Missing;
    std::istringstream in(platform::FileUtil::ReadFile(fileName));
    std::string raw;
    long lineNo = 0;
    bool inSection = false;
    bool found = false;
    while (std::getline(in, raw)) {
      ++lineNo;
      const std::string line = platform::Trim(raw);
      if (line.empty() || line[0] == '\'') continue;
      if (line[0] == '[') {
        const size_t close = line.find(']');
        if (close == std::string::npos) {
          Error("symbol ']' is absent, line = %d, file = '%s'", {lineNo, fileName});
          return SectionResult::Error;
        }
        const std::string name = platform::Trim(line.substr(1, close - 1));
        if (name.empty()) {
          Error("empty section name, line - %d, file = '%s'", {lineNo, fileName});
          return SectionResult::Error;
        }
        const std::string rest = platform::Trim(line.substr(close + 1));
        if (!rest.empty() && rest[0] != '\'') {
          Error("'%s' is not the comment, line - %d, file = '%s'", {rest, lineNo, fileName});
          return SectionResult::Error;
        }
        if (inSection) break;  // the wanted section ends at the next one
        if (platform::EqualsNoCase(name, section)) inSection = found = true;
        continue;
      }
      if (!inSection) continue;
      const size_t eq = line.find('=');
      if (eq == std::string::npos) {
        Error("symbol '=' is absent, line = %d, file = '%s'", {lineNo, fileName});
        return SectionResult::Error;
      }
      const std::string name = platform::Trim(line.substr(0, eq));
      if (name.empty()) {
        Error("Const's name does not exist, line - %d, file = '%s'", {lineNo, fileName});
        return SectionResult::Error;
      }
      const std::string value = StripComment(platform::Trim(line.substr(eq + 1)));
      if (value.empty()) {
        Error("Const's value does not exist, line - %d, file = '%s'", {lineNo, fileName});
        return SectionResult::Error;
      }
      std::string text;
      const std::string reason = Unquote(value, text);
      if (!reason.empty()) {
        Error("Syntactic error - '%s', line - %d, file = '%s'", {reason, lineNo, fileName});
        return SectionResult::Error;
      }
      const std::string key = platform::Lower(name);
      for (const auto& e : entries) {
        if (e.first == key) {
          Error("declaration of constant '%s' repeats in a line %d of '%s' file", {name, lineNo, fileName});
          return SectionResult::Error;
        }
      }
      entries.emplace_back(key, text);
    }
    return found ? SectionResult::Found : SectionResult::Missing;
  } catch (...) {
    g_Debug().OutError("CLang.ReadSection");
    return SectionResult::Error;
  }
}

bool CLang::Init(const std::string& fileName, const std::string& productName) {
  try {
    Entries version;
    if (ReadSection(fileName, "version", version) != SectionResult::Found) {
      Error("file '%s' has no version section", {fileName});
      return false;
    }
    const std::string strVersion = Lookup(version, "version");
    const std::string strLang = Lookup(version, "lang");
    if (strVersion.empty() || strLang.empty()) {
      Error("file '%s' has no 'Version' Or 'Lang' param in [Version] section", {fileName});
      return false;
    }
    Entries head;
    if (ReadSection(fileName, strLang, head) != SectionResult::Found) {
      Error("file '%s' has no [%s] section", {fileName, strLang});
      return false;
    }
    const std::string texts = Lookup(head, "texts");
    const std::string forms = Lookup(head, "forms");
    if (platform::Trim(texts).empty()) Warning("file '%s' has no (or empty) [%s].texts", {fileName, strLang});
    if (platform::Trim(forms).empty()) Warning("file '%s' has no (or empty) [%s].forms", {fileName, strLang});
    bool bDump = false;
    {
      const std::string d = platform::Trim(Lookup(head, "dumpforms"));
      char* end = nullptr;
      const double n = d.empty() ? 0 : std::strtod(d.c_str(), &end);
      if (!d.empty() && end && *end == '\0' && n == 1) {
        bDump = true;
        Warning("The forms will be dumped when they will appear", {});
      }
    }

    std::map<std::string, std::string> textTable;
    const auto takeTexts = [&](const std::string&, Entries&& section) {
      for (auto& [k, v] : section) textTable[k] = v;
    };
    if (!platform::Trim(texts).empty() && !ReadListedSections(*this, fileName, strLang, "texts", texts, takeTexts))
      return false;
    std::map<std::string, Entries> formTable;
    const auto takeForms = [&](const std::string& name, Entries&& section) {
      formTable[platform::Lower(name)] = std::move(section);
    };
    if (!platform::Trim(forms).empty() && !ReadListedSections(*this, fileName, strLang, "forms", forms, takeForms))
      return false;

    m_strFilename = fileName;
    m_strProduct = productName;
    m_strVersion = strVersion;
    m_strLang = strLang;
    m_texts = std::move(textTable);
    m_forms = std::move(formTable);
    m_bDumpForms = bDump;
    m_modTime = ModTime(fileName);
    return true;
  } catch (...) {
    g_Debug().OutError("CLang.Init");
    return false;
  }
}

std::vector<std::string> CLang::GetAvailableLangs() {
  std::vector<std::string> out;
  try {
    std::vector<fs::path> files;
    for (const std::string& name : platform::FileUtil::ListDir(m_installFolder)) {
      const fs::path file = fs::path(m_installFolder) / name;
      if (platform::EqualsNoCase(file.extension().string(), ".lng") && !platform::FileUtil::IsDirectory(file))
        files.push_back(file);
    }
    for (const fs::path& file : files) {
      Entries version;
      if (ReadSection(file.string(), "version", version) != SectionResult::Found) continue;
      const std::string strVersion = Lookup(version, "version");
      const std::string strLang = Lookup(version, "lang");
      if (strVersion.empty() || strLang.empty()) continue;
      out.push_back(strLang + "\r\n" + fs::absolute(file).string());
    }
  } catch (...) {
    g_Debug().OutError("CLang.GetAvailableLangs");
  }
  return out;
}

std::string CLang::Item(const std::string& id) {
  const auto it = m_texts.find(platform::Lower(id));
  if (it == m_texts.end()) {
    g_Debug().OutCustomError("CLang.Item", "Key '" + id + "' not exists in " + m_strFilename);
    return id;
  }
  return ExpandLineBreaks(it->second);
}

void CLang::LocalizeForm(FormModel& form) { Localize(form); }

void CLang::LocalizeUserControl(FormModel& control) { Localize(control); }

bool CLang::DumpForm(const FormModel& form) { return Dump(form); }

bool CLang::DumpUserControl(const FormModel& control) { return Dump(control); }

bool CLang::Localize(FormModel& form) {
  try {
    if (!m_strFilename.empty() && ModTime(m_strFilename) != m_modTime) {
      Warning("last modification time of file '%s' was changed, reloading file...", {m_strFilename});
      Init(m_strFilename, m_strProduct);
    }
    if (m_bDumpForms) Dump(form);
    const auto it = m_forms.find(platform::Lower(form.Name()));
    if (it == m_forms.end()) {
      Warning("Locale for '%s' form not exists", {form.Name()});
      return false;
    }
    for (const auto& [key, value] : it->second) {
      const size_t dot = key.find('.');
      const std::string controlName = dot == std::string::npos ? key : key.substr(0, dot);
      const std::string property = dot == std::string::npos ? "caption" : key.substr(dot + 1);
      FormControl* control = form.Find(controlName);
      if (!control) {
        Error("'%s' control does not exist on '%s' form", {controlName, form.Name()});
        continue;
      }
      if (property == "caption") {
        control->caption = ExpandLineBreaks(value);
      } else if (property == "tooltiptext") {
        control->toolTipText = ExpandLineBreaks(value);
      } else if (property == "left" || property == "top" || property == "width" || property == "height") {
        const long n = std::strtol(value.c_str(), nullptr, 10);
        if (property == "left") control->left = n;
        else if (property == "top") control->top = n;
        else if (property == "width") control->width = n;
        else control->height = n;
      } else if (property == "picture") {
        if (value.find(':') != std::string::npos) {
          Error("You should specify a relative file path for %s.%s.%s", {form.Name(), controlName, property});
          continue;
        }
        control->picture = (fs::path(m_installFolder) / value).string();
      } else {
        Error("'%s' property does not supported", {property});
      }
    }
    return true;
  } catch (...) {
    g_Debug().OutError("CLang.LocalizeForm");
    return false;
  }
}

bool CLang::Dump(const FormModel& form) {
  try {
    const fs::path folder = fs::path(m_installFolder) / "Dump";
    platform::FileUtil::MakeDirs(folder);
    std::ostringstream out;
    out << "[" << form.Name() << "]\r\n";
    auto write = [&](const FormControl& c) {
      out << "' " << (c.name.empty() ? form.Name() : c.name) << "(" << c.type << ")\r\n";
      out << c.name << ".Caption = \"" << DumpText(c.caption) << "\"\r\n";
      out << c.name << ".Left    = \"" << c.left << "\"\r\n";
      out << c.name << ".Top     = \"" << c.top << "\"\r\n";
      out << c.name << ".Width   = \"" << c.width << "\"\r\n";
      out << c.name << ".Height  = \"" << c.height << "\"\r\n";
      out << c.name << ".ToolTipText = \"" << DumpText(c.toolTipText) << "\"\r\n";
      if (!c.picture.empty() && !c.name.empty()) {
        try {
          platform::FileUtil::Copy(c.picture, folder / (c.name + ".bmp"));
          out << c.name << ".Picture = \"Dump/" << c.name << ".bmp\"\r\n";
        } catch (...) {
          g_Debug().OutError("CLang.DumpForm");  // the dump goes on without the picture
        }
      }
    };
    write(form.Self());
    for (const FormControl& c : form.Controls()) write(c);
    platform::FileUtil::WriteFile(folder / (form.Name() + ".txt"), out.str());
    return true;
  } catch (...) {
    g_Debug().OutError("CLang.DumpForm");
    return false;
  }
}

bool LoadLanguageFile(CLang& lang, const std::string& fileName, const std::string& productName) {
  const std::string defaultFile = (fs::path(lang.InstallFolder()) / "english.lng").string();
  const std::string file = fileName.empty() ? defaultFile : fileName;
  if (lang.Init(file, productName)) return true;
  g_Debug().OutCustomError("Connect.Init", g_Debug().sprintf("cant load '%s' lang file", {file}));
  if (platform::EqualsNoCase(file, defaultFile)) return false;
  g_Debug().Out(g_Debug().sprintf("try to load '%s' lang file", {defaultFile}));
  if (lang.Init(defaultFile, productName)) return true;
  g_Debug().OutCustomError("Connect.Init", g_Debug().sprintf("cant load '%s' lang file", {defaultFile}));
  return false;
}
