#include "envelopes.h"

#include <chrono>
#include <nlohmann/json.hpp>

#include "gbk_text.h"

namespace orvane::demo {

namespace {

using Json = nlohmann::ordered_json;

std::string envelope(std::string_view c, std::string_view a, std::string_view uid, Json data) {
  Json e = Json::object();
  e["c"] = c;
  e["a"] = a;
  e["uid"] = uid;
  e["data"] = std::move(data);
  e["char"] = "utf-8";
  // Non-ASCII stays as UTF-8 bytes (no \u escapes), so the marker and the
  // GBK conversion both see the real text.
  return e.dump(-1, ' ', false, Json::error_handler_t::replace);
}

void stamp(Json& data, SentAt sentAt) {
  if (sentAt) data["sentAt"] = *sentAt;
}

}  // namespace

std::int64_t nowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::string scoreEnvelope(std::int64_t seq, const std::vector<ScoreChange>& changes,
                          SentAt sentAt) {
  Json list = Json::array();
  for (const ScoreChange& change : changes) {
    list.push_back({{"id", change.id},
                    {"name", change.name},
                    {"score", change.score},
                    {"delta", change.delta}});
  }
  Json data = {{"seq", seq}, {"changes", std::move(list)}};
  stamp(data, sentAt);
  return envelope("board", "score", "", std::move(data));
}

std::string snapshotEnvelope(std::int64_t seq, const std::vector<BoardEntry>& entries,
                             SentAt sentAt) {
  Json rows = Json::array();
  for (const BoardEntry& entry : entries) {
    rows.push_back({{"id", entry.id}, {"name", entry.name}, {"score", entry.score}});
  }
  Json data = {{"seq", seq}, {"title", Leaderboard::kTitle}, {"rows", std::move(rows)}};
  stamp(data, sentAt);
  return envelope("board", "snapshot", "", std::move(data));
}

std::string connEnvelope(std::string_view uid, std::uint64_t client, SentAt sentAt) {
  Json data = {{"client", client}};
  stamp(data, sentAt);
  return envelope("sys", "conn", uid, std::move(data));
}

std::string updateEnvelope(SentAt sentAt) {
  Json data = nullptr;
  if (sentAt) data = {{"sentAt", *sentAt}};
  return envelope("sys", "update", "", std::move(data));
}

std::string wireBytes(std::string_view text, PushCharset charset) {
  if (charset == PushCharset::Utf8) return std::string(text);
  // The builders put the marker last, as its own member: ,"char":"utf-8"}
  std::string without(text);
  const std::string member = "," + std::string(kUtf8Marker);
  if (const auto at = without.rfind(member); at != std::string::npos)
    without.erase(at, member.size());
  return utf8ToGbk(without);
}

std::string decodePack(std::string_view bytes) {
  if (bytes.find(kUtf8Marker) != std::string_view::npos) return std::string(bytes);
  return gbkToUtf8(bytes);
}

}  // namespace orvane::demo
