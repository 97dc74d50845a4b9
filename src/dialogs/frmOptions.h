#pragma once
// frmOptions: the options dialog as a view-model. It edits a copy of the
// preference set, one field per stored value (named as the registry names
// it, yes/no and numbers as text), checks the copy against the dialog's
// rules and, on OK, writes the whole set (SaveOptions) and makes it the
// running add-in's. The prompt layer shows it as the form "frmOptions" with
// one field per value.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "lang/CLang.h"
#include "lang/FormModel.h"
#include "options/mOptions.h"
#include "platform/Prompt.h"

class frmOptions : public FormModel {
 public:
  struct Env {
    // Writes the confirmed set; false when it could not be written.
    std::function<bool(mOptions::Options&)> Save;
    // The user's group names, against which the groups new appointments
    // get are checked; not checked when unknown.
    std::optional<std::vector<std::string>> groupNames;
  };

  // The fields in the order the dialog shows them.
  static const std::vector<std::string>& FieldNames();

  // opts: the set the dialog starts from (copied).
  frmOptions(Env env, const mOptions::Options& opts);

  // A field's text ("yes"/"no" for check boxes, decimal numbers); "" for
  // an unknown field.
  std::string Get(const std::string& field) const;
  // Sets a field from its text: check boxes take yes/no/true/false/1/0,
  // units day/week/month or 1/2/3, numbers decimal. False (with the reason
  // in LastError) when the text is no value of that field; nothing changes then.
  bool Set(const std::string& field, const std::string& text);
  const std::string& LastError() const { return m_lastError; }

  // Every rule the copy breaks, one line each; empty when it may be saved.
  std::vector<std::string> Validate() const;

  // OK: a valid copy is saved and the dialog closes (true); otherwise the
  // dialog stays open with the copy as it is (false).
  bool OnOK();
  void OnCancel() { m_bClosed = true; }
  bool Closed() const { return m_bClosed; }
  bool Saved() const { return m_bSaved; }
  const mOptions::Options& Copy() const { return m_opts; }

  // Runs the dialog through `prompt` until it closes, localised first: the
  // form's fields are the values; an answer that breaks a rule shows the
  // reasons and the form again, and the same refused answer twice counts as
  // Cancel (a prompt without a person cannot loop). True when saved.
  bool ShowModal(platform::Prompt& prompt, CLang* lang);

 private:
  Env m_env;
  mOptions::Options m_opts;
  std::string m_lastError;
  bool m_bClosed = false;
  bool m_bSaved = false;
};
