#include "groups/CXml.h"

#include <sstream>

#include "diagnostics/CDebug.h"

namespace {

// The n-th (1-based) child of `node`, or a null node.
pugi::xml_node NthChild(pugi::xml_node node, int n) {
  if (n < 1) return {};
  int i = 0;
  for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling())
    if (++i == n) return c;
  return {};
}

pugi::xml_node SelectFirst(pugi::xml_node node, const std::string& path) {
  try {
    return node.select_node(path.c_str()).node();
  } catch (const pugi::xpath_exception& e) {
    g_Debug().OutCustomError("CXml.SetCurItem", std::string("invalid path '") + path + "': " + e.what());
    return {};
  }
}

}  // namespace

CXml::CXml() : m_curNode(m_doc) {}

CXml::~CXml() {
  if (m_nStackItems != 0) {
    g_Debug().Assert(false, "CXml.Class_Terminate", "m_nStackItems = 0");
    m_nStackItems = 0;
  }
}

bool CXml::DeleteItem(int n) {
  pugi::xml_node child = NthChild(m_curNode, n);
  if (!child) {
    g_Debug().OutCustomError("CXml.DeleteItem", "no item " + std::to_string(n));
    return false;
  }
  if (child == m_curItem) m_curItem = pugi::xml_node();
  return m_curNode.remove_child(child);
}

bool CXml::DeleteItemAttribute(const std::string& name) {
  if (!m_curItem) {
    g_Debug().OutCustomError("CXml.DeleteItemAttribute", "no current item");
    return false;
  }
  return m_curItem.remove_attribute(name.c_str());
}

bool CXml::CreateItem(const std::string& name, const std::string& text) {
  pugi::xml_node item = m_curNode.append_child(name.c_str());
  if (!item) {
    g_Debug().OutCustomError("CXml.CreateItem", "can't append '" + name + "'");
    return false;
  }
  if (!text.empty()) item.text().set(text.c_str());
  m_curItem = item;
  return true;
}

std::string CXml::GetItemText() const { return m_curItem ? m_curItem.text().get() : std::string(); }

bool CXml::SetItemAttribute(const std::string& name, const std::string& value) {
  if (!m_curItem) {
    g_Debug().OutCustomError("CXml.SetItemAttribute", "no current item");
    return false;
  }
  pugi::xml_attribute a = m_curItem.attribute(name.c_str());
  if (!a) a = m_curItem.append_attribute(name.c_str());
  return a.set_value(value.c_str());
}

int CXml::GetItemsCount() const {
  int n = 0;
  for (pugi::xml_node c = m_curNode.first_child(); c; c = c.next_sibling()) ++n;
  return n;
}

bool CXml::SetCurItem(const std::string& path) {
  pugi::xml_node found = SelectFirst(m_curNode, path);
  if (!found) return false;
  m_curItem = found;
  return true;
}

bool CXml::SetCurItem(int n) {
  pugi::xml_node found = NthChild(m_curNode, n);
  if (!found) return false;
  m_curItem = found;
  return true;
}

bool CXml::SetCurNode(const std::string& path) {
  pugi::xml_node found = SelectFirst(m_curNode, path);
  if (!found) return false;
  m_curNode = found;
  return true;
}

bool CXml::SetCurNode(int n) {
  if (n == 0) {
    m_curNode = m_doc;
    return true;
  }
  pugi::xml_node target = m_curNode;
  if (n > 0) {
    target = NthChild(m_curNode, n);
  } else {
    for (int i = 0; i < -n && target; ++i) target = target.parent();
  }
  if (!target) {
    g_Debug().OutCustomError("CXml.SetCurNode", "no node " + std::to_string(n));
    return false;
  }
  m_curNode = target;
  return true;
}

void CXml::Push() {
  if (m_nStackItems >= m_MaxStackSize) {
    g_Debug().Assert(false, "CXml.Push", "m_nStackItems >= m_MaxStackSize");
    return;
  }
  ++m_nStackItems;
  m_nodeStack[m_nStackItems] = m_curNode;
  m_itemStack[m_nStackItems] = m_curItem;
}

void CXml::Pop() {
  if (m_nStackItems <= 0) {
    g_Debug().Assert(false, "CXml.Pop", "m_nStackItems <= 0");
    return;
  }
  m_curNode = m_nodeStack[m_nStackItems];
  m_curItem = m_itemStack[m_nStackItems];
  m_nodeStack[m_nStackItems] = pugi::xml_node();
  m_itemStack[m_nStackItems] = pugi::xml_node();
  --m_nStackItems;
}

std::optional<std::string> CXml::GetItemAttribute(const std::string& name) const {
  if (!m_curItem) return std::nullopt;
  pugi::xml_attribute a = m_curItem.attribute(name.c_str());
  if (!a) return std::nullopt;
  return std::string(a.value());
}

std::optional<std::string> CXml::GetItemAttribute(int n) const {
  if (!m_curItem || n < 1) return std::nullopt;
  int i = 0;
  for (pugi::xml_attribute a = m_curItem.first_attribute(); a; a = a.next_attribute())
    if (++i == n) return std::string(a.value());
  return std::nullopt;
}

bool CXml::Save(const std::string& path) const {
  if (IsEmpty()) return false;
  if (!m_doc.save_file(path.c_str(), "", pugi::format_raw | pugi::format_no_declaration)) {
    g_Debug().OutCustomError("CXml.Save", "can't write " + path);
    return false;
  }
  return true;
}

bool CXml::IsEmpty() const { return !m_doc.first_child(); }

bool CXml::Load(const std::string& path) {
  pugi::xml_document loaded;
  pugi::xml_parse_result result = loaded.load_file(path.c_str());
  if (!result) {
    g_Debug().OutCustomError("CXml.Load", path + ": " + result.description());
    return false;
  }
  m_doc.reset(loaded);
  m_curNode = m_doc;
  m_curItem = pugi::xml_node();
  // Saved cursors pointed into the old document.
  for (int i = 1; i <= m_MaxStackSize; ++i) {
    m_nodeStack[i] = pugi::xml_node();
    m_itemStack[i] = pugi::xml_node();
  }
  return true;
}
