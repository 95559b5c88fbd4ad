// A view of a drawing sheet; the first view of a sheet is the sheet itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/host/DocumentObject.h"

namespace rc::sim::host {

class ViewObject : public DocumentObject {
 public:
  ViewObject(std::shared_ptr<Document> doc, std::string sheet, std::size_t index)
      : DocumentObject(std::move(doc)), sheet_(std::move(sheet)), index_(index) {}
  static const automation::ClassInfo& info();
  const automation::ClassInfo& typeInfo() const override { return info(); }

  // The view; raises when the sheet no longer holds it.
  const DrawingView& view() const;

 private:
  std::string sheet_;
  std::size_t index_;
};

}  // namespace rc::sim::host
