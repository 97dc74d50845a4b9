#include "platform/store/Attachments.h"

#include <fstream>
#include <iterator>

#include "platform/Error.h"
#include "platform/store/ItemState.h"

namespace platform {

namespace {

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Error("cannot read the attachment file " + path);
  Bytes data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw Error("cannot read the attachment file " + path);
  return data;
}

void WriteFile(const std::string& path, const Bytes& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw Error("cannot write the attachment to " + path);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  out.close();
  if (!out) throw Error("cannot write the attachment to " + path);
}

std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

Attachment::Attachment(std::shared_ptr<detail::ItemState> item, std::shared_ptr<detail::AttachmentData> data)
    : item_(std::move(item)), data_(std::move(data)) {}

std::string Attachment::DisplayName() const { return data_->displayName; }
void Attachment::SetDisplayName(const std::string& v) {
  if (data_->displayName == v) return;
  data_->displayName = v;
  data_->changed = true;
  item_->dirty = true;
}
std::string Attachment::FileName() const { return data_->fileName; }
std::string Attachment::PathName() const { return data_->pathName; }
OlAttachmentType Attachment::Type() const { return data_->type; }
int Attachment::Position() const { return data_->position; }
size_t Attachment::Size() const { return data_->dataLoaded ? data_->data.size() : data_->size; }
const Bytes& Attachment::Data() const { return detail::AttachmentBytes(*data_); }

void Attachment::SaveAsFile(const std::string& path) const {
  WriteFile(path, data_->type == olByReference ? ReadFile(data_->pathName) : detail::AttachmentBytes(*data_));
}

void Attachment::Delete() {
  if (std::erase(item_->attachments, data_)) item_->dirty = true;
}

Attachments::Attachments(std::shared_ptr<detail::ItemState> item) : item_(std::move(item)) {}

int Attachments::Count() const { return static_cast<int>(item_->attachments.size()); }

Attachment Attachments::Item(int index) const {
  if (index < 1 || index > Count())
    throw Error("attachment index " + std::to_string(index) + " out of range 1.." + std::to_string(Count()));
  return Attachment(item_, item_->attachments[static_cast<size_t>(index - 1)]);
}

Attachment Attachments::Add(const std::string& path, OlAttachmentType type, int position,
                            const std::string& displayName) {
  if (type != olByValue && type != olByReference)
    throw Error("attachment type " + std::to_string(static_cast<int>(type)) + " is not supported (" + path + ")");
  auto a = std::make_shared<detail::AttachmentData>();
  a->type = type;
  a->pathName = path;
  a->fileName = BaseName(path);
  a->displayName = displayName.empty() ? a->fileName : displayName;
  a->position = position;
  if (type == olByValue) a->data = ReadFile(path);
  a->size = a->data.size();
  item_->attachments.push_back(a);
  item_->dirty = true;
  return Attachment(item_, a);
}

Attachment Attachments::AddData(const std::string& fileName, const Bytes& data, int position,
                                const std::string& displayName) {
  auto a = std::make_shared<detail::AttachmentData>();
  a->type = olByValue;
  a->fileName = BaseName(fileName);
  a->pathName = fileName;
  a->displayName = displayName.empty() ? a->fileName : displayName;
  a->position = position;
  a->data = data;
  a->size = data.size();
  item_->attachments.push_back(a);
  item_->dirty = true;
  return Attachment(item_, a);
}

void Attachments::Remove(int index) { Item(index).Delete(); }

}  // namespace platform
