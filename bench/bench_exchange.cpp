// The appointment exchange at its batch size: sending 10,000 pending
// changes as one mail, and receiving one mail of 10,000 changes into a
// shared folder that already holds a copy of each; each beside its floor
// measured in the same run:
// - sending: the same document built with pugixml, saved and deflated at
//   level 6 into a zip;
// - receiving: the mail's zip inflated, the document parsed, and 10,000
//   items written to the store in one transaction.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "diagnostics/CDebug.h"
#include "exchange/CXmlAppointments.h"
#include "exchange/mAppointmentXml.h"
#include "exchange/mMain.h"
#include "exchange/mReceiveAppointments.h"
#include "exchange/mSendAppointments.h"
#include "exchange/mZip.h"
#include "groups/CGroups.h"
#include "lang/CLang.h"
#include "platform/Clock.h"
#include "platform/FileUtil.h"
#include "platform/Registry.h"
#include "platform/SettingsStore.h"
#include "platform/System.h"
#include "platform/Zip.h"
#include "platform/redemption/Library.h"
#include "platform/redemption/RDOSession.h"
#include "platform/store/Attachments.h"
#include "platform/store/Folders.h"
#include "platform/store/Items.h"
#include "platform/store/MailSession.h"
#include "platform/store/UserProperties.h"
#include "sync/CSyncContext.h"
#include "sync/mAppointments.h"

namespace fs = std::filesystem;

namespace {

using platform::Date;

constexpr int kItems = 10000;
const Date kBase = Date::FromParts(2026, 1, 5, 8, 0, 0);

struct StringWriter : pugi::xml_writer {
  std::vector<std::string> chunks;
  size_t size = 0;
  void write(const void* data, size_t n) override {
    chunks.emplace_back(static_cast<const char*>(data), n);
    size += n;
  }
  std::string Text() const {
    std::string text;
    text.reserve(size);
    for (const std::string& c : chunks) text += c;
    return text;
  }
};

std::string ItemId(int i) { return std::to_string(10000000 + i) + "-20260105080000"; }

void Fill(platform::Item& it, int i) {
  it.SetSubject("Appointment " + std::to_string(i));
  it.SetStart(Date::FromSeconds(kBase.Seconds() + int64_t{i} * 3600));
  it.SetDuration(45);
  it.SetLocation("Room " + std::to_string(i % 20));
  it.SetBody("Notes for appointment " + std::to_string(i) + "\r\nSecond line.");
}

// One user's add-in on a fresh profile: groups "Team" of alice and bob, the
// mail environment and the installed sync context. Mails sent are dropped.
struct Home {
  fs::path dir;
  std::unique_ptr<CDebug> debug;
  std::unique_ptr<platform::Registry> registry;
  std::unique_ptr<platform::SettingsStore> settings;
  std::unique_ptr<platform::System> system;
  std::unique_ptr<platform::MailSession> session;
  std::unique_ptr<Redemption::RDOSession> rdo;
  std::unique_ptr<CLang> lang;
  platform::RealClock clock;
  std::unique_ptr<mMain::MailEnv> mail;
  CGroupsEnv genv;
  std::unique_ptr<CGroups> groups;
  CSyncContext ctx;

  Home(const std::string& name, const std::string& me) {
    dir = fs::temp_directory_path() / ("zentabo-bench-exchange-" + name + "-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "install");
    debug = std::make_unique<CDebug>(dir.string(), "");
    debug->UseSupportLog(false);
    debug->DebugLevel(1);
    SetGlobalDebug(debug.get());
    registry = std::make_unique<platform::Registry>(dir);
    settings = std::make_unique<platform::SettingsStore>(*registry);
    system = std::make_unique<platform::System>(dir, dir / "install");
    session = std::make_unique<platform::MailSession>(platform::MailSession::Open((dir / "profile.db").string()));
    session->SetCurrentUser(name, me);
    Redemption::SetRegistered(true);
    rdo = std::make_unique<Redemption::RDOSession>(*session, [](const platform::Item&) {});
    rdo->Logon();
    lang = std::make_unique<CLang>(system->InstallDir().string());
    mail = std::make_unique<mMain::MailEnv>(*rdo, *system, *registry, clock, *lang, [me] { return me; });
    genv.strCurEmail = me;
    genv.strCurName = name;
    genv.pStore = settings.get();
    genv.strStoreKey = session->StoreKey();
    groups = std::make_unique<CGroups>(genv);
    auto g = std::make_shared<CGroup>();
    g->strName = "Team";
    g->strKey = "12345670-20261205093000";
    int n = 0;
    for (const char* address : {"alice@example.org", "bob@example.org"}) {
      auto m = std::make_shared<CMember>();
      m->strKey = "7654321" + std::to_string(n++) + "-20261205093000";
      m->strName = address;
      m->strEmail = address;
      m->bShare = true;
      m->IsMySelf = me == address;
      g->Add(m);
    }
    groups->Add(g);
    ctx.pSession = session.get();
    ctx.pRdo = rdo.get();
    ctx.pGroups = groups.get();
    ctx.pLang = lang.get();
    ctx.pSystem = system.get();
    ctx.pMail = mail.get();
    ctx.strStoreId = session->StoreKey();
    ctx.strMe = me;
    ctx.strOutlookMajor = "11";
    ctx.nBias = -60;
    ctx.fldCalendar = session->GetDefaultFolder(platform::olFolderCalendar);
    ctx.fldInbox = session->GetDefaultFolder(platform::olFolderInbox);
    ctx.fldDeletedItems = session->GetDefaultFolder(platform::olFolderDeletedItems);
    ctx.fldZentab = ctx.fldCalendar.Folders().Add("Zentabo", platform::olFolderCalendar);
    SetGlobalSync(&ctx);
  }
  ~Home() {
    SetGlobalSync(nullptr);
    groups.reset();
    mail.reset();
    rdo.reset();
    session.reset();
    Redemption::ResetRegistration();
    SetGlobalDebug(nullptr);
    debug.reset();
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
};

// --- sending -----------------------------------------------------------------

// Alice with 10,000 calendar items, each queued as changed.
struct Sender : Home {
  std::vector<platform::Item> items;
  Sender() : Home("Alice", "alice@example.org") {
    session->Batch([&] {
      for (int i = 0; i < kItems; ++i) {
        platform::Item it = ctx.fldCalendar.Items().Add(platform::olAppointmentItem);
        Fill(it, i);
        it.Save();
        items.push_back(it);
      }
    });
  }
  void QueueAll() {
    for (int i = 0; i < kItems; ++i)
      ctx.colPending.Add("Changed", items[i].EntryID(), ItemId(i), "alice@example.org", "Team", "0", "",
                         items[i].LastModificationTime(), "");
  }
};

void BM_SendAppointments10000(benchmark::State& state) {
  Sender alice;
  for (auto _ : state) {
    state.PauseTiming();
    alice.QueueAll();
    state.ResumeTiming();
    std::string recipients;
    mSendAppointments::SendAppointments("", recipients);
    if (alice.ctx.colPending.Count() != 0) state.SkipWithError("the queue was not sent");
  }
  state.SetItemsProcessed(state.iterations() * kItems);
}
BENCHMARK(BM_SendAppointments10000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The floor: the document the sender writes (taken from one written
// beforehand), built straight with pugixml, saved and deflated at level 6.
void BM_SendFloor10000(benchmark::State& state) {
  Sender alice;
  alice.QueueAll();
  const std::string written = (alice.dir / "written.xml").string();
  {
    CXmlAppointments xml(written);
    xml.Create();
    mSendAppointments::AttachmentIDs ids;
    const mSendAppointments::WriteEnv env = mSendAppointments::SyncWriteEnv(alice.ctx, ids);
    for (const CAppointment& w : alice.ctx.colPending) mSendAppointments::WriteAppointment(xml, w, "", env);
    xml.Save();
  }
  std::vector<std::vector<std::pair<std::string, std::string>>> items;
  {
    pugi::xml_document doc;
    doc.load_file(written.c_str());
    for (pugi::xml_node item : doc.child("appointments").child("changed").children()) {
      items.emplace_back();
      for (pugi::xml_node e : item.children()) items.back().emplace_back(e.name(), e.text().get());
    }
  }
  if (items.size() != kItems) {
    state.SkipWithError("the writer wrote no document");
    return;
  }
  const fs::path path = alice.dir / "floor.xml";
  const fs::path zip = alice.dir / "floor.zip";
  for (auto _ : state) {
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("appointments");
    root.append_child("added");
    pugi::xml_node changed = root.append_child("changed");
    root.append_child("removed");
    for (const auto& elements : items) {
      pugi::xml_node item = changed.append_child("item");
      for (const auto& [name, text] : elements) {
        pugi::xml_node e = item.append_child(name.c_str());
        if (!text.empty()) e.text().set(text.c_str());
      }
    }
    StringWriter out;
    doc.save(out, "", pugi::format_raw);
    platform::FileUtil::WriteFile(path, out.Text());
    fs::remove(zip);
    platform::Zip::AddFile(zip, path, "floor.xml", 6);
  }
  state.SetItemsProcessed(state.iterations() * kItems);
}
BENCHMARK(BM_SendFloor10000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// --- receiving ---------------------------------------------------------------

// Bob with a copy of each of Alice's 10,000 items in his shared folder, and
// the zip of Alice's mail that changes every one of them.
struct Receiver : Home {
  platform::Bytes zip;
  Receiver() : Home("Bob", "bob@example.org") {
    CXmlAppointments xml((dir / "alice.xml").string());
    xml.Create();
    xml.SetCurNode(CXmlAppointments::ntChanged);
    mSendAppointments::WriteEnv env;
    env.nBias = ctx.nBias;
    session->Batch([&] {
      for (int i = 0; i < kItems; ++i) {
        platform::Item it = ctx.fldZentab.Items().Add(platform::olAppointmentItem);
        Fill(it, i);
        it.SetSubject("[alice@example.org] Appointment " + std::to_string(i));
        it.UserProperties().Add(mAppointments::kItemID).SetValue(ItemId(i));
        it.UserProperties().Add(mAppointments::kOwnerAddress).SetValue("alice@example.org");
        it.UserProperties().Add(mAppointments::kGroups).SetValue("Team");
        it.Save();
        xml.CreateItem();
        mAppointmentXml::ItemHeader h;
        h.strItemID = ItemId(i);
        h.strOwner = "alice@example.org";
        h.strGroups = "Team";
        h.strShamMet = "0";
        h.dLastMod = it.LastModificationTime();
        mAppointmentXml::WriteItemHeader(xml, h, env.nBias);
        it.SetSubject("Appointment " + std::to_string(i) + " (moved)");
        mSendAppointments::WriteAppointment1(xml, "", it, "", env);
      }
    });
    xml.Save();
    // A folder that already holds received copies has been searched by id
    // before: the store's index of that property exists.
    mReceiveAppointments::FindItem(ctx.fldZentab, ItemId(0));
    const fs::path zipPath = dir / "AttachFile.zip";
    mZip::ZipFile(zipPath.string(), xml.GetFilename());
    const std::string bytes = platform::FileUtil::ReadFile(zipPath);
    zip.assign(bytes.begin(), bytes.end());
  }
  platform::Item PutMail() {
    platform::Item mail = ctx.fldInbox.Items().Add(platform::olMailItem);
    mail.SetSubject(mEnvelope::kAppointmentMarker);
    mail.SetBody(mEnvelope::BuildAppointmentBody("Zentabo", "", "alice@example.org", "102212", "20261205 08:30:00"));
    mail.Attachments().AddData("AttachFile.zip", zip);
    mail.Save();
    return mail;
  }
};

void BM_ReceiveMail10000(benchmark::State& state) {
  Receiver bob;
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<platform::Item> mails{bob.PutMail()};
    state.ResumeTiming();
    mReceiveAppointments::ReceiveAppointments(mails);
    state.PauseTiming();
    if (bob.ctx.fldZentab.Items().Count() != kItems || bob.ctx.fldInbox.Items().Count() != 0)
      state.SkipWithError("the mail was not applied");
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kItems);
}
BENCHMARK(BM_ReceiveMail10000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The floor: the same zip inflated, its document parsed, and one item per
// document item written with its subject, times, location and body, all in
// one store transaction.
void BM_ReceiveFloor10000(benchmark::State& state) {
  Receiver bob;
  const fs::path zipPath = bob.dir / "floor.zip";
  platform::FileUtil::WriteFile(zipPath, std::string(bob.zip.begin(), bob.zip.end()));
  const fs::path xmlPath = bob.dir / "floor.xml";
  platform::Folder target = bob.ctx.fldCalendar.Folders().Add("Floor", platform::olFolderCalendar);
  for (auto _ : state) {
    platform::Zip::Extract(zipPath, platform::Zip::Entries(zipPath).at(0).name, xmlPath, uint64_t{1} << 30);
    pugi::xml_document doc;
    doc.load_file(xmlPath.c_str());
    bob.session->Batch([&] {
      for (pugi::xml_node item : doc.child("appointments").child("changed").children()) {
        platform::Item it = target.Items().Add(platform::olAppointmentItem);
        it.SetSubject(item.child("Subject").text().get());
        it.SetStart(mEnvelope::CStr2Date(item.child("Start").text().get()));
        it.SetEnd(mEnvelope::CStr2Date(item.child("End").text().get()));
        it.SetLocation(item.child("Location").text().get());
        it.SetBody(item.child("Body").text().get());
        it.Save();
      }
    });
  }
  state.SetItemsProcessed(state.iterations() * kItems);
}
BENCHMARK(BM_ReceiveFloor10000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
