#include "webview/web_view_gtk.h"

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "webview/call_trace.h"
#include "webview/glib_ptr_gtk.h"
#include "webview/gpu_render_node_linux.h"
#include "webview/gtk_window_host.h"
#include "webview/main_window.h"
#include "webview/page_bridge_gtk.h"
#include "webview/window_grips.h"

namespace orvane {

namespace {

// Scripts handed to the engine and not yet finished. Shared with their
// completions and with the threads waiting for room; the generation tells the
// completions of an earlier binding (or an earlier engine view) apart.
struct ScriptWindow {
  std::mutex mutex;
  std::condition_variable room;
  int inFlight = 0;
  bool open = false;
  unsigned generation = 0;
};

struct ScriptTicket {
  std::weak_ptr<ScriptWindow> window;
  unsigned generation = 0;
  std::function<void()> finished;
};

// A page cannot make the program hold more than this of one call's argument.
constexpr std::size_t kMaxCallArgument = 64u * 1024u * 1024u;

// Program handlers run inside GLib signal emissions: nothing may escape.
template <typename Call>
void guarded(const char* what, Call&& call) noexcept {
  try {
    call();
  } catch (const std::exception& e) {
    g_critical("%s: %s", what, e.what());
  } catch (...) {
    g_critical("%s failed", what);
  }
}

std::string takeText(gchar* text) {
  const GCharPtr owner(text);
  return owner ? std::string(owner.get()) : std::string();
}

std::string propertyText(JSCValue* object, const char* name) {
  const auto value = GObjectPtr<JSCValue>::adopt(jsc_value_object_get_property(object, name));
  if (!value || jsc_value_is_undefined(value.get()) || jsc_value_is_null(value.get())) return {};
  return takeText(jsc_value_to_string(value.get()));
}

double propertyNumber(JSCValue* object, const char* name) {
  const auto value = GObjectPtr<JSCValue>::adopt(jsc_value_object_get_property(object, name));
  return value && jsc_value_is_number(value.get()) ? jsc_value_to_double(value.get()) : 0.0;
}

GdkWindowEdge edgeOf(GripHit hit) {
  switch (hit) {
    case kGripTop:
      return GDK_WINDOW_EDGE_NORTH;
    case kGripLeft:
      return GDK_WINDOW_EDGE_WEST;
    case kGripRight:
      return GDK_WINDOW_EDGE_EAST;
    case kGripBottom:
      return GDK_WINDOW_EDGE_SOUTH;
    case kGripTopLeft:
      return GDK_WINDOW_EDGE_NORTH_WEST;
    case kGripTopRight:
      return GDK_WINDOW_EDGE_NORTH_EAST;
    case kGripBottomLeft:
      return GDK_WINDOW_EDGE_SOUTH_WEST;
    case kGripBottomRight:
    case kGripClient:
      break;
  }
  return GDK_WINDOW_EDGE_SOUTH_EAST;
}

const char* cursorOf(GripHit hit) {
  switch (hit) {
    case kGripTop:
    case kGripBottom:
      return "ns-resize";
    case kGripLeft:
    case kGripRight:
      return "ew-resize";
    case kGripTopLeft:
    case kGripBottomRight:
      return "nwse-resize";
    case kGripTopRight:
    case kGripBottomLeft:
      return "nesw-resize";
    case kGripClient:
      break;
  }
  return "default";
}

std::string terminationText(WebKitWebProcessTerminationReason reason) {
  switch (reason) {
    case WEBKIT_WEB_PROCESS_CRASHED:
      return "crashed";
    case WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT:
      return "exceeded memory limit";
    case WEBKIT_WEB_PROCESS_TERMINATED_BY_API:
      return "terminated by API";
  }
  return "ended";
}

}  // namespace

struct GtkWebView::State {
  // Kept across bindings.
  std::string storageDirectory;
  bool resizable = false;
  TrackSize minTrack;
  TrackSize maxTrack;
  std::shared_ptr<ScriptWindow> scripts = std::make_shared<ScriptWindow>();

  // Released by unbind.
  ConsoleHandler console;
  LoadFinishedHandler loadFinished;
  GestureHandler rightDoubleClick;
  ProcessGoneHandler processGone;
  std::map<std::string, NativeFunction> functions;

  // The binding.
  bool bound = false;
  bool transparent = false;
  GObjectPtr<GtkWindow> window;

  // The engine view inside it.
  std::string engineStorageDirectory;
  GObjectPtr<WebKitWebContext> context;
  GObjectPtr<WebKitUserContentManager> content;
  GObjectPtr<WebKitWebView> view;
  GObjectPtr<GCancellable> cancellable;
  std::vector<SignalConnection> connections;
  bool loadFailed = false;
  bool gripCursor = false;
};

namespace {

using State = GtkWebView::State;

void reportLoad(State& s, int result, const std::string& reason) {
  if (!s.loadFinished) return;
  auto handler = s.loadFinished;
  guarded("loading-finished handler", [&] { handler(result, reason); });
}

void installBootstrap(State& s) {
  if (!s.content) return;
  std::vector<std::string> names;
  for (const auto& entry : s.functions) names.push_back(entry.first);
  const std::string source = page_bridge::bootstrapScript(names);
  webkit_user_content_manager_remove_all_scripts(s.content.get());
  WebKitUserScript* script =
      webkit_user_script_new(source.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                             WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
  webkit_user_content_manager_add_script(s.content.get(), script);
  webkit_user_script_unref(script);
}

void applySizeBounds(State& s) {
  if (!s.window) return;
  const SizeBounds bounds = sizeBoundsFor(s.minTrack, s.maxTrack);
  GdkGeometry geometry{};
  int hints = 0;
  if (bounds.hasMin) {
    geometry.min_width = std::max(1, bounds.min.width);
    geometry.min_height = std::max(1, bounds.min.height);
    hints |= GDK_HINT_MIN_SIZE;
  }
  if (bounds.hasMax) {
    geometry.max_width = std::max(1, bounds.max.width);
    geometry.max_height = std::max(1, bounds.max.height);
    hints |= GDK_HINT_MAX_SIZE;
  }
  gtk_window_set_geometry_hints(s.window.get(), nullptr, hints != 0 ? &geometry : nullptr,
                                GdkWindowHints(hints));
}

// The grip under a point given in screen coordinates.
GripHit gripAt(State& s, double rootX, double rootY) {
  GdkWindow* gdk = s.window ? gtk_widget_get_window(GTK_WIDGET(s.window.get())) : nullptr;
  if (gdk == nullptr) return kGripClient;
  int originX = 0;
  int originY = 0;
  gdk_window_get_origin(gdk, &originX, &originY);
  const GdkWindowState state = gdk_window_get_state(gdk);
  const bool maximized = (state & (GDK_WINDOW_STATE_MAXIMIZED | GDK_WINDOW_STATE_FULLSCREEN)) != 0;
  return hitTestGrip(static_cast<int>(rootX) - originX, static_cast<int>(rootY) - originY,
                     gdk_window_get_width(gdk), gdk_window_get_height(gdk), maximized);
}

void closeScriptWindow(State& s, bool stillOpen) {
  std::lock_guard lock(s.scripts->mutex);
  // Completions of what was in flight now belong to an older generation.
  ++s.scripts->generation;
  s.scripts->inFlight = 0;
  s.scripts->open = stillOpen;
  s.scripts->room.notify_all();
}

void detachEngine(State& s, bool viewBeingDestroyed);
void unbindState(State& s, bool viewBeingDestroyed);

// --- engine signals -------------------------------------------------------

void onLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
  State& s = *static_cast<State*>(data);
  if (event == WEBKIT_LOAD_STARTED) {
    s.loadFailed = false;
  } else if (event == WEBKIT_LOAD_FINISHED) {
    // A failed load finishes too; it has been reported already.
    const bool failed = std::exchange(s.loadFailed, false);
    if (!failed) reportLoad(s, kLoadSucceeded, {});
  }
}

gboolean onLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError* error, gpointer data) {
  State& s = *static_cast<State*>(data);
  s.loadFailed = true;
  const bool cancelled = error != nullptr && g_error_matches(error, WEBKIT_NETWORK_ERROR,
                                                             WEBKIT_NETWORK_ERROR_CANCELLED);
  reportLoad(s, cancelled ? kLoadCancelled : kLoadFailed,
             error != nullptr && error->message != nullptr ? error->message : "load failed");
  // Handled: no error page of the engine's own, whose loading would read as
  // a success after the failure.
  return TRUE;
}

void onProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason, gpointer data) {
  State& s = *static_cast<State*>(data);
  s.loadFailed = false;
  if (!s.processGone) return;
  auto handler = s.processGone;
  guarded("process-gone handler", [&] { handler(terminationText(reason)); });
}

gboolean onButtonPress(GtkWidget*, GdkEventButton* event, gpointer data) {
  State& s = *static_cast<State*>(data);
  if (event->type == GDK_2BUTTON_PRESS && event->button == GDK_BUTTON_SECONDARY) {
    if (s.rightDoubleClick) {
      auto handler = s.rightDoubleClick;
      guarded("right double click handler", [&] { handler(); });
    }
    return FALSE;  // the page sees the double click too
  }
  if (event->type == GDK_BUTTON_PRESS && event->button == GDK_BUTTON_PRIMARY && s.resizable &&
      s.window) {
    const GripHit hit = gripAt(s, event->x_root, event->y_root);
    if (hit != kGripClient) {
      gtk_window_begin_resize_drag(s.window.get(), edgeOf(hit), static_cast<gint>(event->button),
                                   static_cast<gint>(event->x_root),
                                   static_cast<gint>(event->y_root), event->time);
      return TRUE;  // a grip is not part of the page
    }
  }
  return FALSE;
}

gboolean onMotion(GtkWidget* widget, GdkEventMotion* event, gpointer data) {
  State& s = *static_cast<State*>(data);
  const GripHit hit = s.resizable ? gripAt(s, event->x_root, event->y_root) : kGripClient;
  GdkWindow* gdk = gtk_widget_get_window(widget);
  if (hit != kGripClient && gdk != nullptr) {
    const auto cursor = GObjectPtr<GdkCursor>::adopt(
        gdk_cursor_new_from_name(gtk_widget_get_display(widget), cursorOf(hit)));
    gdk_window_set_cursor(gdk, cursor.get());
    s.gripCursor = true;
    return TRUE;
  }
  if (s.gripCursor && gdk != nullptr) {
    // The page sets its own cursor again when it next changes.
    gdk_window_set_cursor(gdk, nullptr);
    s.gripCursor = false;
  }
  return FALSE;
}

gboolean onContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*,
                       gpointer) {
  // A wall screen has no use for the engine's own menu, and its pop-up would
  // take the second click of a right double click. The page still gets its
  // contextmenu event first.
  return TRUE;
}

void onViewDestroy(GtkWidget*, gpointer data) {
  // The window is going, and the view with it.
  State& s = *static_cast<State*>(data);
  if (s.bound) {
    unbindState(s, true);
  } else {
    detachEngine(s, true);
  }
}

void onConsoleMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer data) {
  State& s = *static_cast<State*>(data);
  JSCValue* value = webkit_javascript_result_get_js_value(result);
  if (!s.console || value == nullptr || !jsc_value_is_object(value)) return;
  ConsoleMessage message;
  message.level = static_cast<int>(propertyNumber(value, "level"));
  message.message = propertyText(value, "text");
  message.sourceName = propertyText(value, "source");
  const double line = propertyNumber(value, "line");
  message.line = line > 0 && line < 4294967296.0 ? static_cast<unsigned>(line) : 0u;
  message.stackTrace = propertyText(value, "stack");
  auto handler = s.console;
  guarded("console handler", [&] { handler(message); });
}

// --- calls of bound functions ------------------------------------------------

std::string readCallArgument(WebKitURISchemeRequest* request) {
  const auto body =
      GObjectPtr<GInputStream>::adopt(webkit_uri_scheme_request_get_http_body(request));
  std::string text;
  if (!body) return text;
  char buffer[16384];
  for (;;) {
    const gssize n = g_input_stream_read(body.get(), buffer, sizeof buffer, nullptr, nullptr);
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
    if (text.size() > kMaxCallArgument) break;
  }
  return text;
}

void refuseCall(WebKitURISchemeRequest* request, const char* why) {
  GError* error = g_error_new_literal(G_IO_ERROR, G_IO_ERROR_PERMISSION_DENIED, why);
  webkit_uri_scheme_request_finish_error(request, error);
  g_error_free(error);
}

void answerCall(WebKitURISchemeRequest* request, const std::string& body,
                const std::string& requestOrigin) {
  const GBytesPtr bytes(g_bytes_new(body.data(), body.size()));
  const auto stream =
      GObjectPtr<GInputStream>::adopt(g_memory_input_stream_new_from_bytes(bytes.get()));
  const auto response = GObjectPtr<WebKitURISchemeResponse>::adopt(
      webkit_uri_scheme_response_new(stream.get(), static_cast<gint64>(body.size())));
  webkit_uri_scheme_response_set_status(response.get(), 200, "OK");
  webkit_uri_scheme_response_set_content_type(response.get(), "text/plain; charset=utf-8");
  SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
  // The page's origin may read the answer; which origins get a real answer
  // is the bound function's decision, made from the call's origin.
  soup_message_headers_append(headers, "Access-Control-Allow-Origin",
                              requestOrigin.empty() ? "*" : requestOrigin.c_str());
  soup_message_headers_append(headers, "Cache-Control", "no-store");
  webkit_uri_scheme_response_set_http_headers(response.get(), headers);  // takes them
  webkit_uri_scheme_request_finish_with_response(request, response.get());
}

void onCall(WebKitURISchemeRequest* rawRequest, gpointer data) {
  const auto arrivedAt = call_trace::arrival();
  const auto request = GObjectPtr<WebKitURISchemeRequest>::retain(rawRequest);
  // Held for the whole call: the function may unbind the view, or end it.
  const std::shared_ptr<State> self = static_cast<std::weak_ptr<State>*>(data)->lock();
  if (!self || !self->bound || !self->view ||
      webkit_uri_scheme_request_get_web_view(rawRequest) != self->view.get()) {
    refuseCall(rawRequest, "no page function here");
    return;
  }
  const char* method = webkit_uri_scheme_request_get_http_method(rawRequest);
  const auto name =
      page_bridge::functionNameOfCallUri(webkit_uri_scheme_request_get_uri(rawRequest));
  if (method == nullptr || g_strcmp0(method, "POST") != 0 || !name) {
    refuseCall(rawRequest, "not a page function call");
    return;
  }
  // What the engine says, not what the page says: the Origin header is set
  // by the engine for the document that made the request, and the main
  // frame's address is the engine's own.
  SoupMessageHeaders* headers = webkit_uri_scheme_request_get_http_headers(rawRequest);
  const char* originHeader =
      headers != nullptr ? soup_message_headers_get_one(headers, "Origin") : nullptr;
  const std::string requestOrigin = originHeader != nullptr ? originHeader : "";
  const char* mainUri = webkit_web_view_get_uri(self->view.get());

  ScriptCall call;
  call.argument = readCallArgument(rawRequest);
  call_trace::record(arrivedAt, call.argument);
  call.origin = page_bridge::originOf(requestOrigin);
  call.topFrame =
      !call.origin.empty() && mainUri != nullptr && call.origin == page_bridge::originOf(mainUri);

  ScriptValue value = ScriptUndefined{};
  const auto it = self->functions.find(*name);
  if (it != self->functions.end() && it->second) {
    const WebView::NativeFunction function = it->second;  // rebinding inside the call is allowed
    guarded("page function", [&] { value = function(call); });
  }
  answerCall(request.get(), page_bridge::encodeReply(value), requestOrigin);
}

void deleteWeakState(gpointer data) { delete static_cast<std::weak_ptr<State>*>(data); }

void onScriptDone(GObject* source, GAsyncResult* result, gpointer data) {
  const std::unique_ptr<ScriptTicket> ticket(static_cast<ScriptTicket*>(data));
  GError* rawError = nullptr;
  const auto value = GObjectPtr<JSCValue>::adopt(
      webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &rawError));
  const GErrorPtr error(rawError);
  if (auto window = ticket->window.lock()) {
    std::lock_guard lock(window->mutex);
    if (window->generation == ticket->generation && window->inFlight > 0) --window->inFlight;
    window->room.notify_all();
  }
  // A script that throws has raised the page's error event already, which
  // the bootstrap script reported before this reply came.
  if (ticket->finished) guarded("script finished handler", [&] { ticket->finished(); });
}

// --- the engine view ---------------------------------------------------------

bool attachEngine(const std::shared_ptr<State>& self) {
  State& s = *self;
  GObjectPtr<WebKitWebsiteDataManager> data;
  if (!s.storageDirectory.empty()) {
    data = GObjectPtr<WebKitWebsiteDataManager>::adopt(webkit_website_data_manager_new(
        "base-data-directory", s.storageDirectory.c_str(), nullptr));
  }
  s.context = GObjectPtr<WebKitWebContext>::adopt(
      data ? webkit_web_context_new_with_website_data_manager(data.get())
           : webkit_web_context_new());
  if (!s.context) return false;
  s.engineStorageDirectory = s.storageDirectory;
  webkit_web_context_register_uri_scheme(s.context.get(), page_bridge::kCallScheme, onCall,
                                         new std::weak_ptr<State>(self), deleteWeakState);
  WebKitSecurityManager* security = webkit_web_context_get_security_manager(s.context.get());
  webkit_security_manager_register_uri_scheme_as_cors_enabled(security, page_bridge::kCallScheme);
  // So that a page served over https may call as well.
  webkit_security_manager_register_uri_scheme_as_secure(security, page_bridge::kCallScheme);

  s.content = GObjectPtr<WebKitUserContentManager>::adopt(webkit_user_content_manager_new());
  const std::string consoleSignal =
      std::string("script-message-received::") + page_bridge::kConsoleHandler;
  s.connections.push_back(
      connectSignal(s.content.get(), consoleSignal.c_str(), onConsoleMessage, &s));
  webkit_user_content_manager_register_script_message_handler(s.content.get(),
                                                              page_bridge::kConsoleHandler);
  installBootstrap(s);

  const auto settings = GObjectPtr<WebKitSettings>::adopt(webkit_settings_new());
  // Off until the developer tools are asked for: with them on, the engine
  // keeps every script the program runs in the page for the inspector, one
  // per pushed message, and the page's process grows without end.
  webkit_settings_set_enable_developer_extras(settings.get(), FALSE);
  if (!hasGpuRenderNode()) {
    webkit_settings_set_hardware_acceleration_policy(settings.get(),
                                                     WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  }
  GtkWidget* widget = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", s.context.get(),
                                              "user-content-manager", s.content.get(), "settings",
                                              settings.get(), nullptr));
  if (widget == nullptr) {
    detachEngine(s, false);
    return false;
  }
  s.view = GObjectPtr<WebKitWebView>::adopt(WEBKIT_WEB_VIEW(widget));
  s.cancellable = GObjectPtr<GCancellable>::adopt(g_cancellable_new());
  if (s.transparent) {
    const GdkRGBA clear{0.0, 0.0, 0.0, 0.0};
    webkit_web_view_set_background_color(s.view.get(), &clear);
  }
  s.connections.push_back(connectSignal(widget, "load-changed", onLoadChanged, &s));
  s.connections.push_back(connectSignal(widget, "load-failed", onLoadFailed, &s));
  s.connections.push_back(connectSignal(widget, "web-process-terminated", onProcessTerminated, &s));
  s.connections.push_back(connectSignal(widget, "button-press-event", onButtonPress, &s));
  s.connections.push_back(connectSignal(widget, "motion-notify-event", onMotion, &s));
  s.connections.push_back(connectSignal(widget, "context-menu", onContextMenu, &s));
  s.connections.push_back(connectSignal(widget, "destroy", onViewDestroy, &s));
  gtk_container_add(GTK_CONTAINER(s.window.get()), widget);
  gtk_widget_show(widget);
  return true;
}

void detachEngine(State& s, bool viewBeingDestroyed) {
  s.connections.clear();
  if (s.cancellable) g_cancellable_cancel(s.cancellable.get());
  if (s.view && !viewBeingDestroyed) gtk_widget_destroy(GTK_WIDGET(s.view.get()));
  s.view.reset();
  s.content.reset();
  s.context.reset();
  s.cancellable.reset();
  s.loadFailed = false;
  s.gripCursor = false;
}

void unbindState(State& s, bool viewBeingDestroyed) {
  s.bound = false;
  closeScriptWindow(s, false);
  detachEngine(s, viewBeingDestroyed);
  s.window.reset();
  s.console = nullptr;
  s.loadFinished = nullptr;
  s.rightDoubleClick = nullptr;
  s.processGone = nullptr;
  s.functions.clear();
}

}  // namespace

GtkWebView::GtkWebView() : state_(std::make_shared<State>()) {}

GtkWebView::~GtkWebView() { unbind(); }

bool GtkWebView::bind(MainWindow& window, bool transparent) {
  State& s = *state_;
  if (s.bound || window.isDestroyed()) return false;
  const auto* host = dynamic_cast<const GtkWindowHost*>(&window);
  GtkWindow* gtkWindow = host != nullptr ? host->gtkWindow() : nullptr;
  if (gtkWindow == nullptr || gtk_bin_get_child(GTK_BIN(gtkWindow)) != nullptr) return false;

  s.window = GObjectPtr<GtkWindow>::retain(gtkWindow);
  s.transparent = transparent;
  if (transparent) {
    GtkWidget* widget = GTK_WIDGET(gtkWindow);
    GdkVisual* visual = gdk_screen_get_rgba_visual(gtk_widget_get_screen(widget));
    // The visual can only be chosen before the window exists on the screen.
    if (visual != nullptr && !gtk_widget_get_realized(widget))
      gtk_widget_set_visual(widget, visual);
    gtk_widget_set_app_paintable(widget, TRUE);
  }
  if (!attachEngine(state_)) {
    s.window.reset();
    return false;
  }
  s.bound = true;
  closeScriptWindow(s, true);
  applySizeBounds(s);
  return true;
}

void GtkWebView::unbind() {
  State& s = *state_;
  if (s.bound) {
    unbindState(s, false);
  } else {
    // Unbound already: only the handlers go.
    s.console = nullptr;
    s.loadFinished = nullptr;
    s.rightDoubleClick = nullptr;
    s.processGone = nullptr;
    s.functions.clear();
  }
}

bool GtkWebView::isBound() const { return state_->bound; }

void GtkWebView::setLocalStoragePath(const std::string& directory) {
  State& s = *state_;
  s.storageDirectory = directory;
  if (!s.bound || s.engineStorageDirectory == directory) return;
  // The engine reads its data folder only when a view is made.
  const char* current = s.view ? webkit_web_view_get_uri(s.view.get()) : nullptr;
  const std::string page = current != nullptr ? current : "";
  closeScriptWindow(s, true);
  detachEngine(s, false);
  if (!attachEngine(state_)) {
    unbindState(s, false);
    return;
  }
  if (!page.empty()) webkit_web_view_load_uri(s.view.get(), page.c_str());
}

void GtkWebView::setConsoleHandler(ConsoleHandler handler) { state_->console = std::move(handler); }

void GtkWebView::bindFunction(const std::string& name, NativeFunction function) {
  if (!page_bridge::isFunctionName(name)) return;
  State& s = *state_;
  if (function) {
    s.functions[name] = std::move(function);
  } else {
    s.functions.erase(name);
  }
  installBootstrap(s);
}

void GtkWebView::setLoadFinishedHandler(LoadFinishedHandler handler) {
  state_->loadFinished = std::move(handler);
}

void GtkWebView::setRightDoubleClickHandler(GestureHandler handler) {
  state_->rightDoubleClick = std::move(handler);
}

void GtkWebView::setProcessGoneHandler(ProcessGoneHandler handler) {
  state_->processGone = std::move(handler);
}

void GtkWebView::load(const std::string& url) {
  State& s = *state_;
  if (s.bound && s.view) webkit_web_view_load_uri(s.view.get(), url.c_str());
}

void GtkWebView::runScript(const std::string& script) { runScriptThen(script, nullptr); }

void GtkWebView::runScriptThen(const std::string& script, ScriptFinished finished) {
  State& s = *state_;
  if (!s.bound || !s.view) {
    // Dropped: the caller hears so at once.
    if (finished) guarded("script finished handler", [&] { finished(); });
    return;
  }
  auto* ticket = new ScriptTicket{s.scripts, 0, std::move(finished)};
  {
    std::lock_guard lock(s.scripts->mutex);
    ++s.scripts->inFlight;
    ticket->generation = s.scripts->generation;
  }
  // The completion always comes, also for a script the view drops when it is
  // unbound or its page process ends.
  webkit_web_view_evaluate_javascript(s.view.get(), script.data(),
                                      static_cast<gssize>(script.size()), nullptr, nullptr,
                                      s.cancellable.get(), onScriptDone, ticket);
}

bool GtkWebView::waitForScriptCapacity(std::chrono::milliseconds timeout) {
  // Other threads come here; the window object lives as long as the view.
  ScriptWindow& window = *state_->scripts;
  std::unique_lock lock(window.mutex);
  window.room.wait_for(lock, timeout,
                       [&] { return !window.open || window.inFlight < kScriptWindow; });
  return window.open && window.inFlight < kScriptWindow;
}

void GtkWebView::moveToCenter() {
  State& s = *state_;
  if (!s.bound || !s.window) return;
  GtkWidget* widget = GTK_WIDGET(s.window.get());
  GdkDisplay* display = gtk_widget_get_display(widget);
  GdkWindow* gdk = gtk_widget_get_window(widget);
  GdkMonitor* monitor = gdk != nullptr ? gdk_display_get_monitor_at_window(display, gdk)
                                       : gdk_display_get_primary_monitor(display);
  if (monitor == nullptr) monitor = gdk_display_get_monitor(display, 0);
  if (monitor == nullptr) return;
  GdkRectangle area{};
  gdk_monitor_get_workarea(monitor, &area);
  // The window is undecorated: its size is its outer size.
  int width = 0;
  int height = 0;
  gtk_window_get_size(s.window.get(), &width, &height);
  gtk_window_move(s.window.get(), area.x + (area.width - width) / 2,
                  area.y + (area.height - height) / 2);
}

void GtkWebView::setResizable(bool resizable) { state_->resizable = resizable; }

void GtkWebView::setMinTrackSize(int width, int height) {
  state_->minTrack = {width, height};
  applySizeBounds(*state_);
}

void GtkWebView::setMaxTrackSize(int width, int height) {
  state_->maxTrack = {width, height};
  applySizeBounds(*state_);
}

void GtkWebView::showDevTools(const std::string&) {
  State& s = *state_;
  if (!s.bound || !s.view) return;
  webkit_settings_set_enable_developer_extras(webkit_web_view_get_settings(s.view.get()), TRUE);
  webkit_web_inspector_show(webkit_web_view_get_inspector(s.view.get()));
}

int GtkWebView::scriptsInFlight() const {
  std::lock_guard lock(state_->scripts->mutex);
  return state_->scripts->inFlight;
}

WebKitWebView* GtkWebView::webKitView() const {
  return state_->bound ? state_->view.get() : nullptr;
}

}  // namespace orvane
