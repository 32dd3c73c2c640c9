#pragma once
// The envelopes the demo server sends, as the client's bridge reads them:
// {"c":..,"a":..,"uid":..,"data":..} and, for UTF-8 text, the member
// "char":"utf-8" that tells the client so. Without it the client decodes the
// bytes as code page 936.
//
//   board/score     data {seq, changes:[{id,name,score,delta}]}
//   board/snapshot  data {seq, title, rows:[{id,name,score}]}
//   sys/conn        data {client}
//   sys/update      data null
// With a send time, data also holds "sentAt" (milliseconds since the epoch;
// sys/update's data then becomes an object).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "demo_options.h"
#include "leaderboard.h"

namespace orvane::demo {

using SentAt = std::optional<std::int64_t>;

std::string scoreEnvelope(std::int64_t seq, const std::vector<ScoreChange>& changes, SentAt sentAt);
std::string snapshotEnvelope(std::int64_t seq, const std::vector<BoardEntry>& entries,
                             SentAt sentAt);
std::string connEnvelope(std::string_view uid, std::uint64_t client, SentAt sentAt);
std::string updateEnvelope(SentAt sentAt);

// The bytes of an envelope built above as they go on the wire: unchanged for
// UTF-8; for GBK without the "char" member and converted to code page 936.
std::string wireBytes(std::string_view envelope, PushCharset charset);

// The exact piece by which the client (and this server) recognise UTF-8.
inline constexpr std::string_view kUtf8Marker = R"("char":"utf-8")";

// Pack bytes as UTF-8 text: UTF-8 when they carry the marker, else GBK.
std::string decodePack(std::string_view bytes);

std::int64_t nowMs();

}  // namespace orvane::demo
