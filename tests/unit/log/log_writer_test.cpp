#include "log/log_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <future>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include "log/log_line.h"
#include "support/temp_directory.h"
#include "support/wait_until.h"

namespace orvane {
namespace {

using testing::readFile;
using testing::TempDirectory;
using testing::waitUntil;
using testing::writeFile;
namespace fs = std::filesystem;

// A clock the test sets. With the gate closed, the writer thread stops in its
// next clock call (taken when it handles a line) until the gate opens, so a
// test can decide what time it is when a queued line is handled.
class TestClock {
 public:
  explicit TestClock(LocalTime now) : now_(now) {}

  LocalTime operator()() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (std::this_thread::get_id() != testThread_) {
      ++writerCalls_;
      changed_.notify_all();
      changed_.wait(lock, [this] { return !gateClosed_; });
    }
    return now_;
  }

  void set(LocalTime now) {
    std::lock_guard<std::mutex> lock(mutex_);
    now_ = now;
  }
  void closeGate() {
    std::lock_guard<std::mutex> lock(mutex_);
    gateClosed_ = true;
  }
  void openGate() {
    std::lock_guard<std::mutex> lock(mutex_);
    gateClosed_ = false;
    changed_.notify_all();
  }
  // Waits until the writer thread has asked for the time `count` times.
  bool waitForWriterCalls(int count) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(30), [&] { return writerCalls_ >= count; });
  }

  LogClock asLogClock() {
    return [this] { return (*this)(); };
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  LocalTime now_;
  bool gateClosed_ = false;
  int writerCalls_ = 0;
  const std::thread::id testThread_ = std::this_thread::get_id();
};

// Polls a file until it holds `expected` (the writer flushes when it has
// caught up); gives up after a generous deadline.
bool waitForContent(const std::string& path, const std::string& expected) {
  return waitUntil([&] { return readFile(path) == expected; });
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

constexpr LocalTime kJan5Morning{2024, 1, 5, 9, 5, 7};

class LogWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.path().empty());
    base_ = dir_.path() + "/";
    folder_ = base_ + "log/orvane_log/";
  }

  LogWriterOptions optionsWith(TestClock& clock) {
    LogWriterOptions options;
    options.clock = clock.asLogClock();
    return options;
  }

  TempDirectory dir_;
  std::string base_;
  std::string folder_;
};

TEST_F(LogWriterTest, WritesLinesIntoTheDayFileOnlyWhileOpen) {
  TestClock clock(kJan5Morning);
  LogWriter log(optionsWith(clock));
  log.write("early", "dropped before open");
  EXPECT_FALSE(log.close());  // never opened

  ASSERT_TRUE(log.open("orvane", base_));
  EXPECT_EQ(log.folder(), folder_);
  EXPECT_TRUE(fs::is_directory(folder_));
  log.write("版本号", "1.0.0.1 name:orvane");
  log.write("开始销毁", "");
  ASSERT_TRUE(log.close());
  EXPECT_FALSE(log.close());  // twice
  log.write("late", "dropped after close");

  EXPECT_EQ(readFile(folder_ + "20240105.txt"),
            "09:05:07->[版本号] 1.0.0.1 name:orvane\r\n"
            "09:05:07->[开始销毁] \r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
  EXPECT_EQ(log.droppedLines(), 0u);
}

TEST_F(LogWriterTest, ReopenAppendsAndAFolderIsFixedUntilClose) {
  TestClock clock(kJan5Morning);
  writeFile(base_ + "keep.txt", "");
  {
    LogWriter log(optionsWith(clock));
    ASSERT_TRUE(log.open("orvane", base_));
    log.write("a", "1");
    ASSERT_TRUE(log.open("other", "/nonexistent/"));  // arguments ignored while open
    log.write("a", "2");
    ASSERT_TRUE(log.close());
    ASSERT_TRUE(log.open("orvane", base_));  // never truncates
    log.write("a", "3");
  }  // destruction closes
  EXPECT_EQ(readFile(folder_ + "20240105.txt"),
            "09:05:07->[a] 1\r\n09:05:07->[a] 2\r\n09:05:07->[a] 3\r\n");
}

TEST_F(LogWriterTest, LineStampedBeforeMidnightAndHandledAfterGoesToTheNewDay) {
  TestClock clock({2024, 1, 5, 10, 0, 0});
  LogWriter log(optionsWith(clock));
  ASSERT_TRUE(log.open("orvane", base_));
  log.write("c", "first");
  ASSERT_TRUE(waitForContent(folder_ + "20240105.txt", "10:00:00->[c] first\r\n"));

  clock.closeGate();
  clock.set({2024, 1, 5, 23, 59, 59});
  log.write("c", "late");
  clock.set({2024, 1, 6, 0, 0, 1});
  clock.openGate();
  log.write("c", "early");
  // Clock set back a day: the writer goes back to that day's file.
  ASSERT_TRUE(
      waitForContent(folder_ + "20240106.txt", "23:59:59->[c] late\r\n00:00:01->[c] early\r\n"));
  clock.set({2024, 1, 5, 12, 0, 0});
  log.write("c", "back");
  ASSERT_TRUE(log.close());

  EXPECT_EQ(readFile(folder_ + "20240105.txt"), "10:00:00->[c] first\r\n12:00:00->[c] back\r\n");
  EXPECT_EQ(readFile(folder_ + "20240106.txt"), "23:59:59->[c] late\r\n00:00:01->[c] early\r\n");
}

TEST_F(LogWriterTest, CloseWritesEverythingQueuedAndRefusesLaterLines) {
  TestClock clock(kJan5Morning);
  LogWriter log(optionsWith(clock));
  ASSERT_TRUE(log.open("orvane", base_));

  clock.closeGate();  // hold the writer at its first line
  constexpr int kLines = 5000;
  for (int i = 0; i < kLines; ++i) log.write("n", std::to_string(i));
  ASSERT_TRUE(clock.waitForWriterCalls(1));

  auto closing = std::async(std::launch::async, [&] { return log.close(); });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (log.isOpen() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  ASSERT_FALSE(log.isOpen());
  log.write("n", "after close began");  // refused
  clock.openGate();
  ASSERT_TRUE(closing.get());

  const std::vector<std::string> lines = linesOf(readFile(folder_ + "20240105.txt"));
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(kLines));
  for (int i = 0; i < kLines; ++i) ASSERT_EQ(lines[i], "09:05:07->[n] " + std::to_string(i));
}

TEST_F(LogWriterTest, LinesPastTheQueueBoundAreDroppedAndNoted) {
  TestClock clock(kJan5Morning);
  LogWriterOptions options = optionsWith(clock);
  options.maxQueuedLines = 10;
  LogWriter log(options);
  ASSERT_TRUE(log.open("orvane", base_));

  clock.closeGate();
  log.write("n", "held");  // taken by the writer, which then waits at the gate
  ASSERT_TRUE(clock.waitForWriterCalls(1));
  for (int i = 0; i < 25; ++i) log.write("n", std::to_string(i));
  EXPECT_EQ(log.droppedLines(), 15u);
  clock.openGate();
  ASSERT_TRUE(log.close());

  std::vector<std::string> expected{"09:05:07->[n] held"};
  for (int i = 0; i < 10; ++i) expected.push_back("09:05:07->[n] " + std::to_string(i));
  expected.push_back("09:05:07->[日志] 队列已满，丢弃 15 行");
  EXPECT_EQ(linesOf(readFile(folder_ + "20240105.txt")), expected);
}

TEST_F(LogWriterTest, ByteBoundAlsoLimitsTheQueue) {
  TestClock clock(kJan5Morning);
  LogWriterOptions options = optionsWith(clock);
  options.maxQueuedBytes = 1000;
  LogWriter log(options);
  ASSERT_TRUE(log.open("orvane", base_));
  clock.closeGate();
  log.write("n", "held");
  ASSERT_TRUE(clock.waitForWriterCalls(1));
  const std::string big(300, 'x');
  for (int i = 0; i < 5; ++i) log.write("n", big);  // about 317 bytes each: 3 fit
  clock.openGate();
  ASSERT_TRUE(log.close());
  EXPECT_EQ(log.droppedLines(), 2u);
  EXPECT_EQ(linesOf(readFile(folder_ + "20240105.txt")).size(), 1u + 3u + 1u);
}

TEST_F(LogWriterTest, ManyThreadsLoseNothingAndKeepEachThreadsOrder) {
  LogWriter log;  // the real clock
  ASSERT_TRUE(log.open("orvane", base_));
  constexpr int kThreads = 4;
  constexpr int kLines = 3000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&log, t] {
      for (int i = 0; i < kLines; ++i) log.write("t" + std::to_string(t), std::to_string(i));
    });
  }
  for (auto& thread : threads) thread.join();
  ASSERT_TRUE(log.close());

  std::set<std::string> files;  // by name, so days come in order should midnight pass
  for (const auto& entry : fs::directory_iterator(folder_)) files.insert(entry.path().string());
  std::string all;
  for (const std::string& file : files) all += readFile(file);
  std::vector<int> next(kThreads, 0);
  int total = 0;
  for (const std::string& line : linesOf(all)) {
    // HH:MM:SS->[tN] i
    ASSERT_GE(line.size(), 16u) << line;
    const int t = line[12] - '0';
    ASSERT_EQ(line.substr(8, 5), "->[t" + std::to_string(t)) << line;
    ASSERT_EQ(line.substr(15), std::to_string(next[t])) << line;
    ++next[t];
    ++total;
  }
  EXPECT_EQ(total, kThreads * kLines);
}

TEST_F(LogWriterTest, FolderThatCannotBeCreatedDropsEverything) {
  writeFile(base_ + "log", "a file where the folder should be");
  TestClock clock(kJan5Morning);
  LogWriter log(optionsWith(clock));
  EXPECT_FALSE(log.open("orvane", base_));
  EXPECT_FALSE(log.isOpen());
  log.write("c", "dropped");
  EXPECT_FALSE(log.close());
  EXPECT_EQ(readFile(base_ + "log"), "a file where the folder should be");
}

TEST_F(LogWriterTest, DayFileThatCannotBeOpenedAtRollOverIsRetried) {
  TestClock clock({2024, 1, 5, 23, 0, 0});
  LogWriter log(optionsWith(clock));
  ASSERT_TRUE(log.open("orvane", base_));
  fs::create_directory(folder_ + "20240106.txt");  // the next day's file cannot be opened

  log.write("c", "before");
  ASSERT_TRUE(waitForContent(folder_ + "20240105.txt", "23:00:00->[c] before\r\n"));
  clock.set({2024, 1, 6, 0, 0, 5});
  log.write("c", "lost at the roll-over");
  log.write("c", "lost in the same minute");
  ASSERT_TRUE(clock.waitForWriterCalls(3));  // both handled on 6 January
  clock.set({2024, 1, 7, 0, 1, 0});
  log.write("c", "next day works");
  ASSERT_TRUE(waitForContent(folder_ + "20240107.txt", "00:01:00->[c] next day works\r\n"));
  EXPECT_TRUE(log.isOpen());
  ASSERT_TRUE(log.close());
  EXPECT_TRUE(fs::is_directory(folder_ + "20240106.txt"));
}

TEST_F(LogWriterTest, FullDiskLosesLinesWithoutHarm) {
  TestClock clock(kJan5Morning);
  ASSERT_TRUE(fs::create_directories(folder_));
  fs::create_symlink("/dev/full", folder_ + "20240105.txt");
  LogWriter log(optionsWith(clock));
  ASSERT_TRUE(log.open("orvane", base_));
  for (int i = 0; i < 20000; ++i) log.write("c", "no space left");
  EXPECT_TRUE(log.close());
}

struct PurgeCase {
  const char* name;
  int month;
  std::set<std::string> kept;
};

TEST_F(LogWriterTest, PurgeKeepsThisMonthAndTheOneBefore) {
  const std::vector<std::string> files = {"20240115.txt", "20240220.txt", "20240301.txt",
                                          "20240331.txt", "20231201.txt", "20231115.txt",
                                          "20230315.txt", "20230105.txt", "notes.txt",
                                          "20240115.log", "ab0312xx.txt"};
  const PurgeCase cases[] = {
      {"march",
       3,
       {"20240220.txt", "20240301.txt", "20240331.txt", "20230315.txt", "notes.txt", "20240115.log",
        "ab0312xx.txt"}},
      {"january keeps december",
       1,
       {"20240115.txt", "20231201.txt", "20230105.txt", "notes.txt", "20240115.log",
        "ab0312xx.txt"}},
  };
  for (const PurgeCase& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(base_ + "log");
    TestClock clock({2024, c.month, 10, 8, 0, 0});
    LogWriter log(optionsWith(clock));
    ASSERT_TRUE(log.open("orvane", base_));
    for (const std::string& name : files) writeFile(folder_ + name, "x");
    log.purge();

    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(folder_)) {
      left.insert(entry.path().filename().string());
    }
    std::set<std::string> expected = c.kept;
    expected.insert(dayFileName({2024, c.month, 10}));  // today's file, opened by the log
    EXPECT_EQ(left, expected);

    // Once per writer: a second purge leaves an old file alone.
    writeFile(folder_ + "20200615.txt", "x");
    log.purge();
    EXPECT_TRUE(fs::exists(folder_ + "20200615.txt"));
  }
}

TEST_F(LogWriterTest, PurgeBeforeOpenTouchesNothing) {
  TestClock clock({2024, 3, 10, 8, 0, 0});
  LogWriter log(optionsWith(clock));
  ASSERT_TRUE(fs::create_directories(folder_));
  writeFile(folder_ + "20240115.txt", "x");
  log.purge();  // no folder yet: nothing, and the one purge is still to come
  EXPECT_TRUE(fs::exists(folder_ + "20240115.txt"));
  ASSERT_TRUE(log.open("orvane", base_));
  log.purge();
  EXPECT_FALSE(fs::exists(folder_ + "20240115.txt"));
}

TEST(AppLog, IsOneInstance) { EXPECT_EQ(&appLog(), &appLog()); }

}  // namespace
}  // namespace orvane
