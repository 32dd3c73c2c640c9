#include "bench_inputs.h"

#include <cstdint>

namespace orvane::bench {
namespace {

// Deterministic pseudo-random numbers, so every run reads the same text.
class Lcg {
 public:
  std::uint32_t next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::uint32_t>(state_ >> 33);
  }
  std::uint32_t below(std::uint32_t n) { return next() % n; }

 private:
  std::uint64_t state_ = 0x5EED;
};

const char* const kSurnames[] = {"张", "王", "李", "赵", "刘",   "陈",
                                 "杨", "黄", "周", "吴", "欧阳", "司马"};
const char* const kGiven[] = {"伟", "芳", "娜", "敏", "静", "丽", "强", "磊",
                              "洋", "艳", "勇", "军", "杰", "涛", "明"};

void appendRow(std::string& out, int rank, Lcg& random) {
  const std::uint32_t score = 100000 - static_cast<std::uint32_t>(rank) * 37 - random.below(30);
  const int delta = static_cast<int>(random.below(21)) - 10;
  out += "{\"rank\":";
  out += std::to_string(rank);
  out += ",\"name\":\"";
  out += kSurnames[random.below(12)];
  out += kGiven[random.below(15)];
  if (random.below(2) == 0) out += kGiven[random.below(15)];
  out += "\",\"score\":";
  out += std::to_string(score);
  out += ",\"delta\":";
  out += std::to_string(delta);
  out += ",\"avatar\":\"http://192.168.1.20:8080/static/avatar/";
  out += std::to_string(100000 + random.below(900000));
  out += ".png\"}";
}

void appendBoard(std::string& out, int rows, Lcg& random) {
  out += "{\"rows\":[";
  for (int rank = 1; rank <= rows; ++rank) {
    if (rank > 1) out += ',';
    appendRow(out, rank, random);
  }
  out += "]}";
}

}  // namespace

std::string envelopeText() {
  return R"({"c":"win","a":"readini","uid":"9f3c2a71-5b0e-4d8a-a1c4-7e2b6f0d9a13","notme":false,)"
         R"("data":{"section":"local","key":"index","default":"0","title":"排行榜","x":1920,"y":0,"w":1920,"h":1080}})";
}

std::string leaderboardText() {
  Lcg random;
  std::string out = R"({"c":"rank","a":"snapshot","uid":"server","data":)";
  appendBoard(out, 1000, random);
  out += "}";
  return out;
}

std::string pushPackText() {
  constexpr std::size_t kTarget = 3145728;
  Lcg random;
  std::string out = R"({"c":"rank","a":"full","char":"utf-8","data":{"boards":[)";
  int board = 0;
  // Boards of 1000 rows while they fit, then smaller rows to fill up.
  while (true) {
    std::string next = board > 0 ? "," : "";
    next += "{\"title\":\"第" + std::to_string(board + 1) + "组\",\"board\":";
    appendBoard(next, 1000, random);
    next += "}";
    if (out.size() + next.size() + 3 > kTarget) break;
    out += next;
    ++board;
  }
  std::string tail = ",{\"title\":\"尾\",\"board\":{\"rows\":[";
  int rank = 1;
  while (true) {
    std::string row;
    if (rank > 1) row += ',';
    appendRow(row, rank, random);
    if (out.size() + tail.size() + row.size() + 6 > kTarget) break;
    tail += row;
    ++rank;
  }
  out += tail + "]}}]}}";
  return out;
}

}  // namespace orvane::bench
