#include "sys/desktop_entry.h"

#include <optional>

namespace orvane {

namespace {

constexpr std::string_view kGroupHeader = "[Desktop Entry]";

// Characters that make a desktop split or expand an unquoted argument.
constexpr std::string_view kReservedInExec = " \t\n\"'\\><~|&;$*?#()`";

// Escapes of the format's string values: a backslash, line breaks and tabs,
// and a leading blank that would otherwise be taken for padding.
std::string escapeStringValue(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == ' ' && i == 0) {
      out += "\\s";
    } else {
      out += c;
    }
  }
  return out;
}

std::string unescapeStringValue(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out += value[i];
      continue;
    }
    switch (const char next = value[++i]) {
      case 's':
        out += ' ';
        break;
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case 'r':
        out += '\r';
        break;
      case '\\':
        out += '\\';
        break;
      default:
        out += '\\';
        out += next;
    }
  }
  return out;
}

// One argument of Exec=, before the value's own string escaping: quoted when
// it holds a reserved character or is empty, with '"', '`', '$' and '\'
// escaped inside the quotes; '%' doubled everywhere, as field codes start with it.
std::string quoteExecArgument(std::string_view argument) {
  const bool quote =
      argument.empty() || argument.find_first_of(kReservedInExec) != std::string_view::npos;
  std::string out;
  if (quote) out += '"';
  for (const char c : argument) {
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) out += '\\';
    if (c == '%') out += '%';
    out += c;
  }
  if (quote) out += '"';
  return out;
}

std::optional<std::vector<std::string>> splitExecValue(std::string_view exec) {
  std::vector<std::string> arguments;
  std::string current;
  bool inArgument = false;
  for (std::size_t i = 0; i < exec.size(); ++i) {
    const char c = exec[i];
    if (c == ' ' || c == '\t' || c == '\n') {
      if (inArgument) arguments.push_back(std::move(current));
      current.clear();
      inArgument = false;
    } else if (c == '"') {
      inArgument = true;
      bool closed = false;
      for (++i; i < exec.size(); ++i) {
        const char q = exec[i];
        if (q == '"') {
          closed = true;
          break;
        }
        if (q == '\\' && i + 1 < exec.size() &&
            std::string_view("\"`$\\").find(exec[i + 1]) != std::string_view::npos) {
          current += exec[++i];
        } else if (q == '%' && i + 1 < exec.size() && exec[i + 1] == '%') {
          current += exec[++i];
        } else {
          current += q;
        }
      }
      if (!closed) return std::nullopt;
    } else if (c == '%' && i + 1 < exec.size() && exec[i + 1] == '%') {
      inArgument = true;
      current += exec[++i];
    } else {
      inArgument = true;
      current += c;
    }
  }
  if (inArgument) arguments.push_back(std::move(current));
  return arguments;
}

std::string_view trimBlanks(std::string_view text) {
  const std::size_t start = text.find_first_not_of(" \t");
  if (start == std::string_view::npos) return {};
  const std::size_t end = text.find_last_not_of(" \t");
  return text.substr(start, end - start + 1);
}

// The raw value of `key` in the file's [Desktop Entry] group, which must be
// its first group; nullopt when it is missing.
std::optional<std::string> entryValue(std::string_view fileText, std::string_view key) {
  bool inEntryGroup = false;
  std::size_t pos = 0;
  while (pos <= fileText.size()) {
    std::size_t end = fileText.find('\n', pos);
    if (end == std::string_view::npos) end = fileText.size();
    std::string_view line = fileText.substr(pos, end - pos);
    pos = end + 1;
    if (line.ends_with('\r')) line.remove_suffix(1);

    const std::string_view trimmed = trimBlanks(line);
    if (trimmed.empty() || trimmed.front() == '#') continue;
    if (trimmed.front() == '[') {
      if (inEntryGroup || trimmed != kGroupHeader) return std::nullopt;
      inEntryGroup = true;
      continue;
    }
    // A key before any group: not a desktop entry.
    if (!inEntryGroup) return std::nullopt;
    // Blanks around '=' are padding; the rest of the line, trailing blanks
    // included, is the value.
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    if (trimBlanks(line.substr(0, equals)) == key) {
      const std::string_view value = line.substr(equals + 1);
      const std::size_t start = value.find_first_not_of(" \t");
      return std::string(start == std::string_view::npos ? std::string_view()
                                                         : value.substr(start));
    }
  }
  return std::nullopt;
}

}  // namespace

std::string formatLauncherEntry(const LauncherEntry& entry) {
  std::string exec;
  for (const std::string& argument : entry.command) {
    if (!exec.empty()) exec += ' ';
    exec += quoteExecArgument(argument);
  }
  std::string text;
  text += kGroupHeader;
  text += "\nType=Application\nName=" + escapeStringValue(entry.name) + "\n";
  if (!entry.comment.empty()) text += "Comment=" + escapeStringValue(entry.comment) + "\n";
  text += "Exec=" + escapeStringValue(exec) + "\n";
  if (!entry.workingDirectory.empty()) {
    text += "Path=" + escapeStringValue(entry.workingDirectory) + "\n";
  }
  if (!entry.icon.empty()) text += "Icon=" + escapeStringValue(entry.icon) + "\n";
  text += "Terminal=false\n";
  return text;
}

std::vector<std::string> launcherCommand(std::string_view fileText) {
  const std::optional<std::string> exec = entryValue(fileText, "Exec");
  if (!exec) return {};
  std::optional<std::vector<std::string>> command = splitExecValue(unescapeStringValue(*exec));
  return command ? std::move(*command) : std::vector<std::string>();
}

}  // namespace orvane
