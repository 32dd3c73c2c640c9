#include "server/http_text.h"

#include "server/text_search.h"

namespace orvane {

namespace {

bool hasHttpScheme(std::string_view url) {
  return startsWithNoCase(url, "http://") || startsWithNoCase(url, "https://");
}

// Where the host part starts: after "scheme://", or 0 without one.
std::size_t authorityStart(std::string_view url) {
  const std::size_t separator = url.find("://");
  return separator == std::string_view::npos ? 0 : separator + 3;
}

// Calls visit(name, value) for each "Name: value" line of a header block.
template <typename Visit>
void forEachHeaderField(std::string_view headerText, Visit visit) {
  while (!headerText.empty()) {
    const std::size_t lineEnd = headerText.find('\n');
    std::string_view line = headerText.substr(0, lineEnd);
    headerText.remove_prefix(lineEnd == std::string_view::npos ? headerText.size() : lineEnd + 1);
    const std::size_t colon = line.find(':');
    if (colon != std::string_view::npos && !visit(line.substr(0, colon), line.substr(colon + 1))) {
      return;
    }
  }
}

}  // namespace

std::string normalizeUrl(std::string_view url) {
  std::string result = hasHttpScheme(url) ? std::string(url) : "http://" + std::string(url);
  const std::size_t pathStart = result.find_first_of("/?#", authorityStart(result));
  if (pathStart == std::string::npos) {
    result += '/';
  } else if (result[pathStart] != '/') {
    // A query right after the host: the path goes in front of it, not behind.
    result.insert(pathStart, 1, '/');
  }
  return result;
}

std::string resolveLocation(std::string_view currentUrl, std::string_view location) {
  if (hasHttpScheme(location)) {
    return std::string(location);
  }
  if (location.starts_with("//")) {
    const std::size_t slashes = currentUrl.find("//");
    const std::string_view scheme = slashes == std::string_view::npos
                                        ? std::string_view("http:")
                                        : currentUrl.substr(0, slashes);
    return std::string(scheme) + std::string(location);
  }
  const std::size_t pathStart = currentUrl.find_first_of("/?#", authorityStart(currentUrl));
  const std::string_view origin = currentUrl.substr(0, pathStart);
  if (location.starts_with('/')) {
    return std::string(origin) + std::string(location);
  }
  const std::size_t fragment = currentUrl.find('#');
  if (location.starts_with('#')) {
    return std::string(currentUrl.substr(0, fragment)) + std::string(location);
  }
  // The folder is read from the path only: a "/" inside the query is no folder.
  const std::string_view path = currentUrl.substr(0, currentUrl.find_first_of("?#"));
  if (location.starts_with('?')) {
    return std::string(path) + std::string(location);
  }
  const std::size_t lastSlash = path.rfind('/');
  if (lastSlash == std::string_view::npos || lastSlash < origin.size()) {
    return std::string(origin) + "/" + std::string(location);
  }
  return std::string(path.substr(0, lastSlash)) + "/" + std::string(location);
}

std::string headerValue(std::string_view headerText, std::string_view name) {
  std::string found;
  forEachHeaderField(headerText, [&](std::string_view field, std::string_view value) {
    if (!equalsNoCase(field, name)) {
      return true;
    }
    found = trimBlanks(value);
    return false;
  });
  return found;
}

std::vector<std::string> headerValues(std::string_view headerText, std::string_view name) {
  std::vector<std::string> values;
  forEachHeaderField(headerText, [&](std::string_view field, std::string_view value) {
    if (equalsNoCase(field, name)) {
      values.emplace_back(trimBlanks(value));
    }
    return true;
  });
  return values;
}

}  // namespace orvane
