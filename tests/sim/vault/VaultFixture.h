// Shared set-up of the vault tests: a scratch folder with a fresh vault on
// the backend the test is instantiated for ("sqlite" or "postgresql"),
// source files to check in, and helpers to read what the vault holds.
#pragma once

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

#include "sim/vault/Vault.h"
#include "sim/vault/VaultError.h"
#include "tests/support/PostgresServer.h"

namespace rc::sim::vault::testing {

inline std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

// The kind of VaultError `fn` raises, or nullopt.
template <typename Fn>
std::optional<ErrorKind> vaultErrorOf(Fn&& fn, std::string* text = nullptr) {
  try {
    fn();
  } catch (const VaultError& e) {
    if (text) *text = e.what();
    return e.kind();
  }
  return std::nullopt;
}

class VaultTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    std::string tmpl = (std::filesystem::temp_directory_path() / "kstd-test-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    root_ = tmpl;
    std::filesystem::create_directories(root_ + "/src");
    std::filesystem::create_directories(root_ + "/out");
    if (postgres()) {
      std::string why;
      PostgresServer* server = PostgresServer::shared(why);
      if (!server && !PostgresServer::installed()) GTEST_SKIP() << why;
      ASSERT_NE(server, nullptr) << why;
      conninfo_ = server->newDatabase();
    }
    Vault::create(vaultDir(), conninfo_);
  }
  void TearDown() override {
    std::error_code ec;
    if (!root_.empty()) std::filesystem::remove_all(root_, ec);
  }

  bool postgres() const { return GetParam() == "postgresql"; }
  std::string vaultDir() const { return root_ + "/vault"; }
  std::string out() const { return root_ + "/out"; }
  std::string path(const std::string& rel) const { return root_ + "/" + rel; }
  std::unique_ptr<Vault> open() const { return Vault::open(vaultDir()); }

  // A file src/<name> holding `content`; returns its path.
  std::string source(const std::string& name, const std::string& content) const {
    std::string p = root_ + "/src/" + name;
    writeText(p, content);
    return p;
  }
  // A host model file's text with that fileVersion.
  static std::string model(int version, const std::string& extra = "") {
    return "{\"title\": \"t" + extra + "\", \"fileVersion\": " + std::to_string(version) + "}";
  }
  // Checks `content` in as document `name`.
  RevisionRecord checkIn(Vault& v, const std::string& name, const std::string& content, const std::string& label = "",
                         std::vector<Reference> refs = {}) {
    return v.checkIn(Vault::CheckIn{source(name, content), name, label, std::move(refs), ""}, "tester");
  }

  std::optional<std::string> conninfo_;
  std::string root_;
};

inline std::string backendName(const ::testing::TestParamInfo<std::string>& info) { return info.param; }

#define KSTD_BOTH_BACKENDS(Suite) \
  INSTANTIATE_TEST_SUITE_P(Backends, Suite, ::testing::Values("sqlite", "postgresql"), backendName)

}  // namespace rc::sim::vault::testing
