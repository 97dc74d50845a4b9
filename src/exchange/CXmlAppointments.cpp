#include "exchange/CXmlAppointments.h"

#include <array>
#include <utility>

#include "diagnostics/CDebug.h"
#include "exchange/mEnvelope.h"
#include "platform/FileUtil.h"
#include "platform/FileWriter.h"

namespace {

// Hands the saved text to the file as pugixml produces it: a document of
// thousands of items is never held whole a second time.
struct FileSink : pugi::xml_writer {
  platform::FileWriter& file;
  explicit FileSink(platform::FileWriter& f) : file(f) {}
  void write(const void* data, size_t n) override { file.Write(data, n); }
};

// Whitespace-only text is a value here (a subject of one blank), and line
// ends are kept as written (bodies carry CR LF), so neither is normalised.
constexpr unsigned kParseFlags = (pugi::parse_default & ~pugi::parse_eol) | pugi::parse_ws_pcdata_single;

pugi::xml_node NthElement(pugi::xml_node parent, int index) {
  if (index < 1) return {};
  int i = 0;
  for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
    if (child.type() == pugi::node_element && ++i == index) return child;
  }
  return {};
}

int CountElements(pugi::xml_node parent) {
  int n = 0;
  for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling())
    if (child.type() == pugi::node_element) ++n;
  return n;
}

// The characters an element name may hold here: letters, "_", digits, "-"
// and "."; only letters and "_" may begin it. A table, as every property
// written is checked.
enum : unsigned char { kNameStart = 1, kNameRest = 2 };
constexpr auto kNameChars = [] {
  std::array<unsigned char, 256> t{};
  for (int c = 'A'; c <= 'Z'; ++c) t[c] = kNameStart | kNameRest;
  for (int c = 'a'; c <= 'z'; ++c) t[c] = kNameStart | kNameRest;
  t['_'] = kNameStart | kNameRest;
  for (int c = '0'; c <= '9'; ++c) t[c] = kNameRest;
  t['-'] = t['.'] = kNameRest;
  return t;
}();

bool IsElementName(const char* name) {
  const auto* c = reinterpret_cast<const unsigned char*>(name);
  if (!(kNameChars[*c] & kNameStart)) return false;
  while (*++c)
    if (!(kNameChars[*c] & kNameRest)) return false;
  return true;
}

}  // namespace

CXmlAppointments::CXmlAppointments(std::string fileName) : m_strFileName(std::move(fileName)) {}

CXmlAppointments::~CXmlAppointments() {
  if (m_nStackItems != 0) g_Debug().OutWarning("CXmlAppointments.Class_Terminate", "m_nStackItems = 0");
}

bool CXmlAppointments::CreateItem() {
  if (!m_curNode) {
    g_Debug().OutCustomError("CXmlAppointments.CreateItem", "no current node");
    return false;
  }
  pugi::xml_node item = m_curNode.append_child("item");
  if (!item) {
    g_Debug().OutCustomError("CXmlAppointments.CreateItem", "the current node cannot hold an item");
    return false;
  }
  m_curItem = item;
  return true;
}

bool CXmlAppointments::WriteItemProp(const char* name, const std::string& value) {
  if (!m_curItem) {
    g_Debug().OutCustomError("CXmlAppointments.WriteItemProp", std::string("no current item for ") + name);
    return false;
  }
  if (!IsElementName(name)) {
    g_Debug().OutCustomError("CXmlAppointments.WriteItemProp", std::string("not an element name: '") + name + "'");
    return false;
  }
  pugi::xml_node prop = m_curItem.append_child(name);
  if (!value.empty()) prop.text().set(value.c_str());
  return true;
}

int CXmlAppointments::GetItemsCount() const { return CountElements(m_curNode); }

bool CXmlAppointments::SetCurItem(int index) {
  pugi::xml_node child = NthElement(m_curNode, index);
  if (!child) {
    g_Debug().OutCustomError("CXmlAppointments.SetCurItem",
                             "no item " + std::to_string(index) + " of " + std::to_string(GetItemsCount()));
    return false;
  }
  m_curItem = child;
  return true;
}

bool CXmlAppointments::SetLastItem() {
  for (pugi::xml_node last = m_curNode.last_child(); last; last = last.previous_sibling()) {
    if (last.type() != pugi::node_element) continue;
    m_curItem = last;
    return true;
  }
  g_Debug().OutCustomError("CXmlAppointments.SetCurItem", "no item 0 of 0");
  return false;
}

bool CXmlAppointments::SetNextItem() {
  for (pugi::xml_node next = m_curItem.next_sibling(); next; next = next.next_sibling()) {
    if (next.type() != pugi::node_element) continue;
    m_curItem = next;
    return true;
  }
  return false;
}

bool CXmlAppointments::SetCurItem(const std::string& name) {
  pugi::xml_node child = m_curNode.child(name.c_str());
  if (!child) {
    g_Debug().OutCustomError("CXmlAppointments.SetCurItem", "no item " + name);
    return false;
  }
  m_curItem = child;
  return true;
}

pugi::xml_node CXmlAppointments::Section(int nt) const {
  switch (nt) {
    case ntAdded: return m_nodeAdded;
    case ntChanged: return m_nodeChanged;
    case ntRemoved: return m_nodeRemoved;
    default: return {};
  }
}

void CXmlAppointments::SetCurNode(int nt) {
  switch (nt) {
    case ntAdded:
    case ntChanged:
    case ntRemoved: m_curNode = Section(nt); break;
    case ntCurItem: m_curNode = m_curItem; break;
    default: g_Debug().OutWarning("CXmlAppointments.SetCurNode", "nt = " + std::to_string(nt));
  }
}

void CXmlAppointments::Push() {
  if (m_nStackItems >= m_MaxStackSize) {
    g_Debug().OutWarning("CXmlAppointments.Push", "m_nStackItems >= m_MaxStackSize");
    return;
  }
  m_nodeStack[m_nStackItems] = m_curNode;
  m_itemStack[m_nStackItems] = m_curItem;
  ++m_nStackItems;
}

void CXmlAppointments::Pop() {
  if (m_nStackItems <= 0) {
    g_Debug().OutWarning("CXmlAppointments.Pop", "m_nStackItems <= 0");
    return;
  }
  --m_nStackItems;
  m_curNode = std::exchange(m_nodeStack[m_nStackItems], pugi::xml_node());
  m_curItem = std::exchange(m_itemStack[m_nStackItems], pugi::xml_node());
}

std::string CXmlAppointments::ReadItemPropS(const char* name) const { return m_curItem.child(name).text().get(); }

bool CXmlAppointments::ItemPropSExists(const char* name, std::string& value) const {
  pugi::xml_node prop = m_curItem.child(name);
  if (!prop) return false;
  value = prop.text().get();
  return true;
}

std::string CXmlAppointments::ReadItemProp(int index) const { return NthElement(m_curItem, index).text().get(); }

void CXmlAppointments::Create() {
  m_doc.reset();
  m_text.reset();
  pugi::xml_node root = m_doc.append_child("appointments");
  m_nodeAdded = root.append_child("added");
  m_nodeChanged = root.append_child("changed");
  m_nodeRemoved = root.append_child("removed");
  m_curNode = pugi::xml_node();
  m_curItem = pugi::xml_node();
}

bool CXmlAppointments::Delete() {
  try {
    platform::FileUtil::Delete(m_strFileName);
    return true;
  } catch (...) {
    g_Debug().OutError("CXmlAppointments.Delete");
    return false;
  }
}

bool CXmlAppointments::Save() {
  try {
    platform::FileWriter file(m_strFileName);
    FileSink sink(file);
    m_doc.save(sink, "", pugi::format_raw, pugi::encoding_utf8);
    file.Close();
    return true;
  } catch (...) {
    g_Debug().OutError("CXmlAppointments.Save");
    return false;
  }
}

bool CXmlAppointments::IsEmpty() const {
  return !m_nodeAdded.first_child() && !m_nodeChanged.first_child() && !m_nodeRemoved.first_child();
}

bool CXmlAppointments::Load() {
  try {
    platform::FileUtil::FileBlock text = platform::FileUtil::ReadFileBlock(m_strFileName);
    pugi::xml_document loaded;
    pugi::xml_parse_result result = loaded.load_buffer_inplace(text.data.get(), text.size, kParseFlags);
    if (!result) {
      g_Debug().OutCustomError("CXmlAppointments.Load", m_strFileName + ": " + result.description() +
                                                            " at offset " + std::to_string(result.offset));
      return false;
    }
    pugi::xml_node root = loaded.document_element();
    if (CountElements(root) < 3) {
      g_Debug().OutCustomError("CXmlAppointments.Load", m_strFileName + ": the document has no three sections");
      return false;
    }
    m_doc = std::move(loaded);
    m_text = std::move(text.data);
    root = m_doc.document_element();
    m_nodeAdded = NthElement(root, 1);
    m_nodeChanged = NthElement(root, 2);
    m_nodeRemoved = NthElement(root, 3);
    m_curNode = pugi::xml_node();
    m_curItem = pugi::xml_node();
    // Saved cursors pointed into the old document.
    for (int i = 0; i < m_MaxStackSize; ++i) m_nodeStack[i] = m_itemStack[i] = pugi::xml_node();
    m_nStackItems = 0;
    return true;
  } catch (...) {
    g_Debug().OutError("CXmlAppointments.Load");
    return false;
  }
}

bool CXmlAppointments::HasItem(const std::string& id, const std::string& owner, int section) const {
  pugi::xml_node node = Section(section);
  for (pugi::xml_node item = node.first_child(); item; item = item.next_sibling()) {
    if (item.type() != pugi::node_element) continue;
    if (std::string(NthElement(item, 1).text().get()) != id) continue;
    if (owner.empty() || mEnvelope::SameAddress(NthElement(item, 2).text().get(), owner)) return true;
  }
  return false;
}

std::unordered_set<std::string> CXmlAppointments::ItemIDs() const {
  std::unordered_set<std::string> ids;
  for (pugi::xml_node node : {m_nodeAdded, m_nodeChanged, m_nodeRemoved})
    for (pugi::xml_node item = node.first_child(); item; item = item.next_sibling())
      if (item.type() == pugi::node_element) ids.insert(NthElement(item, 1).text().get());
  return ids;
}
