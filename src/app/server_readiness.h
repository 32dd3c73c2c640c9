#pragma once
// Whether the server's web base answers: one GET of exactly that address,
// following redirects; ready when the last answer is 2xx. A refused or
// timed-out request, or an empty address (no web port), is not ready.

#include <stop_token>
#include <string>

namespace orvane {

// Any thread; blocks for the request. A triggered stop token abandons it.
bool isServerReady(const std::string& webBase, std::stop_token stop = {});

}  // namespace orvane
