// A C++ harness: copies a part into a results folder, opens the copy in the
// simulated host and runs the edge count check on it through the library's
// automation interface. The baseline lands beside the copy; run it twice to
// see the baseline created, then compared.
//
//   build/bin/example_edge_check PART RESULTS
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "Core/frame/Register.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/Error.h"
#include "platform/automation/Registry.h"
#include "platform/automation/SafeArray.h"
#include "sim/Register.h"

using namespace rc::automation;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: example_edge_check PART RESULTS\n";
    return 2;
  }
  rc::core::registerClasses();
  rc::sim::registerApplications();
  try {
    std::filesystem::path results = std::filesystem::absolute(argv[2]);
    std::filesystem::create_directories(results);
    std::filesystem::path copy = results / std::filesystem::path(argv[1]).filename();
    if (!std::filesystem::exists(copy)) std::filesystem::copy_file(argv[1], copy);
    std::string part = copy.string();
    std::string name = copy.stem().string();

    ObjectRef host = createObject("Vexlar.Application");
    std::vector<Variant> open{Variant(part), Variant(1), Variant(0), Variant(""), Variant(0), Variant(0)};
    if (!call(host, "OpenDoc6", open).toObject()) {
      std::cerr << "cannot open " << part << " (errors " << open[4].toText() << ")\n";
      return 2;
    }
    ObjectRef app = createObject("RavelcrestCore.clsApplication");
    letProperty(app, "InputFile", Variant(part));
    letProperty(app, "NameOnly", Variant(name));
    letProperty(app, "ResultPath", Variant(results.string()));
    letProperty(app, "VXBuild", Variant("example"));
    letProperty(app, "tolerance", Variant("5"));
    int result = call(app, "TestEdgeCount").toLong();
    std::cout << "TestEdgeCount -> " << result << "\n";
    for (const Variant& line : call(host, "SimJournal").asArray().items()) std::cout << "  " << line.toText() << "\n";
    return result == 0 ? 0 : 2;
  } catch (const AutomationError& e) {
    std::cerr << "error " << e.number() << ": " << e.description() << "\n";
    return 2;
  }
}
