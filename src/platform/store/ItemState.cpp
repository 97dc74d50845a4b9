#include "platform/store/ItemState.h"

#include "platform/Error.h"

namespace platform::detail {

const Bytes& AttachmentBytes(AttachmentData& a) {
  if (!a.dataLoaded) {
    a.data = a.loadData();
    a.dataLoaded = true;
    a.loadData = nullptr;
  }
  return a.data;
}

std::vector<std::shared_ptr<UserPropData>> CopyParts(const std::vector<std::shared_ptr<UserPropData>>& props) {
  std::vector<std::shared_ptr<UserPropData>> out;
  for (const auto& p : props) out.push_back(std::make_shared<UserPropData>(*p));
  return out;
}

std::vector<std::shared_ptr<AttachmentData>> CopyParts(const std::vector<std::shared_ptr<AttachmentData>>& atts) {
  std::vector<std::shared_ptr<AttachmentData>> out;
  for (const auto& a : atts) {
    auto c = std::make_shared<AttachmentData>(*a);
    c->ord = 0;
    c->changed = true;
    out.push_back(std::move(c));
  }
  return out;
}

}  // namespace platform::detail
