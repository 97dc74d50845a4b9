#pragma once
// CGroupsEnv: what the group model needs from the rest of the add-in, set up
// by the connection class and shared by the live groups and every copy made
// of them: the current user, the settings store and store key the groups
// are kept under, the prompt and language for the few messages the model
// shows, a factory of group-message objects for the operations that send on
// their own, and the folders whose items carry owner prefixes and addresses.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "groups/IGroupMsgSender.h"
#include "platform/Prompt.h"
#include "platform/SettingsStore.h"
#include "platform/store/Folder.h"

class CLang;

struct CGroupsEnv {
  // The current user (kept by the connection class; ChangeMyEmailAddress
  // updates strCurEmail and calls OnCurEmailChanged so that it is stored).
  std::string strCurEmail;
  std::string strCurName;
  std::function<void(const std::string& strNewEmail)> OnCurEmailChanged;

  // Where CGroups::Save/Load keep the groups: "<strStoreKey>\Groups" of the
  // application "Zentabo". Without a store, Save and Load fail (logged).
  platform::SettingsStore* pStore = nullptr;
  std::string strStoreKey;

  // Messages to the user; without a prompt nothing is shown. Texts come from
  // the language (without one, the identifier itself is shown).
  platform::Prompt* pPrompt = nullptr;
  CLang* pLang = nullptr;

  // A new group-message object; empty or returning nullptr: nothing is sent.
  std::function<std::unique_ptr<IGroupMsgSender>()> NewGroupMsg;

  // The folders whose items carry an owner's prefix and address: the user's
  // calendar and the shared folder (either may be Nothing). Their folder
  // event handlers are stopped while the model rewrites items.
  platform::Folder fldCalendar;
  platform::Folder fldZentab;
  // Only counted in detailed debug lines.
  platform::Folder fldDeleted;
  std::function<void()> DoneFolderHandlers;
  std::function<void()> InitFolderHandlers;
  // Lets pending events run between items (the message-loop pause).
  std::function<void()> DoEvents;

  // The localised text of an identifier, with each "%s" replaced by the next
  // argument.
  std::string Text(const std::string& lid, const std::vector<std::string>& args = {}) const;
  // Shows a message box when there is a prompt; otherwise answers with the
  // default button.
  int Message(const std::string& text, const std::string& title, platform::Buttons buttons,
              platform::Icon icon = platform::Icon::None,
              platform::DefaultButton def = platform::DefaultButton::First) const;
  std::string RootSection() const { return strStoreKey + "\\Groups"; }
};
