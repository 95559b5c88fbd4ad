// An annotation of a document or of a drawing view.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/host/DocumentObject.h"

namespace rc::sim::host {

// Whose annotations: the document's own (no sheet) or a sheet view's.
struct AnnotationOwner {
  std::optional<std::string> sheet;
  std::size_t view = 0;
};

class AnnotationObject : public DocumentObject {
 public:
  AnnotationObject(std::shared_ptr<Document> doc, AnnotationOwner owner, std::size_t index)
      : DocumentObject(std::move(doc)), owner_(std::move(owner)), index_(index) {}
  static const automation::ClassInfo& info();
  const automation::ClassInfo& typeInfo() const override { return info(); }

  // The annotation of `owner` at `index`, or Nothing.
  static automation::Variant at(const std::shared_ptr<Document>& doc, const AnnotationOwner& owner, std::size_t index);

 private:
  static const std::vector<Annotation>* list(Document& doc, const AnnotationOwner& owner);

  AnnotationOwner owner_;
  std::size_t index_;
};

}  // namespace rc::sim::host
