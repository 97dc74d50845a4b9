#pragma once
// A group-message sender for tests: records each Send call as one line
// "<operation> <subject> @<group name>" so that tests can assert which
// messages an operation sends and about whom.
#include <string>
#include <vector>

#include "groups/CGroup.h"
#include "groups/CGroups.h"
#include "groups/IGroupMsgSender.h"

class RecordingSender : public IGroupMsgSender {
 public:
  std::vector<std::string> calls;
  // The member as it was when sent, for checks of the fields a message carries.
  std::vector<CMember> members;

  void SendBroadcastModifiedShare(const CMember& m, const CGroup& g, const std::vector<std::string>&) override {
    Rec("SendBroadcastModifiedShare", m, g);
  }
  void SendBroadcastChangeEmail(const CGroups&, const std::string& o, const std::string& n,
                                const std::vector<std::string>& reached) override {
    calls.push_back("SendBroadcastChangeEmail " + o + " -> " + n + Reached(reached));
  }
  void SendAddRequest(const CGroup& g, const CMember& m) override { Rec("SendAddRequest", m, g); }
  void SendAddReplay(const std::string& e, const std::string& k, bool a) override {
    calls.push_back("SendAddReplay " + e + " " + k + (a ? " accept" : " decline"));
  }
  void SendAddConfirmation(const std::string& e, const CGroup& g, const CMember& m, const std::string&) override {
    Rec("SendAddConfirmation(" + e + ")", m, g);
  }
  void SendBroadcastAdd(const CMember& m, const CGroup& g, const std::vector<std::string>&) override {
    Rec("SendBroadcastAdd", m, g);
  }
  void SendModifyRequest(const CGroup& g, const CMember& m, int) override { Rec("SendModifyRequest", m, g); }
  void SendModifyReplay(const std::string& e, const std::string&, bool) override {
    calls.push_back("SendModifyReplay " + e);
  }
  void SendModifyConfirmation(const CMember& m) override { calls.push_back("SendModifyConfirmation " + m.strEmail); }
  void SendBroadcastModifyName(const CMember& m, const CGroup& g, const std::vector<std::string>&) override {
    Rec("SendBroadcastModifyName", m, g);
  }
  void SendBroadcastModifyOrder(const CMember& m, const CGroup& g, const std::vector<std::string>&) override {
    Rec("SendBroadcastModifyOrder", m, g);
  }
  void SendBroadcastModify(const CMember& m, const CGroup& g, const std::vector<std::string>&) override {
    Rec("SendBroadcastModify", m, g);
  }
  void SendBroadcastRemove(const CMember& m, const CGroup& g, const std::vector<std::string>& reached) override {
    calls.push_back("SendBroadcastRemove " + m.strEmail + " @" + g.strName + Reached(reached));
    members.push_back(m);
  }
  void SendAbort(const CMember& m) override {
    calls.push_back("SendAbort " + m.strEmail);
    members.push_back(m);
  }
  void SendBroadcastUpdateMemeberGroups(const CGroups&, const std::string& e, const std::string&,
                                        const std::vector<std::string>&) override {
    calls.push_back("SendBroadcastUpdateMemeberGroups " + e);
  }
  void SendUpdateMemberGroups(const std::string& e, const CGroups&, const std::string&, const std::string&) override {
    calls.push_back("SendUpdateMemberGroups " + e);
  }

 private:
  void Rec(const std::string& op, const CMember& m, const CGroup& g) {
    calls.push_back(op + " " + m.strEmail + " @" + g.strName);
    members.push_back(m);
  }
  static std::string Reached(const std::vector<std::string>& reached) {
    std::string s;
    for (const std::string& r : reached) s += " ~" + r;
    return s;
  }
};
