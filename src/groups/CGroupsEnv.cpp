#include "groups/CGroupsEnv.h"

#include "lang/CLang.h"

std::string CGroupsEnv::Text(const std::string& lid, const std::vector<std::string>& args) const {
  std::string text = pLang ? pLang->Item(lid) : lid;
  size_t pos = 0;
  for (const std::string& arg : args) {
    pos = text.find("%s", pos);
    if (pos == std::string::npos) break;
    text.replace(pos, 2, arg);
    pos += arg.size();
  }
  return text;
}

int CGroupsEnv::Message(const std::string& text, const std::string& title, platform::Buttons buttons,
                        platform::Icon icon, platform::DefaultButton def) const {
  if (!pPrompt) return platform::DefaultAnswer(buttons, def);
  return pPrompt->MessageBox(text, title, buttons, icon, def);
}
