// The base of every object of a host session. Before each member call it
// lets the session refuse the call (ended session), count it and raise the
// injected faults, including the `faults` of the document the object
// belongs to.
#pragma once

#include <memory>

#include "platform/automation/Dispatch.h"

namespace rc::sim::host {

class Session;
class Document;

class HostObject : public automation::Dispatch {
 public:
  explicit HostObject(std::shared_ptr<Session> session) : session_(std::move(session)) {}

  Session& session() const { return *session_; }
  const std::shared_ptr<Session>& sessionRef() const { return session_; }

 protected:
  // The document whose faults apply to this object's members, or nullptr.
  virtual const Document* faultDocument() const { return nullptr; }
  void beforeInvoke(const automation::MemberInfo& member) override;

 private:
  std::shared_ptr<Session> session_;
};

}  // namespace rc::sim::host
