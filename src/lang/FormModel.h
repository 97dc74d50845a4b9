#pragma once
// FormModel: the view-model of a dialog form (or user control) as the
// language files see it: the form's own caption and size plus its named
// controls with caption, position, size, tooltip and picture. CLang relabels
// and dumps forms through it; each dialog's view-model derives from it (or
// holds one) and reads the localised texts back from its controls.
#include <string>
#include <vector>

struct FormControl {
  std::string name;  // empty for the form itself
  std::string type;  // "Form", "CommandButton", "Label", "ListBox", ...
  std::string caption;
  std::string toolTipText;
  long left = 0;
  long top = 0;
  long width = 0;
  long height = 0;
  std::string picture;  // full path of the picture file; empty when none
};

class FormModel {
 public:
  // name: the form's name as the language file's form sections use it
  // ("frmLang"); isUserControl marks a user control instead of a form.
  explicit FormModel(std::string name, bool isUserControl = false);
  virtual ~FormModel() = default;

  const std::string& Name() const { return m_name; }
  bool IsUserControl() const { return m_bUserControl; }

  // The form itself (name empty, type "Form" or "UserControl").
  FormControl& Self() { return m_self; }
  const FormControl& Self() const { return m_self; }

  // Adds a control and returns it; the reference stays valid until the next
  // AddControl. REQUIRES: no control of that name yet.
  FormControl& AddControl(const std::string& name, const std::string& type, const std::string& caption = "");

  // The control of that name (compared without regard to case), the form
  // itself for an empty name, nullptr when the form has no such control.
  FormControl* Find(const std::string& name);
  const FormControl* Find(const std::string& name) const;

  // Caption of a control; empty when the form has no such control.
  std::string Caption(const std::string& name) const;

  // The controls in the order they were added (without the form itself).
  const std::vector<FormControl>& Controls() const { return m_controls; }

 private:
  std::string m_name;
  bool m_bUserControl;
  FormControl m_self;
  std::vector<FormControl> m_controls;
};
