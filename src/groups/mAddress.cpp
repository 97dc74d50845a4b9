#include "groups/mAddress.h"

namespace mAddress {

bool isEmailAddress(const std::string& text) {
  const size_t at = text.find('@');
  if (at == std::string::npos || at < 1) return false;
  const size_t dot = text.find('.', at);
  if (dot == std::string::npos || dot <= at + 1) return false;
  return dot + 1 < text.size();
}

}  // namespace mAddress
