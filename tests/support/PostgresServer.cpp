#include "tests/support/PostgresServer.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace rc::sim::vault::testing {

namespace fs = std::filesystem;

namespace {

constexpr const char* kPort = "54329";

// The newest /usr/lib/postgresql/<version>/bin holding initdb and pg_ctl.
std::string findBinaries() {
  std::vector<fs::path> found;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator("/usr/lib/postgresql", ec)) {
    fs::path bin = e.path() / "bin";
    if (fs::exists(bin / "initdb") && fs::exists(bin / "pg_ctl")) found.push_back(bin);
  }
  if (found.empty()) return "";
  std::sort(found.begin(), found.end(), [](const fs::path& a, const fs::path& b) {
    return std::stoi(a.parent_path().filename().string()) < std::stoi(b.parent_path().filename().string());
  });
  return found.back().string();
}

// Runs `command` through the shell, as "nobody" when this process is root.
bool runAsServerUser(const std::string& command, const std::string& log) {
  std::string line = ::geteuid() == 0 ? "runuser -u nobody -- " + command : command;
  return std::system((line + " >>" + log + " 2>&1").c_str()) == 0;
}

std::string readAll(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Stops the server when the test program ends.
class StopAtEnd : public ::testing::Environment {
 public:
  explicit StopAtEnd(std::unique_ptr<PostgresServer>& server) : server_(server) {}
  void TearDown() override { server_.reset(); }

 private:
  std::unique_ptr<PostgresServer>& server_;
};

}  // namespace

PostgresServer* PostgresServer::shared(std::string& why) {
  static std::unique_ptr<PostgresServer> server;
  static std::string failure;
  static bool tried = false;
  if (!tried) {
    tried = true;
    server.reset(new PostgresServer());
    ::testing::AddGlobalTestEnvironment(new StopAtEnd(server));
    if (!server->start(failure)) server.reset();
  }
  why = failure;
  return server.get();
}

bool PostgresServer::installed() { return !findBinaries().empty(); }

bool PostgresServer::start(std::string& why) {
  bin_ = findBinaries();
  if (bin_.empty()) {
    why = "PostgreSQL server binaries (initdb, pg_ctl) not found under /usr/lib/postgresql; "
          "install the postgresql package (scripts/setup does) to run the PostgreSQL vault tests";
    return false;
  }
  std::string tmpl = (fs::temp_directory_path() / "kstd-pg-XXXXXX").string();
  if (!::mkdtemp(tmpl.data())) {
    why = "cannot make a temporary folder for PostgreSQL";
    return false;
  }
  root_ = tmpl;
  socketDir_ = root_;
  if (::geteuid() == 0) {
    const passwd* pw = ::getpwnam("nobody");
    if (!pw || ::chown(root_.c_str(), pw->pw_uid, pw->pw_gid) != 0) {
      why = "cannot hand " + root_ + " to the user nobody for the PostgreSQL server";
      return false;
    }
  }
  std::string log = root_ + "/setup.log";
  if (::geteuid() == 0) {
    // The log is written by both users.
    std::ofstream(log).flush();
    ::chmod(log.c_str(), 0666);
  }
  std::string data = root_ + "/data";
  if (!runAsServerUser(bin_ + "/initdb -D " + data + " -U postgres --auth=trust --locale=C -E UTF8 --no-sync", log)) {
    why = "initdb failed:\n" + readAll(log);
    return false;
  }
  std::string options = "-k " + socketDir_ + " -p " + kPort + " -c listen_addresses='' -c fsync=off";
  if (!runAsServerUser(bin_ + "/pg_ctl -D " + data + " -l " + root_ + "/server.log -w -o \"" + options + "\" start", log)) {
    why = "pg_ctl start failed:\n" + readAll(log) + readAll(root_ + "/server.log");
    return false;
  }
  running_ = true;
  return true;
}

PostgresServer::~PostgresServer() {
  if (running_) runAsServerUser(bin_ + "/pg_ctl -D " + root_ + "/data -m immediate -w stop", "/dev/null");
  if (!root_.empty()) {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
}

std::string PostgresServer::newDatabase() {
  std::string base = "host=" + socketDir_ + " port=" + kPort + " user=postgres";
  std::string name = "vault_" + std::to_string(::getpid()) + "_" + std::to_string(++databases_);
  PGconn* c = PQconnectdb((base + " dbname=postgres").c_str());
  bool ok = PQstatus(c) == CONNECTION_OK;
  if (ok) {
    PGresult* r = PQexec(c, ("CREATE DATABASE " + name).c_str());
    ok = PQresultStatus(r) == PGRES_COMMAND_OK;
    PQclear(r);
  }
  std::string error = PQerrorMessage(c);
  PQfinish(c);
  if (!ok) ADD_FAILURE() << "cannot make a test database: " << error;
  return base + " dbname=" + name;
}

}  // namespace rc::sim::vault::testing
