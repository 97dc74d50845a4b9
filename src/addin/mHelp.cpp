#include "addin/mHelp.h"

#include <cctype>

#include "platform/Text.h"

namespace mHelp {

namespace {

// The lower-case name of the tag that starts at `html[at]` ('<'), without
// a leading '/'; `closing` tells whether it had one.
std::string TagName(const std::string& html, size_t at, bool* closing) {
  size_t i = at + 1;
  *closing = i < html.size() && html[i] == '/';
  if (*closing) ++i;
  std::string name;
  while (i < html.size() && std::isalnum(static_cast<unsigned char>(html[i])))
    name += static_cast<char>(std::tolower(static_cast<unsigned char>(html[i++])));
  return name;
}

// The text between the first <tag> and its </tag>; "" when missing.
std::string Element(const std::string& html, const std::string& tag) {
  const std::string lower = platform::Lower(html);
  const size_t open = lower.find("<" + tag);
  if (open == std::string::npos) return "";
  const size_t start = lower.find('>', open);
  const size_t end = lower.find("</" + tag, start);
  if (start == std::string::npos || end == std::string::npos) return "";
  return html.substr(start + 1, end - start - 1);
}

std::string Decode(const std::string& text) {
  static const std::pair<const char*, const char*> kEntities[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&nbsp;", " "}, {"&amp;", "&"}};
  std::string out;
  for (size_t i = 0; i < text.size();) {
    bool replaced = false;
    if (text[i] == '&')
      for (const auto& [entity, ch] : kEntities)
        if (text.compare(i, std::string(entity).size(), entity) == 0) {
          out += ch;
          i += std::string(entity).size();
          replaced = true;
          break;
        }
    if (!replaced) out += text[i++];
  }
  return out;
}

// Blanks made one, each line trimmed, at most one empty line in a row,
// none at the ends.
std::string Tidy(const std::string& text) {
  std::string out;
  int newlines = 0;
  bool blank = false;
  for (char c : text) {
    if (c == '\n') {
      ++newlines;
      blank = false;
      continue;
    }
    if (std::isspace(static_cast<unsigned char>(c))) {
      blank = true;
      continue;
    }
    if (!out.empty()) out += newlines >= 2 ? "\n\n" : newlines == 1 ? "\n" : blank ? " " : "";
    newlines = 0;
    blank = false;
    out += c;
  }
  return out;
}

}  // namespace

bool IsTopicName(const std::string& topic) {
  if (topic.size() <= 4 || topic.find_first_of("/\\") != std::string::npos || topic.find("..") != std::string::npos)
    return false;
  return platform::Lower(topic.substr(topic.size() - 4)) == ".htm";
}

std::string PageTitle(const std::string& html) {
  std::string title = Tidy(Decode(Element(html, "title")));
  if (title.empty()) title = Tidy(Decode(Element(html, "h1")));
  return title;
}

std::string PageText(const std::string& html) {
  std::string body = Element(html, "body");
  if (body.empty()) body = html;
  const std::string title = PageTitle(html);
  std::string text;
  for (size_t i = 0; i < body.size();) {
    if (body[i] != '<') {
      // Line breaks of the source are blanks; the tags make the lines.
      text += body[i] == '\n' || body[i] == '\r' ? ' ' : body[i];
      ++i;
      continue;
    }
    const size_t end = body.find('>', i);
    if (end == std::string::npos) break;
    bool closing = false;
    const std::string name = TagName(body, i, &closing);
    if (!closing && name == "h1") {
      // The heading that repeats the title stays with the title.
      const size_t close = platform::Lower(body).find("</h1", end);
      if (close != std::string::npos && Tidy(Decode(body.substr(end + 1, close - end - 1))) == title) {
        i = body.find('>', close);
        i = i == std::string::npos ? body.size() : i + 1;
        continue;
      }
    }
    if (name == "p" || name == "ul" || name == "ol" || (name.size() == 2 && name[0] == 'h' && std::isdigit(name[1])))
      text += "\n\n";
    else if (name == "li" && !closing)
      text += "\n- ";
    else if (name == "br" || name == "div" || name == "tr")
      text += "\n";
    i = end + 1;
  }
  return Tidy(Decode(text));
}

}  // namespace mHelp
