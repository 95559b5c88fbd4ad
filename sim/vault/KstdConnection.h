// The vault connection ("Keystead.KstdConnection"): Login, Logout, users,
// GetSpecificDocument, and the administration interface "IKstdAdmin"
// reached by QueryInterface.
#pragma once

#include <memory>

#include "platform/automation/Dispatch.h"
#include "sim/vault/ConnectionState.h"

namespace rc::sim::vault {

class KstdConnection : public automation::Dispatch {
 public:
  KstdConnection() : state_(std::make_shared<ConnectionState>()) {}
  static const automation::ClassInfo& info();
  const automation::ClassInfo& typeInfo() const override { return info(); }
  automation::ObjectRef queryInterface(std::string_view interfaceName) override;

 private:
  std::shared_ptr<ConnectionState> state_;
};

}  // namespace rc::sim::vault
