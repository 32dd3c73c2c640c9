#pragma once
// A real GTK main window with a WebKitGTK view in it, on the test's own
// desktop, and a loopback web server for its pages.

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/main_window_gtk.h"
#include "support/gtk_desktop/gtk_desktop.h"
#include "support/gtk_desktop/main_loop.h"
#include "support/http_server/loopback_http_server.h"
#include "webview/web_view_gtk.h"

namespace orvane::testing {

struct LoadEvent {
  int result;
  std::string reason;
};

// Brings the desktop up before the fixture's windows are made.
class OnGtkDesktop : public ::testing::Test {
 protected:
  OnGtkDesktop() {
    std::string error;
    if (!setUpGtkDesktop({}, &error)) {
      std::fprintf(stderr, "no test desktop: %s\n", error.c_str());
      std::abort();
    }
  }
};

class WebViewTest : public OnGtkDesktop {
 protected:
  void SetUp() override {
    // One request per connection: the engine's network process keeps idle
    // connections open, which would hold the server's stop for seconds.
    web.server().set_keep_alive_max_count(1);
    addPage("/blank", "<!doctype html><html><body></body></html>");
  }

  void TearDown() override {
    view.unbind();
    window.destroy();
    web.stop();
  }

  // Serves `html` at `path` (UTF-8).
  void addPage(const std::string& path, std::string html) {
    web.server().Get(
        path, [html = std::move(html)](const httplib::Request&, httplib::Response& response) {
          response.set_content(html, "text/html; charset=utf-8");
        });
  }

  // Starts the server, binds the view into the window and shows it.
  void bindAndShow(const WindowRect& rect = {0, 0, 800, 600}, bool transparent = true) {
    ASSERT_TRUE(web.start());
    ASSERT_TRUE(view.bind(window, transparent));
    view.setLoadFinishedHandler([this](int result, const std::string& reason) {
      loads.push_back({result, reason});
    });
    window.placeOn(rect);
  }

  // Loads and waits for the loading-finished event; returns it.
  std::optional<LoadEvent> loadAndWait(const std::string& url) {
    const std::size_t before = loads.size();
    view.load(url);
    if (!runLoopUntil([&] { return loads.size() > before; })) return std::nullopt;
    return loads.back();
  }

  // Runs a script in the page directly through the engine and returns its
  // value as text (JSON.stringify it in the page for structures).
  std::string evaluate(const std::string& script) {
    struct Result {
      bool done = false;
      std::string text;
    };
    // Shared with the completion, which may come after a time-out.
    auto result = std::make_shared<Result>();
    webkit_web_view_evaluate_javascript(
        view.webKitView(), script.c_str(), -1, nullptr, nullptr, nullptr,
        [](GObject* source, GAsyncResult* async, gpointer data) {
          const std::unique_ptr<std::shared_ptr<Result>> holder(
              static_cast<std::shared_ptr<Result>*>(data));
          Result* out = holder->get();
          GError* error = nullptr;
          JSCValue* value =
              webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), async, &error);
          if (value != nullptr) {
            gchar* text = jsc_value_to_string(value);
            out->text = text != nullptr ? text : "";
            g_free(text);
            g_object_unref(value);
          } else {
            out->text = std::string("error: ") + (error != nullptr ? error->message : "?");
          }
          if (error != nullptr) g_error_free(error);
          out->done = true;
        },
        new std::shared_ptr<Result>(result));
    if (!runLoopUntil([&] { return result->done; })) return "timed out";
    return result->text;
  }

  LoopbackHttpServer web;
  GtkMainWindow window;
  GtkWebView view;
  std::vector<LoadEvent> loads;
};

}  // namespace orvane::testing
