#pragma once
// CXml: a small cursor over an XML document, used to write and read the
// group backup file. The cursor is a current node (whose children the item
// operations address; initially the document) and a current item (the
// element that attribute and text operations address; initially none).
// Push/Pop save and restore up to ten cursors. Indices are 1-based.
//
// Failures follow the add-in's rule: an operation that cannot be done is
// logged (source "CXml.<operation>") and returns its neutral result.
#include <optional>
#include <string>

#include <pugixml.hpp>

class CXml {
 public:
  CXml();
  // Reports a non-empty cursor stack ("m_nStackItems = 0", source
  // "CXml.Class_Terminate").
  ~CXml();
  CXml(const CXml&) = delete;
  CXml& operator=(const CXml&) = delete;

  // Removes the n-th child of the current node; false when there is none.
  bool DeleteItem(int n);
  // Removes an attribute of the current item; false when there is no item.
  bool DeleteItemAttribute(const std::string& name);
  // Appends an element with the text to the current node and makes it the
  // current item; false when the current node cannot hold elements.
  bool CreateItem(const std::string& name, const std::string& text);
  // The text of the current item ("" when none).
  std::string GetItemText() const;
  // Sets an attribute of the current item; false when there is no item.
  bool SetItemAttribute(const std::string& name, const std::string& value);
  // Number of children of the current node.
  int GetItemsCount() const;
  // The current item becomes the first descendant of the current node
  // matching the XPath `path`; false (cursor unchanged) when none matches.
  bool SetCurItem(const std::string& path);
  // The current item becomes the n-th child of the current node; false
  // (cursor unchanged) when there is none.
  bool SetCurItem(int n);
  // The current node becomes the first descendant matching `path`.
  bool SetCurNode(const std::string& path);
  // n > 0: the n-th child; n < 0: up to the parent -n times; 0: back to the
  // document. False (cursor unchanged) when the move leaves the document.
  bool SetCurNode(int n);
  // Saves the cursor; with 10 cursors saved already the assertion
  // "m_nStackItems >= m_MaxStackSize" (source "CXml.Push") is reported and
  // nothing is saved.
  void Push();
  // Restores the last saved cursor; with none saved the assertion
  // "m_nStackItems <= 0" (source "CXml.Pop") is reported and nothing changes.
  void Pop();
  // The attribute of the current item; nullopt when there is no item or no
  // such attribute.
  std::optional<std::string> GetItemAttribute(const std::string& name) const;
  // The value of the n-th attribute of the current item; nullopt when none.
  std::optional<std::string> GetItemAttribute(int n) const;
  // Writes the document (no XML declaration) unless it is empty; false when
  // it is empty or the file cannot be written.
  bool Save(const std::string& path) const;
  // The document has no child.
  bool IsEmpty() const;
  // Loads the file; on success the cursor is back at the document with no
  // current item. A file or parse error gives false and keeps the document.
  bool Load(const std::string& path);

  int StackItems() const { return m_nStackItems; }
  // The current node and item, for callers that need to look closer.
  pugi::xml_node CurNode() const { return m_curNode; }
  pugi::xml_node CurItem() const { return m_curItem; }

 private:
  static constexpr int m_MaxStackSize = 10;

  pugi::xml_document m_doc;
  pugi::xml_node m_curNode;
  pugi::xml_node m_curItem;
  pugi::xml_node m_nodeStack[m_MaxStackSize + 1];
  pugi::xml_node m_itemStack[m_MaxStackSize + 1];
  int m_nStackItems = 0;
};
