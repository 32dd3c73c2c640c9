#include "config/ini_file.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <vector>

#include "sys/codepage.h"
#include "sys/utf.h"

namespace orvane {
namespace {

constexpr std::string_view kBlanks = " \t\r\v\f";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view trim(std::string_view s) {
  const std::size_t first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const std::size_t last = s.find_last_not_of(kBlanks);
  return s.substr(first, last - first + 1);
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  }
  return true;
}

enum class LineKind { Other, Section, Key };

// One line of the file. `raw` holds its bytes exactly as stored (in the
// file's encoding, without the line end) so untouched lines are written back
// unchanged; `name` and `value` are the parsed, UTF-8 view of it.
struct IniLine {
  std::string raw;
  std::string eol;  // "\n", "\r\n", or "" for a last line without one
  LineKind kind = LineKind::Other;
  std::string name;
  std::string value;
};

struct IniText {
  bool gbk = false;  // the file is not UTF-8: it came from a Windows machine
  std::vector<IniLine> lines;

  std::string decode(std::string_view raw) const { return gbk ? gbkToUtf8(raw) : std::string(raw); }
  std::string encode(std::string_view text) const {
    return gbk ? utf8ToGbk(text) : std::string(text);
  }
  std::string defaultEol() const {
    for (const IniLine& line : lines) {
      if (!line.eol.empty()) return line.eol;
    }
    return "\n";
  }
};

void parseLine(IniLine& line, std::string_view text) {
  const std::string_view t = trim(text);
  if (t.empty() || t.front() == ';') return;
  if (t.front() == '[') {
    const std::size_t close = t.rfind(']');
    if (close != std::string_view::npos) {
      line.kind = LineKind::Section;
      line.name = std::string(trim(t.substr(1, close - 1)));
      return;
    }
  }
  const std::size_t eq = t.find('=');
  if (eq == std::string_view::npos) return;
  line.kind = LineKind::Key;
  line.name = std::string(trim(t.substr(0, eq)));
  line.value = std::string(trim(t.substr(eq + 1)));
}

IniText parseIni(std::string_view content) {
  IniText ini;
  std::string_view body = content;
  if (body.substr(0, kUtf8Bom.size()) == kUtf8Bom) body.remove_prefix(kUtf8Bom.size());
  ini.gbk = !text::isValidUtf8(body);

  std::size_t start = 0;
  while (start < content.size()) {
    const std::size_t newline = content.find('\n', start);
    IniLine line;
    std::string_view raw;
    if (newline == std::string_view::npos) {
      raw = content.substr(start);
      start = content.size();
    } else {
      raw = content.substr(start, newline - start);
      start = newline + 1;
      line.eol = "\n";
      if (!raw.empty() && raw.back() == '\r') {
        raw.remove_suffix(1);
        line.eol = "\r\n";
      }
    }
    line.raw = std::string(raw);
    std::string_view forParsing = raw;
    if (ini.lines.empty() && forParsing.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
      forParsing.remove_prefix(kUtf8Bom.size());
    }
    parseLine(line, ini.decode(forParsing));
    ini.lines.push_back(std::move(line));
  }
  return ini;
}

// Where a section and a key sit in the file; npos for what is not there.
struct IniPosition {
  std::size_t section = std::string::npos;
  std::size_t sectionEnd = std::string::npos;  // one past its last line
  std::size_t lastKey = std::string::npos;     // its last key line
  std::size_t key = std::string::npos;
};

IniPosition locate(const IniText& ini, std::string_view section, std::string_view key) {
  IniPosition pos;
  for (std::size_t i = 0; i < ini.lines.size(); ++i) {
    const IniLine& line = ini.lines[i];
    if (line.kind == LineKind::Section && sameName(line.name, section)) {
      pos.section = i;
      break;
    }
  }
  if (pos.section == std::string::npos) return pos;
  pos.sectionEnd = ini.lines.size();
  for (std::size_t i = pos.section + 1; i < ini.lines.size(); ++i) {
    const IniLine& line = ini.lines[i];
    if (line.kind == LineKind::Section) {
      pos.sectionEnd = i;
      break;
    }
    if (line.kind != LineKind::Key) continue;
    pos.lastKey = i;
    if (pos.key == std::string::npos && sameName(line.name, key)) pos.key = i;
  }
  return pos;
}

enum class ReadResult { Ok, Missing, Failed };

ReadResult readWholeFile(const std::string& path, std::string& out) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
  out.clear();
  char buffer[16384];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      close(fd);
      return ReadResult::Failed;
    }
    if (n == 0) break;
    out.append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  return ReadResult::Ok;
}

bool writeAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Replaces the file's contents so that a reader (or a crash) sees either the
// old file or the new one, never half of each: write a sibling, then rename
// it over. When the folder does not allow that, the file is rewritten in place.
bool storeFile(const std::string& path, std::string_view data, bool exists) {
  std::string target = path;
  struct stat st {};
  if (exists) {
    if (char* real = realpath(path.c_str(), nullptr)) {  // write through a symbolic link
      target = real;
      free(real);
    }
    if (stat(target.c_str(), &st) != 0) return false;
    std::string temp = target + ".XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd >= 0) {
      const bool ok = fchmod(fd, st.st_mode & 07777) == 0 && writeAll(fd, data) && fsync(fd) == 0;
      close(fd);
      if (ok && rename(temp.c_str(), target.c_str()) == 0) return true;
      unlink(temp.c_str());
    }
  }
  const int fd = open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  const bool ok = writeAll(fd, data);
  return close(fd) == 0 && ok;
}

bool breaksLines(std::string_view s) {
  return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// Read-modify-write cycles of this process do not interleave.
std::mutex& writeMutex() {
  static std::mutex m;
  return m;
}

std::string truncateForBuffer(std::string text, std::size_t bufferSize) {
  if (bufferSize == 0) return {};
  const std::size_t limit = bufferSize - 1;
  if (text.size() <= limit) return text;
  std::size_t cut = limit;
  while (cut > 0 && (static_cast<std::uint8_t>(text[cut]) & 0xC0) == 0x80) --cut;
  text.resize(cut);
  return text;
}

}  // namespace

std::string readIniString(const std::string& path, std::string_view section, std::string_view key,
                          std::string_view defaultValue, std::size_t bufferSize) {
  std::string content;
  if (readWholeFile(path, content) == ReadResult::Ok) {
    const IniText ini = parseIni(content);
    const IniPosition pos = locate(ini, trim(section), trim(key));
    if (pos.key != std::string::npos) {
      std::string value = ini.lines[pos.key].value;
      if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
          value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
      }
      return truncateForBuffer(std::move(value), bufferSize);
    }
  }
  const std::size_t end = defaultValue.find_last_not_of(" \t");
  return truncateForBuffer(
      std::string(end == std::string_view::npos ? std::string_view()
                                                : defaultValue.substr(0, end + 1)),
      bufferSize);
}

bool writeIniString(const std::string& path, std::string_view section, std::string_view key,
                    std::optional<std::string_view> value) {
  section = trim(section);
  key = trim(key);
  if (key.empty() || key.find('=') != std::string_view::npos || key.front() == '[' ||
      key.front() == ';' || breaksLines(key) || breaksLines(section) ||
      (value && breaksLines(*value))) {
    return false;
  }

  std::lock_guard<std::mutex> lock(writeMutex());
  std::string content;
  const ReadResult read = readWholeFile(path, content);
  if (read == ReadResult::Failed) return false;
  if (read == ReadResult::Missing && !value) return true;

  IniText ini = parseIni(content);
  const IniPosition pos = locate(ini, section, key);
  const std::string eol = ini.defaultEol();

  if (!value) {
    if (pos.key == std::string::npos) return true;
    ini.lines.erase(ini.lines.begin() + static_cast<std::ptrdiff_t>(pos.key));
  } else if (pos.key != std::string::npos) {
    // Keep everything up to the value (indentation, the key's spelling, blanks
    // around '=') and replace only the value itself. '=' is never part of a
    // two-byte character in code page 936, so its first byte is the separator.
    IniLine& line = ini.lines[pos.key];
    const std::size_t eq = line.raw.find('=');
    std::size_t valueStart = line.raw.find_first_not_of(kBlanks, eq + 1);
    if (valueStart == std::string::npos) valueStart = line.raw.size();
    line.raw = line.raw.substr(0, valueStart) + ini.encode(*value);
  } else {
    IniLine added;
    added.raw = ini.encode(std::string(key) + "=" + std::string(*value));
    if (pos.section != std::string::npos) {
      const std::size_t after = pos.lastKey != std::string::npos ? pos.lastKey : pos.section;
      IniLine& previous = ini.lines[after];
      if (previous.eol.empty()) previous.eol = eol;
      added.eol = previous.eol;
      ini.lines.insert(ini.lines.begin() + static_cast<std::ptrdiff_t>(after + 1),
                       std::move(added));
    } else {
      if (!ini.lines.empty() && ini.lines.back().eol.empty()) ini.lines.back().eol = eol;
      IniLine header;
      header.raw = ini.encode("[" + std::string(section) + "]");
      header.eol = eol;
      added.eol = eol;
      ini.lines.push_back(std::move(header));
      ini.lines.push_back(std::move(added));
    }
  }

  std::string out;
  out.reserve(content.size() + 64);
  for (const IniLine& line : ini.lines) {
    out += line.raw;
    out += line.eol;
  }
  return storeFile(path, out, read == ReadResult::Ok);
}

}  // namespace orvane
