// One reference of a vault document: the name and revision it points at.
#pragma once

#include <string>

#include "platform/automation/Dispatch.h"
#include "sim/vault/RecordTypes.h"

namespace rc::sim::vault {

class KstdReference : public automation::Dispatch {
 public:
  explicit KstdReference(Reference ref) : ref_(std::move(ref)) {}
  static const automation::ClassInfo& info();
  const automation::ClassInfo& typeInfo() const override { return info(); }

 private:
  Reference ref_;
};

}  // namespace rc::sim::vault
