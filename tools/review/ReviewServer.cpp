#include "tools/review/ReviewServer.h"

#include <spawn.h>
#include <sys/random.h>
#include <sys/wait.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string_view>

#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "tools/baseline/BaselineReview.h"
#include "tools/check/ImageChecks.h"
#include "tools/check/LastRun.h"
#include "tools/common/Command.h"
#include "tools/common/Interrupt.h"
#include "tools/common/OutputFiles.h"
#include "tools/reports/HtmlReport.h"
#include "tools/review/ReviewPageScript.h"
#include "tools/review/ServerModule.h"

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
bool sameToken(std::string_view given, const std::string& token) {
  if (given.size() != token.size()) return false;
  unsigned char diff = 0;
  for (std::size_t i = 0; i < token.size(); ++i) diff |= static_cast<unsigned char>(given[i] ^ token[i]);
  return diff == 0;
}

std::string_view viewOf(rc_review_text t) { return {t.data, t.size}; }

void answerJson(const rc_review_answer& answer, int status, const nlohmann::json& body) {
  // Names and paths in an answer may hold bytes that are not UTF-8.
  const std::string text = body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  answer.content(answer.response, status, {text.data(), text.size()}, "application/json");
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

// The review behind the HTTP server module: it admits requests, serves the
// page and accepts changes; the module only speaks HTTP.
class ReviewService {
 public:
  ReviewService(const RunResults& results, const ReviewOptions& options, std::ostream& out)
      : results_(results), options_(options), out_(out), token_(randomToken()) {}

  void serve() {
    const rc_review_server_functions& server = reviewServerModule();
    const rc_review_program program{this, &ReviewService::listening, &ReviewService::stopRequested,
                                    &ReviewService::admit, &ReviewService::page, &ReviewService::accept};
    lastRequest_ = Clock::now().time_since_epoch().count();
    if (server.serve(&program, options_.port, options_.maxBody) != 0)
      throw OutputError(options_.port == 0 ? "review: cannot listen on 127.0.0.1"
                                           : "review: cannot listen on 127.0.0.1:" + std::to_string(options_.port) +
                                                 " (in use?)");
    if (browser_ > 0) ::waitpid(browser_, nullptr, WNOHANG);
    out_ << "review: stopped" << (stoppedIdle_ ? " (idle)" : "") << std::endl;
  }

 private:
  static ReviewService& self(void* context) { return *static_cast<ReviewService*>(context); }

  // Prints the URL (and opens it) once the server listens on `port`.
  static void listening(void* context, int port) {
    ReviewService& s = self(context);
    s.host_ = "127.0.0.1:" + std::to_string(port);
    const std::string url = "http://" + s.host_ + "/?token=" + s.token_;
    s.out_ << "review: " << url << "\n(Ctrl-C stops" << (s.options_.idleTimeout > 0 ? ", as does being idle" : "")
           << ")" << std::endl;
    s.browser_ = s.options_.open ? openInBrowser(url, s.out_) : 0;
    s.lastRequest_ = Clock::now().time_since_epoch().count();
  }

  // Whether to stop: Ctrl-C, or idle for the timeout.
  static int stopRequested(void* context) {
    ReviewService& s = self(context);
    Clock::duration idle = Clock::now().time_since_epoch() - Clock::duration(s.lastRequest_.load());
    bool idleOut = s.options_.idleTimeout > 0 && std::chrono::duration<double>(idle).count() > s.options_.idleTimeout;
    if (!idleOut && !interruptRequested()) return 0;
    s.stoppedIdle_ = idleOut;
    return 1;
  }

  // Whether the request may go on: Host is the address served, Origin (when
  // sent) is this server, and the token is the run's.
  static int admit(void* context, const rc_review_request* req, const rc_review_answer* answer) {
    ReviewService& s = self(context);
    s.lastRequest_ = Clock::now().time_since_epoch().count();
    if (viewOf(req->host) != s.host_) {
      answerJson(*answer, 403, {{"error", "wrong Host"}});
      return 0;
    }
    if (req->hasOrigin && viewOf(req->origin) != "http://" + s.host_) {
      answerJson(*answer, 403, {{"error", "cross-site request"}});
      return 0;
    }
    const std::string_view site = viewOf(req->fetchSite);
    if (site == "cross-site" || site == "same-site") {
      answerJson(*answer, 403, {{"error", "cross-site request"}});
      return 0;
    }
    const std::string_view given = viewOf(viewOf(req->method) == "GET" ? req->tokenParameter : req->tokenHeader);
    if (!sameToken(given, s.token_)) {
      answerJson(*answer, 403, {{"error", "no or wrong token"}});
      return 0;
    }
    return 1;
  }

  // GET /: the review page, never cached or framed.
  static void page(void* context, const rc_review_request*, const rc_review_answer* answer) {
    ReviewService& s = self(context);
    try {
      const std::string html = reviewPage(s.results_, s.token_);
      answer->header(answer->response, "Cache-Control", "no-store");
      answer->header(answer->response, "X-Frame-Options", "DENY");
      answer->header(answer->response, "Referrer-Policy", "no-referrer");
      answer->content(answer->response, 200, {html.data(), html.size()}, "text/html; charset=utf-8");
    } catch (const std::exception& e) {
      answerJson(*answer, 500, {{"error", e.what()}});
    }
  }

  // POST /accept doc=INDEX [check=NAME]: accepts that row's change (every
  // change of the document without a check), as `baseline accept` does.
  static void accept(void* context, const rc_review_request* req, const rc_review_answer* answer) {
    try {
      self(context).accept(viewOf(req->document), viewOf(req->check), *answer);
    } catch (const std::exception& e) {
      answerJson(*answer, 500, {{"error", e.what()}});
    }
  }

  void accept(std::string_view docText, std::string_view check, const rc_review_answer& answer) {
    const DocumentResult* document = nullptr;
    for (const DocumentResult& d : results_.documents)
      if (std::to_string(d.index) == docText) document = &d;
    if (document == nullptr) return answerJson(answer, 400, {{"error", "no such document in the run"}});
    std::vector<std::string> checks;
    if (!check.empty()) {
      bool known = false;
      for (const CheckRow& r : document->rows) known = known || r.check == check;
      if (!known) return answerJson(answer, 400, {{"error", "no such check of the document in the run"}});
      checks.push_back(catalogNameOf(std::string(check)));
    }
    std::lock_guard<std::mutex> lock(acceptLock_);
    std::ostringstream said;
    try {
      if (!platform::fileExists(document->path))
        return answerJson(answer, 409, {{"error", document->path + " no longer exists: nothing of it is accepted"}});
      if (std::string stale = staleChange(*document, check); !stale.empty())
        return answerJson(answer, 409, {{"error", stale}});
      DocumentItem item{document->path, document->path, document->label, ""};
      int n = acceptChanges(item, checks, options_.build, said);
      out_ << said.str() << std::flush;
      answerJson(answer, 200, {{"accepted", n}, {"output", said.str()}});
    } catch (const std::exception& e) {
      out_ << "review: " << document->label << ": " << e.what() << std::endl;
      answerJson(answer, 409, {{"error", e.what()}});
    }
  }

  // Why accepting `check` of `document` (every change when empty) would not
  // accept what the page shows: a later run recorded another new value
  // for it. "" when it would.
  static std::string staleChange(const DocumentResult& document, std::string_view check) {
    const std::string host = hostPathOf(document.path);
    const LastRun last = readLastRun(std::string(platform::folderOf(document.path)), std::string(platform::fileName(host)));
    for (const CheckRow& row : document.rows) {
      if ((!check.empty() && row.check != check) || row.newValue.empty()) continue;
      for (const AcceptableChange& change : last.changes)
        if (change.check == row.check && !change.newValue.empty() && change.newValue != row.newValue)
          return "the document's last run has another new value for " + row.check + " (" + change.newValue +
                 ", not " + row.newValue + "): review that run";
    }
    return "";
  }

  const RunResults& results_;
  const ReviewOptions& options_;
  std::ostream& out_;
  const std::string token_;
  std::string host_;
  pid_t browser_ = 0;
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
