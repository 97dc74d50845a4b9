#pragma once
// frmCurUser: the dialog that asks for the current user's name and e-mail
// address when the profile does not give a valid one. A view-model: the two
// boxes' texts, the OK button's state and the logic of the buttons; the
// host's prompt layer shows it as the form "frmCurUser" with the localised
// caption and prompt in the fields "Title" and "Prompt" and the boxes in the
// fields "Name" and "Email".
#include <functional>
#include <string>

#include "lang/CLang.h"
#include "lang/FormModel.h"
#include "platform/Prompt.h"

class frmCurUser : public FormModel {
 public:
  // What the dialog reads and writes outside itself.
  struct Env {
    // The profile's user (GetCurUser): name and address, "" when none.
    std::function<void(std::string& name, std::string& address)> GetCurUser;
    // Stores a valid name and address (CurUserName, CurUserAddress).
    std::function<void(const std::string& name, const std::string& address)> Store;
    // Shows LID_ENTER_CORRECT_EMAIL.
    std::function<void()> ShowEnterCorrectEmail;
  };

  // The language relabels the form when it is shown; it must outlive the dialog.
  frmCurUser(Env env, CLang& lang, std::string name, std::string email);

  static constexpr const char* kCaption = "Your name and e-mail";
  static constexpr const char* kPrompt = "Please enter your name and e-mail address:";

  const std::string& txtName() const { return m_name; }
  const std::string& txtEmail() const { return m_email; }
  bool OKEnabled() const { return m_bOKEnabled; }
  bool EmailSelected() const { return m_bEmailSelected; }
  bool Closed() const { return m_bClosed; }
  bool Stored() const { return m_bStored; }

  void SetName(const std::string& v);
  void SetEmail(const std::string& v);
  void RetrieveDefault();
  // OK: a valid address is stored and the dialog closes; an invalid one is
  // selected and LID_ENTER_CORRECT_EMAIL shown (the dialog stays open).
  void OnOK();
  void OnCancel() { m_bClosed = true; }

  // Runs the dialog modally through `prompt` until it closes, localised
  // first. An answer that
  // repeats an address already refused counts as Cancel, so that a prompt
  // without a person cannot loop. Returns true when a valid address was stored.
  bool ShowModal(platform::Prompt& prompt);

 private:
  Env m_env;
  CLang& m_lang;
  std::string m_name;
  std::string m_email;
  bool m_bOKEnabled = true;
  bool m_bEmailSelected = false;
  bool m_bClosed = false;
  bool m_bStored = false;
};
