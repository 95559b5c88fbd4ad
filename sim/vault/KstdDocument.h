// One revision of one vault document: Name, Revision, Size, VexlarVersion,
// Save, references and Revisions. Size, VexlarVersion and Save read the
// revision's current record, so they see a replaced content.
#pragma once

#include <memory>

#include "platform/automation/Dispatch.h"
#include "sim/vault/RecordTypes.h"
#include "sim/vault/Vault.h"

namespace rc::sim::vault {

class KstdDocument : public automation::Dispatch {
 public:
  KstdDocument(std::shared_ptr<Vault> vault, RevisionRecord rev) : vault_(std::move(vault)), rev_(std::move(rev)) {}
  static const automation::ClassInfo& info();
  const automation::ClassInfo& typeInfo() const override { return info(); }

 private:
  // The revision's record as the vault holds it now.
  RevisionRecord current() const;

  std::shared_ptr<Vault> vault_;
  RevisionRecord rev_;
};

}  // namespace rc::sim::vault
