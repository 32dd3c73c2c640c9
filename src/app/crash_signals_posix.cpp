#include "app/crash_signals_posix.h"

#include <fcntl.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace orvane {

namespace {

static_assert(kCrashSignals[0] == SIGSEGV && kCrashSignals[1] == SIGBUS &&
              kCrashSignals[2] == SIGFPE && kCrashSignals[3] == SIGILL &&
              kCrashSignals[4] == SIGABRT);

constexpr std::size_t kFolderCapacity = 4096;
constexpr const char kCategory[] = "错误提示";

// Prepared outside the handler; read inside it.
char logFolder[kFolderCapacity];
std::atomic<long> utcOffsetSeconds{0};
std::atomic<bool> crashing{false};
// Room for the handler when the crash is a stack overflow.
alignas(16) char alternateStack[64 * 1024];

const char* signalName(int signal) {
  switch (signal) {
    case SIGSEGV:
      return "SIGSEGV";
    case SIGBUS:
      return "SIGBUS";
    case SIGFPE:
      return "SIGFPE";
    case SIGILL:
      return "SIGILL";
    case SIGABRT:
      return "SIGABRT";
    default:
      return "signal";
  }
}

// Appends text to out[at..size); false when it does not fit.
class Writer {
 public:
  Writer(char* out, std::size_t size) : out_(out), size_(size) {}
  bool text(const char* s) {
    const std::size_t n = std::strlen(s);
    if (n > size_ - at_) return ok_ = false;
    std::memcpy(out_ + at_, s, n);
    at_ += n;
    return ok_;
  }
  // `digits` places, zero-padded (0: as many as needed).
  bool number(long long value, int digits = 0) {
    char reversed[24];
    int n = 0;
    const bool negative = value < 0;
    unsigned long long v = negative ? 0ULL - static_cast<unsigned long long>(value)
                                    : static_cast<unsigned long long>(value);
    do {
      reversed[n++] = static_cast<char>('0' + v % 10);
      v /= 10;
    } while (v != 0 && n < 20);
    while (n < digits && n < 20) reversed[n++] = '0';
    if (negative) reversed[n++] = '-';
    if (static_cast<std::size_t>(n) > size_ - at_) return ok_ = false;
    while (n > 0) out_[at_++] = reversed[--n];
    return ok_;
  }
  std::size_t done() const { return ok_ ? at_ : 0; }

 private:
  char* out_;
  std::size_t size_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

struct CivilDate {
  long long year;
  int month;
  int day;
};

// Days since 1970-01-01 to the proleptic Gregorian date (H. Hinnant's
// days-to-civil): arithmetic only, so safe in a signal handler.
CivilDate civilFromDays(long long days) {
  days += 719468;
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const long long dayOfEra = days - era * 146097;
  const long long yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const long long monthIndex = (5 * dayOfYear + 2) / 153;
  const int day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  const int month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

long long floorDiv(long long a, long long b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

long long localSecondsNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<long long>(now.tv_sec) + utcOffsetSeconds.load(std::memory_order_relaxed);
}

void writeAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
}

void onCrashSignal(int signal) {
  const int savedErrno = errno;
  if (!crashing.exchange(true)) {
    const long long now = localSecondsNow();
    char path[kFolderCapacity + 32];
    char line[256];
    const std::size_t pathLength = formatDayFilePath(path, sizeof path - 1, logFolder, now);
    const std::size_t lineLength = formatCrashLine(line, sizeof line, now, signal);
    if (pathLength > 0 && lineLength > 0) {
      path[pathLength] = '\0';
      const int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
      if (fd >= 0) {
        writeAll(fd, line, lineLength);
        close(fd);
      }
    }
  }
  errno = savedErrno;
  // The handler was reset to the default on entry: raised again, the signal
  // ends the process as it would have without us.
  raise(signal);
}

}  // namespace

std::size_t formatDayFilePath(char* out, std::size_t size, const char* folder,
                              long long localSeconds) {
  const CivilDate date = civilFromDays(floorDiv(localSeconds, 86400));
  Writer w(out, size);
  w.text(folder);
  w.number(date.year, 4);
  w.number(date.month, 2);
  w.number(date.day, 2);
  w.text(".txt");
  return w.done();
}

std::size_t formatCrashLine(char* out, std::size_t size, long long localSeconds, int signal) {
  const long long secondOfDay = localSeconds - floorDiv(localSeconds, 86400) * 86400;
  Writer w(out, size);
  w.number(secondOfDay / 3600, 2);
  w.text(":");
  w.number(secondOfDay / 60 % 60, 2);
  w.text(":");
  w.number(secondOfDay % 60, 2);
  w.text("->[");
  w.text(kCategory);
  w.text("] code:");
  w.number(signal);
  w.text(" msg:");
  w.text(signalName(signal));
  w.text("\r\n");
  return w.done();
}

void refreshCrashSignalClock() {
  const time_t now = time(nullptr);
  tm local{};
  if (localtime_r(&now, &local) != nullptr) {
    utcOffsetSeconds.store(local.tm_gmtoff, std::memory_order_relaxed);
  }
}

bool installCrashSignalLog(const std::string& folder) {
  if (folder.size() >= kFolderCapacity) return false;
  refreshCrashSignalClock();
  // Signals are not blocked here, so a crash in between would read a folder
  // being written; that window is one copy at startup.
  std::memcpy(logFolder, folder.c_str(), folder.size() + 1);

  stack_t stack{};
  stack.ss_sp = alternateStack;
  stack.ss_size = sizeof alternateStack;
  sigaltstack(&stack, nullptr);

  struct sigaction action {};
  action.sa_handler = onCrashSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND | SA_NODEFER | SA_ONSTACK;
  bool ok = true;
  for (const int signal : kCrashSignals) {
    if (sigaction(signal, &action, nullptr) != 0) ok = false;
  }
  return ok;
}

}  // namespace orvane
