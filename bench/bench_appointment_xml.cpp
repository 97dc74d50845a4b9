// The appointment document: writing 10,000 store items into one document
// and saving it, beside its floor (pugixml building and saving a document of
// the same shape from ready-made texts, no item access).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <pugixml.hpp>

#include "exchange/CXmlAppointments.h"
#include "exchange/mAppointmentXml.h"
#include "exchange/mSendAppointments.h"
#include "platform/Date.h"
#include "platform/FileUtil.h"
#include "platform/redemption/Library.h"
#include "platform/store/Folder.h"
#include "platform/store/Items.h"
#include "platform/store/MailSession.h"
#include "platform/store/StoreCore.h"
#include "platform/store/UserProperties.h"

namespace {

using platform::Date;

constexpr int kItems = 10000;
const Date kBase = Date::FromParts(2026, 1, 5, 8, 0, 0);

// One profile of kItems appointments, built once (in one transaction) and
// removed at exit.
struct Profile {
  std::string dir;
  std::unique_ptr<platform::MailSession> session;
  std::vector<platform::Item> items;

  Profile() {
    char tmpl[] = "/tmp/bench_apptxml_XXXXXX";
    dir = mkdtemp(tmpl);
    session = std::make_unique<platform::MailSession>(platform::MailSession::Open(dir + "/profile.db"));
    platform::Folder cal = session->GetDefaultFolder(platform::olFolderCalendar);
    session->Core()->Write([&] {
      for (int i = 0; i < kItems; ++i) {
        platform::Item it = cal.Items().Add(platform::olAppointmentItem);
        it.SetSubject("Appointment " + std::to_string(i));
        it.SetStart(Date::FromSeconds(kBase.Seconds() + int64_t{i} * 3600));
        it.SetDuration(45);
        it.SetLocation("Room " + std::to_string(i % 20));
        it.SetBody("Notes for appointment " + std::to_string(i) + "\r\nSecond line.");
        it.UserProperties().Add("VestrandItemID").SetValue(std::to_string(10000000 + i) + "-20260105080000");
        it.Save();
        items.push_back(it);
      }
    });
    Redemption::SetRegistered(true);
  }
  ~Profile() {
    items.clear();
    session.reset();
    std::filesystem::remove_all(dir);
  }
};

Profile& TheProfile() {
  static Profile profile;
  return profile;
}

void BM_WriteAppointmentDocument10000(benchmark::State& state) {
  Profile& p = TheProfile();
  mSendAppointments::WriteEnv env;
  env.strOutlookMajor = "11";
  env.nBias = -60;
  const std::string path = p.dir + "/SyncSndItems.xml";
  for (auto _ : state) {
    CXmlAppointments xml(path);
    xml.Create();
    xml.SetCurNode(CXmlAppointments::ntChanged);
    for (const platform::Item& item : p.items) {
      xml.CreateItem();
      mAppointmentXml::ItemHeader h;
      h.strItemID = item.UserProperties().Find("VestrandItemID").Value();
      h.strOwner = "alice@example.org";
      h.strGroups = "Team";
      h.dLastMod = item.LastModificationTime();
      mAppointmentXml::WriteItemHeader(xml, h, env.nBias);
      mSendAppointments::WriteAppointment1(xml, "", item, "", env);
    }
    xml.Save();
  }
  state.SetItemsProcessed(state.iterations() * kItems);
}
BENCHMARK(BM_WriteAppointmentDocument10000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor: the same document (names and texts taken from one written by
// the writer beforehand), built straight into pugixml and saved the same way.
void BM_SerialiseDocumentFloor10000(benchmark::State& state) {
  Profile& p = TheProfile();
  const std::string path = p.dir + "/floor.xml";
  std::vector<std::vector<std::pair<std::string, std::string>>> items;
  {
    pugi::xml_document written;
    written.load_file((p.dir + "/SyncSndItems.xml").c_str());
    for (pugi::xml_node item : written.child("appointments").child("changed").children()) {
      items.emplace_back();
      for (pugi::xml_node e : item.children()) items.back().emplace_back(e.name(), e.text().get());
    }
  }
  if (items.size() != kItems) {
    state.SkipWithError("run BM_WriteAppointmentDocument10000 first");
    return;
  }
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
    std::ostringstream out;
    doc.save(out, "", pugi::format_raw);
    platform::FileUtil::WriteFile(path, out.str());
  }
  state.SetItemsProcessed(state.iterations() * kItems);
}
BENCHMARK(BM_SerialiseDocumentFloor10000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
