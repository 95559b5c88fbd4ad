// The document extension: printing into the session's spool.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/host/DocumentObject.h"

namespace rc::sim::host {

class ExtensionObject : public DocumentObject {
 public:
  explicit ExtensionObject(std::shared_ptr<Document> doc) : DocumentObject(std::move(doc)) {}
  static const automation::ClassInfo& info();
  const automation::ClassInfo& typeInfo() const override { return info(); }
};

}  // namespace rc::sim::host
