#include "lang/FormModel.h"
#include "platform/Text.h"

#include <strings.h>

FormModel::FormModel(std::string name, bool isUserControl)
    : m_name(std::move(name)), m_bUserControl(isUserControl) {
  m_self.type = isUserControl ? "UserControl" : "Form";
}

FormControl& FormModel::AddControl(const std::string& name, const std::string& type, const std::string& caption) {
  FormControl c;
  c.name = name;
  c.type = type;
  c.caption = caption;
  m_controls.push_back(std::move(c));
  return m_controls.back();
}

FormControl* FormModel::Find(const std::string& name) {
  if (name.empty()) return &m_self;
  for (FormControl& c : m_controls)
    if (platform::EqualsNoCase(c.name, name)) return &c;
  return nullptr;
}

const FormControl* FormModel::Find(const std::string& name) const {
  return const_cast<FormModel*>(this)->Find(name);
}

std::string FormModel::Caption(const std::string& name) const {
  const FormControl* c = Find(name);
  return c ? c->caption : std::string();
}
