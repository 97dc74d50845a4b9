#include "platform/Registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/Error.h"
#include "platform/FileUtil.h"

namespace platform {
namespace {

constexpr const char* kHiveMagic = "ZENTABO-HIVE";
constexpr const char* kJournalMagic = "ZENTABO-JOURNAL";
constexpr const char* kFormat = "1";
// Journal lines after which the journal is folded into the hive file.
constexpr size_t kCompactAfterLines = 20000;

std::string Fold(const std::string& s) {
  std::string r = s;
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

// Hive files are lines of tab-separated fields; a field escapes '%', tabs,
// line breaks and other control bytes as %XX.
std::string Encode(const std::string& s) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string r;
  r.reserve(s.size());
  for (unsigned char c : s) {
    if (c == '%' || c < 0x20 || c == 0x7f) {
      r += '%';
      r += kHex[c >> 4];
      r += kHex[c & 15];
    } else {
      r += static_cast<char>(c);
    }
  }
  return r;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// False when the escapes are malformed.
bool Decode(const std::string& s, std::string* out) {
  out->clear();
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '%') {
      *out += s[i];
      continue;
    }
    if (i + 2 >= s.size()) return false;
    const int hi = HexDigit(s[i + 1]);
    const int lo = HexDigit(s[i + 2]);
    if (hi < 0 || lo < 0) return false;
    *out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  return true;
}

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  return fields;
}

// The non-empty parts of a key path "A\B\C".
std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t sep = path.find('\\', start);
    if (sep == std::string::npos) sep = path.size();
    if (sep > start) parts.push_back(path.substr(start, sep - start));
    start = sep + 1;
  }
  return parts;
}

}  // namespace

struct Registry::Node {
  struct Value {
    std::string name;
    uint32_t type = REG_NONE;
    std::string data;
  };

  std::string name;
  Node* parent = nullptr;
  // Subkeys by folded name, so enumeration is ordered without regard to case.
  std::map<std::string, std::shared_ptr<Node>> children;
  std::vector<Value> values;  // creation order
  bool deleted = false;

  Value* FindValue(const std::string& valueName) {
    const std::string folded = Fold(valueName);
    for (Value& v : values)
      if (Fold(v.name) == folded) return &v;
    return nullptr;
  }
  Node* Child(const std::string& childName) const {
    auto it = children.find(Fold(childName));
    return it == children.end() ? nullptr : it->second.get();
  }
  Node* AddChild(const std::string& childName) {
    auto node = std::make_shared<Node>();
    node->name = childName;
    node->parent = this;
    Node* raw = node.get();
    children.emplace(Fold(childName), std::move(node));
    return raw;
  }
  std::string Path() const {
    std::string path;
    for (const Node* n = this; n->parent; n = n->parent) path = path.empty() ? n->name : n->name + "\\" + path;
    return path;
  }
  void MarkDeleted() {
    deleted = true;
    for (auto& [key, child] : children) child->MarkDeleted();
  }
};

// One hive: its tree, its hive file and its journal.
class Registry::Hive {
 public:
  Hive(std::filesystem::path hiveFile, std::filesystem::path journalFile)
      : hiveFile_(std::move(hiveFile)), journalFile_(std::move(journalFile)) {
    root = std::make_shared<Node>();
    Load();
  }
  ~Hive() {
    if (journalFd_ >= 0) ::close(journalFd_);
  }

  // The node at the path; nullptr when a part is missing. With create,
  // missing parts are made (and journaled); *created tells whether any was.
  Node* Walk(Node* from, const std::vector<std::string>& parts, bool create, bool* created = nullptr) {
    Node* node = from;
    for (const std::string& part : parts) {
      Node* child = node->Child(part);
      if (!child) {
        if (!create) return nullptr;
        child = node->AddChild(part);
        if (created) *created = true;
      }
      node = child;
    }
    return node;
  }

  // Records one change in the journal; the caller changes the tree only
  // after this returned. Inside a batch the record waits in the batch's
  // buffer. Throws platform::Error naming the journal file when it cannot be
  // written.
  void Record(const std::vector<std::string>& fields, bool inBatch) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
      if (i) line += '\t';
      line += Encode(fields[i]);
    }
    line += '\n';
    if (inBatch) {
      batch_ += line;
      ++batchLines_;
      return;
    }
    Append(line, false);
    ++journalLines_;
    CompactIfLong();
  }

  // Writes the buffered batch between a begin and a commit line and syncs
  // the journal. On failure the journal is cut back to where it was (a torn
  // batch would be dropped by the next open anyway) and the error thrown.
  void CommitBatch() {
    if (batchLines_ == 0) return;
    std::string text = "B\n" + batch_ + "C\n";
    batch_.clear();
    const size_t lines = batchLines_ + 2;
    batchLines_ = 0;
    Append(text, true);
    journalLines_ += lines;
    CompactIfLong();
  }
  void DropBatch() {
    batch_.clear();
    batchLines_ = 0;
  }

  // Reads the hive again from its files, dropping every change in memory
  // that is not on disk.
  void Reload() {
    DropBatch();
    if (journalFd_ >= 0) ::close(journalFd_);
    journalFd_ = -1;
    journalLines_ = 0;
    root = std::make_shared<Node>();
    Load();
  }

  // Writes the whole tree to the hive file (synced) and starts an empty
  // journal of the next generation. Nothing to do when the journal is empty.
  // Throws platform::Error when a file cannot be written; every record stays
  // in a journal the next open replays.
  void Compact() {
    if (journalLines_ == 0) return;
    const uint64_t next = generation_ + 1;
    std::string text = std::string(kHiveMagic) + "\t" + kFormat + "\t" + std::to_string(next) + "\n";
    WriteTree(*root, &text);
    text += "END\n";
    FileUtil::AtomicWriteFile(hiveFile_, text);
    // From here the hive file holds everything; the journal on disk is of the
    // older generation, which the next load recognises as contained in it.
    // Later records must not be appended to that stale journal (they would
    // be skipped as old): the next append starts a fresh one.
    generation_ = next;
    journalCurrent_ = false;
    if (journalFd_ >= 0) ::close(journalFd_);
    journalFd_ = -1;
    journalLines_ = 0;
    OpenJournal();
  }

  std::shared_ptr<Node> root;

 private:
  // Appends text to the journal, all or nothing: a failed write is cut back.
  void Append(const std::string& text, bool sync) {
    OpenJournal();
    const off_t before = ::lseek(journalFd_, 0, SEEK_END);
    size_t done = 0;
    while (done < text.size()) {
      const ssize_t n = ::write(journalFd_, text.data() + done, text.size() - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        const int err = errno;
        if (before >= 0 && ::ftruncate(journalFd_, before) != 0) {
          // The torn tail stays; the next open drops it.
        }
        throw Error("Cannot write registry journal '" + journalFile_.string() + "': " + std::strerror(err), err);
      }
      done += static_cast<size_t>(n);
    }
    if (sync && ::fdatasync(journalFd_) != 0)
      throw Error("Cannot sync registry journal '" + journalFile_.string() + "': " + std::strerror(errno), errno);
  }

  // Folds a long journal into the hive file. The records are durable already,
  // so a fold that fails is left for a later one.
  void CompactIfLong() {
    if (journalLines_ < kCompactAfterLines) return;
    try {
      Compact();
    } catch (const Error&) {
    }
  }

  std::string JournalHeader() const {
    return std::string(kJournalMagic) + "\t" + kFormat + "\t" + std::to_string(generation_) + "\n";
  }

  void OpenJournal() {
    if (journalFd_ >= 0) return;
    if (!journalCurrent_) {
      // The journal on disk is missing or stale: start a fresh one.
      FileUtil::AtomicWriteFile(journalFile_, JournalHeader());
      journalCurrent_ = true;
    }
    journalFd_ = ::open(journalFile_.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (journalFd_ < 0)
      throw Error("Cannot open registry journal '" + journalFile_.string() + "': " + std::strerror(errno),
                  errno);
  }

  static void WriteTree(const Node& node, std::string* text) {
    const std::string path = node.Path();
    if (node.parent) *text += "K\t" + Encode(path) + "\n";
    for (const Node::Value& v : node.values)
      *text += "V\t" + Encode(path) + "\t" + Encode(v.name) + "\t" + std::to_string(v.type) + "\t" +
               Encode(v.data) + "\n";
    for (const auto& [key, child] : node.children) WriteTree(*child, text);
  }

  [[noreturn]] static void Corrupt(const std::filesystem::path& file, size_t line, const std::string& why) {
    throw Error("Registry hive file '" + file.string() + "' is corrupt (line " + std::to_string(line) +
                    "): " + why,
                1015);
  }

  // Applies one change line to the tree; false when it is malformed.
  bool Apply(const std::vector<std::string>& raw) {
    std::vector<std::string> f(raw.size());
    for (size_t i = 0; i < raw.size(); ++i)
      if (!Decode(raw[i], &f[i])) return false;
    const std::string& op = f[0];
    if (op == "K" && f.size() == 2) {
      Walk(root.get(), SplitPath(f[1]), true);
    } else if (op == "V" && f.size() == 5) {
      char* end = nullptr;
      const unsigned long type = std::strtoul(f[3].c_str(), &end, 10);
      if (f[3].empty() || *end) return false;
      Node* node = Walk(root.get(), SplitPath(f[1]), true);
      if (Node::Value* v = node->FindValue(f[2])) {
        v->type = static_cast<uint32_t>(type);
        v->data = f[4];
      } else {
        node->values.push_back(Node::Value{f[2], static_cast<uint32_t>(type), f[4]});
      }
    } else if (op == "DV" && f.size() == 3) {
      if (Node* node = Walk(root.get(), SplitPath(f[1]), false)) {
        const std::string folded = Fold(f[2]);
        std::erase_if(node->values, [&](const Node::Value& v) { return Fold(v.name) == folded; });
      }
    } else if (op == "DK" && f.size() == 2) {
      const std::vector<std::string> parts = SplitPath(f[1]);
      if (parts.empty()) return false;
      if (Node* node = Walk(root.get(), parts, false)) {
        node->MarkDeleted();
        node->parent->children.erase(Fold(node->name));
      }
    } else {
      return false;
    }
    return true;
  }

  void Load() {
    generation_ = 0;
    if (FileUtil::Exists(hiveFile_)) {
      const std::string text = FileUtil::ReadFile(hiveFile_);
      size_t pos = 0, lineNo = 0;
      bool ended = false;
      while (pos < text.size()) {
        const size_t nl = text.find('\n', pos);
        if (nl == std::string::npos) Corrupt(hiveFile_, lineNo + 1, "the file is truncated");
        const std::string line = text.substr(pos, nl - pos);
        pos = nl + 1;
        ++lineNo;
        const std::vector<std::string> f = SplitFields(line);
        if (lineNo == 1) {
          if (f.size() != 3 || f[0] != kHiveMagic) Corrupt(hiveFile_, 1, "not a registry hive");
          if (f[1] != kFormat) Corrupt(hiveFile_, 1, "unknown format " + f[1]);
          generation_ = std::strtoull(f[2].c_str(), nullptr, 10);
          continue;
        }
        if (ended) Corrupt(hiveFile_, lineNo, "data after the end mark");
        if (line == "END") {
          ended = true;
          continue;
        }
        if (!Apply(f)) Corrupt(hiveFile_, lineNo, "malformed entry");
      }
      if (lineNo == 0) Corrupt(hiveFile_, 1, "the file is empty");
      if (!ended) Corrupt(hiveFile_, lineNo, "the end mark is missing");
    }
    journalCurrent_ = false;
    if (!FileUtil::Exists(journalFile_)) return;
    const std::string text = FileUtil::ReadFile(journalFile_);
    size_t pos = 0, lineNo = 0;
    // A batch is applied when its commit line is read; one without it was
    // cut short by a crash and is dropped, as is a torn last line.
    bool inBatch = false;
    size_t batchStart = 0;
    std::vector<std::pair<size_t, std::vector<std::string>>> batch;
    while (pos < text.size()) {
      const size_t nl = text.find('\n', pos);
      // A line without its line break was torn by a crash while appending:
      // it was never completed, so it is dropped.
      if (nl == std::string::npos) break;
      const size_t lineStart = pos;
      const std::string line = text.substr(pos, nl - pos);
      pos = nl + 1;
      ++lineNo;
      const std::vector<std::string> f = SplitFields(line);
      if (lineNo == 1) {
        if (f.size() != 3 || f[0] != kJournalMagic || f[1] != kFormat)
          Corrupt(journalFile_, 1, "not a registry journal");
        // A journal of another generation is already part of the hive file.
        if (std::strtoull(f[2].c_str(), nullptr, 10) != generation_) return;
        continue;
      }
      ++journalLines_;
      if (line == "B") {
        inBatch = true;  // a begin without commit before it was torn: dropped
        batchStart = lineStart;
        batch.clear();
      } else if (line == "C") {
        if (!inBatch) Corrupt(journalFile_, lineNo, "commit without batch");
        for (const auto& [no, fields] : batch)
          if (!Apply(fields)) Corrupt(journalFile_, no, "malformed entry");
        batch.clear();
        inBatch = false;
      } else if (inBatch) {
        batch.emplace_back(lineNo, f);
      } else if (!Apply(f)) {
        Corrupt(journalFile_, lineNo, "malformed entry");
      }
    }
    if (lineNo == 0) return;  // torn header: nothing was journaled
    if (inBatch) pos = batchStart;
    if (pos < text.size()) {
      // Drop the torn tail so later appends start on a fresh line.
      if (::truncate(journalFile_.c_str(), static_cast<off_t>(pos)) != 0)
        throw Error("Cannot repair registry journal '" + journalFile_.string() + "': " + std::strerror(errno),
                    errno);
    }
    journalCurrent_ = true;
  }

  std::filesystem::path hiveFile_;
  std::filesystem::path journalFile_;
  uint64_t generation_ = 0;
  size_t journalLines_ = 0;
  bool journalCurrent_ = false;
  int journalFd_ = -1;
  std::string batch_;  // the open batch's records
  size_t batchLines_ = 0;
};

Registry::Registry(const std::filesystem::path& home) : folder_(home / ".registry") {
  FileUtil::MakeDirs(folder_);
  // Two registry objects on one folder would overwrite each other's changes.
  const std::filesystem::path lock = folder_ / "lock";
  lockFd_ = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lockFd_ < 0)
    throw Error("Cannot open registry lock '" + lock.string() + "': " + std::strerror(errno), errno);
  if (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
    ::close(lockFd_);
    throw Error("The registry in '" + folder_.string() + "' is already open in another registry object or process",
                32);
  }
  try {
    hkcu_ = std::make_unique<Hive>(folder_ / "HKCU.hive", folder_ / "HKCU.journal");
    hklm_ = std::make_unique<Hive>(folder_ / "HKLM.hive", folder_ / "HKLM.journal");
  } catch (...) {
    ::close(lockFd_);  // no destructor runs for a failed constructor
    throw;
  }
  handles_[HKEY_CURRENT_USER] = Handle{hkcu_->root, hkcu_.get(), KEY_ALL_ACCESS};
  handles_[HKEY_LOCAL_MACHINE] = Handle{hklm_->root, hklm_.get(), KEY_ALL_ACCESS};
}

Registry::~Registry() {
  if (InBatch()) AbortBatch();
  try {
    hkcu_->Compact();
    hklm_->Compact();
  } catch (...) {
    // The journals keep every change; the next open replays them.
  }
  ::close(lockFd_);
}

const std::filesystem::path& Registry::Folder() const { return folder_; }

const Registry::Handle* Registry::Resolve(HKEY key, long* error) {
  auto it = handles_.find(key);
  if (it == handles_.end()) {
    *error = ERROR_INVALID_HANDLE;
    return nullptr;
  }
  if (it->second.node->deleted) {
    *error = ERROR_KEY_DELETED;
    return nullptr;
  }
  *error = ERROR_SUCCESS;
  return &it->second;
}

long Registry::OpenOrCreate(HKEY root, const std::string& subKey, uint32_t access, bool create,
                            HKEY* result, uint32_t* disposition) {
  if (result) *result = 0;
  long error;
  const Handle* parent = Resolve(root, &error);
  if (!parent) return error;
  const std::vector<std::string> parts = SplitPath(subKey);
  Node* node = parent->hive->Walk(parent->node.get(), parts, false);
  bool created = false;
  if (!node) {
    if (!create) return ERROR_FILE_NOT_FOUND;
    if (!(parent->access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
    std::string path = parent->node->Path();
    for (const std::string& part : parts) path += (path.empty() ? "" : "\\") + part;
    parent->hive->Record({"K", path}, InBatch());
    node = parent->hive->Walk(parent->node.get(), parts, true, &created);
  }
  if (disposition) *disposition = created ? 1 : 2;
  // Find the shared owner of the node to keep it alive in the handle.
  std::shared_ptr<Node> owner = node->parent ? node->parent->children.at(Fold(node->name)) : parent->hive->root;
  const HKEY id = nextHandle_++;
  handles_[id] = Handle{std::move(owner), parent->hive, access};
  if (result) *result = id;
  return ERROR_SUCCESS;
}

long Registry::OpenKey(HKEY root, const std::string& subKey, uint32_t access, HKEY* result) {
  return OpenOrCreate(root, subKey, access, false, result, nullptr);
}

long Registry::CreateKey(HKEY root, const std::string& subKey, uint32_t access, HKEY* result,
                         uint32_t* disposition) {
  return OpenOrCreate(root, subKey, access, true, result, disposition);
}

long Registry::CloseKey(HKEY key) {
  if (key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE || key == HKEY_CLASSES_ROOT)
    return ERROR_SUCCESS;
  return handles_.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

long Registry::QueryValue(HKEY key, const std::string& name, uint32_t* type, std::string* data,
                          size_t maxBytes, size_t* size) {
  long error;
  const Handle* h = Resolve(key, &error);
  if (!h) return error;
  const Node::Value* v = h->node->FindValue(name);
  if (!v) return ERROR_FILE_NOT_FOUND;
  if (type) *type = v->type;
  if (size) *size = v->data.size();
  if (v->data.size() > maxBytes) return ERROR_MORE_DATA;
  if (data) *data = v->data;
  return ERROR_SUCCESS;
}

long Registry::SetValue(HKEY key, const std::string& name, uint32_t type, const std::string& data) {
  long error;
  const Handle* h = Resolve(key, &error);
  if (!h) return error;
  if (!(h->access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  if (type == REG_DWORD && data.size() != 4) return ERROR_INVALID_PARAMETER;
  Node::Value* v = h->node->FindValue(name);
  h->hive->Record({"V", h->node->Path(), v ? v->name : name, std::to_string(type), data}, InBatch());
  if (v) {
    v->type = type;
    v->data = data;
  } else {
    h->node->values.push_back(Node::Value{name, type, data});
  }
  return ERROR_SUCCESS;
}

long Registry::SetString(HKEY key, const std::string& name, const std::string& text, uint32_t type) {
  return SetValue(key, name, type, text);
}

long Registry::SetDword(HKEY key, const std::string& name, uint32_t value) {
  std::string data(4, '\0');
  for (int i = 0; i < 4; ++i) data[i] = static_cast<char>((value >> (8 * i)) & 0xff);
  return SetValue(key, name, REG_DWORD, data);
}

long Registry::DeleteValue(HKEY key, const std::string& name) {
  long error;
  const Handle* h = Resolve(key, &error);
  if (!h) return error;
  if (!(h->access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  const std::string folded = Fold(name);
  auto& values = h->node->values;
  for (auto it = values.begin(); it != values.end(); ++it) {
    if (Fold(it->name) == folded) {
      h->hive->Record({"DV", h->node->Path(), it->name}, InBatch());
      values.erase(it);
      return ERROR_SUCCESS;
    }
  }
  return ERROR_FILE_NOT_FOUND;
}

long Registry::EnumValue(HKEY key, uint32_t index, std::string* name, uint32_t* type) {
  long error;
  const Handle* h = Resolve(key, &error);
  if (!h) return error;
  if (index >= h->node->values.size()) return ERROR_NO_MORE_ITEMS;
  const Node::Value& v = h->node->values[index];
  if (name) *name = v.name;
  if (type) *type = v.type;
  return ERROR_SUCCESS;
}

long Registry::EnumKey(HKEY key, uint32_t index, std::string* name) {
  long error;
  const Handle* h = Resolve(key, &error);
  if (!h) return error;
  if (index >= h->node->children.size()) return ERROR_NO_MORE_ITEMS;
  auto it = h->node->children.begin();
  std::advance(it, index);
  if (name) *name = it->second->name;
  return ERROR_SUCCESS;
}

long Registry::DeleteKey(HKEY key, const std::string& subKey) {
  long error;
  const Handle* h = Resolve(key, &error);
  if (!h) return error;
  const std::vector<std::string> parts = SplitPath(subKey);
  if (parts.empty()) return ERROR_INVALID_PARAMETER;
  Node* node = h->hive->Walk(h->node.get(), parts, false);
  if (!node) return ERROR_FILE_NOT_FOUND;
  if (!node->children.empty()) return ERROR_ACCESS_DENIED;
  h->hive->Record({"DK", node->Path()}, InBatch());
  node->deleted = true;
  node->parent->children.erase(Fold(node->name));
  return ERROR_SUCCESS;
}

long Registry::FlushKey(HKEY key) {
  long error;
  const Handle* h = Resolve(key, &error);
  if (!h) return error;
  if (!InBatch()) h->hive->Compact();
  return ERROR_SUCCESS;
}

void Registry::Flush() {
  if (InBatch()) return;
  hkcu_->Compact();
  hklm_->Compact();
}

void Registry::BeginBatch() {
  if (batchDepth_++ == 0) batchDoomed_ = false;
}

void Registry::CommitBatch() {
  if (batchDepth_ <= 0) throw Error("registry: CommitBatch without BeginBatch");
  if (--batchDepth_ > 0) return;
  if (batchDoomed_) {
    Rollback();
    throw Error("registry: a part of the batch failed; the batch was dropped");
  }
  // HKCU first: the settings store lives there. Each hive is atomic on its own.
  for (Hive* hive : {hkcu_.get(), hklm_.get()}) {
    try {
      hive->CommitBatch();
    } catch (...) {
      Rollback();
      throw;
    }
  }
  if (commitListener_) commitListener_();
}

void Registry::AbortBatch() {
  if (batchDepth_ <= 0) return;
  if (--batchDepth_ > 0) {
    batchDoomed_ = true;
    return;
  }
  try {
    Rollback();
  } catch (...) {
    // The files could not be read again: the memory keeps the dropped
    // changes, but none of them is on disk.
  }
}

void Registry::Rollback() {
  batchDepth_ = 0;
  batchDoomed_ = false;
  std::map<HKEY, std::string> paths;
  for (auto& [id, handle] : handles_)
    if (handle.node != handle.hive->root) paths[id] = handle.node->Path();
  hkcu_->Reload();
  hklm_->Reload();
  for (auto& [id, handle] : handles_) {
    auto it = paths.find(id);
    if (it == paths.end()) {
      handle.node = handle.hive->root;
      continue;
    }
    Node* node = handle.hive->Walk(handle.hive->root.get(), SplitPath(it->second), false);
    if (node) {
      handle.node = node->parent->children.at(Fold(node->name));
    } else {
      handle.node->MarkDeleted();
    }
  }
}

}  // namespace platform
