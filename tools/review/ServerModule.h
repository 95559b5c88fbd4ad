// The HTTP server of `ravelcrest review`, loaded only when a review is
// served: the module libravelcrest_review.so links cpp-httplib (and with it
// OpenSSL and brotli), so that every other command starts without them.
//
// The module knows HTTP and nothing of the review: the program hands it a
// table of callbacks (rc_review_program) that admit requests and answer
// them, and the module hands back its table (rc_review_server_functions).
// Texts cross as pointer and size, valid for the call only; no exception
// crosses either way.
#pragma once

#include <cstddef>

extern "C" {

// A text: `size` bytes at `data`.
struct rc_review_text {
  const char* data;
  std::size_t size;
};

// A request as the program's callbacks see it (parameters come from the
// query, and for /accept from the form body too).
struct rc_review_request {
  rc_review_text method;
  rc_review_text host;           // the Host header
  int hasOrigin;                 // whether an Origin header came
  rc_review_text origin;
  rc_review_text fetchSite;      // Sec-Fetch-Site
  rc_review_text tokenHeader;    // X-Review-Token
  rc_review_text tokenParameter; // ?token=
  rc_review_text document;       // doc=
  rc_review_text check;          // check=
};

// How a callback answers: headers first, then the status and content.
struct rc_review_answer {
  void* response;
  void (*header)(void* response, const char* name, const char* value);
  void (*content)(void* response, int status, rc_review_text body, const char* type);
};

// What the module needs from the program.
struct rc_review_program {
  void* context;
  // Called once the server listens, with its port.
  void (*listening)(void* context, int port);
  // Polled every 50 ms: nonzero stops the server.
  int (*stopRequested)(void* context);
  // Called before anything else for every request: nonzero lets it go on;
  // zero when the callback answered it (a refusal).
  int (*admit)(void* context, const rc_review_request* request, const rc_review_answer* answer);
  // GET /: the page.
  void (*page)(void* context, const rc_review_request* request, const rc_review_answer* answer);
  // POST /accept.
  void (*accept)(void* context, const rc_review_request* request, const rc_review_answer* answer);
};

// The module's functions.
struct rc_review_server_functions {
  // Serves on 127.0.0.1:`port` (0: a free port) until `program` asks it to
  // stop; bodies above `maxBody` bytes are refused. Answers 0, or -1 when it
  // cannot listen.
  int (*serve)(const rc_review_program* program, int port, std::size_t maxBody);
};

// The module's entry: its table of functions, valid while it is loaded.
const rc_review_server_functions* rc_review_server_v1(void);
}

namespace rc::tools {

inline constexpr const char* kReviewModuleFileName = "libravelcrest_review.so";
inline constexpr const char* kReviewModuleEntry = "rc_review_server_v1";

// The server's functions; the module is loaded on the first call and stays.
// $RAVELCREST_REVIEW_MODULE names the module file instead of the one found
// as platform/os/OnDemandModules.h says. Raises OutputError naming the
// module (and where it was looked for) when it cannot be loaded.
const rc_review_server_functions& reviewServerModule();

}  // namespace rc::tools
