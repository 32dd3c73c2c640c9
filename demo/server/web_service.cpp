#include "web_service.h"

#include <httplib.h>

#include <charconv>
#include <chrono>
#include <nlohmann/json.hpp>

namespace orvane::demo {

namespace {

constexpr const char* kJson = "application/json; charset=utf-8";
constexpr const char* kText = "text/plain; charset=utf-8";

// A whole query parameter as a number in [low, high].
bool queryNumber(const httplib::Request& request, const char* name, std::uint64_t low,
                 std::uint64_t high, std::uint64_t& out) {
  if (!request.has_param(name)) return false;
  const std::string text = request.get_param_value(name);
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
    return false;
  }
  out = value;
  return true;
}

void answerJson(httplib::Response& response, const nlohmann::json& body, int status = 200) {
  response.status = status;
  response.set_content(body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace), kJson);
}

void answerError(httplib::Response& response, int status, const std::string& why) {
  answerJson(response, {{"error", why}}, status);
}

}  // namespace

WebService::WebService(const DemoOptions& options, std::string pageRoot, PushService& push,
                       EventLog& log)
    : options_(options),
      pageRoot_(std::move(pageRoot)),
      push_(push),
      log_(log),
      server_(std::make_unique<httplib::Server>()) {
  addRoutes();
}

WebService::~WebService() { stop(); }

void WebService::addRoutes() {
  httplib::Server& http = *server_;
  // Idle keep-alive connections hold a worker until this runs out, and the
  // stop waits for the workers.
  http.set_keep_alive_timeout(1);
  http.set_payload_max_length(kMaxPushBytes + 1);
  // The page's own files: no caching, so an edited page shows on reload; the
  // charset given, so the Chinese in scripts and styles is read as UTF-8.
  for (const auto& [extension, type] : {std::pair{"html", "text/html; charset=utf-8"},
                                        {"js", "text/javascript; charset=utf-8"},
                                        {"mjs", "text/javascript; charset=utf-8"},
                                        {"css", "text/css; charset=utf-8"},
                                        {"json", kJson},
                                        {"svg", "image/svg+xml"}}) {
    http.set_file_extension_and_mimetype_mapping(extension, type);
  }
  http.set_mount_point(pagePath(), pageRoot_, {{"Cache-Control", "no-cache"}});

  http.set_logger([this](const httplib::Request& request, const httplib::Response& response) {
    std::string target = request.path;
    if (!request.params.empty()) {
      std::string query;
      for (const auto& [name, value] : request.params) {
        query += (query.empty() ? "?" : "&") + name + "=" + value;
      }
      target += query;
    }
    log_.line("http " + request.method + " " + target + " " + std::to_string(response.status));
  });

  http.Get("/", [this](const httplib::Request&, httplib::Response& response) {
    response.set_content(
        "<!doctype html><meta charset=\"utf-8\"><title>orvane demo server</title>"
        "<p>orvane demo server: <a href=\"" +
            pagePath() + "\">" + pagePath() + "</a></p>\n",
        "text/html; charset=utf-8");
  });

  http.Get("/api100.php", [this](const httplib::Request& request, httplib::Response& response) {
    if (request.get_param_value("fun") == "port" && request.get_param_value("name") == "tcp") {
      response.set_content(std::to_string(push_.port()), kText);
    } else {
      response.status = 404;
      response.set_content("unknown query\n", kText);
    }
  });

  // The page's folder without its slash: relative asset paths need the slash.
  const std::string folder = pagePath().substr(0, pagePath().size() - 1);
  http.Get(folder, [this](const httplib::Request&, httplib::Response& response) {
    response.set_redirect(pagePath(), 301);
  });

  http.Get("/api/board", [this](const httplib::Request&, httplib::Response& response) {
    response.set_header("Cache-Control", "no-store");
    response.set_content(push_.snapshotText(), kJson);
  });

  http.Post("/admin/push", [this](const httplib::Request& request, httplib::Response& response) {
    if (request.body.empty()) return answerError(response, 400, "the body is the envelope");
    if (request.body.size() > kMaxPushBytes) {
      return answerError(response, 413, "an envelope is at most 3145728 bytes");
    }
    answerJson(response, {{"clients", push_.pushRaw(request.body)}});
  });

  http.Post("/admin/update", [this](const httplib::Request&, httplib::Response& response) {
    answerJson(response, {{"clients", push_.pushUpdate()}});
  });

  http.Post("/admin/snapshot", [this](const httplib::Request&, httplib::Response& response) {
    answerJson(response, {{"clients", push_.pushSnapshot()}});
  });

  http.Post("/admin/burst", [this](const httplib::Request& request, httplib::Response& response) {
    std::uint64_t count = 0;
    if (!queryNumber(request, "count", 1, 100000000, count)) {
      return answerError(response, 400, "count is a number from 1 to 100000000");
    }
    const auto started = push_.startBurst(count);
    if (!started) return answerError(response, 409, "a burst is running");
    answerJson(response, {{"firstSeq", started->firstSeq}, {"count", started->count}}, 202);
  });

  http.Post("/admin/interval",
            [this](const httplib::Request& request, httplib::Response& response) {
              std::uint64_t ms = 0;
              if (!queryNumber(request, "ms", 0, 86400000, ms)) {
                return answerError(response, 400, "ms is a number from 0 to 86400000");
              }
              push_.setIntervalMs(static_cast<std::int64_t>(ms));
              answerJson(response, {{"intervalMs", ms}});
            });

  http.Get("/admin/logins", [this](const httplib::Request&, httplib::Response& response) {
    nlohmann::json list = nlohmann::json::array();
    for (const LoginRecord& login : push_.logins()) {
      list.push_back({{"client", login.client},
                      {"uid", login.uid},
                      {"app", login.app},
                      {"remote", login.remote},
                      {"at", login.atMs},
                      {"connected", login.connected}});
    }
    answerJson(response, {{"logins", std::move(list)}});
  });

  http.Get("/admin/status", [this](const httplib::Request&, httplib::Response& response) {
    const PushStatus status = push_.status();
    answerJson(response, {{"seq", status.seq},
                          {"connections", status.connections},
                          {"loggedIn", status.loggedIn},
                          {"intervalMs", status.intervalMs},
                          {"burstRunning", status.burstRunning},
                          {"burstSent", status.burstSent},
                          {"pushPort", push_.port()},
                          {"webPort", port_}});
  });
}

bool WebService::start(std::string& error) {
  int port = options_.webPort;
  if (port == 0) {
    port = server_->bind_to_any_port(options_.bindAddress);
  } else if (!server_->bind_to_port(options_.bindAddress, port)) {
    port = -1;
  }
  if (port <= 0) {
    error = "cannot listen on " + options_.bindAddress + ":" + std::to_string(options_.webPort);
    return false;
  }
  port_ = static_cast<std::uint16_t>(port);
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  // stop() only takes effect on a server that runs; wait until it does, so a
  // stop that comes at once cannot be lost.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!server_->is_running() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (!server_->is_running()) {
    error = "the web server did not start";
    return false;
  }
  return true;
}

void WebService::stop() {
  server_->stop();
  if (thread_.joinable()) thread_.join();
}

}  // namespace orvane::demo
