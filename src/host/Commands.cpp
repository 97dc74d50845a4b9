#include "host/Commands.h"

#include <filesystem>
#include <iostream>
#include <memory>

#include "addin/frmShablon.h"
#include "dialogs/frmOptions.h"
#include "groups/CGroups.h"
#include "groups/CGroupsEnv.h"
#include "groups/mFailSafe.h"
#include "groups/mGroups.h"
#include "groups/mAddress.h"
#include "groups/mInput.h"
#include "host/CommandRun.h"
#include "host/GroupOps.h"
#include "host/HostSession.h"
#include "options/COptions.h"
#include "options/mOptions.h"
#include "platform/Error.h"
#include "platform/FileUtil.h"
#include "platform/System.h"
#include "platform/Text.h"

namespace fs = std::filesystem;

namespace host {

namespace {

const char* RoleName(int role) {
  switch (role) {
    case ROLE_MANAGER: return "manager";
    case ROLE_ASSISTANT: return "assistant";
    default: return "member";
  }
}

// Names and addresses come from other members' mails: escaped so that they
// can never drive the terminal.
void PrintMember(const CMember& m) {
  using mInput::EscapeForTerminal;
  std::cout << "  " << EscapeForTerminal(m.strEmail) << "\t" << (m.strName.empty() ? "-" : EscapeForTerminal(m.strName))
            << "\t" << RoleName(m.nRole)
            << "\t" << (m.bShare ? "sharing" : "not sharing") << "\t" << (m.WasAdded() ? "active" : "pending")
            << (m.IsMySelf ? "\t(you)" : "") << "\n";
}

void PrintGroup(const CGroup& g) {
  MemberPtr me = g.GetMySelf();
  std::cout << mInput::EscapeForTerminal(g.strName) << (me && !me->WasAdded() ? "\t(you: pending)" : "") << "\n";
  for (const MemberPtr& m : g.Members()) PrintMember(*m);
}

}  // namespace

int Status(const GlobalOptions& g) {
  Running r(g);
  Connect& c = r.C();
  std::cout << "state: " << Connect::StateName(c.GetState()) << "\n";
  std::cout << "version: " << c.GetVersion() << "\n";
  std::cout << "client version: " << r.S().App().Version() << "\n";
  std::cout << "user: " << c.GetCurrentUserName() << " <" << c.GetCurrentUserAddress() << ">\n";
  std::string storeId = r.S().Session().StoreKey();
  std::cout << "store: " << storeId << "\n";
  std::cout << "groups: " << (c.Groups() ? c.Groups()->Count() : 0) << "\n";
  std::cout << "options:\n";
  for (const auto& o : mOptions::OptionTable()) {
    std::string v;
    if (mOptions::GetOptionText(r.S().Reg(), storeId, o.name, v)) std::cout << "  " << o.name << " = " << v << "\n";
  }
  return c.GetState() == Connect::State::Running ? 0 : 1;
}

int Options(const GlobalOptions& g, const std::string& name, const std::string& value, bool setValue) {
  // Options need the home, not the add-in: a running host's session, or the
  // home opened without loading the add-in.
  auto prompt = MakePrompt(g);
  std::unique_ptr<HostSession> own;
  if (!g.host) own = std::make_unique<HostSession>(g.home, *prompt);
  HostSession& s = g.host ? g.host->session : *own;
  std::string storeId = s.Session().StoreKey();
  if (name.empty()) {
    for (const auto& o : mOptions::OptionTable()) {
      std::string v;
      if (mOptions::GetOptionText(s.Reg(), storeId, o.name, v)) std::cout << o.name << " = " << v << "\n";
    }
    return 0;
  }
  if (!setValue) {
    std::string v;
    if (!mOptions::GetOptionText(s.Reg(), storeId, name, v)) {
      std::cerr << "zentabo: no option named \"" << name << "\"\n";
      return 1;
    }
    std::cout << v << "\n";
    return 0;
  }
  // The options dialog's values are set as the dialog sets them, under its rules.
  for (const std::string& field : frmOptions::FieldNames()) {
    if (!platform::EqualsNoCase(field, name)) continue;
    const platform::Date now = s.Loop().clock().Now();
    mOptions::Options current;
    mOptions::LoadOptions(s.Reg(), storeId, now, current);
    frmOptions::Env env;
    env.Save = [&](mOptions::Options& o) { return mOptions::SaveOptions(s.Reg(), storeId, now, o); };
    frmOptions dlg(env, current);
    std::vector<std::string> problems;
    if (!dlg.Set(field, value)) problems.push_back(dlg.LastError());
    if (problems.empty()) problems = dlg.Validate();
    if (problems.empty() && !dlg.OnOK()) problems.push_back("the options could not be written (see: zentabo log --errors)");
    for (const std::string& p : problems) std::cerr << "zentabo: " << p << "\n";
    if (!problems.empty()) return 1;
    s.Reg().Flush();
    return 0;
  }
  if (!mOptions::SetOptionText(s.Reg(), storeId, name, value)) {
    std::cerr << "zentabo: cannot set option \"" << name << "\" to \"" << value
              << "\" (unknown option or a value of the wrong kind)\n";
    return 1;
  }
  s.Reg().Flush();
  return 0;
}

int PrintLog(const GlobalOptions& g, bool errorsOnly) {
  const fs::path file = COptions::AppDataFolder(platform::System(g.home, {})) /
                        (errorsOnly ? "zentab.err" : "zentab.log");
  if (!platform::FileUtil::Exists(file)) {
    std::cerr << "zentabo: no log yet at " << file.string() << "\n";
    return 1;
  }
  std::cout << platform::FileUtil::ReadFile(file);
  return 0;
}

int Sync(const GlobalOptions& g) {
  return WithAddIn(g, [](Running& r) {
    r.S().SendAndReceive();
    r.C().Syncronize(false);
    return 0;
  });
}

int SendReceive(const GlobalOptions& g) {
  return WithAddIn(g, [](Running& r) {
    // A send/receive within 5 s of the add-in's start is the client's own
    // at opening, which the add-in leaves alone: this one comes after it.
    r.S().RunFor(6000);
    const int arrived = r.S().SendAndReceive();
    std::cout << "send/receive done: " << arrived << (arrived == 1 ? " mail" : " mails") << " taken in\n";
    return 0;
  });
}

int LocalSync(const GlobalOptions& g, bool fast, const std::string& since) {
  platform::Date from;
  if (!since.empty()) {
    try {
      from = platform::Date::Parse(since);
    } catch (const platform::Error&) {
      std::cerr << "zentabo: --since \"" << since << "\" is no date (YYYY-MM-DD HH:MM)\n";
      return 2;
    }
  }
  return WithAddIn(g, [&](Running& r) {
    if (r.C().RunLocalSynchronization(fast, from)) return 0;
    std::cerr << "zentabo: the local synchronisation did not run to its end (see: zentabo --home "
              << r.S().Sys().Home().string() << " log)\n";
    return 1;
  });
}

int GroupList(const GlobalOptions& g) {
  return WithAddIn(g, [](Running& r) {
    for (const GroupPtr& grp : r.C().Groups()->Groups()) PrintGroup(*grp);
    return 0;
  });
}

int MemberList(const GlobalOptions& g, const std::string& group) {
  return WithAddIn(g, [&](Running& r) {
    GroupPtr grp = r.C().Groups()->FindByName(group);
    if (!grp) Refuse("no group named \"" + group + "\"");
    for (const MemberPtr& m : grp->Members()) PrintMember(*m);
    return 0;
  });
}

int GroupCreate(const GlobalOptions& g, const std::string& name) {
  return WithAddIn(g, [&](Running& r) {
    CreateGroup(r.C(), name);
    std::cout << "created group \"" << name << "\"\n";
    return 0;
  });
}

int GroupDelete(const GlobalOptions& g, const std::string& name) {
  return WithAddIn(g, [&](Running& r) {
    DeleteGroup(r.C(), name);
    std::cout << "left group \"" << name << "\"\n";
    return 0;
  });
}

int MemberAdd(const GlobalOptions& g, const MemberArgs& a) {
  return WithAddIn(g, [&](Running& r) {
    AddMember(r.C(), a.group, a.address, a.name, a.role == "assistant" ? Role::Assistant : Role::Member, !a.noShare);
    std::cout << "invited " << a.address << " to \"" << a.group << "\"\n";
    return 0;
  });
}

int MemberRemove(const GlobalOptions& g, const MemberArgs& a) {
  return WithAddIn(g, [&](Running& r) {
    RemoveMember(r.C(), a.group, a.address);
    std::cout << "removed " << a.address << " from \"" << a.group << "\"\n";
    return 0;
  });
}

int MemberRole(const GlobalOptions& g, const MemberArgs& a) {
  return WithAddIn(g, [&](Running& r) {
    bool changed = SetRole(r.C(), a.group, a.address, a.role == "assistant" ? Role::Assistant : Role::Member);
    std::cout << a.address << (changed ? " is now " : " is already ") << a.role << " in \"" << a.group << "\"\n";
    return 0;
  });
}

int MemberShare(const GlobalOptions& g, const MemberArgs& a) {
  return WithAddIn(g, [&](Running& r) {
    bool changed = SetShare(r.C(), a.group, a.address, a.share == "on");
    std::cout << "sharing of " << a.address << " in \"" << a.group << "\" " << (changed ? "switched " : "is already ")
              << a.share << "\n";
    return 0;
  });
}

int MemberRename(const GlobalOptions& g, const MemberArgs& a) {
  return WithAddIn(g, [&](Running& r) {
    RenameMember(r.C(), a.group, a.address, a.name);
    std::cout << a.address << " is now called \"" << a.name << "\" in \"" << a.group << "\"\n";
    return 0;
  });
}

int MemberEdit(const GlobalOptions& g, const MemberArgs& a) {
  return WithAddIn(g, [&](Running& r) {
    mGroupDialogs::MemberValues values;
    if (a.nameGiven) values.name = a.name;
    if (!a.share.empty()) values.share = a.share == "on";
    const bool given = values.name || values.share;
    std::string refusal;
    const bool applied =
        r.C().EditMember(a.address, a.group.empty() ? kAllGroups : a.group, given ? &values : nullptr, &refusal);
    if (!refusal.empty()) Refuse(refusal);
    std::cout << (applied ? "changes applied\n" : "nothing changed\n");
    return 0;
  });
}

int GroupsDialog(const GlobalOptions& g) {
  return WithAddIn(g, [](Running& r) {
    const bool applied = EditGroups(r.C(), r.S().App().UserPrompt(),
                                    frmAddressBook::KnownPeople(&r.S().Session(), r.C().Groups()));
    std::cout << (applied ? "changes applied\n" : "nothing changed\n");
    return 0;
  });
}

int MemberGroups(const GlobalOptions& g, const std::string& address, const std::string* names) {
  return WithAddIn(g, [&](Running& r) {
    std::string checked;
    const bool applied = host::MemberGroups(r.C(), address, names, r.S().App().UserPrompt(), &checked);
    std::cout << mInput::EscapeForTerminal(mAddress::NormaliseAddress(address)) << (applied ? " is now in: " : " is in: ")
              << (checked.empty() ? "no group" : mInput::EscapeForTerminal(checked)) << "\n";
    return 0;
  });
}

int MemberNew(const GlobalOptions& g, const std::string& group) {
  return WithAddIn(g, [&](Running& r) {
    NewMember(r.C(), group, r.S().App().UserPrompt(), frmAddressBook::KnownPeople(&r.S().Session(), r.C().Groups()));
    for (const GroupPtr& grp : r.C().Groups()->Groups()) PrintGroup(*grp);
    return 0;
  });
}

int Backup(const GlobalOptions& g, const std::string& file) {
  return WithAddIn(g, [&](Running& r) {
    if (!StoreGroups(*r.C().Groups(), fs::absolute(file).string())) Refuse("cannot write " + file);
    std::cout << "groups written to " << file << "\n";
    return 0;
  });
}

int Restore(const GlobalOptions& g, const std::string& file) {
  return WithAddIn(g, [&](Running& r) {
    if (!fs::exists(file)) Refuse("no file " + file);
    bool replaced = RestoreGroups(*r.C().Groups(), fs::absolute(file).string());
    r.C().RaiseCustomEvent("Groups");
    if (!replaced) {
      if (fs::file_size(file) == 0) {
        std::cout << file << " is empty: nothing restored\n";
        return 0;
      }
      Refuse("groups not restored from " + file + " (see: zentabo --home " + r.S().Sys().Home().string() +
             " log --errors)");
    }
    std::cout << "groups restored from " << file << "\n";
    return 0;
  });
}

}  // namespace host
