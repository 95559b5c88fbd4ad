// A component of an assembly configuration, or the configuration's root
// component, which stands for the assembly itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/host/DocumentObject.h"

namespace rc::sim::host {

class ComponentObject : public DocumentObject {
 public:
  // `index` is nullopt for the root component of configuration `config`.
  ComponentObject(std::shared_ptr<Document> doc, std::size_t config, std::optional<std::size_t> index)
      : DocumentObject(std::move(doc)), config_(config), index_(index) {}
  static const automation::ClassInfo& info();
  const automation::ClassInfo& typeInfo() const override { return info(); }

  // The child components of `doc`'s configuration `config`, as an array.
  static automation::Variant children(const std::shared_ptr<Document>& doc, std::size_t config);

 private:
  // The component; raises when the configuration no longer holds it. Not for the root.
  Component& component() const;
  // The document the component shows (the assembly itself for the root), or nullptr.
  std::shared_ptr<Document> modelDocument() const;

  std::size_t config_;
  std::optional<std::size_t> index_;
};

}  // namespace rc::sim::host
