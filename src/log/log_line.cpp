#include "log/log_line.h"

namespace orvane {
namespace {

void appendTwoDigits(std::string& out, int value) {
  out.push_back(static_cast<char>('0' + (value / 10) % 10));
  out.push_back(static_cast<char>('0' + value % 10));
}

}  // namespace

std::string formatLogLine(const LocalTime& time, std::string_view category,
                          std::string_view message) {
  std::string line;
  line.reserve(8 + 3 + category.size() + 2 + message.size() + 2);
  appendTwoDigits(line, time.hour);
  line.push_back(':');
  appendTwoDigits(line, time.minute);
  line.push_back(':');
  appendTwoDigits(line, time.second);
  line.append("->[");
  line.append(category);
  line.append("] ");
  line.append(message);
  line.append("\r\n");
  return line;
}

std::string dayFileName(const LocalTime& date) {
  std::string name = std::to_string(date.year);
  appendTwoDigits(name, date.month);
  appendTwoDigits(name, date.day);
  name.append(".txt");
  return name;
}

bool isDayFileName(std::string_view name) {
  if (name.size() != 12 || name.substr(8) != ".txt") return false;
  for (std::size_t i = 0; i < 8; ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
  }
  return true;
}

}  // namespace orvane
