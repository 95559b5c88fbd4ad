#include "tools/check/CheckCatalog.h"

#include <tuple>

#include "Core/checks/MassPropertiesCheck.h"
#include "Core/interfaces/HostConstants.h"
#include "platform/automation/Error.h"
#include "platform/automation/Registry.h"
#include "platform/automation/Trap.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "platform/os/System.h"
#include "tools/check/ChangeNotes.h"
#include "tools/check/CheckRunner.h"
#include "tools/check/ImageChecks.h"

namespace rc::tools {

namespace au = rc::automation;
using au::Variant;

std::string propertiesFileOf(const CheckEnv& env) {
  return platform::joinPath(env.folder, env.nameOnly + ".properties");
}

bool isBaselineFile(std::string_view path) {
  return path.ends_with(".properties") || path.ends_with(".massproperties");
}

std::string baselineValueOf(const CheckEnv& env, const std::string& key) {
  std::string file = propertiesFileOf(env);
  if (key.empty() || !platform::fileExists(file)) return "";
  au::ObjectRef store = au::createObject("RavelcrestCore.clsPropertyManager");
  std::string value = au::call(store, "GetProperty", {Variant(key), Variant(file)}).toText();
  if (std::size_t build = value.find("      Build:"); build != std::string::npos) value.resize(build);
  while (!value.empty() && value.back() == ' ') value.pop_back();
  return value == "-1" ? "" : value;
}

std::string hostConstantsProblem(const std::string& hostFolder) {
  constexpr std::string_view kConstants = "samples/appComm/vxconst.bas";
  std::string path = platform::joinPath(hostFolder, kConstants);
  if (!platform::fileExists(path)) path = platform::joinPath(core::hostFolderGrandparent(hostFolder), kConstants);
  std::string shown = hostFolder.empty() ? "(no host folder)" : hostFolder;
  if (hostFolder.empty() || !platform::fileExists(path))
    return "the host's constants file " + std::string(kConstants) + " is not found under " + shown;
  try {
    platform::readFile(path);
  } catch (const au::AutomationError& e) {
    return "the host's constants file " + path + " cannot be read: " + e.description();
  }
  return "";
}

std::string defaultHostFolder() {
  std::string exe = platform::executablePath();
  if (exe.empty()) return "";
  std::string folder = std::string(platform::folderOf(std::string(platform::folderOf(exe)))) + "/share/ravelcrest/host";
  return hostConstantsProblem(folder).empty() ? folder : "";
}

namespace {

std::vector<Variant> noArguments(const CheckEnv&) { return {}; }

std::vector<std::string> propertiesOnly(const CheckEnv& env) { return {propertiesFileOf(env)}; }

std::string massBaselineOf(const CheckEnv& env) {
  return platform::joinPath(env.folder, env.nameOnly + ".massproperties");
}

CheckEntry measurement(std::string member, std::vector<int> types, std::string key, std::string measures) {
  CheckEntry e;
  e.name = member;
  e.measures = std::move(measures);
  e.member = std::move(member);
  e.types = std::move(types);
  e.baselineKey = std::move(key);
  e.arguments = noArguments;
  e.baselineFiles = propertiesOnly;
  return e;
}

// A check that reports into the journal or writes data files.
CheckEntry dataCheck(std::string member, std::vector<int> types, std::string measures,
                     std::function<std::vector<Variant>(const CheckEnv&)> arguments,
                     std::vector<std::string> dataFiles = {}) {
  CheckEntry e;
  e.measures = std::move(measures);
  e.dataFiles = std::move(dataFiles);
  e.name = member;
  e.member = std::move(member);
  e.types = std::move(types);
  e.arguments = std::move(arguments);
  return e;
}

std::vector<CheckEntry> buildCatalog() {
  std::vector<CheckEntry> c;
  CheckEntry edges = measurement("TestEdgeCount", {kPart}, "EdgeCount", "edges of the part's body");
  c.push_back(edges);
  c.push_back(
      measurement("TestTessTriangleCount", {kPart}, "TessTriangleCount", "display triangles of the part's body"));

  CheckEntry size = measurement("TestFileSize", {kPart, kAssembly, kDrawing}, "FileSize", "size of the file in bytes");
  size.arguments = [](const CheckEnv& env) { return std::vector<Variant>{Variant(env.document)}; };
  c.push_back(size);

  CheckEntry mass =
      measurement("TestMassProp", {kPart, kAssembly}, "", "mass properties of the active configuration");
  mass.prepare = [](const CheckEnv& env) { au::letProperty(env.app, "BLFile", Variant(massBaselineOf(env))); };
  mass.arguments = [](const CheckEnv&) { return std::vector<Variant>{Variant(false)}; };
  mass.baselineFiles = [](const CheckEnv& env) { return std::vector<std::string>{massBaselineOf(env)}; };
  mass.writeCandidate = [](const CheckEnv&, const std::string& file, const std::string& build) {
    core::WriteMassBaseline(file, build);
  };
  mass.baselineFileName = [](const CheckEnv& env) { return env.nameOnly + ".massproperties"; };
  mass.describe = [](const CheckEnv& env, const std::vector<std::string>& journal, CheckRow& row) {
    std::string configuration;
    au::trapped([&] {
      au::ObjectRef doc = au::call(env.host, "ActiveDoc").toObject();
      configuration = au::call(au::callObject(doc, "GetActiveConfiguration"), "Name").toText();
    }, [](const au::AutomationError&) {});
    describeMassChange(massQuantities(journal), configuration, row);
  };
  c.push_back(mass);

  CheckEntry version = measurement("TestFileVersion", {kPart, kAssembly, kDrawing}, "FileVersion",
                                   "file version the document was last saved with");
  version.arguments = [](const CheckEnv&) {
    return std::vector<Variant>{Variant::integer(1), Variant::integer(1)};  // compare, and list the history
  };
  version.geometryNeeds = {"fileVersion", "versionHistory"};
  c.push_back(version);

  CheckEntry perf = measurement("TestPerformance", {kPart, kAssembly, kDrawing}, "Open",
                                "seconds the host took to open the document");
  perf.name = "TestPerformance(Exp_Open)";
  perf.kind = ResultKind::Time;
  perf.prepare = [](const CheckEnv& env) { au::letProperty(env.app, "InpPath", Variant(env.perfFolder)); };
  perf.arguments = [](const CheckEnv&) {
    return std::vector<Variant>{Variant("Exp_Open"), Variant::integer(1), Variant::integer(0)};
  };
  c.push_back(perf);

  auto inDataFolder = [](const CheckEnv& env) { return std::vector<Variant>{Variant(env.dataFolder)}; };
  c.push_back(dataCheck(
      "FailFeatureInSheets", {kDrawing}, "each sheet's features and their errors (data files)",
      [](const CheckEnv& env) {
        return std::vector<Variant>{Variant(env.dataFolder), Variant(platform::joinPath(env.dataFolder, ""))};
      },
      {"RavelcrestDrawing.dat", "RavelcrestDrawingSheetCount.dat"}));
  c.push_back(dataCheck("ActivateSheets", {kDrawing}, "every sheet can be activated", noArguments));
  c.push_back(dataCheck("ActivateConfigs", {kPart, kAssembly}, "every configuration can be activated", noArguments));
  c.push_back(dataCheck("MassPropInCfgs", {kPart, kAssembly}, "mass properties of every configuration (data file)",
                        inDataFolder, {"MassPropertyInCinfigs.dat"}));
  CheckEntry failedFeatures = dataCheck("FailedFeatInCongs", {kPart, kAssembly},
                                        "each configuration's features and their errors (data files)", inDataFolder,
                                        {"RavelcrestPartAssembly.dat", "RavelcrestPartAssemblyConfigCount.dat"});
  failedFeatures.geometryNeeds = {"features"};
  c.push_back(failedFeatures);
  CheckEntry features =
      dataCheck("Features", {kPart, kAssembly, kDrawing}, "the feature tree, listed in the journal", noArguments);
  features.geometryNeeds = {"features"};
  // Without the host's constants the library lists no annotation and only
  // says so in the trace log: the row says so instead of agreeing.
  features.describe = [](const CheckEnv& env, const std::vector<std::string>&, CheckRow&) {
    if (std::string problem = hostConstantsProblem(env.hostFolder); !problem.empty())
      throw std::runtime_error(problem + ": the annotations are not listed (give --host-folder)");
  };
  c.push_back(features);
  c.push_back(dataCheck("ComponentCount", {kAssembly}, "components of the assembly", noArguments));
  CheckEntry references = dataCheck("References", {kPart, kAssembly, kDrawing},
                                    "every document it references exists", noArguments);
  references.member.clear();
  references.kind = ResultKind::References;
  c.push_back(references);
  for (auto [name, type, measures] : {std::tuple{"Components", kAssembly, "top-level components: file, suppression, hidden"},
                                      std::tuple{"Views", kDrawing, "each sheet's views: position, outline, scale, annotations"}}) {
    CheckEntry structure = dataCheck(name, {type}, measures, noArguments);
    structure.member.clear();
    structure.kind = ResultKind::Structure;
    c.push_back(structure);
  }
  // The view before anything changes it.
  c.push_back(viewImageCheck());
  c.push_back(sheetImagesCheck());
  // Operations that change the open document in memory come last.
  c.push_back(dataCheck("TestFlexible", {kAssembly}, "components can be made flexible", noArguments));
  c.push_back(dataCheck("TestAssemInterference", {kAssembly}, "interference between components", noArguments));
  c.push_back(dataCheck("ViewCutPaste", {kDrawing}, "views survive cut, paste and undo", noArguments));
  c.push_back(dataCheck("InsertBOM", {kDrawing}, "every view can be selected for a bill of materials", noArguments));
  c.push_back(dataCheck("CreateSectionView", {kDrawing}, "a section view of every view", noArguments));
  return c;
}

}  // namespace

const std::vector<CheckEntry>& checkCatalog() {
  static const std::vector<CheckEntry> catalog = buildCatalog();
  return catalog;
}

}  // namespace rc::tools
