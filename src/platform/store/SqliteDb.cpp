#include "platform/store/SqliteDb.h"

#include "platform/Error.h"

#include <algorithm>
#include <cstring>

namespace platform::detail {

Stmt::~Stmt() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

Stmt& Stmt::Bind(int index, const SqlValue& v) { return BindValue(index, v, SQLITE_TRANSIENT); }
Stmt& Stmt::BindView(int index, const SqlValue& v) { return BindValue(index, v, SQLITE_STATIC); }

Stmt& Stmt::BindValue(int index, const SqlValue& v, sqlite3_destructor_type keep) {
  int rc = SQLITE_OK;
  if (std::holds_alternative<std::monostate>(v)) rc = sqlite3_bind_null(stmt_, index);
  else if (const auto* i = std::get_if<int64_t>(&v)) rc = sqlite3_bind_int64(stmt_, index, *i);
  else if (const auto* d = std::get_if<double>(&v)) rc = sqlite3_bind_double(stmt_, index, *d);
  else if (const auto* s = std::get_if<std::string>(&v))
    rc = sqlite3_bind_text(stmt_, index, s->data(), static_cast<int>(s->size()), keep);
  else if (const auto* b = std::get_if<std::vector<uint8_t>>(&v))
    rc = sqlite3_bind_blob(stmt_, index, b->empty() ? "" : static_cast<const void*>(b->data()),
                           static_cast<int>(b->size()), keep);
  if (rc != SQLITE_OK) db_.Fail("bind");
  return *this;
}

Stmt& Stmt::Bind(int index, int64_t v) {
  if (sqlite3_bind_int64(stmt_, index, v) != SQLITE_OK) db_.Fail("bind");
  return *this;
}

Stmt& Stmt::BindText(int index, std::string_view v) {
  if (sqlite3_bind_text(stmt_, index, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT) != SQLITE_OK)
    db_.Fail("bind");
  return *this;
}

Stmt& Stmt::BindBlobView(int index, const std::vector<uint8_t>& v) {
  if (sqlite3_bind_blob(stmt_, index, v.empty() ? "" : static_cast<const void*>(v.data()), static_cast<int>(v.size()),
                        SQLITE_STATIC) != SQLITE_OK)
    db_.Fail("bind");
  return *this;
}

Stmt& Stmt::BindTextView(int index, std::string_view v) {
  if (sqlite3_bind_text(stmt_, index, v.data(), static_cast<int>(v.size()), SQLITE_STATIC) != SQLITE_OK)
    db_.Fail("bind");
  return *this;
}

bool Stmt::Step() {
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  db_.Fail(std::string(Sql()));
}

std::string Stmt::Text(int col) const {
  const auto* p = sqlite3_column_text(stmt_, col);
  return p ? std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(stmt_, col)))
           : std::string();
}

namespace {

uint8_t Fold(uint8_t c) { return c >= 'A' && c <= 'Z' ? static_cast<uint8_t>(c + ('a' - 'A')) : c; }

int CollateNoCase(void*, int n1, const void* a, int n2, const void* b) { return CompareNoCase(n1, a, n2, b); }

}  // namespace

int CompareNoCase(int n1, const void* a, int n2, const void* b) {
  const auto* p = static_cast<const uint8_t*>(a);
  const auto* q = static_cast<const uint8_t*>(b);
  const int n = std::min(n1, n2);
  int i = 0;
  for (;;) {
    // Skip what both share, eight bytes at a time while they hold no NUL
    // (the comparison ends at the first one's NUL).
    while (i + 8 <= n) {
      uint64_t x, y;
      std::memcpy(&x, p + i, 8);
      std::memcpy(&y, q + i, 8);
      if (x != y || ((x - 0x0101010101010101ull) & ~x & 0x8080808080808080ull) != 0) break;
      i += 8;
    }
    while (i < n && p[i] == q[i] && p[i] != 0) ++i;
    if (i == n) return n1 - n2;
    const int d = Fold(p[i]) - Fold(q[i]);
    if (d != 0 || p[i] == 0) return d != 0 ? d : n1 - n2;
    ++i;
  }
}

SqliteDb::SqliteDb(const std::string& path, bool create) : path_(path) {
  // A connection is used by one thread only: SQLite's allocation statistics
  // (a global mutex around every allocation) and the connection's own mutex
  // are pure cost. Savepoint and statement journals (the undo of each write
  // inside a batch) stay in memory up to 1 MB, in one block: an in-memory
  // temp store would keep them in 1 KB pieces, whose allocations cost more
  // than the pages copied into them. The settings take only before
  // SQLite's first use.
  static const int configured = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) +
                                 sqlite3_config(SQLITE_CONFIG_STMTJRNL_SPILL, 1 << 20);
  (void)configured;
  auto fail = [&] {
    std::string msg = db_ ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close(db_);
    db_ = nullptr;
    throw Error("cannot open profile database " + path + ": " + msg);
  };
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
  if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) fail();
  sqlite3_extended_result_codes(db_, 0);
  if (sqlite3_create_collation_v2(db_, "NOCASE", SQLITE_UTF8, nullptr, &CollateNoCase, nullptr) != SQLITE_OK) fail();
}

SqliteDb::~SqliteDb() {
  for (auto& [sql, stmt] : cache_) sqlite3_finalize(stmt);
  sqlite3_close(db_);
}

void SqliteDb::Exec(const std::string& sql) {
  char* err = nullptr;
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
    std::string msg = err ? err : "unknown error";
    sqlite3_free(err);
    throw Error("profile database " + path_ + ": " + msg);
  }
}

Stmt SqliteDb::Prepare(std::string_view sql) {
  auto it = cache_.find(sql);
  if (it == cache_.end()) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &stmt, nullptr) != SQLITE_OK)
      Fail(std::string(sql));
    it = cache_.emplace(std::string(sql), stmt).first;
  }
  return Stmt(*this, it->second);
}

int64_t SqliteDb::QueryInt(const std::string& sql) {
  Stmt s = Prepare(sql);
  return s.Step() ? s.Int(0) : 0;
}

void SqliteDb::Fail(const std::string& what) const {
  throw Error("profile database " + path_ + ": " + sqlite3_errmsg(db_) + " (" + what + ")");
}

}  // namespace platform::detail
