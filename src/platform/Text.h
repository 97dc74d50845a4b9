#pragma once
// The small text helpers every subsystem uses: ASCII case folding, trimming,
// splitting and joining of separated lists, and whole-number parsing.
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Sets of characters for Trim.
// Blanks and line ends: what surrounds values typed or read from files.
inline constexpr std::string_view kBlanks = " \t\r\n";
// Spaces only, as the client's own Trim removes them (a tab is kept).
inline constexpr std::string_view kSpaces = " ";
// Everything std::isspace skips in the C locale (adds vertical tab and form feed).
inline constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";

// `text` with the ASCII letters A-Z in lower case; other bytes (UTF-8 too)
// are left as they are.
std::string Lower(std::string_view text);

// True when `a` and `b` have the same length and differ only in the case of
// ASCII letters.
bool EqualsNoCase(std::string_view a, std::string_view b);

// `text` without the leading and trailing characters that are in `chars`;
// empty when `text` consists of them only.
std::string Trim(std::string_view text, std::string_view chars = kBlanks);

// The parts of `text` between the separators, kept as they are (not
// trimmed): Split("a;;b", ";") gives {"a", "", "b"}, Split(";a;", ";") gives
// {"", "a", ""}. An empty text gives no part at all.
// REQUIRES: `sep` is not empty.
std::vector<std::string> Split(std::string_view text, std::string_view sep);
std::vector<std::string> Split(std::string_view text, char sep);

// The parts with `sep` between them; empty for no parts. The inverse of
// Split for every non-empty list.
std::string Join(const std::vector<std::string>& parts, std::string_view sep);

// A decimal number that fits an int, with optional blanks (kSpaces) around it
// and an optional sign. Returns false and leaves `n` untouched for anything
// else (empty, no digits, other characters, overflow).
bool ParseInt(std::string_view text, int& n);

}  // namespace platform
