// A face of a body: edge and triangle counts, selection, the next face.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/host/DocumentObject.h"

namespace rc::sim::host {

class FaceObject : public DocumentObject {
 public:
  FaceObject(std::shared_ptr<Document> doc, std::size_t config, std::size_t index)
      : DocumentObject(std::move(doc)), config_(config), index_(index) {}
  static const automation::ClassInfo& info();
  const automation::ClassInfo& typeInfo() const override { return info(); }

  // The face; raises when the body no longer has it.
  const Face& face() const;

 private:
  std::size_t config_;
  std::size_t index_;
};

}  // namespace rc::sim::host
