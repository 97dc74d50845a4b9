#pragma once
// Attachments: the files attached to one item. A by-value attachment holds a
// copy of the file's bytes taken when it is added; a by-reference attachment
// holds only the path. Both are saved with the item.
#include <memory>
#include <string>

#include "platform/store/StoreTypes.h"

namespace platform {

namespace detail {
struct ItemState;
struct AttachmentData;
}  // namespace detail

class Attachment {
 public:
  Attachment() = default;  // Nothing
  explicit operator bool() const { return data_ != nullptr; }
  std::string DisplayName() const;
  void SetDisplayName(const std::string& v);
  // The file's name without folder ("report.doc").
  std::string FileName() const;
  // The full path the attachment was added from (by reference: the target).
  std::string PathName() const;
  OlAttachmentType Type() const;
  // The character position in the body; 0 hides the attachment from the
  // displayable count.
  int Position() const;
  // Number of bytes held (0 for by-reference attachments); known without
  // reading them.
  size_t Size() const;
  // The bytes, read from the store at the first call (reading an item does
  // not read its attachments' bytes). Throws platform::Error when the item
  // was removed meanwhile.
  const Bytes& Data() const;
  // Writes the bytes (by value) or a copy of the referenced file (by
  // reference) to `path`; throws platform::Error naming the path on failure.
  void SaveAsFile(const std::string& path) const;
  // Removes the attachment from its item (on the next Save).
  void Delete();

  Attachment(std::shared_ptr<detail::ItemState> item, std::shared_ptr<detail::AttachmentData> data);

 private:
  std::shared_ptr<detail::ItemState> item_;
  std::shared_ptr<detail::AttachmentData> data_;
};

class Attachments {
 public:
  explicit Attachments(std::shared_ptr<detail::ItemState> item);
  int Count() const;
  // REQUIRES: 1 <= index <= Count(); throws platform::Error otherwise.
  Attachment Item(int index) const;
  // Adds the file at `path`. olByValue reads the file now (throws
  // platform::Error naming the path when it cannot be read); olByReference
  // keeps the path. `position` 0 hides it; an empty display name becomes the
  // file name.
  Attachment Add(const std::string& path, OlAttachmentType type = olByValue, int position = 1,
                 const std::string& displayName = "");
  // Adds bytes held in memory under a file name (used by mail transport).
  Attachment AddData(const std::string& fileName, const Bytes& data, int position = 1,
                     const std::string& displayName = "");
  // REQUIRES: 1 <= index <= Count(); throws platform::Error otherwise.
  void Remove(int index);

 private:
  std::shared_ptr<detail::ItemState> item_;
};

}  // namespace platform
