#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "Core/interfaces/DocumentType.h"
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

}  // namespace
}  // namespace rc::tools
