// The store's NOCASE collation must order texts exactly as SQLite's own:
// indexes built by either are read and extended by the other.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <random>
#include <string>

#include "platform/store/SqliteDb.h"

namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

TEST(SqliteNoCaseTest, OrdersAsSqlitesOwnCollation) {
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &raw), SQLITE_OK);
  sqlite3_stmt* cmp = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(raw,
                               "SELECT CASE WHEN ?1 < ?2 COLLATE NOCASE THEN -1"
                               " WHEN ?1 = ?2 COLLATE NOCASE THEN 0 ELSE 1 END",
                               -1, &cmp, nullptr),
            SQLITE_OK);
  auto builtin = [&](const std::string& a, const std::string& b) {
    sqlite3_bind_text(cmp, 1, a.data(), static_cast<int>(a.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(cmp, 2, b.data(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
    EXPECT_EQ(sqlite3_step(cmp), SQLITE_ROW);
    const int r = sqlite3_column_int(cmp, 0);
    sqlite3_reset(cmp);
    return r;
  };
  auto ours = [](const std::string& a, const std::string& b) {
    return Sign(platform::detail::CompareNoCase(static_cast<int>(a.size()), a.data(), static_cast<int>(b.size()),
                                                b.data()));
  };

  // Shared beginnings longer than a word, letters either side of the case
  // range, bytes past ASCII and NULs, which end SQLite's comparison.
  const std::string alphabet = std::string("aAzZ@[`{_0 \xC3\xA9", 14) + std::string(1, '\0');
  std::mt19937 rng(20261206);
  auto piece = [&](size_t max) {
    std::string s(rng() % (max + 1), ' ');
    for (char& c : s) c = alphabet[rng() % alphabet.size()];
    return s;
  };
  const std::string prefixes[] = {"", "[Alice Able] Appointment ", "ALICE@EXAMPLE.ORG", "x"};
  for (int i = 0; i < 20000; ++i) {
    const std::string& prefix = prefixes[rng() % 4];
    std::string a = prefix + piece(20);
    std::string b = (rng() % 2 ? prefix : prefixes[rng() % 4]) + piece(20);
    if (rng() % 4 == 0) {  // the same text in other letter case, maybe longer
      b = a;
      for (char& c : b)
        if (rng() % 2 && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
      if (rng() % 2) b += piece(3);
    }
    ASSERT_EQ(ours(a, b), builtin(a, b)) << i;
    ASSERT_EQ(ours(b, a), builtin(b, a)) << i;
  }
  sqlite3_finalize(cmp);
  sqlite3_close(raw);
}

}  // namespace
