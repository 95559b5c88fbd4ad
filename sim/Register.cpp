#include "sim/Register.h"

#include "platform/automation/Registry.h"
#include "sim/converters/Register.h"
#include "sim/host/Application.h"
#include "sim/host/SessionTable.h"
#include "sim/vault/KstdConnection.h"

namespace rc::sim {

void registerApplications() {
  using host::Application;
  namespace sessions = host::sessions;
  // Host: the two application ProgIDs attach to the default session; the
  // simulator's own ProgID starts a separate one.
  automation::registerClass("Vexlar.Application", Application::info(),
                            [] { return sessions::attachOrStart("Vexlar.Application"); });
  automation::registerClass("Orrery2007.Application", Application::info(),
                            [] { return sessions::attachOrStart("Orrery2007.Application"); });
  automation::registerClass("VexlarSim.Session", Application::info(), [] { return sessions::startSeparate(); });
  // Vault: every connection is a new object with its own login.
  automation::registerClass("Keystead.KstdConnection", vault::KstdConnection::info(),
                            [] { return std::make_shared<vault::KstdConnection>(); });
  converters::registerComponents();
}

}  // namespace rc::sim
