#pragma once
// The texts made from a page's console message: the log line and the
// envelope that reports the message back to the page's clientJS2.

#include <string>
#include <string_view>

#include "webview/web_view.h"

namespace orvane {

// Messages of this level and below (log, warning) are neither logged nor
// reported.
inline constexpr int kHighestIgnoredConsoleLevel = 2;

// The text as a JSON string's body: backslash, slash and double quote get a
// backslash; backspace, tab, line feed, carriage return and form feed become
// \b \t \n \r \f.
std::string jsonStringBody(std::string_view text);

// "level:3 msg:... sname:... line:12 fllow:..."
std::string consoleLogMessage(const ConsoleMessage& message);

// {"c":"sys","a":"error","data":{"level":3,"line":12,"msg":"...","sname":"..."}}
// The envelope is put together with backslash-apostrophe standing for each of
// its double quotes, and every backslash-apostrophe of the whole text, the
// message's own included, then becomes one double quote. A message holding a
// backslash directly before an apostrophe therefore reaches the page with a
// double quote in their place.
std::string consoleReportEnvelope(const ConsoleMessage& message);

// "clientJS2(" + envelope + ")"
std::string pageCallScript(std::string_view envelope);

}  // namespace orvane
