#pragma once
// The dialogs' tests: a real profile (ProfileFixture) and, beside it, the
// current user's groups on a real registry hive with a scripted prompt, and
// a key generator on a virtual clock. Groups and members are built with G()
// and M(); the user is me@corp.test.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "groups/CGroups.h"
#include "groups/CKeyGenerator.h"
#include "platform/Clock.h"
#include "platform/Registry.h"
#include "platform/ScriptedPrompt.h"
#include "platform/SettingsStore.h"
#include "support/ProfileFixture.h"

class DialogsTest : public testing_support::ProfileFixture {
 protected:
  static constexpr const char* kMe = "me@corp.test";

  DialogsTest() {
    registry = std::make_unique<platform::Registry>(dir.Path() / "home");
    store = std::make_unique<platform::SettingsStore>(*registry);
    keys = std::make_unique<CKeyGenerator>(clock);
    SetGlobalKeyGenerator(keys.get());
    env.strCurEmail = kMe;
    env.strCurName = "Me";
    env.pStore = store.get();
    env.strStoreKey = "STOREKEY01";
    env.pPrompt = &prompt;
    groups = std::make_unique<CGroups>(env);
  }
  ~DialogsTest() override {
    SetGlobalKeyGenerator(nullptr);
    groups.reset();
    store.reset();
    registry.reset();
  }

  // A member; `pending` leaves his add unconfirmed.
  MemberPtr M(const std::string& email, int role, bool myself = false, bool pending = false) {
    auto m = std::make_shared<CMember>();
    m->strKey = ::NewKey();
    m->strName = "Name of " + email;
    m->strEmail = email;
    m->nRole = role;
    m->bShare = true;
    m->IsMySelf = myself;
    if (pending) m->nAction = ACTION_ADDING;
    return m;
  }
  MemberPtr Me(int role = ROLE_MANAGER, bool pending = false) { return M(kMe, role, true, pending); }
  GroupPtr G(const std::string& name, std::initializer_list<MemberPtr> members) {
    auto g = std::make_shared<CGroup>();
    g->strName = name;
    g->strKey = ::NewKey();
    for (const MemberPtr& m : members) g->Add(m);
    groups->Add(g);
    return g;
  }

  platform::VirtualClock clock{platform::Date::FromParts(2006, 2, 13, 14, 13, 59)};
  std::unique_ptr<platform::Registry> registry;
  std::unique_ptr<platform::SettingsStore> store;
  std::unique_ptr<CKeyGenerator> keys;
  platform::ScriptedPrompt prompt;
  CGroupsEnv env;
  std::unique_ptr<CGroups> groups;
};
