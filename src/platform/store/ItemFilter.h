#pragma once
// ItemFilter: translates the client's restriction text ("[Subject] >= 'a'
// And [LastModificationTime] < '12/05/2026 10:30 AM'") into a condition on
// the items table, so that Restrict runs as one indexed query (internal to
// the store).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/store/SqliteDb.h"

namespace platform::detail {

// The item columns a filter or a sort can use, in this order; a set of them
// is a bit mask (bit i = kItemColumns[i]).
inline constexpr const char* kItemColumns[] = {"message_class", "subject",  "full_name", "start_time",
                                               "end_time",      "last_mod", "creation",  "received"};
inline constexpr int kItemColumnCount = 8;
// The bit of a column of kItemColumns; 0 for any other name.
uint32_t ColumnBit(std::string_view column);

struct SqlCondition {
  std::string sql;  // "" means no condition
  std::vector<SqlValue> binds;
  uint32_t columns = 0;  // the columns the condition reads (ColumnBit mask)
};

// Throws platform::Error naming the unknown field, the bad value or the
// position of a syntax error.
SqlCondition CompileFilter(std::string_view filter);
// The column a field ("Start" or "[Start]", any case) is kept in, for Sort;
// throws platform::Error naming the field when it has none.
std::string SortColumn(std::string_view field);

}  // namespace platform::detail
