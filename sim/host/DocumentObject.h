// The base of the objects that belong to a document (body, face, feature,
// configuration, component, annotation, sheet, view, page setup, ...): the
// document's faults apply to their members too.
#pragma once

#include <memory>
#include <string_view>

#include "sim/host/Document.h"
#include "sim/host/HostObject.h"

namespace rc::sim::host {

class DocumentObject : public HostObject {
 public:
  explicit DocumentObject(std::shared_ptr<Document> doc);
  Document& document() const { return *doc_; }
  const std::shared_ptr<Document>& documentRef() const { return doc_; }

  // Raises the run-time error for an object whose entity the document no
  // longer holds (after an undo, a cut or a configuration change).
  [[noreturn]] static void gone(std::string_view what);

 protected:
  const Document* faultDocument() const override { return doc_.get(); }

 private:
  std::shared_ptr<Document> doc_;
};

}  // namespace rc::sim::host
