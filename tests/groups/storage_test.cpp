// The settings-store form and the XML form of the groups, and the XML cursor.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "groups/CXml.h"
#include "groups/GroupsFixture.h"

namespace {

std::string ReadAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteAll(const std::filesystem::path& p, const std::string& text) {
  std::ofstream out(p, std::ios::binary);
  out << text;
}

}  // namespace

class StorageTest : public GroupsTest {
 protected:
  const std::string kApp = "Zentabo";
  const std::string kRoot = "STOREKEY01\\Groups";

  // A model with every kind of member state.
  void BuildRichModel() {
    MemberPtr pending = M("pend@corp.test", ROLE_ASSISTANT);
    pending->nAction = ACTION_ADDING;
    pending->nSubAction = SUB_ACTION_SHARE_ON;
    pending->nWait = WAIT_REPLAY;
    pending->strActionKey = "12345678-20060213141359";
    pending->nNewRole = ROLE_MANAGER;
    MemberPtr room = M("me@corp.test/room", ROLE_MEMBER, false);
    room->strEmailOwner = "me@corp.test";
    MemberPtr modifying = M("mod@corp.test", ROLE_MEMBER);
    modifying->nAction = ACTION_MODIFYING;
    modifying->nWait = WAIT_CONFIRMATION;
    G("Team", {M("me@corp.test", ROLE_MANAGER, true, true), pending, room, M("off@corp.test", ROLE_MEMBER, false),
               modifying});
    G("Board", {M("boss@corp.test", ROLE_MANAGER), M("me@corp.test", ROLE_MEMBER, true, true)});
    groups->SetShowAs("boss@corp.test", "The Boss", false);
  }
  std::string Get(const std::string& section, const std::string& key, const std::string& def = "<none>") {
    return store->GetSetting(kApp, section, key, def);
  }
  void StoreMember(const std::string& group, const std::string& key,
                   std::vector<std::pair<std::string, std::string>> values) {
    for (auto& [k, v] : values) store->SaveSetting(kApp, kRoot + "\\" + group + "\\" + key, k, v);
  }
  std::vector<std::pair<std::string, std::string>> Basic(const std::string& email, const std::string& role) {
    return {{"Name", email},    {"Email", email},   {"EmailOwner", ""}, {"Role", role},     {"MySelf", "0"},
            {"ActionKey", ""}, {"NewRole", role}, {"Wait", "none"},   {"Action", "none"}};
  }
};

TEST_F(StorageTest, SettingsLayout) {
  BuildRichModel();
  ASSERT_TRUE(groups->Save());
  EXPECT_EQ(Get(kRoot, "Keys"), GK("Team") + ";" + GK("Board"));
  EXPECT_EQ(Get(kRoot, "ShowAs"),
            "The Boss;boss@corp.test;Name of me@corp.test;me@corp.test;Name of pend@corp.test;pend@corp.test;"
            "Name of me@corp.test/room;me@corp.test/room;Name of off@corp.test;off@corp.test;"
            "Name of mod@corp.test;mod@corp.test");
  EXPECT_EQ(Get(kRoot + "\\" + GK("Team"), "Name"), "Team");
  EXPECT_EQ(Get(kRoot + "\\" + GK("Team"), "Keys"),
            K("me@corp.test") + ";" + K("pend@corp.test") + ";" + K("me@corp.test/room") + ";" + K("off@corp.test") +
                ";" + K("mod@corp.test"));
  auto values = store->GetAllSettings(kApp, kRoot + "\\" + GK("Team") + "\\" + K("pend@corp.test"));
  EXPECT_EQ(values, (std::vector<std::pair<std::string, std::string>>{
                        {"Name", "Name of pend@corp.test"},
                        {"Email", "pend@corp.test"},
                        {"EmailOwner", ""},
                        {"Role", "assistant"},
                        {"MySelf", "0"},
                        {"ActionKey", "12345678-20060213141359"},
                        {"NewRole", "manager"},
                        {"Wait", "replay"},
                        {"Action", "adding"},
                        {"SubAction", "1"},
                        {"Share", "1"},
                    }));
  EXPECT_EQ(Get(kRoot + "\\" + GK("Board") + "\\" + K("me@corp.test"), "MySelf"), "1");
  EXPECT_EQ(Get(kRoot + "\\" + GK("Team") + "\\" + K("off@corp.test"), "Share"), "0");
  EXPECT_EQ(Get(kRoot + "\\" + GK("Team") + "\\" + K("mod@corp.test"), "Action"), "modifying");
}

TEST_F(StorageTest, SettingsRoundTrip) {
  BuildRichModel();
  ASSERT_TRUE(groups->Save());
  CGroups loaded(env);
  ASSERT_TRUE(loaded.Load());
  EXPECT_TRUE(SameStoredGroups(loaded, *groups));
  EXPECT_EQ(loaded.Find(GK("Team"))->Find(K("pend@corp.test"))->strGroupKey, GK("Team"));
}

TEST_F(StorageTest, SaveRewritesTheWholeTree) {
  BuildRichModel();
  ASSERT_TRUE(groups->Save());
  groups->Remove(GK("Board"));
  groups->Find(GK("Team"))->Remove(K("off@corp.test"));
  ASSERT_TRUE(groups->Save());
  EXPECT_TRUE(store->GetAllSettings(kApp, kRoot + "\\" + GK("Board")).empty());
  EXPECT_TRUE(store->GetAllSettings(kApp, kRoot + "\\" + GK("Board") + "\\" + K("boss@corp.test")).empty());
  EXPECT_TRUE(store->GetAllSettings(kApp, kRoot + "\\" + GK("Team") + "\\" + K("off@corp.test")).empty());
  CGroups loaded(env);
  loaded.Load();
  EXPECT_TRUE(SameStoredGroups(loaded, *groups));
}

TEST_F(StorageTest, EmptyModelAndClear) {
  BuildRichModel();
  ASSERT_TRUE(groups->Save());
  groups->Clear();
  EXPECT_EQ(groups->Count(), 0);
  EXPECT_EQ(Get(kRoot, "Keys"), "");
  EXPECT_EQ(Get(kRoot, "ShowAs"), "Me;me@corp.test") << "the table always keeps the current user";
  EXPECT_TRUE(store->GetAllSettings(kApp, kRoot + "\\" + GK("Team")).empty());
  EXPECT_TRUE(store->GetAllSettings(kApp, kRoot + "\\" + GK("Team") + "\\" + K("me@corp.test")).empty());
}

TEST_F(StorageTest, LoadDefaultsAndLetterCase) {
  store->SaveSetting(kApp, kRoot, "Keys", "g1");
  store->SaveSetting(kApp, kRoot + "\\g1", "Name", "One");
  store->SaveSetting(kApp, kRoot + "\\g1", "Keys", "m1;m2");
  StoreMember("g1", "m1", Basic("ME@Corp.Test", "Manager"));  // no Share, no SubAction
  store->SaveSetting(kApp, kRoot + "\\g1\\m1", "MySelf", "1");
  auto room = Basic("me@corp.test/Room", "MEMBER");
  room[2].second = "Me@Corp.Test";
  StoreMember("g1", "m2", room);
  ASSERT_TRUE(groups->Load());
  GroupPtr g = groups->Find("g1");
  ASSERT_TRUE(g);
  ASSERT_EQ(g->Count(), 2);
  MemberPtr me = g->Find("m1");
  EXPECT_EQ(me->strEmail, "me@corp.test");
  EXPECT_EQ(me->nRole, ROLE_MANAGER);
  EXPECT_TRUE(me->bShare) << "missing Share reads as shared";
  EXPECT_EQ(me->nSubAction, 0);
  EXPECT_TRUE(me->IsMySelf);
  MemberPtr r = g->Find("m2");
  EXPECT_EQ(r->strEmail, "me@corp.test/room");
  EXPECT_EQ(r->strEmailOwner, "me@corp.test");
  EXPECT_TRUE(r->bShare) << "loaded unchanged, only logged";
  EXPECT_EQ(groups->GetShowAs("me@corp.test"), "ME@Corp.Test") << "no stored ShowAs: the member's name";
}

TEST_F(StorageTest, BadRoleEndsOnlyThatGroup) {
  store->SaveSetting(kApp, kRoot, "Keys", "g1;g2;g3");
  store->SaveSetting(kApp, kRoot, "ShowAs", "Annie;a@corp.test;Ghost;ghost@corp.test");
  for (const char* g : {"g1", "g2", "g3"}) {
    store->SaveSetting(kApp, kRoot + "\\" + g, "Name", std::string("Group ") + g);
    store->SaveSetting(kApp, kRoot + "\\" + g, "Keys", "a;b;c");
    StoreMember(g, "a", Basic("a@corp.test", "manager"));
    StoreMember(g, "b", Basic("b@corp.test", "member"));
    StoreMember(g, "c", Basic("c@corp.test", "assistant"));
  }
  store->SaveSetting(kApp, kRoot + "\\g2\\b", "Role", "boss");
  ASSERT_TRUE(groups->Load());
  ASSERT_EQ(groups->Count(), 3);
  EXPECT_EQ(groups->Find("g1")->Count(), 3);
  EXPECT_EQ(groups->Find("g2")->Count(), 1) << "members before the bad one stay";
  EXPECT_EQ(groups->Find("g2")->strName, "Group g2");
  EXPECT_EQ(groups->Find("g3")->Count(), 3);
  EXPECT_EQ(groups->GetShowAs("a@corp.test"), "Annie");
  EXPECT_FALSE(groups->ShowAsTable().Exists("ghost@corp.test")) << "refreshed after loading";
}

TEST_F(StorageTest, XmlDocumentLayout) {
  MemberPtr room = M("me@corp.test/room", ROLE_MEMBER, false);
  room->strEmailOwner = "me@corp.test";
  G("T", {M("me@corp.test", ROLE_MANAGER, true, true), room});
  const auto file = dir / "backup.xml";
  ASSERT_TRUE(groups->SaveToXml(file.string()));
  EXPECT_EQ(ReadAll(file),
            "<groups ShowAs=\"Name of me@corp.test;me@corp.test;Name of me@corp.test/room;me@corp.test/room\">"
            "<group name=\"T\" key=\"" + GK("T") + "\">"
            "<member Name=\"Name of me@corp.test\" Email=\"me@corp.test\" EmailOwner=\"\" Key=\"" + K("me@corp.test") + "\" "
            "Role=\"manager\" MySelf=\"1\" ActionKey=\"\" NewRole=\"member\" Wait=\"none\" Action=\"none\" "
            "Share=\"1\" SubAction=\"0\"/>"
            "<member Name=\"Name of me@corp.test/room\" Email=\"me@corp.test/room\" EmailOwner=\"me@corp.test\" "
            "Key=\"" + K("me@corp.test/room") + "\" Role=\"member\" MySelf=\"0\" ActionKey=\"\" NewRole=\"member\" "
            "Wait=\"none\" Action=\"none\" Share=\"0\" SubAction=\"0\"/>"
            "</group></groups>");
}

TEST_F(StorageTest, XmlRoundTripAndEmptyModel) {
  BuildRichModel();
  const auto file = dir / "backup.xml";
  ASSERT_TRUE(groups->SaveToXml(file.string()));
  CGroups loaded(env);
  ASSERT_TRUE(loaded.LoadFromXml(file.string()));
  EXPECT_TRUE(SameStoredGroups(loaded, *groups));

  CGroups empty(env);
  const auto emptyFile = dir / "empty.xml";
  ASSERT_TRUE(empty.SaveToXml(emptyFile.string()));
  EXPECT_EQ(ReadAll(emptyFile), "<groups ShowAs=\"Me;me@corp.test\"/>");
}

TEST_F(StorageTest, XmlOptionalAndRequiredAttributes) {
  const auto file = dir / "in.xml";
  const std::string head = "<groups ShowAs=\"Annie;ann@corp.test\"><group name=\"T\" key=\"" + GK("1") + "\">";
  const std::string me =
      "<member Name=\"Me\" Email=\"ME@corp.test\" EmailOwner=\"\" Key=\"" + K("m1") + "\" Role=\"Manager\" MySelf=\"1\" "
      "ActionKey=\"\" NewRole=\"member\" Wait=\"NONE\" Action=\"none\"/>";
  const std::string room =
      "<member Name=\"R\" Email=\"me@corp.test/r\" EmailOwner=\"ME@corp.test\" Key=\"" + K("m2") + "\" Role=\"member\" "
      "MySelf=\"0\" ActionKey=\"\" NewRole=\"member\" Wait=\"none\" Action=\"none\"/>";
  WriteAll(file, head + me + room + "</group></groups>");
  CGroups loaded(env);
  ASSERT_TRUE(loaded.LoadFromXml(file.string()));
  GroupPtr g = loaded.Find(GK("1"));
  ASSERT_TRUE(g);
  EXPECT_TRUE(g->Find(K("m1"))->bShare) << "missing Share: shared for a real member";
  EXPECT_EQ(g->Find(K("m1"))->strEmail, "me@corp.test");
  EXPECT_EQ(g->Find(K("m1"))->nRole, ROLE_MANAGER);
  EXPECT_FALSE(g->Find(K("m2"))->bShare) << "missing Share: unshared for a virtual member";
  EXPECT_EQ(g->Find(K("m2"))->strEmailOwner, "me@corp.test");
  EXPECT_EQ(g->Find(K("m2"))->nSubAction, 0);

  struct Bad {
    const char* what;
    std::string text;
  } bad[] = {
      {"missing Key", head + "<member Name=\"x\" Email=\"x\" EmailOwner=\"\" Role=\"member\" MySelf=\"0\" "
                             "ActionKey=\"\" NewRole=\"member\" Wait=\"none\" Action=\"none\"/></group></groups>"},
      {"bad role", head + "<member Name=\"x\" Email=\"x\" EmailOwner=\"\" Key=\"k\" Role=\"chief\" MySelf=\"0\" "
                          "ActionKey=\"\" NewRole=\"member\" Wait=\"none\" Action=\"none\"/></group></groups>"},
      {"bad wait", head + "<member Name=\"x\" Email=\"x\" EmailOwner=\"\" Key=\"k\" Role=\"member\" MySelf=\"0\" "
                          "ActionKey=\"\" NewRole=\"member\" Wait=\"later\" Action=\"none\"/></group></groups>"},
      {"group without key", "<groups ShowAs=\"\"><group name=\"T\"/></groups>"},
      {"no ShowAs", "<groups><group name=\"T\" key=\"k\"/></groups>"},
      {"another document", "<appointments><appointment Subject=\"x\"/></appointments>"},
      {"not XML", "this is no XML"},
  };
  for (const Bad& b : bad) {
    WriteAll(file, b.text);
    CGroups other(env);
    EXPECT_FALSE(other.LoadFromXml(file.string())) << b.what;
    EXPECT_EQ(other.Count(), 0) << b.what;
  }
  CGroups missing(env);
  EXPECT_FALSE(missing.LoadFromXml((dir / "nothing.xml").string()));
}

TEST(Xml, CursorMoves) {
  CXml xml;
  EXPECT_TRUE(xml.IsEmpty());
  ASSERT_TRUE(xml.CreateItem("groups", ""));
  ASSERT_TRUE(xml.SetCurNode(1));
  xml.CreateItem("group", "");
  xml.SetItemAttribute("name", "A");
  xml.SetItemAttribute("key", "1");
  xml.CreateItem("group", "text");
  xml.SetItemAttribute("name", "B");
  EXPECT_EQ(xml.GetItemsCount(), 2);
  ASSERT_TRUE(xml.SetCurNode(2));
  xml.CreateItem("member", "");
  xml.SetItemAttribute("Email", "m@x");
  ASSERT_TRUE(xml.SetCurNode(2)) << "the text of group B is its first child";
  EXPECT_STREQ(xml.CurNode().name(), "member");
  ASSERT_TRUE(xml.SetCurNode(-2));
  EXPECT_STREQ(xml.CurNode().name(), "groups") << "two levels up from a member is the root";
  EXPECT_FALSE(xml.SetCurNode(-5));
  EXPECT_STREQ(xml.CurNode().name(), "groups");

  ASSERT_TRUE(xml.SetCurItem("group[@name='B']"));
  EXPECT_EQ(xml.GetItemText(), "text");
  EXPECT_EQ(xml.GetItemAttribute(1).value_or("?"), "B");
  EXPECT_FALSE(xml.GetItemAttribute(2));
  ASSERT_TRUE(xml.SetCurItem(1));
  EXPECT_EQ(xml.GetItemAttribute("key").value_or("?"), "1");
  EXPECT_TRUE(xml.DeleteItemAttribute("key"));
  EXPECT_FALSE(xml.GetItemAttribute("key"));
  EXPECT_FALSE(xml.SetCurItem(3));

  xml.Push();
  xml.SetCurNode(0);
  EXPECT_EQ(xml.GetItemsCount(), 1);
  xml.Pop();
  EXPECT_STREQ(xml.CurNode().name(), "groups");
  EXPECT_TRUE(xml.DeleteItem(1));
  EXPECT_EQ(xml.GetItemsCount(), 1);
  EXPECT_FALSE(xml.GetItemAttribute("name")) << "the deleted item is no longer current";
}

TEST(Xml, StackLimitsAreReportedNotFatal) {
  CXml xml;
  xml.Pop();
  EXPECT_EQ(xml.StackItems(), 0);
  for (int i = 0; i < 12; ++i) xml.Push();
  EXPECT_EQ(xml.StackItems(), 10);
  for (int i = 0; i < 10; ++i) xml.Pop();
  EXPECT_EQ(xml.StackItems(), 0);
  {
    CXml leaky;
    leaky.Push();
  }  // reported on destruction, nothing else happens
}

TEST(Xml, SaveAndLoad) {
  const auto dir = std::filesystem::temp_directory_path() / ("zentabo-cxml-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  CXml xml;
  EXPECT_FALSE(xml.Save((dir / "empty.xml").string())) << "an empty document is not written";
  EXPECT_FALSE(std::filesystem::exists(dir / "empty.xml"));
  xml.CreateItem("root", "");
  xml.SetItemAttribute("a", "1 & 2");
  ASSERT_TRUE(xml.Save((dir / "one.xml").string()));
  CXml back;
  ASSERT_TRUE(back.Load((dir / "one.xml").string()));
  ASSERT_TRUE(back.SetCurItem(1));
  EXPECT_EQ(back.GetItemAttribute("a").value_or("?"), "1 & 2");
  WriteAll(dir / "bad.xml", "<root>");
  EXPECT_FALSE(back.Load((dir / "bad.xml").string()));
  EXPECT_FALSE(back.IsEmpty()) << "a failed load keeps the document";
  std::filesystem::remove_all(dir);
}
