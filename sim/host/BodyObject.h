// The body of a part configuration: its faces, walked with GetFirstFace.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/host/DocumentObject.h"

namespace rc::sim::host {

class BodyObject : public DocumentObject {
 public:
  BodyObject(std::shared_ptr<Document> doc, std::size_t config) : DocumentObject(std::move(doc)), config_(config) {}
  static const automation::ClassInfo& info();
  const automation::ClassInfo& typeInfo() const override { return info(); }

 private:
  std::size_t config_;
};

}  // namespace rc::sim::host
