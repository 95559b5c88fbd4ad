// Registers the simulated outside applications (host, vault, converters)
// with the class registry, as installing them would.
#pragma once

namespace rc::sim {

// Registers every simulated application's ProgIDs. Idempotent.
void registerApplications();

}  // namespace rc::sim
