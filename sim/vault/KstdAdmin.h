// The administration interface of a connection ("IKstdAdmin"):
// RegisterAdminUser, ReleaseAdminUser and ReplaceDocument.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/automation/Dispatch.h"
#include "sim/vault/ConnectionState.h"

namespace rc::sim::vault {

// The statuses of ReplaceDocument.
enum ReplaceStatus : std::int32_t {
  kReplaced = 0,
  kNoSuchDocument = 1,   // no such document or revision
  kNoAdministrator = 2,  // no administrator registered
  kLocalFileUnreadable = 3,
  kStorageFailure = 4,
};

class KstdAdmin : public automation::Dispatch {
 public:
  KstdAdmin(std::shared_ptr<ConnectionState> state, automation::ObjectRef connection)
      : state_(std::move(state)), connection_(std::move(connection)) {}
  static const automation::ClassInfo& info();
  const automation::ClassInfo& typeInfo() const override { return info(); }
  automation::ObjectRef queryInterface(std::string_view interfaceName) override;

 private:
  std::shared_ptr<ConnectionState> state_;
  automation::ObjectRef connection_;
};

}  // namespace rc::sim::vault
