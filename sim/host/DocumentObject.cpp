#include "sim/host/DocumentObject.h"

#include "platform/automation/Error.h"

namespace rc::sim::host {

DocumentObject::DocumentObject(std::shared_ptr<Document> doc) : HostObject(doc->sessionRef()), doc_(std::move(doc)) {}

void DocumentObject::gone(std::string_view what) {
  automation::raise(automation::err::ApplicationDefined, "The " + std::string(what) + " no longer exists", "");
}

}  // namespace rc::sim::host
