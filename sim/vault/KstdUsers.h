// The users of the logged-in vault: Item(name) (or Item(i), one-based),
// Count and iteration.
#pragma once

#include <memory>

#include "platform/automation/Dispatch.h"
#include "sim/vault/ConnectionState.h"

namespace rc::sim::vault {

class KstdUsers : public automation::Dispatch {
 public:
  explicit KstdUsers(std::shared_ptr<ConnectionState> state) : state_(std::move(state)) {}
  static const automation::ClassInfo& info();
  const automation::ClassInfo& typeInfo() const override { return info(); }

 private:
  std::shared_ptr<ConnectionState> state_;
};

}  // namespace rc::sim::vault
