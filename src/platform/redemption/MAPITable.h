#pragma once
// "Redemption.MAPITable": a table over a folder's items that returns chosen
// property columns row by row, optionally restricted by a filter of MAPI
// restrictions (AND/OR/NOT, property comparisons, content searches). The
// add-in uses it to find its mails by a subject that merely contains a
// marker, in any letter case, and its items by a user property's value.
#include <memory>
#include <optional>
#include <vector>

#include "platform/store/Item.h"
#include "platform/store/Items.h"
#include "platform/store/StoreTypes.h"

namespace Redemption {

// Restriction kinds.
inline constexpr long RES_AND = 0;
inline constexpr long RES_OR = 1;
inline constexpr long RES_NOT = 2;
inline constexpr long RES_CONTENT = 3;
inline constexpr long RES_PROPERTY = 4;
inline constexpr long RES_EXIST = 8;

// Relations of a property restriction.
inline constexpr long RELOP_LT = 0;
inline constexpr long RELOP_LE = 1;
inline constexpr long RELOP_GT = 2;
inline constexpr long RELOP_GE = 3;
inline constexpr long RELOP_EQ = 4;
inline constexpr long RELOP_NE = 5;

// Fuzzy levels of a content restriction: the low word says where the text
// must stand, the high word how loosely it compares.
inline constexpr long FL_FULLSTRING = 0x00000;
inline constexpr long FL_SUBSTRING = 0x00001;
inline constexpr long FL_PREFIX = 0x00002;
inline constexpr long FL_IGNORECASE = 0x10000;

// One node of a filter. AND/OR/NOT nodes hold children (NOT: its first
// child); the others test one property of a row with the fields below.
// Texts in property comparisons compare without regard to (ASCII) letter
// case, as the store's text columns and its user-property index do; a
// missing property fails every test but RES_NOT around it.
class Restriction {
 public:
  explicit Restriction(long kind) : m_kind(kind) {}
  long Kind() const { return m_kind; }
  // Appends a child of `kind` and returns it (owned by this node).
  // Throws platform::Error when this node is no AND/OR/NOT.
  Restriction& Add(long kind);

  long ulPropTag = 0;
  long relop = RELOP_EQ;
  platform::PropValue lpProp;
  long ulFuzzyLevel = FL_FULLSTRING;

  // Whether the item passes. Throws platform::Error for an unknown kind,
  // relation or property tag.
  bool Matches(const platform::Item& item) const;

  // A user property's equality with a text that every item passing this
  // restriction satisfies (the restriction itself, or a term of an AND), so
  // that the store's index can find the candidates; nullptr when none.
  const Restriction* IndexedTerm() const;
  // True when this restriction asks no more than `term` (its IndexedTerm)
  // and at most one message class equality, which goes to `messageClass`:
  // the store then answers it from its index and columns without reading
  // the items.
  bool AnsweredByIndex(const Restriction& term, std::optional<std::string>& messageClass) const;

 private:
  long m_kind;
  std::vector<std::unique_ptr<Restriction>> m_children;
};

class MAPITable;

// The table's filter: one root restriction, applied to the table by Restrict.
class TableFilter {
 public:
  explicit TableFilter(MAPITable& table) : m_table(table) {}
  // Drops the root (and an applied restriction: the table shows every row).
  void Clear();
  // Makes a new root of `kind` and returns it.
  Restriction& SetKind(long kind);
  // Restricts the table to the rows matching the root now and goes to the
  // first. A root with an indexed term (Restriction::IndexedTerm) is
  // searched through the store's user-property index, its rows in entry id
  // creation order; any other reads every item.
  // Throws platform::Error when no root is set.
  void Restrict();
  // The root; nullptr after Clear.
  const Restriction* Root() const { return m_root.get(); }

 private:
  MAPITable& m_table;
  std::unique_ptr<Restriction> m_root;
};

class MAPITable {
 public:
  // Throws platform::Error (class not registered) when the library is off.
  MAPITable();
  MAPITable(const MAPITable&) = delete;
  MAPITable& operator=(const MAPITable&) = delete;

  // The items the table lists (a folder's Items); resets the restriction
  // and the position.
  void Item(const platform::Items& items);
  TableFilter& Filter() { return m_filter; }
  // The property tags each row returns, in order.
  void Columns(const std::vector<long>& tags) { m_columns = tags; }
  const std::vector<long>& Columns() const { return m_columns; }

  // Rows in the table (after the restriction).
  int RowCount();
  // Moves before the first row.
  void GoToFirst() { m_position = 0; }
  // The current row's columns, then moves on; an empty row past the last.
  std::vector<platform::PropValue> GetRow();
  // From the current position, finds the next row (forward) or the previous
  // one that matches the filter without restricting the table, and stands
  // on it so that GetRow returns it; false (position unchanged) when none.
  bool FindFirst(bool forward = true);

 private:
  friend class TableFilter;
  void ApplyRestriction(const Restriction* root);
  const std::vector<platform::Item>& Rows();

  TableFilter m_filter{*this};
  std::optional<platform::Items> m_items;
  std::vector<long> m_columns;
  // The listed rows: every item, listed at the first access after Item or
  // Clear, or the items that matched at the last Restrict.
  std::optional<std::vector<platform::Item>> m_rows;
  size_t m_position = 0;
};

// The bridge's search by user property: the items of `items` whose named
// property `tag` (a user property's, from GetIDsFromNames) equals `value`
// and whose message class is `messageClass`, found through the store's
// index - what a table restricted to those two equalities lists, handed
// over as the items rather than as entry ids to open one by one. Throws
// platform::Error when the library is not registered or `tag` names no
// user property.
std::vector<platform::Item> FindByUserProperty(const platform::Items& items, long tag, const std::string& value,
                                               const std::string& messageClass);

}  // namespace Redemption
