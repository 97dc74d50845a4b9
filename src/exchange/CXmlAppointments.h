#pragma once
// CXmlAppointments: the appointment document that travels in appointment
// mails. Its root "appointments" holds three sections in a fixed order -
// "added", "changed", "removed" - each a list of "item" elements whose
// children are the item's properties (element name = property name, text =
// value; no attributes). Readers find the sections and an item's first two
// header fields by position, so the order is part of the format.
//
// The class is a cursor over the document: a current node (whose children
// the item operations address) and a current item (whose children are the
// properties). Push/Pop save and restore up to ten cursors while nested
// containers (attachments, exceptions) are written or read.
//
// Failures follow the add-in's rule: an operation that cannot be done logs
// with its source ("CXmlAppointments.<operation>") and returns, leaving the
// document as it was.
#include <memory>
#include <string>
#include <unordered_set>

#include <pugixml.hpp>

class CXmlAppointments {
 public:
  // Sections and the "current item becomes the node" step of SetCurNode.
  enum NodeType { ntAdded = 0, ntChanged = 1, ntRemoved = 2, ntCurItem = 3 };

  // The document file's default name in the working folder.
  static constexpr const char* kDefaultFileName = "SyncSndItems.xml";

  // A wrapper for the document file at `fileName` (the caller resolves the
  // working folder). No document exists until Create or Load.
  explicit CXmlAppointments(std::string fileName);
  // Reports a non-empty cursor stack ("m_nStackItems = 0", source
  // "CXmlAppointments.Class_Terminate").
  ~CXmlAppointments();
  CXmlAppointments(const CXmlAppointments&) = delete;
  CXmlAppointments& operator=(const CXmlAppointments&) = delete;

  // Appends an "item" element to the current node and makes it the current
  // item. False (logged) when there is no current node.
  bool CreateItem();
  // Appends an element `name` with the text to the current item. False
  // (logged) when there is no current item or the name is no element name.
  bool WriteItemProp(const char* name, const std::string& value);
  bool WriteItemProp(const std::string& name, const std::string& value) {
    return WriteItemProp(name.c_str(), value);
  }
  // Number of child elements of the current node (0 without one).
  int GetItemsCount() const;
  // The current item becomes the child element of the current node at the
  // 1-based position, or the first child element with that name. False
  // (logged, cursor unchanged) when there is none.
  bool SetCurItem(int index);
  bool SetCurItem(const std::string& name);
  // The current node's last child element becomes the current item (as
  // SetCurItem(GetItemsCount()) does, without counting). False (logged,
  // cursor unchanged) when there is none.
  bool SetLastItem();
  // The current item's next sibling element becomes the current item (a
  // walk over many items without counting from the first each time). False,
  // cursor unchanged, when there is none.
  bool SetNextItem();
  // 0..2: the section becomes the current node; 3: the current item becomes
  // the current node. The current item stays as it was, so that after 3 the
  // properties written go into the new node itself. Any other value changes
  // nothing and writes the warning "nt = <value>".
  void SetCurNode(int nt);
  // Saves the cursor; with ten saved the warning
  // "m_nStackItems >= m_MaxStackSize" is written and nothing is saved.
  void Push();
  // Restores the last saved cursor; on an empty stack writes the warning
  // "m_nStackItems <= 0" and changes nothing.
  void Pop();
  // Text of the current item's first child element `name`; "" when none.
  std::string ReadItemPropS(const char* name) const;
  std::string ReadItemPropS(const std::string& name) const { return ReadItemPropS(name.c_str()); }
  // True and its text when the current item has a child element `name`.
  bool ItemPropSExists(const char* name, std::string& value) const;
  bool ItemPropSExists(const std::string& name, std::string& value) const {
    return ItemPropSExists(name.c_str(), value);
  }
  // Text of the current item's child element at the 1-based position; ""
  // when there is none.
  std::string ReadItemProp(int index) const;
  // A new document holding only the skeleton; the cursor is cleared.
  void Create();
  // Deletes the document file; false (logged) when it cannot be removed. A
  // missing file is no failure.
  bool Delete();
  // Writes the document to the file (UTF-8, XML declaration, no
  // indentation). False (logged) when the file cannot be written.
  bool Save();
  const std::string& GetFilename() const { return m_strFileName; }
  void SetFilename(const std::string& fileName) { m_strFileName = fileName; }
  // True when all three sections are empty (and when there is no document).
  bool IsEmpty() const;
  // Reads the file. The root's first three child elements become "added",
  // "changed" and "removed" whatever their names; the cursor is cleared.
  // False (logged, document unchanged) for a missing or unreadable file,
  // malformed XML, or a root with fewer than three child elements.
  bool Load();
  // True when the section (0..2) holds an item whose first element's text
  // is `id` (exact) and, with a non-empty owner, whose second element's text
  // is the same address ignoring case. False for any other section.
  bool HasItem(const std::string& id, const std::string& owner, int section) const;
  // The first element's text of every item of the three sections: the ids
  // HasItem(id, "", section) finds in some section, gathered in one pass
  // (a check of each of thousands of records against the document would
  // walk it once per record).
  std::unordered_set<std::string> ItemIDs() const;

  int StackItems() const { return m_nStackItems; }
  // The current node and item, for readers that need to look closer.
  pugi::xml_node CurNode() const { return m_curNode; }
  pugi::xml_node CurItem() const { return m_curItem; }
  // For a reader that found the element itself: `item` becomes the current
  // item. REQUIRES: `item` is a child element of the current node.
  void SetCurItem(pugi::xml_node item) { m_curItem = item; }

 private:
  static constexpr int m_MaxStackSize = 10;

  pugi::xml_node Section(int nt) const;

  // The loaded document's text, which it was parsed in (its texts point
  // into it): a document of 10,000 items is large, and is neither copied
  // nor parsed into a second buffer.
  std::unique_ptr<char[]> m_text;
  pugi::xml_document m_doc;
  std::string m_strFileName;
  pugi::xml_node m_nodeAdded;
  pugi::xml_node m_nodeChanged;
  pugi::xml_node m_nodeRemoved;
  pugi::xml_node m_curNode;
  pugi::xml_node m_curItem;
  pugi::xml_node m_nodeStack[m_MaxStackSize];
  pugi::xml_node m_itemStack[m_MaxStackSize];
  int m_nStackItems = 0;
};
