#include "sys/shell_open_linux.h"

#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <vector>

namespace orvane {

namespace {

struct GFreeDeleter {
  void operator()(void* p) const { g_free(p); }
};
struct GObjectDeleter {
  void operator()(void* p) const { g_object_unref(p); }
};
struct GErrorDeleter {
  void operator()(GError* e) const { g_error_free(e); }
};
struct GStrvDeleter {
  void operator()(gchar** v) const { g_strfreev(v); }
};

bool launchDefault(const char* uri) {
  GError* rawError = nullptr;
  const bool launched = g_app_info_launch_default_for_uri(uri, nullptr, &rawError) != FALSE;
  std::unique_ptr<GError, GErrorDeleter> error(rawError);
  return launched;
}

bool isExecutableFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

// The file a path names: as given when it exists or holds a folder part,
// else the program of that name in PATH; empty when there is none.
std::string resolveFile(const std::string& path) {
  struct stat info {};
  if (path.find('/') != std::string::npos || stat(path.c_str(), &info) == 0) return path;
  const std::unique_ptr<gchar, GFreeDeleter> found(g_find_program_in_path(path.c_str()));
  return found ? std::string(found.get()) : std::string();
}

bool runProgram(const std::string& program, const std::string& parameters) {
  std::vector<gchar*> argv{const_cast<gchar*>(program.c_str())};
  std::unique_ptr<gchar*, GStrvDeleter> parsed;
  if (!parameters.empty()) {
    gchar** raw = nullptr;
    if (!g_shell_parse_argv(parameters.c_str(), nullptr, &raw, nullptr)) {
      // Nothing but blanks parses as an error too; that is no arguments.
      if (parameters.find_first_not_of(" \t\r\n") != std::string::npos) return false;
    }
    parsed.reset(raw);
    for (gchar** a = raw; a != nullptr && *a != nullptr; ++a) argv.push_back(*a);
  }
  argv.push_back(nullptr);
  // Without G_SPAWN_DO_NOT_REAP_CHILD GLib detaches the child through an
  // intermediate process, so no zombie is left for us to collect.
  GError* rawError = nullptr;
  const bool started = g_spawn_async(nullptr, argv.data(), nullptr, G_SPAWN_DEFAULT, nullptr,
                                     nullptr, nullptr, &rawError) != FALSE;
  std::unique_ptr<GError, GErrorDeleter> error(rawError);
  return started;
}

}  // namespace

bool openUrlWithDefaultApplication(const std::string& url) {
  if (url.empty()) return false;
  // Takes "scheme:..." as an address and anything else as a path.
  const std::unique_ptr<GFile, GObjectDeleter> file(g_file_new_for_commandline_arg(url.c_str()));
  const std::unique_ptr<gchar, GFreeDeleter> uri(g_file_get_uri(file.get()));
  return uri && launchDefault(uri.get());
}

bool openFileOrRunProgram(const std::string& path, const std::string& parameters) {
  if (path.empty()) return false;
  const std::string file = resolveFile(path);
  if (file.empty()) return false;
  if (isExecutableFile(file)) return runProgram(file, parameters);

  struct stat info {};
  if (stat(file.c_str(), &info) != 0) return false;
  const std::unique_ptr<GFile, GObjectDeleter> gfile(g_file_new_for_path(file.c_str()));
  const std::unique_ptr<gchar, GFreeDeleter> uri(g_file_get_uri(gfile.get()));
  return uri && launchDefault(uri.get());
}

}  // namespace orvane
