#pragma once
// A crash signal (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) leaves the
// fatal-error line in the day log: "错误提示" / "code:" + signal number +
// " msg:" + signal name, appended to today's file in the log folder. The
// handler uses only async-signal-safe calls on memory prepared beforehand,
// then lets the signal end the process with its default action (a core dump
// where enabled), so whatever restarts the program sees it crash.

#include <cstddef>
#include <string>

namespace orvane {

// The signals the handler takes.
inline constexpr int kCrashSignals[] = {11 /*SIGSEGV*/, 7 /*SIGBUS*/, 8 /*SIGFPE*/, 4 /*SIGILL*/,
                                        6 /*SIGABRT*/};

// Installs the handler for the crash signals, writing into `logFolder`
// (ending in '/'). Call again to change the folder. False when the folder
// path is too long or a handler could not be installed.
bool installCrashSignalLog(const std::string& logFolder);

// Takes the local time's offset from UTC again (it changes with daylight
// saving). Not from a signal handler; the program calls it now and then.
void refreshCrashSignalClock();

// Async-signal-safe pieces of the handler, exposed for tests. Both write at
// most `size` bytes and answer the length, 0 when it does not fit.
// `localSeconds` is seconds since 1970-01-01 00:00 in local time.
//
// HH:MM:SS->[错误提示] code:<signal> msg:<name> CR LF
std::size_t formatCrashLine(char* out, std::size_t size, long long localSeconds, int signal);
// folder + YYYYMMDD + ".txt"
std::size_t formatDayFilePath(char* out, std::size_t size, const char* folder,
                              long long localSeconds);

}  // namespace orvane
