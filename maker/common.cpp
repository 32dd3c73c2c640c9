// The maker's utility library: the machine's name, the text of a message to
// the server (the login), and the update. The program loads it by file name
// at run time and calls these three C functions; nothing else is exported.
//
// This build's update records each call instead of installing anything, so
// the rest of the system can be built and run against it.

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "json_text.h"

#if defined(_WIN32)
#define MAKER_EXPORT extern "C" __declspec(dllexport)
#else
#define MAKER_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

constexpr const char* kCallsLogName = "QZUpdate.calls.log";

bool appendToFile(const std::string& path, const std::string& line) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  // One write per line, so lines of calls made at the same time never mix.
  std::size_t done = 0;
  while (done < line.size()) {
    const ssize_t n = write(fd, line.data() + done, line.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  close(fd);
  return done == line.size();
}

}  // namespace

// The host name, in a buffer of the calling thread that the next call on that
// thread overwrites; null when the system has none to give.
MAKER_EXPORT const char* fun_GetPCName() {
  thread_local char name[HOST_NAME_MAX + 1];
  if (gethostname(name, sizeof name) != 0) return nullptr;
  name[sizeof name - 1] = '\0';
  return name;
}

// The envelope the server reads: {"c":..,"a":..,"uid":..,"data":..,
// "char":"utf-8"}, the last member telling it the text is UTF-8. A null c, a
// or uid is an empty text; a null data is JSON null, other data a string.
// The text stays valid until the next call on the same thread.
MAKER_EXPORT const char* _fun_msg(const char* c, const char* a, const char* uid, const char* data) {
  thread_local std::string text;
  text.clear();
  text += "{\"c\":";
  maker::appendJsonString(text, c != nullptr ? c : "");
  text += ",\"a\":";
  maker::appendJsonString(text, a != nullptr ? a : "");
  text += ",\"uid\":";
  maker::appendJsonString(text, uid != nullptr ? uid : "");
  text += ",\"data\":";
  maker::appendJsonString(text, data);
  text += ",\"char\":\"utf-8\"}";
  return text.c_str();
}

// Records the nine arguments, as one JSON array per line (null as null), in
// QZUpdate.calls.log beside the update description named by the first one.
// Nothing is recorded when that argument is null.
MAKER_EXPORT void _fun_update(const char* description, const char* product, const char* caption,
                              const char* mode, const char* fifth, const char* temporary,
                              const char* seventh, const char* eighth, const char* executable) {
  if (description == nullptr) return;
  const std::string path = description;
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);

  std::string line = "[";
  const char* arguments[] = {description, product, caption, mode,      fifth,
                             temporary,   seventh, eighth,  executable};
  for (const char* argument : arguments) {
    if (line.size() > 1) line += ',';
    maker::appendJsonString(line, argument);
  }
  line += "]\n";
  appendToFile(folder + kCallsLogName, line);
}
