// A configuration of a part or an assembly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/host/DocumentObject.h"

namespace rc::sim::host {

class ConfigurationObject : public DocumentObject {
 public:
  ConfigurationObject(std::shared_ptr<Document> doc, std::size_t index) : DocumentObject(std::move(doc)), index_(index) {}
  static const automation::ClassInfo& info();
  const automation::ClassInfo& typeInfo() const override { return info(); }

 private:
  std::size_t index_;
};

}  // namespace rc::sim::host
