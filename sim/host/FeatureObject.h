// A feature of a feature tree (a configuration's or a drawing sheet's), or one
// of its sub-features.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/host/DocumentObject.h"

namespace rc::sim::host {

// Where a feature list lives: a drawing sheet (by name) or a configuration.
struct FeatureScope {
  std::optional<std::string> sheet;
  std::size_t config = 0;
};

class FeatureObject : public DocumentObject {
 public:
  // `sub` is the sub-feature index, or nullopt for a feature of the tree.
  FeatureObject(std::shared_ptr<Document> doc, FeatureScope scope, std::size_t index, std::optional<std::size_t> sub = {})
      : DocumentObject(std::move(doc)), scope_(std::move(scope)), index_(index), sub_(sub) {}
  static const automation::ClassInfo& info();
  const automation::ClassInfo& typeInfo() const override { return info(); }

  // The feature list of `scope` in `doc`, or nullptr.
  static std::vector<Feature>* list(Document& doc, const FeatureScope& scope);
  // The feature; raises when the document no longer holds it.
  const Feature& feature() const;

 private:
  automation::ObjectRef at(std::size_t index, std::optional<std::size_t> sub) const;

  FeatureScope scope_;
  std::size_t index_;
  std::optional<std::size_t> sub_;
};

}  // namespace rc::sim::host
