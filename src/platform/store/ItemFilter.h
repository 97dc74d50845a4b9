#pragma once
// ItemFilter: translates the client's restriction text ("[Subject] >= 'a'
// And [LastModificationTime] < '12/05/2026 10:30 AM'") into a condition on
// the items table, so that Restrict runs as one indexed query (internal to
// the store).
#include <string>
#include <string_view>
#include <vector>

#include "platform/store/SqliteDb.h"

namespace platform::detail {

struct SqlCondition {
  std::string sql;  // "" means no condition
  std::vector<SqlValue> binds;
};

// Throws platform::Error naming the unknown field, the bad value or the
// position of a syntax error.
SqlCondition CompileFilter(std::string_view filter);
// The column a field ("Start" or "[Start]", any case) is kept in, for Sort;
// throws platform::Error naming the field when it has none.
std::string SortColumn(std::string_view field);

}  // namespace platform::detail
