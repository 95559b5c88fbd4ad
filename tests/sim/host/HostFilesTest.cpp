// Documents reached through symbolic links: saving writes the link's target,
// and dependency walks and component trees recognise one file under
// several names.
#include <sys/stat.h>
#include <unistd.h>

#include "tests/sim/host/HostFixture.h"

namespace rc::sim::testing {
namespace {

using HostFilesTest = HostTest;

using automation::call;
using automation::callObject;

std::string contents(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

unsigned modeOf(const std::filesystem::path& p) {
  struct stat st {};
  EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
  return st.st_mode & 07777;
}

TEST_F(HostFilesTest, SaveThroughALinkWritesItsTargetAndKeepsTheMode) {
  namespace fs = std::filesystem;
  const fs::path dir = this->dir.path();  // path arithmetic below
  fs::create_directories(dir / "real");
  std::ofstream(dir / "real" / "target.vxlprt") << R"({"fileVersion": 2000, "note": "kept"})";
  std::ofstream(dir / "real" / "group.vxlprt") << R"({})";
  ::chmod((dir / "real" / "target.vxlprt").c_str(), 0600);
  ::chmod((dir / "real" / "group.vxlprt").c_str(), 0664);  // more than the usual umask leaves
  fs::create_symlink("real/target.vxlprt", dir / "link.vxlprt");
  fs::create_symlink("link.vxlprt", dir / "link2.vxlprt");  // a link to a link
  fs::create_symlink(dir / "real" / "group.vxlprt", dir / "group.vxlprt");

  for (const char* name : {"link2.vxlprt", "group.vxlprt"}) {
    ObjectRef doc = open(name, 1);
    std::vector<Variant> args{Variant(1), Variant(0), Variant(0)};
    EXPECT_TRUE(call(doc, "Save3", args).asBool()) << name;
    EXPECT_EQ(args[1].asLong(), 0);
    call(app, "CloseDoc", {Variant(path(name))});
  }
  EXPECT_TRUE(fs::is_symlink(dir / "link.vxlprt"));
  EXPECT_TRUE(fs::is_symlink(dir / "link2.vxlprt"));
  EXPECT_TRUE(fs::is_symlink(dir / "group.vxlprt"));
  std::string saved = contents(dir / "real" / "target.vxlprt");
  EXPECT_NE(saved.find("\"fileVersion\": 3000"), std::string::npos) << saved;
  EXPECT_NE(saved.find("\"note\": \"kept\""), std::string::npos) << saved;
  EXPECT_EQ(modeOf(dir / "real" / "target.vxlprt"), 0600u);
  EXPECT_EQ(modeOf(dir / "real" / "group.vxlprt"), 0664u);
  EXPECT_NE(contents(dir / "real" / "group.vxlprt").find("3000"), std::string::npos);
  // No temporary is left behind, beside the link or the target.
  for (const fs::path& folder : {dir, dir / "real"})
    for (const auto& entry : fs::directory_iterator(folder))
      EXPECT_EQ(entry.path().filename().string().find(".tmp."), std::string::npos) << entry.path();

  // A link that has come to lead nowhere is not replaced by a file.
  std::ofstream(dir / "real" / "gone.vxlprt") << "{}";
  fs::create_symlink("real/gone.vxlprt", dir / "gone.vxlprt");
  ObjectRef doc = open("gone.vxlprt", 1);
  fs::remove(dir / "real" / "gone.vxlprt");
  std::vector<Variant> args{Variant(1), Variant(0), Variant(0)};
  EXPECT_FALSE(call(doc, "Save3", args).asBool());
  EXPECT_EQ(args[1].asLong(), 1);
  EXPECT_TRUE(fs::is_symlink(dir / "gone.vxlprt"));
  EXPECT_FALSE(fs::exists(dir / "real" / "gone.vxlprt"));
}

// `ln -s . l`: every file can be named through l/ and m/ as often as one
// likes. Each file is read and listed once, whatever its names (a read per
// path made this tree of 31 levels, three names each, thousands of reads).
TEST_F(HostFilesTest, DependencyWalkReadsEachFileOnceWhateverItsNames) {
  namespace fs = std::filesystem;
  const fs::path dir = this->dir.path();  // path arithmetic below
  fs::create_directory(dir / "w");
  fs::create_directory_symlink(".", dir / "w" / "l");
  fs::create_directory_symlink(".", dir / "w" / "m");
  const int levels = 31;
  std::string padding(64 << 10, ' ');
  for (int i = 0; i < levels; ++i) {
    std::string next = "a" + std::to_string(i + 1) + ".vxlasm";
    std::string deps = i + 1 < levels ? R"("l/)" + next + R"(", "m/)" + next + R"(", "l/m/)" + next + R"(")" : "";
    std::ofstream(dir / "w" / ("a" + std::to_string(i) + ".vxlasm"))
        << R"({"dependencies": ["l/a0.vxlasm", "m/a)" + std::to_string(i) + R"(.vxlasm")" + (deps.empty() ? "" : ", ") +
               deps + "]}" + padding;
  }
  std::vector<std::string> list = texts(call(
      app, "GetDocumentDependencies2", {Variant(path("w/a0.vxlasm")), Variant(true), Variant(true), Variant(false)}));
  ASSERT_EQ(list.size(), 2u * (levels - 1));
  for (int i = 1; i < levels; ++i) EXPECT_EQ(list[2 * (i - 1)], "a" + std::to_string(i) + ".vxlasm");
  EXPECT_EQ(list[1], path("w/l/a1.vxlasm"));
}

// One walk reads at most 128 MiB of files; the rest are listed unread and
// the session is told.
TEST_F(HostFilesTest, DependencyWalkStopsReadingAtItsBudget) {
  std::string deps;
  for (int i = 0; i < 5; ++i) {
    std::string name = "big" + std::to_string(i) + ".vxlprt";
    std::ofstream(path(name)) << "{}";
    ASSERT_EQ(::truncate(path(name).c_str(), 30 << 20), 0);  // sparse: cheap to make, 30 MiB to read
    deps += (i ? ", \"" : "\"") + name + "\"";
  }
  std::ofstream(path("many.vxlasm")) << R"({"dependencies": [)" + deps + "]}";
  std::vector<std::string> list = texts(call(
      app, "GetDocumentDependencies2", {Variant(path("many.vxlasm")), Variant(true), Variant(true), Variant(false)}));
  EXPECT_EQ(list.size(), 10u);
  std::string last = texts(call(app, "SimMessages")).back();
  EXPECT_NE(last.find("big4.vxlprt: not searched for dependencies"), std::string::npos) << last;
}

TEST_F(HostFilesTest, AComponentNamingItsOwnAssemblyThroughALinkIsACycle) {
  std::filesystem::create_directory_symlink(".", dir / "l");
  std::ofstream(path("self.vxlasm")) << R"({"configurations": [{"components": [{"name": "me", "file": "l/self.vxlasm"}]}]})";
  ObjectRef doc = open("self.vxlasm", 2);
  ObjectRef root = callObject(callObject(doc, "GetActiveConfiguration"), "GetRootComponent");
  ObjectRef me = call(root, "GetChildren").asArray().at(0).asObject();
  EXPECT_FALSE(callObject(me, "GetModelDoc"));
  EXPECT_NE(texts(call(app, "SimMessages")).back().find("refers back"), std::string::npos);
}

}  // namespace
}  // namespace rc::sim::testing
