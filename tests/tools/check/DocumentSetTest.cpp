#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "Core/interfaces/DocumentType.h"
#include "tests/support/TestSupport.h"
#include "tools/check/DocumentSet.h"

namespace rc::tools {
namespace {

TEST(DocumentTypes, EveryExtensionOfTheHostIsADocumentOfItsTypeInAnyCase) {
  for (const core::DocumentExtension& e : core::kDocumentExtensions) {
    std::string upper(e.extension);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(documentTypeOf("models/a.b/bracket." + std::string(e.extension)), e.hostType) << e.extension;
    EXPECT_EQ(documentTypeOf("BRACKET." + upper), e.hostType) << upper;
  }
  // To the harness, as to the host, a library feature part is a part.
  EXPECT_EQ(documentTypeOf("hole-pattern.vxllfp"), core::kPart);
  EXPECT_EQ(documentTypeOf("bracket.vxlprt.properties"), 0);
  EXPECT_EQ(documentTypeOf("bracket-vxlprt.gif"), 0);
  EXPECT_EQ(documentTypeOf("vxlprt"), 0);
  EXPECT_EQ(documentTypeOf(".vxlprt"), 0);  // a hidden file without an extension
  EXPECT_EQ(documentTypeOf("bracket.vxlprt."), 0);
}

TEST(CollectDocuments, ADocumentReachedThroughALinkToItsFolderIsCheckedOnce) {
  namespace fs = std::filesystem;
  rc::testing::ScratchFolder dir;
  const fs::path suite = fs::path(dir.path()) / "suite";
  fs::create_directories(suite);
  for (const char* name : {"a.vxlprt", "b.vxlprt"}) std::ofstream(suite / name) << "{}";
  fs::create_symlink(suite, fs::path(dir.path()) / "link");
  // A link to a document beside it is a document of its own.
  fs::create_symlink("a.vxlprt", suite / "alias.vxlprt");
  std::ostringstream notes;
  const std::vector<DocumentItem> items = collectDocuments(
      {(suite).string(), dir.path() + "/link", dir.path() + "/link/a.vxlprt", (suite / ".." / "suite" / "b.vxlprt").string()},
      notes);
  std::vector<std::string> labels;
  for (const DocumentItem& d : items) labels.push_back(d.label);
  EXPECT_EQ(labels, (std::vector<std::string>{"a.vxlprt", "alias.vxlprt", "b.vxlprt"}));
}

}  // namespace
}  // namespace rc::tools
