// The application object of a host session: documents, journal, file
// dependencies, and the simulator controls (members named Sim...).
#pragma once

#include <memory>

#include "sim/host/HostObject.h"

namespace rc::sim::host {

class Application : public HostObject {
 public:
  explicit Application(std::shared_ptr<Session> session) : HostObject(std::move(session)) {}
  static const automation::ClassInfo& info();
  const automation::ClassInfo& typeInfo() const override { return info(); }
};

}  // namespace rc::sim::host
