#include "log/log_writer.h"

#include <dirent.h>
#include <pthread.h>
#include <unistd.h>

#include <memory>

#include "config/paths.h"
#include "log/ensure_directory.h"
#include "log/log_line.h"
#include "log/start_thread.h"

namespace orvane {
namespace {

constexpr std::size_t kFileBufferSize = 64 * 1024;

bool sameMinute(const LocalTime& a, const LocalTime& b) {
  return sameDay(a, b) && a.hour == b.hour && a.minute == b.minute;
}

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

}  // namespace

LogWriter::LogWriter() : LogWriter(LogWriterOptions{}) {}

LogWriter::LogWriter(LogWriterOptions options) : options_(std::move(options)) {}

LogWriter::~LogWriter() {
  close();
  std::lock_guard<std::mutex> state(stateMutex_);
  if (writerThread_.joinable()) writerThread_.join();
}

std::string LogWriter::folder() const {
  std::lock_guard<std::mutex> state(stateMutex_);
  return folder_;
}

bool LogWriter::open(std::string_view appName, std::string_view baseDirectory) {
  std::lock_guard<std::mutex> state(stateMutex_);
  if (closingFlag_.load()) return false;
  if (appName_.empty()) {
    appName_ = std::string(appName);
    folder_ = withTrailingSeparator(std::string(baseDirectory)) + "log/" + appName_ + "_log/";
    ensureDirectory(folder_);  // a failure shows when the file will not open
  }
  {
    std::lock_guard<std::mutex> file(fileMutex_);
    closeFile();
    if (!openDayFile(options_.clock())) return false;
  }
  if (!writerThread_.joinable()) {
    if (!startThread([this] { writerLoop(); }, &writerThread_)) {
      std::lock_guard<std::mutex> file(fileMutex_);
      closeFile();
      return false;
    }
  }
  std::lock_guard<std::mutex> queue(queueLock_);
  open_ = true;
  accepting_.store(true);
  return true;
}

void LogWriter::write(std::string_view category, std::string_view message) {
  if (!accepting_.load(std::memory_order_relaxed)) return;
  std::string line = formatLogLine(options_.clock(), category, message);
  {
    std::lock_guard<std::mutex> queue(queueLock_);
    if (!open_ || closing_) return;
    if (lineQueue_.size() >= options_.maxQueuedLines ||
        queuedBytes_ + line.size() > options_.maxQueuedBytes) {
      ++droppedSinceNote_;
      droppedTotal_.fetch_add(1, std::memory_order_relaxed);
      return;
    }
    queuedBytes_ += line.size();
    lineQueue_.push_back(std::move(line));
  }
  wakeEvent_.set();
}

bool LogWriter::close() {
  if (writerId_.load() == std::this_thread::get_id()) return false;  // would wait on itself
  std::lock_guard<std::mutex> state(stateMutex_);
  {
    std::lock_guard<std::mutex> queue(queueLock_);
    if (!open_ || closing_) return false;
    closing_ = true;
    accepting_.store(false);
    closingFlag_.store(true);
  }
  wakeEvent_.set();
  if (writerThread_.joinable()) writerThread_.join();  // it writes the whole queue first
  {
    std::lock_guard<std::mutex> file(fileMutex_);
    closeFile();
  }
  appName_.clear();
  folder_.clear();
  std::lock_guard<std::mutex> queue(queueLock_);
  lineQueue_.clear();
  queuedBytes_ = 0;
  droppedSinceNote_ = 0;
  open_ = false;
  closing_ = false;
  closingFlag_.store(false);
  return true;
}

void LogWriter::writerLoop() {
  writerId_.store(std::this_thread::get_id());
  pthread_setname_np(pthread_self(), "orvane-log");
  for (;;) {
    wakeEvent_.wait();
    bool closing = false;
    for (;;) {
      std::string line;
      std::size_t queued = 0;
      std::uint64_t dropped = 0;
      {
        std::lock_guard<std::mutex> queue(queueLock_);
        queued = lineQueue_.size();
        closing = closing_;
        if (queued > 0) {
          line = std::move(lineQueue_.front());
          lineQueue_.pop_front();
          queuedBytes_ -= line.size();
        }
        if (queued <= 1) {
          dropped = droppedSinceNote_;
          droppedSinceNote_ = 0;
        }
      }
      if (queued > 0) writeLine(line, queued == 1 && dropped == 0);
      if (dropped > 0) {
        writeLine(formatLogLine(options_.clock(), "日志",
                                "队列已满，丢弃 " + std::to_string(dropped) + " 行"),
                  true);
      }
      // Once closing, no line can be added: empty the queue before ending.
      if (queued == 0 || (queued == 1 && !closing)) break;
    }
    if (closing) break;
  }
  std::lock_guard<std::mutex> file(fileMutex_);
  if (logFile_ != nullptr) std::fflush(logFile_);
  writerId_.store(std::thread::id());
}

void LogWriter::writeLine(const std::string& line, bool caughtUp) {
  // The date decides the file when the writer handles a line, so a line
  // stamped 23:59:59 and handled after midnight opens the new day's file.
  const LocalTime now = options_.clock();
  std::lock_guard<std::mutex> file(fileMutex_);
  if (logFile_ != nullptr && !sameDay(now, fileDate_)) {
    closeFile();
    openDayFile(now);
  } else if (logFile_ == nullptr && !(haveFailedOpen_ && sameMinute(now, failedOpenAt_))) {
    openDayFile(now);
  }
  if (logFile_ == nullptr) return;
  // A full disk fails the write; the line is lost, the next one tries again.
  if (std::fwrite(line.data(), 1, line.size(), logFile_) != line.size()) std::clearerr(logFile_);
  if (caughtUp && std::fflush(logFile_) != 0) std::clearerr(logFile_);
}

bool LogWriter::openDayFile(const LocalTime& today) {
  fileDate_ = today;
  if (folder_.empty()) return false;
  // Append mode: created when missing, never truncated, always written at
  // the end; other programs may read it meanwhile.
  logFile_ = std::fopen((folder_ + dayFileName(today)).c_str(), "abe");
  if (logFile_ == nullptr) {
    haveFailedOpen_ = true;
    failedOpenAt_ = today;
    return false;
  }
  haveFailedOpen_ = false;
  std::setvbuf(logFile_, nullptr, _IOFBF, kFileBufferSize);
  return true;
}

void LogWriter::closeFile() {
  if (logFile_ == nullptr) return;
  std::fclose(logFile_);
  logFile_ = nullptr;
}

void LogWriter::purge() {
  if (closingFlag_.load()) return;
  const std::string logFolder = folder();
  if (logFolder.empty()) return;
  if (purged_.exchange(true)) return;

  const int month = options_.clock().month;
  const int previousMonth = month == 1 ? 12 : month - 1;
  const std::unique_ptr<DIR, DirCloser> dir(opendir(logFolder.c_str()));
  if (!dir) return;
  while (const dirent* entry = readdir(dir.get())) {
    if (closingFlag_.load()) return;
    const std::string_view name = entry->d_name;
    if (!isDayFileName(name)) continue;  // only files this log wrote
    const int fileMonth = (name[4] - '0') * 10 + (name[5] - '0');
    if (fileMonth != month && fileMonth != previousMonth) {
      unlink((logFolder + std::string(name)).c_str());
    }
  }
}

LogWriter& appLog() {
  static LogWriter* const log = new LogWriter();
  return *log;
}

}  // namespace orvane
