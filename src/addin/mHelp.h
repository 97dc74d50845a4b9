#pragma once
// mHelp: the installation's help, one HTML page per topic in its "help"
// folder, shown as plain text in a message box by the help commands of the
// menu, the page and the dialogs.
#include <string>

namespace mHelp {

// Whether `topic` can name a page: a plain file name ending in ".htm",
// with no folder part.
bool IsTopicName(const std::string& topic);

// The page's title (its <title>, else its first <h1>); "" when it has none.
std::string PageTitle(const std::string& html);

// The page as plain text: the body without its tags and the heading that
// repeats the title, paragraphs and headings separated by a blank line,
// list items on lines of their own beginning "- ", the entities &amp;
// &lt; &gt; &quot; &#39; and &nbsp; decoded, runs of blanks made one.
std::string PageText(const std::string& html);

}  // namespace mHelp
