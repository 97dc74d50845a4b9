#pragma once
// StoreWriteHook: the narrow seam through which every data-changing statement
// of the mail store passes. Production runs without a hook; a test installs a
// wrapper that throws on the Nth statement to prove that a failed Save, Move
// or Delete rolls its whole transaction back.
#include <string_view>

namespace platform {

class StoreWriteHook {
 public:
  virtual ~StoreWriteHook() = default;
  // Called inside the open write transaction right before one data-changing
  // statement runs. Throwing (any exception) aborts the operation: the store
  // rolls the transaction back, leaves the item in memory as it was before
  // the call and rethrows the exception to the caller.
  virtual void BeforeWrite(std::string_view statement) = 0;
};

}  // namespace platform
