// The document's active view window (its frame state).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/host/DocumentObject.h"

namespace rc::sim::host {

class ModelViewObject : public DocumentObject {
 public:
  explicit ModelViewObject(std::shared_ptr<Document> doc) : DocumentObject(std::move(doc)) {}
  static const automation::ClassInfo& info();
  const automation::ClassInfo& typeInfo() const override { return info(); }
};

}  // namespace rc::sim::host
