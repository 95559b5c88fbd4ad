#include <gtest/gtest.h>

#include <string>

#include "tools/common/PathGlob.h"

namespace rc::tools {
namespace {

TEST(PathGlob, StarsStayWithinANameAndDoubleStarsCrossFolders) {
  EXPECT_TRUE(globMatches("castings/**", "castings/a.vxlprt"));
  EXPECT_TRUE(globMatches("castings/**", "castings/deep/er/a.vxlprt"));
  EXPECT_FALSE(globMatches("castings/**", "forgings/a.vxlprt"));
  EXPECT_FALSE(globMatches("castings/**", "castings"));  // the folder itself is no document
  EXPECT_TRUE(globMatches("*.vxldrw", "bracket.vxldrw"));
  EXPECT_FALSE(globMatches("*.vxldrw", "sheets/bracket.vxldrw"));
  EXPECT_TRUE(globMatches("**/*.vxldrw", "bracket.vxldrw"));
  EXPECT_TRUE(globMatches("**/*.vxldrw", "a/b/bracket.vxldrw"));
  EXPECT_TRUE(globMatches("a/**/b/*.prt", "a/b/x.prt"));
  EXPECT_TRUE(globMatches("a/**/b/*.prt", "a/1/2/b/x.prt"));
  EXPECT_FALSE(globMatches("a/**/b/*.prt", "a/1/2/c/x.prt"));
  EXPECT_TRUE(globMatches("legacy-??.vxlprt", "legacy-07.vxlprt"));
  EXPECT_FALSE(globMatches("legacy-??.vxlprt", "legacy-7.vxlprt"));
  EXPECT_TRUE(globMatches("*a*b*", "xaybz"));
  EXPECT_FALSE(globMatches("*a*b*", "xbya"));
  EXPECT_TRUE(globMatches("bolt.vxlprt", "bolt.vxlprt"));
  EXPECT_FALSE(globMatches("bolt.vxlprt", "tree/bolt.vxlprt"));
}

TEST(PathGlob, HostilePatternsStayQuick) {
  std::string pattern, path;
  for (int i = 0; i < 200; ++i) pattern += "**/";
  pattern += "x";
  for (int i = 0; i < 200; ++i) path += "a/";
  path += "y";
  EXPECT_FALSE(globMatches(pattern, path));
  EXPECT_FALSE(globMatches(std::string(5000, '*') + "b", std::string(5000, 'a')));
}

}  // namespace
}  // namespace rc::tools
