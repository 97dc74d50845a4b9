#include "platform/store/ItemFilter.h"

#include <strings.h>

#include <cctype>

#include "platform/Date.h"
#include "platform/Error.h"
#include "platform/Text.h"

namespace platform::detail {

namespace {

struct FieldInfo {
  const char* name;
  const char* column;
  bool isDate;
};

constexpr FieldInfo kFields[] = {
    {"MessageClass", "message_class", false},
    {"Subject", "subject", false},
    {"FullName", "full_name", false},
    {"Start", "start_time", true},
    {"End", "end_time", true},
    {"LastModificationTime", "last_mod", true},
    {"CreationTime", "creation", true},
    {"ReceivedTime", "received", true},
};

const FieldInfo* FindField(std::string_view name) {
  for (const auto& f : kFields)
    if (EqualsNoCase(name, f.name)) return &f;
  return nullptr;
}

class Parser {
 public:
  explicit Parser(std::string_view text) : t_(text) {}

  SqlCondition Run() {
    SkipSpace();
    if (pos_ == t_.size()) Fail("empty filter");
    out_.sql = Or();
    SkipSpace();
    if (pos_ != t_.size()) Fail("unexpected text");
    return std::move(out_);
  }

 private:
  std::string Or() {
    std::string s = And();
    while (Keyword("or")) s = s + " OR " + And();
    return "(" + s + ")";
  }
  std::string And() {
    std::string s = Not();
    while (Keyword("and")) s = s + " AND " + Not();
    return "(" + s + ")";
  }
  std::string Not() {
    if (Keyword("not")) return "(NOT " + Not() + ")";
    return Primary();
  }
  std::string Primary() {
    SkipSpace();
    if (Peek() == '(') {
      ++pos_;
      std::string s = Or();
      SkipSpace();
      if (Peek() != ')') Fail("')' expected");
      ++pos_;
      return s;
    }
    if (Peek() != '[') Fail("'[' or '(' expected");
    size_t close = t_.find(']', pos_);
    if (close == std::string_view::npos) Fail("']' expected");
    std::string_view name = t_.substr(pos_ + 1, close - pos_ - 1);
    const FieldInfo* field = FindField(name);
    if (!field) throw Error("filter: unknown field [" + std::string(name) + "] at position " + std::to_string(pos_ + 1));
    pos_ = close + 1;
    std::string op = Operator();
    std::string value = Quoted();
    if (field->isDate) {
      Date d;
      try {
        d = Date::Parse(value);
      } catch (const Error&) {
        throw Error("filter: [" + std::string(field->name) + "] compared with '" + value + "', which is no date");
      }
      out_.binds.emplace_back(d.Seconds());
    } else {
      out_.binds.emplace_back(value);
    }
    out_.columns |= ColumnBit(field->column);
    return std::string(field->column) + " " + op + " ?";
  }
  std::string Operator() {
    SkipSpace();
    for (const char* op : {"<>", "<=", ">=", "=", "<", ">"}) {
      size_t n = std::char_traits<char>::length(op);
      if (t_.substr(pos_, n) == op) {
        pos_ += n;
        return op;
      }
    }
    Fail("comparison operator expected");
  }
  std::string Quoted() {
    SkipSpace();
    char q = Peek();
    if (q != '\'' && q != '"') Fail("quoted value expected");
    std::string v;
    for (++pos_;; ++pos_) {
      if (pos_ >= t_.size()) Fail("unterminated value");
      if (t_[pos_] == q) {
        if (pos_ + 1 < t_.size() && t_[pos_ + 1] == q) {  // a doubled quote stands for itself
          v += q;
          ++pos_;
          continue;
        }
        ++pos_;
        return v;
      }
      v += t_[pos_];
    }
  }
  bool Keyword(std::string_view kw) {
    SkipSpace();
    if (t_.size() - pos_ < kw.size() || strncasecmp(t_.data() + pos_, kw.data(), kw.size()) != 0) return false;
    size_t end = pos_ + kw.size();
    if (end < t_.size() && (std::isalnum(static_cast<unsigned char>(t_[end])) || t_[end] == '_')) return false;
    pos_ = end;
    return true;
  }
  char Peek() const { return pos_ < t_.size() ? t_[pos_] : '\0'; }
  void SkipSpace() {
    while (pos_ < t_.size() && std::isspace(static_cast<unsigned char>(t_[pos_]))) ++pos_;
  }
  [[noreturn]] void Fail(const std::string& what) const {
    throw Error("filter: " + what + " at position " + std::to_string(pos_ + 1) + " in \"" + std::string(t_) + "\"");
  }

  std::string_view t_;
  size_t pos_ = 0;
  SqlCondition out_;
};

}  // namespace

uint32_t ColumnBit(std::string_view column) {
  for (int i = 0; i < kItemColumnCount; ++i)
    if (column == kItemColumns[i]) return 1u << i;
  return 0;
}

SqlCondition CompileFilter(std::string_view filter) { return Parser(filter).Run(); }

std::string SortColumn(std::string_view field) {
  std::string_view name = field;
  if (name.size() >= 2 && name.front() == '[' && name.back() == ']') name = name.substr(1, name.size() - 2);
  const FieldInfo* f = FindField(name);
  if (!f) throw Error("cannot sort items by \"" + std::string(field) + "\"");
  return f->column;
}

}  // namespace platform::detail
