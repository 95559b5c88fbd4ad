// The vault tasks against a real vault in a scratch folder and a session of
// the simulated host: the login in a scratch settings store, the task
// object reached by ProgID and member name as a task runner reaches it.
#pragma once

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Core/frame/Register.h"
#include "Core/vault/clsKstdPrint.h"
#include "Core/vault/clsKstdUpdate.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/Registry.h"
#include "platform/automation/SafeArray.h"
#include "platform/os/Files.h"
#include "platform/os/MessageSink.h"
#include "platform/os/SettingsStore.h"
#include "sim/Register.h"
#include "sim/vault/Vault.h"

namespace rc::testing {

namespace au = rc::automation;
namespace kv = rc::sim::vault;

class VaultTaskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/ravelcrest-kstd-XXXXXX";
    dir_ = mkdtemp(tmpl);
    setenv("RAVELCREST_DRIVE_ROOT", (dir_ + "/root").c_str(), 1);
    setenv("RAVELCREST_REGISTRY", (dir_ + "/registry").c_str(), 1);
    setenv("LC_ALL", "C", 1);
    setenv("VEXLAR_SPOOL", (dir_ + "/spool").c_str(), 1);
    std::filesystem::create_directories(dir_ + "/src");
    std::filesystem::create_directories(work());
    rc::core::registerClasses();
    rc::sim::registerApplications();
    kv::Vault::create(vaultDir());
    vault = kv::Vault::open(vaultDir());
    vault->addUser("admin", "secret", true, "tester");
    vault->addUser("clerk", "clerk-pw", false, "tester");
    setLogin("admin", "secret", vaultDir());
    host = au::createObject("Vexlar.Application");
    task = au::createObject("RavelcrestCore.clsKstdUpdate");
    call("SetUpdatingDirectory", {au::Variant(work())});
    call("SetUpdateWarningFilePath", {au::Variant(warningFile())});
  }
  void TearDown() override {
    vault.reset();
    try {
      au::call(host, "ExitApp");
    } catch (const au::AutomationError&) {
      // the print task ends the host session itself
    }
    std::error_code ec;
    std::filesystem::permissions(work(), std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(dir_, ec);
  }

  std::string work() const { return dir_ + "/work"; }
  std::string vaultDir() const { return dir_ + "/vault"; }
  std::string warningFile() const { return dir_ + "/warnings.txt"; }
  std::string path(const std::string& rel) const { return dir_ + "/" + rel; }
  std::string local(const std::string& name) const { return work() + "/" + name; }
  std::string warnings() const {
    return platform::fileExists(warningFile()) ? platform::readFile(warningFile()) : std::string();
  }

  static void setLogin(const std::string& user, const std::string& password, const std::string& computer,
                       const std::string& userKey = "TempAdminUser") {
    platform::SettingsStore store;
    const std::string key = "HKEY_CURRENT_USER\\Software\\Vexlar\\Vexlar 2007\\Keystead\\" + userKey;
    store.set(key, "Temp-1", user);
    store.set(key, "Temp-2", password);
    store.set(key, "Temp-3", computer);
  }

  // A host model file's text with that fileVersion (none when negative).
  static std::string model(int version, const std::string& extra = "") {
    std::string out = "{\"title\": \"t\"";
    if (version >= 0) out += ", \"fileVersion\": " + std::to_string(version);
    return out + extra + "}";
  }
  // Checks `content` in as the next (or the named) revision of `name`.
  kv::RevisionRecord checkIn(const std::string& name, const std::string& content, const std::string& label = "",
                             std::vector<kv::Reference> refs = {}) {
    const std::string src = path("src/" + name);
    platform::writeFile(src, content);
    return vault->checkIn(kv::Vault::CheckIn{src, name, label, std::move(refs), ""}, "tester");
  }
  std::optional<std::int32_t> vaultVersion(const std::string& name, const std::string& label) {
    return vault->revision(name, label)->hostVersion;
  }
  std::string vaultHash(const std::string& name, const std::string& label) {
    return vault->revision(name, label)->hash;
  }
  // Comments of the vault's "replace" entries, in order.
  std::vector<std::string> replaceComments() {
    std::vector<std::string> out;
    for (const kv::AuditEntry& e : vault->auditLog())
      if (e.action == "replace") out.push_back(e.document + "@" + e.revision + ": " + e.comment);
    return out;
  }

  // Calls a member of the task; by-reference arguments are written back.
  au::Variant call(const char* member, std::vector<au::Variant> args = {}) { return au::call(task, member, args); }
  // Calls a member whose last argument is returnedErrString: its result and text.
  std::pair<bool, std::string> withText(const char* member, std::vector<au::Variant> args = {}) {
    args.emplace_back("");
    au::Variant r = au::call(task, member, args);
    return {r.asBool(), args.back().toText()};
  }
  bool login() {
    auto [ok, text] = withText("InitKeysteadAdminConnection");
    EXPECT_EQ(text, "");
    return ok;
  }
  // InitKeysteadAdminConnection, GetVexlarVersion and UpdateDocument.
  std::pair<bool, std::string> update(const std::string& name) {
    EXPECT_TRUE(login());
    EXPECT_TRUE(call("GetVexlarVersion").asBool());
    return withText("UpdateDocument", {au::Variant(name)});
  }
  core::clsKstdUpdate& early() { return *std::dynamic_pointer_cast<core::clsKstdUpdate>(task); }
  std::vector<std::string> hostStrings(const char* member) const {
    std::vector<std::string> out;
    for (const au::Variant& v : au::call(host, member).asArray().items()) out.push_back(v.toText());
    return out;
  }

  // The print jobs written to the spool folder, in order.
  std::vector<std::string> spoolJobs() const {
    std::vector<std::string> out;
    if (!platform::folderExists(path("spool"))) return out;
    for (const std::string& name : platform::listFolder(path("spool"))) {
      std::string text = platform::readFile(path("spool/" + name));
      while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
      out.push_back(text);
    }
    return out;
  }

  std::unique_ptr<kv::Vault> vault;
  au::ObjectRef host, task;
  platform::ScopedMessageHandler quiet{[](std::string_view) {}};

 private:
  std::string dir_;
};

inline std::string warningLine(const std::string& text) { return "Keystead Update Warning: " + text + "\r\n"; }

}  // namespace rc::testing
