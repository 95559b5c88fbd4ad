// The page setup of a document; printing uses the values in force.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/host/DocumentObject.h"

namespace rc::sim::host {

class PageSetupObject : public DocumentObject {
 public:
  explicit PageSetupObject(std::shared_ptr<Document> doc) : DocumentObject(std::move(doc)) {}
  static const automation::ClassInfo& info();
  const automation::ClassInfo& typeInfo() const override { return info(); }
};

}  // namespace rc::sim::host
