#pragma once
// The demo's board: twenty people with Chinese names and scores that change
// a few at a time, mostly upwards, as sales figures would. Not thread-safe:
// its owner serialises access.

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace orvane::demo {

struct BoardEntry {
  int id = 0;
  std::string name;  // UTF-8
  std::int64_t score = 0;
};

struct ScoreChange {
  int id = 0;
  std::string name;
  std::int64_t score = 0;  // the new score
  std::int64_t delta = 0;  // new minus old
};

class Leaderboard {
 public:
  static constexpr const char* kTitle = "本月销售排行榜";

  explicit Leaderboard(std::uint32_t seed);

  // Every entry, in id order.
  const std::vector<BoardEntry>& entries() const { return entries_; }

  // One to three different entries gain or (now and then) lose points;
  // scores never go below zero and never stay the same.
  std::vector<ScoreChange> changeSome();

 private:
  std::mt19937 random_;
  std::vector<BoardEntry> entries_;
};

}  // namespace orvane::demo
