#include "sync/mAppointmentContacts.h"

#include <vector>

#include "diagnostics/CDebug.h"
#include "platform/Error.h"
#include "platform/Text.h"
#include "platform/redemption/SafeItems.h"
#include "platform/store/Folder.h"
#include "platform/store/Items.h"
#include "platform/store/Links.h"
#include "platform/store/MailSession.h"
#include "sync/CSyncContext.h"
#include "sync/mAppointments.h"
#include "sync/mSafeXPSP3.h"

namespace mAppointmentContacts {

namespace {

constexpr const char* kCrLf = "\r\n";

platform::MailSession& Session() {
  if (!g_Sync() || !g_Sync()->pSession) throw platform::Error("the add-in is not running");
  return *g_Sync()->pSession;
}

std::string SafeEmail1(const platform::Item& contact) {
  Redemption::SafeContactItem safe;
  safe.Item(contact);
  return safe.Email1Address();
}

// The contacts of the default Contacts folder with exactly that full name
// (compared as the filter compares: without regard to case).
std::vector<platform::Item> ContactsNamed(const std::string& name, const char* logPrefix) {
  platform::Items items = Session().GetDefaultFolder(platform::olFolderContacts).Items();
  std::vector<platform::Item> found;
  // The filter has no escapes: a name holding both kinds of quotes is
  // looked for by reading every contact's name.
  const bool dq = name.find('"') != std::string::npos, sq = name.find('\'') != std::string::npos;
  if (dq && sq) {
    for (const platform::Item& c : items.All())
      if (c.Class() == platform::olContact && platform::EqualsNoCase(c.FullName(), name)) found.push_back(c);
  } else {
    const char q = dq ? '\'' : '"';
    found = items.Restrict(std::string("[FullName] = ") + q + name + q).All();
  }
  g_Debug().Out(std::string(logPrefix) + ", oItems.Count = " + std::to_string(found.size()));
  return found;
}

platform::Item NewContact(const std::string& name) {
  platform::Item contact = Session().GetDefaultFolder(platform::olFolderContacts).Items().Add(platform::olContactItem);
  contact.Set("FullName", name);
  return contact;
}

}  // namespace

std::string GetVirtualEmail(const platform::Item& contact) {
  return mAppointments::GetUserProperty(contact, kVirtualEmail);
}

void SetVirtualEmail(platform::Item& contact, const std::string& address) {
  mAppointments::SetUserProperty(contact, kVirtualEmail, address, false);
}

void OnItemSend(platform::Item& item) {
  try {
    if (!item) {
      g_Debug().OutCustomError("mAppointmentsContacts.OnItemSend()", "Argument is nothing");
      return;
    }
    if (item.Class() != platform::olMeetingRequest) return;
    const std::string body = mSafeXPSP3::GetSafeBody(item);
    const platform::Item appointment = item.GetAssociatedAppointment(false);
    if (!appointment) return;
    const std::string contacts = GetAppointmentContactsStr(appointment);
    if (contacts.empty()) return;
    mSafeXPSP3::SetSafeBody(item, body + kCrLf + kContactsMarker + contacts);
    mAppointments::ItemSave(item);
  } catch (...) {
    g_Debug().OutError("mAppointmentContacts.OnItemSend");
  }
}

void AppointmentContacts_OnNewMail(platform::Item& item) {
  try {
    if (!item || item.Class() != platform::olMeetingRequest) return;
    std::string body = mSafeXPSP3::GetSafeBody(item);
    const size_t marker = body.find(kContactsMarker);
    if (marker == std::string::npos) return;
    size_t lineEnd = body.find(kCrLf, marker);
    if (lineEnd == std::string::npos) lineEnd = body.size();
    const size_t valueStart = marker + std::string(kContactsMarker).size();
    const std::string contacts = platform::Trim(body.substr(valueStart, lineEnd - valueStart));
    // The line goes with the line break that was put before it.
    const size_t cut = marker >= 2 && body.compare(marker - 2, 2, kCrLf) == 0 ? marker - 2 : marker;
    body.erase(cut, lineEnd - cut);
    mSafeXPSP3::SetSafeBody(item, body);
    SetAppointmentContactsStr(item, contacts);
    mAppointments::ItemSave(item);
  } catch (...) {
    g_Debug().OutError("mAppointmentContacts.AppointmentContacts_OnNewMail");
  }
}

std::string GetAppointmentContactsStr(const platform::Item& appointment) {
  try {
    std::string text;
    platform::Links links = appointment.Links();
    for (int i = 1; i <= links.Count(); ++i) {
      try {
        const platform::Item contact = Session().GetItemFromID(links.Item(i).EntryID);
        std::string address = GetVirtualEmail(contact);
        if (address.empty()) address = SafeEmail1(contact);
        text += (text.empty() ? "" : ";") + contact.FullName() + ";" + address;
      } catch (...) {
        g_Debug().OutError("mAppointmentContacts.GetAppointmentContactsStr");
      }
    }
    return text;
  } catch (...) {
    g_Debug().OutError("mAppointmentContacts.GetAppointmentContactsStr");
    return "";
  }
}

void SetAppointmentContactsStr(platform::Item& appointment, const std::string& text) {
  try {
    if (text.empty()) return;
    const std::vector<std::string> parts = platform::Split(text, ";");
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
      const std::string name = platform::Trim(parts[i]);
      const std::string address = platform::Trim(parts[i + 1]);
      if (address.find('/') != std::string::npos)
        AddVirtContactToAppointment(appointment, address, name);
      else
        AddContactToAppointment(appointment, address, name);
    }
  } catch (...) {
    g_Debug().OutError("mAppointmentContacts.SetAppointmentContactsStr");
  }
}

void AddVirtContactToAppointment(platform::Item& appointment, const std::string& address, const std::string& name) {
  try {
    platform::Item contact;
    for (const platform::Item& c : ContactsNamed(name, "AddVirtContactToAppointment")) {
      if (platform::EqualsNoCase(GetVirtualEmail(c), address)) {
        g_Debug().Out("AddContactToAppointment, Found contact with virtual email = " + address);
        contact = c;
        break;
      }
    }
    if (!contact) {
      g_Debug().Out("AddVirtContactToAppointment, create new contact with FullName = strName");
      contact = NewContact(name);
      SetVirtualEmail(contact, address);
      contact.Save();
    }
    appointment.Links().Add(contact);
    g_Debug().Out("AddVirtContactToAppointment, oAppoint.Links.Add oContact");
  } catch (...) {
    g_Debug().OutError("mAppointmentContacts.AddVirtContactToAppointment");
  }
}

void AddContactToAppointment(platform::Item& appointment, const std::string& address, const std::string& name) {
  try {
    platform::Item contact;
    for (const platform::Item& c : ContactsNamed(name, "AddContactToAppointment")) {
      if (platform::EqualsNoCase(SafeEmail1(c), address)) {
        contact = c;
        break;
      }
    }
    if (!contact) {
      contact = NewContact(name);
      Redemption::SafeContactItem safe;
      safe.Item(contact);
      safe.Email1Address(address);
      contact.Save();
    }
    appointment.Links().Add(contact);
  } catch (...) {
    g_Debug().OutError("mAppointmentContacts.AddContactToAppointment");
  }
}

}  // namespace mAppointmentContacts
