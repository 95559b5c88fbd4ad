// Reading and writing document files directly: unknown fields kept as text,
// strict JSON, and the memory a file may cost.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>

#include "sim/host/JsonText.h"
#include "sim/host/ModelFile.h"

namespace rc::sim::host {
namespace {

std::string refusal(std::string_view text, DocType type = DocType::Part) {
  try {
    modelfile::parse(text, "m.vxlprt", type);
  } catch (const ModelFileError& e) {
    return e.what();
  }
  return "";
}

TEST(ModelFile, UnknownFieldsAreWrittenBackAsTheyCame) {
  const char* text = R"({"vendor": {"a": [1, 2.50, 1E+99, {"b": null}], "\u00e9t\u00e9": "x\ty"},
    "configurations": [{"name": "A", "colour": "red", "body": {"faces": [{"edges": 4, "uv": [0, 1]}], "units": "mm"},
      "features": [{"name": "F", "type": "T", "custom": true,
                    "subFeatures": [{"name": "S", "subFeatures": [{"deep": 1}]}]}]}],
    "sheets": [{"name": "S1", "views": [{"name": "S1", "layer": 3, "annotations": [{"type": 6, "text": "hi"}]}]}],
    "view": {"rects": [{"w": 5, "pattern": "dots"}], "zoom": 2}})";
  DocumentModel m = modelfile::parse(text, "keep.vxldrw", DocType::Drawing);
  EXPECT_EQ(m.configurations[0].features[0].subFeatures[0].extra, R"("subFeatures":[{"deep":1}])");
  std::string once = modelfile::serialize(m);
  // Writing what was read, and reading it again, changes nothing more.
  EXPECT_EQ(modelfile::serialize(modelfile::parse(once, "keep.vxldrw", DocType::Drawing)), once);

  // Unknown parts are kept verbatim (numbers as written, escapes included).
  EXPECT_NE(once.find("2.50"), std::string::npos);
  EXPECT_NE(once.find("1E+99"), std::string::npos);
  EXPECT_NE(once.find(R"("\u00e9t\u00e9")"), std::string::npos);
  auto saved = nlohmann::json::parse(once);
  EXPECT_EQ(saved["vendor"]["a"][3], nlohmann::json::parse(R"({"b": null})"));
  EXPECT_EQ(saved["configurations"][0]["colour"], "red");
  EXPECT_EQ(saved["configurations"][0]["body"]["units"], "mm");
  EXPECT_EQ(saved["configurations"][0]["body"]["faces"][0]["uv"][1], 1);
  EXPECT_EQ(saved["sheets"][0]["views"][0]["layer"], 3);
  EXPECT_EQ(saved["sheets"][0]["views"][0]["annotations"][0]["text"], "hi");
  EXPECT_EQ(saved["view"]["rects"][0]["pattern"], "dots");
  EXPECT_EQ(saved["view"]["zoom"], 2);
  // Known texts are decoded and written back escaped.
  DocumentModel n = modelfile::parse(R"({"title": "a\"b\\c\n\u00e9\ud83d\ude00"})", "t.vxlprt", DocType::Part);
  EXPECT_EQ(*n.title, "a\"b\\c\n\xc3\xa9\xf0\x9f\x98\x80");
  EXPECT_EQ(*modelfile::parse(modelfile::serialize(n), "t.vxlprt", DocType::Part).title, *n.title);
}

TEST(ModelFile, SettingAKeptFieldReplacesIt) {
  std::string members = R"("solving":0,"tag":"a","solving":[1])";
  json::setMember(members, "solving", "2");
  EXPECT_EQ(members, R"("tag":"a","solving":2)");
  std::string none;
  json::setMember(none, "solving", "1");
  EXPECT_EQ(none, R"("solving":1)");
}

TEST(ModelFile, TextThatIsNotJsonIsRefused) {
  for (const char* text : {"", "{", "{} {}", R"({"a": 1,})", R"({"a": [1,]})", R"({"a": 01})", R"({"a": 1.})",
                           R"({"a": "\x"})", R"({"a": "\ud800"})", R"({"a": "\udc00"})", "{\"a\": \"\x01\"}",
                           "{\"a\": \"\xc3\"}", "{\"a\": \"\xed\xa0\x80\"}", R"({"a": tru})", R"({'a': 1})",
                           R"({"a" 1})", R"({"a": [1, 2})"}) {
    std::string why = refusal(text);
    EXPECT_NE(why.find("not valid JSON"), std::string::npos) << text << " -> " << why;
  }
  EXPECT_EQ(refusal(" \r\n\t{\"title\": \"ok\"}\n "), "");
}

TEST(ModelFile, NumbersKeepTheirRanges) {
  EXPECT_NE(refusal(R"({"saveErrors": 1e300})").find("out of range"), std::string::npos);
  EXPECT_NE(refusal(R"({"saveErrors": 99999999999999999999999})").find("out of range"), std::string::npos);
  EXPECT_NE(refusal(R"({"saveErrors": -2147483649})").find("out of range"), std::string::npos);
  EXPECT_NE(refusal(R"({"saveErrors": 1.5})").find("whole number"), std::string::npos);
  EXPECT_NE(refusal(R"({"configurations": [{"massProperties": [1e400,0,0,0,0,0,0,0,0,0,0,0]}]})").find("finite"),
            std::string::npos);
  DocumentModel m = modelfile::parse(R"({"saveErrors": -2147483648, "saveWarnings": 2.0e1})", "n.vxlprt", DocType::Part);
  EXPECT_EQ(m.saveErrors, INT32_MIN);
  EXPECT_EQ(m.saveWarnings, 20);
}

// A large file whose bulk is an unknown field costs about its text; a file
// of very many tiny known items is refused rather than taking many times
// its size.
TEST(ModelFile, MemoryForAFileFollowsItsSize) {
  std::string lists = R"({"vendor": [)";
  while (lists.size() < (8u << 20)) lists += "[], ";
  lists += "[]]}";
  DocumentModel m = modelfile::parse(lists, "big.vxlprt", DocType::Part);
  EXPECT_LE(m.extra.size(), lists.size());
  EXPECT_GT(m.extra.size(), lists.size() / 2);

  std::string features = R"({"configurations": [)";
  for (int c = 0; c < 40; ++c) {
    features += R"({"name": "C)" + std::to_string(c) + R"(", "features": [)";
    for (int i = 0; i < 20000; ++i) features += "{},";
    features += "{}]},";
  }
  features += "{}]}";
  std::string why = refusal(features);
  EXPECT_NE(why.find("too many items for its size"), std::string::npos) << why;

  // A list past the item limit is refused before its items are read.
  std::string history = R"({"versionHistory": [)";
  for (std::size_t i = 0; i <= modelfile::kMaxItems; ++i) history += "\"1\",";
  history += "\"1\"]}";
  EXPECT_NE(refusal(history).find("versionHistory' holds too many items"), std::string::npos);
}

}  // namespace
}  // namespace rc::sim::host
