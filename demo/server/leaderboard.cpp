#include "leaderboard.h"

#include <algorithm>
#include <array>

namespace orvane::demo {

namespace {

// Ordinary names of two to four characters, so the page shows the widths a
// real board has.
constexpr std::array<const char*, 20> kNames{
    "张伟", "王芳",   "李娜", "刘洋", "陈静", "杨帆", "赵敏", "黄磊", "周婷",   "吴昊",
    "徐丽", "孙浩然", "胡雪", "朱晨", "高峰", "林晓", "何琳", "郭强", "马丽娟", "欧阳晓晨",
};

int uniform(std::mt19937& random, int low, int high) {
  return std::uniform_int_distribution<int>(low, high)(random);
}

}  // namespace

Leaderboard::Leaderboard(std::uint32_t seed) : random_(seed) {
  int id = 1;
  for (const char* name : kNames) {
    entries_.push_back({id++, name, uniform(random_, 2000, 9000)});
  }
}

std::vector<ScoreChange> Leaderboard::changeSome() {
  std::vector<ScoreChange> changes;
  const int count = uniform(random_, 1, 3);
  std::vector<std::size_t> picked;
  while (static_cast<int>(picked.size()) < count) {
    const auto index =
        static_cast<std::size_t>(uniform(random_, 0, static_cast<int>(entries_.size()) - 1));
    if (std::find(picked.begin(), picked.end(), index) == picked.end()) picked.push_back(index);
  }
  for (const std::size_t index : picked) {
    BoardEntry& entry = entries_[index];
    std::int64_t delta =
        uniform(random_, 0, 99) < 85 ? uniform(random_, 10, 300) : -uniform(random_, 10, 150);
    // A loss larger than the score takes it to zero; a zero score only gains.
    if (entry.score + delta < 0) delta = entry.score > 0 ? -entry.score : uniform(random_, 10, 300);
    entry.score += delta;
    changes.push_back({entry.id, entry.name, entry.score, delta});
  }
  return changes;
}

}  // namespace orvane::demo
