#pragma once
// SqliteDb: a thin owner of one SQLite connection and its prepared
// statements (internal to the store). Every SQLite failure becomes a
// platform::Error that names the database file.
#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

namespace platform::detail {

using SqlValue = std::variant<std::monostate, int64_t, double, std::string, std::vector<uint8_t>>;

class SqliteDb;

// Orders two texts as SQLite's own NOCASE collation does (ASCII letters
// folded, then the shorter first; the comparison ends at a NUL in the
// first), which each connection replaces with it: the indexes it built stay
// valid, and texts that share a long beginning (the subjects of one
// owner's copies) are compared eight bytes at a time, not one.
int CompareNoCase(int n1, const void* a, int n2, const void* b);

// One prepared statement, reset when the Stmt goes out of scope.
class Stmt {
 public:
  Stmt(SqliteDb& db, sqlite3_stmt* stmt) : db_(db), stmt_(stmt) {}
  Stmt(const Stmt&) = delete;
  Stmt& operator=(const Stmt&) = delete;
  ~Stmt();

  Stmt& Bind(int index, const SqlValue& v);  // 1-based
  Stmt& Bind(int index, int64_t v);
  Stmt& Bind(int index, const std::string& v) { return BindText(index, v); }
  // Binds a copy of the text (no SqlValue is built for it).
  Stmt& BindText(int index, std::string_view v);
  // The same without a copy of the text or bytes, for the statements a save
  // runs for every item. REQUIRES: they stay as they are until this Stmt is
  // destroyed.
  Stmt& BindView(int index, const SqlValue& v);
  Stmt& BindTextView(int index, std::string_view v);
  Stmt& BindBlobView(int index, const std::vector<uint8_t>& v);
  // True while a row is available.
  bool Step();
  int64_t Int(int col) const { return sqlite3_column_int64(stmt_, col); }
  std::string Text(int col) const;
  const void* BlobData(int col) const { return sqlite3_column_blob(stmt_, col); }
  size_t BlobSize(int col) const { return static_cast<size_t>(sqlite3_column_bytes(stmt_, col)); }
  bool IsNull(int col) const { return sqlite3_column_type(stmt_, col) == SQLITE_NULL; }
  std::string_view Sql() const { return sqlite3_sql(stmt_); }

 private:
  Stmt& BindValue(int index, const SqlValue& v, sqlite3_destructor_type keep);

  SqliteDb& db_;
  sqlite3_stmt* stmt_;
};

class SqliteDb {
 public:
  // Opens `path` (creating it when `create`); throws platform::Error naming it.
  SqliteDb(const std::string& path, bool create);
  SqliteDb(const SqliteDb&) = delete;
  SqliteDb& operator=(const SqliteDb&) = delete;
  ~SqliteDb();

  // Runs statements without results.
  void Exec(const std::string& sql);
  // A cached prepared statement for `sql`.
  Stmt Prepare(std::string_view sql);
  int64_t LastInsertRowid() const { return sqlite3_last_insert_rowid(db_); }
  int Changes() const { return sqlite3_changes(db_); }
  int64_t QueryInt(const std::string& sql);
  [[noreturn]] void Fail(const std::string& what) const;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  sqlite3* db_ = nullptr;
  // Looked up by the text as given: a statement's text is not copied into a
  // string for every use.
  struct SqlHash {
    using is_transparent = void;
    size_t operator()(std::string_view sql) const { return std::hash<std::string_view>{}(sql); }
  };
  std::unordered_map<std::string, sqlite3_stmt*, SqlHash, std::equal_to<>> cache_;
};

}  // namespace platform::detail
