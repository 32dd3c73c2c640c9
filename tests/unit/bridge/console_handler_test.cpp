#include "bridge/console_handler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bridge/bridge_message.h"
#include "bridge/console_report.h"
#include "log_capture.h"
#include "webview/main_window_null.h"
#include "webview/web_view_null.h"

namespace orvane {
namespace {

using testing::LogCapture;

ConsoleMessage errorMessage(std::string text, std::string source = "http://127.0.0.1:8099/app.js",
                            unsigned line = 12) {
  ConsoleMessage message;
  message.level = 3;
  message.message = std::move(text);
  message.sourceName = std::move(source);
  message.line = line;
  message.stackTrace = "at f (app.js:12)";
  return message;
}

class ConsoleHandlerTest : public ::testing::Test {
 protected:
  ConsoleHandlerTest() {
    EXPECT_TRUE(view.bind(window, true));
    handler.install();
  }

  NullMainWindow window;
  NullWebView view;
  LogCapture log;
  ConsoleHandler handler{view, log.sink()};
};

TEST_F(ConsoleHandlerTest, LogAndWarningAreIgnoredErrorAndAboveAreLoggedAndReported) {
  struct Case {
    int level;
    bool handled;
  };
  for (const Case tc :
       {Case{1, false}, Case{2, false}, Case{3, true}, Case{4, true}, Case{5, true}}) {
    SCOPED_TRACE(tc.level);
    log.clear();
    const auto before = view.scripts().size();
    ConsoleMessage message = errorMessage("boom");
    message.level = tc.level;
    view.emitConsole(message);
    EXPECT_EQ(log.lines().size(), tc.handled ? 1u : 0u);
    EXPECT_EQ(view.scripts().size() - before, tc.handled ? 1u : 0u);
  }
}

TEST_F(ConsoleHandlerTest, TheLogLineAndTheReportHaveTheirExactForm) {
  view.emitConsole(errorMessage("boom", "http://127.0.0.1:8099/app.js", 12));
  EXPECT_EQ(log.lines(),
            (std::vector<LogCapture::Line>{
                {"控制台消息",
                 "level:3 msg:boom sname:http://127.0.0.1:8099/app.js line:12 fllow:at f "
                 "(app.js:12)"}}));
  EXPECT_EQ(view.scripts(),
            (std::vector<std::string>{
                R"(clientJS2({"c":"sys","a":"error","data":{"level":3,"line":12,"msg":"boom",)"
                R"("sname":"http:\/\/127.0.0.1:8099\/app.js"}}))"}));
}

TEST_F(ConsoleHandlerTest, ReportedTextReachesThePageAsTheEnvelopeCarriesIt) {
  struct Case {
    const char* message;
    const char* pageSees;
  };
  const Case cases[] = {
      {R"(say "hi")", R"(say "hi")"},
      // A backslash directly before an apostrophe becomes one double quote.
      {R"(it\'s)", R"(it"s)"},
      {R"(a\'b\'c)", R"(a"b"c)"},
      {"don't", "don't"},
      {R"(path C:\dir\)", R"(path C:\dir\)"},
      {"two\nlines\tand\rmore", "two\nlines\tand\rmore"},
      {"\xE6\x8E\x92\xE8\xA1\x8C\xE6\xA6\x9C </script>",
       "\xE6\x8E\x92\xE8\xA1\x8C\xE6\xA6\x9C </script>"},
      {"", ""},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.message);
    const std::string envelope = consoleReportEnvelope(errorMessage(tc.message, tc.message, 7));
    // The page receives the envelope as a script literal: it must parse,
    // with the fields in their order.
    const auto parsed = parseBridgeMessage(envelope);
    ASSERT_TRUE(parsed.has_value()) << envelope;
    EXPECT_EQ(parsed->c, "sys");
    EXPECT_EQ(parsed->a, "error");
    EXPECT_EQ(parsed->data.getInteger64("level"), 3);
    EXPECT_EQ(parsed->data.getInteger64("line"), 7);
    EXPECT_EQ(parsed->data.getText("msg"), tc.pageSees);
    EXPECT_EQ(parsed->data.getText("sname"), tc.pageSees);
    std::vector<std::string> names;
    parsed->data.memberNames(std::string_view{}, names);
    EXPECT_EQ(names, (std::vector<std::string>{"level", "line", "msg", "sname"}));
  }
}

TEST(ConsoleReport, JsonStringBodyEscapesWhatJsonEscapes) {
  EXPECT_EQ(jsonStringBody(R"(a"b\c/d)"), R"(a\"b\\c\/d)");
  EXPECT_EQ(jsonStringBody("\b\t\n\f\r"), R"(\b\t\n\f\r)");
  EXPECT_EQ(jsonStringBody("it's"), "it's");
  EXPECT_EQ(jsonStringBody(""), "");
}

TEST_F(ConsoleHandlerTest, AnErrorWhileAReportIsDeliveredIsNotReportedAgain) {
  // A page without clientJS2, on an engine that runs scripts inside the call:
  // every report raises an error of its own straight away.
  int pageErrors = 0;
  view.onScript = [&](const std::string& script) {
    if (script.rfind("clientJS2(", 0) != 0) return;
    ++pageErrors;
    ASSERT_LT(pageErrors, 10) << "reports keep causing reports";
    view.emitConsole(errorMessage("ReferenceError: clientJS2 is not defined", "", 1));
  };
  view.emitConsole(errorMessage("first"));
  EXPECT_EQ(pageErrors, 1);
  EXPECT_EQ(view.scripts().size(), 1u);
  EXPECT_EQ(log.lines().size(), 2u);  // the page's own error is still logged

  // Delivery is over: the next error of the page is reported again.
  view.emitConsole(errorMessage("second"));
  EXPECT_EQ(pageErrors, 2);
  EXPECT_EQ(view.scripts().size(), 2u);
}

TEST_F(ConsoleHandlerTest, OnAnAsynchronousEngineTheGuardLastsUntilThePageHasRunTheReport) {
  view.deferScriptFinish = true;
  view.emitConsole(errorMessage("first"));
  ASSERT_EQ(view.scripts().size(), 1u);
  // The report's own error arrives before the engine says it has run it.
  view.emitConsole(errorMessage("ReferenceError: clientJS2 is not defined"));
  EXPECT_EQ(view.scripts().size(), 1u);
  view.finishScripts();

  view.emitConsole(errorMessage("later"));
  EXPECT_EQ(view.scripts().size(), 2u);
  EXPECT_EQ(log.lines().size(), 3u);
}

TEST_F(ConsoleHandlerTest, AHandlerGoneBeforeTheReportFinishesLeavesNothingBehind) {
  view.deferScriptFinish = true;
  {
    ConsoleHandler shortLived{view, log.sink()};
    shortLived.install();
    view.emitConsole(errorMessage("first"));
  }
  // The view still holds the handler and the unfinished report; both stay
  // usable after the object that installed them is gone.
  view.finishScripts();
  view.emitConsole(errorMessage("second"));
  EXPECT_EQ(view.scripts().size(), 2u);
}

}  // namespace
}  // namespace orvane
