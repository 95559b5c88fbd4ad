#include "tools/history/HistoryStore.h"

#include <sys/random.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "sim/vault/PostgresBackend.h"
#include "sim/vault/SqliteBackend.h"
#include "sim/vault/VaultError.h"
#include "tools/common/Command.h"

namespace rc::tools {

namespace vault = rc::sim::vault;

namespace {

constexpr const char* kSchema[] = {
    "CREATE TABLE IF NOT EXISTS history_meta (name TEXT PRIMARY KEY, value TEXT NOT NULL)",
    "CREATE TABLE IF NOT EXISTS history_runs (id TEXT PRIMARY KEY, started TEXT NOT NULL, build TEXT NOT NULL, "
    "options TEXT NOT NULL, documents INTEGER NOT NULL, seconds DOUBLE PRECISION NOT NULL)",
    "CREATE TABLE IF NOT EXISTS history_values (run TEXT NOT NULL, document TEXT NOT NULL, path TEXT NOT NULL, "
    "check_name TEXT NOT NULL, status TEXT NOT NULL, new_value TEXT NOT NULL, base_value TEXT NOT NULL, "
    "seconds DOUBLE PRECISION NOT NULL)",
    "CREATE INDEX IF NOT EXISTS history_values_document ON history_values (document, check_name)",
    "CREATE INDEX IF NOT EXISTS history_values_path ON history_values (path, check_name)",
};

std::string text(const vault::SqlValue& v) { return v ? *v : std::string(); }

std::string number(double d) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.6f", d);
  return buf;
}

// A run id: the start time and 64 random bits, so ids sort by time and two
// runs started at once differ.
std::string runId(const std::string& started) {
  unsigned char bytes[8] = {};
  if (::getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes))
    throw UsageError("history: no random numbers for the run's id");
  std::string id = started + "-";
  char two[3];
  for (unsigned char b : bytes) {
    std::snprintf(two, sizeof two, "%02x", b);
    id += two;
  }
  return id;
}

}  // namespace

bool isPostgresLocation(const std::string& location) {
  if (location.starts_with("postgresql://") || location.starts_with("postgres://")) return true;
  const std::size_t equals = location.find('=');
  if (equals == std::string::npos) return false;
  std::error_code ec;
  const std::filesystem::path path(location);
  if (std::filesystem::exists(path, ec)) return false;
  const std::filesystem::path folder = path.parent_path();
  return folder.empty() || !std::filesystem::is_directory(folder, ec);
}

std::string utcNow() {
  auto now = std::chrono::system_clock::now();
  std::time_t t = std::chrono::system_clock::to_time_t(now);
  auto micros = std::chrono::duration_cast<std::chrono::microseconds>(now.time_since_epoch()).count() % 1000000;
  std::tm tm{};
  ::gmtime_r(&t, &tm);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%06lldZ", tm.tm_year + 1900, tm.tm_mon + 1,
                tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<long long>(micros));
  return buf;
}

HistoryStore::HistoryStore(const std::string& location, HistoryAccess access) {
  const bool read = access == HistoryAccess::Read;
  // A connection string's password stays out of every message.
  const std::string shown = isPostgresLocation(location) ? vault::withoutPassword(location) : location;
  try {
    if (isPostgresLocation(location)) db_ = std::make_unique<vault::PostgresBackend>(location);
    else db_ = std::make_unique<vault::SqliteBackend>(location, read ? vault::OpenMode::ReadOnly : vault::OpenMode::Create);
    db_->setLockWait(60'000);
    vault::Transaction t(*db_, !read);
    std::vector<vault::SqlRow> format;
    if (read) {
      try {
        format = db_->run("SELECT value FROM history_meta WHERE name = 'format'");
      } catch (const vault::VaultError& e) {
        throw UsageError("history: " + shown + " holds no history of check runs (" + e.what() + ")");
      }
      if (format.empty()) throw UsageError("history: " + shown + " holds no history of check runs");
    } else {
      for (const char* statement : kSchema) db_->run(statement);
      format = db_->run("SELECT value FROM history_meta WHERE name = 'format'");
    }
    if (format.empty()) {
      db_->run("INSERT INTO history_meta (name, value) VALUES ('format', ?)", {std::to_string(kHistoryFormat)});
    } else {
      int found = std::atoi(text(format[0][0]).c_str());
      if (found > kHistoryFormat)
        throw UsageError("history: " + db_->describe() + " was written by a later version of ravelcrest (history format " +
                         text(format[0][0]) + "; this one knows format " + std::to_string(kHistoryFormat) +
                         "): use that version, or another database");
    }
    t.commit();
  } catch (const vault::VaultError& e) {
    throw UsageError("history: " + shown + ": " + e.what());
  }
}

HistoryStore::~HistoryStore() = default;

std::string HistoryStore::record(const RunResults& results, const std::string& started, const std::string& build) {
  std::string options = "tolerance=" + results.tolerance;
  for (const auto& [name, value] : results.settings) options += "; " + name + "=" + value;
  const std::string id = runId(started);
  try {
    vault::Transaction t(*db_, true);
    db_->run("INSERT INTO history_runs (id, started, build, options, documents, seconds) VALUES (?, ?, ?, ?, ?, ?)",
             {id, started, build, options, std::to_string(results.documents.size()), number(results.seconds)});
    for (const DocumentResult& d : results.documents)
      for (const CheckRow& r : d.rows)
        db_->run("INSERT INTO history_values (run, document, path, check_name, status, new_value, base_value, seconds) "
                 "VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
                 {id, d.label, d.path, r.check, std::string(statusText(r.status)), r.newValue, r.baseValue,
                  number(d.seconds)});
    t.commit();
  } catch (const vault::VaultError& e) {
    throw UsageError("history: cannot record the run in " + db_->describe() + ": " + e.what());
  }
  return id;
}

std::vector<HistoryPoint> HistoryStore::series(const std::string& document, const std::string& check,
                                               std::size_t last) {
  std::string sql =
      "SELECT r.id, r.started, r.build, v.document, v.check_name, v.status, v.new_value, v.base_value, v.seconds "
      "FROM history_values v JOIN history_runs r ON r.id = v.run WHERE (v.document = ? OR v.path = ?)";
  std::vector<vault::SqlValue> params = {document, document};
  if (!check.empty()) {
    sql += " AND v.check_name = ?";
    params.push_back(check);
  }
  // The last N runs of the document, then their rows oldest first.
  sql += " AND r.id IN (SELECT DISTINCT r2.id FROM history_runs r2 JOIN history_values v2 ON v2.run = r2.id "
         "WHERE (v2.document = ? OR v2.path = ?) ORDER BY r2.id DESC LIMIT " + std::to_string(last) +
         ") ORDER BY r.id, v.check_name";
  params.push_back(document);
  params.push_back(document);
  std::vector<HistoryPoint> points;
  try {
    vault::Transaction t(*db_, false);
    for (const vault::SqlRow& row : db_->run(sql, params))
      points.push_back({text(row[0]), text(row[1]), text(row[2]), text(row[3]), text(row[4]), text(row[5]),
                        text(row[6]), text(row[7]), std::atof(text(row[8]).c_str())});
    t.commit();
  } catch (const vault::VaultError& e) {
    throw UsageError("history: cannot read " + db_->describe() + ": " + e.what());
  }
  return points;
}

}  // namespace rc::tools
