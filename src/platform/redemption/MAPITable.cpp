#include "platform/redemption/MAPITable.h"

#include <algorithm>
#include <string>

#include "platform/redemption/Library.h"
#include "platform/redemption/MapiProps.h"
#include "platform/redemption/SafeItems.h"
#include "platform/Error.h"
#include "platform/Text.h"

namespace Redemption {
namespace {

// -1, 0, 1 comparing two values of the same kind; nullopt when the kinds
// differ (a number and a text never compare).
std::optional<int> Compare(const platform::PropValue& a, const platform::PropValue& b) {
  auto sign = [](const auto& x, const auto& y) { return x < y ? -1 : (y < x ? 1 : 0); };
  if (std::holds_alternative<std::string>(a) && std::holds_alternative<std::string>(b)) {
    return sign(platform::Lower(std::get<std::string>(a)), platform::Lower(std::get<std::string>(b)));
  }
  auto number = [](const platform::PropValue& v) -> std::optional<double> {
    if (auto i = std::get_if<int64_t>(&v)) return static_cast<double>(*i);
    if (auto d = std::get_if<double>(&v)) return *d;
    if (auto f = std::get_if<bool>(&v)) return *f ? 1.0 : 0.0;
    return std::nullopt;
  };
  if (number(a) && number(b)) return sign(*number(a), *number(b));
  if (std::holds_alternative<platform::Date>(a) && std::holds_alternative<platform::Date>(b)) {
    return sign(std::get<platform::Date>(a), std::get<platform::Date>(b));
  }
  if (std::holds_alternative<platform::Bytes>(a) && std::holds_alternative<platform::Bytes>(b)) {
    const auto& x = std::get<platform::Bytes>(a);
    const auto& y = std::get<platform::Bytes>(b);
    return sign(std::string(x.begin(), x.end()), std::string(y.begin(), y.end()));
  }
  return std::nullopt;
}

bool Relate(long relop, int order) {
  switch (relop) {
    case RELOP_LT: return order < 0;
    case RELOP_LE: return order <= 0;
    case RELOP_GT: return order > 0;
    case RELOP_GE: return order >= 0;
    case RELOP_EQ: return order == 0;
    case RELOP_NE: return order != 0;
    default: throw platform::Error("Restriction: unknown relop " + std::to_string(relop));
  }
}

// A content search of `pattern` in `text` by the fuzzy level's position and case rules.
template <typename Seq>
bool Contains(Seq text, Seq pattern, long fuzzyLevel) {
  switch (fuzzyLevel & 0xFFFF) {
    case FL_FULLSTRING: return text == pattern;
    case FL_SUBSTRING: return text.find(pattern) != Seq::npos;
    case FL_PREFIX: return text.compare(0, pattern.size(), pattern) == 0;
    default: throw platform::Error("Restriction: unknown fuzzy level " + std::to_string(fuzzyLevel));
  }
}

bool ContentMatches(const platform::PropValue& value, const platform::PropValue& pattern, long fuzzyLevel) {
  if (std::holds_alternative<std::string>(value) && std::holds_alternative<std::string>(pattern)) {
    std::string text = std::get<std::string>(value);
    std::string want = std::get<std::string>(pattern);
    if (fuzzyLevel & FL_IGNORECASE) {
      text = platform::Lower(text);
      want = platform::Lower(want);
    }
    return Contains(text, want, fuzzyLevel);
  }
  if (std::holds_alternative<platform::Bytes>(value) && std::holds_alternative<platform::Bytes>(pattern)) {
    const auto& b = std::get<platform::Bytes>(value);
    const auto& p = std::get<platform::Bytes>(pattern);
    return Contains(std::string(b.begin(), b.end()), std::string(p.begin(), p.end()), fuzzyLevel);
  }
  return false;
}

}  // namespace

// --- Restriction ------------------------------------------------------------

Restriction& Restriction::Add(long kind) {
  if (m_kind != RES_AND && m_kind != RES_OR && m_kind != RES_NOT) {
    throw platform::Error("Restriction.Add: only AND, OR and NOT restrictions hold others");
  }
  m_children.push_back(std::make_unique<Restriction>(kind));
  return *m_children.back();
}

bool Restriction::Matches(const platform::Item& item) const {
  switch (m_kind) {
    case RES_AND:
      for (const auto& child : m_children) {
        if (!child->Matches(item)) return false;
      }
      return true;
    case RES_OR:
      for (const auto& child : m_children) {
        if (child->Matches(item)) return true;
      }
      return false;
    case RES_NOT:
      return m_children.empty() || !m_children.front()->Matches(item);
    case RES_EXIST:
      return !std::holds_alternative<std::monostate>(ReadProp(item, ulPropTag));
    case RES_CONTENT:
      return ContentMatches(ReadProp(item, ulPropTag), lpProp, ulFuzzyLevel);
    case RES_PROPERTY: {
      const platform::PropValue value = ReadProp(item, ulPropTag);
      if (std::holds_alternative<std::monostate>(value)) return false;
      const std::optional<int> order = Compare(value, lpProp);
      return order.has_value() && Relate(relop, *order);
    }
    default:
      throw platform::Error("Restriction: unknown kind " + std::to_string(m_kind));
  }
}

const Restriction* Restriction::IndexedTerm() const {
  auto indexed = [](const Restriction& r) {
    return r.m_kind == RES_PROPERTY && r.relop == RELOP_EQ && std::holds_alternative<std::string>(r.lpProp) &&
           !UserPropertyName(r.ulPropTag).empty();
  };
  if (indexed(*this)) return this;
  if (m_kind == RES_AND) {
    for (const auto& child : m_children) {
      if (indexed(*child)) return child.get();
    }
  }
  return nullptr;
}

bool Restriction::AnsweredByIndex(const Restriction& term, std::optional<std::string>& messageClass) const {
  messageClass.reset();
  if (this == &term) return true;
  if (m_kind != RES_AND) return false;
  for (const auto& child : m_children) {
    if (child.get() == &term) continue;
    const bool classEquals = child->m_kind == RES_PROPERTY && child->relop == RELOP_EQ &&
                             child->ulPropTag == PR_MESSAGE_CLASS && std::holds_alternative<std::string>(child->lpProp);
    if (!classEquals || messageClass) {
      messageClass.reset();
      return false;
    }
    messageClass = std::get<std::string>(child->lpProp);
  }
  return true;
}

// --- TableFilter --------------------------------------------------------------

void TableFilter::Clear() {
  m_root.reset();
  m_table.ApplyRestriction(nullptr);
}

Restriction& TableFilter::SetKind(long kind) {
  m_root = std::make_unique<Restriction>(kind);
  return *m_root;
}

void TableFilter::Restrict() {
  if (!m_root) throw platform::Error("MAPITable.Filter.Restrict: no restriction set");
  m_table.ApplyRestriction(m_root.get());
}

// --- MAPITable ----------------------------------------------------------------

MAPITable::MAPITable() { CheckClass(kMAPITable); }

void MAPITable::Item(const platform::Items& items) {
  m_items = items;
  m_rows.reset();
  m_position = 0;
}

const std::vector<platform::Item>& MAPITable::Rows() {
  if (!m_items) throw platform::Error("MAPITable: Item is not set");
  if (!m_rows) m_rows = m_items->All();
  return *m_rows;
}

void MAPITable::ApplyRestriction(const Restriction* root) {
  m_position = 0;
  if (root == nullptr) {
    m_rows.reset();
    return;
  }
  if (!m_items) throw platform::Error("MAPITable: Item is not set");
  const Restriction* term = root->IndexedTerm();
  std::optional<std::string> messageClass;
  if (term && root->AnsweredByIndex(*term, messageClass)) {
    // The usual search of the add-in (an id among the appointments): no
    // item is read.
    m_rows = m_items->FindByUserProperty(UserPropertyName(term->ulPropTag), std::get<std::string>(term->lpProp),
                                         messageClass);
    return;
  }
  const std::vector<platform::Item> candidates =
      term ? m_items->FindByUserProperty(UserPropertyName(term->ulPropTag), std::get<std::string>(term->lpProp))
           : m_items->All();
  std::vector<platform::Item> matching;
  for (const platform::Item& item : candidates) {
    if (root->Matches(item)) matching.push_back(item);
  }
  m_rows = std::move(matching);
}

int MAPITable::RowCount() { return static_cast<int>(Rows().size()); }

std::vector<platform::PropValue> MAPITable::GetRow() {
  const auto& rows = Rows();
  std::vector<platform::PropValue> row;
  if (m_position >= rows.size()) return row;
  const platform::Item& item = rows[m_position++];
  row.reserve(m_columns.size());
  for (long tag : m_columns) row.push_back(ReadProp(item, tag));
  return row;
}

bool MAPITable::FindFirst(bool forward) {
  const Restriction* root = m_filter.Root();
  if (root == nullptr) throw platform::Error("MAPITable.FindFirst: no restriction set");
  const auto& rows = Rows();
  if (forward) {
    for (size_t i = m_position; i < rows.size(); ++i) {
      if (root->Matches(rows[i])) {
        m_position = i;
        return true;
      }
    }
  } else {
    for (size_t i = std::min(m_position, rows.size()); i-- > 0;) {
      if (root->Matches(rows[i])) {
        m_position = i;
        return true;
      }
    }
  }
  return false;
}

std::vector<platform::Item> FindByUserProperty(const platform::Items& items, long tag, const std::string& value,
                                               const std::string& messageClass) {
  CheckClass(kMAPITable);
  const std::string name = UserPropertyName(tag);
  if (name.empty()) throw platform::Error("MAPITable: property tag " + std::to_string(tag) + " is no user property");
  return items.FindByUserProperty(name, value, messageClass);
}

}  // namespace Redemption
