// ActivateConfigs, MassPropInCfgs and FailedFeatInCongs on parts and
// assemblies of the simulated host.
#include <string>

#include "tests/Core/checks/SimHostFixture.h"

namespace rc::testing {
namespace {

// Configuration A (active): a body of three faces (6 edges), mass status 0
// and a failed feature; B: no body; C: mass status 1.
const char* kPart = R"({
  "activeConfiguration": "A",
  "configurations": [
    { "name": "A", "body": { "faces": [ {"edges": 4}, {"edges": 4}, {"edges": 4} ] },
      "massProperties": [0.5, 0, -1, 2, 6, 7.8, 1, 1, 1, 0, 0, 0.25],
      "features": [ {"name": "Ex1", "type": "Extrusion", "error": 0},
                    {"name": "Fil1", "type": "Fillet", "error": 7} ] },
    { "name": "B", "body": null, "massProperties": [1,1,1,1,1,1,1,1,1,1,1,1] },
    { "name": "C", "body": { "faces": [ {"edges": 2} ] }, "massStatus": 1 } ] })";

// Two configurations: Full with components, Empty with none.
const char* kAssembly = R"({
  "configurations": [
    { "name": "Full", "massProperties": [1,2,3,4,5,6,7,8,9,10,11,12],
      "components": [ {"name": "bolt-1", "file": "bolt.vxlprt"} ] },
    { "name": "Empty", "massProperties": [1,2,3,4,5,6,7,8,9,10,11,12] } ] })";

std::vector<std::string> zeros() { return std::vector<std::string>(12, " 0 "); }

std::vector<std::string> join(std::vector<std::vector<std::string>> parts) {
  std::vector<std::string> out;
  for (auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

using ConfigurationChecksTest = SimHostTest;

TEST_F(ConfigurationChecksTest, ActivateConfigsShowsTheOthersThenTheActiveOne) {
  open("shaft.vxlprt", kPart, 1);
  useMissingSession();  // an unknown session falls back to the default host
  EXPECT_EQ(check("ActivateConfigs").asInteger(), 0);
  EXPECT_EQ(operations(), (std::vector<std::string>{"ShowConfiguration(\"B\")", "ShowConfiguration(\"C\")",
                                                    "ShowConfiguration(\"A\")"}));
  EXPECT_EQ(journal(), (std::vector<std::string>{"'*** Default Configuration: A", "'*** Last Configuration"}));
  EXPECT_EQ(trace(), "\"ActivateConfigs - Enter\"\r\n\"ActivateConfigs - Exit\"\r\n");
}

TEST_F(ConfigurationChecksTest, ActivateConfigsFailureStillExits) {
  open("shaft.vxlprt", kPart, 1);
  au::call(host, "SimFail", {au::Variant("GetConfigurationNames"), au::Variant("x"), au::Variant(1)});
  EXPECT_EQ(check("ActivateConfigs").asInteger(), 1);
  EXPECT_EQ(journal(), std::vector<std::string>{"'*** Default Configuration: A"});
  EXPECT_EQ(trace(), "\"ActivateConfigs - Enter\"\r\n\"ActivateConfigs - Failed\"\r\n\"ActivateConfigs - Exit\"\r\n");
}

TEST_F(ConfigurationChecksTest, MassPropInCfgsWritesNamesEdgesAndValues) {
  open("bolt.vxlprt", "{}", 1);
  open("top.vxlasm", kAssembly, 2);
  std::vector<au::Variant> args{au::Variant(folder())};
  EXPECT_EQ(au::call(app, "MassPropInCfgs", args).asInteger(), 0);
  EXPECT_EQ(args[0].toText(), path("MassPropertyInCinfigs.dat"));
  std::vector<std::string> values{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"};
  EXPECT_EQ(read("MassPropertyInCinfigs.dat"), crlf(join({{"Full"}, values, {"Empty"}, values})));

  // A part: the edge count after the name; C answers no list, which fails.
  open("shaft.vxlprt", kPart, 1);
  args = {au::Variant(folder())};
  EXPECT_EQ(au::call(app, "MassPropInCfgs", args).asInteger(), 1);
  EXPECT_EQ(args[0].toText(), path("MassPropertyInCinfigs.dat"));
  EXPECT_EQ(read("MassPropertyInCinfigs.dat"),
            crlf(join({{"A 6 ", "0.5", "0", "-1", "2", "6", "7.8", "1", "1", "1", "0", "0", "0.25"},
                       {"B 0 ", "1", "1", "1", "1", "1", "1", "1", "1", "1", "1", "1", "1"},
                       {"C 1 "}})));
  EXPECT_NE(trace().find("\"Getting Mass Prop In Configs - Failed\"\r\n\"Getting Mass Prop In Configs - Exit\"\r\n"),
            std::string::npos);
}

TEST_F(ConfigurationChecksTest, FailedFeatInCongsOnAPart) {
  open("shaft.vxlprt", kPart, 1);
  std::vector<au::Variant> args{au::Variant(folder())};
  EXPECT_EQ(au::call(app, "FailedFeatInCongs", args).asInteger(), 0);
  EXPECT_EQ(args[0].toText(), path("RavelcrestPartAssembly.dat"));
  EXPECT_EQ(read("RavelcrestPartAssemblyConfigCount.dat"), " 3 \r\n");
  std::vector<std::string> massA{" 0.5 ", " 0 ", "-1 ", " 2 ", " 6 ", " 7.8 ", " 1 ", " 1 ", " 1 ", " 0 ", " 0 ", " 0.25 "};
  EXPECT_EQ(read("RavelcrestPartAssembly.dat"), crlf(join({{"A", " 2 ", "*Fil1;*", " 6 "}, massA,
                                                           {"B", " 0 ", "**", " 0 "}, zeros(),
                                                           {"C", " 0 ", "**", " 1 "}, zeros()})));
  EXPECT_EQ(operations().back(), "ShowConfiguration(\"A\")");
  EXPECT_EQ(trace(), "\"Getting Failed Features - Enter\"\r\n");
}

TEST_F(ConfigurationChecksTest, FailedFeatInCongsOnAnAssemblyAndAfterFailures) {
  open("bolt.vxlprt", "{}", 1);
  open("top.vxlasm", kAssembly, 2);
  std::vector<au::Variant> args{au::Variant(folder())};
  EXPECT_EQ(au::call(app, "FailedFeatInCongs", args).asInteger(), 0);
  EXPECT_EQ(read("RavelcrestPartAssemblyConfigCount.dat"), " 2 \r\n");
  std::vector<std::string> mass{" 1 ", " 2 ", " 3 ", " 4 ", " 5 ", " 6 ", " 7 ", " 8 ", " 9 ", " 10 ", " 11 ", " 12 "};
  EXPECT_EQ(read("RavelcrestPartAssembly.dat"),
            crlf(join({{"Full", " 0 ", "**", "-1 "}, mass, {"Empty", " 0 ", "**", "-1 "}, zeros()})));

  // An unknown session is a failure here, with no further trace line; the
  // path is not rewritten because the lookup comes first.
  useMissingSession();
  args = {au::Variant(folder())};
  EXPECT_EQ(au::call(app, "FailedFeatInCongs", args).asInteger(), 1);
  EXPECT_EQ(args[0].toText(), folder());
  args = {au::Variant(folder())};
  EXPECT_EQ(au::call(app, "MassPropInCfgs", args).asInteger(), 1);
  EXPECT_EQ(trace(), "\"Getting Failed Features - Enter\"\r\n\"Getting Failed Features - Enter\"\r\n"
                     "\"Getting Mass Prop In Configs - Enter\"\r\n\"Getting Mass Prop In Configs - Failed\"\r\n"
                     "\"Getting Mass Prop In Configs - Exit\"\r\n");
}

TEST_F(ConfigurationChecksTest, NoActiveDocumentOrConfigurationFailsEveryWalk) {
  for (int withDrawing = 0; withDrawing < 2; ++withDrawing) {
    if (withDrawing) open("plan.vxldrw", "{}", 3);  // a drawing has no active configuration
    std::vector<au::Variant> args{au::Variant(folder())};
    EXPECT_EQ(check("ActivateConfigs").asInteger(), 1);
    EXPECT_EQ(au::call(app, "MassPropInCfgs", args).asInteger(), 1);
    EXPECT_EQ(au::call(app, "FailedFeatInCongs", args).asInteger(), 1);
  }
  EXPECT_TRUE(journal().empty());
}

TEST_F(ConfigurationChecksTest, FeatureCountBeyondTheCounterFailsAfterTheCountLine) {
  std::string features;
  for (int i = 0; i < 32769; ++i) features += std::string(i ? "," : "") + "{\"name\":\"F\",\"error\":1}";
  open("many.vxlprt", R"({"configurations":[{"name":"Default","features":[)" + features + "]}]}", 1);
  std::vector<au::Variant> args{au::Variant(folder())};
  EXPECT_EQ(au::call(app, "FailedFeatInCongs", args).asInteger(), 1);
  EXPECT_EQ(read("RavelcrestPartAssembly.dat"), crlf({"Default", " 32769 "}));
}

TEST_F(ConfigurationChecksTest, FeatureCountAtTheCounterLimitIsWalkedWhole) {
  // 32768 features: the 16-bit counter runs from 0 to 32767, the last value
  // it holds, so the walk covers them all; one more fails (above).
  std::string features = R"({"name":"First","error":1})";
  for (int i = 1; i < 32768; ++i) features += R"(,{"name":"F"})";
  open("full.vxlprt", R"({"configurations":[{"name":"Default","features":[)" + features + "]}]}", 1);
  std::vector<au::Variant> args{folder()};
  EXPECT_EQ(au::call(app, "FailedFeatInCongs", args).asInteger(), 0);
  EXPECT_TRUE(read("RavelcrestPartAssembly.dat").starts_with(crlf({"Default", " 32768 ", "*First;*"})));
}

}  // namespace
}  // namespace rc::testing
