#include "sys/path_match_posix.h"

#include <dirent.h>
#include <sys/stat.h>

#include <memory>

#include "sys/utf.h"

namespace orvane {

namespace {

// Characters to match one by one: code points of valid UTF-8, else bytes.
std::u32string matchUnits(std::string_view text, bool asUtf8) {
  std::u32string units;
  if (!asUtf8) {
    for (const char c : text) units.push_back(static_cast<unsigned char>(c));
    return units;
  }
  const std::u16string utf16 = text::utf8ToUtf16(text);
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    const char16_t u = utf16[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < utf16.size()) {
      units.push_back(0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) +
                      (static_cast<char32_t>(utf16[i + 1]) - 0xDC00));
      ++i;
    } else {
      units.push_back(u);
    }
  }
  return units;
}

// The rest of the pattern is '.' followed by nothing but '*'.
bool isDotStarTail(const std::u32string& pattern, std::size_t from) {
  if (from >= pattern.size() || pattern[from] != U'.') return false;
  for (std::size_t i = from + 1; i < pattern.size(); ++i) {
    if (pattern[i] != U'*') return false;
  }
  return true;
}

bool matchUnitsAgainst(const std::u32string& pattern, const std::u32string& name) {
  std::size_t p = 0;
  std::size_t n = 0;
  // Where the last '*' was seen and how much of the name it has taken, for
  // backtracking: each '*' only ever needs to grow by one more character.
  std::size_t starPattern = std::u32string::npos;
  std::size_t starName = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == U'?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == U'*') {
      starPattern = p++;
      starName = n;
    } else if (starPattern != std::u32string::npos) {
      p = starPattern + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == U'*') ++p;
  return p == pattern.size() || isDotStarTail(pattern, p);
}

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

}  // namespace

bool matchesFileNamePattern(std::string_view pattern, std::string_view name) {
  const bool asUtf8 = text::isValidUtf8(pattern) && text::isValidUtf8(name);
  return matchUnitsAgainst(matchUnits(pattern, asUtf8), matchUnits(name, asUtf8));
}

bool pathOrPatternExists(const std::string& pathOrPattern) {
  if (pathOrPattern.empty() || pathOrPattern.back() == '/') return false;

  const std::size_t slash = pathOrPattern.rfind('/');
  const std::string lastComponent =
      slash == std::string::npos ? pathOrPattern : pathOrPattern.substr(slash + 1);
  if (lastComponent.find_first_of("*?") == std::string::npos) {
    // The entry itself counts, so a link whose target is gone is still found.
    struct stat info {};
    return lstat(pathOrPattern.c_str(), &info) == 0;
  }

  std::string folder = "./";
  if (slash != std::string::npos) folder = pathOrPattern.substr(0, slash + 1);
  const std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
  if (!dir) return false;
  while (const dirent* entry = readdir(dir.get())) {
    const std::string_view name = entry->d_name;
    // The folder's own entries are not things the pattern could have found.
    if (name == "." || name == "..") continue;
    if (matchesFileNamePattern(lastComponent, name)) return true;
  }
  return false;
}

}  // namespace orvane
