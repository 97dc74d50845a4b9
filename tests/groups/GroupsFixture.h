#pragma once
// Shared set-up of the group tests: a real registry hive and settings store
// in a temporary folder, a scripted prompt, and a key generator on a virtual
// clock whose digits count up, so keys are unique and predictable.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "groups/CGroups.h"
#include "groups/CKeyGenerator.h"
#include "platform/Clock.h"
#include "platform/Registry.h"
#include "platform/ScriptedPrompt.h"
#include "platform/SettingsStore.h"
#include "groups/RecordingSender.h"

class GroupsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static int serial = 0;
    dir = std::filesystem::temp_directory_path() /
          ("zentabo-groups-" + std::to_string(::getpid()) + "-" + std::to_string(++serial));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    registry = std::make_unique<platform::Registry>(dir);
    store = std::make_unique<platform::SettingsStore>(*registry);
    keys = std::make_unique<CKeyGenerator>(clock, [this] { return NextRandom(); });
    SetGlobalKeyGenerator(keys.get());
    env.strCurEmail = "me@corp.test";
    env.strCurName = "Me";
    env.pStore = store.get();
    env.strStoreKey = "STOREKEY01";
    env.pPrompt = &prompt;
    groups = std::make_unique<CGroups>(env);
  }
  void TearDown() override {
    SetGlobalKeyGenerator(nullptr);
    groups.reset();
    store.reset();
    registry.reset();
    std::filesystem::remove_all(dir);
  }

  // Digits of a counter in base 9, most significant first, eight per key.
  double NextRandom() {
    int pos = digitPos++ % 8;
    if (pos == 0) ++counter;
    long v = counter;
    for (int i = 7; i > pos; --i) v /= 9;
    return (v % 9 + 0.5) / 9.0;
  }

  // A key of the generator's shape made from a name, the same for the same
  // name in any letter case (as collection keys compare): K(address) for
  // members, GK(name) for groups.
  static std::string K(const std::string& name) {
    uint64_t h = 1469598103934665603ull;
    for (char c : name) h = (h ^ static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(c)))) * 1099511628211ull;
    std::string digits;
    for (int i = 0; i < 8; ++i, h /= 9) digits += static_cast<char>('0' + h % 9);
    return digits + "-20060213141359";
  }
  static std::string GK(const std::string& name) { return K("group " + name); }

  // A member with the given address and role; key = K(address).
  static MemberPtr M(const std::string& email, int role, bool share = true, bool myself = false) {
    auto m = std::make_shared<CMember>();
    m->strKey = K(email);
    m->strName = "Name of " + email;
    m->strEmail = email;
    m->nRole = role;
    m->bShare = share;
    m->IsMySelf = myself;
    return m;
  }
  // A group "name" with key GK(name) holding the members, inserted into groups.
  GroupPtr G(const std::string& name, std::initializer_list<MemberPtr> members) {
    auto g = std::make_shared<CGroup>();
    g->strName = name;
    g->strKey = GK(name);
    for (const MemberPtr& m : members) g->Add(m);
    groups->Add(g);
    return g;
  }

  std::filesystem::path dir;
  platform::VirtualClock clock{platform::Date::FromParts(2006, 2, 13, 14, 13, 59)};
  std::unique_ptr<platform::Registry> registry;
  std::unique_ptr<platform::SettingsStore> store;
  std::unique_ptr<CKeyGenerator> keys;
  platform::ScriptedPrompt prompt;
  CGroupsEnv env;
  std::unique_ptr<CGroups> groups;
  RecordingSender sender;
  long counter = 0;
  int digitPos = 0;
};
