// The configuration checks (modConfigurations): walking every configuration of the active part
// or assembly, with journal marks or data files of edge counts, mass
// properties and failed features for the harness.
#pragma once

#include <cstdint>
#include <string>

#include "Core/frame/SessionContext.h"

namespace rc::core {

// Shows every configuration once and ends on the starting one, with the
// journal lines "'*** Default Configuration: <name>" and "'*** Last
// Configuration": 0; 1 after an error ("ActivateConfigs - Failed").
std::int16_t ActivateConfigs(const SessionContext& session);

// Writes "MassPropertyInCinfigs.dat" in folder `massPropPathName`: per
// configuration its name (with the edge count for a part) and its 12 mass
// properties. `massPropPathName` becomes the file's path. 0; 1 after an error.
std::int16_t MassPropInCfgs(const SessionContext& session, std::string& massPropPathName);

// Writes "RavelcrestPartAssemblyConfigCount.dat" and "RavelcrestPartAssembly.dat"
// in folder `featureFilePathName`: per configuration its feature count,
// failed features, edge count and mass properties. `featureFilePathName`
// becomes the report's path. 0; 1 after an error.
std::int16_t FailedFeatInCongs(const SessionContext& session, std::string& featureFilePathName);

}  // namespace rc::core
