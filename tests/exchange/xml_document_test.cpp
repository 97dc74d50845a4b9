// The appointment document as a cursor over its skeleton: sections by
// position, nested containers through the cursor stack, values kept exactly,
// and the refusals with their warnings.
#include <gtest/gtest.h>

#include <memory>
#include <unordered_set>

#include "diagnostics/CDebug.h"
#include "exchange/CXmlAppointments.h"
#include "platform/FileUtil.h"
#include "support/TempHome.h"

namespace {

using platform::FileUtil::ReadFile;
using platform::FileUtil::WriteFile;

class XmlDocumentTest : public ::testing::Test {
 protected:
  XmlDocumentTest() {
    debug = std::make_unique<CDebug>(dir.Path().string(), "");
    debug->UseSupportLog(false);
    SetGlobalDebug(debug.get());
  }
  ~XmlDocumentTest() override {
    SetGlobalDebug(nullptr);
    debug.reset();
  }
  std::string File(const std::string& name = "doc.xml") const { return (dir.Path() / name).string(); }
  std::string Log() const {
    return platform::FileUtil::Exists(dir.Path() / "addin.log") ? ReadFile(dir.Path() / "addin.log") : "";
  }
  bool Logged(const std::string& text) const { return Log().find(text) != std::string::npos; }

  testing_support::TempDir dir;
  std::unique_ptr<CDebug> debug;
};

TEST_F(XmlDocumentTest, NewDocumentIsTheEmptySkeleton) {
  CXmlAppointments xml(File());
  xml.Create();
  EXPECT_TRUE(xml.IsEmpty());
  ASSERT_TRUE(xml.Save());
  EXPECT_EQ(ReadFile(File()), "<?xml version=\"1.0\"?><appointments><added/><changed/><removed/></appointments>");

  CXmlAppointments back(File());
  ASSERT_TRUE(back.Load());
  EXPECT_TRUE(back.IsEmpty());
  EXPECT_TRUE(back.Delete());
  EXPECT_FALSE(platform::FileUtil::Exists(File()));
  EXPECT_TRUE(back.Delete()) << "a missing file is no failure";
}

TEST_F(XmlDocumentTest, ItemsLandInTheirSectionsAndReadBackByNameAndPosition) {
  CXmlAppointments xml(File());
  xml.Create();
  for (int nt : {CXmlAppointments::ntRemoved, CXmlAppointments::ntAdded, CXmlAppointments::ntAdded}) {
    xml.SetCurNode(nt);
    ASSERT_TRUE(xml.CreateItem());
    xml.WriteItemProp("VestrandItemID", "id-" + std::to_string(nt) + "-" + std::to_string(xml.GetItemsCount()));
    xml.WriteItemProp("VestrandOwnerAddress", "Bob@Example.org");
  }
  EXPECT_FALSE(xml.IsEmpty());
  ASSERT_TRUE(xml.Save());

  CXmlAppointments back(File());
  ASSERT_TRUE(back.Load());
  back.SetCurNode(CXmlAppointments::ntAdded);
  EXPECT_EQ(back.GetItemsCount(), 2);
  ASSERT_TRUE(back.SetCurItem(2));
  EXPECT_EQ(back.ReadItemPropS("VestrandItemID"), "id-0-2");
  EXPECT_EQ(back.ReadItemProp(2), "Bob@Example.org");
  EXPECT_EQ(back.ReadItemProp(3), "");
  std::string value = "untouched";
  EXPECT_FALSE(back.ItemPropSExists("Subject", value));
  EXPECT_EQ(value, "untouched");
  EXPECT_TRUE(back.ItemPropSExists("VestrandOwnerAddress", value));
  EXPECT_EQ(value, "Bob@Example.org");
  ASSERT_TRUE(back.SetCurItem(std::string("item")));
  EXPECT_EQ(back.ReadItemPropS("VestrandItemID"), "id-0-1") << "by name: the first child of that name";
  back.SetCurNode(CXmlAppointments::ntChanged);
  EXPECT_EQ(back.GetItemsCount(), 0);
  EXPECT_FALSE(back.SetCurItem(1));
  EXPECT_EQ(back.ReadItemPropS("VestrandItemID"), "id-0-1") << "a refused move keeps the cursor";
}

TEST_F(XmlDocumentTest, HasItemMatchesIdExactlyAndOwnerWithoutCase) {
  CXmlAppointments xml(File());
  xml.Create();
  xml.SetCurNode(CXmlAppointments::ntChanged);
  xml.CreateItem();
  xml.WriteItemProp("VestrandItemID", "12345678-20261205093000");
  xml.WriteItemProp("VestrandOwnerAddress", "Bob@Example.org");
  struct Case {
    std::string id, owner;
    int section;
    bool found;
  };
  for (const Case& c : std::vector<Case>{{"12345678-20261205093000", "", 1, true},
                                         {"12345678-20261205093000", "bob@example.ORG", 1, true},
                                         {"12345678-20261205093000", "carol@example.org", 1, false},
                                         {"12345678-2026120509300", "", 1, false},
                                         {"12345678-20261205093000", "", 0, false},
                                         {"12345678-20261205093000", "", 2, false},
                                         {"12345678-20261205093000", "", 3, false},
                                         {"12345678-20261205093000", "", -1, false}})
    EXPECT_EQ(xml.HasItem(c.id, c.owner, c.section), c.found) << c.id << " " << c.owner << " " << c.section;
}

TEST_F(XmlDocumentTest, ItemIDsAreWhatHasItemFindsInSomeSection) {
  CXmlAppointments xml(File());
  xml.Create();
  const std::vector<std::pair<int, std::string>> items = {
      {CXmlAppointments::ntAdded, "1-a"}, {CXmlAppointments::ntChanged, "2-c"}, {CXmlAppointments::ntRemoved, "3-r"},
      {CXmlAppointments::ntChanged, "1-a"}, {CXmlAppointments::ntAdded, ""}};
  for (const auto& [section, id] : items) {
    xml.SetCurNode(section);
    xml.CreateItem();
    xml.WriteItemProp("VestrandItemID", id);
    xml.WriteItemProp("Attachments", "");
    // A nested container's first element is no item id.
    xml.Push();
    xml.SetCurNode(CXmlAppointments::ntCurItem);
    xml.SetLastItem();
    xml.CreateItem();
    xml.WriteItemProp("ID", "nested-" + id);
    xml.Pop();
  }
  const std::unordered_set<std::string> ids = xml.ItemIDs();
  EXPECT_EQ(ids, (std::unordered_set<std::string>{"1-a", "2-c", "3-r", ""}));
  for (const char* id : {"1-a", "2-c", "3-r", "", "nested-1-a", "1-"}) {
    bool somewhere = false;
    for (int section = 0; section < 3; ++section) somewhere |= xml.HasItem(id, "", section);
    EXPECT_EQ(ids.count(id) != 0, somewhere) << "'" << id << "'";
  }
}

TEST_F(XmlDocumentTest, ValuesSurviveExactly) {
  const std::vector<std::string> values = {" ",           "  two  ", "line 1\r\nline 2\r\n", "\ttab",
                                           "<a & b> \"q\"", "Grüße ✓",  "ctrl\x01char",         ""};
  CXmlAppointments xml(File());
  xml.Create();
  xml.SetCurNode(CXmlAppointments::ntAdded);
  xml.CreateItem();
  for (const std::string& v : values) xml.WriteItemProp("Body", v);
  ASSERT_TRUE(xml.Save());
  CXmlAppointments back(File());
  ASSERT_TRUE(back.Load());
  back.SetCurNode(CXmlAppointments::ntAdded);
  back.SetCurItem(1);
  for (size_t i = 0; i < values.size(); ++i) EXPECT_EQ(back.ReadItemProp(static_cast<int>(i) + 1), values[i]) << i;
}

TEST_F(XmlDocumentTest, CursorStackHoldsTenAndWarnsBeyond) {
  {
    CXmlAppointments xml(File());
    xml.Create();
    xml.Pop();
    EXPECT_TRUE(Logged("CXmlAppointments.Pop\tm_nStackItems <= 0"));
    xml.SetCurNode(CXmlAppointments::ntAdded);
    for (int i = 0; i < 11; ++i) xml.Push();
    EXPECT_EQ(xml.StackItems(), 10);
    EXPECT_TRUE(Logged("CXmlAppointments.Push\tm_nStackItems >= m_MaxStackSize"));
    xml.SetCurNode(CXmlAppointments::ntRemoved);
    xml.Pop();
    EXPECT_EQ(xml.CurNode().name(), std::string("added")) << "Pop restores the pushed node";
    EXPECT_FALSE(Logged("Class_Terminate"));
  }
  EXPECT_TRUE(Logged("CXmlAppointments.Class_Terminate\tm_nStackItems = 0"));
}

TEST_F(XmlDocumentTest, UnknownNodeTypeChangesNothing) {
  CXmlAppointments xml(File());
  xml.Create();
  xml.SetCurNode(CXmlAppointments::ntChanged);
  xml.SetCurNode(4);
  EXPECT_TRUE(Logged("CXmlAppointments.SetCurNode\tnt = 4"));
  EXPECT_EQ(xml.CurNode().name(), std::string("changed"));
}

TEST_F(XmlDocumentTest, WritingWithoutACursorIsRefused) {
  CXmlAppointments xml(File());
  xml.Create();
  EXPECT_FALSE(xml.CreateItem());
  EXPECT_TRUE(Logged("CXmlAppointments.CreateItem"));
  EXPECT_FALSE(xml.WriteItemProp("Subject", "x"));
  EXPECT_TRUE(Logged("CXmlAppointments.WriteItemProp"));
  xml.SetCurNode(CXmlAppointments::ntAdded);
  xml.CreateItem();
  EXPECT_FALSE(xml.WriteItemProp("bad name", "x"));
  EXPECT_FALSE(xml.WriteItemProp("", "x"));
  EXPECT_FALSE(xml.IsEmpty());
  EXPECT_EQ(xml.CurItem().first_child(), pugi::xml_node()) << "nothing half-written";
}

TEST_F(XmlDocumentTest, LoadTakesSectionsByPositionAndRefusesBadFiles) {
  WriteFile(File(), "<x><a><item><VestrandItemID>1</VestrandItemID></item></a><b/><c><item/></c></x>");
  CXmlAppointments xml(File());
  ASSERT_TRUE(xml.Load());
  EXPECT_TRUE(xml.HasItem("1", "", CXmlAppointments::ntAdded));
  xml.SetCurNode(CXmlAppointments::ntRemoved);
  EXPECT_EQ(xml.GetItemsCount(), 1);

  struct Case {
    const char* name;
    const char* text;  // nullptr: no file
  };
  for (const Case& c : std::vector<Case>{{"missing", nullptr},
                                         {"empty", ""},
                                         {"malformed", "<appointments><added></appointments>"},
                                         {"two sections", "<appointments><added/><changed/></appointments>"},
                                         {"not xml", "PK\x03\x04 zip bytes"}}) {
    const std::string path = File(std::string(c.name) + ".xml");
    if (c.text) WriteFile(path, c.text);
    xml.SetFilename(path);
    EXPECT_FALSE(xml.Load()) << c.name;
    EXPECT_TRUE(xml.HasItem("1", "", CXmlAppointments::ntAdded)) << c.name << ": the loaded document stays";
  }
  EXPECT_TRUE(Logged("CXmlAppointments.Load"));
}

}  // namespace
