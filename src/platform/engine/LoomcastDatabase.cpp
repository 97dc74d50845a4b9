#include "platform/engine/LoomcastDatabase.h"

#include <sys/stat.h>

#include "platform/Error.h"
#include "platform/store/SqliteDb.h"

namespace platform::loomcast {

namespace {
// "ZTBL": marks a file as an engine database.
constexpr int64_t kApplicationId = 0x5A54424C;
}  // namespace

LoomcastDatabase::LoomcastDatabase(const std::string& path) : m_path(path) {
  struct stat st{};
  const bool fresh = ::stat(path.c_str(), &st) != 0 || st.st_size == 0;
  try {
    m_db = std::make_unique<detail::SqliteDb>(path, true);
    if (fresh) {
      m_db->Exec(
          "BEGIN;"
          "CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT NOT NULL);"
          "CREATE TABLE folders(entry_id TEXT PRIMARY KEY, store_id TEXT NOT NULL, name TEXT NOT NULL,"
          " seq INTEGER NOT NULL);"
          "PRAGMA application_id=" + std::to_string(kApplicationId) + ";"
          "COMMIT;");
    } else if (m_db->QueryInt("PRAGMA application_id") != kApplicationId) {
      throw Error("not an engine database");
    }
  } catch (const Error& e) {
    m_db.reset();
    throw Error("the sharing engine cannot use its database " + path + ": " + e.what());
  }
}

LoomcastDatabase::~LoomcastDatabase() = default;

void LoomcastDatabase::SetProductCode(const std::string& code) {
  detail::Stmt s = m_db->Prepare("INSERT OR REPLACE INTO meta(key, value) VALUES('product_code', ?)");
  s.Bind(1, code);
  s.Step();
}

std::string LoomcastDatabase::ProductCode() {
  detail::Stmt s = m_db->Prepare("SELECT value FROM meta WHERE key = 'product_code'");
  return s.Step() ? s.Text(0) : "";
}

void LoomcastDatabase::RememberFolder(const std::string& entryId, const std::string& storeId,
                                      const std::string& name) {
  detail::Stmt s = m_db->Prepare(
      "INSERT INTO folders(entry_id, store_id, name, seq) VALUES(?1, ?2, ?3,"
      " (SELECT COALESCE(MAX(seq), 0) + 1 FROM folders))"
      " ON CONFLICT(entry_id) DO UPDATE SET store_id = ?2, name = ?3");
  s.Bind(1, entryId).Bind(2, storeId).Bind(3, name);
  s.Step();
}

std::vector<std::string> LoomcastDatabase::Folders() {
  detail::Stmt s = m_db->Prepare("SELECT entry_id FROM folders ORDER BY seq");
  std::vector<std::string> out;
  while (s.Step()) out.push_back(s.Text(0));
  return out;
}

}  // namespace platform::loomcast
