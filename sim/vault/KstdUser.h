// A user of the vault: Name and IsAdmin.
#pragma once

#include "platform/automation/Dispatch.h"
#include "sim/vault/RecordTypes.h"

namespace rc::sim::vault {

class KstdUser : public automation::Dispatch {
 public:
  KstdUser(std::string name, bool isAdmin) : name_(std::move(name)), isAdmin_(isAdmin) {}
  static const automation::ClassInfo& info();
  const automation::ClassInfo& typeInfo() const override { return info(); }

 private:
  std::string name_;
  bool isAdmin_;
};

}  // namespace rc::sim::vault
