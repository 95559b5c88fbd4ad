// A drawing sheet, known by its name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/host/DocumentObject.h"

namespace rc::sim::host {

class SheetObject : public DocumentObject {
 public:
  SheetObject(std::shared_ptr<Document> doc, std::string name) : DocumentObject(std::move(doc)), name_(std::move(name)) {}
  static const automation::ClassInfo& info();
  const automation::ClassInfo& typeInfo() const override { return info(); }

 private:
  std::string name_;
};

}  // namespace rc::sim::host
