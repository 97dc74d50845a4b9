#pragma once
// Small text helpers of the groups subsystem: addresses are compared and
// stored in lower case, lists are joined and split at ";".
#include <string>
#include <vector>

std::string LCase(const std::string& s);
std::string Trim(const std::string& s);
bool EqualsNoCase(const std::string& a, const std::string& b);
// Split("a;;b", ';') gives {"a", "", "b"}; an empty text gives no part.
std::vector<std::string> Split(const std::string& s, char sep);
std::string Join(const std::vector<std::string>& parts, const std::string& sep);
// A decimal integer with optional blanks around it and an optional sign;
// false (n untouched) for anything else.
bool ParseInt(const std::string& s, int& n);
