#pragma once
// The day log: timestamped lines in one file per day, written by one
// background thread.
//
// Any thread may write. A write formats its line, queues it under a short
// lock and wakes the writer thread; it never touches the file, so no caller
// waits on the disk. The writer thread takes one line per lock, starts the
// next day's file when the date changes, and flushes whenever it has caught
// up. Lines written before open or after close are dropped, and so are lines
// past the queue's bound (counted, and noted in the file when the writer
// catches up), so a stalled disk cannot make memory grow without end. When the
// day file cannot be opened the writer drops lines and tries again at most
// once a minute.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "log/log_clock.h"
#include "log/wake_event.h"

namespace orvane {

struct LogWriterOptions {
  LogClock clock = systemLocalTime;
  // Bounds of the queue of lines waiting for the writer thread.
  std::size_t maxQueuedLines = 100'000;
  std::size_t maxQueuedBytes = 32u << 20;
};

class LogWriter {
 public:
  LogWriter();
  explicit LogWriter(LogWriterOptions options);
  ~LogWriter();  // closes
  LogWriter(const LogWriter&) = delete;
  LogWriter& operator=(const LogWriter&) = delete;

  // Opens today's file in baseDirectory + "log/" + appName + "_log/" (the
  // folder is created) and starts the writer thread. The folder is fixed by
  // the first open after construction or close; a later open only reopens
  // today's file. False when the file cannot be opened.
  bool open(std::string_view appName, std::string_view baseDirectory);

  // Queues one line. Any thread, any time; never blocks on file output.
  void write(std::string_view category, std::string_view message);

  // Stops accepting lines, lets the writer thread write everything queued,
  // ends it and closes the file. False when the log is not open or already
  // closing, and when called on the writer thread itself.
  bool close();

  // Deletes day files of months other than this one and the one before.
  // Runs once per writer (the program has one), stops early when the log
  // closes, and does nothing before the log has a folder.
  void purge();

  bool isOpen() const { return accepting_.load(std::memory_order_relaxed); }
  // The log folder (ending in '/'), empty while not open.
  std::string folder() const;
  // Lines dropped because the queue was full, since construction.
  std::uint64_t droppedLines() const { return droppedTotal_.load(std::memory_order_relaxed); }

 private:
  void writerLoop();
  void writeLine(const std::string& line, bool caughtUp);
  bool openDayFile(const LocalTime& today);  // fileMutex_ held
  void closeFile();                          // fileMutex_ held

  const LogWriterOptions options_;

  // Open and close state: folder, writer thread.
  mutable std::mutex stateMutex_;
  std::string appName_;
  std::string folder_;
  std::thread writerThread_;
  std::atomic<std::thread::id> writerId_{};

  // The queue, guarded by queueLock_.
  std::mutex queueLock_;
  std::deque<std::string> lineQueue_;
  std::size_t queuedBytes_ = 0;
  std::uint64_t droppedSinceNote_ = 0;
  bool open_ = false;
  bool closing_ = false;
  std::atomic<bool> accepting_{false};  // open_ && !closing_, read without the lock
  std::atomic<bool> closingFlag_{false};
  std::atomic<std::uint64_t> droppedTotal_{0};
  WakeEvent wakeEvent_;

  // The day file, used by the writer thread and by open and close.
  std::mutex fileMutex_;
  std::FILE* logFile_ = nullptr;
  LocalTime fileDate_;
  bool haveFailedOpen_ = false;
  LocalTime failedOpenAt_;

  std::atomic<bool> purged_{false};
};

// The program's log, which every subsystem writes to. Never destroyed, so it
// can be written from any thread until the process ends.
LogWriter& appLog();

}  // namespace orvane
