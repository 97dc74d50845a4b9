// kill -9 at random instants of real zentabo runs, with the invariants that
// must hold after every kill: the profile opens and passes its integrity
// check, the stored groups are the old or the new ones, every mail is in
// exactly one place, and once the next run has finished the work, every
// request took effect once and was answered once.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "support/KillHarness.h"
#include "groups/CGroups.h"
#include "host/GroupOps.h"
#include "host/HostSession.h"
#include "platform/Registry.h"
#include "platform/SettingsStore.h"
#include "platform/Text.h"
#include "platform/mail/MailOutbox.h"
#include "platform/mail/MimeCodec.h"
#include "platform/mail/PostOfficeTransport.h"
#include "platform/store/Folder.h"
#include "platform/store/Items.h"
#include "platform/store/MailSession.h"
#include "support/TempHome.h"

namespace fs = std::filesystem;
using crash_test::KillHarness;
using crash_test::Outcome;
using testing_support::TempDir;
using testing_support::TempHome;

namespace {

// The seed of a run: ZENTABO_KILL_SEED repeats a failing one.
uint32_t Seed() {
  const char* s = std::getenv("ZENTABO_KILL_SEED");
  return s ? static_cast<uint32_t>(std::strtoul(s, nullptr, 10)) : 20261205u;
}

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// One home as the next start finds it, read without starting the add-in.
struct HomeState {
  std::string profileProblem;             // "" when the profile opens and checks out
  std::string groups;                     // the stored groups, one line each
  std::multiset<std::string> inboxIds;    // Message-IDs of the Inbox items
  std::set<std::string> appliedIds;       // group mails recorded as applied
  std::set<std::string> pendingIds;       // group mails of a batch not yet stored
  std::set<std::string> deletedIds;       // Message-IDs in Deleted Items
  int queued = 0;                         // mails waiting in the outbox
};

HomeState ReadHome(const fs::path& home) {
  HomeState st;
  platform::Registry reg(home);
  const std::string profile = host::HostValue(reg, "Profile");
  std::string storeKey;
  try {
    platform::MailSession s = platform::MailSession::Open(profile);
    const std::string check = s.CheckIntegrity();
    if (check != "ok") st.profileProblem = check;
    storeKey = s.StoreKey();
    platform::Items inbox = s.GetDefaultFolder(platform::olFolderInbox).Items();
    for (int i = 1; i <= inbox.Count(); ++i) st.inboxIds.insert(inbox.Item(i).GetText("InternetMessageID"));
    platform::Items deleted = s.GetDefaultFolder(platform::olFolderDeletedItems).Items();
    for (int i = 1; i <= deleted.Count(); ++i) st.deletedIds.insert(deleted.Item(i).GetText("InternetMessageID"));
  } catch (const std::exception& e) {
    st.profileProblem = e.what();
    return st;
  }
  platform::SettingsStore store(reg);
  const std::string root = storeKey + "\\Groups";
  for (const std::string& key : platform::Split(store.GetSetting("Zentabo", root, "Keys"), ';')) {
    if (key.empty()) continue;
    const std::string section = root + "\\" + key;
    st.groups += store.GetSetting("Zentabo", section, "Name") + ":";
    for (const std::string& m : platform::Split(store.GetSetting("Zentabo", section, "Keys"), ';'))
      if (!m.empty())
        st.groups += " " + store.GetSetting("Zentabo", section + "\\" + m, "Email") + "/" +
                     store.GetSetting("Zentabo", section + "\\" + m, "Action");
    st.groups += "\n";
  }
  for (const auto& [id, stamp] : store.GetAllSettings("Zentabo", storeKey + "\\GroupMails")) st.appliedIds.insert(id);
  for (const auto& [id, v] : store.GetAllSettings("Zentabo", storeKey + "\\GroupMailsPending")) st.pendingIds.insert(id);
  platform::HKEY outbox = 0;
  if (reg.OpenKey(platform::HKEY_CURRENT_USER, std::string(host::kHostKey) + "\\Outbox", platform::KEY_READ,
                  &outbox) == platform::ERROR_SUCCESS) {
    while (reg.EnumValue(outbox, static_cast<uint32_t>(st.queued), nullptr) == platform::ERROR_SUCCESS) ++st.queued;
    reg.CloseKey(outbox);
  }
  return st;
}

// One mail file of a mailbox, as far as the checks care.
struct MailFile {
  std::string id;
  std::string type;       // msg.type of a group mail
  std::string actionKey;  // member.actionkey
  std::string accept;
};

MailFile Read(const platform::MailMessage& m) {
  MailFile f{m.messageId, "", "", ""};
  for (const auto& a : m.attachments)
    for (const std::string& line : platform::Split(platform::MimeCodec::ToLf(a.bytes), '\n')) {
      const size_t eq = line.find(" = ");
      if (eq == std::string::npos) continue;
      const std::string name = line.substr(0, eq), value = line.substr(eq + 3);
      if (name == "msg.type") f.type = value;
      if (name == "member.actionkey") f.actionKey = value;
      if (name == "accept") f.accept = value;
    }
  return f;
}

std::vector<MailFile> Mailbox(const fs::path& postOffice, const std::string& address, const std::string& sub) {
  std::vector<MailFile> files;
  const fs::path dir = postOffice / address / sub;
  if (!fs::exists(dir)) return files;
  for (const auto& e : fs::directory_iterator(dir))
    files.push_back(Read(platform::MimeCodec::Decode(ReadFile(e.path()))));
  return files;
}

// The mails waiting in a home's registry outbox.
std::vector<MailFile> Queued(const fs::path& home, const fs::path& postOffice) {
  platform::Registry reg(home);
  platform::PostOfficeTransport unused(postOffice);
  std::vector<MailFile> mails;
  for (const platform::MailMessage& m :
       platform::MailOutbox(reg, unused, std::string(host::kHostKey) + "\\Outbox").Queued())
    mails.push_back(Read(m));
  return mails;
}

// Puts a prepared folder back in place, byte for byte (the homes keep
// absolute paths to their profile and post office).
void Restore(const fs::path& saved, const fs::path& work) {
  fs::remove_all(work);
  fs::copy(saved, work, fs::copy_options::recursive);
}

class KillTest : public ::testing::Test {
 protected:
  TempDir dir;
  fs::path work = dir.Path() / "work";
  fs::path saved = dir.Path() / "saved";
  fs::path postOffice = work / "postoffice";
  KillHarness harness{ZENTABO_BINARY, Seed()};

  void Save() { fs::copy(work, saved, fs::copy_options::recursive); }
  static void ExpectSound(const HomeState& st) { EXPECT_EQ(st.profileProblem, ""); }
};

TEST_F(KillTest, MemberAddOnThousandsOfGroupsKeepsTheOldGroupsOrTheNew) {
  {
    TempHome alice(work, "alice", "alice@example.com");
    alice.Open().Start();
    CGroups& groups = *alice.S().AddIn().Groups();
    for (int i = 0; i < 3000; ++i) groups.Add(groups.CreateMyGroup("Team" + std::to_string(i)));
    ASSERT_TRUE(groups.Save());
  }
  Save();
  const fs::path home = work / "alice";
  const std::string before = ReadHome(home).groups;
  std::string after;

  KillHarness::Loop loop;
  loop.tries = 6;
  loop.restore = [&] { Restore(saved, work); };
  loop.command = {"--home", home.string(), "--answer", "no", "member", "add", "Team1500", "bob@example.com",
                  "--name", "Bob"};
  loop.watch = {(home / ".registry").string(), (postOffice / "bob@example.com").string()};
  loop.afterWhole = [&] {
    after = ReadHome(home).groups;
    ASSERT_NE(after, before);
    ASSERT_EQ(Mailbox(postOffice, "bob@example.com", "new").size(), 1u);
  };
  // The request leaves exactly when the new groups are stored.
  loop.afterKill = [&](const Outcome&) {
    const HomeState st = ReadHome(home);
    ExpectSound(st);
    ASSERT_TRUE(st.groups == before || st.groups == after) << "half-saved groups";
    const size_t requests = Mailbox(postOffice, "bob@example.com", "new").size();
    if (st.groups == before) EXPECT_EQ(requests + st.queued, 0u);
    else EXPECT_EQ(std::min<size_t>(requests + st.queued, 1), 1u);
  };
  loop.recovery = {"--home", home.string(), "--answer", "no", "group", "list"};
  loop.afterRecovery = [&](const Outcome& r) {
    EXPECT_EQ(r.err.find("not valid"), std::string::npos) << r.err;
    const HomeState st = ReadHome(home);
    EXPECT_TRUE(st.groups == before || st.groups == after);
    EXPECT_EQ(st.queued, 0);
    std::set<std::string> ids;
    for (const MailFile& f : Mailbox(postOffice, "bob@example.com", "new")) ids.insert(f.id);
    EXPECT_EQ(ids.size(), st.groups == after ? 1u : 0u);
  };
  EXPECT_GT(harness.RunLoop(loop), 0);
}

TEST_F(KillTest, SyncWithGroupMailsWaitingAppliesAndAnswersEachOnce) {
  const std::vector<std::string> managers = {"alice", "carol"};
  {
    TempHome bob(work, "bob", "bob@example.com");
    for (const std::string& name : managers) {
      TempHome h(work, name, name + "@example.com");
      h.Open().Start();
      for (int i = 0; i < 4; ++i) {
        const std::string group = name + std::to_string(i);
        host::CreateGroup(h.S().AddIn(), group);
        host::AddMember(h.S().AddIn(), group, "bob@example.com", "Bob", host::Role::Member, true);
      }
    }
  }
  // Some requests arrive twice: the same message under another file name.
  const fs::path bobNew = postOffice / "bob@example.com" / "new";
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(bobNew)) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  ASSERT_EQ(files.size(), 8u);
  for (size_t i : {1u, 4u, 6u}) fs::copy_file(files[i], bobNew / (files[i].filename().string() + "9.copy"));
  Save();
  std::set<std::string> requests;
  for (const MailFile& f : Mailbox(postOffice, "bob@example.com", "new")) requests.insert(f.id);
  ASSERT_EQ(requests.size(), 8u);
  const fs::path home = work / "bob";

  // Answers per request, by action key: how many different mails, and whether
  // every one accepts.
  auto answers = [&] {
    std::map<std::string, std::set<std::string>> byKey;
    for (const std::string& m : managers)
      for (const MailFile& f : Mailbox(postOffice, m + "@example.com", "new")) {
        EXPECT_EQ(f.type, "msg.add.replay");
        EXPECT_EQ(f.accept, "1") << "a request was declined";
        byKey[f.actionKey].insert(f.id);
      }
    return byKey;
  };

  KillHarness::Loop loop;
  loop.tries = 6;
  loop.restore = [&] { Restore(saved, work); };
  loop.command = {"--home", home.string(), "--answer", "yes", "sync"};
  loop.watch = {(home / ".registry").string(), (home / "Profiles").string(), postOffice.string()};
  loop.afterKill = [&](const Outcome&) {
    const HomeState st = ReadHome(home);
    ExpectSound(st);
    // Every request is waiting, in the Inbox, deleted by a batch under way
    // (which the next run takes back) or applied; never twice in the Inbox.
    std::set<std::string> waiting;
    for (const MailFile& f : Mailbox(postOffice, "bob@example.com", "new")) waiting.insert(f.id);
    for (const std::string& id : requests) {
      const bool underWay = st.pendingIds.count(id) && st.deletedIds.count(id);
      EXPECT_TRUE(waiting.count(id) || st.inboxIds.count(id) || underWay || st.appliedIds.count(id)) << id << " lost";
      EXPECT_LE(st.inboxIds.count(id), 1u) << id;
    }
    // Applied requests and stored groups go together, and their answers are
    // sent or queued. An answer handed to the post office leaves the outbox
    // only afterwards: a kill in between finds it in both, under one
    // Message-ID (the next start sends it again, and the manager takes it once).
    const size_t groups = std::count(st.groups.begin(), st.groups.end(), '\n');
    EXPECT_EQ(groups, st.appliedIds.size()) << st.groups;
    std::map<std::string, std::set<std::string>> byKey = answers();
    for (const MailFile& f : Queued(home, postOffice)) byKey[f.actionKey].insert(f.id);
    for (const auto& [key, ids] : byKey) EXPECT_EQ(ids.size(), 1u) << "request " << key << " answered twice";
    EXPECT_EQ(byKey.size(), st.appliedIds.size());
  };
  loop.recovery = loop.command;
  loop.afterRecovery = [&](const Outcome&) {
    const HomeState st = ReadHome(home);
    EXPECT_EQ(std::count(st.groups.begin(), st.groups.end(), '\n'), 8) << st.groups;
    EXPECT_EQ(st.appliedIds, requests);
    EXPECT_TRUE(st.pendingIds.empty());
    EXPECT_TRUE(st.inboxIds.empty());
    EXPECT_TRUE(fs::is_empty(bobNew));
    EXPECT_EQ(st.queued, 0);
    const auto byKey = answers();
    EXPECT_EQ(byKey.size(), 8u);
    for (const auto& [key, ids] : byKey) EXPECT_EQ(ids.size(), 1u) << key;
  };
  EXPECT_GT(harness.RunLoop(loop), 0);
}

}  // namespace
