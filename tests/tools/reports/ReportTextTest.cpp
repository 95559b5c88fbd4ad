#include <gtest/gtest.h>

#include <sstream>

#include "tools/common/Command.h"
#include "tools/common/MarkupText.h"
#include "tools/common/TerminalText.h"
#include "tools/reports/JunitReport.h"
#include "tools/results/RunResults.h"

namespace rc::tools {
namespace {

TEST(MarkupText, EscapesAndKeepsValidUtf8) {
  EXPECT_EQ(escapeMarkup("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&#39;");
  EXPECT_EQ(escapeMarkup("tab\tline\r\n"), "tab\tline\r\n");
  EXPECT_EQ(escapeMarkup("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"), "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80");
}

TEST(MarkupText, ReplacesWhatXmlCannotHold) {
  const std::string r = "\xEF\xBF\xBD";
  EXPECT_EQ(escapeMarkup(std::string("a\x01" "b\x7f", 4)), "a" + r + "b" + r);
  EXPECT_EQ(escapeMarkup(std::string("\0", 1)), r);
  EXPECT_EQ(escapeMarkup("\xE9t\xE9"), r + "t" + r);                 // Latin-1
  EXPECT_EQ(escapeMarkup("\xC0\xAF"), r + r);                         // overlong "/"
  EXPECT_EQ(escapeMarkup("\xED\xA0\x80"), r + r + r);                 // a surrogate
  EXPECT_EQ(escapeMarkup("\xEF\xBF\xBE"), r + r + r);                 // U+FFFE
  EXPECT_EQ(escapeMarkup("\xF4\x90\x80\x80"), r + r + r + r);         // beyond U+10FFFF
  EXPECT_EQ(escapeMarkup("\xE2\x82"), r + r);                         // cut short at the end
}

TEST(MarkupText, Base64OfEveryRemainderLength) {
  EXPECT_EQ(base64(""), "");
  EXPECT_EQ(base64("f"), "Zg==");
  EXPECT_EQ(base64("fo"), "Zm8=");
  EXPECT_EQ(base64("foo"), "Zm9v");
  EXPECT_EQ(base64("foobar"), "Zm9vYmFy");
  EXPECT_EQ(base64(std::string("\xFF\x00\xFE", 3)), "/wD+");
}

RunResults sample() {
  RunResults r;
  r.tolerance = "5 %";
  r.documentCount = 3;
  DocumentResult a{2, "b.vxlprt", "/m/b.vxlprt", 0.25, {}, "'===== b.vxlprt\r\n"};
  a.rows.push_back(CheckRow{"b.vxlprt", "TestEdgeCount", Status::Warning, "14", "12", "moved", {}});
  a.rows.push_back(CheckRow{"b.vxlprt", "Image", Status::Failed, "", "", "", {"b.bmp", "n.bmp", "d.bmp"}});
  DocumentResult b{0, "a.vxlprt", "/m/a.vxlprt", 0.5, {}, ""};
  b.rows.push_back(CheckRow{"a.vxlprt", "TestFileSize", Status::BaselineCreated, "10", "", "", {}});
  r.documents = {b, a};
  return r;
}

TEST(RunResultsJson, RoundTripsEveryField) {
  RunResults r = sample();
  RunResults back = resultsFromJson(resultsToJson(r), "r.json");
  ASSERT_EQ(back.documents.size(), 2u);
  const DocumentResult& d = back.documents[1];
  EXPECT_EQ(d.index, 2u);
  EXPECT_EQ(d.journal, "'===== b.vxlprt\r\n");
  EXPECT_EQ(d.rows[0].status, Status::Warning);
  EXPECT_EQ(d.rows[0].baseValue, "12");
  EXPECT_EQ(d.rows[0].document, "b.vxlprt");
  EXPECT_EQ(d.rows[1].images.difference, "d.bmp");
  EXPECT_TRUE(d.rows[0].images.empty());
  EXPECT_EQ(back.documentCount, 3u);
  EXPECT_EQ(back.source, "r.json");
  DocumentResult one = documentFromRecord(documentToRecord(r.documents[1]));
  EXPECT_EQ(one.rows.size(), 2u);
  // A worker's record keeps bytes that are not UTF-8 (a Latin-1 name, a
  // model's text in the journal) as they are.
  DocumentResult latin = r.documents[1];
  latin.label = "b\xe9.vxlprt";
  latin.path = "/m/b\xe9.vxlprt";
  latin.journal = "'===== b\xe9\xff.vxlprt\r\n";
  latin.rows[0].newValue = "\xfe";
  DocumentResult kept = documentFromRecord(documentToRecord(latin));
  EXPECT_EQ(kept.label, latin.label);
  EXPECT_EQ(kept.path, latin.path);
  EXPECT_EQ(kept.journal, latin.journal);
  EXPECT_EQ(kept.rows[0].newValue, "\xfe");
}

TEST(RunResultsJson, RefusesOtherFilesNamingThem) {
  for (const char* bad : {"", "[]", "{\"format\":\"other\"}", "{\"format\":\"ravelcrest-results\",\"version\":9}",
                          "{\"format\":\"ravelcrest-results\",\"version\":1,\"documents\":[{\"index\":\"x\"}]}",
                          "{\"format\":\"ravelcrest-results\",\"version\":1,\"documents\":[{\"index\":0,"
                          "\"document\":\"a\",\"checks\":[{\"check\":\"c\",\"status\":\"MAYBE\"}]}]}"}) {
    try {
      resultsFromJson(bad, "shard.json");
      ADD_FAILURE() << bad;
    } catch (const UsageError& e) {
      EXPECT_NE(std::string(e.what()).find("shard.json"), std::string::npos) << e.what();
    }
  }
}

TEST(RunResultsMerge, OrdersByIndexAndTakesADocumentInTwoPartsOnlyWhenToldWhich) {
  RunResults first = sample(), second = sample();
  first.source = "first.json", second.source = "second.json";
  second.documents.erase(second.documents.begin());
  second.documents[0].rows.clear();  // the same document from another part
  try {
    mergeResults({first, second});
    ADD_FAILURE() << "a document in two parts merged";
  } catch (const UsageError& e) {
    EXPECT_STREQ(e.what(), "document 3 (b.vxlprt) is in first.json and in second.json; give --prefer later to keep "
                           "the later result");
  }
  std::size_t replaced = 0;
  RunResults merged = mergeResults({first, second}, true, &replaced);
  EXPECT_EQ(replaced, 1u);
  ASSERT_EQ(merged.documents.size(), 2u);
  EXPECT_EQ(merged.documents[0].index, 0u);
  EXPECT_EQ(merged.documents[1].rows.size(), 0u);  // the later one
  StatusCounts c = countStatuses(merged);
  EXPECT_EQ(c.created, 1);
  EXPECT_EQ(c.total(), 1);
}

TEST(RunResultsMerge, RunsWithOtherTolerancesOrChecksAreRefusedNamingTheDifference) {
  RunResults first = sample(), second = sample();
  first.source = "a.json", second.source = "b.json";
  first.documents.erase(first.documents.begin());
  second.documents.pop_back();
  auto refusal = [&] {
    try {
      mergeResults({first, second});
    } catch (const UsageError& e) {
      return std::string(e.what());
    }
    return std::string("merged");
  };
  second.tolerance = "10 %";
  EXPECT_EQ(refusal(), "cannot merge runs whose results do not compare: the tolerance differs: 5 % in a.json, 10 % in b.json");
  second.tolerance = first.tolerance;
  first.settings = {{"checks", "all"}, {"image tolerance", "0"}};
  second.settings = {{"checks", "TestEdgeCount"}, {"image tolerance", "0"}};
  EXPECT_EQ(refusal(), "cannot merge runs whose results do not compare: the checks differs: all in a.json, TestEdgeCount in b.json");
  second.settings = first.settings;
  EXPECT_EQ(refusal(), "merged");
}

TEST(RunResultsJson, CountsAreValidated) {
  const std::string head = "{\"format\":\"ravelcrest-results\",\"version\":1,";
  for (const std::string& bad :
       {head + "\"documentCount\":-5,\"documents\":[]}", head + "\"documentCount\":1.5,\"documents\":[]}",
        head + "\"documentCount\":\"3\",\"documents\":[]}", head + "\"documentCount\":1e12,\"documents\":[]}",
        head + "\"documentCount\":1,\"documents\":[{\"index\":4,\"document\":\"a\",\"checks\":[]}]}",
        head + "\"documentCount\":2,\"documents\":[{\"index\":-1,\"document\":\"a\",\"checks\":[]}]}",
        head + "\"documentCount\":2,\"documents\":[{\"index\":1,\"document\":\"a\",\"checks\":[]},"
               "{\"index\":1,\"document\":\"b\",\"checks\":[]}]}"}) {
    try {
      resultsFromJson(bad, "c.json");
      ADD_FAILURE() << bad;
    } catch (const UsageError& e) {
      EXPECT_TRUE(std::string(e.what()).starts_with("c.json")) << e.what();
    }
  }
}

TEST(TerminalText, ControlBytesAreShownEscapedAndTextPasses) {
  EXPECT_EQ(terminalText("x\x1b]0;owned\a\x1b[2J.vxlprt"), "x\\x1b]0;owned\\x07\\x1b[2J.vxlprt");
  EXPECT_EQ(terminalText("a\tb\nc\r\nd\re\x7f"), "a\tb\nc\r\nd\\x0de\\x7f");
  EXPECT_EQ(terminalText("\xC2\x9B" "31m caf\xC3\xA9 \xE2\x82\xAC"), "\\xc2\\x9b31m caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(terminalText("\xFF\xC3"), "\\xff\\xc3");  // not UTF-8
  EXPECT_EQ(terminalText(std::string("nul\0", 4)), "nul\\x00");

  // Written in pieces, a sequence or CR LF split between writes comes out whole.
  std::ostringstream target;
  {
    TerminalStream out(target);
    out << "caf\xC3";
    out << "\xA9\r";
    out << "\nx\x1b";
    out.flush();
    EXPECT_EQ(target.str(), "caf\xC3\xA9\r\nx\\x1b");
    out << "\xE2\x82";
  }
  EXPECT_EQ(target.str(), "caf\xC3\xA9\r\nx\\x1b\\xe2\\x82");  // cut short at the end: shown as bytes
}

TEST(JunitXml, ProblemsAreFailuresAndTheRestPass) {
  std::string xml = junitXml(sample());
  EXPECT_NE(xml.find("<testsuites name=\"ravelcrest check\" tests=\"3\" failures=\"2\""), std::string::npos);
  // A created baseline passes and says so.
  EXPECT_NE(xml.find("<testcase classname=\"a.vxlprt\" name=\"TestFileSize\" time=\"0.000\">\n      <properties>"
                     "<property name=\"baseline\" value=\"created\"/></properties>\n      <system-out>baseline created: 10"
                     "</system-out>"),
            std::string::npos);
  EXPECT_NE(xml.find("<failure message=\"WARNING: moved\" type=\"WARNING\">new: 14\nbaseline: 12</failure>"),
            std::string::npos);
  EXPECT_NE(xml.find("difference image: d.bmp"), std::string::npos);
}

TEST(JunitXml, AnUnopenedDocumentIsAnErrorAndEachCaseHasItsCheckTime) {
  RunResults r = sample();
  r.documents[1].rows[0].seconds = 1.25;
  r.documents[0].rows.push_back(CheckRow{"a.vxlprt", "open", Status::Failed, "", "", "the host could not open it", {}});
  std::string xml = junitXml(r);
  EXPECT_NE(xml.find("failures=\"2\" errors=\"1\""), std::string::npos) << xml;
  EXPECT_NE(xml.find("<testsuite name=\"a.vxlprt\" tests=\"2\" failures=\"0\" errors=\"1\""), std::string::npos) << xml;
  EXPECT_NE(xml.find("<error message=\"FAILED: the host could not open it\""), std::string::npos) << xml;
  EXPECT_NE(xml.find("name=\"TestEdgeCount\" time=\"1.250\""), std::string::npos) << xml;
  // The time survives the JSON a worker or a shard hands over.
  EXPECT_EQ(resultsFromJson(resultsToJson(r), "r.json").documents[1].rows[0].seconds, 1.25);
}

}  // namespace
}  // namespace rc::tools
