// A read-only collection of the vault: Count, one-based Item(i) and
// iteration in order (references of a document, its revisions).
#pragma once

#include <vector>

#include "platform/automation/Dispatch.h"

namespace rc::sim::vault {

class KstdCollection : public automation::Dispatch {
 public:
  explicit KstdCollection(std::vector<automation::Variant> items) : items_(std::move(items)) {}
  static const automation::ClassInfo& info();
  const automation::ClassInfo& typeInfo() const override { return info(); }
  std::optional<std::vector<automation::Variant>> enumerate() override { return items_; }

 private:
  std::vector<automation::Variant> items_;
};

}  // namespace rc::sim::vault
