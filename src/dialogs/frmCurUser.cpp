#include "dialogs/frmCurUser.h"

#include "groups/mAddress.h"
#include "platform/Text.h"

frmCurUser::frmCurUser(Env env, CLang& lang, std::string name, std::string email)
    : FormModel("frmCurUser"), m_env(std::move(env)), m_lang(lang), m_name(std::move(name)), m_email(std::move(email)) {
  Self().caption = kCaption;
  AddControl("lblPrompt", "Label", kPrompt);
  AddControl("lblName", "Label", "&Name :");
  AddControl("txtName", "TextBox");
  AddControl("lblEmail", "Label", "&Email :");
  AddControl("txtEmail", "TextBox");
  AddControl("btnRetrieve", "CommandButton", "Retrieve default Outlook e-mail");
  AddControl("btnOK", "CommandButton", "OK");
  AddControl("btnCancel", "CommandButton", "Cancel");
  AddControl("btnHelp", "CommandButton", "&Help");
}

void frmCurUser::SetName(const std::string& v) {
  m_name = v;
  m_bOKEnabled = true;
}

void frmCurUser::SetEmail(const std::string& v) {
  m_email = v;
  m_bOKEnabled = true;
  m_bEmailSelected = false;
}

void frmCurUser::RetrieveDefault() {
  std::string name, address;
  if (m_env.GetCurUser) m_env.GetCurUser(name, address);
  address = platform::Lower(platform::Trim(address));
  SetName(platform::Trim(name));
  SetEmail(mAddress::isEmailAddress(address) ? address : "");
}

void frmCurUser::OnOK() {
  std::string name = platform::Trim(m_name);
  std::string address = platform::Lower(platform::Trim(m_email));
  if (mAddress::isEmailAddress(address)) {
    if (m_env.Store) m_env.Store(name, address);
    m_name = name;
    m_email = address;
    m_bStored = true;
    m_bClosed = true;
  } else {
    m_bEmailSelected = true;
    if (m_env.ShowEnterCorrectEmail) m_env.ShowEnterCorrectEmail();
  }
}

bool frmCurUser::ShowModal(platform::Prompt& prompt) {
  m_lang.LocalizeForm(*this);
  std::string refused;
  bool first = true;
  while (!m_bClosed) {
    platform::FormRequest form;
    form.name = "frmCurUser";
    form.buttons = platform::Buttons::OKCancel;
    form.Set("Title", Self().caption);
    form.Set("Prompt", Caption("lblPrompt"));
    form.Set("Name", m_name);
    form.Set("Email", m_email);
    int answer = prompt.ShowForm(form);
    if (answer != platform::IDOK) {
      OnCancel();
      break;
    }
    SetName(form.Get("Name"));
    SetEmail(form.Get("Email"));
    std::string typed = platform::Lower(platform::Trim(m_email));
    if (!first && typed == refused) {
      OnCancel();
      break;
    }
    first = false;
    OnOK();
    if (!m_bClosed) refused = typed;
  }
  return m_bStored;
}
