#pragma once
// LoomcastDatabase: the folder-sharing engine's own database file (the path
// its extension names). It remembers the product code and the folders the
// engine has been asked to watch. A missing or empty file (the installed
// template is empty) becomes a new database; a file that is no engine
// database is refused and left as it is.
#include <memory>
#include <string>
#include <vector>

namespace platform::detail {
class SqliteDb;
}

namespace platform::loomcast {

class LoomcastDatabase {
 public:
  // Opens or creates the database at `path`. Throws platform::Error naming
  // the file when it cannot be opened or is no engine database.
  explicit LoomcastDatabase(const std::string& path);
  ~LoomcastDatabase();
  LoomcastDatabase(const LoomcastDatabase&) = delete;
  LoomcastDatabase& operator=(const LoomcastDatabase&) = delete;

  const std::string& Path() const { return m_path; }
  void SetProductCode(const std::string& code);
  std::string ProductCode();
  // Records (or refreshes) a watched folder.
  void RememberFolder(const std::string& entryId, const std::string& storeId, const std::string& name);
  // Entry ids of the folders ever watched, oldest first.
  std::vector<std::string> Folders();

 private:
  std::string m_path;
  std::unique_ptr<detail::SqliteDb> m_db;
};

}  // namespace platform::loomcast
