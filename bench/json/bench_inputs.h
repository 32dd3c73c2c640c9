#pragma once
// The texts the JSON benchmark reads and writes.

#include <string>

namespace orvane::bench {

// A bridge envelope of about 200 bytes, as the page sends to serverJS.
std::string envelopeText();
// A leaderboard snapshot: 1000 rows of rank, Chinese name, score, delta and
// avatar URL, about 100 KB.
std::string leaderboardText();
// A push pack at the maximum pack size (3 MiB): many boards of rows.
std::string pushPackText();

}  // namespace orvane::bench
