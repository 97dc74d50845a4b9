#pragma once
// Recipients: the addressees of a mail or the attendees of a meeting, in the
// order added. Type is olTo/olCC/olBCC for mails and olOrganizer/olRequired/
// olOptional/olResource for meetings (the numbers overlap as in the client).
#include <memory>
#include <string>

#include "platform/store/StoreTypes.h"

namespace platform {

namespace detail {
struct ItemState;
struct RecipientData;
}  // namespace detail

class Recipient {
 public:
  Recipient() = default;  // Nothing
  explicit operator bool() const { return data_ != nullptr; }
  std::string Address() const;
  void SetAddress(const std::string& v);
  // The display name; the address when none was given.
  std::string Name() const;
  void SetName(const std::string& v);
  int Type() const;
  void SetType(int v);
  // Always true: every address is taken as given.
  bool Resolve();
  void Delete();

  Recipient(std::shared_ptr<detail::ItemState> item, std::shared_ptr<detail::RecipientData> data);

 private:
  std::shared_ptr<detail::ItemState> item_;
  std::shared_ptr<detail::RecipientData> data_;
};

class Recipients {
 public:
  explicit Recipients(std::shared_ptr<detail::ItemState> item);
  int Count() const;
  // REQUIRES: 1 <= index <= Count(); throws platform::Error otherwise.
  Recipient Item(int index) const;
  // Adds an addressee of type olTo (olRequired for appointments). `name` ""
  // means the address doubles as the name.
  Recipient Add(const std::string& address, const std::string& name = "", int type = olTo);
  // REQUIRES: 1 <= index <= Count(); throws platform::Error otherwise.
  void Remove(int index);

 private:
  std::shared_ptr<detail::ItemState> item_;
};

}  // namespace platform
