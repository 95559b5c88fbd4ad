#include "tools/review/ReviewServer.h"

#include <httplib.h>
#include <spawn.h>
#include <sys/random.h>
#include <sys/wait.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "tools/baseline/BaselineReview.h"
#include "tools/check/ImageChecks.h"
#include "tools/common/Command.h"
#include "tools/common/Interrupt.h"
#include "tools/common/OutputFiles.h"
#include "tools/reports/HtmlReport.h"
#include "tools/review/ReviewPageScript.h"

extern char** environ;

namespace rc::tools {

namespace {

using Clock = std::chrono::steady_clock;

// 128 random bits as hex.
std::string randomToken() {
  unsigned char bytes[16];
  if (::getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes))
    throw OutputError("review: no random numbers for the access token");
  std::string hex;
  char two[3];
  for (unsigned char b : bytes) {
    std::snprintf(two, sizeof two, "%02x", b);
    hex += two;
  }
  return hex;
}

// A path the page may inline: relative and without "..".
bool insideResults(const std::string& relative) {
  if (relative.empty()) return true;
  if (relative.front() == '/' || relative.find('\\') != std::string::npos) return false;
  std::size_t start = 0;
  for (;;) {
    std::size_t slash = relative.find('/', start);
    if (relative.compare(start, slash == std::string::npos ? std::string::npos : slash - start, "..") == 0)
      return false;
    if (slash == std::string::npos) return true;
    start = slash + 1;
  }
}

// Equal in time that does not depend on where they differ.
bool sameToken(const std::string& given, const std::string& token) {
  if (given.size() != token.size()) return false;
  unsigned char diff = 0;
  for (std::size_t i = 0; i < token.size(); ++i) diff |= static_cast<unsigned char>(given[i] ^ token[i]);
  return diff == 0;
}

void answerJson(httplib::Response& res, int status, const nlohmann::json& body) {
  res.status = status;
  res.set_content(body.dump(), "application/json");
}

// Starts xdg-open on `url` without waiting for it; answers its process id
// (0 when it could not start).
pid_t openInBrowser(const std::string& url, std::ostream& out) {
  pid_t pid = 0;
  const char* argv[] = {"xdg-open", url.c_str(), nullptr};
  if (::posix_spawnp(&pid, "xdg-open", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) {
    out << "review: cannot start xdg-open; open the URL yourself\n";
    return 0;
  }
  return pid;
}

class ReviewService {
 public:
  ReviewService(const RunResults& results, const ReviewOptions& options, std::ostream& out)
      : results_(results), options_(options), out_(out), token_(randomToken()) {}

  void serve() {
    server_.set_payload_max_length(options_.maxBody);
    // The library's default also sets SO_REUSEPORT, with which a second
    // server could share (and answer on) the port: only SO_REUSEADDR here.
    server_.set_socket_options([](socket_t sock) {
      int yes = 1;
      ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    server_.set_read_timeout(10, 0);
    server_.set_keep_alive_max_count(100);
    server_.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
      lastRequest_ = Clock::now().time_since_epoch().count();
      return admitted(req, res) ? httplib::Server::HandlerResponse::Unhandled
                                : httplib::Server::HandlerResponse::Handled;
    });
    server_.Get("/", [this](const httplib::Request&, httplib::Response& res) {
      res.set_header("Cache-Control", "no-store");
      res.set_header("X-Frame-Options", "DENY");
      res.set_header("Referrer-Policy", "no-referrer");
      res.set_content(reviewPage(results_, token_), "text/html; charset=utf-8");
    });
    server_.Post("/accept", [this](const httplib::Request& req, httplib::Response& res) { accept(req, res); });
    if (options_.port == 0) {
      port_ = server_.bind_to_any_port("127.0.0.1");
      if (port_ < 0) throw OutputError("review: cannot listen on 127.0.0.1");
    } else {
      port_ = options_.port;
      if (!server_.bind_to_port("127.0.0.1", port_))
        throw OutputError("review: cannot listen on 127.0.0.1:" + std::to_string(port_) + " (in use?)");
    }
    host_ = "127.0.0.1:" + std::to_string(port_);
    const std::string url = "http://" + host_ + "/?token=" + token_;
    out_ << "review: " << url << "\n(Ctrl-C stops" << (options_.idleTimeout > 0 ? ", as does being idle" : "")
         << ")" << std::endl;
    pid_t browser = options_.open ? openInBrowser(url, out_) : 0;
    lastRequest_ = Clock::now().time_since_epoch().count();
    std::atomic<bool> done = false;
    std::thread watcher([&] { watch(done); });
    server_.listen_after_bind();
    done = true;
    watcher.join();
    if (browser > 0) ::waitpid(browser, nullptr, WNOHANG);
    out_ << "review: stopped" << (stoppedIdle_ ? " (idle)" : "") << std::endl;
  }

 private:
  // Stops the server on Ctrl-C or once it was idle for the timeout.
  void watch(const std::atomic<bool>& done) {
    while (!done) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      Clock::duration idle = Clock::now().time_since_epoch() - Clock::duration(lastRequest_.load());
      bool idleOut = options_.idleTimeout > 0 && std::chrono::duration<double>(idle).count() > options_.idleTimeout;
      if (idleOut || interruptRequested()) {
        stoppedIdle_ = idleOut;
        server_.stop();
        return;
      }
    }
  }

  // Whether the request may go on: Host is the address served, Origin (when
  // sent) is this server, and the token is the run's.
  bool admitted(const httplib::Request& req, httplib::Response& res) const {
    if (req.get_header_value("Host") != host_) {
      answerJson(res, 403, {{"error", "wrong Host"}});
      return false;
    }
    if (req.has_header("Origin") && req.get_header_value("Origin") != "http://" + host_) {
      answerJson(res, 403, {{"error", "cross-site request"}});
      return false;
    }
    const std::string site = req.get_header_value("Sec-Fetch-Site");
    if (site == "cross-site" || site == "same-site") {
      answerJson(res, 403, {{"error", "cross-site request"}});
      return false;
    }
    const std::string given =
        req.method == "GET" ? req.get_param_value("token") : req.get_header_value("X-Review-Token");
    if (!sameToken(given, token_)) {
      answerJson(res, 403, {{"error", "no or wrong token"}});
      return false;
    }
    return true;
  }

  // POST /accept doc=INDEX [check=NAME]: accepts that row's change (every
  // change of the document without a check), as `baseline accept` does.
  void accept(const httplib::Request& req, httplib::Response& res) {
    const std::string docText = req.get_param_value("doc"), check = req.get_param_value("check");
    const DocumentResult* document = nullptr;
    for (const DocumentResult& d : results_.documents)
      if (std::to_string(d.index) == docText) document = &d;
    if (document == nullptr) return answerJson(res, 400, {{"error", "no such document in the run"}});
    std::vector<std::string> checks;
    if (!check.empty()) {
      bool known = false;
      for (const CheckRow& r : document->rows) known = known || r.check == check;
      if (!known) return answerJson(res, 400, {{"error", "no such check of the document in the run"}});
      checks.push_back(catalogNameOf(check));
    }
    std::lock_guard<std::mutex> lock(acceptLock_);
    std::ostringstream said;
    try {
      DocumentItem item{document->path, document->path, document->label, ""};
      int n = acceptChanges(item, checks, options_.build, said);
      out_ << said.str() << std::flush;
      answerJson(res, 200, {{"accepted", n}, {"output", said.str()}});
    } catch (const std::exception& e) {
      out_ << "review: " << document->label << ": " << e.what() << std::endl;
      answerJson(res, 409, {{"error", e.what()}});
    }
  }

  const RunResults& results_;
  const ReviewOptions& options_;
  std::ostream& out_;
  const std::string token_;
  httplib::Server server_;
  int port_ = 0;
  std::string host_;
  std::atomic<Clock::rep> lastRequest_{0};
  std::atomic<bool> stoppedIdle_ = false;
  std::mutex acceptLock_;
};

}  // namespace

RunResults reviewableResults(const std::string& resultsPath) {
  std::string file = resultsPath;
  if (platform::folderExists(resultsPath)) file = platform::joinPath(resultsPath, kReviewResultsName);
  if (!platform::fileExists(file))
    throw UsageError("review: no run results at " + file + " (a check run writes " + kReviewResultsName +
                     " into its results folder)");
  if (platform::fileLength(file) > 1024 * 1024 * 1024) throw UsageError("review: " + file + " is too large");
  RunResults results = resultsFromJson(platform::readFile(file), file);
  if (results.resultsFolder.empty() || !platform::folderExists(results.resultsFolder))
    results.resultsFolder = std::string(platform::folderOf(file));
  for (DocumentResult& d : results.documents)
    for (CheckRow& r : d.rows)
      for (std::string* image : {&r.images.baseline, &r.images.fresh, &r.images.difference})
        if (!insideResults(*image)) image->clear();
  return results;
}

std::string reviewPage(const RunResults& results, const std::string& token) {
  std::string html = htmlReport(results, results.resultsFolder);
  // The page calls back to this server, and only to it.
  const std::string policy = "default-src 'none';";
  if (std::size_t at = html.find(policy); at != std::string::npos)
    html.replace(at, policy.size(), "default-src 'none'; connect-src 'self';");
  // The token goes on the body tag, whatever attributes the report gives it.
  if (std::size_t at = html.find("<body"); at != std::string::npos)
    html.insert(at + 5, " data-review-token=\"" + token + "\"");
  if (std::size_t at = html.find("</head>"); at != std::string::npos)
    html.insert(at, "<style>" + std::string(kReviewStyle) + "</style>");
  if (std::size_t at = html.rfind("</body>"); at != std::string::npos)
    html.insert(at, "<script>" + std::string(kReviewScript) + "</script>\n");
  return html;
}

void serveReview(const RunResults& results, const ReviewOptions& options, std::ostream& out) {
  ReviewService service(results, options, out);
  service.serve();
}

}  // namespace rc::tools
