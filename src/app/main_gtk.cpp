// The Linux client's entry: GTK and WebKitGTK behind the platform seam, the
// program's own services, and the application that runs them. No command
// line is read; the program is configured by config.ini beside it.

#include <glib-unix.h>
#include <gtk/gtk.h>
#include <signal.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "app/application.h"
#include "app/crash_signals_posix.h"
#include "app/fatal_errors.h"
#include "app/main_window_gtk.h"
#include "app/maker_library_posix.h"
#include "app/program_services.h"
#include "app/push_channel_control.h"
#include "app/startup_waits_gtk.h"
#include "app/ui_thread_gtk.h"
#include "config/app_config.h"
#include "display/monitor_source_gtk.h"
#include "display/screen_picker.h"
#include "display/screen_picker_dialog_gtk.h"
#include "log/log_writer.h"
#include "server/pack_client.h"
#include "server/server_link.h"
#include "sys/screen_awake_linux.h"
#include "sys/system_services_linux.h"
#include "webview/web_view_gtk.h"

namespace orvane {
namespace {

// The crash handler stamps lines with a local-time offset taken now and then.
constexpr guint kClockRefreshSeconds = 60;

struct MainLoopDeleter {
  void operator()(GMainLoop* loop) const { g_main_loop_unref(loop); }
};

gboolean onTerminationSignal(gpointer data) {
  // SIGTERM, SIGINT, SIGHUP: the same clean end as the tray's "退出".
  static_cast<Application*>(data)->requestExit();
  return G_SOURCE_CONTINUE;
}

gboolean refreshCrashClock(gpointer) {
  refreshCrashSignalClock();
  return G_SOURCE_CONTINUE;
}

int run() {
  const std::string executablePath = runningExecutablePath();
  const AppConfig config = appConfigFor(executablePath);

  GtkUiThread ui;
  GtkMainWindow window;
  // The picture of the window, the picker and the tray icon.
  const std::string iconFile = config.runDirectory + config.appName + ".png";
  window.setIconFile(iconFile);
  gtk_window_set_default_icon_from_file(iconFile.c_str(), nullptr);
  GtkWebView view;
  LinuxSystemServices system(config);
  auto maker = std::make_shared<LoadedMakerLibrary>(makerLibraryPath(config));
  InstanceMutexGuard instance;
  WriterDayLog log;
  ServerLink link;
  ServerLinkAccess server(link);
  PackClient packClient;
  GtkStartupWaits waits;
  GtkMonitorSource monitors;
  ScreenPicker picker(ScreenPickerParts{
      .monitors = &monitors,
      .mainWindow = &window,
      .configPath = config.configPath,
      .makeDialog = gtkPickerDialogMaker(window),
      .log = {},
  });
  ScreenPickerChoice choice(picker);
  std::optional<ScreenAwake> screenAwake;
  std::unique_ptr<GMainLoop, MainLoopDeleter> loop(g_main_loop_new(nullptr, FALSE));

  static std::atomic<Application*> running{nullptr};
  Application app(ApplicationParts{
      .executablePath = executablePath,
      .window = window,
      .view = view,
      .ui = ui,
      .system = system,
      .maker = maker,
      .instance = instance,
      .log = log,
      .server = server,
      .waits = waits,
      .picker = choice,
      .makePushChannel =
          [&packClient, &link](const PushParts& parts) {
            return makePushChannelControl(parts, packClient, link);
          },
      .installFatalErrorHandlers =
          [&log] {
            installTerminateHandler([](int code, const std::string& message) {
              if (Application* current = running.load()) current->onFatalError(code, message);
            });
            installCrashSignalLog(log.writer().folder());
            g_timeout_add_seconds(kClockRefreshSeconds, refreshCrashClock, nullptr);
          },
      .instanceHeld = [&screenAwake, &config] { screenAwake.emplace(config.appName); },
      .ended = [&loop] { g_main_loop_quit(loop.get()); },
  });
  running = &app;

  // Handled whenever the loop turns, the startup's own waits included.
  const guint signalSources[] = {
      g_unix_signal_add(SIGTERM, onTerminationSignal, &app),
      g_unix_signal_add(SIGINT, onTerminationSignal, &app),
      g_unix_signal_add(SIGHUP, onTerminationSignal, &app),
  };

  const StartupResult started = app.start();
  if (started == StartupResult::Running && !window.isDestroyed()) g_main_loop_run(loop.get());

  for (const guint source : signalSources) g_source_remove(source);
  // Whatever ended the loop, the teardown has run (or runs now).
  app.teardown();
  running = nullptr;
  return 0;
}

}  // namespace
}  // namespace orvane

int main() {
  gtk_init(nullptr, nullptr);
  return orvane::run();
}
