// The review's HTTP server module (libravelcrest_review.so): cpp-httplib on
// the loopback address, every request handed to the program's callbacks
// (ServerModule.h). Listens with SO_REUSEADDR only, reads a request for at
// most 10 seconds and keeps a connection for at most 100 requests.
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "tools/review/ServerModule.h"

namespace {

rc_review_text textOf(const std::string& s) { return {s.data(), s.size()}; }

// The request's fields, kept alive while the callbacks read them.
struct RequestView {
  std::string host, origin, fetchSite, tokenHeader, tokenParameter, document, check;
  rc_review_request request{};

  explicit RequestView(const httplib::Request& req)
      : host(req.get_header_value("Host")),
        origin(req.get_header_value("Origin")),
        fetchSite(req.get_header_value("Sec-Fetch-Site")),
        tokenHeader(req.get_header_value("X-Review-Token")),
        tokenParameter(req.get_param_value("token")),
        document(req.get_param_value("doc")),
        check(req.get_param_value("check")) {
    request = {textOf(req.method),    textOf(host),          req.has_header("Origin") ? 1 : 0,
               textOf(origin),        textOf(fetchSite),     textOf(tokenHeader),
               textOf(tokenParameter), textOf(document),     textOf(check)};
  }
};

// An answer written into `res`.
struct Answer {
  httplib::Response& res;
  rc_review_answer table{this, &Answer::header, &Answer::content};

  explicit Answer(httplib::Response& r) : res(r) {}

  static void header(void* self, const char* name, const char* value) {
    static_cast<Answer*>(self)->res.set_header(name, value);
  }
  static void content(void* self, int status, rc_review_text body, const char* type) {
    httplib::Response& res = static_cast<Answer*>(self)->res;
    res.status = status;
    res.set_content(body.data, body.size, type);
  }
};

int serve(const rc_review_program* program, int port, std::size_t maxBody) {
  httplib::Server server;
  server.set_payload_max_length(maxBody);
  // The library's default also sets SO_REUSEPORT, with which a second
  // server could share (and answer on) the port: only SO_REUSEADDR here.
  server.set_socket_options([](socket_t sock) {
    int yes = 1;
    ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  server.set_read_timeout(10, 0);
  server.set_keep_alive_max_count(100);
  server.set_pre_routing_handler([program](const httplib::Request& req, httplib::Response& res) {
    RequestView view(req);
    Answer answer(res);
    return program->admit(program->context, &view.request, &answer.table) ? httplib::Server::HandlerResponse::Unhandled
                                                                          : httplib::Server::HandlerResponse::Handled;
  });
  server.Get("/", [program](const httplib::Request& req, httplib::Response& res) {
    RequestView view(req);
    Answer answer(res);
    program->page(program->context, &view.request, &answer.table);
  });
  server.Post("/accept", [program](const httplib::Request& req, httplib::Response& res) {
    RequestView view(req);
    Answer answer(res);
    program->accept(program->context, &view.request, &answer.table);
  });
  if (port == 0) {
    port = server.bind_to_any_port("127.0.0.1");
    if (port < 0) return -1;
  } else if (!server.bind_to_port("127.0.0.1", port)) {
    return -1;
  }
  program->listening(program->context, port);
  std::atomic<bool> done = false;
  std::thread watcher([&] {
    while (!done) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      if (program->stopRequested(program->context)) {
        server.stop();
        return;
      }
    }
  });
  server.listen_after_bind();
  done = true;
  watcher.join();
  return 0;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) const rc_review_server_functions* rc_review_server_v1(void) {
  static const rc_review_server_functions functions{serve};
  return &functions;
}
